#include "program/mainmenu.h"

#include <algorithm>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QKeyEvent>

#include "app/core/databaseline.h"
#include "app/core/indexednames.h"
#include "app/core/startup.h"
#include "app/widgets/imagebutton.h"
#include "app/widgets/look.h"
#include "app/widgets/pictures.h"
#include "db/databasefile.h"
#include "dbbuild/clinicbuild.h"
#include "program/builddatabasedialog.h"
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
    m_ui->databaseLine->setFont(PixelFont(look::kMingFace, 12, false));
    setUpKeyboard();
    for (int n = 0; n <= static_cast<int>(Picture::Exit); ++n) {
        ImageButton* b = picture(static_cast<Picture>(n));
        connect(b, &ImageButton::pressed, this, &MainMenu::picturePressed);
        connect(b, &ImageButton::released, this, &MainMenu::pictureReleased);
    }
    m_ui->buildDatabaseButton->setToolTip(
        QStringLiteral("以健保署的 ICD-10-CM 2023 中文版建立完整資料庫（按 Ctrl+B）"));
    connect(m_ui->buildDatabaseButton, &QPushButton::clicked, this, &MainMenu::openBuildDialog);
    openDatabase();
}

MainMenu::~MainMenu() {
    // A build still running is cancelled and waited for.
    m_buildDialog.reset();
    destroyWorkingWindows();
}

void MainMenu::destroyWorkingWindows() {
    // The working windows go before the connection: they hold queries on it and
    // may still be shown.
    m_outlineWindow.reset();
    m_treeWindow.reset();
    m_quizWindow.reset();
    m_searchWindow.reset();
    m_indexWindow.reset();
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
    case Picture::Index:
        return m_ui->indexButton;
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
        {m_ui->indexButton, "icd10-index.svg", "ICD10 索引查詢"},
        {m_ui->exitButton, "close.svg", "結束"},
    };
    for (const auto& p : pictures) {
        LoadPicture(p.button, QStringLiteral(":/assets/menu/") + QString::fromUtf8(p.file));
        p.button->setAccessibleName(QString::fromUtf8(p.tip));
    }
}

ImageButton* MainMenu::launchPicture(int n) const {
    return n >= 1 && n <= LaunchPictures ? picture(static_cast<Picture>(n - 1)) : nullptr;
}

void MainMenu::setUpKeyboard() {
    for (int n = 1; n <= LaunchPictures; ++n) {
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
    for (int n = 1; n <= LaunchPictures; ++n)
        if (launchPicture(n)->hasFocus()) at = n;
    if (at == 0) {
        launchPicture(1)->setFocus(Qt::OtherFocusReason);
        return;
    }
    // Two columns of three rows; the seventh alone in a fourth row, under both.
    const bool last = at == LaunchPictures;
    const int row = std::clamp((last ? 3 : (at - 1) / 2) + rows, 0, 3);
    const int column = std::clamp((last ? 0 : (at - 1) % 2) + columns, 0, 1);
    launchPicture(row == 3 ? LaunchPictures : row * 2 + column + 1)->setFocus(Qt::OtherFocusReason);
}

void MainMenu::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::ControlModifier && key == Qt::Key_B) {
        event->accept();
        if (!event->isAutoRepeat()) openBuildDialog();
        return;
    }
    if (mods == Qt::NoModifier && key >= Qt::Key_1 && key < Qt::Key_1 + LaunchPictures) {
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
        showDatabaseLine(DatabaseLine(m_ctx.connection, db::DetectFileKind(m_ctx.dbPath)));
}

void MainMenu::openBuildDialog() {
    // A new window each time: the files are checked afresh and the target
    // follows the database now in use. (While the window is open the menu
    // takes no input.)
    m_buildDialog.reset();
    const std::string target = NewDatabasePath(m_ctx.dbPath, m_ctx.userDataDir);
    if (target.empty()) {
        m_ctx.messages.show("無法建立完整資料庫：程式所在的資料夾與個人資料夾" +
                            (m_ctx.userDataDir.empty() ? std::string() : "（" + m_ctx.userDataDir + "）") +
                            "都無法寫入。請取得寫入權限後再試一次。");
        return;
    }
    const std::string official =
        m_setup.officialDataDir.empty() ? dbbuild::OfficialDataDir(m_ctx.exeDir) : m_setup.officialDataDir;
    m_buildDialog = std::make_unique<BuildDatabaseDialog>(target, official, this);
    m_buildDialog->setWindowModality(Qt::ApplicationModal);
    connect(m_buildDialog.get(), &BuildDatabaseDialog::databaseBuilt, this,
            [this](const QString& path) { useDatabase(path.toStdString()); });
    m_buildDialog->show();
}

void MainMenu::useDatabase(const std::string& path) {
    destroyWorkingWindows();
    m_ctx.activeWindowNo = NoWindow;
    m_ctx.connection.close();
    m_ctx.dbPath = path;
    try {
        m_ctx.connection.open(db::PrepareDatabaseFile(path));
    } catch (const std::exception& e) {
        m_ctx.messages.show(CannotOpenDatabaseText(path, e.what()));
        showDatabaseLine(std::string(CannotOpenDatabaseMessage) + path);
        return;
    }
    // The new database's names, read in the background as at start-up.
    app::StartNamesIndex(m_ctx.connection);
    showDatabaseLine(DatabaseLine(m_ctx.connection, db::DetectFileKind(path)));
    createWorkingWindows();
}

void MainMenu::showDatabaseLine(const std::string& line) {
    // Never cut at the label's edge: broken after a comma into two lines, or
    // shortened in the middle with the whole line as the tooltip; the
    // test-data warning is always whole.
    QLabel* label = m_ui->databaseLine;
    const QFontMetrics metrics(label->font());
    const FittedLine fitted = FitDatabaseLine(
        line, [&](const std::string& s) { return metrics.horizontalAdvance(QString::fromStdString(s)); },
        label->width());
    QStringList lines;
    for (const std::string& l : fitted.lines)
        lines << QString::fromStdString(l);
    label->setText(lines.join(QLatin1Char('\n')));
    label->setToolTip(QString::fromStdString(line));
}

QString MainMenu::databaseLineText() const {
    return m_ui->databaseLine->text();
}

void MainMenu::createWorkingWindows() {
    m_outlineWindow = create(m_setup.createOutlineWindow, false);
    m_treeWindow = create(m_setup.createTreeWindow, false);
    m_quizWindow = create(m_setup.createQuizWindow);
    m_searchWindow = create(m_setup.createSearchWindow);
    m_indexWindow = create(m_setup.createIndexWindow);
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

std::unique_ptr<WorkingWindow> MainMenu::create(const MenuSetup::BrowserMaker& make, bool icd11) {
    if (!make) return nullptr;
    return create([&make, icd11](AppContext& context) { return make(context, icd11); });
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
    if (m_ctx.activeWindowNo == IndexWindowNo) showIfAny(m_indexWindow.get());
}

void MainMenu::showIndexWindow() {
    m_ctx.activeWindowNo = IndexWindowNo;
    showIfAny(m_indexWindow.get());
}

void MainMenu::picturePressed(ImageButton*) {
    // The picture itself sinks by two pixels; the menu acts only on release.
}

void MainMenu::relaunch(std::unique_ptr<WorkingWindow>& slot, const MenuSetup::BrowserMaker& make,
                        int windowNo, bool icd11) {
    // The old instance is gone without its close handler; the slot is empty
    // while it is being destroyed.
    slot.reset();
    m_ctx.activeWindowNo = windowNo;
    slot = create(make, icd11);
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
    if (sender == m_ui->indexButton) showIndexWindow();
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
