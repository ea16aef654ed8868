#pragma once
// The code search window (working window number 5): criteria at the top, the
// matching codes in a grid, the current row's details and the hand-off picture
// at the bottom. Created once at start-up; closing only hides it, so criteria
// and results stay between showings.

#include <memory>

#include "app/widgets/workingwindow.h"
#include "db/query.h"
#include "search/statement.h"

class QButtonGroup;
class QGroupBox;
class QKeyEvent;

namespace Ui {
class TForm5;
}

namespace app {
class ImageButton;
}

namespace search {

class ResultModel;

class TForm5 : public app::WorkingWindow {
    Q_OBJECT
public:
    explicit TForm5(app::AppContext& context, QWidget* parent = nullptr);
    ~TForm5() override;

    // Handlers, named after their component and event.
    void FormCreate();
    void Button1Click(QObject* sender);
    void SpeedButton1Click();
    void ButtonTempClick();
    void Image13MouseDown(app::ImageButton* sender);
    void Image13MouseUp(app::ImageButton* sender);
    // The chooser key (F2): the billable codes under the current row's header
    // in the chooser, or the current finest code handed off.
    void ChooseFromCurrentRow();
    // Enter, seen before the focused control, runs the search; the key goes on
    // to the control.
    void FormKeyPress(QKeyEvent* event);

    // The criteria as the controls hold them (the 2023 differences not asked).
    Criteria criteria() const;
    ResultModel* resultModel() const { return m_model; }
    const db::Query& resultQuery() const { return ADOQuery1; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildRadioGroups();
    void layoutRadioGroup(QGroupBox* box, int columns);
    void setUpGrid();
    void showCurrentRow();
    int radioIndex(QGroupBox* box) const;

    std::unique_ptr<Ui::TForm5> m_ui;
    db::Query ADOQuery1;    // the result shown by the grid
    db::Query ADOQuery2;    // ICD-9 lookups and the finest-code check
    db::Query ADOQueryTemp; // the ranking probe
    ResultModel* m_model = nullptr;
};

} // namespace search
