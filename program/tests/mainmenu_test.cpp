#include "program/mainmenu.h"

#include <QApplication>
#include <QLabel>

#include <filesystem>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

#include "app/widgets/imagebutton.h"
#include "db/connection.h"
#include "testsupport/controls.h"
#include "testsupport/testsupport.h"
#include "testsupport/fakes.h"

using namespace app;
using program::ApplicationTitle;
using program::MainMenu;
using program::MenuSetup;
using Picture = program::MainMenu::Picture;
namespace fs = std::filesystem;

namespace {

// A working window that remembers the mode it was created in.
class TestWindow : public WorkingWindow {
public:
    TestWindow(AppContext& ctx, int no, bool icd11 = false) : WorkingWindow(ctx, no), createdInIcd11(icd11) {
        setWindowTitle(QStringLiteral("window %1").arg(no));
        setFixedClientSize(240, 120);
        field = new QLineEdit(this);
    }
    const bool createdInIcd11;
    QLineEdit* field;
};

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        db::Connection c;
        c.open(dir.file("icd10_2023.mdb"), true);
        c.exec("CREATE TABLE ICD10 (ICD10_NO TEXT)");
    }

    MenuSetup setup() {
        MenuSetup s;
        s.executablePath = dir.file("icd10tcm");
        auto maker = [this](int no) {
            return [this, no](AppContext& c) -> std::unique_ptr<WorkingWindow> {
                created.push_back(std::to_string(no));
                return std::make_unique<TestWindow>(c, no);
            };
        };
        auto browserMaker = [this](int no) {
            return [this, no](AppContext& c, bool icd11) -> std::unique_ptr<WorkingWindow> {
                created.push_back(std::to_string(no) + (icd11 ? "/11" : ""));
                return std::make_unique<TestWindow>(c, no, icd11);
            };
        };
        s.createOutlineWindow = browserMaker(2);
        s.createTreeWindow = browserMaker(3);
        s.createQuizWindow = maker(4);
        s.createSearchWindow = maker(5);
        s.createIndexWindow = maker(6);
        s.quit = [this] { ++quits; };
        return s;
    }

    std::unique_ptr<MainMenu> startMenu() {
        auto menu = std::make_unique<MainMenu>(ctx, setup());
        menu->createWorkingWindows();
        menu->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(menu.get()));
        return menu;
    }

    static void release(MainMenu& menu, Picture picture) {
        QTest::mouseClick(menu.picture(picture), Qt::LeftButton);
        QApplication::processEvents();
    }

    static TestWindow* as(WorkingWindow* w) { return static_cast<TestWindow*>(w); }

    testsupport::TempDir dir;
    testsupport::RecordingMessages messages;
    AppContext ctx{messages, NullDesktop::Instance()};
    std::vector<std::string> created;
    int quits = 0;
};

} // namespace

TEST_F(MenuTest, layoutIsTheFixedMenuWithItsEightPictures) {
    auto menu = startMenu();
    EXPECT_EQ(menu->size(), QSize(700, 500));
    EXPECT_EQ(menu->minimumSize(), menu->maximumSize());
    EXPECT_EQ(menu->windowTitle(), ApplicationTitle());
    EXPECT_FALSE(menu->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(menu->windowFlags() & Qt::WindowMaximizeButtonHint);
    const std::map<Picture, QRect> places = {
        {Picture::Icd10Outline, {121, 88, 189, 83}},  {Picture::Icd10Tree, {390, 88, 189, 83}},
        {Picture::Quiz, {121, 176, 189, 83}},         {Picture::Search, {390, 176, 189, 83}},
        {Picture::Icd11Outline, {121, 264, 189, 83}}, {Picture::Icd11Tree, {390, 264, 189, 83}},
        {Picture::Index, {255, 352, 189, 83}},        {Picture::Exit, {630, 430, 60, 60}}};
    for (const auto& [which, rect] : places) {
        const int n = static_cast<int>(which);
        ImageButton* b = menu->picture(which);
        ASSERT_NE(b, nullptr) << n;
        EXPECT_EQ(b->geometry(), rect) << "picture " << n;
        EXPECT_EQ(b->picture().size(), rect.size()) << "picture " << n;
        // Each picture is drawn from its artwork: not blank, not the grey of a missing file.
        QImage img = b->picture().toImage();
        EXPECT_NE(img.pixelColor(rect.width() / 2, rect.height() / 2), QColor(Qt::gray)) << n;
    }
    auto* background = testsupport::Control<QLabel>(menu.get(), "background");
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->geometry(), QRect(0, 0, 700, 500));
    EXPECT_NE(background->pixmap().toImage().pixelColor(350, 30), QColor(Qt::gray));
}

