#include <gtest/gtest.h>

#include "codes/decoration.h"
#include "codes/outlinetexts.h"
#include "db/query.h"
#include "tree/tests/treedb.h"
#include "tree/treebuild.h"

using namespace tree;
using treetest::Dump;

namespace {

const std::vector<std::string>& SmallOutline() {
    static const std::vector<std::string> lines = {
        "A00-B99:傳染病、寄生蟲",  " A00-A99:細菌",
        "  A00-A09:腸道傳染病",    "  A15-A19:結核病",
        " B00-B99:病毒",           "C00-D49:腫瘤",
        " C00-C97:惡性",           "  C00-C75:原發",
        "   C00-C14:唇、口腔及咽", "   C7A-C7A:惡性神經內分泌腫瘤",
        "  C76-C80:不明確部位",    " D00-D09:原位",
    };
    return lines;
}

class ResultTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.add("A00", "霍亂", "N");
        db.add("A000", "霍亂弧菌霍亂", "Y");
        db.add("A001", "愛爾托霍亂", "Y", "", "Y");
        db.add("A009", "霍亂", "Y", "D");
        db.add("A01", "傷寒", "N");
        db.add("A010", "傷寒", "N");
        db.add("A0100", "傷寒未明示", "Y");
        db.add("A09", "感染性腸胃炎", "Y");
        db.add("A15", "呼吸道結核", "N");
        db.add("T07", "多處損傷", "N");
        db.add("T07XXXA", "多處損傷，初期照護", "Y");
        db.add("T14", "損傷", "N");
    }
    std::string build(const std::string& typed) {
        db::Query q(db.conn);
        BuildResultTree(t, DisplayKey(typed), typed, q, SmallOutline());
        EXPECT_TRUE(q.isOpen());
        EXPECT_TRUE(q.eof()); // left open after its last row
        return Dump(t);
    }
    treetest::CodeDb db;
    Tree t;
};

} // namespace

TEST_F(ResultTreeTest, rangeOfABlock_blockRootOverCategoriesAndSubdivisions) {
    EXPECT_EQ(build("A00-A09"), " A00-A09:腸道傳染病\n"
                                "  A00 霍亂\n"
                                "    A000 霍亂弧菌霍亂\n"
                                "    A001 愛爾托霍亂(2023新增)\n"
                                "    A009 霍亂(2023刪除)\n"
                                "  A01 傷寒\n"
                                "    A010 傷寒\n"
                                "      A0100 傷寒未明示\n"
                                "  A09 感染性腸胃炎\n");
    EXPECT_TRUE(t.top()->child(0)->expandAfterBuild);
    EXPECT_FALSE(t.top()->child(0)->child(0)->expandAfterBuild);
}

TEST_F(ResultTreeTest, codeNodesCarryTheirNamesForTheTooltip_otherNodesTheirText) {
    build("A00-A09");
    const Node* root = t.top()->child(0);
    EXPECT_EQ(NodeToolTip(*root), "A00-A09:腸道傳染病");
    EXPECT_EQ(NodeToolTip(*root->child(0)->child(1)), "A00.1\n愛爾托霍亂(2023新增)\nenglish A001");
    build("T07");
    EXPECT_EQ(NodeToolTip(*t.top()->child(0)), "T07\n多處損傷\nenglish T07");
    EXPECT_EQ(NodeToolTip(*t.top()->child(0)->child(0)), "T07.XXXA\n多處損傷，初期照護\nenglish T07XXXA");
    // An ICD-11 code is written as it is, without a dot.
    Node icd11("SJ1Z 肝鬱證");
    icd11.code = "SJ1Z";
    icd11.chineseName = "肝鬱證";
    EXPECT_EQ(NodeToolTip(icd11), "SJ1Z\n肝鬱證");
}

TEST_F(ResultTreeTest, keyFoundAnywhereInALine_queryStillUsesTheTypedBounds) {
    // A00-A0 stands inside "A00-A09:..." and so borrows its root; the query runs
    // from A00 to A0ZZZZZ.
    EXPECT_EQ(build("a00-a0"), " A00-A09:腸道傳染病\n"
                               "  A00 霍亂\n"
                               "    A000 霍亂弧菌霍亂\n"
                               "    A001 愛爾托霍亂(2023新增)\n"
                               "    A009 霍亂(2023刪除)\n"
                               "  A01 傷寒\n"
                               "    A010 傷寒\n"
                               "      A0100 傷寒未明示\n"
                               "  A09 感染性腸胃炎\n");
}

