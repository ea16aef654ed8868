// build-db: the ICD10 table: codes of the edition and their 2023 marks, the
// ICD-11 chapter 26 codes, written in code order.
#include <algorithm>
#include <map>
#include <set>
#include <unordered_set>

#include "codes/coderules.h"
#include "dbbuild/steps.h"
#include "db/statement.h"
#include "text/text.h"

namespace dbbuild {

namespace {

struct OrderLayout {
    bool tsv = false;
    std::size_t codeAt = 0, flagAt = 0, titleAt = 0, shortAt = 0, width = 0;
};

// The header of a tab-separated order file gives the columns.
OrderLayout TsvLayout(const LineReader& in, const std::string& head) {
    OrderLayout l;
    l.tsv = true;
    auto names = SplitTabs(head);
    auto find = [&](const char* n) {
        auto it = std::find(names.begin(), names.end(), n);
        if (it == names.end())
            in.fail(std::string("這不是順序檔，標題列缺少欄位「") + n + "」(the header has no column \"" + n +
                    "\"; an order file was expected)");
        return static_cast<std::size_t>(it - names.begin());
    };
    l.codeAt = find("code");
    l.flagAt = find("valid_for_submission");
    l.titleAt = find("long_description");
    l.shortAt = find("short_description");
    l.width = names.size();
    return l;
}

OrderRow ParseOrderLine(const LineReader& in, const OrderLayout& l, const std::string& line) {
    OrderRow r;
    std::string flag;
    if (l.tsv) {
        auto f = SplitTabs(line);
        if (f.size() != l.width)
            in.fail("欄數不對 (expected " + std::to_string(l.width) + " tab-separated fields, found " +
                    std::to_string(f.size()) + ")");
        r.code = text::Trim(f[l.codeAt]);
        flag = text::Trim(f[l.flagAt]);
        r.title = text::Trim(f[l.titleAt]);
        if (r.title.empty()) r.title = text::Trim(f[l.shortAt]);
    } else {
        if (line.size() < 17)
            in.fail("這一行太短，不是順序檔的固定寬度格式 (line too short for the fixed-width order file "
                    "layout)");
        r.code = text::Trim(line.substr(6, 7));
        flag = line.substr(14, 1);
        r.title = line.size() > 77 ? text::Trim(line.substr(77)) : text::Trim(line.substr(16, 60));
    }
    if (!codes::IsStoredICD10Code(text::Upper(r.code)))
        in.fail("「" + r.code + "」不是 ICD-10-CM 代碼 (not an ICD-10-CM code)");
    if (flag != "0" && flag != "1")
        in.fail("最細碼旗標應為 0 或 1，卻是「" + flag + "」(the valid-for-submission flag must be 0 or 1)");
    if (r.title.empty()) in.fail("代碼 " + r.code + " 沒有名稱 (the code has no title)");
    r.code = text::Upper(r.code);
    r.billable = flag == "1";
    return r;
}

} // namespace

std::vector<OrderRow> ReadOrderFile(const std::string& path) {
    LineReader in(path);
    std::vector<OrderRow> rows;
    std::unordered_set<std::string> seen;
    std::string line;
    OrderLayout layout;
    bool first = true;
    while (in.next(line)) {
        if (first) {
            first = false;
            if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3); // a byte-order mark
            if (line.find('\t') != std::string::npos) {
                layout = TsvLayout(in, line);
                continue;
            }
        }
        if (text::Trim(line).empty()) continue;
        OrderRow r = ParseOrderLine(in, layout, line);
        if (!seen.insert(r.code).second) in.fail("代碼 " + r.code + " 重複出現 (the code appears twice)");
        rows.push_back(std::move(r));
    }
    if (rows.empty()) throw Error(path + ": 檔案中沒有任何代碼 (no codes in the file)");
    return rows;
}

