#include "db/nameskeeper.h"

#include <sqlite3.h>

#include "db/error.h"

namespace db {

NamesKeeper::NamesKeeper(std::string path, std::uint32_t version,
                         std::shared_ptr<const NamesIndexSetup> setup)
    : m_path(std::move(path)), m_version(version), m_setup(std::move(setup)), m_thread([this] { build(); }) {}

NamesKeeper::~NamesKeeper() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
}

void NamesKeeper::build() {
    std::shared_ptr<const NamesIndex> index;
    sqlite3* handle = nullptr;
    if (sqlite3_open_v2(m_path.c_str(), &handle, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) ==
        SQLITE_OK) {
        // A writer holding the file makes the build wait a little, then give up:
        // the engine answers meanwhile.
        sqlite3_busy_timeout(handle, 2000);
        sqlite3_progress_handler(
            handle, 10000, [](void* stop) { return static_cast<std::atomic<bool>*>(stop)->load() ? 1 : 0; },
            &m_stop);
        try {
            index = NamesIndex::Build(handle, m_setup->tables, &m_stop);
        } catch (const Error&) {
            index = nullptr;
        } catch (const std::bad_alloc&) {
            index = nullptr;
        }
    }
    sqlite3_close_v2(handle);
    if (m_setup->afterRead && !m_stop) m_setup->afterRead();
    const std::lock_guard lock(m_mutex);
    m_index = std::move(index);
    m_done = true;
}

std::shared_ptr<const NamesIndex> NamesKeeper::index() {
    const std::lock_guard lock(m_mutex);
    return m_index;
}

bool NamesKeeper::done() {
    const std::lock_guard lock(m_mutex);
    return m_done;
}

void NamesKeeper::wait() {
    if (m_thread.joinable()) m_thread.join();
}

} // namespace db
