// Checks the bundled sample database (<build>/bin/icd10_2023.mdb, built from
// data/schema.sql and data/sample/*.sql) against what the windows rely on: every
// outline block has categories, the code levels hang together, the finest-code
// flags, episode names, sides, body parts and kinds of injury that the search
// offers all find codes, the ICD-9 tables lead to codes that exist, and the
// stored ranking bands are the ones the ranking builder makes.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "codes/coderules.h"
#include "db/connection.h"
#include "db/query.h"
#include "outline/outlinetexts.h"
#include "search/ranking.h"
#include "search/statement.h"
#include "testsupport/testsupport.h"
#include "text/text.h"

namespace fs = std::filesystem;

namespace {

fs::path SamplePath() {
    return fs::path(ICD_BINARY_DIR) / "bin" / "icd10_2023.mdb";
}

struct Row {
    std::string no, cname, ename, flag, flag2023, new2023, ranking;
};

bool IsIcd11(const std::string& code) {
    return code.size() >= 3 && code[0] == 'S' && code[1] >= 'A' && code[1] <= 'Z';
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool StartsWith(const std::string& s, const std::string& head) {
    return s.rfind(head, 0) == 0;
}

// ICD-9-CM in its dotted form: "724", "724.2", "845.00", "V70.0"; the external
// causes have four characters before the dot ("E924", "E924.0").
bool IsDottedIcd9(const std::string& code) {
    const std::size_t head = (!code.empty() && code[0] == 'E') ? 4 : 3;
    if (code.size() < head) return false;
    if (code.size() == head) return true;
    return code[head] == '.' && code.size() > head + 1 && code.size() <= head + 3 &&
           code.find('.', head + 1) == std::string::npos;
}

class SampleDb : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!fs::exists(SamplePath())) return;
        s_conn = new db::Connection;
        s_conn->open(SamplePath().string());
        db::Query q(*s_conn);
        q.setText("SELECT * FROM ICD10 ORDER BY ICD10_NO");
        for (q.open(); !q.eof(); q.next())
            s_rows.push_back({q.field("ICD10_NO"), q.field("ICD10_CNAME"), q.field("ICD10_ENAME"),
                              q.field("ICD10_FLAG"), q.field("ICD10_2023FLAG"), q.field("ICD10_2023NEW"),
                              q.field("ICD10_RANKING")});
        for (const Row& r : s_rows)
            s_codes.insert(r.no);
    }
    static void TearDownTestSuite() {
        delete s_conn;
        s_conn = nullptr;
        s_rows.clear();
        s_codes.clear();
    }
    void SetUp() override {
        if (!s_conn) GTEST_SKIP() << "the sample database has not been built at " << SamplePath();
    }

    static std::vector<std::string> Column(const std::string& sql, const std::string& column) {
        std::vector<std::string> out;
        db::Query q(*s_conn);
        q.setText(sql);
        for (q.open(); !q.eof(); q.next())
            out.push_back(q.field(column));
        return out;
    }

    // The codes the search window lists for these criteria.
    static std::vector<std::string> Search(const search::Criteria& c) {
        db::Query result(*s_conn), aux(*s_conn);
        std::vector<std::string> out;
        if (!search::RunSearch(c, result, aux)) return out;
        for (; !result.eof(); result.next())
            out.push_back(result.field("ICD10_NO"));
        return out;
    }

    static bool HasChildren(const std::string& code) {
        auto it = s_codes.upper_bound(code);
        return it != s_codes.end() && StartsWith(*it, code);
    }

    static inline db::Connection* s_conn = nullptr;
    static inline std::vector<Row> s_rows;
    static inline std::set<std::string> s_codes;
};

// The ranges of an outline text, with the level of each line.
std::vector<std::pair<std::string, std::string>> OutlineRanges(const std::vector<std::string>& lines) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const std::string& line : lines) {
        const std::string t = text::Trim(line);
        out.emplace_back(t.substr(0, 3), t.substr(4, 3));
    }
    return out;
}

} // namespace