void ImportCodes(Build& b) {
    const Options& o = b.options;
    b.progress.step("order file " + FileName(o.order));
    b.edition = ReadOrderFile(o.order);
    for (const auto& r : b.edition)
        b.billable.emplace(r.code, r.billable);
    b.progress.done(static_cast<long>(b.edition.size()), "codes");

    // The codes of the edition the marks are taken against: code => billable
    // (unknown billable flags read as false), and the rows of codes deleted since.
    std::unordered_map<std::string, bool> before;
    std::vector<CodeRow> deleted;
    if (!o.marks2014.empty()) {
        b.progress.step("2014 edition " + FileName(o.marks2014));
        Map2014 m = ReadMap2014(o.marks2014, b.counts.map2014);
        if (!o.order2014.empty())
            for (const auto& r : ReadOrderFile(o.order2014))
                m.billable2014[r.code] = r.billable;
        for (const auto& [code, names] : m.codes2014) {
            auto known = m.billable2014.find(code);
            before.emplace(code, known != m.billable2014.end() && known->second);
            if (!b.billable.count(code)) deleted.push_back({code, names.first, names.second, "N", "D", ""});
        }
        b.progress.done(static_cast<long>(m.codes2014.size()), "codes");
    } else {
        b.progress.step("previous year " + FileName(o.previousOrder));
        const auto previous = ReadOrderFile(o.previousOrder);
        for (const auto& r : previous) {
            before.emplace(r.code, r.billable);
            if (!b.billable.count(r.code)) deleted.push_back({r.code, "", r.title, "N", "D", ""});
        }
        b.progress.done(static_cast<long>(previous.size()), "codes");
    }

    b.progress.step("ICD10: codes and their 2023 marks");
    for (const auto& r : b.edition) {
        auto prev = before.find(r.code);
        const bool isNew = prev == before.end();
        // A code billable before and only a header now can no longer be used.
        const bool disabled = !isNew && prev->second && !r.billable;
        b.codeRows.push_back(
            {r.code, "", r.title, r.billable ? "Y" : "N", disabled ? "X" : "", isNew ? "Y" : ""});
    }
    for (auto& r : deleted)
        b.codeRows.push_back(std::move(r));
    b.progress.done(static_cast<long>(b.codeRows.size()), "rows");
}

namespace {

// The name of an ICD-11 3-character group, from its "unspecified" or "other
// specified" member: SA0Z "未特指的肝系病類" => "肝系病類".
std::pair<std::string, std::string> GroupName(const std::vector<std::array<std::string, 3>>& members) {
    auto strip = [](std::string s, const std::string& prefix, const std::string& suffix) {
        if (!prefix.empty() && s.rfind(prefix, 0) == 0) s.erase(0, prefix.size());
        if (!suffix.empty() && s.size() >= suffix.size() &&
            s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0)
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

} // namespace

void ImportIcd11(Build& b) {
    if (b.options.icd11.empty()) return;
    b.progress.step("ICD10: ICD-11 chapter 26 " + FileName(b.options.icd11));
    TsvReader in(b.options.icd11, {"code", "title_en", "title_zh_tw"});
    std::map<std::string, std::vector<std::array<std::string, 3>>> groups;
    std::vector<std::array<std::string, 3>> codes;
    while (in.next()) {
        const std::string code = ::codes::CodeKey(text::Trim(in.get("code")));
        if (!::codes::IsStoredIcd11Code(code))
            in.reader().fail("\"" + in.get("code") + "\" is not an ICD-11 code");
        std::array<std::string, 3> row{code, text::Trim(in.get("title_en")),
                                       text::Trim(in.get("title_zh_tw"))};
        codes.push_back(row);
        groups[code.substr(0, 3)].push_back(row);
    }
    std::set<std::string> all;
    for (const auto& r : codes)
        all.insert(r[0]);
    for (const auto& [group, members] : groups) {
        auto [zh, en] = GroupName(members);
        b.codeRows.push_back({group, zh, en, "N", "", ""});
    }
    for (const auto& r : codes) {
        auto next = all.upper_bound(r[0]);
        bool finest = next == all.end() || next->rfind(r[0], 0) != 0;
        b.codeRows.push_back({r[0], r[2], r[1], finest ? "Y" : "N", "", ""});
    }
    b.progress.done(static_cast<long>(codes.size() + groups.size()), "rows");
}

void WriteCodes(Build& b) {
    // Rows are written in code order, so that the table is stored in the order
    // in which the windows read it (ORDER BY ICD10_NO).
    b.progress.step("ICD10: writing");
    std::sort(b.codeRows.begin(), b.codeRows.end(), [](const auto& x, const auto& y) { return x[0] < y[0]; });
    db::Statement add(b.conn,
                      "INSERT INTO ICD10 (ICD10_NO, ICD10_CNAME, ICD10_ENAME, ICD10_FLAG, ICD10_2023FLAG, "
                      "ICD10_2023NEW) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    for (const auto& r : b.codeRows) {
        try {
            add.run({r[0], r[1], r[2], r[3], r[4], r[5]});
        } catch (const db::Error& e) {
            throw Error("code " + r[0] + ": " + e.what());
        }
    }
    b.progress.done(static_cast<long>(b.codeRows.size()), "rows");
}

} // namespace dbbuild