TEST_F(ResultTreeTest, rangeInNoOutlineLine_categoriesAtTopLevel) {
    EXPECT_EQ(build("A00-A01"), "A00 霍亂\n"
                                "  A000 霍亂弧菌霍亂\n"
                                "  A001 愛爾托霍亂(2023新增)\n"
                                "  A009 霍亂(2023刪除)\n"
                                "A01 傷寒\n"
                                "  A010 傷寒\n"
                                "    A0100 傷寒未明示\n");
    EXPECT_TRUE(t.top()->child(0)->expandAfterBuild);
    EXPECT_FALSE(t.top()->child(1)->expandAfterBuild);
}

TEST_F(ResultTreeTest, injuryRange_leavesOutTraditionalMedicineCodesThatSortInsideIt) {
    db.add("S00", "頭部表淺損傷", "N");
    db.add("SA0", "肝系病類", "N");
    db.add("SA00", "脅痛病", "Y");
    db.add("T20", "頭頸部燒傷", "N");
    EXPECT_EQ(build("S00-T88"),
              "S00 頭部表淺損傷\nT07 多處損傷\n  T07XXXA 多處損傷，初期照護\nT14 損傷\nT20 頭頸部燒傷\n");
    EXPECT_EQ(build("SA0-SA0"), "SA0 肝系病類\n  SA00 脅痛病\n");
}

TEST_F(ResultTreeTest, rangeOfABlock_leavesOutSeparateBlocksThatSortInsideIt) {
    db.add("C76", "其他部位惡性腫瘤", "N");
    db.add("C7A", "惡性神經內分泌腫瘤", "N");
    db.add("C7A0", "惡性類癌腫瘤", "Y");
    db.add("C80", "未明示部位惡性腫瘤", "Y");
    EXPECT_EQ(build("C76-C80"), " C76-C80:不明確部位\n  C76 其他部位惡性腫瘤\n  C80 未明示部位惡性腫瘤\n");
    EXPECT_EQ(build("C7A-C7A"),
              " C7A-C7A:惡性神經內分泌腫瘤\n  C7A 惡性神經內分泌腫瘤\n    C7A0 惡性類癌腫瘤\n");
    // A typed range that is no block of the outline shows every code in it.
    EXPECT_EQ(build("C70-C80"),
              "C76 其他部位惡性腫瘤\nC7A 惡性神經內分泌腫瘤\n  C7A0 惡性類癌腫瘤\nC80 未明示部位惡性腫瘤\n");
}

TEST_F(ResultTreeTest, rangeTypedWithDots_findsItsCodes) {
    db.add("S93", "踝足扭傷", "N");
    db.add("S934", "踝扭傷", "N");
    db.add("S9340", "踝扭傷，未明示韌帶", "N");
    db.add("S936", "足扭傷", "N");
    db.add("S937", "多處扭傷", "N");
    EXPECT_EQ(build(" s93.4 - S93.6 "), "S934 踝扭傷\n  S9340 踝扭傷，未明示韌帶\nS936 足扭傷\n");
}

TEST_F(ResultTreeTest, rangeMatchingNothing_oneNodeSaysSoUnlessTheOutlineNamesIt) {
    // No outline line and no code: rather than a blank window, one node says so.
    EXPECT_EQ(build("R00-R99"), " R00-R99:此範圍查無代碼\n");
    EXPECT_EQ(build("S99.9-S99.99"), " S999-S9999:此範圍查無代碼\n");
    EXPECT_EQ(build("B00-B99"), " B00-B99:病毒\n"); // the block root alone shows what was asked for
}

TEST_F(ResultTreeTest, prefixInSmallLetters_sameCodesAsCapitals) {
    const std::string expected = "A01 傷寒\n"
                                 "  A010 傷寒\n"
                                 "    A0100 傷寒未明示\n";
    EXPECT_EQ(build("A01"), expected);
    EXPECT_EQ(build(" a01 "), expected);
}

TEST_F(ResultTreeTest, prefixOfSeveralCategories_laterCategoriesReturnToTopLevel) {
    EXPECT_EQ(build("A0"), "A00 霍亂\n"
                           "  A000 霍亂弧菌霍亂\n"
                           "  A001 愛爾托霍亂(2023新增)\n"
                           "  A009 霍亂(2023刪除)\n"
                           "A01 傷寒\n"
                           "  A010 傷寒\n"
                           "    A0100 傷寒未明示\n"
                           "A09 感染性腸胃炎\n");
}

TEST_F(ResultTreeTest, prefixMatchingNothing_oneNodeWithASingleBlank) {
    EXPECT_EQ(build("Z99"), " \n");
    EXPECT_EQ(build("A0'"), " \n"); // a typed quote is a value, not SQL
}

TEST_F(ResultTreeTest, codeLongerByMoreThanOne_hangsDirectlyUnderItsParent) {
    EXPECT_EQ(build("T"), "T07 多處損傷\n"
                          "  T07XXXA 多處損傷，初期照護\n"
                          "T14 損傷\n");
}

