// Building from the Taiwan NHI open-data files: small files of our own in the
// exact published formats (dbbuild/tests/data), with the quirks of the real ones.
#include <algorithm>
#include <filesystem>
#include <set>

#include "dbbuild/clinicbuild.h"
#include "dbbuild/build.h"
#include "db/connection.h"
#include "db/query.h"
#include "search/statement.h"
#include "testsupport/testsupport.h"
#include "text/text.h"

using namespace dbbuild;
namespace fs = std::filesystem;

namespace {

using testsupport::BuildTestFile;

const NhiFile kAllFiles[] = {NhiFile::ChineseEdition, NhiFile::Icd9Map, NhiFile::Map2014};

// The project's test file of each kind.
std::string NameOf(NhiFile kind) {
    switch (kind) {
    case NhiFile::Icd9Map:
        return "nhi_icd9cm_2001_to_icd10cm_2023.csv";
    case NhiFile::Map2014:
        return "nhi_icd10cm_2014_to_2023.csv";
    case NhiFile::ChineseEdition:
        break;
    }
    return "nhi_icd10cm_2023_zh.csv";
}

class NhiFiles : public ::testing::Test {
protected:
    // Gives the file of that kind to the build ("" = none; the Chinese edition stays).
    void set(NhiFile kind, const std::string& path) {
        switch (kind) {
        case NhiFile::ChineseEdition:
            o.chinese = path.empty() ? BuildTestFile(NameOf(kind)) : path;
            break;
        case NhiFile::Icd9Map:
            o.nhiIcd9Map = path;
            break;
        case NhiFile::Map2014:
            o.marks2014 = path;
            o.previousOrder = path.empty() ? BuildTestFile("order_2014.tsv") : "";
            break;
        }
    }
    void SetUp() override {
        o.out = dir.file("icd10_2023.mdb");
        o.order = BuildTestFile("order_2023.tsv");
        o.previousOrder = BuildTestFile("order_2014.tsv");
        o.chinese = BuildTestFile("nhi_icd10cm_2023_zh.csv");
    }
    std::string rows(const std::string& sql) { return testsupport::QueryRows(o.out, sql); }
    std::string everyTable() {
        return rows("SELECT * FROM ICD10 ORDER BY ICD10_NO") +
               rows("SELECT * FROM CM ORDER BY ICD9_NO, ICD10_NO") +
               rows("SELECT * FROM ICD9 ORDER BY ICD9_NO");
    }
    // The codes the search window finds for these criteria.
    std::set<std::string> search(const search::Criteria& criteria) {
        db::Connection c;
        c.open(o.out);
        db::Query result(c), aux(c);
        std::set<std::string> codes;
        if (search::RunSearch(criteria, result, aux))
            for (; !result.eof(); result.next())
                codes.insert(result.field("ICD10_NO"));
        return codes;
    }
    // A copy of a data file with one line (counted from 1) replaced.
    std::string withLine(const std::string& name, int line, const std::string& text) {
        std::string bytes = testsupport::ReadFile(BuildTestFile(name));
        std::size_t at = 0;
        for (int i = 1; i < line; ++i)
            at = bytes.find('\n', at) + 1;
        bytes.replace(at, bytes.find('\n', at) - at, text + "\r");
        const std::string path = dir.file("edited_" + name);
        testsupport::WriteFile(path, bytes);
        return path;
    }
    std::string buildError() {
        try {
            BuildDatabase(o, nullptr);
        } catch (const Error& e) {
            return e.what();
        }
        return "(no error)";
    }
    testsupport::TempDir dir;
    Options o;
};

} // namespace

