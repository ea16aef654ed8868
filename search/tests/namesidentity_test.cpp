// The search through the names index gives exactly the engine's rows: random
// and hostile criteria on the full-size test database, each searched on a
// connection with the index and on one without, compared row by row, the
// character-order second chance included. The first difference fails the test
// and names the criteria. (Skipped when the full-size database is absent.)
//
// ICD_IDENTITY_CASES and ICD_IDENTITY_SEED set the number of cases and the
// seed for a longer run; ICD_IDENTITY_DEBUG prints each case and its outcome.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "app/core/indexednames.h"
#include "db/connection.h"
#include "db/namesindex.h"
#include "db/namesquery.h"
#include "db/query.h"
#include "search/criteria.h"
#include "search/wordfallback.h"
#include "testsupport/testsupport.h"

using namespace search;

namespace {

// Under the address sanitizer each case costs several times as much, and the
// cases are there to look for memory faults rather than for more criteria.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t DefaultCases = 60;
#else
constexpr std::size_t DefaultCases = 300;
#endif

std::size_t EnvNumber(const char* name, std::size_t fallback) {
    const char* value = std::getenv(name);
    return value && *value ? static_cast<std::size_t>(std::strtoull(value, nullptr, 10)) : fallback;
}

// A text as a message shows it: bytes that are not well-formed UTF-8 and
// control characters as \xHH.
std::string Shown(const std::string& text) {
    const bool wellFormed = db::WellFormedUtf8(text);
    std::string out = "\"";
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && !wellFormed) || c == '"' || c == '\\') {
            static const char hex[] = "0123456789ABCDEF";
            out += "\\x";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string Describe(const Criteria& c) {
    return "code=" + Shown(c.icd10Code) + " chinese=" + Shown(c.chineseName) +
           " english=" + Shown(c.englishName) + " icd9=" + Shown(c.icd9Code) +
           " icd9name=" + Shown(c.icd9Name) + " sex=" + std::to_string(c.sex) +
           " side=" + std::to_string(c.side) + " episode=" + std::to_string(c.episode) +
           " body=" + std::to_string(c.bodyPart) + " injury=" + std::to_string(c.injury) +
           " finest=" + std::to_string(c.finest) + " dominant=" + std::to_string(c.dominant) +
           " ranking=" + std::to_string(c.ranking) + (c.rankingVisible ? "" : " (ranking hidden)") +
           (c.differences2023 ? " differences2023" : "");
}

// What a search gave: its outcome, statement, rows, or the error it raised.
struct Searched {
    std::string outcome;
    std::vector<std::string> lines, rows;
    std::string error;
    bool operator==(const Searched&) const = default;
};

Searched Search(db::Connection& connection, const Criteria& c) {
    Searched s;
    db::Query result(connection), aux(connection);
    try {
        const SearchOutcome o = RunSearchWithFallback(c, result, aux);
        s.outcome = std::to_string(o.ran) + std::to_string(o.characterOrder) + "|" + FallbackNote(o);
        s.lines = result.lines();
        for (; result.isOpen() && !result.eof(); result.next()) {
            std::string row;
            for (int i = 0; i < result.fieldCount(); ++i)
                row += result.fieldName(i) + "=" + result.value(i) + "|";
            s.rows.push_back(std::move(row));
        }
    } catch (const NoIcd10ForIcd9& e) {
        s.error = std::string("NoIcd10ForIcd9: ") + e.what();
    } catch (const db::Error& e) {
        s.error = std::string("Error: ") + e.what();
    }
    return s;
}

// Random criteria: pieces of real names (so that many searches find rows and
// many fall back to the character order) mixed with what a hostile or
// careless hand types.
class CriteriaMaker {
public:
    CriteriaMaker(db::Connection& connection, unsigned seed) : m_random(seed) {
        db::Query q(connection);
        q.setText("SELECT ICD10_CNAME, ICD10_ENAME FROM ICD10 WHERE rowid % 53 = 0");
        q.open();
        for (; !q.eof(); q.next()) {
            m_chinese.push_back(Characters(q.value(0)));
            m_english.push_back(q.value(1));
        }
    }

    // One to four criteria, names most often, every radio group now and then
    // (the dominant hand with a side, which it needs).
    Criteria next() {
        const std::vector<ChoiceCriterion>& groups = ChoiceCriteria();
        Criteria c;
        c.rankingVisible = pick(5) != 0;
        auto radio = [&](const ChoiceCriterion& g) {
            // Now and then a value outside the group's items.
            c.*g.choice = pick(10) == 0 ? pickOf({-1, static_cast<int>(g.items.size()), 99})
                                        : 1 + static_cast<int>(pick(g.items.size() - 1));
        };
        const std::size_t count = pickOf<std::size_t>({1, 1, 1, 2, 2, 2, 3, 4});
        for (std::size_t k = 0; k < count; ++k) {
            const std::size_t kind = pick(12 + groups.size());
            if (kind < 2)
                c.icd10Code = code();
            else if (kind < 7)
                c.chineseName = words(true);
            else if (kind < 10)
                c.englishName = words(false);
            else if (kind < 11)
                c.icd9Code = pickOf({"845", "8450", "'", "%", "_", "  ", "ZZZ", "724.2"});
            else if (kind < 12)
                c.icd9Name = words(false);
            else
                radio(groups[kind - 12]);
            if (c.dominant != 0 && c.side == 0) radio(ChoiceCriterionOf(&Criteria::side));
            if (c.ranking != 0) c.differences2023 = pick(2) == 0;
        }
        return c;
    }

private:
    std::size_t pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_random); }
    template <class T> T pickOf(std::initializer_list<T> items) {
        return *(items.begin() + pick(items.size()));
    }

    static std::vector<std::string> Characters(const std::string& s) {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < s.size();) {
            const auto lead = static_cast<unsigned char>(s[i]);
            const std::size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            out.push_back(s.substr(i, n));
            i += n;
        }
        return out;
    }

    std::string code() {
        static const char* const codes[] = {"S",   "S9",  "s93.4", "S93401A", "A0",          "M25.5",
                                            "Z3A", "O9A", "T",     "x",       "%",           "_",
                                            "S_3", "'",   "  ",    "S93%1",   "\xEF\xBC\xB3"};
        return codes[pick(std::size(codes))];
    }

    // A word from a real Chinese name: a run of its characters, or two or
    // three of them in order with gaps (the character-order second chance).
    std::string chineseWord() {
        const auto& name = m_chinese[pick(m_chinese.size())];
        if (name.empty()) return "左";
        std::string word;
        if (pick(2) == 0) {
            const std::size_t from = pick(name.size());
            const std::size_t length = 1 + pick(std::min<std::size_t>(3, name.size() - from));
            for (std::size_t i = from; i < from + length; ++i)
                word += name[i];
            return word;
        }
        std::size_t at = pick(name.size());
        for (std::size_t n = 2 + pick(2); n > 0 && at < name.size(); --n, at += 2 + pick(3))
            word += name[at];
        return word;
    }

    std::string englishWord() {
        const std::string& name = m_english[pick(m_english.size())];
        if (name.empty()) return "of";
        std::size_t start = pick(name.size());
        while (start > 0 && name[start - 1] != ' ')
            --start;
        std::string word =
            name.substr(start, std::min<std::size_t>(name.find(' ', start), name.size()) - start);
        // Now and then cut, or in another case.
        if (pick(3) == 0 && word.size() > 2) word.resize(2 + pick(word.size() - 2));
        if (pick(3) == 0)
            for (char& ch : word)
                if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
        return word;
    }

    std::string hostile() {
        static const char* const pieces[] = {"'",
                                             "''",
                                             "%",
                                             "_",
                                             "%_%",
                                             "\\",
                                             "\"",
                                             "`",
                                             ";",
                                             "--",
                                             "/*",
                                             "*/",
                                             "(",
                                             ")",
                                             "?1",
                                             "$",
                                             "　",
                                             "\t",
                                             "，",
                                             "、",
                                             "（",
                                             "）",
                                             "。",
                                             "AND",
                                             "OR 1=1",
                                             "' OR '1'='1",
                                             "x'41'",
                                             "Ｓ",
                                             "é",
                                             "É",
                                             "😀",
                                             "\xE9",
                                             "\xC0\x80",
                                             "\xED\xA0\x80",
                                             "\xEF\xBF\xBF",
                                             "!@#",
                                             "<>",
                                             "左%踝",
                                             "扭_傷",
                                             "ß"};
        return pieces[pick(std::size(pieces))];
    }

    // Blank-separated words of one kind or another, sometimes with blanks
    // (ordinary and full-width) around and between them.
    std::string words(bool chinese) {
        std::string text = pick(6) == 0 ? "  " : "";
        const std::size_t n = pickOf<std::size_t>({1, 1, 1, 1, 2, 2, 3});
        for (std::size_t i = 0; i < n; ++i) {
            if (i > 0) text += pickOf({" ", " ", "  ", "　", " 　 "});
            const std::size_t kind = pick(16);
            text += kind < 2   ? hostile()
                    : kind < 3 ? englishWord() + hostile()
                    : chinese  ? chineseWord()
                               : englishWord();
        }
        if (pick(6) == 0) text += pickOf({" ", "　"});
        return text;
    }

    std::mt19937 m_random;
    std::vector<std::vector<std::string>> m_chinese;
    std::vector<std::string> m_english;
};

