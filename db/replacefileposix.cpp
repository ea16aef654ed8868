#include "db/replacefile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

#include "db/error.h"

namespace db {

namespace {

void Flush(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0) throw Error(path + ": " + std::strerror(errno));
    const int rc = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    // A folder that cannot be flushed (some file systems refuse) is no error.
    if (rc != 0 && err != EINVAL && err != EROFS) throw Error(path + ": " + std::strerror(err));
}

} // namespace

void ReplaceFileDurably(const std::string& from, const std::string& to) {
    Flush(from, O_RDONLY);
    if (std::rename(from.c_str(), to.c_str()) != 0) throw Error(to + ": " + std::strerror(errno));
    std::filesystem::path folder = std::filesystem::path(to).parent_path();
    if (folder.empty()) folder = ".";
    try {
        Flush(folder.string(), O_RDONLY | O_DIRECTORY);
    } catch (const Error&) {
        // The new file is in place; only its durability across a power cut is uncertain.
    }
}

} // namespace db
