#include "outline/browser.h"

#include <gtest/gtest.h>

#include <map>

#include "codes/coderules.h"
#include "codes/outlineblocks.h"
#include "db/query.h"
#include "outline/outlinetexts.h"
#include "testsupport/codedb.h"

using namespace outline;
using V = std::vector<std::string>;

namespace {

class BrowserTest : public ::testing::Test {
protected:
    testsupport::CodeDb db;
    db::Query query{db.connection};

    static V visibleEntryCodes(const OutlineBrowser& b) {
        V out;
        for (int e = 1; e <= kEntryTiles; ++e)
            if (b.entryTile(e).visible) out.push_back(b.entryTile(e).code);
        return out;
    }
    static int visiblePathTiles(const OutlineBrowser& b) {
        int n = 0;
        for (int t = 1; t <= kPathTiles; ++t)
            n += b.pathTile(t).visible ? 1 : 0;
        return n;
    }
    static int visibleChapterTiles(const OutlineBrowser& b) {
        int n = 0;
        for (int k = 1; k <= kChapterTiles; ++k)
            n += b.chapterTile(k).visible ? 1 : 0;
        return n;
    }
    static int entryIndex(const OutlineBrowser& b, const std::string& code) {
        for (int e = 1; e <= kEntryTiles; ++e)
            if (b.entryTile(e).visible && b.entryTile(e).code == code) return e;
        ADD_FAILURE() << "no visible entry " << code;
        return 0;
    }
    static V pinnedCodes(const OutlineBrowser& b) {
        V out;
        for (int s = 1; s <= kPinSlots; ++s)
            out.push_back(b.pinSlot(s).pinned ? b.pinSlot(s).code : "-");
        return out;
    }
};

} // namespace

TEST_F(BrowserTest, startsAtTheChapterGridInEitherMode) {
    OutlineBrowser b(Icd10OutlineLines(), false, query);
    EXPECT_EQ(b.currentLevel(), 0);
    EXPECT_EQ(visibleChapterTiles(b), 22);
    EXPECT_EQ(visiblePathTiles(b), 0);
    EXPECT_EQ(b.visibleEntryCount(), 0);
    EXPECT_EQ(b.chapterTile(22).code, "U00-U85");
    EXPECT_EQ(b.chapterTile(22).picture.number, 22);
    EXPECT_EQ(b.pinSlot(1).picture.base, Template::PaleYellowBar);

    OutlineBrowser tm(Icd11OutlineLines(), true, query);
    EXPECT_EQ(visibleChapterTiles(tm), 2);
    EXPECT_EQ(tm.chapterTile(1).code, "SA0-SE5");
    EXPECT_EQ(tm.chapterTile(2).code, "SE7-SJ1");
    EXPECT_TRUE(tm.chapterTile(3).code.empty());
    tm.openChapter(3); // an empty tile does nothing
    EXPECT_EQ(tm.currentLevel(), 0);
}

TEST_F(BrowserTest, chapterTileOpensThePathTileAndTheBlocksBelowIt) {
    OutlineBrowser b(Icd10OutlineLines(), false, query);
    b.openChapter(1);
    EXPECT_EQ(b.currentLevel(), 1);
    EXPECT_EQ(visibleChapterTiles(b), 0);
    const PathTile& p = b.pathTile(1);
    EXPECT_TRUE(p.visible);
    EXPECT_EQ(p.code, "A00-B99");
    EXPECT_EQ(p.name, "傳染病、寄生蟲");
    EXPECT_EQ(p.picture.base, Template::BlueBar);
    EXPECT_EQ(p.picture.kind, LabelKind::FirstPath);
    EXPECT_EQ(p.picture.number, 1);
    EXPECT_EQ(visibleEntryCodes(b), (V{"A00-A99", "B00-B99"}));
    EXPECT_EQ(b.entryTile(1).top, 32);
    EXPECT_EQ(b.entryTile(2).top, 64);
    EXPECT_EQ(b.entryTile(1).picture.base, Template::PaleYellowBar);
    EXPECT_TRUE(b.entryTile(1).flag.empty());
    EXPECT_TRUE(b.listingStatements().empty()) << "outline rows need no query";
}