class NamesIdentityTest : public ::testing::Test {
protected:
    // A copy of the full-size database with a usage ranking, so that the
    // ranking filter has rows to find.
    static void SetUpTestSuite() {
        const std::string full = testsupport::FullDatabasePath();
        if (full.empty()) return;
        s_dir = std::make_unique<testsupport::TempDir>();
        s_path = s_dir->file("icd10_2023.mdb");
        std::filesystem::copy_file(full, s_path);
        db::Connection c;
        c.open(s_path);
        c.exec("ALTER TABLE ICD10 ADD COLUMN ICD10_RANKING VARCHAR(6)");
        c.exec("UPDATE ICD10 SET ICD10_RANKING = CASE WHEN rowid % 97 = 0 THEN '五百大' WHEN rowid % 89 = 0 "
               "THEN '一千大' ELSE '' END");
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    void SetUp() override {
        ICD_REQUIRE_FULL_DB();
        indexed.open(s_path);
        app::StartNamesIndex(indexed);
        ASSERT_TRUE(indexed.waitForNamesIndex());
        plain.open(s_path);
    }

    static std::unique_ptr<testsupport::TempDir> s_dir;
    static std::string s_path;
    db::Connection indexed, plain;
};

std::unique_ptr<testsupport::TempDir> NamesIdentityTest::s_dir;
std::string NamesIdentityTest::s_path;

// The text sent for the result's lines on the indexed connection: whether the
// index answered them.
bool AnsweredByIndex(db::Connection& connection, const std::vector<std::string>& lines) {
    db::Query q(connection);
    q.lines() = lines;
    return !db::NamesEngineText(q).empty();
}

} // namespace

