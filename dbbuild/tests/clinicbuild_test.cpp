// The clinic's build: its NHI files with the project's official US files, as
// the program's build window runs it (progress, cancel) and as `icdtool
// build-db OUT --chinese FILE` runs it (the official files found beside the
// tool).
#include "dbbuild/clinicbuild.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <vector>

#include "testsupport/testsupport.h"
#include "text/paths.h"

using namespace dbbuild;
namespace fs = std::filesystem;

namespace {

using testsupport::BuildTestFile;
using testsupport::WriteOfficialTestFiles;

class ClinicBuild : public ::testing::Test {
protected:
    void SetUp() override {
        orderFile = WriteOfficialTestFiles(official());
        files.chinese = BuildTestFile("nhi_icd10cm_2023_zh.csv");
        files.icd9Map = BuildTestFile("nhi_icd9cm_2001_to_icd10cm_2023.csv");
    }
    fs::path official() const { return dir.path() / "official"; }
    std::string out() const { return (dir.path() / "使用者" / "icd10_2023.mdb").string(); }
    std::string rows(const std::string& sql) const { return testsupport::QueryRows(out(), sql); }
    testsupport::TempDir dir;
    ClinicFiles files;
    std::string orderFile;
};

} // namespace

TEST_F(ClinicBuild, buildsFromTheNhiFilesAndTheOfficialFilesReportingEachStage) {
    std::vector<BuildStep> steps;
    const Counts n = BuildClinicDatabase(files, official().string(), out(), [&](const BuildStep& s) {
        steps.push_back(s);
        return true;
    });
    EXPECT_EQ(n.chineseNames, 34);
    EXPECT_EQ(n.icd11, 2); // SA0 and SA00
    EXPECT_EQ(rows("SELECT ICD10_CNAME FROM ICD10 WHERE ICD10_NO='A009'"), "霍亂，未明示\n");
    EXPECT_EQ(rows("SELECT ICD9_NAME FROM ICD9 WHERE ICD9_NO='845.00'"), "踝扭傷，未明示部位\n");
    EXPECT_EQ(rows("SELECT KEY, VALUE FROM BUILDINFO WHERE KEY IN ('order', 'previous_order', 'edition') "
                   "ORDER BY KEY"),
              "edition|ICD-10-CM 2023（2022-10-01）\norder|" + orderFile +
                  "\nprevious_order|icd10cm_order_2022.tsv\n");
    EXPECT_FALSE(fs::exists(out() + ".part"));

    // Every stage in order, each once as it begins and then with its steps.
    ASSERT_FALSE(steps.empty());
    const int count = steps.front().count;
    EXPECT_EQ(count, 11);
    int stage = 0;
    for (const BuildStep& s : steps) {
        EXPECT_EQ(s.count, count);
        if (s.detail.empty()) {
            EXPECT_EQ(s.number, ++stage) << s.stage;
        }
        EXPECT_EQ(s.number, stage) << s.stage << " " << s.detail;
        EXPECT_GE(static_cast<unsigned char>(s.stage.at(0)), 0x80u)
            << "the stage is named in Chinese: " << s.stage;
    }
    EXPECT_EQ(stage, count);
    EXPECT_TRUE(std::any_of(steps.begin(), steps.end(), [](const BuildStep& s) {
        return s.stage == "讀取中文名稱" && s.detail == "Chinese names nhi_icd10cm_2023_zh.csv";
    }));
}

TEST_F(ClinicBuild, aCancelAtAnyStageLeavesTheOldDatabaseAndNothingElse) {
    fs::create_directories(fs::path(out()).parent_path());
    testsupport::WriteFile(out(), "the previous database");
    for (int at = 1; at <= 11; ++at) {
        SCOPED_TRACE(at);
        EXPECT_THROW(BuildClinicDatabase(files, official().string(), out(),
                                         [&](const BuildStep& s) { return s.number < at; }),
                     Cancelled);
        EXPECT_EQ(testsupport::ReadFile(out()), "the previous database");
        EXPECT_EQ(
            std::distance(fs::directory_iterator(fs::path(out()).parent_path()), fs::directory_iterator()),
            1);
    }
}

TEST_F(ClinicBuild, needsTheChineseEditionAndTheOfficialFiles) {
    try {
        BuildClinicDatabase(files, (dir.path() / "nowhere").string(), out(), {});
        FAIL() << "no official files";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind(
                      "找不到程式附帶的美國官方檔案（應在 " + (dir.path() / "nowhere").string(), 0),
                  0u)
            << e.what();
    }
    files.chinese.clear();
    EXPECT_THROW(BuildClinicDatabase(files, official().string(), out(), {}), Error);
    EXPECT_FALSE(fs::exists(fs::path(out()).parent_path()));
}

TEST(OfficialFiles, areTheSourcesFromTheBuildFolderAndTheInstalledOnesElsewhere) {
    EXPECT_EQ(fs::path(OfficialDataDir((fs::path(ICD_BINARY_DIR) / "bin").string())),
              fs::path(ICD_SOURCE_DIR) / "data" / "official");
    // Installed (lib/icd10tcm beside share/icd10tcm/official under any prefix).
    EXPECT_EQ(text::PathFromUtf8(OfficialDataDir("/opt/中醫/" ICD_APP_DIR)),
              text::PathFromUtf8("/opt/中醫/" ICD_OFFICIAL_INSTALL_DIR).lexically_normal());
}
