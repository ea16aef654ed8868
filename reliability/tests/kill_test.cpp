// Each writer killed (SIGKILL) at a random moment of its run, many times over:
// ICD_KILLS times per writer (20 by default; scripts/kill-writers.sh runs 200).
// After every kill the database passes the engine's integrity check and holds
// either the whole old or the whole new content (every table compared); no file
// is left that the program would take for a database; the program then starts
// as it always does, and the writer run again finishes with the new content and
// leaves no temporary file. For the Jet conversion the clinic's .mdb keeps its
// bytes and a half-written copy is never opened.
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <random>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include "reliability/tests/childprocess.h"
#include "reliability/tests/writers.h"

namespace fs = std::filesystem;
using namespace reliability;

namespace {

int KillsPerWriter() {
    const char* v = std::getenv("ICD_KILLS");
    const int n = v ? std::atoi(v) : 0;
    return n > 0 ? n : 20;
}

struct Writer {
    std::string name;
    std::function<void(const fs::path&, int kill)> prepare; // the old state in a fresh folder
    std::function<std::vector<std::string>(const fs::path&)> command;
    std::string database = DatabaseName;  // the file whose content is checked
    std::vector<std::string> temporaries; // files a kill may leave: never taken for a database
    std::string untouched;                // a file that must keep its bytes
};

const std::string NoFile = "(no file)";

std::string ContentOf(const fs::path& file) {
    return fs::exists(file) ? FingerprintOf(file.string()) : NoFile;
}

// The program started in dir as a clinic would start it: what it says.
ChildOutcome StartProgram(const fs::path& dir) {
    return RunChild(StartCommand(dir), (dir / "start.log").string());
}

void KillAtRandomMoments(const Writer& w) {
    // One whole run, for the new content, the messages of a normal start and
    // the length of a run.
    testsupport::TempDir reference;
    w.prepare(reference.path(), 0);
    const ChildOutcome whole = RunChild(w.command(reference.path()), reference.file("run.log"));
    ASSERT_TRUE(whole.ok()) << whole.output;
    // The length of a run, once the files are in the system's cache: the shortest of three.
    auto runTime = std::chrono::steady_clock::duration::max();
    for (int i = 0; i < 3; ++i) {
        testsupport::TempDir timing;
        w.prepare(timing.path(), 0);
        const auto begin = std::chrono::steady_clock::now();
        RunChild(w.command(timing.path()), timing.file("run.log"));
        runTime = std::min(runTime, std::chrono::steady_clock::now() - begin);
    }
    const std::string newContent = ContentOf(reference.path() / w.database);
    const ChildOutcome normalStart = StartProgram(reference.path());
    const std::set<std::string> files = [&] {
        auto v = FilesIn(reference.path());
        return std::set<std::string>(v.begin(), v.end());
    }();

    const unsigned seed = static_cast<unsigned>(std::random_device{}());
    std::mt19937 random(seed);
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(runTime).count() * 11 / 10;
    std::uniform_int_distribution<long long> moment(0, span);
    int killedRunning = 0, gaveOld = 0, gaveNew = 0;
    const int kills = KillsPerWriter();
    for (int k = 0; k < kills; ++k) {
        SCOPED_TRACE("kill " + std::to_string(k + 1) + " of " + w.name + ", seed " + std::to_string(seed));
        testsupport::TempDir dir;
        w.prepare(dir.path(), k);
        const fs::path database = dir.path() / w.database;
        const std::string oldContent = ContentOf(database);
        const std::string untouchedBytes =
            w.untouched.empty() ? "" : testsupport::ReadFile(dir.path() / w.untouched);

        const long long at = moment(random);
        ChildOutcome killed;
        {
            ChildProcess child(w.command(dir.path()), dir.file("run.log"));
            std::this_thread::sleep_for(std::chrono::microseconds(at));
            child.kill();
            killed = child.wait();
        }
        if (!killed.exited) {
            ++killedRunning;
        } else {
            ASSERT_TRUE(killed.ok()) << killed.output;
        }

        // Whole old or whole new, and sound.
        if (fs::exists(database)) {
            EXPECT_EQ(IntegrityOf(database.string()), "ok") << "killed after " << at << " us";
        }
        const std::string content = ContentOf(database);
        const bool isOld = content == oldContent, isNew = content == newContent;
        EXPECT_TRUE(isOld || isNew) << "killed after " << at << " us: neither the old nor the new content";
        gaveOld += isOld && !isNew;
        gaveNew += isNew;
        if (!w.untouched.empty()) {
            EXPECT_EQ(testsupport::ReadFile(dir.path() / w.untouched), untouchedBytes);
        }
        // Nothing beyond the writer's own files, and its temporaries never under a database's name.
        for (const std::string& f : FilesIn(dir.path())) {
            const bool known =
                files.count(f) || f == "run.log" || f == DatabaseName + "-journal" ||
                std::find(w.temporaries.begin(), w.temporaries.end(), f) != w.temporaries.end();
            EXPECT_TRUE(known) << "left behind: " << f;
        }

        // The next start is a normal one, and leaves no journal behind.
        const ChildOutcome next = StartProgram(dir.path());
        EXPECT_EQ(next.exited, normalStart.exited);
        EXPECT_EQ(next.status, normalStart.status);
        EXPECT_EQ(next.output, normalStart.output);
        // A journal the engine had only begun (empty, or a header of zeros) may
        // stay until the next write; one with content would still be hot here.
        const fs::path journal = dir.path() / (DatabaseName + "-journal");
        if (fs::exists(journal)) {
            const std::string head = testsupport::ReadFile(journal).substr(0, 8);
            EXPECT_EQ(head.find_first_not_of('\0'), std::string::npos) << "a hot journal after the start";
        }
        if (w.database != DatabaseName) {
            EXPECT_EQ(ContentOf(database), newContent); // converted at that start
        }

        // The writer run again finishes with the new content and cleans up.
        const ChildOutcome again = RunChild(w.command(dir.path()), dir.file("run.log"));
        EXPECT_TRUE(again.ok()) << again.output;
        EXPECT_EQ(ContentOf(database), newContent);
        for (const std::string& f : w.temporaries)
            EXPECT_FALSE(fs::exists(dir.path() / f)) << f;
        EXPECT_FALSE(fs::exists(journal));
        if (::testing::Test::HasFailure()) break;
    }
    std::cout << "kills of " << w.name << ": " << kills << " kills, " << killedRunning
              << " while it ran (the others after it had ended), " << gaveOld << " left the old content, "
              << gaveNew << " the new; runs take " << std::chrono::duration<double>(runTime).count() * 1000
              << " ms" << std::endl;
    ::testing::Test::RecordProperty("killed_while_running", killedRunning);
}

} // namespace

