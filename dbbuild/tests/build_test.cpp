#include "dbbuild/build.h"

#include <filesystem>

#include "db/connection.h"
#include "db/query.h"
#include "testsupport/testsupport.h"
#include "text/text.h"

using namespace dbbuild;
namespace fs = std::filesystem;

namespace {

const char* kOrderHead = "order_number\tcode\tvalid_for_submission\tshort_description\tlong_description\n";

std::string OrderLine(int n, const std::string& code, int flag, const std::string& title) {
    char num[8];
    std::snprintf(num, sizeof num, "%05d", n);
    return std::string(num) + "\t" + code + "\t" + std::to_string(flag) + "\t" + title + "\t" + title + "\n";
}

// A small release: 2022 and 2023 order files, GEM, ICD-9 titles and tabular,
// ICD-11 list.
class SmallRelease : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::WriteFile(dir.file("2022.tsv"),
                               std::string(kOrderHead) + OrderLine(1, "A00", 0, "Cholera") +
                                   OrderLine(2, "A000", 1, "Cholera due to classical") +
                                   OrderLine(3, "M2551", 1, "Pain in shoulder") +
                                   OrderLine(4, "Z1100", 1, "Old code deleted in 2023"));
        testsupport::WriteFile(dir.file("2023.tsv"),
                               std::string(kOrderHead) + OrderLine(1, "A00", 0, "Cholera") +
                                   OrderLine(2, "A000", 1, "Cholera due to classical") +
                                   OrderLine(3, "M2551", 0, "Pain in shoulder") +
                                   OrderLine(4, "M25511", 1, "Pain in right shoulder") +
                                   OrderLine(5, "S93401A", 1,
                                             "Sprain of unspecified ligament of right ankle, "
                                             "initial encounter"));
        testsupport::WriteFile(dir.file("gem.tsv"),
                               "icd9cm_code\ticd10cm_code\tflags\n"
                               "0010\tA000\t00000\n7191\tM25511\t10000\n8450\tS93401A\t10000\n"
                               "8450\tS93401A\t10000\n7999\tNoDx\t11000\nE8000\tA000\t10000\n"
                               "71941\tM2551\t10000\n");
        testsupport::WriteFile(dir.file("icd9.tsv"),
                               "code\tcode_dotted\tlong_description\tshort_description\n"
                               "0010\t001.0\tCholera due to vibrio cholerae\tCholera d/t vib cholerae\n");
        testsupport::WriteFile(dir.file("tab.tsv"), "level\tcode_or_range\ttitle\tchapter\n"
                                                    "chapter\t001-139\tInfectious\t1\n"
                                                    "category\t001\tCholera\t1\n"
                                                    "subcategory\t001.0\tDue to Vibrio cholerae\t1\n");
        testsupport::WriteFile(dir.file("icd11.tsv"),
                               "code\tkind\ttitle_en\ttitle_zh_tw\ttitle_zh_tw_variant\n"
                               "SA00\tdisorder\tHypochondrium pain disorder (TM1)\t脅痛\t\n"
                               "SA0Z\tdisorder\tLiver system disorders (TM1), unspecified\t"
                               "未特指的肝系病類\t\n"
                               "SB06\tdisorder\tKidney disorder (TM1)\t腎病\t\n"
                               "SB06.0\tdisorder\tKidney edema disorder (TM1)\t腎水\t\n");
        o.out = dir.file("icd10_2023.mdb");
        o.order = dir.file("2023.tsv");
        o.previousOrder = dir.file("2022.tsv");
        o.gem = dir.file("gem.tsv");
        o.icd9 = dir.file("icd9.tsv");
        o.icd9Tabular = dir.file("tab.tsv");
        o.icd11 = dir.file("icd11.tsv");
    }
    std::string row(const std::string& sql) { return testsupport::QueryRows(o.out, sql); }
    testsupport::TempDir dir;
    Options o;
};

} // namespace

