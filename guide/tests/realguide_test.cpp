// The real guide, built by the build from the official files in
// data/official: its counts are the release's, every code is found, and the
// notes, tables and index entries a coder relies on are there.
#include <algorithm>
#include <set>

#include "codes/coderules.h"
#include "db/connection.h"
#include "db/statement.h"
#include "guidetestsupport.h"

using namespace guide;

namespace {

// One guide for every test of this file.
class RealGuide : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_guide = new Guide;
        s_problem = s_guide->open(guidetest::RealGuidePath());
    }
    static void TearDownTestSuite() {
        delete s_guide;
        s_guide = nullptr;
    }
    void SetUp() override { ASSERT_EQ(s_problem, "") << "the build makes the guide (target guide_db)"; }

    static std::vector<std::string> NotesOf(const CodeGuide& c, NoteKind kind, const std::string& level) {
        std::vector<std::string> out;
        for (const NoteGroup& g : c.notes)
            if (g.kind == kind)
                for (const Note& n : g.notes)
                    if (n.from.code == level) out.push_back(n.text);
        return out;
    }
    static bool Has(const std::vector<std::string>& v, const std::string& text) {
        return std::find(v.begin(), v.end(), text) != v.end();
    }

    static Guide* s_guide;
    static std::string s_problem;
};

Guide* RealGuide::s_guide = nullptr;
std::string RealGuide::s_problem;

} // namespace

// The counts of the release (the reference data's table), each from the guide.
TEST_F(RealGuide, holdsEveryElementOfTheRelease) {
    db::Connection c;
    c.openReadOnly(guidetest::RealGuidePath());
    const ImportCounts n = CountGuide(c);
    EXPECT_EQ(n.chapters, 22);
    EXPECT_EQ(n.sections, 296);
    EXPECT_EQ(n.diags, 45869);
    EXPECT_EQ(n.includes, 415);
    EXPECT_EQ(n.inclusionTerm, 6524);
    EXPECT_EQ(n.excludes1, 2627);
    EXPECT_EQ(n.excludes2, 1087);
    EXPECT_EQ(n.codeFirst, 339);
    EXPECT_EQ(n.useAdditionalCode, 802);
    EXPECT_EQ(n.codeAlso, 248);
    EXPECT_EQ(n.notes, 85);
    EXPECT_EQ(n.sevenChrDef, 507);
    EXPECT_EQ(n.sevenChrNote, 507);
    EXPECT_EQ(n.seventhTableNotes, 8);
    EXPECT_EQ(n.mainTerms, 8060);
    EXPECT_EQ(n.subTerms, 72058);
    EXPECT_EQ(n.codes, 61983);
    EXPECT_EQ(n.see, 12077);
    EXPECT_EQ(n.seeAlso, 1997);
    EXPECT_EQ(n.nemod, 12493);
    EXPECT_EQ(n.manif, 760);
    EXPECT_EQ(n.orderCodes, 96745);
    EXPECT_EQ(n.billable, 73639);
    EXPECT_EQ(db::QueryCount(c, "SELECT count(*) FROM node WHERE kind = 'diag' AND title = ''"), 0);
}

// Every <name> of the tabular XML (read apart from the importer's parser) is
// a node of the guide, and every code of the order file is found, its
// 7th-character combinations included.
TEST_F(RealGuide, everyTabularAndOrderFileCodeIsFound) {
    std::unique_ptr<ByteSource> in =
        OpenSource(std::string(ICD_SOURCE_DIR) + "/data/official/icd10cm/icd10cm_tabular_2023.xml.xz");
    std::string xml;
    char buf[1 << 16];
    for (std::size_t n; (n = in->read(buf, sizeof buf)) > 0;)
        xml.append(buf, n);
    std::set<std::string> names;
    for (std::size_t at = xml.find("<name>"); at != std::string::npos; at = xml.find("<name>", at + 1))
        names.insert(xml.substr(at + 6, xml.find("</name>", at) - at - 6));
    std::set<std::string> nodes;
    db::Connection c;
    c.openReadOnly(guidetest::RealGuidePath());
    db::Statement all(c, "SELECT code FROM node WHERE kind <> 'section'");
    while (all.step())
        nodes.insert(all.column(0));
    EXPECT_EQ(names.size(), 45869u + 22u);
    EXPECT_EQ(names, nodes);

    // Each is found where the tabular puts it.
    for (const std::string& code : names) {
        if (code.size() < 3) continue; // a chapter's number
        const CodeGuide g = s_guide->locate(code);
        ASSERT_TRUE(g.found && g.exists) << code << ": " << g.problem;
        ASSERT_EQ(g.path.back().code, code);
    }
    // The order file's codes with a 7th character (every 7th of them), found
    // through their tabular code and 7th-character table.
    db::Statement order(c, "SELECT code, billable FROM code WHERE length(code) = 7 AND code NOT IN "
                           "(SELECT key FROM node) ORDER BY code");
    long n = 0;
    while (order.step()) {
        if (n++ % 7) continue;
        const std::string code = order.column(0);
        const CodeGuide g = s_guide->locate(code);
        ASSERT_TRUE(g.found && g.exists) << code << ": " << g.problem;
        ASSERT_EQ(g.path.back().code, codes::DottedICD10Code(code));
        ASSERT_EQ(g.billable, order.columnInt(1) == 1) << code;
    }
    EXPECT_GT(n, 25000);
}