TEST_F(SampleDb, holdsEnoughCodesOfEveryKind) {
    int icd10cm = 0, icd11 = 0;
    for (const Row& r : s_rows)
        (IsIcd11(r.no) ? icd11 : icd10cm)++;
    EXPECT_GE(icd10cm, 600);
    EXPECT_GE(icd11, 100);
    EXPECT_GE(Column("SELECT * FROM CM", "ICD9_NO").size(), 150u);
    EXPECT_GE(Column("SELECT * FROM ICD9", "ICD9_NO").size(), 150u);
    EXPECT_GE(Column("SELECT * FROM btbindn", "IND_CODE").size(), 60u);
}

TEST_F(SampleDb, codesAreUniqueUndottedAndThreeToSevenCharacters) {
    std::set<std::string> upper;
    for (const Row& r : s_rows) {
        EXPECT_TRUE(r.no.size() >= 3 && r.no.size() <= 7) << r.no;
        for (char ch : r.no)
            EXPECT_TRUE((ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'Z')) << r.no;
        EXPECT_TRUE(upper.insert(r.no).second) << "repeated code " << r.no;
    }
}

TEST_F(SampleDb, everyOutlineBlockListsCategories) {
    // The browsers list a block's categories with this statement; ICD-10-CM
    // itself has no codes in U80-U89, so that block is the one left empty.
    for (bool icd11 : {false, true}) {
        for (const auto& [lo, hi] : OutlineRanges(outline::OutlineTextLines(icd11))) {
            if (lo == "U80") continue;
            const auto cats = Column("SELECT * FROM ICD10 WHERE ICD10_NO >= '" + lo + "' AND ICD10_NO<='" +
                                         hi + "' AND LEN(ICD10_NO)=3 ORDER BY ICD10_NO",
                                     "ICD10_NO");
            EXPECT_FALSE(cats.empty()) << "no category in " << lo << "-" << hi;
        }
    }
}

TEST_F(SampleDb, everySubdivisionHangsUnderAnExistingCode) {
    // A 7th character after placeholder X's hangs under the code before the X's
    // (S134XXA under S134), as it does in the classification.
    for (const Row& r : s_rows) {
        if (r.no.size() < 4) continue;
        std::string parent = r.no.substr(0, r.no.size() - 1);
        while (!s_codes.count(parent) && parent.size() > 3 && parent.back() == 'X')
            parent.pop_back();
        EXPECT_TRUE(s_codes.count(parent)) << r.no << " has no parent";
    }
}

TEST_F(SampleDb, finestFlagMarksExactlyTheCodesWithoutChildren) {
    int deleted = 0;
    for (const Row& r : s_rows) {
        ASSERT_TRUE(r.flag == "Y" || r.flag == "N") << r.no << " flag '" << r.flag << "'";
        if (HasChildren(r.no)) {
            EXPECT_EQ(r.flag, "N") << r.no << " has children but is marked finest";
        } else if (r.flag2023 == "D") {
            // Deleted in 2023: no longer a code to hand off.
            EXPECT_EQ(r.flag, "N") << r.no;
            ++deleted;
        } else {
            EXPECT_EQ(r.flag, "Y") << r.no << " has no children but is not marked finest";
        }
    }
    EXPECT_GT(deleted, 0);
}

TEST_F(SampleDb, someCodesSkipALevelSoTheSubtreeRetriesLongerLengths) {
    // S93.01 (subluxation of the right ankle) has only 7-character children.
    auto under = [](const std::string& p, std::size_t n) {
        return Column("SELECT * FROM ICD10 WHERE ICD10_NO LIKE '" + p +
                          "%' AND len(ICD10_NO)=" + std::to_string(n) + " ORDER BY ICD10_NO",
                      "ICD10_NO");
    };
    EXPECT_TRUE(under("S9301", 6).empty());
    EXPECT_EQ(under("S9301", 7), (std::vector<std::string>{"S9301XA", "S9301XD", "S9301XS"}));
    int skipping = 0;
    for (const Row& r : s_rows)
        if (HasChildren(r.no) && under(r.no, r.no.size() + 1).empty()) ++skipping;
    EXPECT_GE(skipping, 10);
}

