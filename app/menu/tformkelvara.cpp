#include "app/menu/tformkelvara.h"

#include <algorithm>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>

#include "app/core/databaseline.h"
#include "app/core/startup.h"
#include "app/widgets/imagebutton.h"
#include "app/widgets/pictures.h"
#include "ui_tformkelvara.h"

namespace app {

QString ApplicationTitle() {
    return QStringLiteral("ICD-10-CM 2023 中醫編碼參考與教學系統");
}

TFormKelvara::TFormKelvara(AppContext& context, MenuSetup setup, QWidget* parent)
    : QWidget(parent, FixedWindowFlags()), m_ui(std::make_unique<Ui::TFormKelvara>()), m_ctx(context),
      m_setup(std::move(setup)) {
    m_ui->setupUi(this);
    setWindowTitle(ApplicationTitle());
    setFixedSize(700, 500);
    CentreOnScreen(this);
    loadPictures();
    m_ui->DatabaseLine->setFont(PixelFont(QStringLiteral("細明體"), 12, false));
    setUpKeyboard();
    for (int n = 2; n <= 8; ++n) {
        ImageButton* b = picture(n);
        connect(b, &ImageButton::pressed, this, &TFormKelvara::Image2MouseDown);
        connect(b, &ImageButton::released, this, &TFormKelvara::Image2MouseUp);
    }
    FormCreate();
}

TFormKelvara::~TFormKelvara() {
    // The working windows go first: they hold queries on the connection and may
    // still be shown.
    m_form2.reset();
    m_form3.reset();
    m_form4.reset();
    m_form5.reset();
}

ImageButton* TFormKelvara::picture(int number) const {
    switch (number) {
    case 2:
        return m_ui->Image2;
    case 3:
        return m_ui->Image3;
    case 4:
        return m_ui->Image4;
    case 5:
        return m_ui->Image5;
    case 6:
        return m_ui->Image6;
    case 7:
        return m_ui->Image7;
    case 8:
        return m_ui->Image8;
    default:
        return nullptr;
    }
}

void TFormKelvara::loadPictures() {
    m_ui->Image1->setPixmap(
        RenderPicture(QStringLiteral(":/assets/menu/background.svg"), m_ui->Image1->size()));
    const struct {
        ImageButton* button;
        const char* file;
        const char* tip;
    } pictures[] = {
        {m_ui->Image2, "icd10-outline.svg", "ICD10 章節層次瀏覽"},
        {m_ui->Image3, "icd10-tree.svg", "ICD10 樹狀瀏覽"},
        {m_ui->Image4, "icd10-quiz.svg", "ICD10 評量測驗"},
        {m_ui->Image5, "icd10-search.svg", "ICD10 編碼查詢"},
        {m_ui->Image7, "icd11-outline.svg", "ICD11 章節層次瀏覽"},
        {m_ui->Image8, "icd11-tree.svg", "ICD11 樹狀瀏覽"},
        {m_ui->Image6, "close.svg", "結束"},
    };
    for (const auto& p : pictures) {
        LoadPicture(p.button, QStringLiteral(":/assets/menu/") + QString::fromUtf8(p.file));
        p.button->setAccessibleName(QString::fromUtf8(p.tip));
    }
}

ImageButton* TFormKelvara::launchPicture(int n) const {
    static constexpr int order[] = {2, 3, 4, 5, 7, 8};
    return n >= 1 && n <= 6 ? picture(order[n - 1]) : nullptr;
}

void TFormKelvara::setUpKeyboard() {
    for (int n = 1; n <= 6; ++n) {
        ImageButton* b = launchPicture(n);
        // Tab focus only: the mark follows the keyboard, a click leaves it be.
        b->setFocusPolicy(Qt::TabFocus);
        b->setToolTip(QStringLiteral("%1（按 %2）").arg(b->accessibleName()).arg(n));
        if (n > 1) setTabOrder(launchPicture(n - 1), b);
    }
    picture(6)->setToolTip(picture(6)->accessibleName());
    launchPicture(1)->setFocus();
}

void TFormKelvara::moveFocusMark(int rows, int columns) {
    int at = 0;
    for (int n = 1; n <= 6; ++n)
        if (launchPicture(n)->hasFocus()) at = n;
    if (at == 0) {
        launchPicture(1)->setFocus(Qt::OtherFocusReason);
        return;
    }
    const int row = std::clamp((at - 1) / 2 + rows, 0, 2);
    const int column = std::clamp((at - 1) % 2 + columns, 0, 1);
    launchPicture(row * 2 + column + 1)->setFocus(Qt::OtherFocusReason);
}

void TFormKelvara::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::NoModifier && key >= Qt::Key_1 && key <= Qt::Key_6) {
        event->accept();
        if (!event->isAutoRepeat()) Image2MouseUp(launchPicture(key - Qt::Key_0));
        return;
    }
    if (mods == Qt::NoModifier) {
        switch (key) {
        case Qt::Key_Left:
            moveFocusMark(0, -1);
            return;
        case Qt::Key_Right:
            moveFocusMark(0, 1);
            return;
        case Qt::Key_Up:
            moveFocusMark(-1, 0);
            return;
        case Qt::Key_Down:
            moveFocusMark(1, 0);
            return;
        default:
            break;
        }
    }
    QWidget::keyPressEvent(event);
}