TEST_F(RealGuide, aCodeShowsTheNotesOfEveryLevelAboveIt) {
    // S93401A: S93's includes and code-also notes, and its A/D/S table with A marked.
    const CodeGuide s = s_guide->lookup("S93401A");
    ASSERT_TRUE(s.found) << s.problem;
    EXPECT_EQ(s.path.front().code, "19");
    EXPECT_EQ(s.path[1].code, "S90-S99");
    EXPECT_EQ(s.path.back().title, "Sprain of unspecified ligament of right ankle, initial encounter");
    EXPECT_TRUE(
        Has(NotesOf(s, NoteKind::Includes, "S93"), "avulsion of joint or ligament of ankle, foot and toe"));
    EXPECT_TRUE(Has(NotesOf(s, NoteKind::CodeAlso, "S93"), "any associated open wound"));
    ASSERT_TRUE(s.seventh);
    EXPECT_EQ(s.seventh->from.code, "S93");
    std::string table;
    for (const SeventhEntry& e : s.seventh->entries)
        table += e.character + (e.selected ? "*" : "") + " ";
    EXPECT_EQ(table, "A* D S ");
    // The chapter's own notes reach it too.
    EXPECT_FALSE(NotesOf(s, NoteKind::Notes, "19").empty());
    EXPECT_TRUE(Has(NotesOf(s, NoteKind::Excludes1, "19"), "birth trauma (P10-P15)"));
    EXPECT_TRUE(
        Has(NotesOf(s_guide->lookup("T15.01XA"), NoteKind::Excludes1, "19"), "birth trauma (P10-P15)"));

    // M54.50: M54.5's excludes1.
    const CodeGuide m = s_guide->lookup("M54.50");
    ASSERT_TRUE(m.found) << m.problem;
    EXPECT_TRUE(m.billable);
    EXPECT_FALSE(NotesOf(m, NoteKind::Excludes1, "M54.5").empty());
    EXPECT_FALSE(m.seventh);
}

TEST_F(RealGuide, theNotesInsideEightSeventhCharacterTablesAreKept) {
    const std::vector<std::pair<const char*, const char*>> tables = {
        {"H34.811", "Old central retinal vein occlusion"},
        {"H34.831", "Old tributary (branch) retinal vein occlusion"},
        {"H35.311", "advanced dry stage"},
        {"H35.321", "with involuted or regressed neovascularization"},
        {"S52.001", "initial encounter for open fracture NOS"},
        {"S72.001", "initial encounter for open fracture NOS"},
        {"S82.001", "initial encounter for open fracture NOS"},
        {"W08", "Fall from stool"}};
    for (const auto& [code, note] : tables) {
        SCOPED_TRACE(code);
        const CodeGuide g = s_guide->lookup(code);
        ASSERT_TRUE(g.seventh);
        const auto& e = g.seventh->entries;
        const auto at =
            std::find_if(e.begin(), e.end(), [](const SeventhEntry& x) { return x.character.empty(); });
        ASSERT_NE(at, e.end());
        EXPECT_EQ(at->text, note);
        EXPECT_NE(at, e.begin()); // under the line it belongs to
    }
}

