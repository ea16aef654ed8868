// Two programs on one database: one runs the ranking builder over and over
// (each time from a database without bands), the other searches with the
// ranking filter all the while. The searcher never sees an error other than the
// engine's busy message after its wait, and every search shows either no bands
// (the old state) or all of them (the new), never a mix.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <thread>

#include <gtest/gtest.h>

#include "db/query.h"
#include "reliability/tests/writers.h"
#include "search/ranking.h"
#include "search/statement.h"

namespace fs = std::filesystem;
using namespace reliability;

namespace {

// The codes of a search for every banded code (五百大 or 一千大), with their bands.
std::string BandedCodes(db::Connection& c) {
    search::Criteria criteria;
    criteria.ranking = 2;
    db::Query result(c), aux(c);
    search::RunSearch(criteria, result, aux);
    std::string out;
    for (; !result.eof(); result.next())
        out += result.field("ICD10_NO") + "=" + result.field("ICD10_RANKING") + " ";
    return out;
}

void ClearBands(db::Connection& c) {
    c.exec("UPDATE ICD10 SET ICD10_RANKING=''");
}

} // namespace

TEST(TwoPrograms, rankingInOneWhileTheOtherSearches_searchesSeeTheOldOrTheNewBandsOnly) {
    testsupport::TempDir dir;
    const std::string path = (dir.path() / DatabaseName).string();
    fs::copy_file(SampleDatabase(), path);
    std::string oldBands, newBands;
    {
        db::Connection c;
        c.open(path);
        ClearBands(c);
        oldBands = BandedCodes(c);
        search::BuildRanking(c);
        newBands = BandedCodes(c);
        ClearBands(c);
    }
    ASSERT_EQ(oldBands, "");
    ASSERT_NE(newBands, "");

    const auto runFor = std::chrono::seconds(4);
    const pid_t ranker = fork();
    ASSERT_GE(ranker, 0);
    if (ranker == 0) {
        int runs = 0;
        try {
            db::Connection c;
            c.open(path);
            const auto end = std::chrono::steady_clock::now() + runFor;
            while (std::chrono::steady_clock::now() < end) {
                ClearBands(c);
                search::BuildRanking(c);
                ++runs;
            }
        } catch (const db::Error& e) {
            std::cerr << "the ranking program failed: " << e.what() << std::endl;
            _exit(1);
        }
        _exit(runs > 0 ? 0 : 2);
    }

    db::Connection c;
    c.open(path);
    int sawOld = 0, sawNew = 0, busy = 0, searches = 0;
    const auto end = std::chrono::steady_clock::now() + runFor;
    while (std::chrono::steady_clock::now() < end) {
        ++searches;
        try {
            const std::string bands = BandedCodes(c);
            if (bands == oldBands)
                ++sawOld;
            else if (bands == newBands)
                ++sawNew;
            else
                ADD_FAILURE() << "a search saw part of the bands: " << bands;
        } catch (const db::Error& e) {
            EXPECT_EQ(std::string(e.what()), "database is locked");
            ++busy;
        }
        if (HasFailure()) break;
    }
    int status = 0;
    waitpid(ranker, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the ranking program did not end well";
    std::cout << searches << " searches beside the ranking program: " << sawOld << " saw no bands, " << sawNew
              << " all of them, " << busy << " waited out the busy time" << std::endl;
    EXPECT_GT(sawOld + sawNew, 0);
}
