#include "search/statement.h"

#include <algorithm>

#include "codes/coderules.h"
#include "db/namesquery.h"
#include "db/query.h"
#include "db/sqltext.h"
#include "text/text.h"
#include "text/words.h"

namespace search {

// Codes specific to men: OR-ed prefixes and ranges, each range's upper bound
// extended by ZZZZZ so that it takes in every subdivision of its last category.
const std::vector<std::string>& MaleListLines() {
    static const std::vector<std::string> lines = {
        "(",
        "(ICD10_NO LIKE 'B260%') OR ",
        "(ICD10_NO >= 'C60' AND ICD10_NO <= 'C63ZZZZZ') OR ",
        "(ICD10_NO >= 'D074' AND ICD10_NO <= 'D076ZZZZZ') OR ",
        "(ICD10_NO LIKE 'D176%') OR ",
        "(ICD10_NO LIKE 'D29%') OR ",
        "(ICD10_NO LIKE 'D40%') OR ",
        "(ICD10_NO LIKE 'E29%') OR ",
        "(ICD10_NO LIKE 'E895%') OR ",
        "(ICD10_NO LIKE 'F524%') OR ",
        "(ICD10_NO LIKE 'I861%') OR ",
        "(ICD10_NO LIKE 'L291%') OR ",
        "(ICD10_NO >= 'N40' AND ICD10_NO <= 'N51ZZZZZ') OR ",
        "(ICD10_NO >= 'Q53' AND ICD10_NO <= 'Q55ZZZZZ') OR ",
        "(ICD10_NO LIKE 'R86%') OR ",
        "(ICD10_NO >= 'S312' AND ICD10_NO <= 'S313ZZZZZ') OR ",
        "(ICD10_NO LIKE 'Z125%')  ",
        ")",
    };
    return lines;
}

// Codes specific to women, built the same way. The pregnancy chapter runs to
// O9A, and the weeks of gestation (Z3A) sort after Z39.
const std::vector<std::string>& FemaleListLines() {
    static const std::vector<std::string> lines = {
        "(",
        "(ICD10_NO LIKE 'A34%') OR ",
        "(ICD10_NO LIKE 'B373%') OR ",
        "(ICD10_NO >= 'C51' AND ICD10_NO <= 'C58ZZZZZ') OR ",
        "(ICD10_NO LIKE 'C796%') OR ",
        "(ICD10_NO LIKE 'D06%') OR ",
        "(ICD10_NO >= 'D070' AND ICD10_NO <= 'D073ZZZZZ') OR ",
        "(ICD10_NO >= 'D25' AND ICD10_NO <= 'D28ZZZZZ') OR ",
        "(ICD10_NO LIKE 'D39%') OR ",
        "(ICD10_NO LIKE 'E28%') OR ",
        "(ICD10_NO LIKE 'E894%') OR ",
        "(ICD10_NO LIKE 'F525%') OR ",
        "(ICD10_NO LIKE 'F53%') OR ",
        "(ICD10_NO LIKE 'I863%') OR ",
        "(ICD10_NO LIKE 'L292%') OR ",
        "(ICD10_NO LIKE 'L705%') OR ",
        "(ICD10_NO >= 'N70' AND ICD10_NO <= 'N98ZZZZZ') OR ",
        "(ICD10_NO >= 'N992' AND ICD10_NO <= 'N993ZZZZZ') OR ",
        "(ICD10_NO >= 'O00' AND ICD10_NO <= 'O9AZZZZZ') OR ",
        "(ICD10_NO LIKE 'P546%') OR ",
        "(ICD10_NO >= 'Q50' AND ICD10_NO <= 'Q52ZZZZZ') OR ",
        "(ICD10_NO LIKE 'R87%') OR ",
        "(ICD10_NO LIKE 'S314%') OR ",
        "(ICD10_NO >= 'S374' AND ICD10_NO <= 'S376ZZZZZ') OR ",
        "(ICD10_NO >= 'T192' AND ICD10_NO <= 'T193ZZZZZ') OR ",
        "(ICD10_NO LIKE 'T833%') OR ",
        "(ICD10_NO LIKE 'Y76%') OR ",
        "(ICD10_NO LIKE 'Z014%') OR ",
        "(ICD10_NO LIKE 'Z124%') OR ",
        "(ICD10_NO LIKE 'Z301%') OR ",
        "(ICD10_NO LIKE 'Z303%') OR ",
        "(ICD10_NO LIKE 'Z305%') OR ",
        "(ICD10_NO LIKE 'Z311%') OR ",
        "(ICD10_NO LIKE 'Z312%') OR ",
        "(ICD10_NO >= 'Z32' AND ICD10_NO <= 'Z36ZZZZZ') OR ",
        "(ICD10_NO LIKE 'Z39%') OR ",
        "(ICD10_NO LIKE 'Z3A%') OR ",
        "(ICD10_NO LIKE 'Z437%') OR ",
        "(ICD10_NO LIKE 'Z875%') OR ",
        "(ICD10_NO LIKE 'Z975%')  ",
        ")",
    };
    return lines;
}

std::string BuildWordClause(std::string_view column, std::string_view text) {
    std::string clause;
    std::size_t position = 1;
    std::string word;
    const std::string col(column);
    while (text::NextWord(text, ' ', position, word)) {
        if (clause.empty())
            clause = "  ( (" + col + " LIKE " + db::SqlLiteral("%" + word + "%") + ") ";
        else
            clause += " AND (" + col + " LIKE " + db::SqlLiteral("%" + word + "%") + ") ";
    }
    if (!clause.empty()) clause += " ) ";
    return clause;
}

std::string BuildCodeList(db::Query& aux) {
    std::string list;
    auto append = [&list](const std::string& entry) {
        if (!list.empty()) list += ",";
        list += db::SqlLiteral(entry);
    };
    // A mapping to a plain initial, subsequent or sequela code stands for all
    // three episodes; an open fracture's B or a nonunion's K stands for itself.
    for (; !aux.eof(); aux.next())
        for (const std::string& entry :
             codes::EpisodeVariants(codes::NormalizeICD10Code(aux.field("ICD10_NO"))))
            append(entry);
    return list;
}

namespace {

// The ICD-9 text as a message names it: trimmed, and cut after 30 characters
// so that a criterion full of text still gives a message that fits on the screen.
std::string ShownIcd9Text(const std::string& typed) {
    const std::string trimmed = text::Trim(typed);
    const std::vector<std::string> chars = text::Characters(trimmed);
    if (chars.size() <= 30) return trimmed;
    std::string shown;
    for (std::size_t i = 0; i < 30; ++i)
        shown += chars[i];
    return shown + "…";
}

} // namespace

std::string NoIcd10ForIcd9CodeMessage(const std::string& typed) {
    return "ICD9碼「" + ShownIcd9Text(typed) + "」查無對應的ICD10碼";
}

std::string NoIcd10ForIcd9NameMessage(const std::string& typed) {
    return "ICD9名稱「" + ShownIcd9Text(typed) + "」查無對應的ICD10碼";
}

std::string EpisodeCondition(int episode) {
    static const char* const names[] = {"%初期照護", "%後續照護", "%後遺症"};
    static const codes::Episode episodes[] = {codes::Episode::Initial, codes::Episode::Subsequent,
                                              codes::Episode::Sequela};
    if (episode < 1 || episode > 3) return {};
    const auto i = static_cast<std::size_t>(episode - 1);
    const std::string_view letters = codes::SeventhCharactersOf(episodes[i]);
    std::string codeCondition;
    for (char letter : letters) {
        if (!codeCondition.empty()) codeCondition += " OR ";
        codeCondition += std::string("ICD10_NO LIKE '%") + letter + "'";
    }
    if (letters.size() > 1) codeCondition = "(" + codeCondition + ")";
    return std::string("(ICD10_CNAME LIKE '") + names[i] + "' AND " + codeCondition + ")";
}

namespace {

// Whether a text criterion counts as filled: any text at all, blanks included.
bool Filled(const std::string& text) {
    return !text.empty();
}

// ICD-9 code prefix => the ICD-10 codes it maps to ("" when none).
std::string TranslateIcd9Code(const std::string& typed, db::Query& aux) {
    aux.close();
    aux.setText("SELECT * FROM CM WHERE ICD9_NO LIKE " +
                db::SqlLiteral(codes::NormalizeICD9Code(typed) + "%") + " ORDER BY ICD10_NO ");
    aux.open();
    return BuildCodeList(aux);
}

// Words of an ICD-9 name => the ICD-10 codes that the matching ICD-9 codes map
// to ("" when none).
std::string TranslateIcd9Name(const std::string& typed, db::Query& aux) {
    const std::string first = BuildWordClause("ICD9_NAME", typed);
    const std::string second = BuildWordClause("ICD9_NAME2", typed);
    // A criterion of blanks has no words: "()" would be a malformed statement, so
    // such a criterion translates to nothing.
    if (first.empty()) return {};
    aux.close();
    aux.setText("SELECT ICD9_NO FROM ICD9 WHERE (" + first + ") OR (" + second + ")  ");
    if (!db::TryOpenWithNames(aux)) aux.open();
    if (aux.eof()) return {};
    std::string icd9List;
    for (; !aux.eof(); aux.next()) {
        if (!icd9List.empty()) icd9List += ",";
        icd9List += db::SqlLiteral(aux.field("ICD9_NO"));
    }
    icd9List = "(" + icd9List + ")";
    aux.close();
    aux.setText("SELECT * FROM CM WHERE ICD9_NO IN " + icd9List + " ORDER BY ICD10_NO ");
    aux.open();
    return BuildCodeList(aux);
}

} // namespace

std::string DominanceCondition(int dominant, int side) {
    if ((dominant == 1 && side == 1) || (dominant == 2 && side == 2))
        return "(ICD10_CNAME LIKE '%優勢側%' AND ICD10_CNAME NOT LIKE '%非優勢側%')";
    if ((dominant == 1 && side == 2) || (dominant == 2 && side == 1))
        return "(ICD10_CNAME LIKE '%非優勢側%' )";
    return {};
}

std::string CodePrefixCondition(const std::string& typed) {
    if (!Filled(typed)) return {};
    return "(ICD10_NO LIKE " + db::SqlLiteral(codes::NormalizeICD10Code(typed) + "%") + ")";
}

// A name criterion of blanks has no words and so no condition.
std::string WordCondition(std::string_view column, const std::string& typed) {
    const std::string clause = BuildWordClause(column, typed);
    return clause.empty() ? std::string() : "(" + clause + ")";
}

// An ICD-9 criterion that finds no ICD-10 code ends the search with no rows: left
// out, it would widen the search instead of narrowing it.
std::string Icd9CodeCondition(const std::string& typed, db::Query& aux) {
    if (!Filled(typed)) return {};
    const std::string list = TranslateIcd9Code(typed, aux);
    if (list.empty()) throw NoIcd10ForIcd9(NoIcd10ForIcd9CodeMessage(typed));
    return "(ICD10_NO IN (" + list + "))";
}

std::string Icd9NameCondition(const std::string& typed, db::Query& aux) {
    if (!Filled(typed) || BuildWordClause("ICD9_NAME", typed).empty()) return {};
    const std::string list = TranslateIcd9Name(typed, aux);
    if (list.empty()) throw NoIcd10ForIcd9(NoIcd10ForIcd9NameMessage(typed));
    return "(ICD10_NO IN (" + list + "))";
}

std::vector<std::string> BuildStatement(const Criteria& c, db::Query& aux) {
    std::vector<std::string> lines;
    const bool ranking = c.rankingVisible && c.ranking != 0;
    lines.emplace_back(ranking ? RankingHeadLine : HeadLine);
    auto condition = [&lines](const std::vector<std::string>& conditionLines) {
        if (conditionLines.empty()) return;
        lines.insert(lines.end(), conditionLines.begin(), conditionLines.end());
        lines.emplace_back("AND");
    };

    if (c.differences2023) condition({"((ICD10_2023FLAG<>'') OR (ICD10_2023NEW<>''))"});
    for (const TextCriterion& t : TextCriteria())
        if (std::string line = t.condition(c.*t.text, aux); !line.empty()) condition({std::move(line)});
    for (const ChoiceCriterion& k : ChoiceCriteria()) {
        const int item = c.*k.choice;
        if (item > 0 && item < static_cast<int>(k.items.size()))
            condition(k.condition(item, k.items[static_cast<std::size_t>(item)], c));
    }

    if (lines.back() == "AND") lines.pop_back();
    if (lines.size() <= 1) return {};
    lines.emplace_back(OrderLine);
    return lines;
}

namespace {

// The details of the engine's plan for a statement, one per step.
std::vector<std::string> QueryPlan(db::Connection& connection, const std::string& statement) {
    db::Query plan(connection);
    plan.setText("EXPLAIN QUERY PLAN " + statement);
    plan.open();
    std::vector<std::string> steps;
    for (; !plan.eof(); plan.next())
        steps.push_back(plan.field("detail"));
    return steps;
}

bool UsesCodeIndex(const std::vector<std::string>& plan) {
    for (const auto& step : plan)
        if (step.rfind("SEARCH", 0) == 0 || step.rfind("MULTI-INDEX OR", 0) == 0) return true;
    return false;
}

// The same ordering with the key written as an expression: the engine can then
// no longer walk the code index for the order and is free to pick the index for
// the conditions, sorting what they find. A unary plus keeps the column's
// collation, so the rows come in exactly the same order.
constexpr const char* SortedOrderLine = "ORDER BY +ICD10_NO";

} // namespace

namespace {

// Whether the result is better read through the code index and sorted.
bool SortInstead(db::Query& result) {
    const auto& lines = result.lines();
    if (lines.empty() || lines.back() != OrderLine) return false;
    // Only a choice between conditions (OR) can lead the engine to walk the
    // whole index for the order; anything else is sent as it is, unplanned.
    if (std::none_of(lines.begin(), lines.end(),
                     [](const std::string& l) { return l.find(" OR ") != std::string::npos; }))
        return false;
    try {
        if (UsesCodeIndex(QueryPlan(result.connection(), result.text()))) return false;
        std::string text;
        for (std::size_t i = 0; i + 1 < lines.size(); ++i)
            text += lines[i] + "\r\n";
        text += std::string(SortedOrderLine) + "\r\n";
        return UsesCodeIndex(QueryPlan(result.connection(), text));
    } catch (const db::Error&) {
        // A statement the engine cannot plan fails again when opened, with its own message.
        return false;
    }
}

} // namespace

std::string EngineText(db::Query& result) {
    const bool sort = SortInstead(result);
    if (std::string names = sort ? std::string() : db::NamesEngineText(result); !names.empty()) return names;
    if (!sort) return result.text();
    std::string text;
    const auto& lines = result.lines();
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
        text += lines[i] + "\r\n";
    return text + SortedOrderLine + "\r\n";
}

void OpenResult(db::Query& result) {
    // Where the engine can read the conditions through the code index (the
    // sex lists), it reads fewer rows than a word allows: it goes first.
    const bool sort = SortInstead(result);
    if (!sort && db::TryOpenWithNames(result)) return;
    if (!sort) {
        result.open();
        return;
    }
    auto& lines = result.lines();
    const std::string given = lines.back();
    lines.back() = SortedOrderLine;
    try {
        result.open();
    } catch (...) {
        lines.back() = given;
        throw;
    }
    lines.back() = given;
}

bool RunSearch(const Criteria& criteria, db::Query& result, db::Query& aux) {
    result.close();
    result.clear();
    std::vector<std::string> lines = BuildStatement(criteria, aux);
    if (lines.empty()) return false;
    result.lines() = std::move(lines);
    try {
        OpenResult(result);
    } catch (...) {
        result.close();
        throw;
    }
    return true;
}

} // namespace search
