#include "app/core/databaseline.h"

#include <gtest/gtest.h>

#include "db/connection.h"
#include "testsupport/testsupport.h"
#include "text/text.h"

using app::DatabaseLine;
using db::FileKind;

namespace {

class DatabaseLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        conn.open(dir.file("icd10_2023.mdb"), true);
        conn.exec(testsupport::SchemaSql());
        // Three ICD-10-CM rows and one ICD-11 row, which is not counted.
        conn.exec("INSERT INTO ICD10 (ICD10_NO) VALUES ('A00'),('A000'),('S934'),('SA0')");
    }
    void info(const std::string& rows) {
        conn.exec(
            "CREATE TABLE IF NOT EXISTS BUILDINFO (KEY TEXT, VALUE TEXT); INSERT INTO BUILDINFO VALUES " +
            rows);
    }
    testsupport::TempDir dir;
    db::Connection conn;
};

} // namespace

TEST_F(DatabaseLineTest, saysWhichDatabaseIsOpenAndHowManyCodesItHolds) {
    EXPECT_EQ(DatabaseLine(conn, FileKind::SQLite), "資料庫 icd10_2023.mdb，ICD-10-CM 代碼 3 筆");
    // A converted Jet file is the clinic's own, whatever the copy holds.
    EXPECT_EQ(DatabaseLine(conn, FileKind::Jet4), "診所的 Jet 資料庫 icd10_2023.mdb，ICD-10-CM 代碼 3 筆");
    info("('source','sample')");
    EXPECT_EQ(DatabaseLine(conn, FileKind::SQLite),
              "範例資料庫（非完整版，可按「建立完整資料庫…」建置完整版），ICD-10-CM 代碼 3 筆");
    conn.exec("DELETE FROM BUILDINFO");
    info("('source','official'),('edition','ICD-10-CM 2023（2022-10-01）'),('built','2026-12-08')");
    EXPECT_EQ(DatabaseLine(conn, FileKind::SQLite),
              "官方檔案建置：ICD-10-CM 2023（2022-10-01），2026-12-08 建置，ICD-10-CM 代碼 3 筆");
    info("('chinese_names_test','TEST DATA: ...')");
    EXPECT_EQ(DatabaseLine(conn, FileKind::SQLite), "官方檔案建置：ICD-10-CM 2023（2022-10-01），2026-12-08 "
                                                    "建置，ICD-10-CM 代碼 3 筆（含測試資料，不可用於臨床）");
    // Without an ICD10 table the count is left out rather than shown as 0.
    conn.exec("DROP TABLE ICD10");
    EXPECT_EQ(DatabaseLine(conn, FileKind::Jet3),
              "診所的 Jet 資料庫 icd10_2023.mdb（含測試資料，不可用於臨床）");
    EXPECT_EQ(app::GroupThousands(96996), "96,996");
    EXPECT_EQ(app::GroupThousands(100), "100");
    EXPECT_EQ(app::GroupThousands(1000000), "1,000,000");
}

namespace {

// Wide characters 12 pixels, the others 6, as a 12-pixel Chinese font draws them.
int Measure(const std::string& s) {
    int width = 0;
    for (const std::string& c : text::Characters(s))
        width += c.size() > 1 ? 12 : 6;
    return width;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines)
        out += l;
    return out;
}

} // namespace

TEST(FitDatabaseLine, aLongLineBreaksAfterACommaAndKeepsTheWarningWhole) {
    const std::string full =
        "官方檔案建置：ICD-10-CM 2023（2022-10-01），2026-12-08 建置，ICD-10-CM 代碼 96,996 "
        "筆（含測試資料，不可用於臨床）";
    ASSERT_GT(Measure(full), 612);
    // One line when it fits.
    EXPECT_EQ(app::FitDatabaseLine(full, Measure, 2000).lines, std::vector<std::string>{full});

    const app::FittedLine two = app::FitDatabaseLine(full, Measure, 612);
    EXPECT_FALSE(two.shortened);
    ASSERT_EQ(two.lines.size(), 2u);
    EXPECT_EQ(Joined(two.lines), full); // nothing left out
    for (const auto& l : two.lines)
        EXPECT_LE(Measure(l), 612) << l;
    EXPECT_TRUE(two.lines[1].ends_with(app::TestDataWarning));
    // Broken after a comma of the text or before the warning, never inside a part.
    EXPECT_TRUE(two.lines[0].ends_with("，") || two.lines[1] == app::TestDataWarning) << two.lines[0];

    // Too narrow for two lines: the text shortened in its middle, the warning whole.
    const app::FittedLine narrow = app::FitDatabaseLine(full, Measure, 260);
    EXPECT_TRUE(narrow.shortened);
    ASSERT_EQ(narrow.lines.size(), 2u);
    EXPECT_EQ(narrow.lines[1], app::TestDataWarning);
    EXPECT_LE(Measure(narrow.lines[0]), 260);
    EXPECT_TRUE(narrow.lines[0].starts_with("官方檔案建置")) << narrow.lines[0];
    EXPECT_TRUE(narrow.lines[0].ends_with("96,996 筆")) << narrow.lines[0];
    EXPECT_NE(narrow.lines[0].find("…"), std::string::npos);

    // One line only: shortened before the warning, which is still whole.
    const app::FittedLine one = app::FitDatabaseLine(full, Measure, 400, 1);
    ASSERT_EQ(one.lines.size(), 1u);
    EXPECT_TRUE(one.lines[0].ends_with(app::TestDataWarning));
    EXPECT_LE(Measure(one.lines[0]), 400);
}

TEST(FitDatabaseLine, aLineWithoutWarningOrCommaIsShortenedInItsMiddle) {
    const std::string jet = "診所的 Jet 資料庫 icd10_2023.mdb";
    const app::FittedLine f = app::FitDatabaseLine(jet, Measure, 150, 2);
    EXPECT_TRUE(f.shortened);
    ASSERT_EQ(f.lines.size(), 1u);
    EXPECT_LE(Measure(f.lines[0]), 150);
    EXPECT_TRUE(f.lines[0].starts_with("診所")) << f.lines[0];
    EXPECT_TRUE(f.lines[0].ends_with(".mdb")) << f.lines[0];
    EXPECT_EQ(app::ElideMiddle("abc", Measure, 100), "abc");
}
