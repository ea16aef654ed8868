#include "app/core/databaseline.h"

#include <gtest/gtest.h>

#include "db/connection.h"
#include "testsupport/testsupport.h"

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
              "範例資料庫（非完整版，完整版的建置見 docs/database.md），ICD-10-CM 代碼 3 筆");
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
