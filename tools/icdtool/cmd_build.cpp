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
    info.run({"order", FileName(o.order)});
    if (!o.marks2014.empty()) {
        info.run({"marks", "2014: " + FileName(o.marks2014)});
        if (!o.order2014.empty()) info.run({"order_2014", FileName(o.order2014)});
    } else {
        info.run({"previous_order", FileName(o.previousOrder)});
    }
    if (!o.chinese.empty()) info.run({"chinese_names", FileName(o.chinese)});
    if (o.testChineseGlossary)
        info.run({"chinese_names_test",
                  "TEST DATA: names without an official Chinese name were made from the "
                  "English title with a small glossary; they are not official names"});
    if (!o.gem.empty()) info.run({"cm", FileName(o.gem)});
    if (!o.nhiIcd9Map.empty()) info.run({"cm", FileName(o.nhiIcd9Map)});
    if (!o.icd11.empty()) info.run({"icd11", FileName(o.icd11)});
    if (!o.ranks.empty()) info.run({"btbindn", FileName(o.ranks)});
    if (o.ranks.empty() && o.testUsageRanks)
        info.run(
            {"btbindn", "TEST DATA: 1000 ICD-9-CM codes in a fixed pseudo-random order, not statistics"});
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
        // The stages in order, each named for the window that shows them; an
        // importer without its file passes at once. Then the indexes and the
        // replacement of the old file.
        const std::pair<void (*)(Build&), const char*> importers[] = {
            {ImportCodes, "讀取 ICD-10-CM 代碼與 2023 年版標記"},
            {ImportChineseNames, "讀取中文名稱"},
            {ImportIcd11, "讀取 ICD-11 傳統醫學章"},
            {WriteCodes, "寫入代碼"},
            {ImportGem, "寫入 ICD-9-CM 對照（GEM）"},
            {ImportNhiIcd9Map, "寫入 ICD-9-CM 對照（健保署）"},
            {ImportIcd9Titles, "寫入 ICD-9-CM 名稱"},
            {ImportRanks, "寫入使用排名"},
            {WriteBuildInfo, "寫入建置資訊"}};
        const int stages = static_cast<int>(std::size(importers)) + 2;
        int stage = 0;
        {
            db::Transaction t(c);
            Build b{o, c, progress, counts, {}, {}, {}};
            for (const auto& [import, what] : importers) {
                progress.stage(++stage, stages, what);
                import(b);
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

const char* kBuildUsage =
    "用法 usage: icdtool build-db OUT.mdb --chinese FILE [選項 options]\n"
    "由官方公開檔案建置編碼資料庫（SQLite 格式），完成後才取代輸出檔；任一檔案有誤即停止，\n"
    "顯示「檔名:行號:」且不寫入任何東西。美國的檔案預設用程式附帶的官方檔案。說明見 docs/database.md。\n"
    "Builds the code database (SQLite form) from the official files, atomically; a file in error\n"
    "stops the build with FILE:LINE: and nothing is written. The US files are the project's own\n"
    "official files unless --data or --order names others. See docs/database.md.\n"
    "  --order FILE            本版 ICD-10-CM 順序檔 (CMS FY2023 order file, .txt/.tsv, may be .xz)\n"
    "  --previous-order FILE   前一年順序檔，供 2023 新增/刪除/停用標記 (previous year's order file; the "
    "default marks)\n"
    "  --chinese FILE          健保署 ICD-10-CM/PCS 2023 中文版 CSV（資料集 177507）: ICD10_CNAME, USE "
    "cross-check\n"
    "  --nhi-icd9-map FILE     健保署 ICD-9-CM 2001 與 ICD-10-CM 2023 對照 CSV（資料集 177509）: CM and "
    "ICD9\n"
    "                          (Chinese name in ICD9_NAME, English in ICD9_NAME2); replaces --gem and "
    "--icd9\n"
    "  --marks-2014 FILE       健保署 ICD-10-CM 2014 與 2023 對照 CSV（資料集 177508）: 2023 marks against "
    "the\n"
    "                          2014 edition instead of the previous year (D deleted, Y new)\n"
    "  --order-2014 FILE       with --marks-2014: the 2014 order file, which adds the X (disabled) marks\n"
    "  --gem FILE              US GEM ICD-9-CM -> ICD-10-CM (.tsv) into CM; a header stands for its billable "
    "codes\n"
    "  --icd9 FILE             ICD-9-CM titles (code, long_description, short_description) into ICD9\n"
    "  --icd9-tabular FILE     ICD-9-CM tabular titles, for the category titles\n"
    "  --icd11 FILE            ICD-11 chapter 26 list (code, title_en, title_zh_tw) into ICD10\n"
    "  --ranks FILE            usage ranks (IND_CODE, IND_INFECT_CODE) into btbindn\n"
    "  --edition TEXT          the edition's name shown in the main menu (default: ICD-10-CM 2023)\n"
    "  --schema FILE           schema to create (default: the one built into this program)\n"
    "  --data DIR              take the US files from DIR laid out as the project's official files\n"
    "                          (icd10cm/, gem/, icd9cm/, icd11/); the options above override it.\n"
    "                          Without --data and --order: the official files that come with icdtool\n"
    "  --april                 with the official files: the April 2023 update instead of the October 2022\n"
    "                          release\n"
    "  --no-icd9 --no-gem --no-icd11   leave out an input that the official files would add\n"
    "TEST DATA ONLY (never for a clinic's database):\n"
    "  --test-chinese-glossary codes without an official Chinese name get one made from the English\n"
    "                          title with a small glossary of ours (NOT official names)\n"
    "  --test-usage-ranks      when no --ranks: 1000 ICD-9-CM codes ranked in a fixed pseudo-random\n"
    "                          order (NOT real statistics)\n";

std::string CountsOf(const std::map<std::string, long>& values) {
    std::string s;
    for (const auto& [value, n] : values)
        s += (s.empty() ? "" : "、") + (value.empty() ? std::string("（空白）") : value) + " " +
             std::to_string(n);
    return s.empty() ? "（無）" : s;
}

void PrintSummary(const build::Options& o, const build::Counts& n, double seconds) {
    std::fprintf(stderr,
                 "完成，費時 %.1f 秒 (done in %.1f s): ICD-10-CM %ld rows (%ld billable, %ld new in 2023, "
                 "%ld deleted, "
                 "%ld disabled), ICD-11 %ld rows, Chinese names %ld, CM %ld, ICD9 %ld, btbindn %ld\n",
                 seconds, seconds, n.icd10, n.billable, n.newIn2023, n.deleted2023, n.disabled2023, n.icd11,
                 n.chineseNames, n.cm, n.icd9, n.btbindn);
    if (!o.gem.empty())
        std::fprintf(stderr,
                     "GEM：%ld 列對到 2023 年版的非最細碼，改以其下 %ld 個最細碼列入 CM "
                     "(GEM rows mapped to a header: %ld, replaced by %ld billable codes)\n",
                     n.cmHeaderRows, n.cmHeaderCodes, n.cmHeaderRows, n.cmHeaderCodes);
    if (!o.chinese.empty()) {
        std::fprintf(
            stderr,
            "中文版：名稱含「?」%ld 個（照原樣保留）、相容漢字已正規化 %ld 個、USE 與順序檔不一致 %ld 個"
            "（以順序檔為準）、PCS 代碼 %ld 列略過、順序檔沒有的 CM 代碼 %ld 個\n"
            "  (names with \"?\" %ld kept as given, names normalised %ld, USE disagreements %ld, the order "
            "file decides; PCS rows skipped %ld; CM codes not in the order file %ld)\n",
            n.questionNames, n.composedNames, n.useDisagreements, n.nhiPcsRows, n.nhiNotInEdition,
            n.questionNames, n.composedNames, n.useDisagreements, n.nhiPcsRows, n.nhiNotInEdition);
        for (const auto& e : n.useExamples)
            std::fprintf(stderr, "  USE: %s\n", e.c_str());
        std::fprintf(stderr,
                     "  檔案本身的修訂紀錄（只計數，不寫入）：狀態 %s；有修訂日期 %ld 列 "
                     "(revisions of the file itself, counted, not stored)\n",
                     CountsOf(n.revisions).c_str(), n.revisionDates);
    }
    if (!o.nhiIcd9Map.empty())
        std::fprintf(stderr, "ICD-9 對照：處置碼（PCS）%ld 列略過 (procedure rows skipped: %ld)\n",
                     n.icd9MapProcedureRows, n.icd9MapProcedureRows);
    if (!o.marks2014.empty())
        std::fprintf(stderr, "2014 對照：2014代碼狀態 %s；2023代碼狀態 %s%s\n",
                     CountsOf(n.status2014).c_str(), CountsOf(n.status2023).c_str(),
                     o.order2014.empty() ? "；未給 2014 順序檔，沒有 X 標記 (no 2014 order file: no X marks)"
                                         : "");
    if (o.testChineseGlossary || (o.testUsageRanks && o.ranks.empty()))
        std::fprintf(stderr, "注意：此資料庫含測試資料，不可用於臨床 (NOTE: this database holds TEST DATA "
                             "(glossary names / test ranks); not for clinical use.)\n");
}

} // namespace

int BuildDb(const Args& args) {
    build::Options o;
    std::string data;
    bool april = false, noIcd9 = false, noGem = false, noIcd11 = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size())
                throw build::Error("選項 " + a + " 缺少值 (option " + a + " needs a value)");
            return args[++i];
        };
        const std::map<std::string, std::string*> files = {{"--order", &o.order},
                                                           {"--previous-order", &o.previousOrder},
                                                           {"--chinese", &o.chinese},
                                                           {"--gem", &o.gem},
                                                           {"--icd9", &o.icd9},
                                                           {"--icd9-tabular", &o.icd9Tabular},
                                                           {"--icd11", &o.icd11},
                                                           {"--ranks", &o.ranks},
                                                           {"--schema", &o.schemaFile},
                                                           {"--data", &data},
                                                           {"--nhi-icd9-map", &o.nhiIcd9Map},
                                                           {"--marks-2014", &o.marks2014},
                                                           {"--order-2014", &o.order2014},
                                                           {"--edition", &o.edition}};
        const std::map<std::string, bool*> flags = {{"--april", &april},
                                                    {"--no-icd9", &noIcd9},
                                                    {"--no-gem", &noGem},
                                                    {"--no-icd11", &noIcd11},
                                                    {"--test-chinese-glossary", &o.testChineseGlossary},
                                                    {"--test-usage-ranks", &o.testUsageRanks}};
        if (a == "--help" || a == "-h") {
            std::fputs(kBuildUsage, stdout);
            return 0;
        } else if (auto f = files.find(a); f != files.end()) {
            *f->second = value();
        } else if (auto g = flags.find(a); g != flags.end()) {
            *g->second = true;
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "icdtool build-db: 不認得的選項 (unknown option) %s\n%s", a.c_str(),
                         kBuildUsage);
            return 2;
        } else if (o.out.empty()) {
            o.out = a;
        } else {
            std::fprintf(stderr, "icdtool build-db: 輸出檔只能有一個 (more than one output file given)\n%s",
                         kBuildUsage);
            return 2;
        }
    }
    if (o.out.empty()) {
        std::fputs(kBuildUsage, stderr);
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