TEST_F(SampleDb, episodeCodesCarryTheirEpisodeWords) {
    const std::map<codes::Episode, std::string> words = {{codes::Episode::Initial, "初期照護"},
                                                         {codes::Episode::Subsequent, "後續照護"},
                                                         {codes::Episode::Sequela, "後遺症"}};
    std::map<char, int> seen;
    for (const Row& r : s_rows) {
        if (r.no.size() != 7 || IsIcd11(r.no)) continue;
        const codes::Episode episode = codes::EpisodeOfSeventh(r.no[6]);
        if (episode == codes::Episode::None) continue;
        EXPECT_TRUE(EndsWith(r.cname, words.at(episode))) << r.no << " " << r.cname;
        ++seen[r.no[6]];
    }
    EXPECT_GE(seen['A'], 50);
    EXPECT_EQ(seen['A'], seen['D']);
    EXPECT_EQ(seen['A'], seen['S']);
    // Fractures: open fractures at the first encounter, delayed healing,
    // nonunion and malunion later.
    for (char c : std::string("BCGKP"))
        EXPECT_GE(seen[c], 1) << c;
    for (int episode = 1; episode <= 3; ++episode) {
        search::Criteria c;
        c.episode = episode;
        EXPECT_GE(Search(c).size(), 50u) << "episode " << episode;
    }
}

TEST_F(SampleDb, namesAreFilledAndFitBig5) {
    for (const Row& r : s_rows) {
        EXPECT_FALSE(r.cname.empty()) << r.no;
        EXPECT_FALSE(r.ename.empty()) << r.no;
        std::string big5;
        EXPECT_TRUE(text::ToCp950(r.cname, big5))
            << r.no << " name has a character outside Big5: " << r.cname;
        EXPECT_LE(text::Cp950Length(r.cname), 255u) << r.no;
        EXPECT_LE(r.ename.size(), 255u) << r.no;
        EXPECT_EQ(r.cname, text::Trim(r.cname)) << r.no;
    }
}

TEST_F(SampleDb, theWorkedSearchExampleFindsTheLeftAnkleSprains) {
    search::Criteria c;
    c.icd10Code = "S93.4";
    c.side = 1;
    c.episode = 1;
    EXPECT_EQ(Search(c), (std::vector<std::string>{"S93402A", "S93412A", "S93422A", "S93432A", "S93492A"}));
}

TEST_F(SampleDb, everySideDominanceBodyPartAndInjuryFindsCodes) {
    for (int side = 1; side <= 3; ++side) {
        search::Criteria c;
        c.side = side;
        EXPECT_FALSE(Search(c).empty()) << "side " << side;
        for (int dominant = 1; dominant <= 2 && side < 3; ++dominant) {
            c.dominant = dominant;
            const auto found = Search(c);
            EXPECT_GE(found.size(), 4u) << "side " << side << " dominant " << dominant;
        }
    }
    // 雙側 and 兩側 both occur.
    EXPECT_FALSE(Column("SELECT * FROM ICD10 WHERE ICD10_CNAME LIKE '%兩側%'", "ICD10_NO").empty());
    EXPECT_FALSE(Column("SELECT * FROM ICD10 WHERE ICD10_CNAME LIKE '%雙側%'", "ICD10_NO").empty());
    const auto& parts = search::ChoiceCriterionOf(&search::Criteria::bodyPart).items;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        search::Criteria c;
        c.bodyPart = static_cast<int>(i);
        EXPECT_FALSE(Search(c).empty()) << "body part " << parts[i];
    }
    const auto& injuries = search::ChoiceCriterionOf(&search::Criteria::injury).items;
    for (std::size_t i = 1; i < injuries.size(); ++i) {
        search::Criteria c;
        c.injury = static_cast<int>(i);
        EXPECT_FALSE(Search(c).empty()) << "kind of injury " << injuries[i];
    }
}

