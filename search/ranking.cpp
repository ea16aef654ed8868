#include "search/ranking.h"

#include <vector>

#include "codes/coderules.h"
#include "db/connection.h"
#include "db/query.h"
#include "db/sqltext.h"
#include "text/text.h"

namespace search {

namespace {

// The first n characters of a text.
std::string LeftChars(std::string_view s, std::size_t n) {
    std::string out;
    std::size_t i = 0;
    for (const auto& ch : text::Characters(s)) {
        if (i++ == n) break;
        out += ch;
    }
    return out;
}

struct UsageRow {
    std::string icd9;
    std::string rank;
};

// Opens the CM rows of an ICD-9-CM code: its exact rows other than Z codes, else
// every code that begins with it, else (a 6-character code) with its first 5
// characters, else with its first 3. Returns false when all of them are empty.
bool OpenMappings(db::Query& cm, const std::string& icd9) {
    auto tryOpen = [&cm](std::string statement) {
        cm.close();
        cm.setText(std::move(statement));
        cm.open();
        return !cm.eof();
    };
    if (tryOpen("SELECT * FROM CM WHERE ICD9_NO=" + db::SqlLiteral(icd9) + " AND ICD10_NO NOT LIKE 'Z%'"))
        return true;
    if (tryOpen("SELECT * FROM CM WHERE ICD9_NO LIKE " + db::SqlLiteral(icd9 + "%") + " ")) return true;
    if (text::CharacterCount(icd9) == 6 &&
        tryOpen("SELECT * FROM CM WHERE ICD9_NO LIKE " + db::SqlLiteral(LeftChars(icd9, 5) + "%") + " "))
        return true;
    return tryOpen("SELECT * FROM CM WHERE ICD9_NO LIKE " + db::SqlLiteral(LeftChars(icd9, 3) + "%") + " ");
}

} // namespace

RankingResult BuildRanking(db::Connection& connection,
                           const std::function<void(const RankingProgress&)>& progress) {
    RankingResult result;
    // The transaction outlives the queries: on an error they are finished
    // before everything is rolled back.
    db::Transaction transaction(connection);
    db::Query usageQuery(connection);
    db::Query mappingQuery(connection);
    db::Query updateQuery(connection);

    // The column check: any error of the probe means the column is missing.
    try {
        usageQuery.close();
        usageQuery.setText(RankingProbeStatement);
        usageQuery.open();
        usageQuery.close();
    } catch (const db::Error&) {
        usageQuery.setText(AddRankingColumnStatement);
        usageQuery.execute();
        result.columnAdded = true;
    }

    // The usage rows, from rank 01000 down to 00001.
    usageQuery.close();
    usageQuery.setText("SELECT * FROM btbindn where IND_INFECT_CODE>='00001' AND IND_INFECT_CODE<='01000' "
                       "ORDER BY IND_INFECT_CODE DESC");
    usageQuery.open();
    std::vector<UsageRow> usage;
    for (; !usageQuery.eof(); usageQuery.next())
        usage.push_back({usageQuery.field("IND_CODE"), usageQuery.field("IND_INFECT_CODE")});
    usageQuery.close();
    result.rows = static_cast<int>(usage.size());

    RankingProgress step;
    step.rows = result.rows;
    for (const auto& row : usage) {
        ++step.row;
        step.rank = row.rank;
        const char* band = row.rank > std::string("00500") ? Top1000Band : Top500Band;
        if (!OpenMappings(mappingQuery, row.icd9)) continue;
        for (; !mappingQuery.eof(); mappingQuery.next()) {
            const std::string code = text::Trim(mappingQuery.field("ICD10_NO"));
            if (code.empty()) continue;
            const std::string norm = codes::LettersAndDigits(code);
            // A seventh-character letter is an episode of care: the whole
            // five-character subcategory is marked, every episode included.
            if (codes::HasEpisodeSeventh(norm))
                updateQuery.setText(std::string("UPDATE icd10 SET ICD10_RANKING='") + band +
                                    "' WHERE ICD10_NO LIKE '" + norm.substr(0, 5) + "%' ");
            else
                updateQuery.setText(std::string("UPDATE icd10 SET ICD10_RANKING='") + band +
                                    "' WHERE ICD10_NO='" + norm + "' ");
            updateQuery.execute();
            ++result.marks;
            result.lastCode = code;
            if (progress) {
                step.code = code;
                progress(step);
            }
        }
        mappingQuery.close();
    }
    transaction.commit();
    return result;
}

} // namespace search