TEST_F(MenuTest, startUpCreatesTheFiveWindowsInOrderHiddenAfterOpeningTheDatabase) {
    auto menu = startMenu();
    EXPECT_FALSE(menu->terminationRequested());
    EXPECT_TRUE(ctx.connection.isOpen());
    EXPECT_EQ(created, (std::vector<std::string>{"2", "3", "4", "5", "6"}));
    for (WorkingWindow* w : {menu->outlineWindow(), menu->treeWindow(), menu->quizWindow(),
                             menu->searchWindow(), menu->indexWindow()}) {
        ASSERT_NE(w, nullptr);
        EXPECT_FALSE(w->isVisible());
    }
    EXPECT_EQ(ctx.activeWindowNo, 0);
    EXPECT_TRUE(messages.shown.empty());
    // The hint line names the database and its number of codes.
    auto* line = menu->findChild<QLabel*>(QStringLiteral("databaseLine"));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(), QStringLiteral("資料庫 icd10_2023.mdb，ICD-10-CM 代碼 0 筆"));
    EXPECT_TRUE(line->isVisible());
}

TEST_F(MenuTest, missingDatabaseRequestsTerminationButStillCreatesTheWindows) {
    std::filesystem::remove(dir.file("icd10_2023.mdb"));
    MainMenu menu(ctx, setup());
    menu.createWorkingWindows();
    EXPECT_TRUE(menu.terminationRequested());
    EXPECT_EQ(messages.shown, std::vector<std::string>{"找不到檔案:" + dir.file("icd10_2023.mdb")});
    EXPECT_EQ(created.size(), 5u);
    EXPECT_FALSE(menu.isVisible());
}

TEST_F(MenuTest, browsersAreReplacedOnEveryLaunchInTheModeOfTheirPicture) {
    auto menu = startMenu();
    for (auto [icd10Picture, icd11Picture, no] : {std::tuple{Picture::Icd10Outline, Picture::Icd11Outline, 2},
                                                  std::tuple{Picture::Icd10Tree, Picture::Icd11Tree, 3}}) {
        auto slot = [&] { return no == 2 ? menu->outlineWindow() : menu->treeWindow(); };
        QPointer<WorkingWindow> startUpInstance = slot();

        release(*menu, icd10Picture);
        QPointer<WorkingWindow> icd10 = slot();
        EXPECT_TRUE(startUpInstance.isNull()) << "the start-up instance is destroyed";
        ASSERT_TRUE(icd10);
        EXPECT_FALSE(as(icd10)->createdInIcd11);
        EXPECT_TRUE(icd10->isVisible());
        EXPECT_EQ(ctx.activeWindowNo, no);

        release(*menu, icd11Picture);
        EXPECT_TRUE(icd10.isNull()) << "the ICD-10 instance is gone";
        WorkingWindow* icd11 = slot();
        ASSERT_NE(icd11, nullptr);
        EXPECT_TRUE(as(icd11)->createdInIcd11);
        EXPECT_TRUE(icd11->isVisible());
        EXPECT_EQ(ctx.activeWindowNo, no);

        // Launching again replaces it once more, even while it is open.
        release(*menu, icd11Picture);
        EXPECT_NE(slot(), nullptr);
        EXPECT_TRUE(as(slot())->createdInIcd11);
    }
    EXPECT_EQ(created,
              (std::vector<std::string>{"2", "3", "4", "5", "6", "2", "2/11", "2/11", "3", "3/11", "3/11"}));
}

