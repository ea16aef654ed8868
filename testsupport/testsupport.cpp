#include "testsupport/testsupport.h"

#include "db/connection.h"
#include "db/query.h"

#include <atomic>
#include <cstdlib>
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

std::string BuildTestFile(const std::string& name) {
    return (std::filesystem::path(ICD_SOURCE_DIR) / "dbbuild" / "tests" / "data" / name).string();
}

std::string WriteOfficialTestFiles(const std::filesystem::path& dir) {
    for (const char* sub : {"icd10cm", "gem", "icd9cm", "icd11"})
        std::filesystem::create_directories(dir / sub);
    WriteFile(dir / "gem" / "gem_icd9cm_to_icd10cm_2018.tsv",
              "icd9cm_code\ticd10cm_code\tflags\n0010\tA000\t00000\n");
    WriteFile(dir / "icd9cm" / "icd9cm_dx_v32.tsv",
              "code\tlong_description\tshort_description\n0010\tCholera due to vibrio cholerae\t"
              "Cholera d/t vib cholerae\n");
    WriteFile(dir / "icd9cm" / "icd9cm_tabular_fy2012_titles.tsv",
              "level\tcode_or_range\ttitle\ncategory\t001\tCholera\n");
    const std::filesystem::path order = dir / "icd10cm" / "icd10cm_order_2023_oct2022.tsv";
    std::filesystem::copy_file(BuildTestFile("order_2023.tsv"), order);
    const bool compressed = std::system(("xz " + order.string() + " 2>/dev/null").c_str()) == 0;
    std::filesystem::copy_file(BuildTestFile("order_2014.tsv"), dir / "icd10cm" / "icd10cm_order_2022.tsv");
    WriteFile(dir / "icd11" / "icd11_mms_ch26_tm1_zh_tw.tsv",
              "code\ttitle_en\ttitle_zh_tw\nSA00\tHypochondrium pain disorder (TM1)\t脅痛\n");
    return order.filename().string() + (compressed ? ".xz" : "");
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
