#pragma once
// The importers of build-db, one per source, and what they share. Each reads
// its file whole and checks it; the build runs them in one transaction on a
// temporary file, so a file that fails leaves nothing written.

#include <array>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "dbbuild/build.h"

namespace db {
class Connection;
}

namespace dbbuild {

struct OrderRow {
    std::string code;
    bool billable = false;
    std::string title;
};

// An ICD-10-CM order file: tab-separated with a header (order_number, code,
// valid_for_submission, short_description, long_description) or the original
// fixed-width text (code in columns 7-13, flag in 15, long title from 78).
std::vector<OrderRow> ReadOrderFile(const std::string& path);

// The NHI ICD-10-CM 2014 to 2023 map: the CM codes of the 2014 edition with
// their Chinese and English names. The status columns are counted into counts.
struct Map2014 {
    std::map<std::string, std::pair<std::string, std::string>> codes2014;
    std::unordered_map<std::string, bool> billable2014; // filled from the 2014 order file when given
};
Map2014 ReadMap2014(const std::string& path, Map2014Counts& counts);

// A row of ICD10: code, Chinese name, English name, flag, 2023 mark, new mark.
using CodeRow = std::array<std::string, 6>;

// A build's progress: lines on a terminal, and each stage and step to a
// window's callback, which may cancel the build.
class Progress {
public:
    Progress(std::FILE* out, const ProgressCallback& callback) : m_out(out), m_callback(callback) {}
    // A step left open by an error ends its line, so the error stands on its own.
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    // The build's next stage begins (numbered from 1, of count).
    void stage(int number, int count, const std::string& what);
    // Throw Cancelled when the callback says stop.
    void step(const std::string& what);
    void done(long n, const char* unit);

private:
    void report();
    std::FILE* m_out;
    const ProgressCallback& m_callback;
    BuildStep m_now;
    bool m_open = false;
    std::chrono::steady_clock::time_point m_start;
};

std::string FileName(const std::string& path);

// What the importers share while a database is built.
struct Build {
    const Options& options;
    db::Connection& conn;
    Progress& progress;
    Counts& counts;
    std::vector<OrderRow> edition;                  // the order file of the edition
    std::unordered_map<std::string, bool> billable; // edition code => billable
    std::vector<CodeRow> codeRows;                  // ICD10 rows, written by WriteCodes
};

// ICD10 rows of the edition with their 2023 marks: against the previous year's
// order file, or, with marks2014, against the 2014 edition of the NHI map.
void ImportCodes(Build& b);
// Chinese names: the NHI Chinese edition, then (test data only) the glossary.
void ImportChineseNames(Build& b);
// ICD-11 chapter 26 codes and their 3-character groups.
void ImportIcd11(Build& b);
// Writes ICD10 in code order.
void WriteCodes(Build& b);
// CM from the US GEM; a header of the edition stands for its billable codes.
void ImportGem(Build& b);
// CM and ICD9 from the NHI ICD-9-CM map, as it is.
void ImportNhiIcd9Map(Build& b);
// ICD9 from the CMS titles and the tabular list.
void ImportIcd9Titles(Build& b);
// btbindn from a ranks file, or (test data only) test ranks.
void ImportRanks(Build& b);
// BUILDINFO: where each table came from, the edition and the day of the build.
void WriteBuildInfo(Build& b);

// An option of a source: a file (or text) or a switch of Options, and its
// lines of `build-db --help` as printed.
struct SourceOption {
    const char* name;                      // "--chinese"
    std::string Options::*value = nullptr; // what it names
    bool Options::*flag = nullptr;         // or what it switches on
    const char* help;                      // "  --chinese FILE          健保署…\n"
};

// A source of build-db: one row of Sources(), which the option parsing,
// --help, BUILDINFO and the summary all read, in this order. (The steps that
// read the files are BuildSteps(), in the order the build needs.)
struct Source {
    std::vector<SourceOption> options;
    std::vector<SourceOption> testOptions; // listed under TEST DATA ONLY
    // Its rows of BUILDINFO (key, value); may be empty.
    std::function<void(const Options&, const std::function<void(const char*, const std::string&)>&)>
        buildInfo;
    // Its lines of the summary (to stderr); may be empty. With
    // explainsTotals, they come right after the first line (the rows of the
    // tables), before the other sources' lines.
    std::function<void(const Options&, const Counts&)> summary;
    bool explainsTotals = false;
};
const std::vector<Source>& Sources();

// A step of the build: what it does and how the build window names it.
struct StepRow {
    void (*run)(Build&);
    const char* stage; // "讀取中文名稱"
};
// In order: the codes before the names and the ICD-11 list, all of them before
// ICD10 is written; the maps, titles and ranks after; BUILDINFO last. A step
// whose source was not given passes at once.
const std::vector<StepRow>& BuildSteps();

} // namespace dbbuild
