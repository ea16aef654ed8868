#include "testsupport/testsupport.h"

#include "db/connection.h"
#include "db/query.h"

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>
#include <unistd.h>

namespace testsupport {

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    std::random_device rd;
    auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto name = "icdtest-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
                    std::to_string(rd() % 100000);
        m_path = base / name;
        if (std::filesystem::create_directory(m_path)) break;
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    // Files may have been made read-only by a test; make them writable first.
    for (auto& e : std::filesystem::recursive_directory_iterator(m_path, ec))
        std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

std::filesystem::path SharedDataDir() {
    std::filesystem::path p = ICD_SHARED_DATA;
    std::error_code ec;
    if (std::filesystem::is_directory(p / "icd10cm", ec)) return std::filesystem::canonical(p, ec);
    return {};
}

std::string FullDatabasePath() {
    std::filesystem::path p = std::filesystem::path(ICD_BINARY_DIR) / "fulldata" / "icd10_2023.mdb";
    std::error_code ec;
    return std::filesystem::is_regular_file(p, ec) ? p.string() : std::string();
}

std::string SchemaSql() {
    return ReadFile(std::filesystem::path(ICD_SOURCE_DIR) / "data" / "schema.sql");
}

void WriteFile(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::string QueryRows(const std::string& path, const std::string& sql) {
    db::Connection c;
    c.open(path);
    db::Query q(c);
    q.setText(sql);
    q.open();
    std::string all;
    for (; !q.eof(); q.next()) {
        for (int i = 0; i < q.fieldCount(); ++i)
            all += (i ? "|" : "") + q.value(i);
        all += "\n";
    }
    return all;
}

} // namespace testsupport
