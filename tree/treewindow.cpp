#include "tree/treewindow.h"

#include <algorithm>
#include <limits>
#include <utility>

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QShortcut>

#include "app/core/guidehooks.h"
#include "app/core/handoff.h"
#include "app/widgets/billablechooser.h"
#include "app/widgets/codecopy.h"
#include "app/widgets/imagebutton.h"
#include "app/widgets/look.h"
#include "app/widgets/noteskey.h"
#include "app/widgets/pictures.h"
#include "codes/outlinetexts.h"
#include "text/text.h"
#include "text/words.h"
#include "tree/codetreeview.h"
#include "tree/treebuild.h"
#include "tree/treemodel.h"
#include "ui_treewindow.h"

namespace tree {

namespace {

const char* const TooShortMessage = "至少要兩碼才可以查詢";

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

TreeWindow::TreeWindow(app::AppContext& context, bool icd11Mode, QWidget* parent)
    : app::WorkingWindow(context, app::TreeWindowNo, parent), m_ui(std::make_unique<Ui::TreeWindow>()),
      m_resultModel(new TreeModel(this)), m_outlineModel(new TreeModel(this)), m_icd11Mode(icd11Mode),
      m_resultQuery(context.connection), m_lookupQuery(context.connection) {
    m_ui->setupUi(this);
    // A normal window that can be enlarged and maximised, unlike the fixed
    // ones: the trees take the room.
    setFont(app::PixelFont(app::look::kMingFace, 16));
    setEnlargeableClientSize(704, 501);

    setUpTrees();
    setUpCodeBox();
    setUpPictures();
    connectActions();
    // The window opens ready for a code to be typed.
    m_ui->codeEdit->setFocus();
    applyMode();
}

TreeWindow::~TreeWindow() = default;

// Both trees: their font, the fold glyphs, their models, copying a node's code
// and the notes panel following the current node.
void TreeWindow::setUpTrees() {
    const QFont treeFont = app::PixelFont(app::look::kMingFace, 19);
    m_plusGlyph = app::RenderPicture(QStringLiteral(":/assets/tree/plus.svg"), QSize(GlyphSize, GlyphSize));
    m_minusGlyph = app::RenderPicture(QStringLiteral(":/assets/tree/minus.svg"), QSize(GlyphSize, GlyphSize));
    m_ui->plusGlyphLabel->setPixmap(m_plusGlyph);
    m_ui->minusGlyphLabel->setPixmap(m_minusGlyph);
    for (CodeTreeView* view : {m_ui->resultTree, m_ui->outlineTree}) {
        view->setFont(treeFont);
        view->setGlyphs(&m_plusGlyph, &m_minusGlyph);
    }
    m_ui->resultTree->setModel(m_resultModel);
    m_ui->outlineTree->setModel(m_outlineModel);
    // Ctrl+C and the right-click menu copy the selected node's code.
    for (const auto& [shownView, shownModel] :
         {std::pair{m_ui->resultTree, m_resultModel}, std::pair{m_ui->outlineTree, m_outlineModel}}) {
        CodeTreeView* view = shownView;
        TreeModel* model = shownModel;
        app::InstallCodeCopy(view, [view, model] {
            const Node* node = model->node(view->currentIndex());
            return node ? app::CodeOfText(node->text) : app::CopiedCode{};
        });
        // The notes panel follows the current node of either tree.
        connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
                [this, view] { app::FollowCode(m_ctx, currentCode(view)); });
    }
    // F1: the notes panel of the current node of the tree shown.
    app::InstallNotesKey(this, m_ctx, [this] {
        return currentCode(m_ui->resultTree->isHidden() ? m_ui->outlineTree : m_ui->resultTree);
    });
}

// The code box: pink, no length limit, and a tooltip saying what it takes.
void TreeWindow::setUpCodeBox() {
    app::look::PaintFilterBox(m_ui->codeEdit);
    m_ui->codeEdit->setMaxLength(std::numeric_limits<int>::max()); // no length limit
    m_ui->codeEdit->setToolTip(QStringLiteral("輸入代碼、字首或範圍，按 Enter 或「顯示」"));
}

// The pictures, their presses and releases, and their tooltips.
void TreeWindow::setUpPictures() {
    const struct {
        app::ImageButton* button;
        const char* picture;
    } pictures[] = {
        {m_ui->outlineButton, ":/assets/tree/home.svg"},
        {m_ui->backButton, ":/assets/tree/back.svg"},
        {m_ui->expandAllButton, ":/assets/tree/expand.svg"},
        {m_ui->collapseAllButton, ":/assets/tree/collapse.svg"},
        {m_ui->closeButton, ":/assets/tree/close.svg"},
        {m_ui->handOffButton, ":/assets/tree/handoff.svg"},
    };
    for (const auto& p : pictures) {
        app::LoadPicture(p.button, QString::fromUtf8(p.picture));
        connect(p.button, &app::ImageButton::pressed, this, &TreeWindow::picturePressed);
        connect(p.button, &app::ImageButton::released, this, &TreeWindow::pictureReleased);
    }
    m_ui->outlineButton->setToolTip(QStringLiteral("章節大綱"));
    m_ui->backButton->setToolTip(QStringLiteral("回到大綱"));
    m_ui->expandAllButton->setToolTip(QStringLiteral("全部展開"));
    m_ui->collapseAllButton->setToolTip(QStringLiteral("全部收合"));
    m_ui->closeButton->setToolTip(QStringLiteral("關閉"));
    m_ui->handOffButton->setToolTip(QStringLiteral("傳送到醫師問診作業（%1）").arg(app::ChooserKeyHint()));
}

// The show button and Enter, the chooser key, double-clicks, the simplified
// view and the outline tree's clicks and folds.
void TreeWindow::connectActions() {
    connect(m_ui->showButton, &QPushButton::clicked, this, &TreeWindow::showCodes);
    // Enter in the code box shows the tree as 顯示 does.
    connect(m_ui->codeEdit, &QLineEdit::returnPressed, m_ui->showButton, &QPushButton::click);
    auto* chooserKey = new QShortcut(QKeySequence(app::ChooserKey), this);
    connect(chooserKey, &QShortcut::activated, this, [this] { handOffSelectedCode(true); });
    // A double-click on a code in the result tree does what the hand-off
    // picture does (the chooser for a header); elsewhere it folds and unfolds.
    m_ui->resultTree->setDoubleClickAction([this](const QModelIndex& index) {
        const Node* node = m_resultModel->node(index);
        if (!node || node->code.empty()) return false;
        handOffSelectedCode(false);
        return true;
    });
    connect(m_ui->simplifiedButton, &QPushButton::clicked, this, &TreeWindow::showSimplified);
    connect(m_ui->outlineTree, &CodeTreeView::treeClicked, this, &TreeWindow::outlineTreeClicked);
    connect(m_ui->outlineTree, &QTreeView::expanded, this, &TreeWindow::outlineTreeExpanding);
    connect(m_ui->outlineTree, &QTreeView::collapsed, this, &TreeWindow::outlineTreeCollapsing);
}

void TreeWindow::applyMode() {
    if (m_icd11Mode) {
        setWindowTitle(QStringLiteral("中醫ICD-11樹狀瀏覽"));
        m_ui->codeLabel->setText(QStringLiteral("ICD11碼"));
    } else {
        setWindowTitle(QStringLiteral("ICD-10樹狀瀏覽"));
        m_ui->codeLabel->setText(QStringLiteral("ICD10碼"));
    }
    // Shown while the consultation program's window is there, looked for at
    // every showing and activation.
    setHandOffWidgets({m_ui->handOffButton});
}

void TreeWindow::onActivated() {
    app::WorkingWindow::onActivated();
    rebuildOutline();
}

// Activation counts as a new activation when the window comes back from
// another window of this program (the main menu, another working window), not
// when a message box of its own closes or the user returns from another
// program, such as the consultation program after a hand-off: the result tree
// the user was working in stays.
void TreeWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange) {
        if (!isActiveWindow()) {
            const QWidget* now = QApplication::activeWindow();
            m_returnFromOutside = !now || now->isModal() || now->inherits("QDialog");
        } else if (m_returnFromOutside) {
            m_returnFromOutside = false;
            m_ctx.activeWindowNo = windowNo();
            // Past the base on purpose: its activation step would refill the window.
            QWidget::changeEvent(event); // NOLINT(bugprone-parent-virtual-call)
            return;
        }
    }
    app::WorkingWindow::changeEvent(event);
}

