#include "db/databasefile.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "db/error.h"
#include "db/filelock.h"
#include "db/jetimport.h"
#include "text/paths.h"

namespace fs = std::filesystem;

namespace db {

using text::PathFromUtf8;

FileKind DetectFileKind(const std::string& path) {
    std::error_code ec;
    const fs::path p = PathFromUtf8(path);
    if (!fs::is_regular_file(p, ec)) return FileKind::Missing;
    if (fs::file_size(p, ec) == 0) return FileKind::Empty;
    std::ifstream f(p, std::ios::binary);
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
    fs::path p = PathFromUtf8(jetPath);
    p.replace_extension(".sqlite");
    return text::Utf8FromPath(p);
}

std::string PrepareDatabaseFile(const std::string& path) {
    switch (DetectFileKind(path)) {
    case FileKind::Empty:
        throw Error("檔案是空的，不是資料庫");
    case FileKind::Jet3:
    case FileKind::Jet4: {
        const std::string copy = ConvertedCopyPath(path);
        auto fresh = [&] {
            std::error_code ec;
            return fs::exists(PathFromUtf8(copy), ec) && DetectFileKind(copy) == FileKind::SQLite &&
                   fs::last_write_time(PathFromUtf8(copy), ec) >= fs::last_write_time(PathFromUtf8(path), ec);
        };
        if (fresh()) return copy;
        // Two copies of the program started together convert one at a time;
        // the second then finds the first one's copy fresh. The lock file
        // stays beside the copy; after a failed conversion it is removed, so a
        // file that cannot be read leaves nothing behind. Where no lock file
        // can be made (a read-only folder), the conversion says why it fails.
        const std::string lockPath = copy + ".lock";
        std::unique_ptr<FileLock> lock;
        try {
            lock = std::make_unique<FileLock>(lockPath);
            lock->lock();
        } catch (const Error&) {
            lock.reset();
        }
        try {
            if (!fresh()) ConvertJetToSqlite(path, copy);
        } catch (...) {
            if (lock) {
                lock.reset();
                std::error_code ec;
                fs::remove(PathFromUtf8(lockPath), ec);
            }
            throw;
        }
        return copy;
    }
    default:
        return path;
    }
}

} // namespace db
