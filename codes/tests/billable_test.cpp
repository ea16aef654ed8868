#include "codes/billable.h"

#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "db/connection.h"
#include "db/query.h"
#include "testsupport/testsupport.h"

using codes::BillableDescendants;
using codes::BillableUnder;
using codes::CodeRow;
using codes::HeaderCodes;

namespace {

CodeRow Row(std::string code, std::string flag, std::string cname = "", std::string ename = "") {
    return {std::move(code), std::move(cname), std::move(ename), std::move(flag), "", ""};
}

std::vector<std::string> Codes(const HeaderCodes& h) {
    std::vector<std::string> out;
    for (const CodeRow& r : h.billable)
        out.push_back(r.code);
    return out;
}

std::filesystem::path SamplePath() {
    return std::filesystem::path(ICD_BINARY_DIR) / "bin" / "icd10_2023.mdb";
}

} // namespace

TEST(BillableUnder, everyLevel_fromAListInAnyOrder) {
    // Rows out of order, with a neighbour that shares a prefix but is not under
    // the header, and a deleted code that the table no longer flags billable.
    const std::vector<CodeRow> rows = {
        Row("S93401S", "Y"), Row("S934", "N"),    Row("S9301XA", "Y"), Row("S93401A", "Y"),
        Row("S93", "N"),     Row("S9301", "N"),   Row("S93401", "N"),  Row("S9340", "N"),
        Row("S93401D", "Y"), Row("S9350", "N"),   Row("S93501A", "Y"), Row("S93409A", " Y"),
        Row("S93409D", "y"), Row("S9301XD", "Y"), Row("S93402A", "Y"),
    };
    // A 3-character category: everything billable below it, in code order.
    HeaderCodes category = BillableUnder("S93", rows);
    ASSERT_TRUE(category.header);
    EXPECT_EQ(category.header->code, "S93");
    EXPECT_EQ(Codes(category), (std::vector<std::string>{"S9301XA", "S9301XD", "S93401A", "S93401D",
                                                         "S93401S", "S93402A", "S93501A"}));
    EXPECT_TRUE(category.offersChoice());

    // A 6-character code with seventh-character children.
    EXPECT_EQ(Codes(BillableUnder("S93401", rows)),
              (std::vector<std::string>{"S93401A", "S93401D", "S93401S"}));
    // Children that skip a level (placeholder X).
    EXPECT_EQ(Codes(BillableUnder("S9301", rows)), (std::vector<std::string>{"S9301XA", "S9301XD"}));
    // The flag is taken exactly as stored: " Y" and "y" are not billable, so
    // S93409 offers nothing although it has rows under it.
    EXPECT_TRUE(BillableUnder("S93409", rows).billable.empty());
    // A neighbour sharing the first characters is not under the header.
    EXPECT_EQ(Codes(BillableUnder("S934", rows)),
              (std::vector<std::string>{"S93401A", "S93401D", "S93401S", "S93402A"}));

    // Lower case as typed matches as the code table does.
    EXPECT_EQ(Codes(BillableUnder("s93401", rows)), Codes(BillableUnder("S93401", rows)));

    // A billable code, a code that is not in the list and the empty header
    // offer no choice.
    HeaderCodes leaf = BillableUnder("S93401A", rows);
    EXPECT_TRUE(leaf.header);
    EXPECT_TRUE(leaf.billable.empty());
    EXPECT_FALSE(leaf.offersChoice());
    HeaderCodes missing = BillableUnder("S935", rows); // S93501A is there, S935 is not
    EXPECT_FALSE(missing.header);
    EXPECT_FALSE(missing.offersChoice());
    EXPECT_FALSE(BillableUnder("", rows).offersChoice());
    EXPECT_TRUE(BillableUnder("", rows).billable.empty());
}

TEST(BillableUnder, aHeaderFlaggedBillableOffersNoChoiceEvenWithRowsUnderIt) {
    // Inconsistent data: the hand-off would accept the header itself.
    const std::vector<CodeRow> rows = {Row("A00", "Y"), Row("A000", "Y")};
    EXPECT_FALSE(BillableUnder("A00", rows).offersChoice());
}

TEST(MatchesFilter, everyWordInCodeOrNames_caseAndDotsIgnored) {
    const CodeRow row = {"S93401A",
                         "右踝扭傷，未明示韌帶，初期照護",
                         "Right ankle sprain, unspecified ligament, initial encounter",
                         "Y",
                         "",
                         ""};
    EXPECT_TRUE(codes::MatchesFilter(row, ""));
    EXPECT_TRUE(codes::MatchesFilter(row, "   "));
    EXPECT_TRUE(codes::MatchesFilter(row, "右 初期"));
    EXPECT_TRUE(codes::MatchesFilter(row, "右\u3000初期")); // the ideographic space of Chinese input
    EXPECT_TRUE(codes::MatchesFilter(row, "right INITIAL"));
    EXPECT_TRUE(codes::MatchesFilter(row, "S93.40"));
    EXPECT_TRUE(codes::MatchesFilter(row, "s93401a"));
    EXPECT_TRUE(codes::MatchesFilter(row, "401A 右"));
    EXPECT_FALSE(codes::MatchesFilter(row, "左"));
    EXPECT_FALSE(codes::MatchesFilter(row, "right subsequent"));
    EXPECT_FALSE(codes::MatchesFilter(row, "S93.41"));
    EXPECT_FALSE(codes::MatchesFilter(row, ".")); // a dot alone is no code
}

