// The database build: the code database from the official public releases,
// written on a temporary file that replaces the old one when complete.
#include "dbbuild/build.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "db/codeindexes.h"
#include "db/connection.h"
#include "db/statement.h"
#include "db/replacefile.h"
#include "dbbuild/clinicbuild.h"
#include "dbbuild/steps.h"
#include "text/paths.h"
#include "text/text.h"

namespace fs = std::filesystem;

namespace dbbuild {

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

} // namespace dbbuild
