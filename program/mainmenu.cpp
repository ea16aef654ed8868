#include "program/mainmenu.h"

#include <algorithm>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>

#include "app/core/databaseline.h"
#include "app/core/startup.h"
#include "app/widgets/imagebutton.h"
#include "app/widgets/pictures.h"
#include "ui_mainmenu.h"

namespace program {

using namespace app;

QString ApplicationTitle() {
    return QStringLiteral("ICD-10-CM 2023 中醫編碼參考與教學系統");
}

MainMenu::MainMenu(AppContext& context, MenuSetup setup, QWidget* parent)
    : QWidget(parent, FixedWindowFlags()), m_ui(std::make_unique<Ui::MainMenu>()), m_ctx(context),
      m_setup(std::move(setup)) {
    m_ui->setupUi(this);
    setWindowTitle(ApplicationTitle());
    setFixedSize(700, 500);
    CentreOnScreen(this);
    loadPictures();
    m_ui->databaseLine->setFont(PixelFont(QStringLiteral("細明體"), 12, false));
    setUpKeyboard();
    for (int n = 0; n <= static_cast<int>(Picture::Exit); ++n) {
        ImageButton* b = picture(static_cast<Picture>(n));
        connect(b, &ImageButton::pressed, this, &MainMenu::picturePressed);
        connect(b, &ImageButton::released, this, &MainMenu::pictureReleased);
    }
    openDatabase();
}

MainMenu::~MainMenu() {
    // The working windows go first: they hold queries on the connection and may
    // still be shown.
    m_outlineWindow.reset();
    m_treeWindow.reset();
    m_quizWindow.reset();
    m_searchWindow.reset();
}

ImageButton* MainMenu::picture(Picture which) const {
    switch (which) {
    case Picture::Icd10Outline:
        return m_ui->icd10OutlineButton;
    case Picture::Icd10Tree:
        return m_ui->icd10TreeButton;
    case Picture::Quiz:
        return m_ui->quizButton;
    case Picture::Search:
        return m_ui->searchButton;
    case Picture::Icd11Outline:
        return m_ui->icd11OutlineButton;
    case Picture::Icd11Tree:
        return m_ui->icd11TreeButton;
    case Picture::Exit:
        break;
    }
    return m_ui->exitButton;
}

void MainMenu::loadPictures() {
    m_ui->background->setPixmap(
        RenderPicture(QStringLiteral(":/assets/menu/background.svg"), m_ui->background->size()));
    const struct {
        ImageButton* button;
        const char* file;
        const char* tip;
    } pictures[] = {
        {m_ui->icd10OutlineButton, "icd10-outline.svg", "ICD10 章節層次瀏覽"},
        {m_ui->icd10TreeButton, "icd10-tree.svg", "ICD10 樹狀瀏覽"},
        {m_ui->quizButton, "icd10-quiz.svg", "ICD10 評量測驗"},
        {m_ui->searchButton, "icd10-search.svg", "ICD10 編碼查詢"},
        {m_ui->icd11OutlineButton, "icd11-outline.svg", "ICD11 章節層次瀏覽"},
        {m_ui->icd11TreeButton, "icd11-tree.svg", "ICD11 樹狀瀏覽"},
        {m_ui->exitButton, "close.svg", "結束"},
    };
    for (const auto& p : pictures) {
        LoadPicture(p.button, QStringLiteral(":/assets/menu/") + QString::fromUtf8(p.file));
        p.button->setAccessibleName(QString::fromUtf8(p.tip));
    }
}

ImageButton* MainMenu::launchPicture(int n) const {
    return n >= 1 && n <= 6 ? picture(static_cast<Picture>(n - 1)) : nullptr;
}

void MainMenu::setUpKeyboard() {
    for (int n = 1; n <= 6; ++n) {
        ImageButton* b = launchPicture(n);
        // Tab focus only: the mark follows the keyboard, a click leaves it be.
        b->setFocusPolicy(Qt::TabFocus);
        b->setToolTip(QStringLiteral("%1（按 %2）").arg(b->accessibleName()).arg(n));
        if (n > 1) setTabOrder(launchPicture(n - 1), b);
    }
    picture(Picture::Exit)->setToolTip(picture(Picture::Exit)->accessibleName());
    launchPicture(1)->setFocus();
}

void MainMenu::moveFocusMark(int rows, int columns) {
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

void MainMenu::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::NoModifier && key >= Qt::Key_1 && key <= Qt::Key_6) {
        event->accept();
        if (!event->isAutoRepeat()) pictureReleased(launchPicture(key - Qt::Key_0));
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

void MainMenu::openDatabase() {
    m_terminationRequested = !OpenDatabase(m_ctx, m_setup.executablePath);
    // The hint line: which code database is open and how many codes it holds.
    if (!m_terminationRequested)
        m_ui->databaseLine->setText(
            QString::fromStdString(DatabaseLine(m_ctx.connection, db::DetectFileKind(m_ctx.dbPath))));
}

void MainMenu::createWorkingWindows() {
    m_ctx.icd11Mode = false;
    m_outlineWindow = create(m_setup.createOutlineWindow);
    m_treeWindow = create(m_setup.createTreeWindow);
    m_quizWindow = create(m_setup.createQuizWindow);
    m_searchWindow = create(m_setup.createSearchWindow);
}

std::unique_ptr<WorkingWindow> MainMenu::create(const MenuSetup::WindowMaker& make) {
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

void MainMenu::showIfAny(WorkingWindow* w) {
    if (w) w->showWindow();
}

void MainMenu::showActiveWindow() {
    // A window that is being replaced is already out of its slot: nothing to show.
    if (m_ctx.activeWindowNo == OutlineWindowNo) showIfAny(m_outlineWindow.get());
    if (m_ctx.activeWindowNo == TreeWindowNo) showIfAny(m_treeWindow.get());
    if (m_ctx.activeWindowNo == QuizWindowNo) showIfAny(m_quizWindow.get());
    if (m_ctx.activeWindowNo == SearchWindowNo) showIfAny(m_searchWindow.get());
}

void MainMenu::picturePressed(ImageButton*) {
    // The picture itself sinks by two pixels; the menu acts only on release.
}

void MainMenu::relaunch(std::unique_ptr<WorkingWindow>& slot, const MenuSetup::WindowMaker& make,
                        int windowNo, bool icd11) {
    // The old instance is gone without its close handler; the slot is empty
    // while it is being destroyed.
    slot.reset();
    m_ctx.activeWindowNo = windowNo;
    m_ctx.icd11Mode = icd11;
    slot = create(make);
    showIfAny(slot.get());
}

void MainMenu::pictureReleased(ImageButton* sender) {
    if (sender == m_ui->icd10OutlineButton)
        relaunch(m_outlineWindow, m_setup.createOutlineWindow, OutlineWindowNo, false);
    if (sender == m_ui->icd10TreeButton)
        relaunch(m_treeWindow, m_setup.createTreeWindow, TreeWindowNo, false);
    if (sender == m_ui->quizButton) {
        m_ctx.activeWindowNo = QuizWindowNo;
        showIfAny(m_quizWindow.get());
    }
    if (sender == m_ui->searchButton) {
        m_ctx.activeWindowNo = SearchWindowNo;
        showIfAny(m_searchWindow.get());
    }
    if (sender == m_ui->icd11OutlineButton)
        relaunch(m_outlineWindow, m_setup.createOutlineWindow, OutlineWindowNo, true);
    if (sender == m_ui->icd11TreeButton) relaunch(m_treeWindow, m_setup.createTreeWindow, TreeWindowNo, true);
    if (sender == m_ui->exitButton) close();
}

void MainMenu::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) showActiveWindow();
}

void MainMenu::closeEvent(QCloseEvent* event) {
    // The menu is the main window: closing it ends the application, whatever
    // working windows are open.
    event->accept();
    if (m_setup.quit)
        m_setup.quit();
    else
        QCoreApplication::quit();
}

} // namespace program
