// Reading a guide built from small files: lookups in every form, inherited
// notes with their levels, the 7th-character table, links, the pair check,
// the index search, and a guide that is missing, damaged or of another format.
#include "guide/reader.h"

#include <filesystem>

#include "db/connection.h"
#include "guidetestsupport.h"

using namespace guide;

namespace {

class SmallGuideTest : public ::testing::Test {
protected:
    void SetUp() override {
        small.build();
        ASSERT_EQ(g.open(small.path()), "");
    }

    // "kind: level: text" for each note of a lookup.
    static std::vector<std::string> Notes(const CodeGuide& c) {
        std::vector<std::string> out;
        for (const NoteGroup& group : c.notes)
            for (const Note& n : group.notes)
                out.push_back(std::string(NoteKindName(group.kind)) + ": " + LevelLabel(n.from) + ": " +
                              n.text);
        return out;
    }
    static std::string Path(const CodeGuide& c) {
        std::string s;
        for (const PathStep& p : c.path)
            s += (s.empty() ? "" : " > ") + LevelLabel(p);
        return s;
    }
    std::vector<std::string> Found(const std::string& typed) {
        std::vector<std::string> out;
        for (long id : g.index().find(typed))
            out.push_back(g.index().entry(id).text());
        return out;
    }

    guidetest::SmallGuide small;
    Guide g;
};

using V = std::vector<std::string>;

} // namespace

TEST(GuideReader, levelLabels) {
    EXPECT_EQ(LevelLabel({Level::Chapter, "19", "", 1}), "第 19 章");
    EXPECT_EQ(LevelLabel({Level::Section, "S90-S99", "", 2}), "S90-S99 節");
    EXPECT_EQ(LevelLabel({Level::Category, "S93", "", 3}), "S93 類目");
    EXPECT_EQ(LevelLabel({Level::Subcategory, "S93.4", "", 4}), "S93.4 次類目");
    EXPECT_EQ(LevelLabel({Level::Code, "S93.401A", "", 0}), "S93.401A 代碼");
    EXPECT_EQ(SearchWords("Sézary's (disease), B12 Addison\u2019s"),
              V({"sezarys", "disease", "b12", "addisons"}));
    EXPECT_EQ(GuidePathIn(std::string("/opt/icd")),
              std::string("/opt/icd") + static_cast<char>(std::filesystem::path::preferred_separator) +
                  "icd10cm_guide_2023.db");
}

TEST_F(SmallGuideTest, aSeventhCharacterCodeShowsItsPathNotesAndTable) {
    for (const char* typed : {"S93401A", "s93.401a", " S93.401A "}) {
        SCOPED_TRACE(typed);
        const CodeGuide c = g.lookup(typed);
        ASSERT_TRUE(c.found) << c.problem;
        EXPECT_EQ(c.code, "S93.401A");
        EXPECT_TRUE(c.exists);
        EXPECT_TRUE(c.billable);
        EXPECT_EQ(Path(c),
                  "第 19 章 > S90-S99 節 > S93 類目 > S93.4 次類目 > S93.40 次類目 > S93.401 次類目 > "
                  "S93.401A 代碼");
        EXPECT_EQ(c.path.back().title, "Sprain of unspecified ligament of right ankle, initial encounter");
        EXPECT_EQ(Notes(c), V({"includes: S93 類目: avulsion of joint or ligament of ankle, foot and toe",
                               "excludes1: 第 19 章: birth trauma (P10-P15)",
                               "excludes1: S93.40 次類目: dislocation of toe (S93.1-)",
                               "excludes2: S90-S99 節: burns and corrosions (T20-T32)",
                               "excludes2: S93 類目: strain of muscle and tendon of ankle and foot (S96.-)",
                               "excludes2: S93.4 次類目: injury of Achilles tendon (S86.0-)",
                               "codeAlso: S93 類目: any associated open wound",
                               "notes: 第 19 章: Use secondary code(s) from Chapter 20."}));
        ASSERT_TRUE(c.seventh);
        EXPECT_EQ(c.seventh->from.code, "S93");
        EXPECT_EQ(c.seventh->notes,
                  V({"The appropriate 7th character is to be added to each code from category S93"}));
        ASSERT_EQ(c.seventh->entries.size(), 4u);
        EXPECT_EQ(c.seventh->entries[0].character, "A");
        EXPECT_TRUE(c.seventh->entries[0].selected);
        EXPECT_EQ(c.seventh->entries[1].character, ""); // the note inside the table, after A
        EXPECT_EQ(c.seventh->entries[1].text, "initial encounter NOS");
        EXPECT_FALSE(c.seventh->entries[2].selected);
    }
}