TEST_F(SmallRelease, marksNewDeletedAndDisabledCodesOf2023) {
    Counts n = BuildDatabase(o, nullptr);
    EXPECT_EQ(row("SELECT ICD10_NO,ICD10_FLAG,ICD10_2023FLAG,ICD10_2023NEW FROM ICD10 WHERE ICD10_NO NOT "
                  "LIKE 'S_%' "
                  "OR ICD10_NO GLOB 'S[0-9]*' ORDER BY ICD10_NO"),
              "A00|N||\nA000|Y||\nM2551|N|X|\nM25511|Y||Y\nS93401A|Y||Y\nZ1100|N|D|\n");
    EXPECT_EQ(row("SELECT ICD10_ENAME FROM ICD10 WHERE ICD10_NO='Z1100'"), "Old code deleted in 2023\n");
    EXPECT_EQ(n.icd10, 6);
    EXPECT_EQ(n.billable, 3);
    EXPECT_EQ(n.newIn2023, 2);
    EXPECT_EQ(n.deleted2023, 1);
    EXPECT_EQ(n.disabled2023, 1);
    // Without Chinese names and without the test glossary the names stay empty.
    EXPECT_EQ(row("SELECT count(*) FROM ICD10 WHERE ICD10_CNAME<>'' AND ICD10_NO NOT GLOB 'S[A-Z]*'"), "0\n");
    EXPECT_FALSE(fs::exists(o.out + ".part"));
}

TEST_F(SmallRelease, fillsTheIcd11GroupsCmAndIcd9Tables) {
    Counts n = BuildDatabase(o, nullptr);
    // ICD-11: codes without dots, a 3-character group named after its
    // "unspecified" member, the finest codes flagged.
    EXPECT_EQ(
        row("SELECT ICD10_NO,ICD10_CNAME,ICD10_ENAME,ICD10_FLAG FROM ICD10 WHERE ICD10_NO GLOB 'S[A-Z]*' "
            "ORDER BY ICD10_NO"),
        "SA0|肝系病類|Liver system disorders (TM1)|N\n"
        "SA00|脅痛|Hypochondrium pain disorder (TM1)|Y\n"
        "SA0Z|未特指的肝系病類|Liver system disorders (TM1), unspecified|Y\n"
        "SB0|腎病|Kidney disorder (TM1)|N\n"
        "SB06|腎病|Kidney disorder (TM1)|N\n"
        "SB060|腎水|Kidney edema disorder (TM1)|Y\n");
    EXPECT_EQ(n.icd11, 6);
    // CM: dotted on both sides, no NoDx, duplicates once; E codes dot after 4;
    // M25.51, a header since 2023, stands for its billable code.
    EXPECT_EQ(row("SELECT ICD9_NO,ICD10_NO FROM CM ORDER BY ICD9_NO"),
              "001.0|A00.0\n719.1|M25.511\n719.41|M25.511\n845.0|S93.401A\nE800.0|A00.0\n");
    EXPECT_EQ(n.gem.cmHeaderRows, 1);
    EXPECT_EQ(n.gem.cmHeaderCodes, 1);
    // ICD9: long and short titles; categories from the tabular list, the code
    // already listed keeps its own titles.
    EXPECT_EQ(row("SELECT * FROM ICD9 ORDER BY ICD9_NO"),
              "001|Cholera|Cholera\n001.0|Cholera due to vibrio cholerae|Cholera d/t vib cholerae\n");
}

TEST_F(SmallRelease, chineseNamesFromTheOfficialCsvInAnyOfItsEncodings) {
    const std::string csv =
        "2023年版ICD-10-CM/PCS,USE,ICD-10-CM/PCS英文名稱,ICD-10-CM/PCS中文名稱,狀態,修訂日期\r\n"
        "A00.0,1,Cholera,\"霍亂, 古典型\",,\r\n"
        "S93.401A,1,Sprain,右側踝韌帶扭傷，初期照護,,\r\n"
        "0016070,1,Bypass,腦室繞道,,\r\n";
    std::string big5;
    ASSERT_TRUE(text::ToCp950(csv, big5));
    for (const std::string& bytes : {csv, "\xEF\xBB\xBF" + csv, big5}) {
        testsupport::WriteFile(dir.file("zh.csv"), bytes);
        o.chinese = dir.file("zh.csv");
        o.testChineseGlossary = true; // only for codes the CSV does not name
        Counts n = BuildDatabase(o, nullptr);
        EXPECT_EQ(n.chineseNames, 2);
        EXPECT_EQ(row("SELECT ICD10_CNAME FROM ICD10 WHERE ICD10_NO IN ('A000','S93401A') ORDER BY ICD10_NO"),
                  "霍亂, 古典型\n右側踝韌帶扭傷，初期照護\n");
        EXPECT_EQ(row("SELECT ICD10_CNAME FROM ICD10 WHERE ICD10_NO='M25511'"), "右側肩疼痛關節痛\n");
    }
    testsupport::WriteFile(dir.file("zh.csv"), "code,English\nA00.0,Cholera\n");
    EXPECT_THROW(BuildDatabase(o, nullptr), Error);
}