TEST_F(NamesIdentityTest, randomAndHostileCriteria_giveTheEngineRowsThroughTheIndex) {
    const auto seed = static_cast<unsigned>(EnvNumber("ICD_IDENTITY_SEED", 27));
    const std::size_t cases = EnvNumber("ICD_IDENTITY_CASES", DefaultCases);
    CriteriaMaker maker(plain, seed);
    const auto start = std::chrono::steady_clock::now();
    std::size_t answered = 0, withRows = 0, secondChance = 0, errors = 0;
    for (std::size_t i = 0; i < cases; ++i) {
        const Criteria c = maker.next();
        const Searched expected = Search(plain, c);
        const Searched got = Search(indexed, c);
        if (std::getenv("ICD_IDENTITY_DEBUG"))
            std::cout << Describe(c) << " => " << expected.outcome << " rows " << expected.rows.size() << " "
                      << expected.error << "\n";
        if (!(got == expected)) {
            std::string detail = "outcome " + got.outcome + " / " + expected.outcome + ", rows " +
                                 std::to_string(got.rows.size()) + " / " +
                                 std::to_string(expected.rows.size()) + ", error " + Shown(got.error) +
                                 " / " + Shown(expected.error);
            for (std::size_t r = 0; r < std::min(got.rows.size(), expected.rows.size()); ++r)
                if (got.rows[r] != expected.rows[r]) {
                    detail += ", first different row " + std::to_string(r) + ": " + Shown(got.rows[r]) +
                              " / " + Shown(expected.rows[r]);
                    break;
                }
            FAIL() << "case " << i << " (seed " << seed
                   << ") differs through the names index (index / engine): " << detail
                   << "\n  criteria: " << Describe(c);
        }
        answered +=
            !expected.lines.empty() && expected.error.empty() && AnsweredByIndex(indexed, expected.lines);
        withRows += !expected.rows.empty();
        secondChance += expected.outcome.starts_with("11");
        errors += !expected.error.empty();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << cases << " cases in " << seconds << " s: " << answered << " answered through the index, "
              << withRows << " with rows, " << secondChance << " by the character order, " << errors
              << " errors\n";
    // The comparison means something only when the index answers a good share.
    EXPECT_GT(answered, cases / 3);
    EXPECT_GT(secondChance, 0U);
}
