#include "db/filelock.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "db/error.h"
#include "testsupport/testsupport.h"
#include "text/paths.h"

using db::FileLock;

// Two holders of one lock file, as two copies of the program would be: the
// second cannot take the lock until the first lets go, and a waiting lock()
// returns once it does. Chinese folder names work (the path is UTF-8).
TEST(FileLock, oneHolderAtATimeAndAWaiterGetsItOnRelease) {
    testsupport::TempDir dir;
    const std::string folder = text::Utf8FromPath(dir.path() / text::PathFromUtf8("診所"));
    std::filesystem::create_directory(text::PathFromUtf8(folder));
    const std::string path = folder + "/icd10_2023.sqlite.lock";
    FileLock first(path);
    FileLock second(path);
    ASSERT_TRUE(first.tryLock());
    EXPECT_TRUE(first.tryLock()); // taking it again is harmless
    EXPECT_FALSE(second.tryLock());

    std::atomic<bool> got{false};
    std::thread waiter([&] {
        second.lock();
        got = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(got);
    first.unlock();
    waiter.join();
    EXPECT_TRUE(got);
    EXPECT_FALSE(first.tryLock());
    second.unlock();
    EXPECT_TRUE(first.tryLock());
    EXPECT_TRUE(std::filesystem::exists(text::PathFromUtf8(path)));
}

TEST(FileLock, aLockFileThatCannotBeMadeIsAnError) {
    testsupport::TempDir dir;
    EXPECT_THROW(FileLock(dir.file("no/such/folder/x.lock")), db::Error);
}
