#include "guidepanel/notespage.h"

#include <fstream>

#include <gtest/gtest.h>

#include "testsupport/testsupport.h"

using namespace guide;
using namespace guidepanel;

namespace {

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class RealGuide : public ::testing::Test {
protected:
    void SetUp() override {
#ifndef ICD_HAS_GUIDE_DB
        GTEST_SKIP() << "this build makes no guide (no XML importer for the platform)";
#endif
        ASSERT_EQ(guide.open(ICD_GUIDE_DB), "") << "the build makes the guide (guide_db)";
    }
    Guide guide;
};

} // namespace

TEST(NotesPage, everyTextIsEscapedAndTheLinksCoverTheirCodes) {
    CodeGuide g;
    g.found = true;
    g.exists = true;
    g.code = "X00.0";
    g.path = {{Level::Chapter, "1", "<script>&", 1}, {Level::Code, "X00.0", "a \"quoted\" <title>", 2}};
    Note note{"burns <hot> (T20-T32) & sprain (S93.1-)", g.path[0], {}};
    note.links = {{note.text.find("T20-T32"), 7, "T20-T32"}, {note.text.find("S93.1-"), 6, "S93.1"}};
    g.notes = {{NoteKind::Excludes2, {note}}};
    const std::string html = NotesPageHtml(g);
    EXPECT_FALSE(Has(html, "<script>")) << html;
    EXPECT_TRUE(Has(html, "&lt;script&gt;&amp;"));
    EXPECT_TRUE(Has(html, "a &quot;quoted&quot; &lt;title&gt;"));
    EXPECT_TRUE(Has(html, "burns &lt;hot&gt; (<a href=\"code:T20-T32\">T20-T32</a>) &amp; sprain "
                          "(<a href=\"code:S93.1\">S93.1-</a>)"))
        << html;
    EXPECT_TRUE(Has(html, "排除二：可同時編碼"));
    EXPECT_TRUE(Has(html, "（第 1 章）")) << "the level the note comes from";
    // A link that lies outside its note is dropped, not read beyond the text.
    g.notes[0].notes[0].links.push_back({500, 3, "A00"});
    EXPECT_FALSE(Has(NotesPageHtml(g), "code:A00"));

    EXPECT_EQ(CodeOfHref(CodeHref("S93.1")), std::optional<std::string>("S93.1"));
    EXPECT_EQ(CodeOfHref("see:12"), std::nullopt);
    EXPECT_EQ(TermOfHref(TermHref(1234)), std::optional<long>(1234));
    for (const char* bad : {"see:", "see:12x", "see:-4", "code:S93"})
        EXPECT_EQ(TermOfHref(bad), std::nullopt) << bad;
}

TEST_F(RealGuide, s93401a_showsS93sNotesAndTableWithItsOwnCharacterMarked_andItsPath) {
    const std::string html = NotesPageHtml(guide.lookup("S93401A"));
    for (const char* part : {"S93.401A", "第 19 章", "S90-S99 節", "S93 類目", "最細碼（可申報）", "包含",
                             "avulsion of joint or ligament of ankle, foot and toe", "併編碼",
                             "any associated open wound", "排除二：可同時編碼", "第 7 碼",
                             "initial encounter</td><td>◀ 本碼", "subsequent encounter</td><td></td>"})
        EXPECT_TRUE(Has(html, part)) << part;
    // The code named by S93's Excludes2 is a link.
    EXPECT_TRUE(Has(html, "href=\"code:S96")) << html;
    // A category is not billable; an unknown code says so in Chinese.
    EXPECT_TRUE(Has(NotesPageHtml(guide.lookup("S93")), "非最細碼"));
    EXPECT_TRUE(Has(NotesPageHtml(guide.lookup("Q99.99")), "找不到代碼"));
}

TEST_F(RealGuide, pairs_anExcludes1ForbidsNamingTheNoteAndItsLevel_anExcludes2Allows) {
    const std::string forbidden = PairHtml(guide.checkPair("M54.50", "M54.41"));
    EXPECT_TRUE(Has(forbidden, "✖")) << forbidden;
    EXPECT_TRUE(Has(forbidden, "M54.5 次類目")) << forbidden;
    const std::string allowed = PairHtml(guide.checkPair("S93.401A", "S96.911A"));
    EXPECT_TRUE(Has(allowed, "✔")) << allowed;
    EXPECT_TRUE(Has(allowed, "S93 類目")) << allowed;
    EXPECT_TRUE(Has(PairHtml(guide.checkPair("S93.401A", "Q99.99")), "找不到代碼"));
}

TEST_F(RealGuide, indexEntry_seeIsALinkToTheTermItNames_aReferenceToNoTermStaysText) {
    IndexSearch& index = guide.index();
    const std::vector<long> hits = index.find("abdominalgia");
    ASSERT_FALSE(hits.empty());
    const IndexEntry e = index.entry(hits[0]);
    const auto resolve = [&](std::string_view r) { return index.resolve(r); };
    const std::string html = IndexEntryHtml(e, resolve);
    const SeeTarget target = index.resolve(e.see);
    ASSERT_NE(target.term, 0);
    EXPECT_TRUE(Has(html, "<i>see</i> <a href=\"" + TermHref(target.term) + "\">Pain, abdominal</a>"))
        << html;

    const std::vector<long> sprain = index.find("sprain ankle");
    ASSERT_FALSE(sprain.empty());
    EXPECT_TRUE(
        Has(IndexEntryHtml(index.entry(sprain[0]), resolve), "→ <a href=\"code:S93.40-\">S93.40-</a>"));
    IndexEntry alsoCondition;
    alsoCondition.path = {"Abdomen, abdominal"};
    alsoCondition.seeAlso = "Qqqq, no such term";
    EXPECT_TRUE(Has(IndexEntryHtml(alsoCondition, resolve), "<i>see also</i> Qqqq, no such term"));
}

TEST(NotesPage, missingOrDamagedGuide_saysWhyInChinese) {
    testsupport::TempDir dir;
    Guide missing;
    EXPECT_NE(missing.open(dir.file("none.db")), "");
    EXPECT_TRUE(Has(NotesPageHtml(missing.lookup("S93401A")), "找不到編碼指引檔"));
    std::ofstream(dir.file("bad.db")) << "not a database at all, just text";
    Guide damaged;
    EXPECT_NE(damaged.open(dir.file("bad.db")), "");
    EXPECT_TRUE(Has(NotesPageHtml(damaged.lookup("S93401A")), "損壞")) << damaged.problem();
}
