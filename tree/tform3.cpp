#include "tree/tform3.h"

#include <limits>
#include <utility>

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

#include "app/core/handoff.h"
#include "app/widgets/billablechooser.h"
#include "app/widgets/codecopy.h"
#include "app/widgets/imagebutton.h"
#include "app/widgets/pictures.h"
#include "text/text.h"
#include "text/words.h"
#include "tree/codetreeview.h"
#include "tree/treebuild.h"
#include "tree/treemodel.h"
#include "ui_tform3.h"

namespace tree {

namespace {

bool g_nodeToggled = false;

const char* const TooShortMessage = "至少要兩碼才可以查詢";

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

bool TForm3::NodeToggled() {
    return g_nodeToggled;
}
void TForm3::SetNodeToggled(bool value) {
    g_nodeToggled = value;
}

TForm3::TForm3(app::AppContext& context, QWidget* parent)
    : app::WorkingWindow(context, app::TreeWindowNo, parent), m_ui(std::make_unique<Ui::TForm3>()),
      m_resultModel(new TreeModel(this)), m_outlineModel(new TreeModel(this)), m_icd11Mode(context.icd11Mode),
      m_ADOQuery1(context.ADOConnection1), m_ADOQuery2(context.ADOConnection1) {
    m_ui->setupUi(this);
    // A normal window that can be resized and maximised, unlike the fixed ones.
    setWindowFlags(Qt::Window);
    setFont(app::PixelFont(QStringLiteral("細明體"), 16));
    resize(704, 501);
    app::CentreOnScreen(this);

    const QFont treeFont = app::PixelFont(QStringLiteral("細明體"), 19);
    m_plusGlyph = app::RenderPicture(QStringLiteral(":/assets/tree/plus.svg"), QSize(GlyphSize, GlyphSize));
    m_minusGlyph = app::RenderPicture(QStringLiteral(":/assets/tree/minus.svg"), QSize(GlyphSize, GlyphSize));
    m_ui->Image1->setPixmap(m_plusGlyph);
    m_ui->Image2->setPixmap(m_minusGlyph);
    for (CodeTreeView* view : {m_ui->TreeView1, m_ui->TreeView2}) {
        view->setFont(treeFont);
        view->setGlyphs(&m_plusGlyph, &m_minusGlyph);
    }
    m_ui->TreeView1->setModel(m_resultModel);
    m_ui->TreeView2->setModel(m_outlineModel);
    // Ctrl+C and the right-click menu copy the selected node's code.
    for (const auto& [shownView, shownModel] :
         {std::pair{m_ui->TreeView1, m_resultModel}, std::pair{m_ui->TreeView2, m_outlineModel}}) {
        CodeTreeView* view = shownView;
        TreeModel* model = shownModel;
        app::InstallCodeCopy(view, [view, model] {
            const Node* node = model->node(view->currentIndex());
            return node ? app::CodeOfText(node->text) : app::CopiedCode{};
        });
    }

    QPalette pink = m_ui->Edit1->palette();
    pink.setColor(QPalette::Base, QColor(255, 192, 192));
    m_ui->Edit1->setPalette(pink);
    m_ui->Edit1->setMaxLength(std::numeric_limits<int>::max()); // no length limit

    const struct {
        app::ImageButton* button;
        const char* picture;
        int tag;
    } pictures[] = {
        {m_ui->Image3, ":/assets/tree/home.svg", 3},    {m_ui->Image4, ":/assets/tree/back.svg", 4},
        {m_ui->Image5, ":/assets/tree/expand.svg", 5},  {m_ui->Image6, ":/assets/tree/collapse.svg", 6},
        {m_ui->Image13, ":/assets/tree/close.svg", 13}, {m_ui->Image18, ":/assets/tree/handoff.svg", 18},
    };
    for (const auto& p : pictures) {
        p.button->setTag(p.tag);
        app::LoadPicture(p.button, QString::fromUtf8(p.picture));
        connect(p.button, &app::ImageButton::pressed, this, &TForm3::Image3MouseDown);
        connect(p.button, &app::ImageButton::released, this, &TForm3::Image3MouseUp);
    }
    m_ui->Image3->setToolTip(QStringLiteral("章節大綱"));
    m_ui->Image4->setToolTip(QStringLiteral("回到大綱"));
    m_ui->Image5->setToolTip(QStringLiteral("全部展開"));
    m_ui->Image6->setToolTip(QStringLiteral("全部收合"));
    m_ui->Image13->setToolTip(QStringLiteral("關閉"));
    m_ui->Image18->setToolTip(QStringLiteral("傳送到醫師問診作業（%1）").arg(app::ChooserKeyHint()));
    m_ui->Edit1->setToolTip(QStringLiteral("輸入代碼、字首或範圍，按 Enter 或「顯示」"));

    connect(m_ui->Button1, &QPushButton::clicked, this, &TForm3::Button1Click);
    // Enter in the code box shows the tree as 顯示 does.
    connect(m_ui->Edit1, &QLineEdit::returnPressed, m_ui->Button1, &QPushButton::click);
    auto* chooserKey = new QShortcut(QKeySequence(app::ChooserKey), this);
    connect(chooserKey, &QShortcut::activated, this, [this] { handOffSelectedCode(true); });
    // The window opens ready for a code to be typed.
    m_ui->Edit1->setFocus();
    connect(m_ui->Button2, &QPushButton::clicked, this, &TForm3::Button2Click);
    connect(m_ui->TreeView2, &CodeTreeView::treeClicked, this, &TForm3::TreeView2Click);
    connect(m_ui->TreeView2, &QTreeView::expanded, this, &TForm3::TreeView2Expanding);
    connect(m_ui->TreeView2, &QTreeView::collapsed, this, &TForm3::TreeView2Collapsing);

    FormCreate();
}

TForm3::~TForm3() = default;

void TForm3::FormCreate() {
    if (m_icd11Mode) {
        setWindowTitle(QStringLiteral("中醫ICD-11樹狀瀏覽"));
        m_ui->Label1->setText(QStringLiteral("ICD11碼"));
    } else {
        setWindowTitle(QStringLiteral("ICD-10樹狀瀏覽"));
        m_ui->Label1->setText(QStringLiteral("ICD10碼"));
    }
    if (!app::ConsultationWindowExists(m_ctx.desktop)) m_ui->Image18->hide();
}

void TForm3::FormActivate() {
    app::WorkingWindow::FormActivate();
    Image3Click();
}

// Activation counts as a new activation when the window comes back from
// another window of this program (the main menu, another working window), not
// when a message box of its own closes or the user returns from another
// program, such as the consultation program after a hand-off: the result tree
// the user was working in stays.
void TForm3::changeEvent(QEvent* event) {
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

void TForm3::showOutlineView() {
    m_ui->Image4->hide();
    m_ui->TreeView1->hide();
    m_ui->TreeView2->show();
}

void TForm3::showResultView() {
    m_ui->TreeView2->hide();
    m_ui->Image4->show();
    m_ui->TreeView1->show();
}

void TForm3::expandMarked(CodeTreeView* view, TreeModel* model) {
    const Node* top = model->tree().top();
    for (int i = 0; i < top->childCount(); ++i)
        if (top->child(i)->expandAfterBuild) view->expand(model->indexOf(top->child(i)));
}

void TForm3::Image3Click() {
    showOutlineView();
    m_outlineModel->fill([this](Tree& t) { BuildOutlineTree(t, m_icd11Mode); });
    expandMarked(m_ui->TreeView2, m_outlineModel);
}

void TForm3::Button1Click() {
    const std::string typed = m_ui->Edit1->text().toStdString();
    const std::string key = DisplayKey(typed);
    if (text::Cp950Length(key) < 2) {
        showMessage(TooShortMessage);
        return;
    }
    showResultView();
    guarded([&] {
        m_resultModel->fill(
            [&](Tree& t) { BuildResultTree(t, key, typed, m_ADOQuery1, TreeOutlineLines()); });
    });
    expandMarked(m_ui->TreeView1, m_resultModel);
}

void TForm3::Button2Click() {
    const std::string typed = m_ui->Edit1->text().toStdString();
    guarded([&] {
        m_resultModel->fill(
            [&](Tree& t) { BuildSimplifiedTree(t, typed, m_ADOQuery1, m_ctx.ADOConnection1); });
    });
}

void TForm3::TreeView2Click() {
    if (!g_nodeToggled) {
        const Node* node = m_outlineModel->node(m_ui->TreeView2->currentIndex());
        if (node && !node->hasChildren()) {
            m_ui->Edit1->setText(Q(OutlineLineRange(node->text)));
            m_ui->Button1->click();
        }
    }
    g_nodeToggled = false;
}

void TForm3::TreeView2Expanding() {
    g_nodeToggled = true;
}

void TForm3::TreeView2Collapsing() {
    g_nodeToggled = true;
}

void TForm3::Image3MouseDown(app::ImageButton*) {
    // The picture sinks by itself; the action waits for the release.
}

void TForm3::Image3MouseUp(app::ImageButton* sender) {
    if (sender == m_ui->Image18) handOffSelectedCode(false);
    if (sender == m_ui->Image3) Image3Click();
    if (sender == m_ui->Image4) showOutlineView();
    if (sender == m_ui->Image5) {
        if (!m_ui->TreeView1->isHidden()) {
            m_ui->TreeView1->expandAll();
        } else if (!m_ui->TreeView2->isHidden()) {
            if (m_outlineModel->hasAnyChildren()) TreeView2Expanding();
            m_ui->TreeView2->expandAll();
        }
    }
    if (sender == m_ui->Image6) {
        if (!m_ui->TreeView1->isHidden()) {
            m_ui->TreeView1->collapseAll();
        } else if (!m_ui->TreeView2->isHidden()) {
            if (m_outlineModel->hasAnyChildren()) TreeView2Collapsing();
            m_ui->TreeView2->collapseAll();
        }
    }
    if (sender == m_ui->Image13) close();
}

void TForm3::handOffSelectedCode(bool chooserKey) {
    if (focusWidget() != m_ui->TreeView1) return;
    // The key only where the hand-off picture is offered.
    if (chooserKey && m_ui->Image18->isHidden()) return;
    const Node* node = m_resultModel->node(m_ui->TreeView1->currentIndex());
    if (!node) return;
    const std::string code = text::FirstWord(node->text);
    if (code.empty()) {
        // Nothing to look up: the node is not a finest code.
        showMessage(app::NotFinestMessage);
        return;
    }
    guarded([&] {
        if (chooserKey)
            app::ChooseOrHandOff(this, m_ctx, m_ADOQuery2, code);
        else
            app::HandOffOrChoose(this, m_ctx, m_ADOQuery2, code);
    });
}

QLineEdit* TForm3::Edit1() const {
    return m_ui->Edit1;
}
QPushButton* TForm3::Button1() const {
    return m_ui->Button1;
}
QPushButton* TForm3::Button2() const {
    return m_ui->Button2;
}
QLabel* TForm3::Label1() const {
    return m_ui->Label1;
}
CodeTreeView* TForm3::TreeView1() const {
    return m_ui->TreeView1;
}
CodeTreeView* TForm3::TreeView2() const {
    return m_ui->TreeView2;
}

app::ImageButton* TForm3::image(int number) const {
    switch (number) {
    case 3:
        return m_ui->Image3;
    case 4:
        return m_ui->Image4;
    case 5:
        return m_ui->Image5;
    case 6:
        return m_ui->Image6;
    case 13:
        return m_ui->Image13;
    case 18:
        return m_ui->Image18;
    default:
        return nullptr;
    }
}

} // namespace tree
