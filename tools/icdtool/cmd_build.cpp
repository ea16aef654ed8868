// icdtool build-db: the code database from the official public releases.
#include "cmd_build.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <map>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

#include "commands.h"
#include "db/codeindexes.h"
#include "db/connection.h"
#include "text/text.h"

namespace fs = std::filesystem;

namespace icdtool {

namespace build {

namespace {

struct OrderRow {
    std::string code;
    bool billable;
    std::string title;
};

bool IsCode(const std::string& s, std::size_t minLen, std::size_t maxLen) {
    if (s.size() < minLen || s.size() > maxLen) return false;
    return std::all_of(s.begin(), s.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// An ICD-10-CM order file: tab-separated with a header (order_number, code,
// valid_for_submission, short_description, long_description) or the original
// fixed-width text (code in columns 7-13, flag in 15, long title from 78).
std::vector<OrderRow> ReadOrderFile(const std::string& path) {
    LineReader in(path);
    std::vector<OrderRow> rows;
    std::unordered_set<std::string> seen;
    std::string line;
    std::size_t codeAt = 0, flagAt = 0, titleAt = 0, shortAt = 0, width = 0;
    bool tsv = false, first = true;
    while (in.next(line)) {
        if (first) {
            first = false;
            if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3); // a byte-order mark
            if (line.find('\t') != std::string::npos) {
                tsv = true;
                auto names = SplitTabs(line);
                auto find = [&](const char* n) {
                    auto it = std::find(names.begin(), names.end(), n);
                    if (it == names.end())
                        in.fail(std::string("the header has no column \"") + n + "\" (an order file was expected)");
                    return static_cast<std::size_t>(it - names.begin());
                };
                codeAt = find("code");
                flagAt = find("valid_for_submission");
                titleAt = find("long_description");
                shortAt = find("short_description");
                width = names.size();
                continue;
            }
        }
        if (text::Trim(line).empty()) continue;
        OrderRow r;
        std::string flag;
        if (tsv) {
            auto f = SplitTabs(line);
            if (f.size() != width)
                in.fail("expected " + std::to_string(width) + " tab-separated fields, found " +
                        std::to_string(f.size()));
            r.code = text::Trim(f[codeAt]);
            flag = text::Trim(f[flagAt]);
            r.title = text::Trim(f[titleAt]);
            if (r.title.empty()) r.title = text::Trim(f[shortAt]);
        } else {
            if (line.size() < 17) in.fail("line too short for the fixed-width order file layout");
            r.code = text::Trim(line.substr(6, 7));
            flag = line.substr(14, 1);
            r.title = line.size() > 77 ? text::Trim(line.substr(77)) : text::Trim(line.substr(16, 60));
        }
        if (!IsCode(r.code, 3, 7)) in.fail("\"" + r.code + "\" is not an ICD-10-CM code");
        if (flag != "0" && flag != "1") in.fail("the valid-for-submission flag must be 0 or 1, found \"" + flag + "\"");
        if (r.title.empty()) in.fail("code " + r.code + " has no title");
        r.code = Upper(r.code);
        r.billable = flag == "1";
        if (!seen.insert(r.code).second) in.fail("code " + r.code + " appears twice");
        rows.push_back(std::move(r));
    }
    if (rows.empty()) throw Error(path + ": no codes in the file");
    return rows;
}

// The official Chinese names: code => name. Columns are found by their header
// names: the code column's header names ICD-10-CM and is not a name column;
// the name column's header says 中文.
std::unordered_map<std::string, std::string> ReadChineseNames(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw Error(path + ": cannot be opened");
    std::stringstream ss;
    ss << f.rdbuf();
    auto rows = ParseCsv(ss.str());
    if (rows.empty()) throw Error(path + ": the file is empty");
    const auto& head = rows[0];
    std::size_t codeAt = head.size(), nameAt = head.size();
    for (std::size_t i = 0; i < head.size(); ++i) {
        std::string h = Upper(text::Trim(head[i]));
        bool names = h.find("名稱") != std::string::npos || h.find("NAME") != std::string::npos;
        if (nameAt == head.size() && h.find("中文") != std::string::npos) nameAt = i;
        else if (codeAt == head.size() && !names &&
                 (h.find("ICD-10-CM") != std::string::npos || h.find("ICD10") != std::string::npos ||
                  h == "CODE"))
            codeAt = i;
    }
    if (codeAt == head.size() || nameAt == head.size()) {
        std::string found;
        for (const auto& h : head) found += (found.empty() ? "" : ", ") + h;
        throw Error(path + ":1: cannot find the code column (a header naming ICD-10-CM) and the Chinese name "
                           "column (a header with 中文) among: " + found);
    }
    std::unordered_map<std::string, std::string> names;
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const auto& row = rows[r];
        if (row.size() == 1 && text::Trim(row[0]).empty()) continue;
        if (row.size() <= std::max(codeAt, nameAt))
            throw Error(path + ": row " + std::to_string(r + 1) + ": expected " + std::to_string(head.size()) +
                        " comma-separated fields, found " + std::to_string(row.size()));
        std::string code;
        for (char c : row[codeAt])
            if (std::isalnum(static_cast<unsigned char>(c))) code += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        std::string name = text::Trim(row[nameAt]);
        if (!code.empty() && !name.empty()) names.emplace(code, name);
    }
    return names;
}

// The name of an ICD-11 3-character group, from its "unspecified" or "other
// specified" member: SA0Z "未特指的肝系病類" => "肝系病類".
std::pair<std::string, std::string> GroupName(const std::vector<std::array<std::string, 3>>& members) {
    auto strip = [](std::string s, const std::string& prefix, const std::string& suffix) {
        if (!prefix.empty() && s.rfind(prefix, 0) == 0) s.erase(0, prefix.size());
        if (!suffix.empty() && s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0)
            s.erase(s.size() - suffix.size());
        return s;
    };
    for (const auto& m : members)
        if (m[0].size() == 4 && m[0][3] == 'Z' && m[2].rfind("未特指的", 0) == 0)
            return {strip(m[2], "未特指的", ""), strip(m[1], "", ", unspecified")};
    for (const auto& m : members)
        if (m[0].size() == 4 && m[0][3] == 'Y' && m[2].rfind("其他特指的", 0) == 0)
            return {strip(m[2], "其他特指的", ""), strip(m[1], "Other specified ", "")};
    return {members.front()[2], members.front()[1]};
}

class Statement {
public:
    Statement(db::Connection& c, const char* sql) : m_db(c.handle()) {
        if (sqlite3_prepare_v2(m_db, sql, -1, &m_st, nullptr) != SQLITE_OK) throw Error(sqlite3_errmsg(m_db));
    }
    ~Statement() { sqlite3_finalize(m_st); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    void run(std::initializer_list<std::string> values) {
        int i = 1;
        for (const auto& v : values) sqlite3_bind_text(m_st, i++, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        int rc = sqlite3_step(m_st);
        sqlite3_reset(m_st);
        if (rc != SQLITE_DONE) throw Error(sqlite3_errmsg(m_db));
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_st = nullptr;
};

long Count(db::Connection& c, const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    long n = 0;
    if (sqlite3_prepare_v2(c.handle(), sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        n = static_cast<long>(sqlite3_column_int64(st, 0));
    sqlite3_finalize(st);
    return n;
}

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
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        std::fprintf(m_out, "%8ld %-10s %5.2f s\n", n, unit, s);
    }

private:
    std::FILE* m_out;
    std::chrono::steady_clock::time_point m_start;
};

std::string FileName(const std::string& p) { return fs::path(p).filename().string(); }

} // namespace

Counts BuildDatabase(const Options& o, std::FILE* progressOut) {
    if (o.out.empty()) throw Error("no output file given");
    if (o.order.empty()) throw Error("no order file of the edition given (--order or --data)");
    if (o.previousOrder.empty()) throw Error("no order file of the previous year given (--previous-order or --data)");
    Progress progress(progressOut);

    std::string schema = BuiltInSchema();
    if (!o.schemaFile.empty()) {
        std::ifstream f(o.schemaFile, std::ios::binary);
        if (!f) throw Error(o.schemaFile + ": cannot be opened");
        std::stringstream ss;
        ss << f.rdbuf();
        schema = ss.str();
    }

    // Read everything that can be wrong before writing anything.
    progress.step("order file " + FileName(o.order));
    const auto edition = ReadOrderFile(o.order);
    progress.done(static_cast<long>(edition.size()), "codes");
    progress.step("previous year " + FileName(o.previousOrder));
    const auto previous = ReadOrderFile(o.previousOrder);
    progress.done(static_cast<long>(previous.size()), "codes");
    std::unordered_map<std::string, std::string> chinese;
    if (!o.chinese.empty()) {
        progress.step("Chinese names " + FileName(o.chinese));
        chinese = ReadChineseNames(o.chinese);
        progress.done(static_cast<long>(chinese.size()), "names");
    }

    const std::string tmp = o.out + ".part";
    std::error_code ec;
    for (const char* s : {"", "-journal"}) fs::remove(tmp + s, ec);
    Counts n;
    try {
        db::Connection c;
        c.open(tmp, true);
        c.exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF");
        c.exec(schema);
        c.exec("CREATE TABLE BUILDINFO (KEY VARCHAR(40) COLLATE NOCASE, VALUE TEXT COLLATE NOCASE)");
        c.exec("BEGIN");
        Statement info(c, "INSERT INTO BUILDINFO VALUES (?1, ?2)");
        Statement addCode(c, "INSERT INTO ICD10 (ICD10_NO, ICD10_CNAME, ICD10_ENAME, ICD10_FLAG, ICD10_2023FLAG, "
                             "ICD10_2023NEW) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");

        // Rows are written in code order, so that the table is stored in the
        // order in which the windows read it (ORDER BY ICD10_NO).
        std::vector<std::array<std::string, 6>> codeRows;
        progress.step("ICD10: codes and their 2023 marks");
        std::unordered_map<std::string, const OrderRow*> before;
        for (const auto& r : previous) before.emplace(r.code, &r);
        std::unordered_set<std::string> inEdition;
        long namesUsed = 0;
        auto cname = [&](const std::string& code, const std::string& title) -> std::string {
            if (auto it = chinese.find(code); it != chinese.end()) {
                ++namesUsed;
                return it->second;
            }
            return o.testChineseGlossary ? TestChineseName(code, title) : std::string();
        };
        for (const auto& r : edition) {
            inEdition.insert(r.code);
            auto prev = before.find(r.code);
            const bool isNew = prev == before.end();
            // A code billable the year before and only a header now can no longer be used.
            const bool disabled = !isNew && prev->second->billable && !r.billable;
            codeRows.push_back({r.code, cname(r.code, r.title), r.title, r.billable ? "Y" : "N",
                                disabled ? "X" : "", isNew ? "Y" : ""});
        }
        for (const auto& r : previous)
            if (!inEdition.count(r.code)) codeRows.push_back({r.code, cname(r.code, r.title), r.title, "N", "D", ""});
        progress.done(static_cast<long>(codeRows.size()), "rows");

        if (!o.icd11.empty()) {
            progress.step("ICD10: ICD-11 chapter 26 " + FileName(o.icd11));
            TsvReader in(o.icd11, {"code", "title_en", "title_zh_tw"});
            std::map<std::string, std::vector<std::array<std::string, 3>>> groups;
            std::vector<std::array<std::string, 3>> codes;
            while (in.next()) {
                std::string code;
                for (char ch : text::Trim(in.get("code")))
                    if (ch != '.') code += ch;
                code = Upper(code);
                if (!IsCode(code, 4, 7)) in.reader().fail("\"" + in.get("code") + "\" is not an ICD-11 code");
                std::array<std::string, 3> row{code, text::Trim(in.get("title_en")), text::Trim(in.get("title_zh_tw"))};
                codes.push_back(row);
                groups[code.substr(0, 3)].push_back(row);
            }
            std::set<std::string> all;
            for (const auto& r : codes) all.insert(r[0]);
            for (const auto& [group, members] : groups) {
                auto [zh, en] = GroupName(members);
                codeRows.push_back({group, zh, en, "N", "", ""});
            }
            for (const auto& r : codes) {
                auto next = all.upper_bound(r[0]);
                bool finest = next == all.end() || next->rfind(r[0], 0) != 0;
                codeRows.push_back({r[0], r[2], r[1], finest ? "Y" : "N", "", ""});
            }
            progress.done(static_cast<long>(codes.size() + groups.size()), "rows");
        }

        progress.step("ICD10: writing");
        std::sort(codeRows.begin(), codeRows.end(), [](const auto& a, const auto& b) { return a[0] < b[0]; });
        for (const auto& r : codeRows) {
            try {
                addCode.run({r[0], r[1], r[2], r[3], r[4], r[5]});
            } catch (const Error& e) {
                throw Error("code " + r[0] + ": " + e.what());
            }
        }
        progress.done(static_cast<long>(codeRows.size()), "rows");

        if (!o.gem.empty()) {
            progress.step("CM: " + FileName(o.gem));
            TsvReader in(o.gem, {"icd9cm_code", "icd10cm_code"});
            const bool dotted = in.has("icd9cm_code_dotted") && in.has("icd10cm_code_dotted");
            Statement add(c, "INSERT INTO CM (ICD9_NO, ICD10_NO) VALUES (?1, ?2)");
            std::set<std::pair<std::string, std::string>> seen;
            while (in.next()) {
                std::string nine = text::Trim(in.get(dotted ? "icd9cm_code_dotted" : "icd9cm_code"));
                std::string ten = text::Trim(in.get(dotted ? "icd10cm_code_dotted" : "icd10cm_code"));
                if (nine == "NoDx" || ten == "NoDx") continue; // no equivalent
                if (nine.empty() || ten.empty()) in.reader().fail("a code is missing");
                if (!dotted) {
                    nine = DotIcd9(nine);
                    ten = DotIcd10(ten);
                }
                if (seen.emplace(nine, ten).second) add.run({nine, ten});
            }
            progress.done(static_cast<long>(seen.size()), "pairs");
        }

        std::set<std::string> icd9Codes;
        if (!o.icd9.empty() || !o.icd9Tabular.empty()) {
            progress.step("ICD9: ICD-9-CM titles");
            Statement add(c, "INSERT INTO ICD9 (ICD9_NO, ICD9_NAME, ICD9_NAME2) VALUES (?1, ?2, ?3)");
            if (!o.icd9.empty()) {
                TsvReader in(o.icd9, {"code", "long_description", "short_description"});
                const bool dotted = in.has("code_dotted");
                while (in.next()) {
                    std::string code = text::Trim(dotted ? in.get("code_dotted") : DotIcd9(in.get("code")));
                    if (code.empty()) in.reader().fail("no code");
                    if (!icd9Codes.insert(code).second) in.reader().fail("code " + code + " appears twice");
                    add.run({code, text::Trim(in.get("long_description")), text::Trim(in.get("short_description"))});
                }
            }
            if (!o.icd9Tabular.empty()) {
                // Categories and subcategories that head codes have no entry in
                // the list of codes; their tabular title serves as both names.
                TsvReader in(o.icd9Tabular, {"level", "code_or_range", "title"});
                while (in.next()) {
                    const std::string level = in.get("level");
                    if (level != "category" && level != "subcategory" && level != "code") continue;
                    std::string code = text::Trim(in.get("code_or_range"));
                    if (code.empty() || code.find('-') != std::string::npos) in.reader().fail("not a code: " + code);
                    if (!icd9Codes.insert(code).second) continue;
                    std::string title = text::Trim(in.get("title"));
                    add.run({code, title, title});
                }
            }
            progress.done(static_cast<long>(icd9Codes.size()), "codes");
        }

        if (!o.ranks.empty()) {
            progress.step("btbindn: usage ranks " + FileName(o.ranks));
            TsvReader in(o.ranks, {});
            const char* codeCol = in.has("IND_CODE") ? "IND_CODE" : "code";
            const char* rankCol = in.has("IND_INFECT_CODE") ? "IND_INFECT_CODE" : "rank";
            if (!in.has(codeCol) || !in.has(rankCol))
                throw Error(o.ranks + ":1: the header must name the code (IND_CODE or code) and the rank "
                                      "(IND_INFECT_CODE or rank)");
            Statement add(c, "INSERT INTO btbindn (IND_CODE, IND_INFECT_CODE) VALUES (?1, ?2)");
            long n = 0;
            while (in.next()) {
                std::string rank = text::Trim(in.get(rankCol));
                if (rank.empty() || rank.size() > 5 ||
                    !std::all_of(rank.begin(), rank.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
                    in.reader().fail("the rank must be a number of up to 5 digits, found \"" + rank + "\"");
                rank.insert(0, 5 - rank.size(), '0');
                add.run({text::Trim(in.get(codeCol)), rank});
                ++n;
            }
            progress.done(n, "codes");
        } else if (o.testUsageRanks) {
            // TEST DATA ONLY: 1,000 ICD-9-CM codes of the CM table in a fixed
            // pseudo-random order, ranked 00001 to 01000.
            progress.step("btbindn: TEST usage ranks (not real statistics)");
            std::vector<std::string> pool;
            {
                sqlite3_stmt* st = nullptr;
                sqlite3_prepare_v2(c.handle(), "SELECT DISTINCT ICD9_NO FROM CM ORDER BY ICD9_NO", -1, &st, nullptr);
                while (sqlite3_step(st) == SQLITE_ROW)
                    pool.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
                sqlite3_finalize(st);
            }
            if (pool.size() < 1000) throw Error("--test-usage-ranks needs at least 1000 ICD-9-CM codes in CM");
            std::uint64_t state = 20230101;
            for (std::size_t i = pool.size() - 1; i > 0; --i) {
                state = state * 6364136223846793005ULL + 1442695040888963407ULL;
                std::swap(pool[i], pool[(state >> 33) % (i + 1)]);
            }
            Statement add(c, "INSERT INTO btbindn (IND_CODE, IND_INFECT_CODE) VALUES (?1, ?2)");
            for (int i = 0; i < 1000; ++i) {
                char rank[8];
                std::snprintf(rank, sizeof rank, "%05d", i + 1);
                add.run({pool[static_cast<std::size_t>(i)], rank});
            }
            progress.done(1000, "codes");
        }

        info.run({"order", FileName(o.order)});
        info.run({"previous_order", FileName(o.previousOrder)});
        if (!o.chinese.empty()) info.run({"chinese_names", FileName(o.chinese)});
        if (o.testChineseGlossary)
            info.run({"chinese_names_test", "TEST DATA: names without an official Chinese name were made from the "
                                            "English title with a small glossary; they are not official names"});
        if (!o.gem.empty()) info.run({"cm", FileName(o.gem)});
        if (!o.icd11.empty()) info.run({"icd11", FileName(o.icd11)});
        if (!o.ranks.empty()) info.run({"btbindn", FileName(o.ranks)});
        if (o.ranks.empty() && o.testUsageRanks)
            info.run({"btbindn", "TEST DATA: 1000 ICD-9-CM codes in a fixed pseudo-random order, not statistics"});
        c.exec("COMMIT");

        progress.step("indexes and planner statistics");
        db::OptimizeCodeDatabase(c);
        progress.done(static_cast<long>(db::CodeIndexes().size()), "indexes");

        n.icd10 = Count(c, "SELECT count(*) FROM ICD10 WHERE ICD10_NO NOT LIKE 'S_%' OR ICD10_NO GLOB 'S[0-9]*'");
        n.icd11 = Count(c, "SELECT count(*) FROM ICD10") - n.icd10;
        n.billable = Count(c, "SELECT count(*) FROM ICD10 WHERE ICD10_FLAG='Y' AND NOT ICD10_NO GLOB 'S[A-Z]*'");
        n.newIn2023 = Count(c, "SELECT count(*) FROM ICD10 WHERE ICD10_2023NEW='Y'");
        n.deleted2023 = Count(c, "SELECT count(*) FROM ICD10 WHERE ICD10_2023FLAG='D'");
        n.disabled2023 = Count(c, "SELECT count(*) FROM ICD10 WHERE ICD10_2023FLAG='X'");
        n.chineseNames = namesUsed;
        n.cm = Count(c, "SELECT count(*) FROM CM");
        n.icd9 = Count(c, "SELECT count(*) FROM ICD9");
        n.btbindn = Count(c, "SELECT count(*) FROM btbindn");
        c.exec("PRAGMA journal_mode=DELETE");
        c.close();
    } catch (...) {
        for (const char* s : {"", "-journal"}) fs::remove(tmp + s, ec);
        throw;
    }
    // Renamed once its statements are finalised and the file is closed:
    // Windows cannot rename a file that is still open.
    try {
        fs::rename(tmp, o.out);
    } catch (...) {
        fs::remove(tmp, ec);
        throw;
    }
    return n;
}

} // namespace build

namespace {
const char* kBuildUsage =
    "usage: icdtool build-db OUT.mdb [--data DIR [--april]] [options]\n"
    "Builds the code database (SQLite form) from the official releases, atomically.\n"
    "  --data DIR              take every input from DIR laid out as the shared reference data\n"
    "                          (icd10cm/, gem/, icd9cm/, icd11/); options below override it\n"
    "  --april                 with --data: the April 2023 update instead of the October 2022 release\n"
    "  --order FILE            ICD-10-CM order file of the edition (.txt fixed-width or .tsv, may be .xz)\n"
    "  --previous-order FILE   order file of the year before (for the 2023 new/deleted/disabled marks)\n"
    "  --chinese FILE          Taiwan NHI official Chinese-edition CSV (UTF-8 with/without BOM, or CP950)\n"
    "  --gem FILE              GEM ICD-9-CM -> ICD-10-CM (.tsv) into CM\n"
    "  --icd9 FILE             ICD-9-CM titles (code, long_description, short_description) into ICD9\n"
    "  --icd9-tabular FILE     ICD-9-CM tabular titles, for the category titles\n"
    "  --icd11 FILE            ICD-11 chapter 26 list (code, title_en, title_zh_tw) into ICD10\n"
    "  --ranks FILE            usage ranks (IND_CODE, IND_INFECT_CODE) into btbindn\n"
    "  --schema FILE           schema to create (default: the one built into this program)\n"
    "  --no-icd9 --no-gem --no-icd11   leave out an input that --data would add\n"
    "TEST DATA ONLY (never for a clinic's database):\n"
    "  --test-chinese-glossary codes without an official Chinese name get one made from the English\n"
    "                          title with a small glossary of ours (NOT official names)\n"
    "  --test-usage-ranks      when no --ranks: 1000 ICD-9-CM codes ranked in a fixed pseudo-random\n"
    "                          order (NOT real statistics)\n";
} // namespace

int BuildDb(const Args& args) {
    build::Options o;
    std::string data;
    bool april = false, noIcd9 = false, noGem = false, noIcd11 = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size()) throw build::Error("option " + a + " needs a value");
            return args[++i];
        };
        if (a == "--help" || a == "-h") {
            std::fputs(kBuildUsage, stdout);
            return 0;
        } else if (a == "--data") data = value();
        else if (a == "--april") april = true;
        else if (a == "--order") o.order = value();
        else if (a == "--previous-order") o.previousOrder = value();
        else if (a == "--chinese") o.chinese = value();
        else if (a == "--gem") o.gem = value();
        else if (a == "--icd9") o.icd9 = value();
        else if (a == "--icd9-tabular") o.icd9Tabular = value();
        else if (a == "--icd11") o.icd11 = value();
        else if (a == "--ranks") o.ranks = value();
        else if (a == "--schema") o.schemaFile = value();
        else if (a == "--no-icd9") noIcd9 = true;
        else if (a == "--no-gem") noGem = true;
        else if (a == "--no-icd11") noIcd11 = true;
        else if (a == "--test-chinese-glossary") o.testChineseGlossary = true;
        else if (a == "--test-usage-ranks") o.testUsageRanks = true;
        else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "icdtool build-db: unknown option %s\n%s", a.c_str(), kBuildUsage);
            return 2;
        } else if (o.out.empty()) o.out = a;
        else {
            std::fprintf(stderr, "icdtool build-db: more than one output file given\n%s", kBuildUsage);
            return 2;
        }
    }
    if (o.out.empty()) {
        std::fputs(kBuildUsage, stderr);
        return 2;
    }
    if (!data.empty()) {
        const fs::path d = data;
        auto pick = [](std::string& slot, const fs::path& p) {
            if (slot.empty()) slot = p.string();
        };
        pick(o.order, d / "icd10cm" / (april ? "icd10cm_order_2023.tsv.xz" : "icd10cm_order_2023_oct2022.tsv.xz"));
        pick(o.previousOrder, d / "icd10cm" / "icd10cm_order_2022.tsv.xz");
        if (!noGem) pick(o.gem, d / "gem" / "gem_icd9cm_to_icd10cm_2018.tsv");
        if (!noIcd9) {
            pick(o.icd9, d / "icd9cm" / "icd9cm_dx_v32.tsv");
            pick(o.icd9Tabular, d / "icd9cm" / "icd9cm_tabular_fy2012_titles.tsv");
        }
        if (!noIcd11) pick(o.icd11, d / "icd11" / "icd11_mms_ch26_tm1_zh_tw.tsv");
    } else if (april) {
        throw build::Error("--april goes with --data (otherwise give the April file with --order)");
    }
    std::fprintf(stderr, "Building %s\n", o.out.c_str());
    auto start = std::chrono::steady_clock::now();
    build::Counts n = build::BuildDatabase(o, stderr);
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(stderr,
                 "Done in %.1f s: ICD-10-CM %ld rows (%ld billable, %ld new in 2023, %ld deleted, %ld disabled), "
                 "ICD-11 %ld rows, Chinese names %ld, CM %ld, ICD9 %ld, btbindn %ld\n",
                 s, n.icd10, n.billable, n.newIn2023, n.deleted2023, n.disabled2023, n.icd11, n.chineseNames, n.cm,
                 n.icd9, n.btbindn);
    if (o.testChineseGlossary || (o.testUsageRanks && o.ranks.empty()))
        std::fprintf(stderr, "NOTE: this database holds TEST DATA (glossary names / test ranks); not for clinical use.\n");
    return 0;
}

} // namespace icdtool