TEST_F(SampleDb, dominanceFollowsThePatientsHand) {
    // Left-handed patient, left side: the left dominant codes, never a nondominant one.
    search::Criteria c;
    c.side = 1;
    c.dominant = 1;
    for (const std::string& code : Search(c)) {
        const auto name = Column("SELECT * FROM ICD10 WHERE ICD10_NO='" + code + "'", "ICD10_CNAME").at(0);
        EXPECT_EQ(name.find("非優勢側"), std::string::npos) << code;
        EXPECT_NE(name.find("優勢側"), std::string::npos) << code;
    }
    const auto found = Search(c);
    EXPECT_NE(std::find(found.begin(), found.end(), "G8112"), found.end());
}

TEST_F(SampleDb, bothSexListsFindCodes) {
    for (int sex = 1; sex <= 2; ++sex) {
        search::Criteria c;
        c.sex = sex;
        EXPECT_GE(Search(c).size(), 20u) << "sex " << sex;
    }
    search::Criteria female;
    female.sex = 2;
    const auto found = Search(female);
    for (const char* code : {"O9A211", "Z3A01"}) // they sort after O99 and Z39
        EXPECT_NE(std::find(found.begin(), found.end(), code), found.end()) << code;
    EXPECT_EQ(std::find(found.begin(), found.end(), "Z370"), found.end());
}

TEST_F(SampleDb, laterCareOfAFracture_findsEveryLaterCareCode) {
    search::Criteria c;
    c.icd10Code = "S52.52";
    c.episode = 2;
    c.injury = 7; // 骨折
    EXPECT_EQ(Search(c), (std::vector<std::string>{"S52521D", "S52521G", "S52521K", "S52521P", "S52522D",
                                                   "S52522G", "S52522K", "S52522P"}));
    c.icd10Code = "S52509";
    c.episode = 1;
    EXPECT_EQ(Search(c), (std::vector<std::string>{"S52509A", "S52509B", "S52509C"}));
}

TEST_F(SampleDb, the2023ChangesAreMarked) {
    std::map<std::string, int> marks;
    for (const Row& r : s_rows) {
        EXPECT_TRUE(r.flag2023.empty() || r.flag2023 == "D" || r.flag2023 == "X") << r.no;
        EXPECT_TRUE(r.new2023.empty() || r.new2023 == "Y") << r.no;
        if (!r.flag2023.empty()) ++marks[r.flag2023];
        if (!r.new2023.empty()) ++marks["Y"];
        // A code disabled in 2023 became a heading: its new codes are below it.
        if (r.flag2023 == "X") {
            EXPECT_TRUE(HasChildren(r.no)) << r.no;
        }
    }
    EXPECT_GE(marks["D"], 3);
    EXPECT_GE(marks["X"], 3);
    EXPECT_GE(marks["Y"], 10);
    search::Criteria c;
    c.differences2023 = true;
    EXPECT_EQ(Search(c).size(), static_cast<std::size_t>(marks["D"] + marks["X"] + marks["Y"]));
}

TEST_F(SampleDb, finestCodesFilterFindsOnlyFlaggedCodes) {
    search::Criteria c;
    c.icd10Code = "M25.5";
    c.finest = 1;
    const auto found = Search(c);
    EXPECT_GE(found.size(), 20u);
    EXPECT_EQ(std::count(found.begin(), found.end(), "M255"), 0);
}

TEST_F(SampleDb, icd9PairsLeadToExistingCodes) {
    db::Query q(*s_conn);
    q.setText("SELECT * FROM CM");
    std::set<std::string> icd9s;
    for (const std::string& no : Column("SELECT * FROM ICD9", "ICD9_NO"))
        icd9s.insert(no);
    bool episodeTarget = false;
    for (q.open(); !q.eof(); q.next()) {
        const std::string icd9 = q.field("ICD9_NO"), icd10 = q.field("ICD10_NO");
        EXPECT_TRUE(IsDottedIcd9(icd9)) << "ICD-9 code not in dotted form: " << icd9;
        EXPECT_TRUE(icd9s.count(icd9)) << icd9 << " has no name in ICD9";
        const std::string code = codes::NormalizeICD10Code(icd10);
        EXPECT_TRUE(icd10.size() <= 3 || icd10[3] == '.') << icd10;
        EXPECT_TRUE(s_codes.count(code)) << icd9 << " -> " << icd10 << " is not in ICD10";
        if (code.size() == 7 && code[6] == 'A') episodeTarget = true;
    }
    EXPECT_TRUE(episodeTarget);
    for (const std::string& no : icd9s)
        EXPECT_TRUE(IsDottedIcd9(no)) << no;
}

