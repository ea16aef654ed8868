// The full-size test database built from the shared reference data, checked
// against the releases it was built from.
#include <map>
#include <set>

#include "dbbuild/build.h"
#include "db/connection.h"
#include "db/query.h"
#include "testsupport/testsupport.h"

namespace {

class FullDb : public ::testing::Test {
protected:
    void SetUp() override {
        ICD_REQUIRE_FULL_DB();
        conn.open(testsupport::FullDatabasePath());
    }
    long count(const std::string& sql) { return std::stol(value(sql)); }
    std::string value(const std::string& sql) {
        db::Query q(conn);
        q.setText(sql);
        q.open();
        return q.eof() ? "<none>" : q.value(0);
    }
    std::set<std::string> codes(const std::string& sql) {
        db::Query q(conn);
        q.setText(sql);
        q.open();
        std::set<std::string> out;
        for (; !q.eof(); q.next())
            out.insert(q.value(0));
        return out;
    }
    db::Connection conn;
};

const std::string kCm = "(ICD10_NO NOT LIKE 'S_%' OR ICD10_NO GLOB 'S[0-9]*')";

} // namespace

TEST_F(FullDb, rowAndBillableCountsMatchTheOctober2022Release) {
    // 96,745 codes of the FY2023 order file and 251 codes deleted since FY2022.
    EXPECT_EQ(count("SELECT count(*) FROM ICD10 WHERE " + kCm), 96745 + 251);
    EXPECT_EQ(count("SELECT count(*) FROM ICD10 WHERE " + kCm + " AND ICD10_FLAG='Y'"), 73639);
    EXPECT_EQ(
        count("SELECT count(*) FROM ICD10 WHERE " + kCm + " AND ICD10_FLAG='N' AND ICD10_2023FLAG<>'D'"),
        23106);
    EXPECT_EQ(count("SELECT count(DISTINCT ICD10_NO) FROM ICD10"), count("SELECT count(*) FROM ICD10"));
    // ICD-11 chapter 26: 472 codes and their 3-character groups.
    EXPECT_EQ(count("SELECT count(*) FROM ICD10 WHERE ICD10_NO GLOB 'S[A-Z]*' AND LEN(ICD10_NO)>3"), 472);
    EXPECT_EQ(value("SELECT min(ICD10_NO)||' '||max(ICD10_NO) FROM ICD10 WHERE ICD10_NO GLOB 'S[A-Z]*' AND "
                    "LEN(ICD10_NO)=3"),
              "SA0 SJ1");
}

TEST_F(FullDb, marksOf2023AgreeWithTheChangeListAndTheAddenda) {
    ICD_REQUIRE_SHARED_DATA();
    // The derived change list of the reference data, code by code.
    dbbuild::TsvReader in(
        (testsupport::SharedDataDir() / "icd10cm" / "icd10cm_changes_fy2022_to_fy2023.tsv").string(),
        {"code", "change_fy2022_to_oct2022"});
    std::set<std::string> added, deleted, header;
    while (in.next()) {
        const std::string& c = in.get("change_fy2022_to_oct2022");
        if (c.find("added") != std::string::npos) added.insert(in.get("code"));
        if (c.find("deleted") != std::string::npos) deleted.insert(in.get("code"));
        if (c.find("became_header") != std::string::npos) header.insert(in.get("code"));
    }
    EXPECT_EQ(added.size(), 1468u);
    EXPECT_EQ(deleted.size(), 251u);
    EXPECT_EQ(codes("SELECT ICD10_NO FROM ICD10 WHERE ICD10_2023NEW='Y'"), added);
    EXPECT_EQ(codes("SELECT ICD10_NO FROM ICD10 WHERE ICD10_2023FLAG='D'"), deleted);
    EXPECT_EQ(codes("SELECT ICD10_NO FROM ICD10 WHERE ICD10_2023FLAG='X'"), header);
    // The official addenda count 1,176 code and 328 header additions, 287 code deletions (some of them
    // codes that became headers); the 1,468 added codes include subdivisions the addenda list by parent.
    dbbuild::TsvReader add(
        (testsupport::SharedDataDir() / "icd10cm" / "icd10cm_order_addenda_2023_oct2022.tsv").string(),
        {"action", "code"});
    std::set<std::string> addendaAdded, addendaDeleted;
    while (add.next()) {
        if (add.get("action") == "add") addendaAdded.insert(add.get("code"));
        if (add.get("action") == "delete") addendaDeleted.insert(add.get("code"));
    }
    // A code that became a header shows in the addenda as deleted and added back.
    for (const auto& c : addendaAdded)
        EXPECT_TRUE(added.count(c) || header.count(c)) << c << " added by the addenda";
    for (const auto& c : addendaDeleted)
        EXPECT_TRUE(deleted.count(c) || header.count(c)) << c << " deleted by the addenda";
}