TEST_F(BrowserTest, blockWithoutOutlineChildrenListsItsCategoriesByRange) {
    db.add("A00", "霍亂", "N");
    db.add("A000", "霍亂弧菌01型霍亂生物型霍亂", "Y");
    db.add("A01", "傷寒及副傷寒", "N");
    db.add("A09", "感染性胃腸炎及大腸炎", "Y", "", "Y");
    db.add("A15", "呼吸道結核病", "N");
    OutlineBrowser b(Icd10OutlineLines(), false, query);
    b.openChapter(1);
    b.openEntry(1); // A00-A99
    EXPECT_EQ(b.currentLevel(), 2);
    EXPECT_EQ(b.pathTile(2).picture.base, Template::GreenBar);
    EXPECT_EQ(b.pathTile(2).picture.flag, "N");
    EXPECT_EQ(b.visibleEntryCount(), 10);
    b.openEntry(1); // A00-A09
    EXPECT_EQ(b.currentLevel(), 3);
    EXPECT_EQ(b.listingStatements(), (V{"SELECT * FROM ICD10 WHERE ICD10_NO >= 'A00' AND ICD10_NO<='A09' AND "
                                        "LEN(ICD10_NO)=3 ORDER BY ICD10_NO"}));
    EXPECT_EQ(visibleEntryCodes(b), (V{"A00", "A01", "A09"}));
    EXPECT_EQ(b.entryTile(1).top, 3 * 32);
    EXPECT_EQ(b.entryTile(3).name, "感染性胃腸炎及大腸炎(2023新增)");
    EXPECT_EQ(b.entryTile(3).flag, "Y");
    EXPECT_EQ(b.entryTile(3).picture.base, Template::AsteriskBar);
    EXPECT_EQ(b.entryTile(1).picture.base, Template::PaleYellowBar);
    EXPECT_EQ(b.pathTile(3).picture.base, Template::GreenBar);

    // A block the table holds nothing of is a dead end: the asterisk bar.
    b.goBack();
    b.openEntry(entryIndex(b, "A20-A28"));
    EXPECT_EQ(b.currentLevel(), 3);
    EXPECT_EQ(b.visibleEntryCount(), 0);
    EXPECT_EQ(b.pathTile(3).picture.base, Template::AsteriskBar);
}

TEST_F(BrowserTest, tileTooltipsGiveTheCodeAndItsChineseAndEnglishNames) {
    db.add("A00", "霍亂", "N");
    db.add("A000", "霍亂弧菌霍亂", "Y", "", "Y");
    OutlineBrowser b(Icd10OutlineLines(), false, query);
    EXPECT_EQ(TileToolTip(b.chapterTile(1).picture), "A00-B99\n傳染病、寄生蟲");
    EXPECT_EQ(TileToolTip(b.chapterTile(22).picture).rfind("U00-U85\n", 0), 0u);
    b.openChapter(1);
    b.openEntry(1); // A00-A99
    b.openEntry(1); // A00-A09
    EXPECT_EQ(TileToolTip(b.entryTile(1).picture), "A00\n霍亂\nenglish A00");
    b.openEntry(1); // A00: its path tile keeps the names
    EXPECT_EQ(TileToolTip(b.pathTile(4).picture), "A00\n霍亂\nenglish A00");
    EXPECT_EQ(TileToolTip(b.entryTile(1).picture), "A00.0\n霍亂弧菌霍亂(2023新增)\nenglish A000");
    b.openEntry(1); // pinned: the slot's tooltip is the code's
    EXPECT_EQ(TileToolTip(b.pinSlot(1).picture), "A00.0\n霍亂弧菌霍亂(2023新增)\nenglish A000");
    EXPECT_EQ(TileToolTip(b.pinSlot(2).picture), ""); // an empty slot says nothing
}

TEST_F(BrowserTest, blockListingLeavesOutSeparateBlocksThatSortInsideIt) {
    for (const char* no : {"C76", "C7A", "C7B", "C80", "C81", "D37", "D3A", "D48"})
        db.add(no, "x", "N");
    OutlineBrowser b(Icd10OutlineLines(), false, query);
    EXPECT_EQ(b.listDatabaseCodes("C76-C80", 1), 2);
    EXPECT_EQ(visibleEntryCodes(b), (V{"C76", "C80"}));
    // The statement stays as written; only the rows of C7A and C7B are passed over.
    EXPECT_EQ(
        b.listingStatements(),
        V{"SELECT * FROM ICD10 WHERE ICD10_NO >= 'C76' AND ICD10_NO<='C80' AND LEN(ICD10_NO)=3 ORDER BY "
          "ICD10_NO"});
    EXPECT_EQ(b.listDatabaseCodes("C7A-C7A", 1), 1);
    EXPECT_EQ(b.entryTile(1).code, "C7A");
    EXPECT_EQ(b.listDatabaseCodes("D37-D48", 1), 2);
    EXPECT_EQ(visibleEntryCodes(b), (V{"D37", "D48"}));
}