class BillableOnSample : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(SamplePath())) GTEST_SKIP() << "sample database not built";
        conn.open(SamplePath().string());
    }
    db::Connection conn;
};

TEST_F(BillableOnSample, headersAtEveryLevelLeadToTheirBillableCodes) {
    db::Query q(conn);
    // A 3-character category: every billable code below it, each flagged Y, in order.
    HeaderCodes s93 = BillableDescendants(q, "S93");
    ASSERT_TRUE(s93.offersChoice());
    EXPECT_EQ(s93.header->chineseName, "踝、足及腳趾關節及韌帶脫臼及扭傷");
    EXPECT_GT(s93.billable.size(), 40u);
    EXPECT_TRUE(std::is_sorted(s93.billable.begin(), s93.billable.end(),
                               [](const CodeRow& a, const CodeRow& b) { return a.code < b.code; }));
    for (const CodeRow& r : s93.billable) {
        EXPECT_EQ(r.flag, "Y") << r.code;
        EXPECT_EQ(r.code.rfind("S93", 0), 0u) << r.code;
        EXPECT_EQ(r.code.size(), 7u) << r.code; // injuries are billable only with their seventh character
    }
    const std::vector<std::string> s93Codes = Codes(s93);
    EXPECT_NE(std::find(s93Codes.begin(), s93Codes.end(), "S93401A"), s93Codes.end());

    // A 6-character code with seventh-character children, names and all.
    HeaderCodes right = BillableDescendants(q, "S93401");
    ASSERT_EQ(Codes(right), (std::vector<std::string>{"S93401A", "S93401D", "S93401S"}));
    EXPECT_EQ(right.billable[0].chineseName, "右踝扭傷，未明示韌帶，初期照護");
    EXPECT_EQ(right.billable[0].englishName, "Right ankle sprain, unspecified ligament, initial encounter");

    // Children that skip a level: S93.01 has no 6-character code.
    EXPECT_EQ(Codes(BillableDescendants(q, "S9301")),
              (std::vector<std::string>{"S9301XA", "S9301XD", "S9301XS"}));
    EXPECT_EQ(Codes(BillableDescendants(q, "S134")),
              (std::vector<std::string>{"S134XXA", "S134XXD", "S134XXS"}));

    // ICD-11 codes live in the same table and work the same way.
    EXPECT_TRUE(BillableDescendants(q, "SA0").offersChoice());

    // A billable code offers nothing; a code deleted in 2023 is not billable.
    EXPECT_FALSE(BillableDescendants(q, "S93401A").offersChoice());
    HeaderCodes v200 = BillableDescendants(q, "V200");
    for (const CodeRow& r : v200.billable)
        EXPECT_NE(r.flag2023, "D") << r.code;
}

TEST_F(BillableOnSample, quotesAndWildcardsInTheHeaderFindNothingAndBreakNothing) {
    db::Query q(conn);
    for (const char* header : {"S93'", "S9'3", "' OR '1'='1", "S9_4", "S%", "%"}) {
        HeaderCodes h;
        ASSERT_NO_THROW(h = BillableDescendants(q, header)) << header;
        EXPECT_FALSE(h.header) << header;
        EXPECT_TRUE(h.billable.empty()) << header;
    }
    EXPECT_TRUE(BillableDescendants(q, "").billable.empty());
    EXPECT_FALSE(q.isOpen());
}

TEST(BillableOnFullDatabase, lowBackPainSince2022LeadsToItsThreeCodes) {
    ICD_REQUIRE_FULL_DB();
    db::Connection conn;
    conn.open(testsupport::FullDatabasePath());
    db::Query q(conn);
    // M54.5 became a header when M54.50, M54.51 and M54.59 were added.
    EXPECT_EQ(Codes(BillableDescendants(q, "M545")), (std::vector<std::string>{"M5450", "M5451", "M5459"}));
    // Right ankle sprains, initial encounter, under the 4-character subcategory.
    HeaderCodes s934 = BillableDescendants(q, "S934");
    ASSERT_TRUE(s934.offersChoice());
    std::vector<std::string> rightInitial;
    for (const CodeRow& r : s934.billable)
        if (r.code.size() == 7 && r.code[5] == '1' && r.code[6] == 'A') rightInitial.push_back(r.code);
    EXPECT_EQ(rightInitial,
              (std::vector<std::string>{"S93401A", "S93411A", "S93421A", "S93431A", "S93491A"}));
    // A whole category of the official release: every code under it is billable
    // or a header, and the chooser gets only the billable ones.
    HeaderCodes s72 = BillableDescendants(q, "S72");
    EXPECT_GT(s72.billable.size(), 1000u);
    for (const CodeRow& r : s72.billable)
        ASSERT_EQ(r.flag, "Y") << r.code;
}