TEST_F(NhiFiles, chineseEditionGivesNormalisedNamesAndCountsWhatItDoesNotStore) {
    Counts n = BuildDatabase(o, nullptr);
    EXPECT_EQ(n.chineseNames, 34);
    EXPECT_EQ(n.chinese.nhiPcsRows, 2);
    EXPECT_EQ(n.chinese.nhiNotInEdition, 0);
    // Three names lost a character (瘻) at the source: kept as given, counted.
    EXPECT_EQ(n.chinese.questionNames, 3);
    EXPECT_EQ(rows("SELECT ICD10_CNAME FROM ICD10 WHERE ICD10_NO='K114'"), "唾液腺?管\n");
    // Compatibility ideographs (亂 U+F91B, 隆 U+F9DC) are stored as the ordinary
    // characters, so a search for them finds the codes.
    EXPECT_EQ(n.chinese.composedNames, 2);
    EXPECT_EQ(rows("SELECT ICD10_CNAME FROM ICD10 WHERE ICD10_NO IN ('A009','K50013') ORDER BY ICD10_NO"),
              "霍亂，未明示\n小腸克隆氏症伴有?管\n");
    search::Criteria c;
    c.rankingVisible = false;
    c.chineseName = "霍亂 未明示";
    EXPECT_EQ(search(c), (std::set<std::string>{"A009"}));
    c.chineseName = "克隆氏症";
    EXPECT_EQ(search(c), (std::set<std::string>{"K50", "K500", "K5001", "K50013"}));
    // USE says M54.5 is billable; the order file says header and decides.
    EXPECT_EQ(n.chinese.useDisagreements, 1);
    ASSERT_EQ(n.chinese.useExamples.size(), 1u);
    EXPECT_EQ(n.chinese.useExamples[0], "nhi_icd10cm_2023_zh.csv:16: M545 USE=1");
    EXPECT_EQ(rows("SELECT ICD10_FLAG FROM ICD10 WHERE ICD10_NO='M545'"), "N\n");
    // The file's own revisions are counted and nothing of them is stored.
    EXPECT_EQ(n.chinese.revisions,
              (std::map<std::string, long>{{"中文名稱修改", 2}, {"代碼新增", 3}, {"英文名稱修改", 1}}));
    EXPECT_EQ(n.chinese.revisionDates, 6);
    EXPECT_EQ(rows("SELECT count(*) FROM ICD10 WHERE ICD10_CNAME LIKE '%修改%' OR ICD10_ENAME LIKE '%修%'"),
              "0\n");
    // English names with commas came through their quotes whole; the English
    // names stay those of the order file.
    EXPECT_EQ(rows("SELECT ICD10_ENAME FROM ICD10 WHERE ICD10_NO='A000'"),
              "Cholera due to Vibrio cholerae 01, biovar cholerae\n");
}

TEST_F(NhiFiles, eachFileIsReadWithOrWithoutItsMarkAndInCp950) {
    for (const NhiFile kind : kAllFiles) {
        SCOPED_TRACE(NhiFileTitle(kind));
        const std::string withMark = testsupport::ReadFile(BuildTestFile(NameOf(kind)));
        ASSERT_EQ(withMark.compare(0, 3, "\xEF\xBB\xBF"), 0);
        // Big5 has no compatibility ideographs: a CP950 file holds the ordinary
        // ones, and "?" for a character Big5 lacks (瘻), as the NHI's own files do.
        std::string big5;
        text::ToCp950(ComposeCompatibilityIdeographs(withMark.substr(3)), big5);
        const std::pair<std::string, std::string> sameContent[] = {{withMark, withMark.substr(3)},
                                                                   {text::FromCp950(big5), big5}};
        for (const auto& [utf8, other] : sameContent) {
            testsupport::WriteFile(dir.file("nhi.csv"), utf8);
            set(kind, dir.file("nhi.csv"));
            BuildDatabase(o, nullptr);
            const std::string expected = everyTable();
            testsupport::WriteFile(dir.file("nhi.csv"), other);
            BuildDatabase(o, nullptr);
            EXPECT_EQ(everyTable(), expected);
            EXPECT_EQ(CheckNhiFileHeader(kind, dir.file("nhi.csv")), "");
        }
        set(kind, "");
    }
    EXPECT_EQ(ComposeCompatibilityIdeographs("\uF9B2\uFA19 腰痛 \xF0\xAF\xA0\x80"), "零神 腰痛 \u4E3D");
}

