#include "codes/billable.h"

#include "db/sqltext.h"

#include <algorithm>

#include "codes/coderules.h"
#include "db/query.h"
#include "text/text.h"

namespace codes {

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return text::Upper(x) == text::Upper(y);
           });
}

// Finds needle in haystack, ASCII letters without regard to case; other bytes
// (UTF-8 Chinese text) compare exactly.
bool ContainsIgnoringCase(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) return true;
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(),
                       [](char x, char y) { return text::Upper(x) == text::Upper(y); }) != haystack.end();
}

// Words separated by blanks, tabs or the ideographic space of Chinese input.
std::vector<std::string> Words(std::string_view filter) {
    std::string s(filter);
    for (std::size_t at; (at = s.find("\u3000")) != std::string::npos;)
        s.replace(at, 3, " ");
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
            ++i;
        const std::size_t start = i;
        while (i < s.size() && s[i] != ' ' && s[i] != '\t')
            ++i;
        if (i > start) words.push_back(s.substr(start, i - start));
    }
    return words;
}

} // namespace

bool IsBillableFlag(std::string_view flag) {
    return flag == "Y";
}

bool IsUnder(std::string_view header, std::string_view code) {
    return !header.empty() && code.size() > header.size() &&
           SameIgnoringCase(code.substr(0, header.size()), header);
}

HeaderCodes BillableUnder(std::string_view header, const std::vector<CodeRow>& rows) {
    HeaderCodes result;
    for (const CodeRow& row : rows) {
        if (!header.empty() && SameIgnoringCase(row.code, header))
            result.header = row;
        else if (IsUnder(header, row.code) && IsBillableFlag(row.flag))
            result.billable.push_back(row);
    }
    std::stable_sort(result.billable.begin(), result.billable.end(),
                     [](const CodeRow& a, const CodeRow& b) { return a.code < b.code; });
    return result;
}

HeaderCodes BillableDescendants(db::Query& query, std::string_view header) {
    if (header.empty()) return {};
    query.close();
    query.setText(
        "SELECT ICD10_NO,ICD10_CNAME,ICD10_ENAME,ICD10_FLAG,ICD10_2023FLAG,ICD10_2023NEW FROM ICD10 "
        "WHERE ICD10_NO LIKE " +
        db::SqlLiteral(std::string(header) + "%") + " ORDER BY ICD10_NO");
    std::vector<CodeRow> rows;
    for (query.open(); !query.eof(); query.next())
        rows.push_back({query.field("ICD10_NO"), query.field("ICD10_CNAME"), query.field("ICD10_ENAME"),
                        query.field("ICD10_FLAG"), query.field("ICD10_2023FLAG"),
                        query.field("ICD10_2023NEW")});
    query.close();
    // LIKE treats % and _ in the header as wildcards: the exact prefix test of
    // BillableUnder keeps only the codes really under it.
    return BillableUnder(header, rows);
}

bool MatchesFilter(const CodeRow& row, std::string_view filter) {
    for (const std::string& word : Words(filter)) {
        const std::string bare = CodeKey(word);
        const bool found = (!bare.empty() && ContainsIgnoringCase(row.code, bare)) ||
                           ContainsIgnoringCase(row.chineseName, word) ||
                           ContainsIgnoringCase(row.englishName, word);
        if (!found) return false;
    }
    return true;
}

} // namespace codes
