// The window that builds the full database, driven from the main menu: each
// NHI file checked as it is picked, a build from the project's NHI-format test
// files that ends with the new database open, and a cancel that leaves the old
// one in use.
#include "program/builddatabasedialog.h"

#include <algorithm>
#include <cstdio>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include "db/connection.h"
#include "db/statement.h"
#include "dbbuild/build.h"
#include "program/mainmenu.h"
#include "testsupport/controls.h"
#include "testsupport/fakes.h"
#include "testsupport/testsupport.h"
#include "text/text.h"

using namespace app;
using program::BuildDatabaseDialog;
using program::MainMenu;
using File = BuildDatabaseDialog::File;
namespace fs = std::filesystem;

namespace {

class BuildWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The per-user folder in the test's own folder: nothing of the user's.
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dir.file("home")));
        testsupport::WriteOfficialTestFiles(dir.path() / "official");
        db::Connection c;
        c.open(dbPath(), true);
        c.exec(testsupport::SchemaSql());
        c.exec(
            "CREATE TABLE BUILDINFO (KEY TEXT, VALUE TEXT); INSERT INTO BUILDINFO VALUES ('source','sample');"
            "INSERT INTO ICD10 (ICD10_NO, ICD10_CNAME) VALUES ('A000', '樣本')");
    }
    void TearDown() override { qunsetenv("XDG_DATA_HOME"); }

    std::string dbPath() const { return dir.file("icd10_2023.mdb"); }

    std::unique_ptr<MainMenu> startMenu() {
        program::MenuSetup s;
        s.executablePath = dir.file("icd10tcm");
        s.officialDataDir = (dir.path() / "official").string();
        s.createSearchWindow = [this](AppContext& c) {
            ++windowsMade;
            return std::make_unique<WorkingWindow>(c, SearchWindowNo);
        };
        s.quit = [] {};
        auto menu = std::make_unique<MainMenu>(ctx, std::move(s));
        menu->createWorkingWindows();
        menu->show();
        return menu;
    }

    // Opens the build window by its keyboard shortcut.
    static BuildDatabaseDialog* openWindow(MainMenu& menu) {
        QTest::keyClick(&menu, Qt::Key_B, Qt::ControlModifier);
        BuildDatabaseDialog* w = menu.buildDialog();
        EXPECT_NE(w, nullptr);
        if (w) {
            EXPECT_TRUE(w->isVisible());
        }
        return w;
    }

    static QString checkText(BuildDatabaseDialog& w, const char* label) {
        return testsupport::Control<QLabel>(&w, label)->text();
    }
    static bool canBuild(BuildDatabaseDialog& w) {
        return testsupport::Control<QPushButton>(&w, "buildButton")->isEnabled();
    }
    std::string cname(const std::string& code) {
        db::Statement s(ctx.connection, "SELECT ICD10_CNAME FROM ICD10 WHERE ICD10_NO = ?1");
        s.bind({code});
        return s.step() ? s.column(0) : "(none)";
    }

    testsupport::TempDir dir;
    testsupport::RecordingMessages messages;
    AppContext ctx{messages, NullDesktop::Instance()};
    int windowsMade = 0;
};

} // namespace

TEST_F(BuildWindowTest, theSampleSaysHowToGetTheFullDatabaseAndTheButtonOpensTheWindow) {
    auto menu = startMenu();
    EXPECT_TRUE(
        menu->databaseLineText().startsWith(QStringLiteral("範例資料庫（非完整版，可按「建立完整資料庫…」")))
        << menu->databaseLineText().toStdString();
    auto* button = testsupport::Control<QPushButton>(menu.get(), "buildDatabaseButton");
    EXPECT_EQ(button->text(), QStringLiteral("建立完整資料庫…"));
    EXPECT_TRUE(button->isVisible());
    BuildDatabaseDialog* w = openWindow(*menu);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("建立完整資料庫"));
    EXPECT_EQ(checkText(*w, "chineseCheck"), QString());
    EXPECT_FALSE(canBuild(*w)) << "the Chinese edition is required";
    EXPECT_TRUE(
        testsupport::Control<QLabel>(w, "targetLabel")->text().contains(QString::fromStdString(dbPath())));
}