TEST_F(NhiFiles, bytesThatAreNotTextInTheFilesEncodingStopTheBuildAtTheirLineWithNothingWritten) {
    testsupport::WriteFile(o.out, "the previous database");
    for (const NhiFile kind : kAllFiles) {
        SCOPED_TRACE(NhiFileTitle(kind));
        const std::string utf8 = testsupport::ReadFile(BuildTestFile(NameOf(kind)));
        std::string big5, big5Name;
        text::ToCp950(ComposeCompatibilityIdeographs(utf8.substr(3)), big5);
        ASSERT_TRUE(text::ToCp950("霍亂", big5Name));
        const std::size_t line3 = utf8.find('\n', utf8.find('\n') + 1) + 1;
        const std::size_t big5Line3 = big5.find('\n', big5.find('\n') + 1) + 1;
        struct Damage {
            std::string bytes, says;
            int line;
        };
        // The other ways a file can be damaged are the text layer's own tests.
        const Damage damages[] = {
            // A name typed in Big5 into the UTF-8 file.
            {utf8.substr(0, line3) + "A00," + big5Name + "\r\n" + utf8.substr(line3), "不是 UTF-8 文字", 3},
            // A Big5 file with a lead byte before a comma.
            {big5.substr(0, big5Line3) + "A00,\xA4,\r\n" + big5.substr(big5Line3), "不是 Big5（CP950）文字",
             3},
            // A download that ends in zeros.
            {utf8 + std::string(4096, '\0'), "NUL",
             1 + static_cast<int>(std::count(utf8.begin(), utf8.end(), '\n'))},
        };
        for (const Damage& d : damages) {
            testsupport::WriteFile(dir.file("damaged.csv"), d.bytes);
            set(kind, dir.file("damaged.csv"));
            const std::string e = buildError();
            EXPECT_EQ(e.rfind(dir.file("damaged.csv") + ":" + std::to_string(d.line) + ": ", 0), 0u) << e;
            EXPECT_NE(e.find(d.says), std::string::npos) << e;
        }
        testsupport::WriteFile(dir.file("damaged.csv"), "");
        EXPECT_EQ(buildError().rfind(dir.file("damaged.csv") + ":1: 檔案是空的", 0), 0u);
        set(kind, "");
    }
    EXPECT_EQ(testsupport::ReadFile(o.out), "the previous database");
    EXPECT_FALSE(fs::exists(o.out + ".part"));
}

TEST_F(NhiFiles, eachFileIsNamedByItsHeaderBeforeAnythingIsRead) {
    for (const NhiFile kind : kAllFiles)
        for (const NhiFile given : kAllFiles) {
            const std::string problem = CheckNhiFileHeader(kind, BuildTestFile(NameOf(given)));
            if (kind == given)
                EXPECT_EQ(problem, "");
            else
                EXPECT_EQ(problem.rfind("這是" + NhiFileTitle(given) + "，應為" + NhiFileTitle(kind), 0), 0u)
                    << problem;
        }
    // Every field quoted, as some spreadsheets write them, after a blank line.
    std::string quoted = "\r\n";
    for (const auto& h : NhiFileHeader(NhiFile::ChineseEdition))
        quoted += (quoted.size() > 2 ? ",\"" : "\"") + h + "\"";
    testsupport::WriteFile(dir.file("quoted.csv"), quoted + "\r\nA00,0,Cholera,霍亂,,\r\n");
    EXPECT_EQ(CheckNhiFileHeader(NhiFile::ChineseEdition, dir.file("quoted.csv")), "");
    // Another file, an empty one, a missing one, a first line that is not text.
    std::string problem = CheckNhiFileHeader(NhiFile::ChineseEdition, BuildTestFile("order_2023.tsv"));
    EXPECT_EQ(problem.rfind("標題列不對，這不是所需的檔案，應為" + NhiFileTitle(NhiFile::ChineseEdition) +
                                "。標題列應為「2023年版ICD-10-CM/PCS,USE,ICD-10-CM/PCS英文名稱,"
                                "ICD-10-CM/PCS中文名稱,狀態,修訂日期」，此檔為「order_number",
                            0),
              0u)
        << problem;
    testsupport::WriteFile(dir.file("empty.csv"), "");
    EXPECT_EQ(CheckNhiFileHeader(NhiFile::Icd9Map, dir.file("empty.csv")).rfind("檔案是空的，應為", 0), 0u);
    EXPECT_EQ(CheckNhiFileHeader(NhiFile::Map2014, dir.file("none.csv")).rfind("無法開啟檔案，應為", 0), 0u);
    testsupport::WriteFile(dir.file("bad.csv"), "\xEF\xBB\xBF"
                                                "2023\xA6\x7E,USE\r\n");
    EXPECT_EQ(
        CheckNhiFileHeader(NhiFile::ChineseEdition, dir.file("bad.csv")).rfind("第 1 行：第 5 個位元組起", 0),
        0u);
    // The build says the same before it reads anything.
    o.chinese = BuildTestFile("nhi_icd9cm_2001_to_icd10cm_2023.csv");
    o.order = dir.file("no order file yet");
    EXPECT_EQ(buildError(), o.chinese + ":1: " + CheckNhiFileHeader(NhiFile::ChineseEdition, o.chinese));
}

