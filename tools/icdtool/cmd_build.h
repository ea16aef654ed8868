#pragma once
// Building the code database (icd10_2023.mdb, SQLite form) from the official
// public releases. The pieces are here so that tests can drive them directly.

#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace icdtool::build {

// A build error: bad option, unreadable file, malformed line ("FILE:LINE: ...").
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a text file line by line (LF or CR LF), decompressing a ".xz" file
// through `xz -dc`. Counts lines from 1 so messages can point at them.
class LineReader {
public:
    explicit LineReader(const std::string& path);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;
    bool next(std::string& line); // false at the end (checks the decompressor's exit)
    int lineNo() const { return m_lineNo; }
    const std::string& path() const { return m_path; }
    // "FILE:LINE: what" for the current line.
    [[noreturn]] void fail(const std::string& what) const;

private:
    std::string m_path;
    std::FILE* m_file = nullptr;
    int m_pid = -1;
    int m_lineNo = 0;
    char* m_buf = nullptr;
    std::size_t m_cap = 0;
};

std::vector<std::string> SplitTabs(const std::string& line);

// A tab-separated file with a header line; columns are found by name.
class TsvReader {
public:
    // required: the column names that must be in the header.
    TsvReader(const std::string& path, const std::vector<std::string>& required);
    bool next(); // the next data line; blank lines are skipped
    bool has(const std::string& column) const { return m_index.count(column) > 0; }
    const std::string& get(const std::string& column) const;
    LineReader& reader() { return m_in; }

private:
    LineReader m_in;
    std::map<std::string, std::size_t> m_index;
    std::vector<std::string> m_fields;
};

// Comma-separated text as spreadsheets write it (quotes, doubled quotes, line
// breaks inside quotes). The bytes are UTF-8 (a BOM is skipped) or, when they
// are not valid UTF-8, CP950; rows come back in UTF-8.
std::vector<std::vector<std::string>> ParseCsv(const std::string& bytes);

// Dotted forms: ICD-10-CM "S93401A" => "S93.401A", "A00" => "A00";
// ICD-9-CM "0010" => "001.0", "V0101" => "V01.01", "E8000" => "E800.0", "042" => "042".
std::string DotIcd10(const std::string& code);
std::string DotIcd9(const std::string& code);

// TEST DATA ONLY: a Chinese name made from an English ICD-10-CM title with a
// small glossary of our own (sides, dominant side, body parts, kinds of injury,
// common disease words, episode of care). Not a translation and not the
// official Chinese edition; it gives searches by side, episode, body part and
// kind of injury full-size results in tests and benchmarks.
//   "Sprain of unspecified ligament of right ankle, initial encounter" => "未明示右側踝韌帶扭傷，初期照護"
std::string TestChineseName(const std::string& code, const std::string& english);

struct Options {
    std::string out;
    std::string schemaFile;     // "" = the schema built into the program
    std::string order;          // order file of the edition
    std::string previousOrder;  // order file of the year before
    std::string chinese;        // optional: Taiwan official Chinese-edition CSV
    std::string gem;            // optional: GEM ICD-9-CM -> ICD-10-CM
    std::string icd9;           // optional: ICD-9-CM titles (long, short)
    std::string icd9Tabular;    // optional: ICD-9-CM tabular titles (categories)
    std::string icd11;          // optional: ICD-11 chapter 26 list
    std::string ranks;          // optional: usage ranks of ICD-9-CM codes
    bool testChineseGlossary = false;
    bool testUsageRanks = false;
};

struct Counts {
    long icd10 = 0, billable = 0, newIn2023 = 0, deleted2023 = 0, disabled2023 = 0;
    long icd11 = 0, chineseNames = 0, cm = 0, icd9 = 0, btbindn = 0;
};

// Builds the database at options.out atomically (a temporary file beside it,
// renamed when complete). Progress lines go to progress (may be null).
Counts BuildDatabase(const Options& options, std::FILE* progress);

// The schema file built into the program.
const char* BuiltInSchema();

} // namespace icdtool::build
