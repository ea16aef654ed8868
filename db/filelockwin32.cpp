#include "db/filelock.h"

#include <windows.h>

#include "db/error.h"
#include "text/wide.h"

namespace db {

namespace {
std::string LastError() {
    return "Windows error " + std::to_string(GetLastError());
}

// The whole file, as far as a lock can reach.
bool Lock(HANDLE file, DWORD flags) {
    OVERLAPPED at{};
    return LockFileEx(file, flags, 0, MAXDWORD, MAXDWORD, &at) != 0;
}
} // namespace

FileLock::FileLock(const std::string& path) : m_path(path) {
    HANDLE file = CreateFileW(text::WideFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw Error("無法開啟鎖定檔 " + path + ": " + LastError());
    m_handle = file;
}

FileLock::~FileLock() {
    unlock();
    CloseHandle(static_cast<HANDLE>(m_handle));
}

void FileLock::lock() {
    if (m_locked) return;
    if (!Lock(static_cast<HANDLE>(m_handle), LOCKFILE_EXCLUSIVE_LOCK))
        throw Error("無法鎖定 " + m_path + ": " + LastError());
    m_locked = true;
}

bool FileLock::tryLock() {
    if (m_locked) return true;
    if (!Lock(static_cast<HANDLE>(m_handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY)) {
        if (GetLastError() == ERROR_LOCK_VIOLATION) return false;
        throw Error("無法鎖定 " + m_path + ": " + LastError());
    }
    m_locked = true;
    return true;
}

void FileLock::unlock() {
    if (!m_locked) return;
    OVERLAPPED at{};
    UnlockFileEx(static_cast<HANDLE>(m_handle), 0, MAXDWORD, MAXDWORD, &at);
    m_locked = false;
}

} // namespace db
