// icdtool build-db: the code database from the official public releases.
#include "cmd_build.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "clinicbuild.h"
#include "cmd_build_steps.h"
#include "commands.h"
#include "db/codeindexes.h"
#include "db/connection.h"
#include "db/statement.h"
#include "db/replacefile.h"
#include "text/paths.h"
#include "text/text.h"

namespace fs = std::filesystem;

namespace icdtool {

namespace build {

Progress::~Progress() {
    if (m_out && m_open) std::fputc('\n', m_out);
}

Cancelled::Cancelled()
    : Error("已取消建置，沒有寫入任何東西 (the build was cancelled; nothing was written)") {}

void Progress::report() {
    if (m_callback && !m_callback(m_now)) throw Cancelled();
}

void Progress::stage(int number, int count, const std::string& what) {
    m_now = BuildStep{number, count, what, {}};
    report();
}

void Progress::step(const std::string& what) {
    m_now.detail = what;
    report();
    if (!m_out) return;
    m_open = true;
    std::fprintf(m_out, "  %-52s", what.c_str());
    std::fflush(m_out);
    m_start = std::chrono::steady_clock::now();
}

void Progress::done(long n, const char* unit) {
    if (!m_out) return;
    m_open = false;
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    std::fprintf(m_out, "%8ld %-10s %5.2f s\n", n, unit, s);
}

std::string FileName(const std::string& p) {
    return fs::path(p).filename().string();
}

namespace {

std::string SchemaText(const Options& o) {
    if (o.schemaFile.empty()) return BuiltInSchema();
    std::ifstream f(text::PathFromUtf8(o.schemaFile), std::ios::binary);
    if (!f) throw Error(o.schemaFile + ": cannot be opened");
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void CheckOptions(const Options& o) {
    if (o.out.empty()) throw Error("沒有指定輸出檔 (no output file given)");
    if (o.order.empty())
        throw Error("沒有指定本版的順序檔 (no order file of the edition given: --order or --data)");
    if (o.marks2014.empty() && o.previousOrder.empty())
        throw Error(
            "沒有指定前一年的順序檔 (no order file of the previous year given: --previous-order or --data)");
    if (!o.order2014.empty() && o.marks2014.empty())
        throw Error("--order-2014 須與 --marks-2014 一起使用 (--order-2014 goes with --marks-2014)");
    if (!o.nhiIcd9Map.empty() && (!o.gem.empty() || !o.icd9.empty() || !o.icd9Tabular.empty()))
        throw Error(
            "健保署 ICD-9 對照檔與美國 GEM/ICD-9 檔只能擇一 (--nhi-icd9-map replaces --gem, --icd9 and "
            "--icd9-tabular)");
}

// Each NHI file named by its header before anything is read or written, so that
// a file given for another says which it is.
void CheckNhiHeaders(const Options& o) {
    const std::pair<const std::string&, NhiFile> files[] = {{o.chinese, NhiFile::ChineseEdition},
                                                            {o.nhiIcd9Map, NhiFile::Icd9Map},
                                                            {o.marks2014, NhiFile::Map2014}};
    for (const auto& [path, kind] : files)
        if (!path.empty())
            if (const std::string problem = CheckNhiFileHeader(kind, path); !problem.empty())
                throw Error(path + ":1: " + problem);
}

// The counts of the summary, each from the database as written.
void CountRows(db::Connection& c, Counts& n) {
    auto count = [&](const char* sql) { return static_cast<long>(db::QueryCount(c, sql)); };
    n.icd10 = count("SELECT count(*) FROM ICD10 WHERE ICD10_NO NOT LIKE 'S_%' OR ICD10_NO GLOB 'S[0-9]*'");
    n.icd11 = count("SELECT count(*) FROM ICD10") - n.icd10;
    n.billable = count("SELECT count(*) FROM ICD10 WHERE ICD10_FLAG='Y' AND NOT ICD10_NO GLOB 'S[A-Z]*'");
    n.newIn2023 = count("SELECT count(*) FROM ICD10 WHERE ICD10_2023NEW='Y'");
    n.deleted2023 = count("SELECT count(*) FROM ICD10 WHERE ICD10_2023FLAG='D'");
    n.disabled2023 = count("SELECT count(*) FROM ICD10 WHERE ICD10_2023FLAG='X'");
    n.cm = count("SELECT count(*) FROM CM");
    n.icd9 = count("SELECT count(*) FROM ICD9");
    n.btbindn = count("SELECT count(*) FROM btbindn");
}

} // namespace

void WriteBuildInfo(Build& b) {
    const Options& o = b.options;
    db::Statement info(b.conn, "INSERT INTO BUILDINFO VALUES (?1, ?2)");
    char today[16];
    std::time_t now = std::time(nullptr);
    std::strftime(today, sizeof today, "%Y-%m-%d", std::localtime(&now));
    info.run({"source", "official"});
    info.run({"edition", o.edition.empty() ? "ICD-10-CM 2023" : o.edition});
    info.run({"built", today});
    for (const Source& source : Sources())
        if (source.buildInfo)
            source.buildInfo(o, [&](const char* key, const std::string& value) { info.run({key, value}); });
}

void PickFromData(Options& o, const std::string& data, bool april, bool noIcd9, bool noGem, bool noIcd11) {
    const fs::path d = text::PathFromUtf8(data);
    auto pick = [](std::string& slot, const fs::path& p) {
        if (!slot.empty()) return;
        // A release file that is there decompressed is read in place of its
        // .xz (Windows reads no .xz).
        std::error_code ec;
        fs::path plain = p;
        if (p.extension() == ".xz" && fs::exists(plain.replace_extension(), ec))
            slot = text::Utf8FromPath(plain);
        else
            slot = text::Utf8FromPath(p);
    };
    pick(o.order,
         d / "icd10cm" / (april ? "icd10cm_order_2023.tsv.xz" : "icd10cm_order_2023_oct2022.tsv.xz"));
    if (o.marks2014.empty()) pick(o.previousOrder, d / "icd10cm" / "icd10cm_order_2022.tsv.xz");
    if (o.nhiIcd9Map.empty()) {
        if (!noGem) pick(o.gem, d / "gem" / "gem_icd9cm_to_icd10cm_2018.tsv");
        if (!noIcd9) {
            pick(o.icd9, d / "icd9cm" / "icd9cm_dx_v32.tsv");
            pick(o.icd9Tabular, d / "icd9cm" / "icd9cm_tabular_fy2012_titles.tsv");
        }
    }
    if (!noIcd11) pick(o.icd11, d / "icd11" / "icd11_mms_ch26_tm1_zh_tw.tsv");
    if (o.edition.empty())
        o.edition = april ? "ICD-10-CM 2023（2023-04-01 更新）" : "ICD-10-CM 2023（2022-10-01）";
}

Counts BuildDatabase(const Options& o, std::FILE* progressOut, const ProgressCallback& callback) {
    CheckOptions(o);
    CheckNhiHeaders(o);
    const std::string schema = SchemaText(o);
    Progress progress(progressOut, callback);
    Counts counts;
    const std::string tmp = o.out + ".part";
    std::error_code ec;
    for (const char* s : {"", "-journal"})
        fs::remove(text::PathFromUtf8(tmp + s), ec); // UTF-8, as the engine takes it
    try {
        db::Connection c;
        c.open(tmp, true);
        c.exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF");
        c.exec(schema);
        c.exec("CREATE TABLE BUILDINFO (KEY VARCHAR(40) COLLATE NOCASE, VALUE TEXT COLLATE NOCASE)");
        // The steps in order, each named for the window that shows them; a
        // step without its file passes at once. Then the indexes and the
        // replacement of the old file.
        const std::vector<StepRow>& steps = BuildSteps();
        const int stages = static_cast<int>(steps.size()) + 2;
        int stage = 0;
        {
            db::Transaction t(c);
            Build b{o, c, progress, counts, {}, {}, {}};
            for (const StepRow& step : steps) {
                progress.stage(++stage, stages, step.stage);
                step.run(b);
            }
            t.commit();
        }
        progress.stage(++stage, stages, "建立索引");
        progress.step("indexes and planner statistics");
        db::OptimizeCodeDatabase(c);
        progress.done(static_cast<long>(db::CodeIndexes().size()), "indexes");
        CountRows(c, counts);
        c.exec("PRAGMA journal_mode=DELETE");
        c.close();
        progress.stage(++stage, stages, "以新資料庫取代舊檔");
        db::ReplaceFileDurably(tmp, o.out);
        return counts;
    } catch (...) {
        for (const char* s : {"", "-journal"})
            fs::remove(text::PathFromUtf8(tmp + s), ec); // UTF-8, as the engine takes it
        throw;
    }
}

} // namespace build

namespace {

// The options of the build as a whole (the sources' own are in Sources()).
const char* kUsageHead =
    "用法 usage: icdtool build-db OUT.mdb --chinese FILE [選項 options]\n"
    "由官方公開檔案建置編碼資料庫（SQLite 格式），完成後才取代輸出檔；任一檔案有誤即停止，\n"
    "顯示「檔名:行號:」且不寫入任何東西。美國的檔案預設用程式附帶的官方檔案。說明見 docs/database.md。\n"
    "Builds the code database (SQLite form) from the official files, atomically; a file in error\n"
    "stops the build with FILE:LINE: and nothing is written. The US files are the project's own\n"
    "official files unless --data or --order names others. See docs/database.md.\n";
const char* kUsageGeneral =
    "  --edition TEXT          the edition's name shown in the main menu (default: ICD-10-CM 2023)\n"
    "  --schema FILE           schema to create (default: the one built into this program)\n"
    "  --data DIR              take the US files from DIR laid out as the project's official files\n"
    "                          (icd10cm/, gem/, icd9cm/, icd11/); the options above override it.\n"
    "                          Without --data and --order: the official files that come with icdtool\n"
    "  --april                 with the official files: the April 2023 update instead of the October 2022\n"
    "                          release\n"
    "  --no-icd9 --no-gem --no-icd11   leave out an input that the official files would add\n"
    "TEST DATA ONLY (never for a clinic's database):\n";

std::string Usage() {
    std::string text = kUsageHead;
    for (const build::Source& source : build::Sources())
        for (const build::SourceOption& option : source.options)
            text += option.help;
    text += kUsageGeneral;
    for (const build::Source& source : build::Sources())
        for (const build::SourceOption& option : source.testOptions)
            text += option.help;
    return text;
}

void PrintSummary(const build::Options& o, const build::Counts& n, double seconds) {
    std::fprintf(stderr,
                 "完成，費時 %.1f 秒 (done in %.1f s): ICD-10-CM %ld rows (%ld billable, %ld new in 2023, "
                 "%ld deleted, "
                 "%ld disabled), ICD-11 %ld rows, Chinese names %ld, CM %ld, ICD9 %ld, btbindn %ld\n",
                 seconds, seconds, n.icd10, n.billable, n.newIn2023, n.deleted2023, n.disabled2023, n.icd11,
                 n.chineseNames, n.cm, n.icd9, n.btbindn);
    for (const bool explainsTotals : {true, false})
        for (const build::Source& source : build::Sources())
            if (source.summary && source.explainsTotals == explainsTotals) source.summary(o, n);
    if (o.testChineseGlossary || (o.testUsageRanks && o.ranks.empty()))
        std::fprintf(stderr, "注意：此資料庫含測試資料，不可用於臨床 (NOTE: this database holds TEST DATA "
                             "(glossary names / test ranks); not for clinical use.)\n");
}

} // namespace

int BuildDb(const Args& args) {
    build::Options o;
    std::string data;
    bool april = false, noIcd9 = false, noGem = false, noIcd11 = false;
    // Each source's options, then those of the build as a whole.
    std::map<std::string, std::string*> values = {
        {"--schema", &o.schemaFile}, {"--data", &data}, {"--edition", &o.edition}};
    std::map<std::string, bool*> flags = {
        {"--april", &april}, {"--no-icd9", &noIcd9}, {"--no-gem", &noGem}, {"--no-icd11", &noIcd11}};
    for (const build::Source& source : build::Sources())
        for (const auto* list : {&source.options, &source.testOptions})
            for (const build::SourceOption& option : *list) {
                if (option.value) values[option.name] = &(o.*option.value);
                if (option.flag) flags[option.name] = &(o.*option.flag);
            }
    const std::string usage = Usage();
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size())
                throw build::Error("選項 " + a + " 缺少值 (option " + a + " needs a value)");
            return args[++i];
        };
        if (a == "--help" || a == "-h") {
            std::fputs(usage.c_str(), stdout);
            return 0;
        } else if (auto f = values.find(a); f != values.end()) {
            *f->second = value();
        } else if (auto g = flags.find(a); g != flags.end()) {
            *g->second = true;
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "icdtool build-db: 不認得的選項 (unknown option) %s\n%s", a.c_str(),
                         usage.c_str());
            return 2;
        } else if (o.out.empty()) {
            o.out = a;
        } else {
            std::fprintf(stderr, "icdtool build-db: 輸出檔只能有一個 (more than one output file given)\n%s",
                         usage.c_str());
            return 2;
        }
    }
    if (o.out.empty()) {
        std::fputs(usage.c_str(), stderr);
        return 2;
    }
    // Without US files named, the project's own official files.
    if (data.empty() && o.order.empty()) {
        data = build::OfficialDataDir(text::Utf8FromPath(text::PathFromUtf8(ExecutablePath()).parent_path()));
        build::RequireOfficialData(data);
    }
    if (!data.empty())
        PickFromData(o, data, april, noIcd9, noGem, noIcd11);
    else if (april)
        throw build::Error(
            "--april 須與 --data 一起使用 (--april goes with --data; otherwise give the April file "
            "with --order)");
    std::fprintf(stderr, "建置 (building) %s\n", o.out.c_str());
    auto start = std::chrono::steady_clock::now();
    build::Counts n = build::BuildDatabase(o, stderr);
    PrintSummary(o, n, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return 0;
}

} // namespace icdtool