TEST(KillWriters, rankingTool_killedAnywhere_leavesTheOldOrTheNewBands) {
    KillAtRandomMoments({"icdtool rank",
                         [](const fs::path& d, int) { PutUnrankedSample(d); },
                         RankCommand,
                         DatabaseName,
                         {},
                         ""});
}

TEST(KillWriters, rankingButtonInTheProgram_killedAnywhere_leavesTheOldOrTheNewBands) {
    KillAtRandomMoments({"the program's ranking button",
                         [](const fs::path& d, int) { PutUnrankedSample(d); },
                         RankButtonCommand,
                         DatabaseName,
                         {},
                         ""});
}

TEST(KillWriters, buildDb_killedAnywhere_leavesTheOldOrTheNewDatabase) {
    KillAtRandomMoments({"icdtool build-db",
                         [](const fs::path& d, int) {
                             PutUnrankedSample(d);
                             WriteOrderFiles(d, 3000);
                         },
                         BuildDbCommand,
                         DatabaseName,
                         {DatabaseName + ".part", DatabaseName + ".part-journal"},
                         ""});
}

TEST(KillWriters, clinicBuild_killedAnywhere_leavesTheOldOrTheNewDatabase) {
    KillAtRandomMoments({"icdtool build-db from the NHI file",
                         [](const fs::path& d, int) {
                             PutUnrankedSample(d);
                             WriteClinicFiles(d, 3000);
                         },
                         ClinicBuildCommand,
                         DatabaseName,
                         {DatabaseName + ".part", DatabaseName + ".part-journal"},
                         ""});
}

TEST(KillWriters, runSql_killedAnywhere_leavesTheOldOrTheNewDatabase) {
    KillAtRandomMoments({"icdtool run-sql",
                         [](const fs::path& d, int) { PutUnrankedSample(d); },
                         RunSqlCommand,
                         DatabaseName,
                         {DatabaseName + ".tmp", DatabaseName + ".tmp-journal"},
                         ""});
}

TEST(KillWriters, jetConversionAtStartUp_killedAnywhere_neverTouchesTheJetFileOrOpensAHalfCopy) {
    const std::string jet = SharedJetFile("jackcess_testV2000.mdb");
    if (jet.empty()) GTEST_SKIP() << "no Jet test files in the shared data";
    KillAtRandomMoments({"the Jet conversion at start-up",
                         [jet](const fs::path& d, int kill) {
                             // Every other time an older copy from an earlier conversion is there.
                             if (kill % 2 == 1) {
                                 CreateCodeDb((d / "icd10_2023.sqlite").string());
                                 fs::last_write_time(d / "icd10_2023.sqlite",
                                                     fs::file_time_type::clock::now() -
                                                         std::chrono::hours(1));
                             }
                             fs::copy_file(jet, d / DatabaseName);
                         },
                         StartCommand,
                         "icd10_2023.sqlite",
                         {"icd10_2023.sqlite.part", "icd10_2023.sqlite.part-journal"},
                         DatabaseName});
}
