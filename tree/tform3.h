#pragma once
// The tree browser window: the codes under a typed prefix or in a typed range,
// or of a block chosen in the chapter outline, shown as an expandable tree.
// Two trees share one place: the outline tree (rebuilt at every activation)
// and the result tree; one is shown at a time. A finest code selected in the
// result tree can be handed to the consultation program.

#include <memory>

#include <QPixmap>

#include "app/widgets/workingwindow.h"
#include "db/query.h"

namespace Ui {
class TForm3;
}

namespace app {
class ImageButton;
}

class QLineEdit;
class QPushButton;
class QLabel;

namespace tree {

class CodeTreeView;
class TreeModel;

// Working window number 3.
class TForm3 : public app::WorkingWindow {
    Q_OBJECT
public:
    explicit TForm3(app::AppContext& context, QWidget* parent = nullptr);
    ~TForm3() override;

    // Set when a node of the outline tree is about to expand or fold, cleared by
    // the outline tree's click; one value for every tree window of the run.
    static bool NodeToggled();
    static void SetNodeToggled(bool value);

    // Handlers.
    void FormCreate();
    void FormActivate() override;
    void Image3Click();
    void Button1Click();
    void Button2Click();
    void TreeView2Click();
    void TreeView2Expanding();
    void TreeView2Collapsing();
    void Image3MouseDown(app::ImageButton* sender);
    void Image3MouseUp(app::ImageButton* sender);

    // Controls, for tests and screenshots.
    QLineEdit* Edit1() const;
    QPushButton* Button1() const;
    QPushButton* Button2() const;
    QLabel* Label1() const;
    CodeTreeView* TreeView1() const;
    CodeTreeView* TreeView2() const;
    app::ImageButton* image(int number) const; // 3, 4, 5, 6, 13 or 18
    TreeModel* resultModel() const { return m_resultModel; }
    TreeModel* outlineModel() const { return m_outlineModel; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void showOutlineView();
    void showResultView();
    void expandMarked(CodeTreeView* view, TreeModel* model);
    // The hand-off picture (false) or the chooser key F2 (true) on the
    // selected node of the focused result tree.
    void handOffSelectedCode(bool chooserKey);

    std::unique_ptr<Ui::TForm3> m_ui;
    TreeModel* m_resultModel;
    TreeModel* m_outlineModel;
    bool m_icd11Mode;
    bool m_returnFromOutside = false; // last deactivation went to a message box or another program
    QPixmap m_plusGlyph;
    QPixmap m_minusGlyph;
    db::Query m_ADOQuery1; // result tree and simplified display
    db::Query m_ADOQuery2; // finest-code check of the hand-off
};

} // namespace tree
