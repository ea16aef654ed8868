#include "db/filelock.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "db/error.h"

namespace db {

namespace {
int Fd(void* handle) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(handle)) - 1;
}
} // namespace

FileLock::FileLock(const std::string& path) : m_path(path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) throw Error("無法開啟鎖定檔 " + path + ": " + std::strerror(errno));
    m_handle = reinterpret_cast<void*>(static_cast<std::intptr_t>(fd) + 1);
}

FileLock::~FileLock() {
    unlock();
    ::close(Fd(m_handle));
}

void FileLock::lock() {
    if (m_locked) return;
    int rc;
    do {
        rc = ::flock(Fd(m_handle), LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) throw Error("無法鎖定 " + m_path + ": " + std::strerror(errno));
    m_locked = true;
}

bool FileLock::tryLock() {
    if (m_locked) return true;
    if (::flock(Fd(m_handle), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) return false;
        throw Error("無法鎖定 " + m_path + ": " + std::strerror(errno));
    }
    m_locked = true;
    return true;
}

void FileLock::unlock() {
    if (!m_locked) return;
    ::flock(Fd(m_handle), LOCK_UN);
    m_locked = false;
}

} // namespace db