TEST_F(SmallGuideTest, codesAreFoundInEveryFormAndRefusedWithAReason) {
    EXPECT_EQ(g.lookup("S93.40-").code, "S93.40"); // as the index writes it
    EXPECT_EQ(g.lookup("s93").path.back().level, Level::Category);
    const CodeGuide section = g.lookup("S90-S99");
    ASSERT_TRUE(section.found);
    EXPECT_EQ(Path(section), "第 19 章 > S90-S99 節");
    EXPECT_FALSE(section.exists);
    EXPECT_EQ(g.lookup("T15").path.back().level, Level::Category); // not its one-category section T15-T15
    EXPECT_EQ(g.lookup("T15-T15").path.back().level, Level::Section);
    EXPECT_EQ(g.lookup("19").path.size(), 1u);
    // A chapter given as its range, as the outline's chapter lines give it.
    EXPECT_EQ(Path(g.lookup("S00-T88")), "第 19 章");
    EXPECT_EQ(Path(g.lookup("h00 - h59")), "第 7 章");
    EXPECT_FALSE(g.lookup("S00-T8").found);
    // The placeholder X: T15.01 + A is T15.01XA.
    const CodeGuide t = g.lookup("T15.01XA");
    ASSERT_TRUE(t.found) << t.problem;
    EXPECT_EQ(t.code, "T15.01XA");
    EXPECT_EQ(t.path[t.path.size() - 2].code, "T15.01");
    EXPECT_EQ(t.seventh->from.code, "T15");
    // A table without the character, a combination the order file lacks, no table, no code.
    const CodeGuide z = g.lookup("S93401Z");
    EXPECT_FALSE(z.found);
    EXPECT_EQ(z.problem, "找不到代碼 S93.401Z：S93 類目的第 7 碼表沒有「Z」。");
    const CodeGuide s = g.lookup("S93401S");
    EXPECT_TRUE(s.found);
    EXPECT_FALSE(s.exists);
    EXPECT_EQ(s.problem, "S93.401S 不是本版（2023 年版）的代碼：順序檔沒有這個組合。");
    EXPECT_EQ(g.lookup("H54000A").problem, "找不到代碼 H54.000A。");
    EXPECT_EQ(g.lookup("H540XXA").problem, "找不到代碼 H54.0XXA：H54.0 沒有第 7 碼表。");
    EXPECT_EQ(g.lookup("Q99").problem, "找不到代碼 Q99。");
    EXPECT_EQ(g.lookup("  ").problem, "請輸入代碼。");
}

TEST_F(SmallGuideTest, codesNamedInNotesAreLinksToWhatTheTabularHolds) {
    const CodeGuide c = g.lookup("S93.401");
    std::vector<std::string> links;
    for (const NoteGroup& group : c.notes)
        for (const Note& n : group.notes)
            for (const NoteLink& l : n.links)
                links.push_back(n.text.substr(l.begin, l.length) + "=" + l.target);
    // S96.-, S86.0-, T20-T32 and P10-P15 are not in this small tabular.
    EXPECT_EQ(links, V({"S93.1-=S93.1"}));
    EXPECT_EQ(g.lookup("H54").notes.at(0).kind, NoteKind::VisualImpairment);
}

TEST_F(SmallGuideTest, aPairIsForbiddenByAnExcludes1AndAllowedByAnExcludes2AtAnyLevel) {
    const PairCheck forbidden = g.checkPair("S93.401A", "S93.1");
    EXPECT_EQ(forbidden.verdict, PairCheck::Verdict::Forbidden);
    ASSERT_EQ(forbidden.excludes1.size(), 1u);
    EXPECT_EQ(forbidden.excludes1[0].from.code, "S93.40");
    EXPECT_EQ(forbidden.excludes1[0].reference, "S93.1-");
    EXPECT_EQ(
        PairSummary(forbidden),
        "不可同時編碼：S93.401A 的排除一註記（S93.40 次類目）「dislocation of toe (S93.1-)」涵蓋 S93.1。");
    // Either order: the note of the other code counts as well.
    EXPECT_EQ(g.checkPair("S93.1", "S93401A").verdict, PairCheck::Verdict::Forbidden);
    const PairCheck allowed = g.checkPair("T15.01XA", "S93.1");
    EXPECT_EQ(allowed.verdict, PairCheck::Verdict::Allowed);
    EXPECT_EQ(PairSummary(allowed), "可以同時編碼（兩種情況並存時）：S93.1 的排除二註記（S93.1 代碼）"
                                    "「foreign body in cornea (T15.0-)」涵蓋 T15.01XA。");
    const PairCheck none = g.checkPair("T15.01XA", "S93.401A"); // S90-S99 excludes2 T20-T32: not T15
    EXPECT_EQ(none.verdict, PairCheck::Verdict::NoNote);
    EXPECT_EQ(PairSummary(none), "T15.01XA 與 S93.401A 的排除註記都沒有提到對方。");
    EXPECT_EQ(g.checkPair("S93.1", "Q99").problem, "找不到代碼 Q99。");
    EXPECT_EQ(g.checkPair("S93.1", "S90-S99").problem, "S90-S99 節不是代碼；請輸入兩個代碼。");
}