TEST_F(BuildWindowTest, eachFileIsCheckedWhenPickedAndAWrongOneIsNamed) {
    BuildDatabaseDialog w(dbPath(), (dir.path() / "official").string());
    const std::string chinese = testsupport::ReadFile(testsupport::BuildTestFile("nhi_icd10cm_2023_zh.csv"));
    const std::string utf8 = chinese.rfind("\xEF\xBB\xBF", 0) == 0 ? chinese.substr(3) : chinese;
    std::string big5;
    ASSERT_TRUE(text::ToCp950(dbbuild::ComposeCompatibilityIdeographs(utf8), big5));
    const std::pair<const char*, std::string> good[] = {
        {"utf8.csv", utf8}, {"bom.csv", "\xEF\xBB\xBF" + utf8}, {"big5.csv", big5}};
    for (const auto& [name, bytes] : good) {
        testsupport::WriteFile(dir.file(name), bytes);
        w.setFile(File::ChineseEdition, QString::fromStdString(dir.file(name)));
        EXPECT_EQ(checkText(w, "chineseCheck"), QStringLiteral("✓ 檔案正確")) << name;
        EXPECT_TRUE(canBuild(w)) << name;
    }

    // {file given as the Chinese edition, how its check begins}
    testsupport::WriteFile(dir.file("empty.csv"), "");
    // A UTF-8 file with Big5 bytes in a later line: a damaged download.
    testsupport::WriteFile(dir.file("damaged.csv"), utf8 + "A01,1,Typhoid,\xB6\xC3,,\r\n");
    const std::size_t damagedLine = std::count(utf8.begin(), utf8.end(), '\n') + 1;
    const std::pair<std::string, std::string> bad[] = {
        {testsupport::BuildTestFile("nhi_icd9cm_2001_to_icd10cm_2023.csv"), "這是健保署"},
        {testsupport::BuildTestFile("order_2023.tsv"), "標題列不對，這不是所需的檔案，應為健保署"},
        {dir.file("empty.csv"), "檔案是空的，應為"},
        {dir.file("missing.csv"), "無法開啟檔案，應為"},
        {dir.file("damaged.csv"), "第 " + std::to_string(damagedLine) + " 行：第 "}};
    for (const auto& [path, says] : bad) {
        w.setFile(File::ChineseEdition, QString::fromStdString(path));
        EXPECT_TRUE(checkText(w, "chineseCheck").startsWith(QString::fromStdString(says)))
            << path << ": " << checkText(w, "chineseCheck").toStdString();
        EXPECT_FALSE(canBuild(w)) << path;
    }

    // An optional map: right, wrong (the Chinese edition given for it), or none.
    w.setFile(File::ChineseEdition, QString::fromStdString(dir.file("utf8.csv")));
    w.setFile(File::Map2014,
              QString::fromStdString(testsupport::BuildTestFile("nhi_icd10cm_2014_to_2023.csv")));
    EXPECT_EQ(checkText(w, "map2014Check"), QStringLiteral("✓ 檔案正確"));
    w.setFile(File::Icd9Map, QString::fromStdString(dir.file("utf8.csv")));
    EXPECT_TRUE(
        checkText(w, "icd9MapCheck")
            .startsWith(QStringLiteral(
                "這是健保署 2023年版 ICD-10-CM/PCS 中文版（資料集 177507），應為健保署 2001年版 ICD-9-CM")))
        << checkText(w, "icd9MapCheck").toStdString();
    EXPECT_FALSE(canBuild(w));
    w.setFile(File::Icd9Map, QString());
    EXPECT_EQ(checkText(w, "icd9MapCheck"), QString());
    EXPECT_TRUE(canBuild(w));
}

TEST_F(BuildWindowTest, aBuildThroughTheWindowOpensTheNewDatabaseAtOnce) {
    auto menu = startMenu();
    EXPECT_EQ(cname("A009"), "(none)");
    BuildDatabaseDialog* w = openWindow(*menu);
    ASSERT_NE(w, nullptr);
    w->setFile(File::ChineseEdition,
               QString::fromStdString(testsupport::BuildTestFile("nhi_icd10cm_2023_zh.csv")));
    w->setFile(File::Icd9Map,
               QString::fromStdString(testsupport::BuildTestFile("nhi_icd9cm_2001_to_icd10cm_2023.csv")));
    const int made = windowsMade;
    QTest::mouseClick(testsupport::Control<QPushButton>(w, "buildButton"), Qt::LeftButton);
    EXPECT_TRUE(w->building());
    EXPECT_EQ(testsupport::Control<QPushButton>(w, "closeButton")->text(), QStringLiteral("取消建置"));
    QTRY_VERIFY_WITH_TIMEOUT(!w->isVisible(), 30000);

    EXPECT_TRUE(messages.shown.empty()) << messages.shown.front();
    EXPECT_EQ(ctx.dbPath, dbPath()) << "the sample's folder can be written: the new database replaces it";
    EXPECT_EQ(cname("A009"), "霍亂，未明示") << "the connection is on the new file";
    const QString line = menu->databaseLineText();
    EXPECT_TRUE(line.startsWith(QStringLiteral("官方檔案建置：ICD-10-CM 2023（2022-10-01），")))
        << line.toStdString();
    EXPECT_TRUE(line.contains(QStringLiteral("ICD-10-CM 代碼 "))) << line.toStdString();
    EXPECT_EQ(windowsMade, made + 1) << "the working windows made again on the new connection";
    EXPECT_FALSE(fs::exists(dbPath() + ".part"));
    // The full database has the same button, to build it again from newer files.
    EXPECT_NE(openWindow(*menu), nullptr);
}