TEST_F(ResultTreeTest, shorterCodeWithoutAnEntryOfItsLength_staysAtTheCurrentDepth) {
    db.add("A0002", "深層", "Y"); // A000 < A0002 < A001
    db.conn.exec("DELETE FROM ICD10 WHERE ICD10_NO='A000'");
    EXPECT_EQ(build("A00"), "A00 霍亂\n"
                            "  A0002 深層\n"
                            "  A001 愛爾托霍亂(2023新增)\n"
                            "  A009 霍亂(2023刪除)\n");
}

TEST_F(ResultTreeTest, rebuildReplacesTheWholeTree) {
    build("A0");
    EXPECT_EQ(build("T14"), "T14 損傷\n");
}

TEST_F(ResultTreeTest, engineErrorPropagates) {
    db.conn.exec("DROP TABLE ICD10");
    db::Query q(db.conn);
    EXPECT_THROW(BuildResultTree(t, "A00", "A00", q, SmallOutline()), db::Error);
}

TEST(OutlineTree, rootByMode_linesNestedByLeadingBlanks) {
    Tree t;
    BuildOutlineTree(t, false, SmallOutline());
    EXPECT_EQ(Dump(t), "2023 ICD-10-CM\n"
                       "  A00-B99:傳染病、寄生蟲\n"
                       "     A00-A99:細菌\n"
                       "        A00-A09:腸道傳染病\n"
                       "        A15-A19:結核病\n"
                       "     B00-B99:病毒\n"
                       "  C00-D49:腫瘤\n"
                       "     C00-C97:惡性\n"
                       "        C00-C75:原發\n"
                       "           C00-C14:唇、口腔及咽\n"
                       "           C7A-C7A:惡性神經內分泌腫瘤\n"
                       "        C76-C80:不明確部位\n"
                       "     D00-D09:原位\n");
    EXPECT_TRUE(t.top()->child(0)->expandAfterBuild);
    EXPECT_EQ(TreeOutlineLines(), SmallOutline());

    BuildOutlineTree(t, true, {"SA0-SE5:傳統醫學疾病", " SA0-SB2:臟腑系統疾病"});
    EXPECT_EQ(Dump(t), "ICD-11-CM\n  SA0-SE5:傳統醫學疾病\n     SA0-SB2:臟腑系統疾病\n");
    // The shared list now holds the lines of the last build only.
    EXPECT_EQ(TreeOutlineLines().size(), 2u);

    // Rebuilding from the shared list itself is safe.
    BuildOutlineTree(t, true, TreeOutlineLines());
    EXPECT_EQ(TreeOutlineLines().size(), 2u);
    EXPECT_EQ(t.size(), 3u);
}

TEST(OutlineTree, lineDeeperByTwo_hangsUnderThePreviousLine) {
    Tree t;
    BuildOutlineTree(t, false, {"A00-B99:甲", "  A00-A09:乙", "   A00-A01:丙", "C00-D49:丁"});
    EXPECT_EQ(Dump(t), "2023 ICD-10-CM\n"
                       "  A00-B99:甲\n"
                       "      A00-A09:乙\n"
                       "         A00-A01:丙\n"
                       "  C00-D49:丁\n");
}

TEST(OutlineTree, outlineLinesFeedTheBlockRootOfARange) {
    Tree outlineTree;
    BuildOutlineTree(outlineTree, false, SmallOutline());
    treetest::CodeDb db;
    db.add("A15", "呼吸道結核", "N");
    db::Query q(db.conn);
    Tree t;
    BuildResultTree(t, "A15-A19", "A15-A19", q, TreeOutlineLines());
    EXPECT_EQ(Dump(t), " A15-A19:結核病\n  A15 呼吸道結核\n");
}

namespace {

class SubtreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.add("X00", "病名", "N");
        // No code of length 4: the children are found at length 5.
        db.add("X0001", "前甲後", "N");
        db.add("X0002", "前乙後", "N");
        db.add("X00011", "只有一個", "Y");
        // Both grandchildren of X0002 are new: the decoration is a shared ending.
        db.add("X00021", "左側疼痛", "Y", "", "Y");
        db.add("X00022", "右側疼痛", "Y", "", "Y");
        // Four bytes longer than its parent: out of reach of the three tries.
        db.add("X01", "遠", "N");
        db.add("X01AAAA", "太遠", "Y");
    }
    treetest::CodeDb db;
    Tree t;
};

} // namespace

TEST_F(SubtreeTest, namesShortenedToDistinctParts_topKeepsItsWholeName) {
    AddCodeSubtree(t, nullptr, "X00", "病名", db.conn);
    EXPECT_EQ(Dump(t), "X00 病名\n"
                       "  X0001 甲\n"
                       "    X00011 只有一個\n"
                       "  X0002 乙\n"
                       "    X00021 左\n"
                       "    X00022 右\n");
    // The tooltip keeps the whole name.
    EXPECT_EQ(NodeToolTip(*t.top()->child(0)->child(1)->child(0)),
              "X00.021\n左側疼痛(2023新增)\nenglish X00021");
}