TEST_F(SmallGuideTest, theIndexIsSearchedByTheBeginningsOfWordsInAnyOrder) {
    const V sprainAnkle = {
        "Sprain (joint) (ligament) \u203A ankle \u2192 S93.40-",
        "Sprain (joint) (ligament) \u203A ankle \u203A vein (peripheral) NEC \u2192 S93.401"};
    EXPECT_EQ(Found("sprain ankle"), sprainAnkle);
    EXPECT_EQ(Found("ANK spr"), sprainAnkle);
    EXPECT_EQ(Found("peripheral"), V({sprainAnkle[1]})); // modifiers are words of the term too
    EXPECT_EQ(Found("amyloid"), V({"Amyloid heart (disease) \u2192 H54.0 [S93.1]"}));
    EXPECT_EQ(Found("abdominal"), V({"Abdomen, abdominal \u2014 see also condition",
                                     "Abdomen, abdominal \u203A acute \u2192 S93.40-"}));
    // Terms under a main term that a typed word begins come first.
    EXPECT_EQ(Found("ankle"), V({"Ankle \u2014 see Sprain, ankle", sprainAnkle[0], sprainAnkle[1]}));
    EXPECT_TRUE(Found("ankle sprainx").empty());
    EXPECT_TRUE(Found("  , ").empty());
    EXPECT_EQ(g.index().termCount(), 8u);

    // "see" names a term by its path; a title may hold a comma itself.
    const SeeTarget ankle = g.index().resolve("Sprain, ankle");
    EXPECT_TRUE(ankle.complete);
    EXPECT_EQ(g.index().entry(ankle.term).pathText(), "Sprain (joint) (ligament) \u203A ankle");
    const SeeTarget abdomen = g.index().resolve("Abdomen, abdominal, acute");
    EXPECT_TRUE(abdomen.complete);
    EXPECT_EQ(g.index().entry(abdomen.term).code, "S93.40-");
    const SeeTarget strain = g.index().resolve("Sprain, Achilles tendon, torn");
    EXPECT_FALSE(strain.complete); // only its first levels exist
    EXPECT_EQ(g.index().entry(strain.term).pathText(), "Sprain (joint) (ligament) \u203A Achilles tendon");
    EXPECT_EQ(g.index().resolve("condition").term, 0);
}

TEST(GuideReader, aMissingDamagedOrForeignGuideIsReportedAndNothingBreaks) {
    testsupport::TempDir dir;
    Guide g;
    const std::string missing = dir.file("icd10cm_guide_2023.db");
    EXPECT_EQ(g.open(missing), "找不到編碼指引檔：" + missing +
                                   "。編碼指引（各代碼的註記與索引）無法顯示，其他功能照常使用。");
    EXPECT_FALSE(g.isOpen());
    EXPECT_EQ(g.lookup("S93401A").problem, g.problem());
    EXPECT_EQ(g.checkPair("S93401A", "S931").problem, g.problem());
    EXPECT_THROW(g.index(), db::Error);

    testsupport::WriteFile(missing, std::string(8192, 'x'));
    EXPECT_EQ(g.open(missing).rfind("編碼指引檔已損壞，無法使用：" + missing, 0), 0u) << g.problem();
    EXPECT_FALSE(g.lookup("S93401A").found);

    // A database that is not a guide, and a guide of another format.
    std::filesystem::remove(missing);
    {
        db::Connection c;
        c.open(missing, true);
        c.exec("CREATE TABLE ICD10 (ICD10_NO TEXT)");
    }
    EXPECT_EQ(g.open(missing).rfind("編碼指引檔的格式不符：" + missing, 0), 0u) << g.problem();
    {
        db::Connection c;
        c.open(missing);
        c.exec(std::string("DROP TABLE ICD10;") + GuideSchema() +
               "INSERT INTO guide_info VALUES ('format', '0')");
    }
    EXPECT_NE(g.open(missing).find("格式 0，本程式需要格式 1"), std::string::npos) << g.problem();

    // A guide cut short: it may open, but a lookup never crashes.
    guidetest::SmallGuide small;
    small.build();
    const std::string bytes = testsupport::ReadFile(small.path());
    testsupport::WriteFile(small.path(), bytes.substr(0, bytes.size() / 3));
    if (g.open(small.path()).empty()) {
        const CodeGuide c = g.lookup("S93401A");
        EXPECT_TRUE(c.found || !c.problem.empty());
    }
}
