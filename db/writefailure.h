#pragma once
// What to tell a user when writing the code database failed, in words a clinic
// can act on: what failed, why (a full disk, a folder or file that cannot be
// written), what to do, that the old database is as it was, and then the
// engine's or the system's own text.
//
// The reason and the advice by the detail's kind (what = "建立篩選排名失敗"):
//   "database or disk is full", "disk I/O error" =>
//     "建立篩選排名失敗:磁碟空間不足。請騰出磁碟空間後再試一次;原來的資料庫沒有更動。(…)"
//   "attempt to write a readonly database", "unable to open database file" =>
//     "建立篩選排名失敗:資料庫或它所在的資料夾是唯讀的,無法寫入。"
//     "請改用可寫入的資料夾,或取得寫入權限後再試一次;原來的資料庫沒有更動。(…)"
//   "database is locked" =>
//     "建立篩選排名失敗:另一個程式正在使用資料庫。請等它用完後再試一次;原來的資料庫沒有更動。(…)"
//   Any other text => "建立篩選排名失敗:原來的資料庫沒有更動。(text)"

#include <string>
#include <string_view>

namespace db {

enum class WriteFailure { DiskFull, ReadOnly, Busy, Other };

// Which kind of failure an engine or system message describes.
WriteFailure ClassifyWriteFailure(std::string_view detail);

// The message above; `what` names the operation that failed.
std::string WriteFailureMessage(std::string_view what, std::string_view detail);

// What keeps a database file that is there from being opened, read from the
// engine's (or the Jet conversion's) message; start-up words its message on it.
enum class OpenFailure {
    NotADatabase, // "file is not a database": another kind of file, or its start overwritten
    Damaged,      // "database disk image is malformed": cut short (a copy that stopped) or damaged
    Locked,       // "database is locked": another program holds it
    NoPermission, // "unable to open database file", "permission denied": the file cannot be read
    Other,        // anything else (an empty file, a Jet file that cannot be read: already in Chinese)
};
OpenFailure ClassifyOpenFailure(std::string_view detail);

} // namespace db
