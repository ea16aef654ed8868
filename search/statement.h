#pragma once
// The SELECT statement built from the search criteria (search/criteria.h).
//
// The statement is a list of lines: one head line, then for each criterion that
// applies its condition line(s) followed by a line "AND" (the 2023 differences
// first, then the criteria in the order of their tables), the last "AND"
// removed and "ORDER BY ICD10_NO" appended. With no criterion there is no
// statement.
//
//   code "S93.4", side 1 (左側), episode 1 (初期) =>
//     SELECT ICD10_NO,ICD10_CNAME,ICD10_ENAME,ICD10_FLAG,ICD10_2023FLAG,ICD10_2023NEW FROM ICD10 WHERE
//     (ICD10_NO LIKE 'S934%')
//     AND
//     (ICD10_CNAME LIKE '%左%')
//     AND
//     (ICD10_CNAME LIKE '%初期照護' AND (ICD10_NO LIKE '%A' OR ICD10_NO LIKE '%B' OR ICD10_NO LIKE '%C'))
//     ORDER BY ICD10_NO
//
// Every value typed by the user goes between single quotes with each quote
// doubled; the statement is otherwise built from its fixed pieces exactly.

#include <string>
#include <string_view>
#include <vector>

#include "db/error.h"
#include "search/criteria.h"

namespace db {
class Query;
}

namespace search {

// The condition lines of the sex-specific code lists (18 and 40 lines).
const std::vector<std::string>& MaleListLines();
const std::vector<std::string>& FemaleListLines();

// Head lines: with the ranking column when the ranking filter is in use.
inline constexpr const char* HeadLine =
    "SELECT ICD10_NO,ICD10_CNAME,ICD10_ENAME,ICD10_FLAG,ICD10_2023FLAG,ICD10_2023NEW FROM ICD10 WHERE ";
inline constexpr const char* RankingHeadLine =
    "SELECT ICD10_NO,ICD10_CNAME,ICD10_ENAME,ICD10_RANKING,ICD10_FLAG,ICD10_2023FLAG,ICD10_2023NEW FROM "
    "ICD10 "
    "WHERE ";
inline constexpr const char* OrderLine = "ORDER BY ICD10_NO";

// The condition that every blank-separated word of the text occurs in the
// column; "" when the text has no words.
//   ("ICD10_CNAME", "頭痛 慢性") =>
//     "  ( (ICD10_CNAME LIKE '%頭痛%')  AND (ICD10_CNAME LIKE '%慢性%')  ) "
//   ("ICD10_ENAME", "O'Brien") => "  ( (ICD10_ENAME LIKE '%O''Brien%')  ) "
std::string BuildWordClause(std::string_view column, std::string_view text);

// The quoted, comma-separated ICD-10 codes of an open CM result, read from its
// current row to its end. A 7-character code whose 7th character is A, D or S stands for its three episodes
// of care; any other code stands for itself:
//   rows S93.401A, M25.51, S52.509B => "'S93401A','S93401D','S93401S','M2551','S52509B'"
std::string BuildCodeList(db::Query& aux);

// The condition line of an episode of care (the "照護病程" index 1 to 3; "" for
// any other): the Chinese name ends in the episode's words, and the code in one
// of the episode's seventh characters.
//   1 => (ICD10_CNAME LIKE '%初期照護' AND (ICD10_NO LIKE '%A' OR ICD10_NO LIKE '%B' OR ICD10_NO LIKE '%C'))
//   2 => the same with '%後續照護' and D E F G H J K M N P Q R
//   3 => (ICD10_CNAME LIKE '%後遺症' AND ICD10_NO LIKE '%S')
std::string EpisodeCondition(int episode);

// The condition of the dominant side (1 左, 2 右) with the side (1 左側, 2 右側):
// the same side names the dominant side, the other side the non-dominant one;
// "" for any other pair.
//   (1, 1) => (ICD10_CNAME LIKE '%優勢側%' AND ICD10_CNAME NOT LIKE '%非優勢側%')
//   (1, 2) => (ICD10_CNAME LIKE '%非優勢側%' )      (1, 3) => ""
std::string DominanceCondition(int dominant, int side);

// The conditions of the typed criteria, "" when the text adds none (no text at
// all; for the word conditions, no word).
//   CodePrefixCondition("S93.4")            => (ICD10_NO LIKE 'S934%')
//   WordCondition("ICD10_CNAME", "頭痛")    => (  ( (ICD10_CNAME LIKE '%頭痛%')  ) )
std::string CodePrefixCondition(const std::string& typed);
std::string WordCondition(std::string_view column, const std::string& typed);
// An ICD-9 code prefix, or the words of an ICD-9 name, translated through CM to
// the ICD-10 codes it maps to (BuildCodeList), looked up on aux:
//   "845.00" => (ICD10_NO IN ('S93401A','S93401D','S93401S'))
// Throws NoIcd10ForIcd9 when the text finds no ICD-10 code.
std::string Icd9CodeCondition(const std::string& typed, db::Query& aux);
std::string Icd9NameCondition(const std::string& typed, db::Query& aux);

// A filled ICD-9 criterion whose translation finds no ICD-10 code. The search then
// gives no rows, and the message names the ICD-9 text. It is a db::Error so
// that every caller that shows an engine's message and an empty grid handles
// it the same way.
class NoIcd10ForIcd9 : public db::Error {
public:
    using db::Error::Error;
};
// The text is trimmed and cut after 30 characters ("…" marks the cut).
//   "8455" => ICD9碼「8455」查無對應的ICD10碼
std::string NoIcd10ForIcd9CodeMessage(const std::string& typed);
//   "xyz" => ICD9名稱「xyz」查無對應的ICD10碼
std::string NoIcd10ForIcd9NameMessage(const std::string& typed);

// The statement lines for the criteria, running the ICD-9 translations on the
// auxiliary query. Empty when no criterion applies. Throws NoIcd10ForIcd9 when
// a filled ICD-9 criterion (a name criterion with at least one word) finds no ICD-10 code,
// and db::Error when a lookup fails.
std::vector<std::string> BuildStatement(const Criteria& criteria, db::Query& aux);

// Opens a result statement built by BuildStatement. Its word conditions are
// answered from the connection's names index when that is ready (the engine
// then reads just the rows they allow, in code order: db/namesquery.h).
// Otherwise, when the statement ends in "ORDER BY ICD10_NO" and the engine
// would answer it with an ordered scan of the whole table although the
// conditions can use the code index, it runs the same statement ordered by
// the same key in a form that lets the engine use the index and sort the (few)
// rows it finds. The statement lines are left as they were built; the rows
// and their order are the same either way. The ICD-9 name lookup of
// BuildStatement goes through the names index the same way.
void OpenResult(db::Query& result);

// The statement text that OpenResult sends to the engine for the result's lines.
std::string EngineText(db::Query& result);

// The search: closes and clears the result query, builds the statement and
// opens it. Returns false, leaving the result closed, when no criterion
// applies. On an engine error the result is left closed and the error
// propagates.
bool RunSearch(const Criteria& criteria, db::Query& result, db::Query& aux);

} // namespace search