TEST_F(SampleDb, icd9SearchesTranslateToTheThreeEpisodes) {
    search::Criteria c;
    c.icd9Code = "84500";
    const auto found = Search(c);
    for (const char* code : {"S93401A", "S93401D", "S93401S", "S93402A", "S93402D", "S93402S"})
        EXPECT_NE(std::find(found.begin(), found.end(), code), found.end()) << code;
    search::Criteria byName;
    byName.icd9Name = "ankle sprain";
    const auto named = Search(byName);
    EXPECT_NE(std::find(named.begin(), named.end(), "S93401A"), named.end());

    // An open fracture stays an open fracture.
    search::Criteria open;
    open.icd9Code = "813.52";
    EXPECT_EQ(Search(open), (std::vector<std::string>{"S52509B", "S52509C"}));

    // A mistyped ICD-9 code with 女 lists nothing, not the whole female list.
    search::Criteria mistyped;
    mistyped.icd9Code = "8455";
    mistyped.sex = 2;
    EXPECT_THROW(Search(mistyped), search::NoIcd10ForIcd9);
}

TEST_F(SampleDb, usageRanksCoverBothBandsAndTheirEdge) {
    db::Query q(*s_conn);
    q.setText("SELECT * FROM btbindn");
    std::set<std::string> ranks;
    int top500 = 0, top1000 = 0;
    for (q.open(); !q.eof(); q.next()) {
        const std::string rank = q.field("IND_INFECT_CODE");
        ASSERT_EQ(rank.size(), 5u) << rank;
        for (char ch : rank)
            ASSERT_TRUE(ch >= '0' && ch <= '9') << rank;
        ranks.insert(rank);
        if (rank >= "00001" && rank <= "00500") ++top500;
        if (rank >= "00501" && rank <= "01000") ++top1000;
    }
    EXPECT_TRUE(ranks.count("00500"));
    EXPECT_TRUE(ranks.count("00501"));
    EXPECT_GE(top500, 20);
    EXPECT_GE(top1000, 10);
    // The lookups the builder falls back on: a 6-character code found only by
    // its 5-character prefix, one found only by its first 3 characters, and
    // one whose exact rows are all Z codes.
    auto cmRows = [](const std::string& where) {
        return Column("SELECT * FROM CM WHERE " + where, "ICD10_NO");
    };
    EXPECT_TRUE(cmRows("ICD9_NO LIKE '845.09%'").empty());
    EXPECT_FALSE(cmRows("ICD9_NO LIKE '845.0%'").empty());
    EXPECT_TRUE(cmRows("ICD9_NO LIKE '719.9%'").empty());
    EXPECT_FALSE(cmRows("ICD9_NO LIKE '719%'").empty());
    EXPECT_TRUE(cmRows("ICD9_NO='V70.0' AND ICD10_NO NOT LIKE 'Z%'").empty());
    EXPECT_FALSE(cmRows("ICD9_NO='V70.0'").empty());
    for (const char* code : {"845.09", "719.99", "V70.0"})
        EXPECT_FALSE(
            Column(std::string("SELECT * FROM btbindn WHERE IND_CODE='") + code + "'", "IND_CODE").empty())
            << code;
}