void TreeWindow::showOutlineView() {
    m_ui->backButton->hide();
    m_ui->resultTree->hide();
    m_ui->outlineTree->show();
}

void TreeWindow::showResultView() {
    m_ui->outlineTree->hide();
    m_ui->backButton->show();
    m_ui->resultTree->show();
}

void TreeWindow::expandMarked(CodeTreeView* view, TreeModel* model) {
    const Node* top = model->tree().top();
    for (int i = 0; i < top->childCount(); ++i)
        if (top->child(i)->expandAfterBuild) view->expand(model->indexOf(top->child(i)));
}

void TreeWindow::rebuildOutline() {
    showOutlineView();
    m_outlineModel->fill([this](Tree& t) { BuildOutlineTree(t, m_icd11Mode); });
    expandMarked(m_ui->outlineTree, m_outlineModel);
}

void TreeWindow::showCodes() {
    const std::string typed = m_ui->codeEdit->text().toStdString();
    const std::string key = DisplayKey(typed);
    if (text::Cp950Length(key) < 2) {
        showMessage(TooShortMessage);
        return;
    }
    showResultView();
    guarded([&] {
        m_resultModel->fill(
            [&](Tree& t) { BuildResultTree(t, key, typed, m_resultQuery, TreeOutlineLines()); });
    });
    expandMarked(m_ui->resultTree, m_resultModel);
}

