#include "db/writefailure.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>

namespace db {

namespace {

bool Contains(std::string_view text, std::string_view part) {
    auto it = std::search(text.begin(), text.end(), part.begin(), part.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
    return it != text.end();
}

bool ContainsAny(std::string_view text, std::initializer_list<std::string_view> parts) {
    return std::any_of(parts.begin(), parts.end(), [&](std::string_view p) { return Contains(text, p); });
}

} // namespace

WriteFailure ClassifyWriteFailure(std::string_view detail) {
    // The engine says "database or disk is full" when the system reports no
    // space, and "disk I/O error" when a write is refused for its size.
    for (std::string_view s :
         {"disk is full", "no space left", "file too large", "quota exceeded", "disk i/o error"})
        if (Contains(detail, s)) return WriteFailure::DiskFull;
    for (std::string_view s : {"readonly", "read-only", "permission denied", "unable to open database file",
                               "cannot write", "operation not permitted"})
        if (Contains(detail, s)) return WriteFailure::ReadOnly;
    if (Contains(detail, "database is locked") || Contains(detail, "database is busy"))
        return WriteFailure::Busy;
    return WriteFailure::Other;
}

std::string WriteFailureMessage(std::string_view what, std::string_view detail) {
    std::string out(what);
    out += ":";
    switch (ClassifyWriteFailure(detail)) {
    case WriteFailure::DiskFull:
        out += "磁碟空間不足。請騰出磁碟空間後再試一次;";
        break;
    case WriteFailure::ReadOnly:
        out += "資料庫或它所在的資料夾是唯讀的,無法寫入。請改用可寫入的資料夾,或取得寫入權限後再試一次;";
        break;
    case WriteFailure::Busy:
        out += "另一個程式正在使用資料庫。請等它用完後再試一次;";
        break;
    case WriteFailure::Other:
        break;
    }
    out += "原來的資料庫沒有更動。(";
    out += detail;
    out += ")";
    return out;
}

OpenFailure ClassifyOpenFailure(std::string_view detail) {
    if (Contains(detail, "not a database")) return OpenFailure::NotADatabase;
    if (ContainsAny(detail, {"malformed", "corrupt"})) return OpenFailure::Damaged;
    if (ContainsAny(detail, {"database is locked", "database is busy", "database table is locked"}))
        return OpenFailure::Locked;
    // A file that cannot be read at all fails to open before the engine sees a byte of it.
    if (ContainsAny(detail, {"unable to open database file", "permission denied", "access is denied",
                             "authorization denied", "operation not permitted"}))
        return OpenFailure::NoPermission;
    return OpenFailure::Other;
}

} // namespace db
