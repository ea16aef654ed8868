// Typed text that looks like statement syntax (quotes, wildcards, brackets,
// keywords, comment marks) or is very long, in every criterion of the search
// and in the tree's code key: it reaches the engine only as data. Each search
// either runs or fails with the engine's own message, and no table or row is
// ever changed.
#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <optional>
#include <set>

#include <gtest/gtest.h>

#include "db/query.h"
#include "reliability/tests/codedb.h"
#include "codes/coderules.h"
#include "search/statement.h"
#include "text/text.h"
#include "text/words.h"
#include "tree/treebuild.h"
#include "tree/treenode.h"

namespace {

using reliability::HostileTexts;

class HostileTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.file("icd10_2023.mdb");
        reliability::CreateCodeDb(path);
        conn.open(path);
        conn.exec("ALTER TABLE ICD10 ADD COLUMN ICD10_RANKING VARCHAR(6)");
        before = reliability::Fingerprint(conn);
    }
    // Runs the search; returns the error text ("" when it ran) and the codes found.
    std::string search(const search::Criteria& c, std::vector<std::string>* codes = nullptr) {
        db::Query result(conn), aux(conn);
        try {
            search::RunSearch(c, result, aux);
            for (; result.isOpen() && !result.eof(); result.next())
                if (codes) codes->push_back(result.field("ICD10_NO"));
            return {};
        } catch (const db::Error& e) {
            EXPECT_FALSE(std::string(e.what()).empty());
            EXPECT_FALSE(result.isOpen());
            return e.what();
        }
    }

    testsupport::TempDir dir;
    std::string path;
    db::Connection conn;
    std::string before;
};

// The engine's LIKE, written out: % any run of characters, _ one character,
// letters A-Z matching either case. Used to work out which rows a text should
// find when it is taken as data and nothing else.
bool Like(std::string_view s, std::string_view p) {
    auto charLen = [](std::string_view t, std::size_t i) {
        const unsigned char c = static_cast<unsigned char>(t[i]);
        std::size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return std::min(n, t.size() - i);
    };
    auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    std::size_t si = 0, pi = 0, starP = std::string_view::npos, starS = 0;
    while (si < s.size()) {
        if (pi < p.size() && p[pi] == '%') {
            starP = ++pi;
            starS = si;
        } else if (pi < p.size() && p[pi] == '_') {
            si += charLen(s, si);
            ++pi;
        } else if (pi < p.size() && fold(p[pi]) == fold(s[si])) {
            ++si;
            ++pi;
        } else if (starP != std::string_view::npos) {
            starS += charLen(s, starS);
            si = starS;
            pi = starP;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '%')
        ++pi;
    return pi == p.size();
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> out;
    std::size_t position = 1;
    for (std::string w; text::NextWord(text, ' ', position, w);)
        out.push_back(w);
    return out;
}

bool AllWordsIn(const std::string& value, const std::vector<std::string>& words) {
    for (const auto& w : words)
        if (!Like(value, "%" + w + "%")) return false;
    return true;
}

// Every row of a table, each column by name.
std::vector<std::map<std::string, std::string>> Rows(db::Connection& c, const std::string& table) {
    db::Query q(c);
    q.setText("SELECT * FROM " + table);
    std::vector<std::map<std::string, std::string>> out;
    for (q.open(); !q.eof(); q.next()) {
        std::map<std::string, std::string> row;
        for (const char* col :
             {"ICD10_NO", "ICD10_CNAME", "ICD10_ENAME", "ICD9_NO", "ICD9_NAME", "ICD9_NAME2"})
            if (q.hasField(col)) row[col] = q.field(col);
        out.push_back(row);
    }
    return out;
}

// The codes a text in one box finds when it is taken as data: worked out from
// the rows themselves, without the engine. nullopt: the box adds no condition.
std::optional<std::vector<std::string>> ExpectedCodes(db::Connection& c, std::string search::Criteria::*field,
                                                      const std::string& text) {
    const auto codes = Rows(c, "ICD10");
    std::vector<std::string> found;
    auto keep = [&](const std::function<bool(const std::map<std::string, std::string>&)>& match) {
        for (const auto& r : codes)
            if (match(r)) found.push_back(r.at("ICD10_NO"));
        std::sort(found.begin(), found.end());
        return found;
    };
    if (field == &search::Criteria::icd10Code) {
        const std::string prefix = codes::NormalizeICD10Code(text) + "%";
        return keep([&](const auto& r) { return Like(r.at("ICD10_NO"), prefix); });
    }
    const auto words = Words(text);
    if (field == &search::Criteria::chineseName || field == &search::Criteria::englishName) {
        if (words.empty()) return std::nullopt;
        const char* column = field == &search::Criteria::chineseName ? "ICD10_CNAME" : "ICD10_ENAME";
        return keep([&](const auto& r) { return AllWordsIn(r.at(column), words); });
    }
    // The ICD-9 boxes: the ICD-9 codes the text finds, then their CM translations.
    std::set<std::string> icd9;
    if (field == &search::Criteria::icd9Code) {
        for (const auto& r : Rows(c, "CM"))
            if (Like(r.at("ICD9_NO"), codes::NormalizeICD9Code(text) + "%")) icd9.insert(r.at("ICD9_NO"));
    } else {
        if (words.empty()) return std::nullopt;
        for (const auto& r : Rows(c, "ICD9"))
            if (AllWordsIn(r.at("ICD9_NAME"), words) || AllWordsIn(r.at("ICD9_NAME2"), words))
                icd9.insert(r.at("ICD9_NO"));
    }
    std::set<std::string> targets;
    for (const auto& r : Rows(c, "CM")) {
        if (!icd9.count(r.at("ICD9_NO"))) continue;
        std::string code = r.at("ICD10_NO");
        code.erase(std::remove(code.begin(), code.end(), '.'), code.end());
        // A seventh-character episode stands for all three episodes of care.
        if (code.size() == 7 && std::isalpha(static_cast<unsigned char>(code[6])))
            for (char e : {'A', 'D', 'S'})
                targets.insert(code.substr(0, 6) + e);
        else
            targets.insert(code);
    }
    if (targets.empty()) return std::nullopt; // nothing translated: no condition
    return keep([&](const auto& r) {
        std::string no = r.at("ICD10_NO");
        for (char& ch : no)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        return targets.count(no) > 0;
    });
}

std::string search::Criteria::*const TextFields[] = {
    &search::Criteria::icd10Code, &search::Criteria::chineseName, &search::Criteria::englishName,
    &search::Criteria::icd9Code, &search::Criteria::icd9Name};

} // namespace