TEST_F(BuildWindowTest, aCancelOrAFailedBuildLeavesTheOldDatabaseInUse) {
    auto menu = startMenu();
    const std::string before = testsupport::ReadFile(dbPath());
    const QString line = menu->databaseLineText();
    const int made = windowsMade;
    auto oldDatabaseInUse = [&] {
        EXPECT_EQ(testsupport::ReadFile(dbPath()), before);
        EXPECT_EQ(ctx.dbPath, dbPath());
        EXPECT_EQ(cname("A000"), "樣本") << "the old connection still reads the old file";
        EXPECT_EQ(menu->databaseLineText(), line);
        EXPECT_EQ(windowsMade, made);
        EXPECT_FALSE(fs::exists(dbPath() + ".part"));
    };
    auto start = [&](BuildDatabaseDialog& w) {
        w.setFile(File::ChineseEdition,
                  QString::fromStdString(testsupport::BuildTestFile("nhi_icd10cm_2023_zh.csv")));
        w.startBuild();
        ASSERT_TRUE(w.building());
    };
    auto step = [&] { return testsupport::Control<QLabel>(menu->buildDialog(), "stepLabel"); };

    // 取消建置 (the close button while building), then Esc, then closing the window.
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        BuildDatabaseDialog* w = openWindow(*menu);
        ASSERT_NE(w, nullptr);
        start(*w);
        if (way == 0) QTest::mouseClick(testsupport::Control<QPushButton>(w, "closeButton"), Qt::LeftButton);
        if (way == 1) QTest::keyClick(w, Qt::Key_Escape);
        if (way == 2) w->close();
        EXPECT_TRUE(w->isVisible()) << "the window waits for the build to stop";
        QTRY_VERIFY_WITH_TIMEOUT(!w->building(), 30000);
        oldDatabaseInUse();
        if (way < 2) {
            EXPECT_TRUE(w->isVisible());
            EXPECT_TRUE(step()->text().startsWith(QStringLiteral("已取消建置，仍使用原來的資料庫")))
                << step()->text().toStdString();
            QTest::keyClick(w, Qt::Key_Escape);
        }
        EXPECT_FALSE(w->isVisible());
    }

    // A build that fails (no official files where they should be) says why.
    fs::remove_all(dir.path() / "official");
    BuildDatabaseDialog* w = openWindow(*menu);
    start(*w);
    QTRY_VERIFY_WITH_TIMEOUT(!w->building(), 30000);
    EXPECT_TRUE(step()->text().startsWith(QStringLiteral("建立代碼資料庫失敗")))
        << step()->text().toStdString();
    EXPECT_TRUE(step()->text().contains(QStringLiteral("找不到程式附帶的美國官方檔案")))
        << step()->text().toStdString();
    EXPECT_TRUE(w->isVisible());
    oldDatabaseInUse();
}