TEST_F(MenuTest, quizSearchAndIndexAreShownAgainWithTheirStateAndClosingOnlyHides) {
    auto menu = startMenu();
    auto window = [&](int no) {
        return as(no == 4 ? menu->quizWindow() : no == 5 ? menu->searchWindow() : menu->indexWindow());
    };
    for (auto [picture, no] :
         {std::pair{Picture::Quiz, 4}, std::pair{Picture::Search, 5}, std::pair{Picture::Index, 6}}) {
        auto* w = window(no);
        release(*menu, picture);
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(ctx.activeWindowNo, no);
        w->field->setText(QStringLiteral("S93.4 左"));

        w->close();
        EXPECT_FALSE(w->isVisible());
        EXPECT_EQ(ctx.activeWindowNo, 0);

        // Minimised by the user through the window manager: brought back too.
        w->showMinimized();
        release(*menu, picture);
        EXPECT_FALSE(w->isMinimized());
        w->close();

        release(*menu, picture);
        EXPECT_EQ(window(no), w) << "the same instance";
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(w->field->text(), QStringLiteral("S93.4 左"));
        EXPECT_EQ(ctx.activeWindowNo, no);
        w->close();
    }
    EXPECT_EQ(created.size(), 5u) << "no new quiz, search or index window";
    // The search window's button reaches the index window through the menu.
    menu->showIndexWindow();
    EXPECT_TRUE(menu->indexWindow()->isVisible());
    EXPECT_EQ(ctx.activeWindowNo, 6);
}

TEST_F(MenuTest, activatingTheMenuShowsTheLastWorkingWindowAgainUntilItIsClosed) {
    auto menu = startMenu();
    release(*menu, Picture::Search);
    WorkingWindow* search = menu->searchWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(search));
    EXPECT_EQ(ctx.activeWindowNo, 5);

    // The user clicks the menu: the search window comes back to the front.
    menu->activateWindow();
    QTest::qWait(50);
    EXPECT_TRUE(search->isVisible());
    EXPECT_EQ(QApplication::activeWindow(), search);
    EXPECT_EQ(ctx.activeWindowNo, 5);

    // Two windows open: the one activated last wins.
    release(*menu, Picture::Quiz);
    ASSERT_TRUE(QTest::qWaitForWindowActive(menu->quizWindow()));
    EXPECT_EQ(ctx.activeWindowNo, 4);
    menu->activateWindow();
    QTest::qWait(50);
    EXPECT_EQ(QApplication::activeWindow(), menu->quizWindow());

    // Closing either sets 0; the menu then stays in front.
    search->close();
    EXPECT_EQ(ctx.activeWindowNo, 0);
    menu->quizWindow()->hide();
    menu->activateWindow();
    QTest::qWait(50);
    EXPECT_EQ(QApplication::activeWindow(), menu.get());
    EXPECT_FALSE(menu->quizWindow()->isVisible());
    EXPECT_FALSE(search->isVisible());

    // Directly: every number shows its own window, 0 shows none.
    for (int no : {2, 3, 4, 5}) {
        ctx.activeWindowNo = no;
        menu->showActiveWindow();
        WorkingWindow* w[] = {menu->outlineWindow(), menu->treeWindow(), menu->quizWindow(),
                              menu->searchWindow(), menu->indexWindow()};
        EXPECT_TRUE(w[no - 2]->isVisible()) << no;
        w[no - 2]->hide();
    }
}

TEST_F(MenuTest, closePictureEndsTheApplicationEvenWithWorkingWindowsOpen) {
    auto menu = startMenu();
    release(*menu, Picture::Search);
    release(*menu, Picture::Icd10Outline);
    ASSERT_TRUE(menu->searchWindow()->isVisible());
    EXPECT_EQ(quits, 0);
    // Pressing alone does nothing but sink the picture.
    ImageButton* close = menu->picture(Picture::Exit);
    QTest::mousePress(close, Qt::LeftButton);
    EXPECT_EQ(close->pos(), QPoint(632, 432));
    EXPECT_EQ(quits, 0);
    EXPECT_TRUE(menu->isVisible());
    QTest::mouseRelease(close, Qt::LeftButton, {}, QPoint(300, 300));
    EXPECT_EQ(close->pos(), QPoint(630, 430));
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(menu->isVisible());
}

TEST_F(MenuTest, aWindowWhoseCreationFailsIsReportedAndTheRestGoesOn) {
    MenuSetup s = setup();
    bool fail = true;
    s.createOutlineWindow = [&](AppContext& c, bool) -> std::unique_ptr<WorkingWindow> {
        if (fail) throw std::runtime_error("no such table: ICD10");
        return std::make_unique<TestWindow>(c, 2);
    };
    MainMenu menu(ctx, std::move(s));
    menu.createWorkingWindows();
    EXPECT_EQ(messages.shown, std::vector<std::string>{"no such table: ICD10"});
    EXPECT_EQ(menu.outlineWindow(), nullptr);
    EXPECT_NE(menu.searchWindow(), nullptr);

    menu.show();
    release(menu, Picture::Icd10Outline); // fails again: the message, nothing else
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(menu.outlineWindow(), nullptr);
    fail = false;
    release(menu, Picture::Icd10Outline);
    ASSERT_NE(menu.outlineWindow(), nullptr);
    EXPECT_TRUE(menu.outlineWindow()->isVisible());
}