TEST_F(HostileTextTest, everyTextInEveryBox_runsOrGivesTheEngineMessage_andChangesNothing) {
    int ran = 0;
    for (auto field : TextFields) {
        for (const std::string& t : HostileTexts()) {
            search::Criteria c;
            c.*field = t;
            std::vector<std::string> codes;
            const std::string error = search(c, &codes);
            // Only the engine's own limits may refuse a text (a pattern or an
            // expression too large); quotes and keywords never break the statement.
            // An ICD-9 box that translates to nothing ran its lookups safely,
            // says so and lists nothing.
            if (error.find("查無對應的ICD10碼") != std::string::npos)
                ++ran;
            else if (!error.empty())
                EXPECT_TRUE(error.find("too large") != std::string::npos ||
                            error.find("too complex") != std::string::npos ||
                            error.find("too big") != std::string::npos)
                    << error << " for " << t.substr(0, 60);
            else
                ++ran;
            // The rows found are those the text finds as data: `') OR 1=1 --`
            // in the code box finds nothing, not every row.
            if (error.empty()) {
                const auto expected = ExpectedCodes(conn, field, t);
                std::sort(codes.begin(), codes.end());
                EXPECT_EQ(codes, expected.value_or(std::vector<std::string>{})) << t.substr(0, 60);
            }
            ASSERT_EQ(reliability::Fingerprint(conn), before) << t.substr(0, 60);
        }
    }
    EXPECT_GE(ran, 5 * 26);
}

TEST_F(HostileTextTest, injectionAttempts_findOnlyTheRowsTheirWordsMatch) {
    search::Criteria c;
    std::vector<std::string> codes;
    c.icd10Code = "') OR 1=1 --";
    EXPECT_EQ(search(c, &codes), "");
    EXPECT_TRUE(codes.empty());
    c = {};
    c.englishName = "x' OR '1'='1";
    EXPECT_EQ(search(c, &codes), "");
    EXPECT_TRUE(codes.empty());
    // Wildcards typed in a box act as the engine's wildcards, inside the quotes only.
    c = {};
    c.englishName = "%";
    EXPECT_EQ(search(c, &codes), "");
    EXPECT_EQ(codes.size(), 8u);
    codes.clear();
    c.englishName = "Cholera%unspecified";
    EXPECT_EQ(search(c, &codes), "");
    EXPECT_EQ(codes, std::vector<std::string>{"A009"});
}

TEST_F(HostileTextTest, allBoxesAtOnceWithEveryRadioChoice_changesNothing) {
    for (const std::string& t : HostileTexts()) {
        search::Criteria c;
        for (auto field : TextFields)
            c.*field = t;
        c.sex = 2;
        c.side = 3;
        c.episode = 3;
        c.bodyPart = 5;
        c.injury = 4;
        c.finest = 1;
        c.dominant = 2;
        c.ranking = 2;
        c.differences2023 = true;
        search(c);
        ASSERT_EQ(reliability::Fingerprint(conn), before) << t.substr(0, 60);
    }
}

