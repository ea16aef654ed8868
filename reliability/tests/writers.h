#pragma once
// The program's writers as a clinic starts them, for the kill, disk-full,
// read-only and two-program tests: the ranking builder (icdtool rank, and the
// search window's hidden button inside the program), icdtool build-db (from
// the US files, and a clinic's build from its NHI file), icdtool run-sql and
// the Jet conversion at start-up. Each works in a folder laid out as
// the program's: the database icd10_2023.mdb beside a stand-in executable path.
#include <algorithm>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/connection.h"
#include "reliability/tests/codedb.h"
#include "testsupport/testsupport.h"

namespace reliability {

namespace fs = std::filesystem;

inline const std::string DatabaseName = "icd10_2023.mdb";

inline std::string IcdTool() {
    return ICD_ICDTOOL;
}
inline std::string KillTarget() {
    return ICD_KILLTARGET;
}
inline std::string SampleDatabase() {
    return ICD_SAMPLE_DB;
}

// The executable path the program would have in dir (the database goes beside it).
inline std::string ExeIn(const fs::path& dir) {
    return (dir / "icd10tcm").string();
}

// The sample database without its ranking column, as a clinic has it before
// the ranking builder first runs.
inline void PutUnrankedSample(const fs::path& dir) {
    const std::string path = (dir / DatabaseName).string();
    fs::copy_file(SampleDatabase(), path, fs::copy_options::overwrite_existing);
    db::Connection c;
    c.open(path);
    c.exec("ALTER TABLE ICD10 DROP COLUMN ICD10_RANKING");
}

// The scripts run-sql builds the sample database from.
inline std::vector<std::string> SampleScripts() {
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(fs::path(ICD_SOURCE_DIR) / "data" / "sample"))
        if (e.path().extension() == ".sql") files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    files.insert(files.begin(), (fs::path(ICD_SOURCE_DIR) / "data" / "schema.sql").string());
    return files;
}

// Two order files (this year, the year before) of `codes` made-up codes, for
// build-db: enough rows that the build takes a while.
inline void WriteOrderFiles(const fs::path& dir, int codes) {
    const char* header = "order_number\tcode\tvalid_for_submission\tshort_description\tlong_description\n";
    std::ofstream now(dir / "order.tsv"), before(dir / "previous.tsv");
    now << header;
    before << header;
    for (int i = 0; i < codes; ++i) {
        const std::string n = std::to_string(100000 + i).substr(1);
        const std::string code = std::string(1, static_cast<char>('A' + i % 20)) + n;
        const std::string line =
            n + "\t" + code + "\t1\tShort title " + n + "\tLong title of code " + code + "\n";
        if (i % 10 != 3) now << line;    // a tenth are deleted this year ...
        if (i % 10 != 7) before << line; // ... and another tenth new
    }
}

inline std::vector<std::string> BuildDbCommand(const fs::path& dir) {
    return {IcdTool(),
            "build-db",
            (dir / DatabaseName).string(),
            "--order",
            (dir / "order.tsv").string(),
            "--previous-order",
            (dir / "previous.tsv").string()};
}

// A clinic's build from its NHI file: the Chinese edition (UTF-8 with its mark,
// as downloaded) naming the codes of WriteOrderFiles, and the order files
// compressed, as the project's official files are.
inline void WriteClinicFiles(const fs::path& dir, int codes) {
    WriteOrderFiles(dir, codes);
    const std::string compress = "xz " + (dir / "order.tsv").string() + " " + (dir / "previous.tsv").string();
    if (std::system(compress.c_str()) != 0) throw std::runtime_error("xz is needed: " + compress);
    std::ofstream csv(dir / "177507.csv", std::ios::binary);
    csv << "\xEF\xBB\xBF"
           "2023年版ICD-10-CM/PCS,USE,ICD-10-CM/PCS英文名稱,ICD-10-CM/"
           "PCS中文名稱,狀態,修訂日期\r\n";
    for (int i = 0; i < codes; ++i) {
        const std::string n = std::to_string(100000 + i).substr(1);
        const std::string code =
            std::string(1, static_cast<char>('A' + i % 20)) + n.substr(0, 2) + "." + n.substr(2);
        csv << code << ",1,\"Long title, code " << n << "\",測試名稱第" << n << "號,,\r\n";
    }
}

inline std::vector<std::string> ClinicBuildCommand(const fs::path& dir) {
    return {IcdTool(),
            "build-db",
            (dir / DatabaseName).string(),
            "--chinese",
            (dir / "177507.csv").string(),
            "--order",
            (dir / "order.tsv.xz").string(),
            "--previous-order",
            (dir / "previous.tsv.xz").string()};
}

inline std::vector<std::string> RunSqlCommand(const fs::path& dir) {
    std::vector<std::string> argv = {IcdTool(), "run-sql", (dir / DatabaseName).string()};
    for (const auto& f : SampleScripts())
        argv.push_back(f);
    return argv;
}

inline std::vector<std::string> RankCommand(const fs::path& dir) {
    return {IcdTool(), "rank", (dir / DatabaseName).string()};
}

inline std::vector<std::string> StartCommand(const fs::path& dir) {
    return {KillTarget(), "start", ExeIn(dir)};
}
inline std::vector<std::string> RankButtonCommand(const fs::path& dir) {
    return {KillTarget(), "rank-button", ExeIn(dir)};
}

// A Jet test file of the shared data, or "" without it.
inline std::string SharedJetFile(const std::string& name) {
    const fs::path dir = testsupport::SharedDataDir();
    if (dir.empty() || !fs::exists(dir / "mdb" / name)) return {};
    return (dir / "mdb" / name).string();
}

// The names of the files in dir, sorted.
inline std::vector<std::string> FilesIn(const fs::path& dir) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

// "ok" when the engine finds the file sound, else what it found.
inline std::string IntegrityOf(const std::string& path) {
    try {
        db::Connection c;
        c.open(path);
        return Scalar(c, "PRAGMA integrity_check");
    } catch (const db::Error& e) {
        return e.what();
    }
}

} // namespace reliability