TEST_F(FullDb, cmIcd9AndRanksTables) {
    // GEM ICD-9 -> ICD-10: 24,860 rows, 422 without a map, 10 repeated pairs; 148 rows name a code
    // that is a header in the edition and stand for its 651 billable codes instead.
    EXPECT_EQ(count("SELECT count(*) FROM CM"), 24428 - 148 + 651);
    EXPECT_EQ(value("SELECT group_concat(ICD10_NO) FROM (SELECT ICD10_NO FROM CM WHERE ICD9_NO='724.2' ORDER "
                    "BY ICD10_NO)"),
              "M54.50,M54.51,M54.59");
    // No pair leads to a header of the edition any more.
    EXPECT_EQ(
        count("SELECT count(*) FROM CM WHERE replace(ICD10_NO,'.','') IN (SELECT ICD10_NO FROM ICD10 WHERE "
              "ICD10_FLAG<>'Y' AND ICD10_2023FLAG<>'D')"),
        0);
    EXPECT_EQ(count("SELECT count(*) FROM CM WHERE ICD9_NO LIKE '%NoDx%' OR ICD10_NO LIKE '%NoDx%'"), 0);
    EXPECT_EQ(value("SELECT group_concat(ICD10_NO) FROM (SELECT ICD10_NO FROM CM WHERE ICD9_NO='845.00' "
                    "ORDER BY ICD10_NO)"),
              "S93.409A,S96.919A");
    // ICD9: the 14,567 codes of the CMS list plus the tabular categories and headers.
    EXPECT_GE(count("SELECT count(*) FROM ICD9"), 14567 + 1233);
    EXPECT_EQ(count("SELECT count(*) FROM ICD9 WHERE LEN(ICD9_NO)=3 OR ICD9_NO GLOB 'E[0-9][0-9][0-9]'"),
              1233);
    EXPECT_EQ(value("SELECT ICD9_NAME||'|'||ICD9_NAME2 FROM ICD9 WHERE ICD9_NO='845.00'"),
              "Sprain of ankle, unspecified site|Sprain of ankle NOS");
    // Test ranks: 1000 distinct ICD-9-CM codes of CM, ranks 00001..01000.
    EXPECT_EQ(count("SELECT count(DISTINCT IND_CODE) FROM btbindn"), 1000);
    EXPECT_EQ(value("SELECT min(IND_INFECT_CODE)||' '||max(IND_INFECT_CODE) FROM btbindn"), "00001 01000");
    EXPECT_EQ(count("SELECT count(*) FROM btbindn WHERE IND_CODE NOT IN (SELECT ICD9_NO FROM CM)"), 0);
}

TEST_F(FullDb, spotChecksOfSingleCodes) {
    auto row = [&](const std::string& code) {
        return value(
            "SELECT ICD10_ENAME||'|'||ICD10_FLAG||'|'||ICD10_2023FLAG||'|'||ICD10_2023NEW FROM ICD10 "
            "WHERE ICD10_NO='" +
            code + "'");
    };
    EXPECT_EQ(row("S93401A"), "Sprain of unspecified ligament of right ankle, initial encounter|Y||");
    EXPECT_EQ(row("S934"), "Sprain of ankle|N||");
    EXPECT_EQ(row("A000"), "Cholera due to Vibrio cholerae 01, biovar cholerae|Y||");
    EXPECT_EQ(row("U071"), "COVID-19|Y||");
    EXPECT_EQ(value("SELECT ICD10_CNAME||'|'||ICD10_ENAME||'|'||ICD10_FLAG FROM ICD10 WHERE ICD10_NO='SA00'"),
              "脅痛|Hypochondrium pain disorder (TM1)|Y");
    EXPECT_EQ(value("SELECT ICD10_CNAME FROM ICD10 WHERE ICD10_NO='SA0'"), "肝系病類");
    // Test glossary names carry the words the search looks for.
    EXPECT_EQ(value("SELECT ICD10_CNAME FROM ICD10 WHERE ICD10_NO='S93401A'"),
              "未明示右側踝韌帶扭傷，初期照護");
    EXPECT_GT(count("SELECT count(*) FROM ICD10 WHERE ICD10_CNAME LIKE '%初期照護' AND ICD10_NO LIKE '%A'"),
              10000);
    EXPECT_GT(count("SELECT count(*) FROM ICD10 WHERE ICD10_CNAME LIKE '%非優勢側%'"), 10);
    EXPECT_EQ(count("SELECT count(*) FROM ICD10 WHERE ICD10_CNAME=''"), 0);
    // Every body part and kind of injury of the search window finds codes.
    for (const char* word :
         {"頭",   "臉",   "耳",   "眼",   "唇",     "鼻",     "額",   "頸",   "肩",       "手",   "指",
          "腕",   "肘",   "前臂", "上臂", "腋",     "胸",     "腹",   "腰",   "背",       "臀",   "軀幹",
          "小腿", "大腿", "膝",   "足",   "踝",     "扭傷",   "挫傷", "拉傷", "表淺損傷", "鈍傷", "擦傷",
          "骨折", "脫臼", "燙傷", "燒傷", "關節炎", "關節痛", "咬傷", "癱"})
        EXPECT_GT(count(std::string("SELECT count(*) FROM ICD10 WHERE ICD10_CNAME LIKE '%") + word + "%'"), 0)
            << word;
    EXPECT_NE(value("SELECT VALUE FROM BUILDINFO WHERE KEY='chinese_names_test'").find("TEST DATA"),
              std::string::npos);
    EXPECT_EQ(value("SELECT VALUE FROM BUILDINFO WHERE KEY='source'"), "official");
}