TEST_F(HostileTextTest, quotedKeywords_areSearchedForAsWords) {
    search::Criteria c;
    c.chineseName = "'; DROP TABLE ICD10; --";
    std::vector<std::string> codes;
    EXPECT_EQ(search(c, &codes), "");
    EXPECT_TRUE(codes.empty());
    db::Query result(conn), aux(conn);
    const auto lines = search::BuildStatement(c, aux);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[1].find("LIKE '%'';%'"), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("LIKE '%DROP%'"), std::string::npos) << lines[1];

    // A quote inside a word stays part of the word.
    codes.clear();
    c = {};
    c.englishName = "left ankle'";
    EXPECT_EQ(search(c, &codes), "");
    EXPECT_TRUE(codes.empty());
    codes.clear();
    c.englishName = "left ankle";
    EXPECT_EQ(search(c, &codes), "");
    EXPECT_EQ(codes, (std::vector<std::string>{"S93401A", "S93401D"}));
}

TEST_F(HostileTextTest, icd9TextsWithQuotes_translateThroughTheEngineSafely) {
    // Each is looked up as the text it is, finds nothing and says so: the
    // quote never widens the lookup.
    for (const std::string& t :
         {std::string("845'"), std::string("845.00' OR ''='"), std::string("踝扭傷'--")}) {
        search::Criteria c;
        c.icd9Code = t;
        std::vector<std::string> codes;
        EXPECT_NE(search(c, &codes).find("查無對應的ICD10碼"), std::string::npos) << t;
        EXPECT_TRUE(codes.empty());
        c = {};
        c.icd9Name = t;
        EXPECT_NE(search(c, &codes).find("查無對應的ICD10碼"), std::string::npos) << t;
        EXPECT_TRUE(codes.empty());
    }
    EXPECT_EQ(reliability::Fingerprint(conn), before);
    // The plain code still translates (to the episodes of care the sample holds).
    search::Criteria c;
    c.icd9Code = "845.00";
    std::vector<std::string> codes;
    EXPECT_EQ(search(c, &codes), "");
    EXPECT_EQ(codes, (std::vector<std::string>{"S93401A", "S93401D"}));
}

TEST_F(HostileTextTest, treeKeyAndSimplifiedDisplay_takeAnyTextAndChangeNothing) {
    db::Query query(conn);
    for (std::string t : HostileTexts()) {
        for (const std::string& typed : {t, "A0" + t, t + "-A09", "A00-" + t}) {
            const std::string key = tree::DisplayKey(typed);
            tree::Tree tr;
            try {
                if (text::Cp950Length(key) >= 2)
                    tree::BuildResultTree(tr, key, typed, query, tree::TreeOutlineLines());
            } catch (const db::Error& e) {
                ADD_FAILURE() << e.what() << " for " << typed.substr(0, 60);
            }
            tree::Tree simple;
            try {
                tree::BuildSimplifiedTree(simple, typed, query, conn);
            } catch (const db::Error& e) {
                ADD_FAILURE() << e.what() << " for " << typed.substr(0, 60);
            }
        }
        ASSERT_EQ(reliability::Fingerprint(conn), before) << t.substr(0, 60);
    }
}

TEST_F(HostileTextTest, aSecondStatementAfterTheFirst_isRefusedAndNeverRuns) {
    for (const std::string& sql :
         {std::string("SELECT * FROM ICD10 WHERE ICD10_NO LIKE 'A%'; DROP TABLE ICD10"),
          std::string("SELECT * FROM ICD10;\r\nDELETE FROM ICD10;\r\n"),
          std::string("SELECT 1; -- a remark\r\nUPDATE ICD10 SET ICD10_CNAME='x'"),
          std::string("UPDATE ICD10 SET ICD10_FLAG=ICD10_FLAG WHERE 0; DROP TABLE CM")}) {
        db::Query q(conn);
        q.setText(sql);
        try {
            q.open();
            ADD_FAILURE() << "opened: " << sql;
        } catch (const db::Error& e) {
            EXPECT_EQ(std::string(e.what()), "一次只能執行一個查詢敘述") << sql;
        }
        try {
            q.execute();
            ADD_FAILURE() << "executed: " << sql;
        } catch (const db::Error& e) {
            EXPECT_EQ(std::string(e.what()), "一次只能執行一個查詢敘述") << sql;
        }
        ASSERT_EQ(reliability::Fingerprint(conn), before) << sql;
    }
    // Blanks, line ends and remarks after the one statement are fine.
    db::Query q(conn);
    q.setText("SELECT count(*) FROM ICD10; -- remark\r\n ");
    q.open();
    EXPECT_EQ(q.value(0), "8");
}