void TFormKelvara::FormCreate() {
    m_terminationRequested = !OpenDatabase(m_ctx, m_setup.executablePath);
    // The hint line: which code database is open and how many codes it holds.
    if (!m_terminationRequested)
        m_ui->DatabaseLine->setText(
            QString::fromStdString(DatabaseLine(m_ctx.ADOConnection1, db::DetectFileKind(m_ctx.dbPath))));
}

void TFormKelvara::CreateWorkingWindows() {
    m_ctx.icd11Mode = false;
    m_form2 = create(m_setup.createForm2);
    m_form3 = create(m_setup.createForm3);
    m_form4 = create(m_setup.createForm4);
    m_form5 = create(m_setup.createForm5);
}

std::unique_ptr<WorkingWindow> TFormKelvara::create(const MenuSetup::WindowMaker& make) {
    if (!make) return nullptr;
    // An error that a window's creation handler lets through is shown, as for
    // any handler; that window is then missing and its picture does nothing,
    // but the program goes on.
    try {
        return make(m_ctx);
    } catch (const std::exception& e) {
        m_ctx.messages.show(e.what());
        return nullptr;
    }
}

void TFormKelvara::showIfAny(WorkingWindow* w) {
    if (w) w->showWindow();
}

void TFormKelvara::FormActivate() {
    // A window that is being replaced is already out of its slot: nothing to show.
    if (m_ctx.activeWindowNo == OutlineWindowNo) showIfAny(m_form2.get());
    if (m_ctx.activeWindowNo == TreeWindowNo) showIfAny(m_form3.get());
    if (m_ctx.activeWindowNo == QuizWindowNo) showIfAny(m_form4.get());
    if (m_ctx.activeWindowNo == SearchWindowNo) showIfAny(m_form5.get());
}

void TFormKelvara::Image2MouseDown(ImageButton*) {
    // The picture itself sinks by two pixels; the menu acts only on release.
}

void TFormKelvara::relaunch(std::unique_ptr<WorkingWindow>& slot, const MenuSetup::WindowMaker& make,
                            int windowNo, bool icd11) {
    // The old instance is gone without its close handler; the slot is empty
    // while it is being destroyed.
    slot.reset();
    m_ctx.activeWindowNo = windowNo;
    m_ctx.icd11Mode = icd11;
    slot = create(make);
    showIfAny(slot.get());
}

void TFormKelvara::Image2MouseUp(ImageButton* sender) {
    if (sender == m_ui->Image2) relaunch(m_form2, m_setup.createForm2, OutlineWindowNo, false);
    if (sender == m_ui->Image3) relaunch(m_form3, m_setup.createForm3, TreeWindowNo, false);
    if (sender == m_ui->Image4) {
        m_ctx.activeWindowNo = QuizWindowNo;
        showIfAny(m_form4.get());
    }
    if (sender == m_ui->Image5) {
        m_ctx.activeWindowNo = SearchWindowNo;
        showIfAny(m_form5.get());
    }
    if (sender == m_ui->Image7) relaunch(m_form2, m_setup.createForm2, OutlineWindowNo, true);
    if (sender == m_ui->Image8) relaunch(m_form3, m_setup.createForm3, TreeWindowNo, true);
    if (sender == m_ui->Image6) close();
}

void TFormKelvara::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TFormKelvara::closeEvent(QCloseEvent* event) {
    // The menu is the main window: closing it ends the application, whatever
    // working windows are open.
    event->accept();
    if (m_setup.quit)
        m_setup.quit();
    else
        QCoreApplication::quit();
}

} // namespace app