// The build's thread belongs to the window: deleted once the build has ended,
// and, when the window itself is deleted during a build, stopped, waited for
// and deleted with it, the old database left as it was.
TEST_F(BuildWindowTest, theBuildingThreadIsDeletedAfterTheBuildAndWithAWindowDeletedDuringIt) {
    const std::string official = (dir.path() / "official").string();
    const QString chinese = QString::fromStdString(testsupport::BuildTestFile("nhi_icd10cm_2023_zh.csv"));
    auto w = std::make_unique<BuildDatabaseDialog>(dbPath(), official);
    w->setFile(File::ChineseEdition, chinese);
    w->startBuild();
    ASSERT_TRUE(w->building());
    QPointer<QThread> thread = w->findChild<QThread*>();
    ASSERT_FALSE(thread.isNull()) << "the window owns its build's thread";
    QTRY_VERIFY_WITH_TIMEOUT(!w->building(), 30000);
    QTRY_VERIFY(thread.isNull());

    const std::string built = testsupport::ReadFile(dbPath());
    w = std::make_unique<BuildDatabaseDialog>(dbPath(), official);
    w->setFile(File::ChineseEdition, chinese);
    w->startBuild();
    ASSERT_TRUE(w->building());
    thread = w->findChild<QThread*>();
    ASSERT_FALSE(thread.isNull());
    w.reset();
    EXPECT_TRUE(thread.isNull());
    EXPECT_EQ(testsupport::ReadFile(dbPath()), built);
    EXPECT_FALSE(fs::exists(dbPath() + ".part"));
}

namespace {

// A Chinese edition of full size in the NHI format, made from the full-size
// test database (its test glossary names, not official ones) with made-up PCS
// codes, as the NHI file holds both.
void WriteFullSizeChineseEdition(const std::string& path, int pcsCodes) {
    auto field = [](const std::string& s) {
        if (s.find_first_of(",\"") == std::string::npos) return s;
        std::string quoted = "\"";
        for (char c : s)
            quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        return quoted + "\"";
    };
    std::string csv =
        "2023年版ICD-10-CM/PCS,USE,ICD-10-CM/PCS英文名稱,ICD-10-CM/PCS中文名稱,狀態,修訂日期\r\n";
    db::Connection c;
    c.open(testsupport::FullDatabasePath());
    db::Statement s(c, "SELECT ICD10_NO, ICD10_FLAG, ICD10_ENAME, ICD10_CNAME FROM ICD10 WHERE ICD10_NO NOT "
                       "LIKE 'S_%' OR ICD10_NO GLOB 'S[0-9]*' ORDER BY ICD10_NO");
    while (s.step()) {
        const std::string code = s.column(0);
        csv += (code.size() > 3 ? code.substr(0, 3) + "." + code.substr(3) : code) + "," +
               (s.column(1) == "Y" ? "1" : "0") + "," + field(s.column(2)) + "," + field(s.column(3)) +
               ",,\r\n";
    }
    const char digits[] = "0123456789ABCDEFGHJKLMNPQRSTUVWXYZ";
    for (int n = 0; n < pcsCodes; ++n) {
        std::string code = "0";
        for (int v = n, i = 0; i < 6; ++i, v /= 34)
            code += digits[v % 34];
        csv += code + ",1,Made-up procedure " + std::to_string(n) + ",虛構處置,,\r\n";
    }
    testsupport::WriteFile(path, csv);
}

} // namespace

// Run by hand (ICD_SCREENSHOT_DIR set, the full-size data there): a build from
// a full-size Chinese edition with the full official files through the window,
// timed, with a picture of the window during the build.
TEST_F(BuildWindowTest, fullSize_aBuildTimedWithAPictureOfTheWindowDuringIt) {
    const QByteArray shots = qgetenv("ICD_SCREENSHOT_DIR");
    if (shots.isEmpty()) GTEST_SKIP() << "run by hand: set ICD_SCREENSHOT_DIR";
    ICD_REQUIRE_FULL_DB();
    const std::string csv = dir.file("177507.csv");
    WriteFullSizeChineseEdition(csv, 78000);
    BuildDatabaseDialog w(dbPath(), testsupport::SharedDataDir().string());
    bool built = false;
    QObject::connect(&w, &BuildDatabaseDialog::databaseBuilt, [&] { built = true; });
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QElapsedTimer clock;
    clock.start();
    w.setFile(File::ChineseEdition, QString::fromStdString(csv));
    const qint64 checked = clock.restart();
    w.startBuild();
    auto* bar = testsupport::Control<QProgressBar>(&w, "progressBar");
    bool pictured = false;
    while (w.building()) {
        QTest::qWait(20);
        if (!pictured && bar->value() >= 1) {
            QTest::qWait(100);
            pictured =
                w.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/build-window-building.png"));
        }
    }
    const qint64 building = clock.elapsed();
    EXPECT_TRUE(built);
    EXPECT_TRUE(pictured);
    std::printf("full-size Chinese edition (%lld bytes): checked when picked in %.2f s, built in %.2f s\n",
                static_cast<long long>(fs::file_size(csv)), checked / 1000.0, building / 1000.0);
}