TEST_F(BrowserTest, singleCodeListingTriesLongerLengthsWhileEmpty) {
    db.add("S93", "踝足關節韌帶脫臼扭傷", "N");
    db.add("S934", "踝關節韌帶扭傷", "N");
    db.add("S93401", "右踝扭傷", "N");
    db.add("S93402", "左踝扭傷", "N");
    db.add("S93401A", "右踝扭傷，初期照護", "Y");
    db.add("R99", "不明原因死亡", "N");
    OutlineBrowser b(Icd10OutlineLines(), false, query);
    EXPECT_EQ(b.listDatabaseCodes("S934", 3), 2);
    EXPECT_EQ(b.listingStatements(),
              (V{"SELECT * FROM ICD10 WHERE ICD10_NO LIKE  'S934%' AND LEN(ICD10_NO)=5 ORDER BY ICD10_NO",
                 "SELECT * FROM ICD10 WHERE ICD10_NO LIKE  'S934%' AND LEN(ICD10_NO)=6 ORDER BY ICD10_NO"}));
    EXPECT_EQ(visibleEntryCodes(b), (V{"S93401", "S93402"}));
    EXPECT_EQ(b.entryTile(1).top, 3 * 32) << "listed under level 3: the row below path tile 3";

    EXPECT_EQ(b.listDatabaseCodes("R99", 4), 0);
    ASSERT_EQ(b.listingStatements().size(), 3u);
    EXPECT_EQ(b.listingStatements()[2],
              "SELECT * FROM ICD10 WHERE ICD10_NO LIKE  'R99%' AND LEN(ICD10_NO)=6 ORDER BY ICD10_NO");
}

TEST_F(BrowserTest, listingShowsAtMostFortyRowsAndQuotesValuesSafely) {
    db.add("B20", "HIV疾病", "N");
    for (int i = 0; i < 45; ++i) {
        const std::string two = std::string(1, static_cast<char>('0' + i / 10)) + std::to_string(i % 10);
        db.add("B20" + two, "病" + two, "Y");
    }
    db.add("B2'", "引號", "N");
    OutlineBrowser b(Icd10OutlineLines(), false, query);
    // No 4-character codes under B20; the 45 of 5 characters are cut at 40.
    EXPECT_EQ(b.listDatabaseCodes("B20", 1), 40);
    EXPECT_EQ(b.listingStatements().size(), 2u);
    EXPECT_EQ(b.visibleEntryCount(), 40);
    EXPECT_EQ(b.entryTile(40).code, "B2039");
    EXPECT_EQ(b.entryTile(40).top, 40 * 32);

    // A quote inside a code is doubled, never ends the value.
    EXPECT_EQ(b.listDatabaseCodes("B2'", 1), 0);
    EXPECT_EQ(b.listingStatements()[0],
              "SELECT * FROM ICD10 WHERE ICD10_NO LIKE  'B2''%' AND LEN(ICD10_NO)=4 ORDER BY ICD10_NO");
    EXPECT_EQ(b.listDatabaseCodes("B2'-B2'", 1), 1);
    EXPECT_EQ(b.entryTile(1).code, "B2'");
}

TEST_F(BrowserTest, finestCodesArePinnedOnceToTheFirstFreeSlot) {
    const V codes = {"A000", "A001", "A009", "A010", "A011", "A014"};
    db.add("A00", "霍亂", "N");
    db.add("A01", "傷寒", "N");
    for (const auto& c : codes)
        db.add(c, "霍亂" + c, "Y");
    OutlineBrowser b(Icd10OutlineLines(), false, query);
    b.listDatabaseCodes("A00", 3);
    b.highlightDistinctParts();
    const TilePicture drawn = b.entryTile(1).picture;
    ASSERT_TRUE(drawn.highlight.has_value()) << "siblings share the prefix 霍亂A00";
    b.openEntry(1);
    EXPECT_EQ(pinnedCodes(b), (V{"A000", "-", "-", "-", "-"}));
    EXPECT_EQ(b.pinSlot(1).picture, drawn) << "the slot shows the entry as drawn, highlight included";
    b.openEntry(1); // pinned already
    EXPECT_EQ(pinnedCodes(b), (V{"A000", "-", "-", "-", "-"}));
    b.openEntry(2);
    b.openEntry(3);
    b.listDatabaseCodes("A01", 3);
    b.openEntry(1);
    b.openEntry(2);
    b.openEntry(3); // a sixth finest code: nothing
    EXPECT_EQ(pinnedCodes(b), (V{"A000", "A001", "A009", "A010", "A011"}));
    EXPECT_EQ(b.currentLevel(), 0) << "pinning never changes the level";
    EXPECT_EQ(b.handOffCodeOf(4), "A010");
}

