#pragma once
// The code search window (working window number 5): criteria at the top, the
// matching codes in a grid, the current row's details and the hand-off picture
// at the bottom. Created once at start-up; closing only hides it, so criteria
// and results stay between showings.

#include <QElapsedTimer>
#include <QTimer>
#include <memory>
#include <optional>

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

    // 即時查詢: with the box on, a change of any box or radio group searches
    // after a pause, exactly as Enter would; a search still running when the
    // next one starts is stopped, and no message box appears for it.
    bool liveSearch() const;
    void setLiveSearchPause(int milliseconds) { m_liveTimer.setInterval(milliseconds); }
    // Every box emptied and every radio group back at 不分 (the 清除條件 button, Ctrl+L).
    void clearCriteria();
    // Searches run so far (each statement opened counts once; a stopped one too).
    int searchesStarted() const { return m_searchesStarted; }
    // Searches stopped by a newer one before they finished.
    int searchesStopped() const { return m_searchesStopped; }
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
    void showError(const std::string& message);
    void criteriaChanged();
    // Runs a search now, or, while one is running, stops that one and runs this
    // one after it (only the latest request waits).
    void requestSearch(QObject* sender, bool live);
    void runSearch(QObject* sender, bool live);
    // Called by the engine while a live search runs: answers keys and clicks.
    void keepAnswering();
    void showRowCount(int rows, bool complete);
    void showFallbackNote(const QString& note);
    void setUpKeyboard();

    std::unique_ptr<Ui::TForm5> m_ui;
    db::Query ADOQuery1;    // the result shown by the grid
    db::Query ADOQuery2;    // ICD-9 lookups and the finest-code check
    db::Query ADOQueryTemp; // the ranking probe
    ResultModel* m_model = nullptr;

    struct Request {
        QObject* sender;
        bool live;
    };
    QTimer m_liveTimer;
    QElapsedTimer m_sinceAnswered;
    bool m_searching = false;
    bool m_quiet = false; // the last search was a live one: its errors show no message
    std::optional<Request> m_pending;
    int m_searchesStarted = 0;
    int m_searchesStopped = 0;
};

} // namespace search