void TreeWindow::showSimplified() {
    const std::string typed = m_ui->codeEdit->text().toStdString();
    guarded([&] {
        m_resultModel->fill([&](Tree& t) { BuildSimplifiedTree(t, typed, m_resultQuery, m_ctx.connection); });
    });
}

void TreeWindow::outlineTreeClicked() {
    if (!m_nodeToggled) {
        const Node* node = m_outlineModel->node(m_ui->outlineTree->currentIndex());
        if (node && !node->hasChildren()) {
            m_ui->codeEdit->setText(Q(codes::ParseOutlineLine(node->text).range));
            m_ui->showButton->click();
        }
    }
    m_nodeToggled = false;
}

void TreeWindow::outlineTreeExpanding() {
    m_nodeToggled = true;
}

void TreeWindow::outlineTreeCollapsing() {
    m_nodeToggled = true;
}

void TreeWindow::picturePressed(app::ImageButton*) {
    // The picture sinks by itself; the action waits for the release.
}

void TreeWindow::pictureReleased(app::ImageButton* sender) {
    if (sender == m_ui->handOffButton) handOffSelectedCode(false);
    if (sender == m_ui->outlineButton) rebuildOutline();
    if (sender == m_ui->backButton) showOutlineView();
    if (sender == m_ui->expandAllButton) {
        if (!m_ui->resultTree->isHidden()) {
            m_ui->resultTree->expandAll();
        } else if (!m_ui->outlineTree->isHidden()) {
            if (m_outlineModel->hasAnyChildren()) outlineTreeExpanding();
            m_ui->outlineTree->expandAll();
        }
    }
    if (sender == m_ui->collapseAllButton) {
        if (!m_ui->resultTree->isHidden()) {
            m_ui->resultTree->collapseAll();
        } else if (!m_ui->outlineTree->isHidden()) {
            if (m_outlineModel->hasAnyChildren()) outlineTreeCollapsing();
            m_ui->outlineTree->collapseAll();
        }
    }
    if (sender == m_ui->closeButton) close();
}

void TreeWindow::resizeEvent(QResizeEvent* event) {
    app::WorkingWindow::resizeEvent(event);
    // The close picture stays at the bottom of the picture column.
    app::ImageButton* close = m_ui->closeButton;
    close->move(close->x(), std::max(m_ui->buttonColumn->height() - close->height(), 0));
}

void TreeWindow::handOffSelectedCode(bool chooserKey) {
    if (focusWidget() != m_ui->resultTree) return;
    // Also while the hand-off picture is hidden: without the consultation
    // program the hand-off says so rather than doing nothing.
    const Node* node = m_resultModel->node(m_ui->resultTree->currentIndex());
    if (!node) return;
    const std::string code = text::FirstWord(node->text);
    if (code.empty()) {
        // Nothing to look up: the node is not a finest code.
        showMessage(app::NotFinestMessage);
        return;
    }
    guarded([&] {
        if (chooserKey)
            app::ChooseOrHandOff(this, m_ctx, m_lookupQuery, code);
        else
            app::HandOffOrChoose(this, m_ctx, m_lookupQuery, code);
    });
}

std::string TreeWindow::currentCode(CodeTreeView* view) const {
    // An outline line is a range before its name ("A00-A09:腸道傳染病"); a
    // result node starts with its code ("A000 霍亂弧菌霍亂").
    if (view == m_ui->outlineTree) {
        const Node* node = m_outlineModel->node(view->currentIndex());
        return node ? codes::ParseOutlineLine(node->text).range : std::string();
    }
    const Node* node = m_resultModel->node(view->currentIndex());
    return node ? app::CodeOfText(node->text).code : std::string();
}

QLineEdit* TreeWindow::codeEdit() const {
    return m_ui->codeEdit;
}
QPushButton* TreeWindow::showButton() const {
    return m_ui->showButton;
}
QPushButton* TreeWindow::simplifiedButton() const {
    return m_ui->simplifiedButton;
}
QLabel* TreeWindow::codeLabel() const {
    return m_ui->codeLabel;
}
CodeTreeView* TreeWindow::resultTree() const {
    return m_ui->resultTree;
}
CodeTreeView* TreeWindow::outlineTree() const {
    return m_ui->outlineTree;
}

app::ImageButton* TreeWindow::outlineButton() const {
    return m_ui->outlineButton;
}
app::ImageButton* TreeWindow::backButton() const {
    return m_ui->backButton;
}
app::ImageButton* TreeWindow::expandAllButton() const {
    return m_ui->expandAllButton;
}
app::ImageButton* TreeWindow::collapseAllButton() const {
    return m_ui->collapseAllButton;
}
app::ImageButton* TreeWindow::closeButton() const {
    return m_ui->closeButton;
}
app::ImageButton* TreeWindow::handOffButton() const {
    return m_ui->handOffButton;
}

} // namespace tree