TEST_F(MenuTest, keyboard_digitsOpenThePicturesInReadingOrderAsTheirTooltipsSay) {
    auto menu = startMenu();
    // {digit, window number, ICD-11 mode}; the keypad's digits work as well.
    const std::tuple<int, int, bool> launches[] = {{1, 2, false}, {2, 3, false}, {3, 4, false}, {4, 5, false},
                                                   {5, 2, true},  {6, 3, true},  {7, 6, false}};
    for (const auto& [digit, no, icd11] : launches) {
        EXPECT_TRUE(menu->launchPicture(digit)->toolTip().contains(QStringLiteral("按 %1").arg(digit)))
            << menu->launchPicture(digit)->toolTip().toStdString();
        ctx.activeWindowNo = 0;
        const Qt::KeyboardModifiers mods = digit % 2 ? Qt::KeypadModifier : Qt::NoModifier;
        QTest::keyClick(menu.get(), static_cast<Qt::Key>(Qt::Key_0 + digit), mods);
        EXPECT_EQ(ctx.activeWindowNo, no) << digit;
        WorkingWindow* w[] = {menu->outlineWindow(), menu->treeWindow(), menu->quizWindow(),
                              menu->searchWindow(), menu->indexWindow()};
        ASSERT_NE(w[no - 2], nullptr);
        EXPECT_TRUE(w[no - 2]->isVisible()) << digit;
        if (no == 2 || no == 3) {
            EXPECT_EQ(as(w[no - 2])->createdInIcd11, icd11) << digit;
        }
        w[no - 2]->close();
    }
    // Other digits and the close picture's place do nothing.
    ctx.activeWindowNo = 0;
    for (Qt::Key key : {Qt::Key_0, Qt::Key_8, Qt::Key_9})
        QTest::keyClick(menu.get(), key);
    EXPECT_EQ(ctx.activeWindowNo, 0);
    EXPECT_EQ(quits, 0);
}

TEST_F(MenuTest, keyboard_tabAndArrowsMoveAVisibleMarkAndEnterOrSpaceOpens) {
    auto menu = startMenu();
    ASSERT_TRUE(QTest::qWaitForWindowActive(menu.get()));
    auto focused = [] { return QApplication::focusWidget(); };
    EXPECT_EQ(focused(), menu->launchPicture(1)) << "the mark starts on the first picture";
    EXPECT_EQ(menu->picture(Picture::Exit)->focusPolicy(), Qt::NoFocus) << "only the seven launch pictures";
    // The mark is drawn over the picture while it has the focus.
    const QImage marked = menu->launchPicture(1)->grab().toImage();
    QTest::keyClick(focused(), Qt::Key_Tab);
    EXPECT_EQ(focused(), menu->launchPicture(2));
    EXPECT_NE(menu->launchPicture(1)->grab().toImage(), marked);
    for (int n = 3; n <= MainMenu::LaunchPictures; ++n) {
        QTest::keyClick(focused(), Qt::Key_Tab);
        EXPECT_EQ(focused(), menu->launchPicture(n));
    }
    QTest::keyClick(focused(), Qt::Key_Tab);
    EXPECT_EQ(focused(), menu->launchPicture(1)) << "Tab goes round";

    // Arrows over the grid of two columns and three rows and the seventh
    // picture under it, stopping at the edges.
    const std::pair<Qt::Key, int> moves[] = {{Qt::Key_Left, 1},  {Qt::Key_Up, 1},   {Qt::Key_Right, 2},
                                             {Qt::Key_Right, 2}, {Qt::Key_Down, 4}, {Qt::Key_Left, 3},
                                             {Qt::Key_Down, 5},  {Qt::Key_Down, 7}, {Qt::Key_Down, 7},
                                             {Qt::Key_Right, 7}, {Qt::Key_Up, 5},   {Qt::Key_Right, 6}};
    for (const auto& [key, expected] : moves) {
        QTest::keyClick(focused(), key);
        EXPECT_EQ(focused(), menu->launchPicture(expected)) << key;
    }
    // Enter opens the picture with the mark (6: the ICD-11 tree), Space too.
    QTest::keyClick(focused(), Qt::Key_Return);
    EXPECT_EQ(ctx.activeWindowNo, 3);
    EXPECT_TRUE(as(menu->treeWindow())->createdInIcd11);
    ASSERT_TRUE(menu->treeWindow()->isVisible());
    menu->treeWindow()->close();
    menu->launchPicture(3)->setFocus();
    QTest::keyClick(menu->launchPicture(3), Qt::Key_Space);
    EXPECT_EQ(ctx.activeWindowNo, 4);
    EXPECT_TRUE(menu->quizWindow()->isVisible());
}

