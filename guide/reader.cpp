#include "guide/reader.h"

#include <filesystem>
#include <map>
#include <unordered_set>

#include "codes/coderules.h"
#include "codes/notecodes.h"
#include "db/connection.h"
#include "db/statement.h"

namespace guide {

namespace {

// The ancestors of a node and the node itself (the CTE every query below
// starts from). Each step looks its parent up by id; written as a join, the
// engine builds a filter over the whole node table at every step instead.
constexpr const char* Up =
    "WITH RECURSIVE up(id) AS (SELECT CAST(?1 AS INTEGER) UNION ALL "
    "SELECT (SELECT node.parent FROM node WHERE node.id = up.id) FROM up WHERE up.id IS NOT NULL) ";

bool AllDigits(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

// A section key written as its range: "P10-P15".
std::string RangeText(const codes::CodeReference& r) {
    return codes::DottedICD10Code(r.first) + "-" + codes::DottedICD10Code(r.last);
}

std::string KindLabel(NoteKind kind) {
    return kind == NoteKind::Excludes1 ? "排除一" : "排除二";
}

} // namespace

std::string LevelLabel(const PathStep& step) {
    switch (step.level) {
    case Level::Chapter:
        return "第 " + step.code + " 章";
    case Level::Section:
        return step.code + " 節";
    case Level::Category:
        return step.code + " 類目";
    case Level::Subcategory:
        return step.code + " 次類目";
    case Level::Code:
        break;
    }
    return step.code + " 代碼";
}

struct Guide::Resolved {
    long node = 0;              // 0: not found
    char seventh = 0;           // the 7th character when the code extends the node's code
    std::vector<PathStep> path; // the node's path, when finding it needed it
    std::string problem;
};

Guide::Guide() = default;

Guide::~Guide() = default;

std::string Guide::open(const std::string& path) {
    close();
    m_path = path;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        m_problem =
            "找不到編碼指引檔：" + path + "。編碼指引（各代碼的註記與索引）無法顯示，其他功能照常使用。";
        return m_problem;
    }
    auto conn = std::make_unique<db::Connection>();
    try {
        conn->openReadOnly(path);
    } catch (const db::Error& e) {
        m_problem = "編碼指引檔已損壞，無法使用：" + path + "（" + e.what() + "）";
        return m_problem;
    }
    try {
        std::string format;
        try {
            format = db::QueryValue(*conn, "SELECT value FROM guide_info WHERE key = 'format'");
        } catch (const db::Error& e) {
            m_problem = "編碼指引檔的格式不符：" + path + "（不是本程式建立的編碼指引：" + e.what() + "）";
            return m_problem;
        }
        if (format != GuideFormat) {
            m_problem = "編碼指引檔的格式不符：" + path + "（格式 " + format + "，本程式需要格式 " +
                        GuideFormat + "；請用本版的 icdtool build-guide 重新建立）";
            return m_problem;
        }
        m_nodeByKey = std::make_unique<db::Statement>(*conn, "SELECT id FROM node WHERE key = ?1");
        m_pathStmt = std::make_unique<db::Statement>(
            *conn, std::string(Up) +
                       "SELECT node.id, node.kind, node.code, node.title, node.depth, node.last "
                       "FROM up CROSS JOIN node ON node.id = up.id ORDER BY node.depth");
        m_notes = std::make_unique<db::Statement>(
            *conn, std::string(Up) +
                       "SELECT note.node, note.kind, note.text FROM up CROSS JOIN note ON note.node = up.id "
                       "ORDER BY note.block, note.seq");
        m_seventh = std::make_unique<db::Statement>(
            *conn, "SELECT character, text FROM seventh WHERE node = CAST(?1 AS INTEGER) ORDER BY seq");
        m_code = std::make_unique<db::Statement>(*conn, "SELECT billable, title FROM code WHERE code = ?1");
        // A damaged file may open and still fail on its first real page.
        db::QueryCount(*conn, "SELECT count(*) FROM node");
    } catch (const db::Error& e) {
        close();
        m_path = path;
        m_problem = "編碼指引檔已損壞，無法使用：" + path + "（" + e.what() + "）";
        return m_problem;
    }
    m_conn = std::move(conn);
    m_problem.clear();
    return {};
}

void Guide::close() {
    m_index.reset();
    m_nodeByKey.reset();
    m_chapters.clear();
    m_pathStmt.reset();
    m_notes.reset();
    m_seventh.reset();
    m_code.reset();
    m_conn.reset();
    m_problem = "編碼指引未開啟。";
}

bool Guide::isOpen() const {
    return m_conn != nullptr;
}

long Guide::nodeByKey(const std::string& key) {
    m_nodeByKey->bind({key});
    const long id = m_nodeByKey->step() ? static_cast<long>(m_nodeByKey->columnInt(0)) : 0;
    m_nodeByKey->bind({key}); // reset: the statement holds no read open between lookups
    return id;
}

long Guide::chapterByRange(const std::string& range) {
    if (m_chapters.empty()) {
        // The chapters one after the other: each subtree ends at its last
        // descendant, the next chapter follows it.
        db::Statement chapter(*m_conn, "SELECT title, last FROM node WHERE id = CAST(?1 AS INTEGER)");
        long id = static_cast<long>(db::QueryCount(*m_conn, "SELECT ifnull(min(id), 0) FROM node"));
        while (id > 0) {
            chapter.bind({std::to_string(id)});
            if (!chapter.step()) break;
            m_chapters.emplace_back(chapter.column(0), id);
            id = static_cast<long>(chapter.columnInt(1)) + 1;
        }
    }
    const std::string end = "(" + range + ")";
    for (const auto& [title, id] : m_chapters)
        if (title.ends_with(end)) return id;
    return 0;
}

Guide::Resolved Guide::resolve(const std::string& key) {
    Resolved r;
    if (key.empty()) {
        r.problem = "請輸入代碼。";
        return r;
    }
    if ((r.node = nodeByKey(key))) return r;
    // A chapter given as the range its title ends with ("S00-T88"), as the
    // outline's chapter lines give it.
    if (key.find('-') != std::string::npos && (r.node = chapterByRange(key))) return r;
    for (const std::string& stem : codes::SeventhCharacterStems(key)) {
        const long node = nodeByKey(stem);
        if (!node) continue;
        // The nearest 7th-character table at or above the stem must have the character.
        r.path = pathTo(node);
        for (auto up = r.path.rbegin(); up != r.path.rend(); ++up) {
            const PathStep& step = *up;
            m_seventh->bind({std::to_string(step.node)});
            bool any = false, has = false;
            while (m_seventh->step()) {
                any = true;
                has = has || m_seventh->column(0) == std::string(1, key[6]);
            }
            if (!any) continue;
            if (!has) {
                r.problem = "找不到代碼 " + codes::DottedICD10Code(key) + "：" + LevelLabel(step) +
                            "的第 7 碼表沒有「" + key.substr(6) + "」。";
                return r;
            }
            r.node = node;
            r.seventh = key[6];
            return r;
        }
        r.problem = "找不到代碼 " + codes::DottedICD10Code(key) + "：" + codes::DottedICD10Code(stem) +
                    " 沒有第 7 碼表。";
        return r;
    }
    r.problem = "找不到代碼 " + (AllDigits(key) ? "第 " + key + " 章" : codes::DottedICD10Code(key)) + "。";
    return r;
}

std::vector<PathStep> Guide::pathTo(long node) {
    std::vector<PathStep> path;
    m_pathStmt->bind({std::to_string(node)});
    while (m_pathStmt->step()) {
        PathStep s;
        s.node = static_cast<long>(m_pathStmt->columnInt(0));
        const std::string kind = m_pathStmt->column(1);
        s.code = m_pathStmt->column(2);
        s.title = m_pathStmt->column(3);
        const bool leaf = m_pathStmt->columnInt(5) == s.node;
        s.level = kind == "chapter"    ? Level::Chapter
                  : kind == "section"  ? Level::Section
                  : s.code.size() == 3 ? Level::Category
                  : leaf               ? Level::Code
                                       : Level::Subcategory;
        path.push_back(std::move(s));
    }
    return path;
}

std::vector<NoteLink> Guide::linksOf(const std::string& text) {
    std::vector<NoteLink> links;
    for (const codes::CodeReference& ref : codes::FindCodeReferences(text)) {
        std::string target;
        if (ref.isRange() && nodeByKey(RangeText(ref)))
            target = RangeText(ref);
        else if (resolve(ref.first).node)
            target = codes::DottedICD10Code(ref.first);
        if (!target.empty()) links.push_back({ref.begin, ref.length, target});
    }
    return links;
}

CodeGuide Guide::locate(std::string_view typed) {
    Resolved r;
    return locate(typed, r);
}

CodeGuide Guide::locate(std::string_view typed, Resolved& r) {
    CodeGuide g;
    if (!isOpen()) {
        g.problem = m_problem;
        return g;
    }
    try {
        r = resolve(codes::LookupKey(typed));
        if (!r.node) {
            g.problem = r.problem;
            return g;
        }
        g.found = true;
        g.path = r.path.empty() ? pathTo(r.node) : r.path;
        const PathStep own = g.path.back();
        g.code = own.code;
        if (r.seventh) {
            g.code =
                codes::DottedICD10Code(codes::WithSeventhCharacter(codes::LookupKey(own.code), r.seventh));
            // The code it extends is a step above it, not the code itself.
            if (own.level == Level::Code) g.path.back().level = Level::Subcategory;
        }
        const std::string stored = codes::LookupKey(g.code);
        m_code->bind({stored});
        if (own.level != Level::Chapter && own.level != Level::Section && m_code->step()) {
            g.exists = true;
            g.billable = m_code->columnInt(0) == 1;
            if (r.seventh) g.path.push_back({Level::Code, g.code, m_code->column(1), 0});
        }
        m_code->bind({stored});
        if (r.seventh && !g.exists) {
            g.problem = g.code + " 不是本版（2023 年版）的代碼：順序檔沒有這個組合。";
            g.path.push_back({Level::Code, g.code, "", 0});
        }
    } catch (const db::Error& e) {
        g = CodeGuide{};
        g.problem = "讀取編碼指引失敗：" + m_path + "（" + e.what() + "）";
    }
    return g;
}

CodeGuide Guide::lookup(std::string_view typed) {
    Resolved r;
    CodeGuide g = locate(typed, r);
    if (!g.found) return g;
    try {
        std::map<long, const PathStep*> steps;
        for (const PathStep& s : g.path)
            steps[s.node] = &s;

        // The notes of every level, grouped by kind in the order a coder reads them.
        std::map<NoteKind, std::vector<Note>> groups;
        std::map<long, std::vector<std::string>> sevenChrNotes;
        m_notes->bind({std::to_string(r.node)});
        while (m_notes->step()) {
            const long node = static_cast<long>(m_notes->columnInt(0));
            const std::string kind = m_notes->column(1);
            std::string text = m_notes->column(2);
            if (kind == "sevenChrNote") {
                sevenChrNotes[node].push_back(std::move(text));
                continue;
            }
            const std::optional<NoteKind> k = NoteKindOf(kind);
            if (!k || !steps.count(node)) continue;
            Note n;
            n.links = linksOf(text);
            n.text = std::move(text);
            n.from = *steps[node];
            groups[*k].push_back(std::move(n));
        }
        for (NoteKind k : NoteKinds())
            if (groups.count(k)) g.notes.push_back({k, std::move(groups[k])});

        // The nearest 7th-character table at or above the code.
        for (auto s = g.path.rbegin(); s != g.path.rend() && !g.seventh; ++s) {
            if (!s->node) continue;
            m_seventh->bind({std::to_string(s->node)});
            SeventhTable t;
            while (m_seventh->step()) {
                SeventhEntry e{m_seventh->column(0), m_seventh->column(1), false};
                e.selected = r.seventh && e.character == std::string(1, r.seventh);
                t.entries.push_back(std::move(e));
            }
            if (t.entries.empty()) continue;
            t.from = *s;
            t.notes = sevenChrNotes[s->node];
            g.seventh = std::move(t);
        }
    } catch (const db::Error& e) {
        g = CodeGuide{};
        g.problem = "讀取編碼指引失敗：" + m_path + "（" + e.what() + "）";
    }
    return g;
}

PairCheck Guide::checkPair(std::string_view first, std::string_view second) {
    PairCheck p;
    const CodeGuide a = lookup(first), b = lookup(second);
    p.first = a.code;
    p.second = b.code;
    if (!a.found || !b.found) {
        p.problem = !a.found ? a.problem : b.problem;
        return p;
    }
    for (const CodeGuide* g : {&a, &b})
        if (g->path.back().level == Level::Chapter || g->path.back().level == Level::Section) {
            p.problem = LevelLabel(g->path.back()) + "不是代碼；請輸入兩個代碼。";
            return p;
        }
    for (const auto& [of, other] : {std::pair(&a, &b), std::pair(&b, &a)}) {
        for (const NoteGroup& group : of->notes) {
            if (group.kind != NoteKind::Excludes1 && group.kind != NoteKind::Excludes2) continue;
            for (const Note& n : group.notes)
                for (const codes::CodeReference& ref : codes::FindCodeReferences(n.text))
                    if (codes::ReferenceCovers(ref, other->code)) {
                        PairNote found{group.kind, of->code, other->code,
                                       n.from,     n.text,   n.text.substr(ref.begin, ref.length)};
                        (group.kind == NoteKind::Excludes1 ? p.excludes1 : p.excludes2)
                            .push_back(std::move(found));
                        break;
                    }
        }
    }
    p.verdict = !p.excludes1.empty()   ? PairCheck::Verdict::Forbidden
                : !p.excludes2.empty() ? PairCheck::Verdict::Allowed
                                       : PairCheck::Verdict::NoNote;
    return p;
}

std::string PairSummary(const PairCheck& check) {
    auto describe = [](const PairNote& n) {
        return n.of + " 的" + KindLabel(n.kind) + "註記（" + LevelLabel(n.from) + "）「" + n.text +
               "」涵蓋 " + n.other + "。";
    };
    switch (check.verdict) {
    case PairCheck::Verdict::Forbidden: {
        std::string s = "不可同時編碼：";
        for (const PairNote& n : check.excludes1)
            s += describe(n);
        return s;
    }
    case PairCheck::Verdict::Allowed: {
        std::string s = "可以同時編碼（兩種情況並存時）：";
        for (const PairNote& n : check.excludes2)
            s += describe(n);
        return s;
    }
    case PairCheck::Verdict::NoNote:
        return check.first + " 與 " + check.second + " 的排除註記都沒有提到對方。";
    case PairCheck::Verdict::Unknown:
        break;
    }
    return check.problem;
}

IndexSearch& Guide::index() {
    if (!m_conn) throw db::Error(m_problem);
    if (!m_index) m_index = std::make_unique<IndexSearch>(*m_conn);
    return *m_index;
}

std::string Guide::info(const std::string& key) {
    if (!m_conn) return {};
    db::Statement s(*m_conn, "SELECT value FROM guide_info WHERE key = ?1");
    s.bind({key});
    return s.step() ? s.column(0) : std::string();
}

std::vector<std::string> Guide::unresolvedIndexCodes() {
    std::vector<std::string> out;
    if (!m_conn) return out;
    std::unordered_set<std::string> nodes, order;
    db::Statement keys(*m_conn, "SELECT key FROM node WHERE kind = 'diag'");
    while (keys.step())
        nodes.insert(keys.column(0));
    db::Statement codes(*m_conn, "SELECT code FROM code");
    while (codes.step())
        order.insert(codes.column(0));
    auto resolves = [&](const std::string& key) {
        if (nodes.count(key)) return true;
        for (const std::string& stem : codes::SeventhCharacterStems(key))
            if (nodes.count(stem)) return order.count(key) > 0;
        return false;
    };
    db::Statement terms(*m_conn,
                        "SELECT id, code, manif, subcat, seecat FROM term "
                        "WHERE code <> '' OR manif <> '' OR subcat <> '' OR seecat <> '' ORDER BY id");
    // How each kind of reference is written in the report, as the index prints it.
    const char* const before[] = {"", "[", "subcategory ", "category "};
    const char* const after[] = {"", "]", "", ""};
    while (terms.step()) {
        for (int c = 1; c <= 4; ++c) {
            const std::string value = terms.column(c);
            std::size_t start = 0;
            while (start < value.size()) {
                std::size_t end = value.find("; ", start);
                if (end == std::string::npos) end = value.size();
                const std::string code = value.substr(start, end - start);
                if (!resolves(codes::LookupKey(code))) {
                    const std::string where = index().entry(static_cast<long>(terms.columnInt(0))).pathText();
                    out.push_back(before[c - 1] + code + after[c - 1] + " (" + where + ")");
                }
                start = end + 2;
            }
        }
    }
    return out;
}

} // namespace guide
