#pragma once
// An exclusive lock on a file, held by one process (or one FileLock) at a time,
// so that two copies of the program started together do not both write the same
// file. The lock file is created when missing and left in place afterwards.
// One form per platform: filelockposix.cpp (flock), filelockwin32.cpp
// (LockFileEx).

#include <string>

namespace db {

class FileLock {
public:
    // Opens (creating) the lock file; throws db::Error when it cannot.
    explicit FileLock(const std::string& path);
    ~FileLock(); // releases the lock
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock, waiting for another holder to release it.
    void lock();
    // Takes the lock when it is free; false when another holder has it.
    bool tryLock();
    void unlock();

private:
    std::string m_path;
    void* m_handle = nullptr; // the open lock file, as the platform knows it
    bool m_locked = false;
};

} // namespace db