TEST_F(SampleDb, storedBandsAreWhatTheRankingBuilderMakes) {
    std::map<std::string, int> bands;
    std::map<std::string, std::string> stored;
    for (const Row& r : s_rows) {
        ++bands[r.ranking];
        stored[r.no] = r.ranking;
    }
    EXPECT_GE(bands[search::Top500Band], 20);
    EXPECT_GE(bands[search::Top1000Band], 10);
    EXPECT_EQ(bands.size(), 3u) << "only the two bands and empty";

    // Run the builder on a copy whose bands were cleared.
    testsupport::TempDir dir;
    const std::string copy = dir.file("icd10_2023.mdb");
    fs::copy_file(SamplePath(), copy);
    db::Connection c;
    c.open(copy);
    c.exec("UPDATE ICD10 SET ICD10_RANKING=''");
    search::BuildRanking(c);
    db::Query q(c);
    q.setText("SELECT * FROM ICD10");
    int compared = 0;
    for (q.open(); !q.eof(); q.next(), ++compared)
        EXPECT_EQ(q.field("ICD10_RANKING"), stored[q.field("ICD10_NO")]) << q.field("ICD10_NO");
    EXPECT_EQ(compared, static_cast<int>(s_rows.size()));

    search::Criteria top;
    top.ranking = 1;
    EXPECT_EQ(Search(top).size(), static_cast<std::size_t>(bands[search::Top500Band]));
    top.ranking = 2;
    EXPECT_EQ(Search(top).size(),
              static_cast<std::size_t>(bands[search::Top500Band] + bands[search::Top1000Band]));
}

TEST_F(SampleDb, traditionalMedicineGroupsHoldTheirCodes) {
    int groups = 0;
    for (const Row& r : s_rows) {
        if (!IsIcd11(r.no)) continue;
        if (r.no.size() == 3) {
            ++groups;
            EXPECT_TRUE(HasChildren(r.no)) << r.no;
            EXPECT_EQ(r.flag, "N") << r.no;
        }
        EXPECT_TRUE(r.no >= "SA0" && r.no < "SJ2") << r.no;
    }
    EXPECT_GE(groups, 60);
    // SB06 (edema disorders) is subdivided one level further.
    EXPECT_EQ(Column("SELECT * FROM ICD10 WHERE ICD10_NO LIKE 'SB06%' AND len(ICD10_NO)=5 ORDER BY ICD10_NO",
                     "ICD10_NO")
                  .size(),
              4u);
}

// Every column of data/schema.sql is described in the comment above its
// table's CREATE statement ("--   COLUMN  what it holds"), and no comment is
// inside a statement, where SQLite would keep it in every database file.
TEST(Schema, everyColumnIsDescribedAboveItsTableAndNoCommentIsStored) {
    const std::string schema = testsupport::SchemaSql();
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < schema.size();) {
        const std::size_t end = std::min(schema.find('\n', at), schema.size());
        lines.push_back(schema.substr(at, end - at));
        at = end + 1;
    }
    int tables = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!StartsWith(lines[i], "CREATE TABLE ")) continue;
        ++tables;
        std::string described; // the comment lines right above the statement
        for (std::size_t j = i; j > 0 && StartsWith(lines[j - 1], "--"); --j)
            described = lines[j - 1] + "\n" + described;
        const std::string table = lines[i].substr(13, lines[i].find(' ', 13) - 13);
        EXPECT_TRUE(StartsWith(described, "-- " + table + ":")) << table << " is not described";
        for (std::size_t c = i + 1; c < lines.size() && !StartsWith(lines[c], ")"); ++c) {
            const std::string column = text::Trim(lines[c]).substr(0, text::Trim(lines[c]).find(' '));
            EXPECT_NE(described.find("--   " + column + " "), std::string::npos)
                << table << "." << column << " is not described above CREATE TABLE " << table;
        }
    }
    EXPECT_EQ(tables, 4);

    if (!fs::exists(SamplePath()))
        GTEST_SKIP() << "the sample database has not been built at " << SamplePath();
    db::Connection sample;
    sample.open(SamplePath().string());
    db::Query stored(sample);
    stored.setText("SELECT name, sql FROM sqlite_master WHERE sql IS NOT NULL");
    int statements = 0;
    for (stored.open(); !stored.eof(); stored.next(), ++statements)
        EXPECT_EQ(stored.field("sql").find("--"), std::string::npos) << stored.field("name");
    EXPECT_GE(statements, 9);
}