TEST_F(SmallRelease, malformedLineIsReportedWithFileAndLineAndLeavesTheOldDatabase) {
    testsupport::WriteFile(o.out, "the previous database");
    testsupport::WriteFile(dir.file("2023.tsv"), std::string(kOrderHead) + OrderLine(1, "A00", 0, "Cholera") +
                                                     "00002\tA000\t1\tCholera only four fields\n");
    try {
        BuildDatabase(o, nullptr);
        FAIL() << "a malformed line must stop the build";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  dir.file("2023.tsv") + ":3: 欄數不對 (expected 5 tab-separated fields, found 4)");
    }
    testsupport::WriteFile(dir.file("2023.tsv"), std::string(kOrderHead) + OrderLine(1, "A0!", 0, "Bad"));
    EXPECT_THROW(BuildDatabase(o, nullptr), Error);
    testsupport::WriteFile(dir.file("2023.tsv"),
                           std::string(kOrderHead) + OrderLine(1, "A00", 2, "Bad flag"));
    EXPECT_THROW(BuildDatabase(o, nullptr), Error);
    // A failure after writing began (a duplicate ICD-11 code) leaves no part behind either.
    testsupport::WriteFile(dir.file("2023.tsv"), std::string(kOrderHead) + OrderLine(1, "A00", 0, "Cholera"));
    testsupport::WriteFile(dir.file("icd11.tsv"), "code\ttitle_en\ttitle_zh_tw\nSA00\ta\t甲\nSA00\tb\t乙\n");
    EXPECT_THROW(BuildDatabase(o, nullptr), std::exception);
    EXPECT_EQ(testsupport::ReadFile(o.out), "the previous database");
    EXPECT_FALSE(fs::exists(o.out + ".part"));
}

TEST_F(SmallRelease, aReleaseFileLineThatIsNotUtf8StopsTheBuildAtItsLine) {
    std::string big5;
    ASSERT_TRUE(text::ToCp950("腎病", big5));
    testsupport::WriteFile(dir.file("icd11.tsv"),
                           "code\ttitle_en\ttitle_zh_tw\nSA00\ta\t甲\nSB06\tb\t" + big5 + "\n");
    try {
        BuildDatabase(o, nullptr);
        FAIL() << "a Big5 title in a UTF-8 release file must stop the build";
    } catch (const Error& e) {
        EXPECT_EQ(
            std::string(e.what()).rfind(dir.file("icd11.tsv") + ":3: 第 8 個位元組起不是 UTF-8 文字", 0), 0u)
            << e.what();
    }
    testsupport::WriteFile(dir.file("2023.tsv"), std::string(kOrderHead) + OrderLine(1, "A00", 0, "Cholera") +
                                                     std::string("\0\0\0\0", 4));
    EXPECT_THROW(BuildDatabase(o, nullptr), Error);
}

TEST(BuildInput, fixedWidthOrderFileAndXzInput) {
    testsupport::TempDir dir;
    // The original fixed-width layout: code in columns 7-13, flag in 15,
    // short title in 17-76, long title from 78.
    auto fixed = [](const std::string& num, const std::string& code, char flag, const std::string& title) {
        std::string l = num + " " + code + std::string(8 - code.size(), ' ') + flag + " ";
        l += title + std::string(61 - title.size(), ' ') + title + "\n";
        return l;
    };
    // Saved by an editor that adds a byte-order mark.
    testsupport::WriteFile(dir.file("2022.txt"), "\xEF\xBB\xBF" + fixed("00001", "A00", '0', "Cholera"));
    testsupport::WriteFile(dir.file("2023.txt"), fixed("00001", "A00", '0', "Cholera") +
                                                     fixed("00002", "A000", '1', "Cholera classical"));
    Options o;
    o.out = dir.file("out.mdb");
    o.order = dir.file("2023.txt");
    o.previousOrder = dir.file("2022.txt");
    if (std::system(("xz -k " + dir.file("2023.txt") + " 2>/dev/null").c_str()) == 0) o.order += ".xz";
    Counts n = BuildDatabase(o, nullptr);
    EXPECT_EQ(n.icd10, 2);
    EXPECT_EQ(n.billable, 1);
    EXPECT_EQ(n.newIn2023, 1);
    testsupport::WriteFile(dir.file("broken.tsv.xz"), "not xz data");
    o.order = dir.file("broken.tsv.xz");
    EXPECT_THROW(BuildDatabase(o, nullptr), Error);
}

TEST(BuildInput, csvQuotes) {
    auto rows = ParseCsv("a,\"b,\"\"c\"\"\",d\r\n\"multi\nline\",,\n");
    EXPECT_THROW(ParseCsv("a,b\r\nc,\xA4,\r\n"), Error);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"a", "b,\"c\"", "d"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"multi\nline", "", ""}));
}