TEST_F(NhiFiles, aChangedHeaderOrARowCutShortStopsTheBuildWithNothingWritten) {
    const std::string zh = "nhi_icd10cm_2023_zh.csv";
    const std::string header = "\xEF\xBB\xBF"
                               "2023年版ICD-10-CM/PCS,USE,ICD-10-CM/PCS英文名稱,ICD-10-CM/PCS中文名稱,狀態";
    o.chinese = withLine(zh, 1, header + ",修訂日");
    std::string e = buildError();
    EXPECT_EQ(e.rfind(o.chinese + ":1: ", 0), 0u) << e;
    EXPECT_NE(
        e.find("標題列應為「2023年版ICD-10-CM/PCS,USE,ICD-10-CM/PCS英文名稱,ICD-10-CM/PCS中文名稱,狀態,"
               "修訂日期」，此檔為「2023年版ICD-10-CM/PCS,USE,ICD-10-CM/PCS英文名稱,ICD-10-CM/PCS中文名稱,"
               "狀態,修訂日」"),
        std::string::npos)
        << e;
    o.chinese = withLine(zh, 1, header); // a column missing
    EXPECT_EQ(buildError().rfind(o.chinese + ":1: ", 0), 0u);
    // The old database stays as it was while the new files are wrong.
    testsupport::WriteFile(o.out, "the previous database");
    o.chinese = withLine(zh, 7, "K38,0,Other diseases of appendix,闌尾其他疾病");
    EXPECT_EQ(buildError(),
              o.chinese + ":7: 這一列有 4 欄，應有 6 欄 (expected 6 comma-separated fields, found 4)");
    o.chinese = withLine(zh, 7, "K38,0,\"Other diseases of appendix,闌尾其他疾病,,");
    e = buildError();
    EXPECT_EQ(e.rfind(o.chinese + ":7: ", 0), 0u) << e; // a stray quote makes a row of the wrong width
    o.chinese = withLine(zh, 37, "U07.1,1,\"COVID-19,COVID-19,,");
    EXPECT_EQ(buildError(),
              o.chinese + ":37: 引號沒有結束 (a quoted field is not closed before the end of the file)");
    o.chinese = withLine(zh, 7, "K3.8,0,Other diseases of appendix,闌尾其他疾病,,");
    EXPECT_EQ(buildError().rfind(o.chinese + ":7: 「K3.8」不是 ICD-10-CM/PCS 代碼", 0), 0u);
    o.chinese = BuildTestFile(zh);
    o.nhiIcd9Map = withLine("nhi_icd9cm_2001_to_icd10cm_2023.csv", 3, "001.1,Cholera el tor,霍亂");
    EXPECT_EQ(buildError().rfind(o.nhiIcd9Map + ":3: ", 0), 0u);
    o.nhiIcd9Map.clear();
    o.marks2014 = withLine("nhi_icd10cm_2014_to_2023.csv", 1, "2014年版ICD-10-CM/PCS,2023年版ICD-10-CM/PCS");
    EXPECT_EQ(buildError().rfind(o.marks2014 + ":1: ", 0), 0u);
    EXPECT_EQ(testsupport::ReadFile(o.out), "the previous database");
    EXPECT_FALSE(fs::exists(o.out + ".part"));
}

