#pragma once
// Building the code database (icd10_2023.mdb, SQLite form) from the official
// public releases. The pieces are here so that tests can drive them directly.

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace dbbuild {

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
    // Stops at a line that is not UTF-8 text (the release files are UTF-8).
    void checkText(const std::string& line) const;
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
// are not valid UTF-8, CP950 (text/textfile.h); rows come back in UTF-8. Bytes
// that are not text in their encoding throw Error "CSV:LINE: what".
std::vector<std::vector<std::string>> ParseCsv(const std::string& bytes);

// A comma-separated file read whole: its bytes decoded and checked as ParseCsv
// does, its header checked against the exact one it must have (the texts in
// this order; blanks around them and a byte-order mark are ignored). Rows keep
// the line on which they start, so errors say FILE:LINE:. Every data row must
// have as many fields as the header; blank lines are skipped.
class CsvFile {
public:
    struct Row {
        int line = 0;
        std::vector<std::string> fields;
    };
    CsvFile(const std::string& path, const std::vector<std::string>& header);
    const std::vector<Row>& rows() const { return m_rows; }
    // The field of a row by its header text.
    const std::string& get(const Row& row, const std::string& column) const;
    const std::string& path() const { return m_path; }
    [[noreturn]] void fail(const Row& row, const std::string& what) const;

private:
    std::string m_path;
    std::vector<std::string> m_header;
    std::vector<Row> m_rows;
};

// Chinese text in its composed form for the characters that matter in code
// names: each CJK compatibility ideograph (U+F900-U+FAFF, U+2F800-U+2FA1F) is
// replaced by the ordinary ideograph it stands for, as Unicode normalisation
// to NFC does; all other text is left as it is. The table was generated from
// the Unicode Character Database (14.0).
//   "\uF9B2" (compatibility 零) => "\u96F6" (零);  "\uFA19" => "\u795E" (神);  "腰痛" => "腰痛"
std::string ComposeCompatibilityIdeographs(const std::string& utf8);

// An ICD-10-CM or ICD-10-PCS code as the Taiwan NHI files write them: CM codes
// are dotted after the third character (S00.00XA) or are 3-character
// categories; PCS codes are 7 characters without a dot (0016070).
enum class CodeKind { Cm, Pcs, Invalid };
CodeKind KindOfNhiCode(const std::string& code);

// TEST DATA ONLY: a Chinese name made from an English ICD-10-CM title with a
// small glossary of our own (sides, dominant side, body parts, kinds of injury,
// common disease words, episode of care). Not a translation and not the
// official Chinese edition; it gives searches by side, episode, body part and
// kind of injury full-size results in tests and benchmarks.
//   "Sprain of unspecified ligament of right ankle, initial encounter" => "未明示右側踝韌帶扭傷，初期照護"
std::string TestChineseName(const std::string& code, const std::string& english);

struct Options {
    std::string out;
    std::string schemaFile;    // "" = the schema built into the program
    std::string order;         // order file of the edition
    std::string previousOrder; // order file of the year before
    std::string chinese;       // optional: NHI Chinese edition of ICD-10-CM 2023 (CSV)
    std::string nhiIcd9Map;    // optional: NHI ICD-9-CM 2001 to ICD-10-CM 2023 map (CSV) into CM and ICD9
    std::string marks2014;     // optional: NHI ICD-10-CM 2014 to 2023 map: marks against the 2014 edition
    std::string order2014;     // optional with marks2014: the 2014 order file, for the "X" marks
    std::string edition;       // the edition's name kept in BUILDINFO ("" = "ICD-10-CM 2023")
    std::string gem;           // optional: GEM ICD-9-CM -> ICD-10-CM
    std::string icd9;          // optional: ICD-9-CM titles (long, short)
    std::string icd9Tabular;   // optional: ICD-9-CM tabular titles (categories)
    std::string icd11;         // optional: ICD-11 chapter 26 list
    std::string ranks;         // optional: usage ranks of ICD-9-CM codes
    bool testChineseGlossary = false;
    bool testUsageRanks = false;
};

// What the US GEM importer counted: its rows whose ICD-10-CM code is a header
// of the edition, and the rows of its billable codes that stand for them in CM.
struct GemCounts {
    long cmHeaderRows = 0, cmHeaderCodes = 0;
};

// What the NHI Chinese edition importer counted: names holding "?", names with
// compatibility ideographs composed, USE against the order file (the order file
// decides), PCS rows left out, CM codes that the order file lacks, and the
// revisions of the file itself (its status values and dated rows), counted,
// never stored.
struct ChineseEditionCounts {
    long questionNames = 0, composedNames = 0, useDisagreements = 0, nhiPcsRows = 0, nhiNotInEdition = 0;
    std::vector<std::string> useExamples; // the first few disagreements
    std::map<std::string, long> revisions;
    long revisionDates = 0;
};

// What the NHI ICD-9 map importer counted: procedure rows left out.
struct Icd9MapCounts {
    long procedureRows = 0;
};

// What the NHI 2014 map importer counted: the values of its two status columns.
struct Map2014Counts {
    std::map<std::string, long> status2014, status2023;
};

struct Counts {
    // The rows of the tables as written (the summary's first line).
    long icd10 = 0, billable = 0, newIn2023 = 0, deleted2023 = 0, disabled2023 = 0;
    long icd11 = 0, chineseNames = 0, cm = 0, icd9 = 0, btbindn = 0;
    // What each importer counted, for its lines of the summary.
    GemCounts gem;
    ChineseEditionCounts chinese;
    Icd9MapCounts icd9Map;
    Map2014Counts map2014;
};

// How far a build has come, for a window: the stage (from 1, of count), what it
// does in Traditional Chinese, and the step within it as the command line
// prints it ("" as the stage begins).
struct BuildStep {
    int number = 0, count = 0;
    std::string stage;  // "讀取中文名稱"
    std::string detail; // "Chinese names 177507.csv"
};

// Called on the thread that builds, as each stage and each step begins;
// returning false cancels the build.
using ProgressCallback = std::function<bool(const BuildStep&)>;

// A build stopped through its progress callback; nothing was written.
class Cancelled : public Error {
public:
    Cancelled();
};

// Builds the database at options.out atomically (a temporary file beside it,
// put in its place durably when complete; on any error or a cancel the
// temporary file is removed and options.out is left as it was). Progress lines
// go to progress (may be null), and each stage and step to callback (may be
// empty).
Counts BuildDatabase(const Options& options, std::FILE* progress, const ProgressCallback& callback = {});

// Fills the inputs that the options leave empty from a folder laid out as the
// project's official files (icd10cm/, gem/, icd9cm/, icd11/): the order files
// of the edition (the April 2023 update with april) and of the year before
// (unless the 2014 map gives the marks), the GEM and ICD-9-CM titles (unless
// the NHI ICD-9 map replaces them, or noGem, noIcd9) and the ICD-11 list
// (unless noIcd11). A release file decompressed beside or instead of its .xz
// (icd10cm_order_2022.tsv for icd10cm_order_2022.tsv.xz) is the one read.
void PickFromData(Options& o, const std::string& data, bool april, bool noIcd9, bool noGem, bool noIcd11);

// The schema file built into the program.
const char* BuiltInSchema();

} // namespace dbbuild
