#pragma once
// The usage-ranking builder: fills ICD10.ICD10_RANKING from the usage table
// btbindn through the ICD-9-CM to ICD-10-CM table CM.
//
// Every ICD-10-CM code that a listed ICD-9-CM code of rank 00001-00500 reaches
// gets "五百大", one of rank 00501-01000 "一千大". The ranks are taken from the
// least used to the most used, so the best rank that reaches a code is the one
// it keeps. The column is added when the database lacks it. The whole run is
// one transaction: an error half-way leaves the database as it was.

#include <functional>
#include <string>
#include <string_view>

namespace db {
class Connection;
}

namespace search {

inline constexpr const char* RankingProbeStatement = "SELECT ICD10_RANKING FROM ICD10";
inline constexpr const char* AddRankingColumnStatement =
    "ALTER TABLE ICD10 add COLUMN ICD10_RANKING VARCHAR(6)";
inline constexpr const char* Top500Band = "五百大";
inline constexpr const char* Top1000Band = "一千大";

// Where a run stands: the usage row being worked on (1-based, of rows) and the
// code just marked, as stored in CM (trimmed, with its dot).
struct RankingProgress {
    int row = 0;
    int rows = 0;
    std::string rank;
    std::string code;
};

struct RankingResult {
    bool columnAdded = false; // the column did not exist and was added
    int rows = 0;             // usage rows of ranks 00001-01000
    int marks = 0;            // update statements run
    std::string lastCode;     // the last code marked ("" when none)
};

// Runs the builder. progress, when given, is called after each code is marked.
// Throws db::Error with the engine's message; nothing is changed then.
RankingResult BuildRanking(db::Connection& connection,
                           const std::function<void(const RankingProgress&)>& progress = {});

} // namespace search