TEST_F(SubtreeTest, childrenMoreThanThreeBytesLongerAreNotFound) {
    AddCodeSubtree(t, nullptr, "X01", "遠", db.conn);
    EXPECT_EQ(Dump(t), "X01 遠\n");
}

TEST_F(SubtreeTest, addedBelowAParent) {
    Node* parent = t.addTopLevel("top");
    Node* added = AddCodeSubtree(t, parent, "X0001", "前甲後", db.conn);
    EXPECT_EQ(added->parent(), parent);
    EXPECT_EQ(Dump(t), "top\n  X0001 前甲後\n    X00011 只有一個\n");
}

TEST_F(SubtreeTest, simplifiedDisplay_looksTheCodeUpAndClearsTheTree) {
    t.addTopLevel("old");
    db::Query q(db.conn);
    BuildSimplifiedTree(t, " X00.02 ", q, db.conn);
    EXPECT_EQ(Dump(t), "X0002 前乙後\n  X00021 左\n  X00022 右\n");
    BuildSimplifiedTree(t, "Q99", q, db.conn); // absent: empty name, no children
    EXPECT_EQ(Dump(t), "Q99 \n");
    BuildSimplifiedTree(t, "X0'", q, db.conn);
    EXPECT_EQ(Dump(t), "X0' \n");
}

TEST(OutlineTree, realOutlinesByMode) {
    Tree t;
    BuildOutlineTree(t, false);
    ASSERT_EQ(t.top()->childCount(), 1);
    const Node* root = t.top()->child(0);
    EXPECT_EQ(root->text, "2023 ICD-10-CM");
    EXPECT_EQ(root->childCount(), 22);
    EXPECT_EQ(t.size(), 314u);
    EXPECT_EQ(TreeOutlineLines().size(), 313u);
    // Chapter 19 holds 20 blocks; T20-T32 holds three more.
    const Node* injuries = root->child(18);
    EXPECT_EQ(codes::ParseOutlineLine(injuries->text).range, "S00-T88");
    EXPECT_EQ(injuries->childCount(), 20);
    EXPECT_EQ(injuries->child(13)->text.substr(0, 9), " T20-T32:");
    EXPECT_EQ(injuries->child(13)->childCount(), 3);

    BuildOutlineTree(t, true);
    root = t.top()->child(0);
    EXPECT_EQ(root->text, "ICD-11-CM");
    EXPECT_EQ(root->childCount(), 2);
    EXPECT_EQ(t.size(), 32u);
    EXPECT_EQ(TreeOutlineLines().size(), 31u);
    EXPECT_EQ(root->child(0)->child(0)->child(0)->text, "  SA0-SA0:肝系病類");
}

namespace {
// Every code node's code begins with the code of the code node above it.
int CountMisplaced(const Node* n, const std::string& parentCode) {
    int bad = 0;
    for (int i = 0; i < n->childCount(); ++i) {
        const Node* c = n->child(i);
        const std::string code(c->text.substr(0, c->text.find(' ')));
        if (!parentCode.empty() && code.compare(0, parentCode.size(), parentCode) != 0) ++bad;
        bad += CountMisplaced(c, code);
    }
    return bad;
}
} // namespace

TEST(ResultTreeFullData, wholeChapterRange_everyCodeUnderItsBeginning) {
    ICD_REQUIRE_FULL_DB();
    db::Connection conn;
    conn.open(testsupport::FullDatabasePath());
    db::Query q(conn);
    db::Query count(conn);
    // The traditional-medicine codes (SA0...) sort inside the range but are left out.
    count.setText("SELECT COUNT(*) AS N FROM ICD10 WHERE ICD10_NO >= 'S00' AND ICD10_NO <= 'T88ZZZZZ' "
                  "AND NOT (ICD10_NO >= 'SA' AND ICD10_NO < 'T')");
    count.open();
    const std::size_t rows = static_cast<std::size_t>(std::stoul(count.field("N")));
    ASSERT_GT(rows, 10000u);

    Tree outlineTree;
    BuildOutlineTree(outlineTree, false);
    Tree t;
    BuildResultTree(t, "S00-T88", "s00-t88", q, TreeOutlineLines());
    ASSERT_EQ(t.top()->childCount(), 1);
    const Node* root = t.top()->child(0);
    EXPECT_EQ(root->text.substr(0, 9), " S00-T88:");
    EXPECT_EQ(t.size(), rows + 1);
    EXPECT_EQ(CountMisplaced(root, ""), 0);
    for (int i = 0; i < root->childCount(); ++i)
        EXPECT_EQ(root->child(i)->text.find(' '), 3u) << root->child(i)->text; // categories only
}