TEST_F(NhiFiles, icd9MapFillsCmAndBothNamesSoAChineseIcd9SearchFindsItsCodes) {
    o.nhiIcd9Map = BuildTestFile("nhi_icd9cm_2001_to_icd10cm_2023.csv");
    Counts n = BuildDatabase(o, nullptr);
    EXPECT_EQ(n.icd9Map.procedureRows, 1); // 00.01 -> a PCS code
    EXPECT_EQ(n.cm, 15);
    EXPECT_EQ(n.icd9, 12); // V01.82 has a name and no map
    EXPECT_EQ(rows("SELECT ICD10_NO FROM CM WHERE ICD9_NO='724.2' ORDER BY ICD10_NO"),
              "M54.50\nM54.51\nM54.59\n");
    EXPECT_EQ(rows("SELECT ICD9_NAME, ICD9_NAME2 FROM ICD9 WHERE ICD9_NO='845.00'"),
              "踝扭傷，未明示部位|Sprain of ankle, unspecified site\n");
    EXPECT_EQ(rows("SELECT count(*) FROM CM WHERE ICD9_NO LIKE '00.%' OR ICD10_NO NOT LIKE '___%'"), "0\n");
    search::Criteria c;
    c.rankingVisible = false;
    c.icd9Name = "腰痛";
    EXPECT_EQ(search(c), (std::set<std::string>{"M5450", "M5451", "M5459"}));
    c.icd9Name = "踝扭傷";
    EXPECT_EQ(search(c), (std::set<std::string>{"S93401A", "S93401D", "S93401S"}));
    c.icd9Name = "Lumbago";
    EXPECT_EQ(search(c).size(), 3u);
    // The NHI map and the US files for the same tables are one or the other.
    o.gem = BuildTestFile("order_2023.tsv");
    EXPECT_THROW(BuildDatabase(o, nullptr), Error);
}

TEST_F(NhiFiles, marksAgainstThe2014EditionOnRequest) {
    o.previousOrder.clear();
    o.marks2014 = BuildTestFile("nhi_icd10cm_2014_to_2023.csv");
    const std::string marks =
        "SELECT ICD10_NO, ICD10_2023FLAG, ICD10_2023NEW FROM ICD10 WHERE ICD10_2023FLAG<>'' OR "
        "ICD10_2023NEW<>'' ORDER BY ICD10_NO";
    Counts n = BuildDatabase(o, nullptr);
    // Without the 2014 order file nothing is known of which 2014 codes were billable: no X.
    EXPECT_EQ(rows(marks), "M5450||Y\nM5451||Y\nM5459||Y\nM7910||Y\nM7911||Y\nO350XX0|D|\nR510||Y\nR519||Y\n"
                           "U07||Y\nU071||Y\n");
    EXPECT_EQ(n.map2014.status2014,
              (std::map<std::string, long>{{"", 2}, {"不變", 23}, {"修改", 7}, {"刪除", 1}}));
    EXPECT_EQ(n.map2014.status2023,
              (std::map<std::string, long>{{"", 1}, {"不變", 23}, {"修改", 7}, {"新增", 2}}));
    // The deleted code keeps its 2014 names.
    EXPECT_EQ(rows("SELECT ICD10_CNAME, ICD10_FLAG FROM ICD10 WHERE ICD10_NO='O350XX0'"),
              "胎兒（疑似）中樞神經系統畸形之孕產婦照護，不適用或未明示|N\n");
    o.order2014 = BuildTestFile("order_2014.tsv");
    n = BuildDatabase(o, nullptr);
    EXPECT_EQ(rows("SELECT ICD10_NO FROM ICD10 WHERE ICD10_2023FLAG='X' ORDER BY ICD10_NO"),
              "M545\nM791\nR51\n");
    EXPECT_EQ(n.disabled2023, 3);
    EXPECT_EQ(rows("SELECT VALUE FROM BUILDINFO WHERE KEY='marks'"), "2014: nhi_icd10cm_2014_to_2023.csv\n");
    // The 2014 order file alone asks for nothing.
    o.marks2014.clear();
    o.previousOrder = BuildTestFile("order_2014.tsv");
    EXPECT_THROW(BuildDatabase(o, nullptr), Error);
}

TEST(NhiCodes, dottedCmCodesAndUndottedPcsCodes) {
    EXPECT_EQ(KindOfNhiCode("S00.00XA"), CodeKind::Cm);
    EXPECT_EQ(KindOfNhiCode("A00"), CodeKind::Cm);
    EXPECT_EQ(KindOfNhiCode("M54.5"), CodeKind::Cm);
    EXPECT_EQ(KindOfNhiCode("0016070"), CodeKind::Pcs);
    EXPECT_EQ(KindOfNhiCode("B240ZZ3"), CodeKind::Pcs);
    for (const char* bad : {"", "A0", "S93401", "A00.", "S93.4010A", "K3.8", "A0-0", "A00.0 "})
        EXPECT_EQ(KindOfNhiCode(bad), CodeKind::Invalid) << bad;
}
