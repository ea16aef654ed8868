#pragma once
// Helpers shared by the test suites.

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with its content
// when the object goes away. Tests never touch the user's real files.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// Folder of the full-size reference data (../shared/data beside the checkout),
// or an empty path when it is absent (a user's fresh clone).
std::filesystem::path SharedDataDir();

// The full-size test database built from the shared reference data by the build
// (target full_db: <build>/fulldata/icd10_2023.mdb), or an empty string when it
// was not built (no shared data).
std::string FullDatabasePath();

// The code database schema the program's databases are built with
// (data/schema.sql), for tests that make their own databases.
std::string SchemaSql();

// A file of the build's small test files in the NHI and CMS formats
// (dbbuild/tests/data): "nhi_icd10cm_2023_zh.csv", "order_2023.tsv", ...
std::string BuildTestFile(const std::string& name);

// A folder laid out as the project's official US files, made of the small test
// files: this year's order file compressed (where xz is there to do it and to
// read it), last year's decompressed, as a Windows user may keep it, a line of
// the GEM and of the ICD-9-CM titles, and the ICD-11 list (SA00 脅痛). Returns
// the name of this year's order file.
std::string WriteOfficialTestFiles(const std::filesystem::path& dir);

// Writes bytes to a file, replacing it.
void WriteFile(const std::filesystem::path& p, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& p);

// Every row a statement returns from the database file at path, fields joined
// by '|', one line a row: "A000|霍亂弧菌霍亂\nA009|霍亂\n".
std::string QueryRows(const std::string& path, const std::string& sql);

} // namespace testsupport

// Skips the current test with a clear message when the shared data is absent.
#define ICD_REQUIRE_SHARED_DATA()                                                                            \
    do {                                                                                                     \
        if (::testsupport::SharedDataDir().empty())                                                          \
            GTEST_SKIP() << "full-size reference data not found (../shared/data beside the checkout); "      \
                            "this test needs it";                                                            \
    } while (0)

// Skips the current test when the full-size test database is absent.
#define ICD_REQUIRE_FULL_DB()                                                                                \
    do {                                                                                                     \
        if (::testsupport::FullDatabasePath().empty())                                                       \
            GTEST_SKIP() << "full-size test database not built (needs ../shared/data beside the checkout)";  \
    } while (0)