TEST_F(BrowserTest, emptyingASlotMovesTheCodesBelowItUp) {
    for (const auto& c : V{"A000", "A001", "A002", "A009"})
        db.add(c, "名" + c, "Y");
    OutlineBrowser b(Icd10OutlineLines(), false, query);
    b.listDatabaseCodes("A00", 0);
    for (int e = 1; e <= 4; ++e)
        b.openEntry(e);
    const TilePicture fourth = b.pinSlot(4).picture;
    b.emptyPinSlot(2);
    EXPECT_EQ(pinnedCodes(b), (V{"A000", "A002", "A009", "-", "-"}));
    EXPECT_EQ(b.pinSlot(3).picture, fourth);
    EXPECT_EQ(b.pinSlot(4).picture, TilePicture{});
    EXPECT_FALSE(b.pinSlot(4).pinned);
    EXPECT_EQ(b.handOffCodeOf(5), "");
    b.emptyPinSlot(5); // an empty slot stays empty
    EXPECT_EQ(pinnedCodes(b), (V{"A000", "A002", "A009", "-", "-"}));
    b.emptyPinSlot(1);
    b.emptyPinSlot(1);
    b.emptyPinSlot(1);
    EXPECT_EQ(pinnedCodes(b), (V{"-", "-", "-", "-", "-"}));
}

TEST_F(BrowserTest, backAndHomeAtEveryLevel) {
    db.add("M54", "背痛", "N");
    db.add("M545", "下背痛", "N");
    db.add("M5450", "下背痛，未明示", "Y");
    db.add("M5451", "椎間盤源性下背痛", "Y");
    OutlineBrowser b(Icd10OutlineLines(), false, query);
    b.goBack(); // Back at level 0: nothing
    EXPECT_EQ(b.currentLevel(), 0);
    EXPECT_EQ(visibleChapterTiles(b), 22);

    b.openChapter(13);                     // M00-M99
    b.openEntry(entryIndex(b, "M40-M54")); // level 2
    b.openEntry(entryIndex(b, "M50-M54")); // level 3: M54 from the table
    b.openEntry(entryIndex(b, "M54"));     // level 4
    b.openEntry(entryIndex(b, "M545"));    // level 5: two finest codes
    ASSERT_EQ(b.currentLevel(), 5);
    EXPECT_EQ(visiblePathTiles(b), 5);
    EXPECT_EQ(visibleEntryCodes(b), (V{"M5450", "M5451"}));
    b.openEntry(1);

    b.goBack();
    EXPECT_EQ(b.currentLevel(), 4);
    EXPECT_EQ(visiblePathTiles(b), 4);
    EXPECT_EQ(visibleEntryCodes(b), (V{"M545"}));

    b.openPathTile(2); // path tile 2 lists M40-M54's children again
    EXPECT_EQ(b.currentLevel(), 2);
    EXPECT_EQ(visiblePathTiles(b), 2);
    EXPECT_EQ(visibleEntryCodes(b), (V{"M40-M43", "M45-M49", "M50-M54"}));
    EXPECT_EQ(b.entryTile(1).top, 2 * 32);

    b.goBack();
    EXPECT_EQ(b.currentLevel(), 1);
    b.goBack();
    EXPECT_EQ(b.currentLevel(), 0);
    EXPECT_EQ(visibleChapterTiles(b), 22);
    EXPECT_EQ(visiblePathTiles(b), 0);
    EXPECT_EQ(b.visibleEntryCount(), 0);

    b.openChapter(13);
    b.openEntry(1);
    b.goHome(); // Home from level 2
    EXPECT_EQ(b.currentLevel(), 0);
    EXPECT_EQ(visibleChapterTiles(b), 22);
    EXPECT_EQ(visiblePathTiles(b), 0);
    EXPECT_EQ(b.visibleEntryCount(), 0);
    EXPECT_EQ(pinnedCodes(b)[0], "M5450") << "Home and Back leave the pins alone";
}

TEST_F(BrowserTest, icd11ModeShowsOnlyItsTwoChaptersAndHighlightsSharedEndings) {
    OutlineBrowser b(Icd11OutlineLines(), true, query);
    b.openChapter(1);
    b.openEntry(1); // SA0-SB2
    EXPECT_EQ(visibleEntryCodes(b), (V{"SA0-SA0", "SA1-SA4", "SA5-SA5", "SA6-SA8", "SA9-SB0", "SB2-SB2"}));
    const auto& h = b.entryTile(6).picture.highlight;
    ASSERT_TRUE(h.has_value());
    EXPECT_EQ(*h, (Highlight{"其他特指的臟腑系統", 0, 2}));
    EXPECT_EQ(b.entryTile(1).picture.highlight->distinct, "肝系");
    b.goHome();
    EXPECT_EQ(visibleChapterTiles(b), 2);
    b.openChapter(2);
    b.goBack();
    EXPECT_EQ(visibleChapterTiles(b), 2);
    EXPECT_FALSE(b.chapterTile(3).visible);
}

