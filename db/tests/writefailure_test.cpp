// The user's message for a failed write, and the durable replacement of a file.
#include <filesystem>

#include <gtest/gtest.h>

#include "db/error.h"
#include "db/replacefile.h"
#include "db/writefailure.h"
#include "testsupport/testsupport.h"

TEST(WriteFailureMessage, theHeaderExamples_sayWhatFailedWhyAndWhatToDo) {
    EXPECT_EQ(db::WriteFailureMessage("建立篩選排名失敗", "database or disk is full"),
              "建立篩選排名失敗:磁碟空間不足。請騰出磁碟空間後再試一次;原來的資料庫沒有更動。(database or "
              "disk is full)");
    EXPECT_EQ(db::WriteFailureMessage("建立篩選排名失敗", "attempt to write a readonly database"),
              "建立篩選排名失敗:資料庫或它所在的資料夾是唯讀的,無法寫入。請改用可寫入的資料夾,"
              "或取得寫入權限後再試一次;"
              "原來的資料庫沒有更動。(attempt to write a readonly database)");
    EXPECT_EQ(db::WriteFailureMessage("建立篩選排名失敗", "database is locked"),
              "建立篩選排名失敗:另一個程式正在使用資料庫。請等它用完後再試一次;原來的資料庫沒有更動。("
              "database is locked)");
    EXPECT_EQ(db::WriteFailureMessage("建立篩選排名失敗", "no such table: btbindn"),
              "建立篩選排名失敗:原來的資料庫沒有更動。(no such table: btbindn)");
}

TEST(WriteFailureMessage, systemAndEngineTexts_areSortedByWhatTheUserCanDo) {
    using db::WriteFailure;
    for (const char* full : {"disk I/O error", "cannot write the converted copy: No space left on device",
                             "File too large", "Disk quota exceeded"})
        EXPECT_EQ(db::ClassifyWriteFailure(full), WriteFailure::DiskFull) << full;
    for (const char* ro : {"unable to open database file", "Permission denied", "Read-only file system",
                           "cannot write the converted copy /x/y.sqlite: unable to open database file"})
        EXPECT_EQ(db::ClassifyWriteFailure(ro), WriteFailure::ReadOnly) << ro;
    EXPECT_EQ(db::ClassifyWriteFailure("malformed"), WriteFailure::Other);
}

TEST(ReplaceFileDurably, replacesTheFileWhole_andLeavesItAloneWhenItCannot) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.path() / "db", "old");
    testsupport::WriteFile(dir.path() / "db.part", "new");
    db::ReplaceFileDurably(dir.file("db.part"), dir.file("db"));
    EXPECT_EQ(testsupport::ReadFile(dir.path() / "db"), "new");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "db.part"));
    EXPECT_THROW(db::ReplaceFileDurably(dir.file("missing"), dir.file("db")), db::Error);
    EXPECT_EQ(testsupport::ReadFile(dir.path() / "db"), "new");
}
