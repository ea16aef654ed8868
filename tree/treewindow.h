#pragma once
// The tree browser window: the codes under a typed prefix or in a typed range,
// or of a block chosen in the chapter outline, shown as an expandable tree.
// Two trees share one place: the outline tree (rebuilt at every activation)
// and the result tree; one is shown at a time. A finest code selected in the
// result tree can be handed to the consultation program.

#include <memory>
#include <string>

#include <QPixmap>

#include "app/widgets/workingwindow.h"
#include "db/query.h"

namespace Ui {
class TreeWindow;
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
class TreeWindow : public app::WorkingWindow {
    Q_OBJECT
public:
    // icd11Mode: the ICD-11 traditional-medicine outline and codes instead of
    // ICD-10-CM's, for the window's whole life.
    TreeWindow(app::AppContext& context, bool icd11Mode, QWidget* parent = nullptr);
    ~TreeWindow() override;

    // Set when a node of the outline tree is about to expand or fold, cleared by
    // the outline tree's click, so that the click that toggled a node opens nothing.
    bool nodeToggled() const { return m_nodeToggled; }
    void setNodeToggled(bool value) { m_nodeToggled = value; }

    // Handlers.
    // Caption and code label of the mode; the hand-off picture hidden without
    // the consultation program.
    void applyMode();
    void onActivated() override;
    void rebuildOutline();
    void showCodes();
    void showSimplified();
    void outlineTreeClicked();
    void outlineTreeExpanding();
    void outlineTreeCollapsing();
    void picturePressed(app::ImageButton* sender);
    void pictureReleased(app::ImageButton* sender);

    // Controls, for tests and screenshots.
    QLineEdit* codeEdit() const;
    QPushButton* showButton() const;
    QPushButton* simplifiedButton() const;
    QLabel* codeLabel() const;
    CodeTreeView* resultTree() const;
    CodeTreeView* outlineTree() const;
    app::ImageButton* outlineButton() const;
    app::ImageButton* backButton() const;
    app::ImageButton* expandAllButton() const;
    app::ImageButton* collapseAllButton() const;
    app::ImageButton* closeButton() const;
    app::ImageButton* handOffButton() const;
    TreeModel* resultModel() const { return m_resultModel; }
    TreeModel* outlineModel() const { return m_outlineModel; }

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setUpTrees();
    void setUpCodeBox();
    void setUpPictures();
    void connectActions();
    void showOutlineView();
    void showResultView();
    void expandMarked(CodeTreeView* view, TreeModel* model);
    // The hand-off picture (false) or the chooser key F2 (true) on the
    // selected node of the focused result tree.
    void handOffSelectedCode(bool chooserKey);
    // The code of the current node of a tree ("" for none or a heading).
    std::string currentCode(CodeTreeView* view) const;

    std::unique_ptr<Ui::TreeWindow> m_ui;
    TreeModel* m_resultModel;
    TreeModel* m_outlineModel;
    const bool m_icd11Mode;
    bool m_nodeToggled = false;
    bool m_returnFromOutside = false; // last deactivation went to a message box or another program
    QPixmap m_plusGlyph;
    QPixmap m_minusGlyph;
    db::Query m_resultQuery; // result tree and simplified display
    db::Query m_lookupQuery; // finest-code check of the hand-off
};

} // namespace tree
