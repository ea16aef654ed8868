// The real windows on the offscreen platform, driven through their controls:
// hostile and very long text in every edit box, a database lacking a table or a
// column, and bad question files. Each case ends with the program's or the
// engine's message (or none), the window still working, and no row changed.
#include <chrono>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

#include "app/core/appcontext.h"
#include "app/widgets/imagebutton.h"
#include "outline/outlinewindow.h"
#include "quiz/quizwindow.h"
#include "reliability/tests/codedb.h"
#include "testsupport/controls.h"
#include "search/resultmodel.h"
#include "search/searchwindow.h"
#include "text/text.h"
#include "tree/treewindow.h"
#include "tree/treemodel.h"
#include "testsupport/fakes.h"

namespace {

QString Q(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

template <class T> T* Child(QWidget* w, const char* name) {
    return testsupport::Control<T>(w, name);
}

bool IsEngineLimit(const std::string& m) {
    return m.find("too large") != std::string::npos || m.find("too complex") != std::string::npos ||
           m.find("too big") != std::string::npos;
}

// An ICD-9 box whose text translates to no ICD-10 code says so and lists nothing.
bool IsNoTranslation(const std::string& m) {
    return m.find("查無對應的ICD10碼") != std::string::npos;
}

class WindowFaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.file("icd10_2023.mdb");
        reliability::CreateCodeDb(path);
        ctx.exeDir = dir.path().string();
        ctx.dbPath = path;
        ctx.connection.open(path);
        before = reliability::Fingerprint(ctx.connection);
    }
    std::vector<std::string> searchCodes(search::SearchWindow& w) {
        std::vector<std::string> out;
        for (int i = 0; i < w.resultModel()->rowCount(); ++i)
            out.emplace_back(w.resultModel()->row(i)->code);
        return out;
    }

    testsupport::TempDir dir;
    std::string path;
    testsupport::RecordingMessages messages;
    testsupport::FakeDesktop desktop;
    app::AppContext ctx{messages, desktop};
    std::string before;
};

const char* const SearchBoxes[] = {"icd9CodeEdit", "codeEdit", "chineseNameEdit", "englishNameEdit",
                                   "icd9NameEdit"};

} // namespace

TEST_F(WindowFaultsTest, searchWindow_hostileTextInEachOfItsFiveBoxes_searchesSafelyAndStaysUsable) {
    search::SearchWindow w(ctx);
    w.show();
    for (const char* box : SearchBoxes) {
        auto* edit = Child<QLineEdit>(&w, box);
        ASSERT_NE(edit, nullptr);
        for (const std::string& t : reliability::HostileTexts()) {
            messages.shown.clear();
            edit->setText(Q(t));
            ASSERT_EQ(edit->text().toStdString(), t) << box << " cut " << t.substr(0, 40);
            w.search(&w);
            for (const std::string& m : messages.shown)
                EXPECT_TRUE(IsEngineLimit(m) || IsNoTranslation(m)) << box << ": " << m;
            ASSERT_EQ(reliability::Fingerprint(ctx.connection), before) << box << " " << t.substr(0, 60);
        }
        edit->clear();
    }
    // The window still searches.
    messages.shown.clear();
    Child<QLineEdit>(&w, "codeEdit")->setText(QStringLiteral("A00"));
    w.search(&w);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(searchCodes(w), (std::vector<std::string>{"A00", "A000", "A009"}));
    EXPECT_TRUE(w.isVisible());
}

TEST_F(WindowFaultsTest, searchWindow_fullestBoxes_giveTheEnginesPatternLimitMessageOrRun) {
    search::SearchWindow w(ctx);
    w.show();
    for (const char* box : SearchBoxes) {
        auto* edit = Child<QLineEdit>(&w, box);
        // As much as a box takes: 32,767 characters, 98,301 bytes in UTF-8.
        edit->setText(QString(edit->maxLength(), QChar(0x75DB)));
        ASSERT_EQ(edit->text().size(), 32767);
        messages.shown.clear();
        w.search(&w);
        for (const std::string& m : messages.shown)
            EXPECT_TRUE(m == "LIKE or GLOB pattern too complex" || IsNoTranslation(m)) << box << ": " << m;
        RecordProperty(box, messages.shown.empty() ? std::string("ran") : messages.shown[0]);
        edit->clear();
    }
    EXPECT_EQ(reliability::Fingerprint(ctx.connection), before);
    Child<QLineEdit>(&w, "codeEdit")->setText(QStringLiteral("A00"));
    messages.shown.clear();
    w.search(&w);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(searchCodes(w), (std::vector<std::string>{"A00", "A000", "A009"}));
}

