// icdtool build-guide: the coder's guide from the official files, in one
// transaction on a temporary file that replaces the old guide only when whole.
#include "guide/importer.h"

#include <chrono>
#include <ctime>
#include <filesystem>

#include "db/connection.h"
#include "db/replacefile.h"
#include "db/statement.h"
#include "guide/guidefile.h"
#include "guide/reader.h"

namespace fs = std::filesystem;

namespace guide {

namespace {

// One progress line a step: "  what .......   count unit   0.12 s".
class Progress {
public:
    explicit Progress(std::FILE* out) : m_out(out) {}
    void step(const std::string& what) {
        if (!m_out) return;
        std::fprintf(m_out, "  %-52s", what.c_str());
        std::fflush(m_out);
        m_start = std::chrono::steady_clock::now();
    }
    void done(long n, const char* unit) {
        if (!m_out) return;
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        std::fprintf(m_out, "%8ld %-10s %5.2f s\n", n, unit, s);
    }

private:
    std::FILE* m_out;
    std::chrono::steady_clock::time_point m_start;
};

std::string FileName(const std::string& path) {
    return fs::path(path).filename().string();
}

void ImportFile(void (*import)(ByteSource&, const std::string&, db::Connection&), const std::string& path,
                db::Connection& c) {
    std::unique_ptr<ByteSource> in = OpenSource(path);
    import(*in, path, c);
}

} // namespace

ImportCounts CountGuide(db::Connection& c) {
    ImportCounts n;
    auto count = [&](const std::string& sql) { return static_cast<long>(db::QueryCount(c, sql)); };
    auto blocks = [&](const char* kind) {
        return count(std::string("SELECT count(DISTINCT block) FROM note WHERE kind = '") + kind + "'");
    };
    n.chapters = count("SELECT count(*) FROM node WHERE kind = 'chapter'");
    n.sections = count("SELECT count(*) FROM node WHERE kind = 'section'");
    n.diags = count("SELECT count(*) FROM node WHERE kind = 'diag'");
    n.includes = blocks("includes");
    n.inclusionTerm = blocks("inclusionTerm");
    n.excludes1 = blocks("excludes1");
    n.excludes2 = blocks("excludes2");
    n.codeFirst = blocks("codeFirst");
    n.useAdditionalCode = blocks("useAdditionalCode");
    n.codeAlso = blocks("codeAlso");
    n.notes = blocks("notes");
    n.sevenChrNote = blocks("sevenChrNote");
    n.noteRows = count("SELECT count(*) FROM note WHERE kind NOT IN ('sevenChrNote', 'visualImpairment')");
    n.sevenChrDef = count("SELECT count(DISTINCT node) FROM seventh");
    n.extensions = count("SELECT count(*) FROM seventh WHERE character <> ''");
    n.seventhTableNotes = count("SELECT count(*) FROM seventh WHERE character = ''");
    n.mainTerms = count("SELECT count(*) FROM term WHERE level = 0");
    n.subTerms = count("SELECT count(*) FROM term WHERE level > 0");
    n.codes = count("SELECT count(*) FROM term WHERE code <> ''");
    n.see = count("SELECT count(*) FROM term WHERE see <> ''");
    n.seeAlso = count("SELECT count(*) FROM term WHERE see_also <> ''");
    n.nemod = count("SELECT count(*) FROM term WHERE nemod <> ''");
    n.manif = count("SELECT count(*) FROM term WHERE manif <> ''");
    n.subcat = count("SELECT count(*) FROM term WHERE subcat <> ''");
    n.seecat = count("SELECT count(*) FROM term WHERE seecat <> ''");
    n.orderCodes = count("SELECT count(*) FROM code");
    n.billable = count("SELECT count(*) FROM code WHERE billable = 1");
    return n;
}

ImportSources OfficialSources(const std::string& dataDir) {
    const fs::path d = fs::path(dataDir) / "icd10cm";
    return {(d / "icd10cm_tabular_2023.xml.xz").string(), (d / "icd10cm_index_2023.xml.xz").string(),
            (d / "icd10cm_order_2023_oct2022.tsv.xz").string()};
}

ImportCounts BuildGuide(const std::string& out, const ImportSources& sources, std::FILE* progressOut) {
    if (out.empty()) throw ImportError("沒有指定輸出檔 (no output file given)");
    for (const std::string* s : {&sources.tabular, &sources.index, &sources.order})
        if (s->empty())
            throw ImportError(
                "沒有指定類目表、索引或順序檔 (the tabular, index and order files are all needed)");
    Progress progress(progressOut);
    const std::string tmp = out + ".part";
    std::error_code ec;
    for (const char* suffix : {"", "-journal"})
        fs::remove(tmp + suffix, ec);
    try {
        ImportCounts counts;
        {
            db::Connection c;
            c.open(tmp, true);
            c.exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF");
            c.exec(GuideSchema());
            db::Transaction t(c);
            db::Statement info(c, "INSERT OR REPLACE INTO guide_info (key, value) VALUES (?1, ?2)");
            char today[16];
            const std::time_t now = std::time(nullptr);
            std::strftime(today, sizeof today, "%Y-%m-%d", std::localtime(&now));
            info.run({"format", GuideFormat});
            info.run({"edition", "ICD-10-CM 2023（2022-10-01）"});
            info.run({"built", today});
            info.run({"tabular_file", FileName(sources.tabular)});
            info.run({"index_file", FileName(sources.index)});
            info.run({"order_file", FileName(sources.order)});

            progress.step("tabular: " + FileName(sources.tabular));
            ImportFile(ImportTabular, sources.tabular, c);
            progress.done(static_cast<long>(db::QueryCount(c, "SELECT count(*) FROM node")), "nodes");
            progress.step("index: " + FileName(sources.index));
            ImportFile(ImportIndex, sources.index, c);
            progress.done(static_cast<long>(db::QueryCount(c, "SELECT count(*) FROM term")), "terms");
            progress.step("order: " + FileName(sources.order));
            ImportFile(ImportOrder, sources.order, c);
            progress.done(static_cast<long>(db::QueryCount(c, "SELECT count(*) FROM code")), "codes");

            const std::string tabularVersion = db::QueryValue(
                c, "SELECT coalesce((SELECT value FROM guide_info WHERE key = 'tabular_version'), '')");
            const std::string indexVersion = db::QueryValue(
                c, "SELECT coalesce((SELECT value FROM guide_info WHERE key = 'index_version'), '')");
            if (tabularVersion != indexVersion)
                throw ImportError("類目表與索引不是同一版：" + FileName(sources.tabular) + " 是「" +
                                  tabularVersion + "」版，" + FileName(sources.index) + " 是「" +
                                  indexVersion +
                                  "」版 (the tabular and the index are of different versions)");
            t.commit();
            progress.step("planner statistics");
            c.exec("ANALYZE");
            counts = CountGuide(c);
            progress.done(counts.diags + counts.mainTerms + counts.subTerms, "rows");
            c.exec("PRAGMA journal_mode=DELETE");
        }
        {
            progress.step("index codes against the tabular");
            Guide check;
            const std::string problem = check.open(tmp);
            if (!problem.empty()) throw ImportError(problem);
            counts.unresolvedIndexCodes = check.unresolvedIndexCodes();
            progress.done(counts.codes + counts.manif + counts.subcat + counts.seecat, "codes");
        }
        db::ReplaceFileDurably(tmp, out);
        return counts;
    } catch (...) {
        for (const char* suffix : {"", "-journal"})
            fs::remove(tmp + suffix, ec);
        throw;
    }
}

} // namespace guide