TEST_F(RealGuide, theIndexLeadsToTheCodes) {
    IndexSearch& index = s_guide->index();
    EXPECT_EQ(index.termCount(), 80118u);
    auto first = [&](const std::string& typed) {
        const std::vector<long> hits = index.find(typed);
        return hits.empty() ? std::string() : index.entry(hits.front()).text();
    };
    EXPECT_EQ(first("sprain ankle"), "Sprain (joint) (ligament) \u203A ankle \u2192 S93.40-");
    EXPECT_EQ(first("Ankle Sprain"), first("sprain ankle"));
    bool deltoid = false;
    for (long id : index.find("sprain ankle deltoid"))
        deltoid =
            deltoid || index.entry(id).text() ==
                           "Sprain (joint) (ligament) \u203A ankle \u203A deltoid ligament \u2192 S93.42-";
    EXPECT_TRUE(deltoid);
    const std::vector<long> back = index.find("pain low back");
    ASSERT_FALSE(back.empty());
    const IndexEntry lowBack = index.entry(back.front());
    EXPECT_EQ(lowBack.path.back(), "low back");
    EXPECT_EQ(lowBack.code, "M54.50");
    EXPECT_EQ(s_guide->lookup(lowBack.code).code, "M54.50");

    // "see" leads to the term it names.
    const std::vector<long> abdominalgia = index.find("abdominalgia");
    ASSERT_EQ(abdominalgia.size(), 1u);
    const IndexEntry e = index.entry(abdominalgia.front());
    EXPECT_EQ(e.see, "Pain, abdominal");
    const SeeTarget to = index.resolve(e.see);
    EXPECT_TRUE(to.complete);
    EXPECT_EQ(index.entry(to.term).pathText(), "Pain(s) \u203A abdominal");
    // References name terms by a part of their title, without NEC, in the plural.
    auto resolved = [&](const std::string& reference) {
        const SeeTarget t = index.resolve(reference);
        return (t.complete ? "" : "(partly) ") + index.entry(t.term).pathText();
    };
    EXPECT_EQ(resolved("Disease, heart"), "Disease, diseased \u203A heart (organic)");
    EXPECT_EQ(resolved("Complications, vaccination"), "Complication(s) (from) (of) \u203A vaccination");
    EXPECT_EQ(resolved("Infarct, myocardium").rfind("Infarct, infarction \u203A myocardium, myocardial", 0),
              0u);
    EXPECT_EQ(resolved("Hydronephrosis").rfind("Hydronephrosis (atrophic)", 0), 0u);
    EXPECT_EQ(resolved("Neoplasm, malignant, by site"),
              "(partly) Neoplasm, neoplastic"); // the table is apart
    EXPECT_EQ(index.resolve("Table of Drugs and Chemicals").term, 0);
    EXPECT_EQ(first("spr"), "Sprain (joint) (ligament)"); // main terms the word begins come first

    // Every code the index names is a tabular code, but for the release's own faults.
    EXPECT_EQ(
        s_guide->unresolvedIndexCodes(),
        std::vector<std::string>(
            {"E34.828 (Short, shortening, shortness \u203A stature (child) (hereditary) (idiopathic) NEC "
             "\u203A "
             "due to \u203A genetic causes \u203A ACAN gene variant)",
             "E34.828 (Short, shortening, shortness \u203A stature (child) (hereditary) (idiopathic) NEC "
             "\u203A "
             "due to \u203A genetic causes \u203A aggrecan deficiency)",
             "E34.828 (Short, shortening, shortness \u203A stature (child) (hereditary) (idiopathic) NEC "
             "\u203A "
             "due to \u203A genetic causes \u203A NPR-2 gene variant)",
             "E34.828 (Short, shortening, shortness \u203A stature (child) (hereditary) (idiopathic) NEC "
             "\u203A "
             "due to \u203A genetic causes \u203A specified genetic cause NEC)",
             "[SCFE] (Slipped, slipping \u203A epiphysis (traumatic) \u203A capital femoral (traumatic))"}));
    const CodeGuide missing = s_guide->lookup("E34.828");
    EXPECT_FALSE(missing.found);
    EXPECT_EQ(missing.problem, "找不到代碼 E34.828。");
}

TEST_F(RealGuide, pairsAreCheckedAgainstTheExcludesNotesOfEveryLevel) {
    // M54.5 Low back pain: Excludes1 low back strain (S39.012), sciatica (M54.3-) ...
    const PairCheck forbidden = s_guide->checkPair("M54.50", "S39.012A");
    EXPECT_EQ(forbidden.verdict, PairCheck::Verdict::Forbidden) << PairSummary(forbidden);
    ASSERT_FALSE(forbidden.excludes1.empty());
    EXPECT_EQ(forbidden.excludes1[0].from.code, "M54.5");
    // S93 Excludes2 strain of muscle and tendon of ankle and foot (S96.-): both may be coded.
    const PairCheck allowed = s_guide->checkPair("S93.401A", "S96.011A");
    EXPECT_EQ(allowed.verdict, PairCheck::Verdict::Allowed) << PairSummary(allowed);
    EXPECT_EQ(allowed.excludes2.at(0).from.code, "S93");
    // The note of a chapter counts too: chapter 13 Excludes2 injury ... (S00-T88).
    const PairCheck chapter = s_guide->checkPair("S93.401A", "M54.50");
    EXPECT_EQ(chapter.verdict, PairCheck::Verdict::Allowed) << PairSummary(chapter);
    EXPECT_EQ(chapter.excludes2.at(0).from.code, "13");
    EXPECT_EQ(chapter.excludes2.at(0).reference, "S00-T88");
    EXPECT_EQ(s_guide->checkPair("M54.50", "I10").verdict, PairCheck::Verdict::NoNote);
}
