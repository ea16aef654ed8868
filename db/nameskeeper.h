#pragma once
// The names index of one connection (db internals; Connection's interface is
// in connection.h): built on a thread of its own through a read-only handle of
// its own, so that opening the database and the first keystrokes never wait
// for it. Destroying the keeper stops a build under way and waits for it.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "db/namesindex.h"

namespace db {

class NamesKeeper {
public:
    // Starts building the index of `setup`'s tables from the database file at
    // path, calling its afterRead between reading and publishing. `version`
    // is the database's data version when the build began (see Connection).
    NamesKeeper(std::string path, std::uint32_t version, std::shared_ptr<const NamesIndexSetup> setup);
    ~NamesKeeper();
    NamesKeeper(const NamesKeeper&) = delete;
    NamesKeeper& operator=(const NamesKeeper&) = delete;

    // The index once built; null while building or when the build failed.
    std::shared_ptr<const NamesIndex> index();
    // Whether the build has ended (built or failed).
    bool done();
    // Waits until the build has ended.
    void wait();
    std::uint32_t version() const { return m_version; }
    // How long ago the build began.
    std::chrono::steady_clock::duration age() const { return std::chrono::steady_clock::now() - m_started; }

private:
    void build();

    const std::string m_path;
    const std::uint32_t m_version;
    const std::shared_ptr<const NamesIndexSetup> m_setup;
    const std::chrono::steady_clock::time_point m_started = std::chrono::steady_clock::now();
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::shared_ptr<const NamesIndex> m_index;
    bool m_done = false;
    std::thread m_thread;
};

} // namespace db