TEST_F(BrowserTest, aSingleEntryIsNotHighlighted) {
    db.add("B10", "其它人類皰疹病毒", "N");
    OutlineBrowser b(Icd10OutlineLines(), false, query);
    b.openChapter(1);
    b.openEntry(2);                        // B00-B99
    b.openEntry(entryIndex(b, "B10-B10")); // one category
    EXPECT_EQ(visibleEntryCodes(b), (V{"B10"}));
    EXPECT_FALSE(b.entryTile(1).picture.highlight.has_value());
}

TEST_F(BrowserTest, descentStopsAtTheTenthPathTile) {
    const V lines = {"A00-A99:章", " A00-A09:節", "  A00-A01:小節", "   A00-A00:細節"};
    db.add("A00", "三", "N");
    std::string code = "A00";
    for (int i = 0; i < 6; ++i)
        db.add(code += "1", "更細", "N");
    OutlineBrowser b(lines, false, query);
    b.openChapter(1);
    while (b.visibleEntryCount() > 0 && b.currentLevel() < kPathTiles)
        b.openEntry(1);
    ASSERT_EQ(b.currentLevel(), 10);
    ASSERT_EQ(b.visibleEntryCount(), 1);
    b.openEntry(1); // no path tile left: nothing happens
    EXPECT_EQ(b.currentLevel(), 10);
    EXPECT_EQ(b.visibleEntryCount(), 1);
    EXPECT_EQ(b.pathTile(10).code, "A0011111");
}

TEST_F(BrowserTest, engineErrorLeavesTheHiddenEntriesHidden) {
    OutlineBrowser b(Icd10OutlineLines(), false, query);
    b.openChapter(1);
    b.openEntry(1);
    db.connection.exec("DROP TABLE ICD10");
    EXPECT_THROW(b.openEntry(1), db::Error);
    EXPECT_EQ(b.visibleEntryCount(), 0);
    EXPECT_EQ(b.currentLevel(), 3);
}

// On the full-size database every block at the bottom of the outline lists the
// categories of its range (a mistyped range would list nothing); only U80-U89
// has no code in the 2023 edition and is a dead end. Every ICD-10-CM category
// of the edition is listed under exactly one block, and every chapter's range
// holds the categories listed under it, so both browsers reach every code.
TEST(BrowserFullData, everyLeafBlockListsItsCategories) {
    ICD_REQUIRE_FULL_DB();
    db::Connection connection;
    connection.open(testsupport::FullDatabasePath());
    db::Query query(connection);
    OutlineBrowser b(Icd10OutlineLines(), false, query);
    const auto& lines = Icd10OutlineLines();
    int leaves = 0;
    std::map<std::string, std::vector<std::string>> listedUnder; // category => leaves listing it
    std::string chapter;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::size_t level = lines[i].find_first_not_of(' ');
        const std::string code = lines[i].substr(level, 7);
        if (level == 0) chapter = code;
        if (!OutlineChildren(lines, code).empty()) continue;
        ++leaves;
        const int n = b.listDatabaseCodes(code, 1);
        if (code == "U80-U89")
            EXPECT_EQ(n, 0);
        else
            EXPECT_GT(n, 0) << code;
        EXPECT_LT(n, kEntryTiles) << code << " may have more categories than one screen shows";
        for (int e = 1; e <= n; ++e) {
            const std::string category = b.entryTile(e).code;
            listedUnder[category].push_back(code);
            EXPECT_TRUE(codes::CodeInRange(category, chapter))
                << category << " is outside its chapter " << chapter;
        }
    }
    EXPECT_EQ(leaves, 313 - 35) << "22 chapters, 10 blocks and 3 sub-blocks have children";

    db::Query categories(connection);
    categories.setText("SELECT ICD10_NO FROM ICD10 WHERE LEN(ICD10_NO)=3 ORDER BY ICD10_NO");
    int count = 0;
    for (categories.open(); !categories.eof(); categories.next()) {
        const std::string category = categories.field("ICD10_NO");
        if (codes::IsIcd11Code(category)) continue;
        ++count;
        const auto& under = listedUnder[category];
        EXPECT_EQ(under.size(), 1u) << category << " is listed under " << under.size() << " blocks";
    }
    EXPECT_GT(count, 1900) << "the edition's categories";
}