TEST_F(MenuTest, escapeClosesAWorkingWindowAsItsClosePictureDoes) {
    auto menu = startMenu();
    release(*menu, Picture::Search);
    auto* search = as(menu->searchWindow());
    ASSERT_TRUE(search->isVisible());
    search->field->setText(QStringLiteral("S93.4"));
    QTest::keyClick(search->field, Qt::Key_Escape);
    EXPECT_FALSE(search->isVisible());
    EXPECT_EQ(ctx.activeWindowNo, 0);
    EXPECT_EQ(search->field->text(), QStringLiteral("S93.4")) << "hidden, not destroyed";
    // With a modifier it is some other key.
    release(*menu, Picture::Search);
    QTest::keyClick(search->field, Qt::Key_Escape, Qt::ShiftModifier);
    EXPECT_TRUE(search->isVisible());
    // The main menu is no working window: Esc leaves it open.
    QTest::keyClick(menu.get(), Qt::Key_Escape);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(quits, 0);
}

TEST_F(MenuTest, databaseLine_neverCutAtTheWindowsWidth_theTestDataWarningWhole) {
    // The full-size test database's line when it is built, else one as long.
    const std::string full = testsupport::FullDatabasePath();
    if (!full.empty()) {
        fs::remove(dir.file("icd10_2023.mdb"));
        fs::copy_file(full, dir.file("icd10_2023.mdb"));
    } else {
        db::Connection c;
        c.open(dir.file("icd10_2023.mdb"));
        c.exec("CREATE TABLE BUILDINFO (KEY TEXT, VALUE TEXT); INSERT INTO BUILDINFO VALUES "
               "('source','official'),('edition','ICD-10-CM 2023（2022-10-01）'),('built','2026-12-08'),"
               "('chinese_names_test','TEST DATA: names made up')");
        c.exec("INSERT INTO ICD10 WITH RECURSIVE n(v) AS (SELECT 1 UNION ALL SELECT v + 1 FROM n WHERE v < "
               "96996) "
               "SELECT printf('A%05d', v) FROM n");
    }
    auto menu = startMenu();
    auto* label = menu->findChild<QLabel*>(QStringLiteral("databaseLine"));
    ASSERT_NE(label, nullptr);
    const QString whole = label->toolTip();
    EXPECT_TRUE(whole.endsWith(QStringLiteral("（含測試資料，不可用於臨床）"))) << whole.toStdString();
    EXPECT_GT(label->fontMetrics().horizontalAdvance(whole), label->width())
        << "a line longer than the label";
    const QStringList lines = menu->databaseLineText().split(QLatin1Char('\n'));
    EXPECT_LE(lines.size(), 2);
    for (const QString& line : lines)
        EXPECT_LE(label->fontMetrics().horizontalAdvance(line), label->width()) << line.toStdString();
    EXPECT_LE(lines.size() * label->fontMetrics().lineSpacing(), label->height());
    EXPECT_TRUE(lines.last().endsWith(QStringLiteral("（含測試資料，不可用於臨床）")));
    EXPECT_EQ(lines.join(QString()), whole) << "two whole lines, nothing left out";
    // Clear of the pictures above it and of the close picture beside it.
    EXPECT_GE(label->y(), menu->picture(MainMenu::Picture::Icd11Tree)->geometry().bottom());
    EXPECT_LT(label->geometry().right(), menu->picture(MainMenu::Picture::Exit)->x());
    const QByteArray shots = qgetenv("ICD_SCREENSHOT_DIR");
    if (!shots.isEmpty())
        menu->grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/menu-database-line.png"));
}
