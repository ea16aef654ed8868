#include "db/databasefile.h"

#include <cstring>
#include <filesystem>
#include <fstream>

#include "db/error.h"
#include "db/jetimport.h"

namespace fs = std::filesystem;

namespace db {

FileKind DetectFileKind(const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return FileKind::Missing;
    if (fs::file_size(path, ec) == 0) return FileKind::Empty;
    std::ifstream f(path, std::ios::binary);
    char head[32] = {};
    f.read(head, sizeof head);
    auto got = static_cast<std::size_t>(f.gcount());
    if (got >= 16 && std::memcmp(head, "SQLite format 3\0", 16) == 0) return FileKind::SQLite;
    if (got >= 21 && (std::memcmp(head + 4, "Standard Jet DB", 15) == 0 ||
                      std::memcmp(head + 4, "Standard ACE DB", 15) == 0))
        return head[20] == 0 ? FileKind::Jet3 : FileKind::Jet4;
    return FileKind::Unknown;
}

std::string ConvertedCopyPath(const std::string& jetPath) {
    fs::path p(jetPath);
    p.replace_extension(".sqlite");
    return p.string();
}

std::string PrepareDatabaseFile(const std::string& path) {
    switch (DetectFileKind(path)) {
    case FileKind::Empty:
        throw Error("檔案是空的，不是資料庫");
    case FileKind::Jet3:
    case FileKind::Jet4: {
        std::string copy = ConvertedCopyPath(path);
        std::error_code ec;
        bool fresh = fs::exists(copy, ec) && DetectFileKind(copy) == FileKind::SQLite &&
                     fs::last_write_time(copy, ec) >= fs::last_write_time(path, ec);
        if (!fresh) ConvertJetToSqlite(path, copy);
        return copy;
    }
    default:
        return path;
    }
}

} // namespace db