TEST_F(WindowFaultsTest, searchWindow_enterKeyWithAQuoteInTheBox_runsTheSearch) {
    search::SearchWindow w(ctx);
    w.show();
    auto* edit = Child<QLineEdit>(&w, "chineseNameEdit");
    edit->setFocus();
    edit->setText(QStringLiteral("霍亂"));
    QTest::keyClicks(edit, QStringLiteral("'"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(searchCodes(w).empty());
    edit->setText(QStringLiteral("霍亂 %"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(searchCodes(w), (std::vector<std::string>{"A00", "A000", "A009"}));
}

TEST_F(WindowFaultsTest, treeWindow_hostileTextInTheCodeBox_displaysSafelyAndStaysUsable) {
    tree::TreeWindow w(ctx, false);
    w.show();
    for (const std::string& t : reliability::HostileTexts()) {
        for (const std::string& typed : {t, "A0" + t, "A00-" + t}) {
            messages.shown.clear();
            w.codeEdit()->setText(Q(typed));
            QTest::mouseClick(w.showButton(), Qt::LeftButton);
            for (const std::string& m : messages.shown)
                EXPECT_EQ(m, "至少要兩碼才可以查詢") << typed.substr(0, 40);
            w.showSimplified();
            EXPECT_TRUE(messages.shown.size() <= 1) << typed.substr(0, 40);
        }
        ASSERT_EQ(reliability::Fingerprint(ctx.connection), before) << t.substr(0, 60);
    }
    messages.shown.clear();
    w.codeEdit()->setText(QStringLiteral("A00"));
    QTest::mouseClick(w.showButton(), Qt::LeftButton);
    EXPECT_TRUE(messages.shown.empty());
    ASSERT_EQ(w.resultModel()->rowCount(), 1);
    EXPECT_TRUE(w.resultModel()->index(0, 0).data().toString().startsWith(QStringLiteral("A00")));
}

TEST_F(WindowFaultsTest, withoutTheCodeTable_eachWindowShowsTheEngineMessageAndStaysOpen) {
    ctx.connection.exec("DROP TABLE ICD10");
    {
        search::SearchWindow w(ctx);
        w.show();
        Child<QLineEdit>(&w, "codeEdit")->setText(QStringLiteral("A00"));
        for (int i = 0; i < 2; ++i)
            w.search(&w);
        EXPECT_EQ(messages.shown, (std::vector<std::string>(2, "no such table: ICD10")));
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(w.resultModel()->rowCount(), 0);
    }
    messages.shown.clear();
    {
        tree::TreeWindow w(ctx, false);
        w.show();
        w.codeEdit()->setText(QStringLiteral("A00"));
        QTest::mouseClick(w.showButton(), Qt::LeftButton);
        w.codeEdit()->setText(QStringLiteral("A00-A09"));
        QTest::mouseClick(w.showButton(), Qt::LeftButton);
        EXPECT_EQ(messages.shown, (std::vector<std::string>(2, "no such table: ICD10")));
        EXPECT_TRUE(w.isVisible());
    }
    messages.shown.clear();
    {
        outline::OutlineWindow w(ctx, false);
        w.show();
        QTest::mouseClick(w.chapterTileImage(1), Qt::LeftButton);
        QTest::mouseClick(w.entryTileImage(1), Qt::LeftButton);
        QTest::mouseClick(w.entryTileImage(1), Qt::LeftButton);
        EXPECT_EQ(messages.shown, std::vector<std::string>{"no such table: ICD10"});
        // Home still goes back to the chapters.
        QTest::mouseClick(w.homeImage(), Qt::LeftButton);
        EXPECT_TRUE(w.chapterTileImage(1)->isVisible());
        EXPECT_TRUE(w.isVisible());
    }
    ctx.connection.exec(reliability::SchemaSql().substr(0, reliability::SchemaSql().find(';') + 1));
    EXPECT_NO_THROW(reliability::Scalar(ctx.connection, "SELECT count(*) FROM ICD10"));
}

TEST_F(WindowFaultsTest, withoutANameColumn_theSearchWindowShowsTheEngineMessage) {
    ctx.connection.exec("ALTER TABLE ICD10 DROP COLUMN ICD10_ENAME");
    search::SearchWindow w(ctx);
    w.show();
    Child<QLineEdit>(&w, "codeEdit")->setText(QStringLiteral("A00"));
    w.search(&w);
    EXPECT_EQ(messages.shown, std::vector<std::string>{"no such column: ICD10_ENAME"});
    EXPECT_EQ(w.resultModel()->rowCount(), 0);
}

TEST_F(WindowFaultsTest,
       rankingButtonOnADatabaseThatCannotBeWritten_showsTheEngineMessageAndKeepsTheCaption) {
    search::SearchWindow w(ctx);
    w.show();
    const QString caption = w.windowTitle();
    ctx.connection.exec("PRAGMA query_only=ON");
    w.buildRanking(); // the hidden maintenance button
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].find("readonly"), std::string::npos) << messages.shown[0];
    EXPECT_EQ(w.windowTitle(), caption);
    ctx.connection.exec("PRAGMA query_only=OFF");
    EXPECT_EQ(reliability::Fingerprint(ctx.connection), before);
}

TEST_F(WindowFaultsTest, databaseLockedByAnotherProgram_searchAndRankingFailAfterTheBusyWait) {
    search::SearchWindow w(ctx);
    w.show();
    const std::string fingerprint = reliability::Fingerprint(ctx.connection);
    reliability::LockHolder holder(path);
    ASSERT_TRUE(holder.locked());
    Child<QLineEdit>(&w, "codeEdit")->setText(QStringLiteral("A00"));
    w.search(&w);
    w.buildRanking(); // the hidden maintenance button
    EXPECT_EQ(messages.shown,
              (std::vector<std::string>{
                  "database is locked",
                  "建立篩選排名失敗:另一個程式正在使用資料庫。請等它用完後再試一次;原來的資料庫沒有更動。"
                  "(database is locked)"}));
    holder.release();
    // Once the other program lets go, the same window searches again.
    messages.shown.clear();
    w.search(&w);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(searchCodes(w), (std::vector<std::string>{"A00", "A000", "A009"}));
    EXPECT_EQ(reliability::Fingerprint(ctx.connection), fingerprint);
}

TEST_F(WindowFaultsTest, searchWindowCreatedWhileTheDatabaseIsLocked_waitsOnceAndWorksAfterwards) {
    ctx.connection.exec("ALTER TABLE ICD10 ADD COLUMN ICD10_RANKING VARCHAR(6)");
    reliability::LockHolder holder(path);
    ASSERT_TRUE(holder.locked());
    const auto start = std::chrono::steady_clock::now();
    search::SearchWindow w(ctx);
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LE(seconds, 30);
    // The probe takes any failure for a missing column: the ranking filter is
    // hidden for this run, silently.
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(Child<QWidget>(&w, "rankingGroup")->isHidden());
    holder.release();
    w.show();
    Child<QLineEdit>(&w, "codeEdit")->setText(QStringLiteral("A00"));
    w.search(&w);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(searchCodes(w), (std::vector<std::string>{"A00", "A000", "A009"}));
}

TEST_F(WindowFaultsTest, oddRowsInTheDatabase_areShownByEveryWindowWithoutHarm) {
    // Empty values, text that is not UTF-8, a 10,000-character name, a quote and
    // an empty code, as a hand-edited database may hold them.
    ctx.connection.exec(
        "INSERT INTO ICD10 VALUES('A05',NULL,NULL,NULL,NULL,NULL);"
        "INSERT INTO ICD10 VALUES('A06',CAST(x'E0FF41A4' AS TEXT),CAST(x'FFFE' AS TEXT),'Y','X','Y');"
        "INSERT INTO ICD10 VALUES('A07',replace(hex(zeroblob(5000)),'00','長'),'long','N','','');"
        "INSERT INTO ICD10 VALUES('A0''','引號','quote','Y','','');"
        "INSERT INTO ICD10 VALUES('','空碼','empty','Y','','');");
    const std::string fingerprint = reliability::Fingerprint(ctx.connection);
    {
        search::SearchWindow w(ctx);
        w.show();
        Child<QLineEdit>(&w, "codeEdit")->setText(QStringLiteral("A0"));
        w.search(&w);
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_EQ(searchCodes(w).size(), 9u);
        auto* grid = Child<QTableView>(&w, "resultGrid");
        for (int r = 0; r < grid->model()->rowCount(); ++r) {
            grid->setCurrentIndex(grid->model()->index(r, 0));
            (void)w.grab();
        }
        EXPECT_TRUE(messages.shown.empty());
    }
    {
        tree::TreeWindow w(ctx, false);
        w.show();
        w.codeEdit()->setText(QStringLiteral("A0"));
        QTest::mouseClick(w.showButton(), Qt::LeftButton);
        (void)w.grab();
        w.codeEdit()->setText(QStringLiteral("A00-A09"));
        QTest::mouseClick(w.showButton(), Qt::LeftButton);
        w.showSimplified();
        (void)w.grab();
        EXPECT_TRUE(messages.shown.empty());
    }
    {
        outline::OutlineWindow w(ctx, false);
        w.show();
        QTest::mouseClick(w.chapterTileImage(1), Qt::LeftButton);
        QTest::mouseClick(w.entryTileImage(1), Qt::LeftButton);
        QTest::mouseClick(w.entryTileImage(1), Qt::LeftButton);
        (void)w.grab();
        EXPECT_TRUE(messages.shown.empty());
        std::vector<std::string> listed;
        for (int e = 1; e <= outline::kEntryTiles; ++e)
            if (w.entryTileImage(e)->isVisible()) listed.push_back(w.browser().entryTile(e).code);
        EXPECT_EQ(listed, (std::vector<std::string>{"A00", "A01", "A05", "A06", "A07"}));
        // Entering each listed code lists what lies below it, or nothing.
        for (std::size_t i = 0; i < listed.size(); ++i) {
            QTest::mouseClick(w.entryTileImage(static_cast<int>(i) + 1), Qt::LeftButton);
            (void)w.grab();
            QTest::mouseClick(w.backImage(), Qt::LeftButton);
        }
        EXPECT_TRUE(messages.shown.empty());
    }
    EXPECT_EQ(reliability::Fingerprint(ctx.connection), fingerprint);
}

class QuizFileWindowTest : public WindowFaultsTest {
protected:
    std::unique_ptr<quiz::QuizWindow> open(const std::string* bytes) {
        if (bytes) testsupport::WriteFile(dir.file("qa.txt"), *bytes);
        auto w = std::make_unique<quiz::QuizWindow>(ctx);
        w->show();
        w->onActivated();
        return w;
    }
    static void answer(quiz::QuizWindow& w, int n) {
        const std::string name = "answerButton" + std::to_string(n);
        QTest::mouseClick(Child<app::ImageButton>(&w, name.c_str()), Qt::LeftButton);
    }
};

TEST_F(QuizFileWindowTest, missingQuestionFile_showsWhichFile_andANewQuizAfterTheFileArrives) {
    auto w = open(nullptr);
    EXPECT_EQ(messages.shown, std::vector<std::string>{"Cannot open file " + dir.file("qa.txt")});
    EXPECT_TRUE(w->isVisible());
    messages.shown.clear();
    std::string bank;
    ASSERT_TRUE(text::ToCp950("Q:頭痛?\nA:2\n1.甲\n2.乙\n3.丙\n4.丁\n", bank));
    testsupport::WriteFile(dir.file("qa.txt"), bank);
    QTest::mouseClick(Child<app::ImageButton>(w.get(), "newQuizButton"), Qt::LeftButton);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(Child<QLabel>(w.get(), "questionLabel")->text().contains(QStringLiteral("頭痛")));
}

TEST_F(QuizFileWindowTest, emptyAndBinaryQuestionFiles_neverCrashTheWindow) {
    std::string binary;
    for (int i = 0; i < 5000; ++i)
        binary += static_cast<char>((i * 37) & 0xFF);
    for (const std::string& bytes : {std::string(), binary, std::string("Q:\xA4\r\nA:9\r1.\xFF\n")}) {
        messages.shown.clear();
        auto w = open(&bytes);
        for (int i = 0; i < 12; ++i)
            answer(*w, 1 + i % 4);
        for (const std::string& m : messages.shown)
            EXPECT_TRUE(text::IsValidUtf8(m)) << m;
        QTest::mouseClick(Child<app::ImageButton>(w.get(), "previousButton"), Qt::LeftButton);
        QTest::mouseClick(Child<app::ImageButton>(w.get(), "newQuizButton"), Qt::LeftButton);
        EXPECT_TRUE(w->isVisible());
    }
}

TEST_F(QuizFileWindowTest, keyWithoutDigit_showsTheConversionMessage_andTheQuizCanStartAgain) {
    std::string bank;
    ASSERT_TRUE(text::ToCp950("Q:頭痛?\nA:x\n1.甲\n2.乙\n3.丙\n4.丁\n", bank));
    auto w = open(&bank);
    EXPECT_TRUE(messages.shown.empty());
    answer(*w, 1);
    EXPECT_EQ(messages.shown, std::vector<std::string>{"'x' is not a valid integer value"});
    EXPECT_TRUE(Child<QLabel>(w.get(), "questionLabel")->text().contains(QStringLiteral("頭痛")));
    messages.shown.clear();
    QTest::mouseClick(Child<app::ImageButton>(w.get(), "newQuizButton"), Qt::LeftButton);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(w->isVisible());
}

TEST_F(QuizFileWindowTest, blockCutShort_showsTheBoundsMessage_andKeepsTheLastQuestion) {
    std::string bank;
    ASSERT_TRUE(text::ToCp950("Q:頭痛?\nA:1\n1.甲\n2.乙\n", bank));
    auto w = open(&bank);
    EXPECT_EQ(messages.shown, std::vector<std::string>{"List index out of bounds (4)"});
    answer(*w, 1);
    EXPECT_TRUE(w->isVisible());
}
