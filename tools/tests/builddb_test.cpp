// icdtool build-db, the command line of the database build: its options
// checked before anything is written, the table of sources read by --help and
// the option parser, and the installed tool finding its official files.
#include "tools/icdtool/commands.h"

#include <cstdlib>
#include <filesystem>

#include "dbbuild/clinicbuild.h"
#include "dbbuild/steps.h"
#include "testsupport/testsupport.h"

using namespace dbbuild;
using testsupport::BuildTestFile;
using testsupport::WriteOfficialTestFiles;
namespace fs = std::filesystem;

TEST(BuildCommand, optionsAreCheckedBeforeAnythingIsWritten) {
    testsupport::TempDir dir;
    const std::string out = dir.file("icd10_2023.mdb");
    EXPECT_EQ(icdtool::BuildDb({"--help"}), 0);
    EXPECT_EQ(icdtool::BuildDb({}), 2);
    EXPECT_EQ(icdtool::BuildDb({out, "--no-such-option"}), 2);
    EXPECT_EQ(icdtool::BuildDb({out, "second.mdb"}), 2);
    EXPECT_THROW(icdtool::BuildDb({out, "--order", out, "--april"}), Error); // --april goes with --data
    EXPECT_THROW(icdtool::BuildDb({out, "--order"}), Error);                 // an option without its value
    EXPECT_THROW(icdtool::BuildDb({out, "--data", dir.file("nowhere")}), Error);
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

// The table of sources is what the command reads: each option of a source is
// listed once in --help, in the table's order (test-data options in their own
// part), and is taken by the option parser (a value option without its value
// says so, rather than being unknown).
TEST(BuildCommand, everySourceOptionIsListedOnceInTheHelpAndTaken) {
    testing::internal::CaptureStdout();
    ASSERT_EQ(icdtool::BuildDb({"--help"}), 0);
    const std::string help = testing::internal::GetCapturedStdout();
    const std::size_t testPart = help.find("TEST DATA ONLY");
    ASSERT_NE(testPart, std::string::npos);
    std::size_t last = 0, lastTest = testPart;
    for (const Source& source : Sources()) {
        for (const SourceOption& option : source.options) {
            const std::size_t at = help.find(option.help);
            EXPECT_TRUE(at != std::string::npos && at > last && at < testPart) << option.name;
            EXPECT_EQ(help.find(option.help, at + 1), std::string::npos) << option.name;
            last = at;
            EXPECT_NE(option.value, nullptr) << option.name;
            EXPECT_THROW(icdtool::BuildDb({"out.mdb", option.name}), Error) << option.name;
        }
        for (const SourceOption& option : source.testOptions) {
            const std::size_t at = help.find(option.help);
            EXPECT_TRUE(at != std::string::npos && at > lastTest) << option.name;
            lastTest = at;
            EXPECT_NE(option.flag, nullptr) << option.name;
        }
    }
}

// The real tool, installed as `cmake --install` lays it out, given only the
// clinic's file.
TEST(OfficialFiles, anInstalledIcdtoolBuildsFromTheChineseEditionAlone) {
    const std::string tool = ICD_ICDTOOL;
    if (tool.empty()) GTEST_SKIP() << "the tool is not run in a cross build";
    testsupport::TempDir dir;
    const fs::path app = dir.path() / "usr" / "lib" / "x" / "icd10tcm";
    fs::create_directories(app);
    fs::copy_file(tool, app / "icdtool");
    const std::string orderFile = WriteOfficialTestFiles(OfficialDataDir(app.string()));
    const std::string out = dir.file("icd10_2023.mdb");
    const std::string command = (app / "icdtool").string() + " build-db " + out + " --chinese " +
                                BuildTestFile("nhi_icd10cm_2023_zh.csv") + " 2>" + dir.file("log");
    ASSERT_EQ(std::system(command.c_str()), 0) << testsupport::ReadFile(dir.file("log"));
    EXPECT_EQ(testsupport::QueryRows(
                  out, "SELECT VALUE FROM BUILDINFO WHERE KEY IN ('order', 'icd11') ORDER BY KEY"),
              "icd11_mms_ch26_tm1_zh_tw.tsv\n" + orderFile + "\n");
    EXPECT_EQ(testsupport::QueryRows(out, "SELECT count(*) FROM ICD10 WHERE ICD10_CNAME<>''"), "36\n");
}
