// make-quiz's kinds from the coder's guide, on the guide the build makes: each
// key is what the guide says and each wrong choice is not, asked again through
// the guide's own reader (not through the maker's answers), and each
// explanation quotes the guide and reads back from the bank's E: line.

#include <filesystem>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "codes/coderules.h"
#include "codes/notecodes.h"
#include "db/connection.h"
#include "db/databasefile.h"
#include "guide/guidefile.h"
#include "guide/reader.h"
#include "quiz/bankmaker.h"
#include "quiz/questionbank.h"
#include "testsupport/testsupport.h"
#include "text/text.h"
#include "tools/icdtool/commands.h"
#include "tools/icdtool/quizguide.h"

namespace fs = std::filesystem;
using quiz::QuestionKind;

namespace {

const fs::path kBin = fs::path(ICD_BINARY_DIR) / "bin";

std::string Between(const std::string& s, const std::string& open, const std::string& close) {
    const std::size_t a = s.find(open), b = s.rfind(close);
    if (a == std::string::npos || b == std::string::npos || b < a) return {};
    return s.substr(a + open.size(), b - a - open.size());
}

std::string Replaced(std::string s, const std::string& from, const std::string& to) {
    for (std::size_t at; (at = s.find(from)) != std::string::npos;)
        s.replace(at, from.size(), to);
    return s;
}

// The notes of a kind that apply to a code, as the guide's reader gives them.
std::vector<guide::Note> NotesOf(guide::Guide& g, const std::string& code, guide::NoteKind kind) {
    for (const guide::NoteGroup& group : g.lookup(code).notes)
        if (group.kind == kind) return group.notes;
    return {};
}

bool NoteNames(const guide::Note& note, const std::string& code) {
    for (const codes::CodeReference& ref : codes::FindCodeReferences(note.text))
        if (codes::ReferenceCovers(ref, code)) return true;
    return false;
}

// The explanation of a note question: "<asked> 的<title>註記(<level>):<note>。此註記指到 <key> ...".
// True when some note of the kind, at its level, names the key and reads so.
bool QuotesANoteNamingTheKey(guide::Guide& g, const quiz::MadeQuestion& q, guide::NoteKind kind,
                             const std::string& title, const std::string& key) {
    for (const guide::Note& n : NotesOf(g, q.code, kind)) {
        const std::string said = codes::DottedCode(q.code) + " 的" + title + "註記(" +
                                 guide::LevelLabel(n.from) + "):" + n.text + "。此註記指到 " +
                                 codes::DottedCode(key);
        if (q.explanation.rfind(said, 0) == 0 && NoteNames(n, key)) return true;
    }
    return false;
}

// The codes an index path leads to, found by searching the index for the
// path's words and keeping the entries with exactly that path.
std::set<std::string> IndexCodes(guide::Guide& g, const std::string& path) {
    std::string words;
    for (const std::string& w : guide::SearchWords(path))
        words += w + " ";
    std::set<std::string> codes;
    for (long id : g.index().find(words)) {
        const guide::IndexEntry e = g.index().entry(id);
        if (e.pathText() == path && !e.code.empty()) codes.insert(codes::LookupKey(e.code));
    }
    return codes;
}

std::string SectionOf(guide::Guide& g, const std::string& code) {
    for (const guide::PathStep& step : g.locate(code).path)
        if (step.level == guide::Level::Section) return step.code;
    return {};
}

// Checks one question of the guide's kinds (and the seventh kind's table line).
void CheckAgainstGuide(guide::Guide& g, const quiz::MadeQuestion& q) {
    SCOPED_TRACE(std::string(quiz::KindName(q.kind)) + " " + q.code + ": " + q.stem + "\nE:" + q.explanation);
    ASSERT_FALSE(q.explanation.empty());
    const std::size_t keyAt = static_cast<std::size_t>(q.key - 1);
    const std::string& key = q.choiceCodes[keyAt];
    // The wrong codes come from the key's category or section.
    if (q.kind == QuestionKind::Excludes1 || q.kind == QuestionKind::Sequence ||
        q.kind == QuestionKind::IndexPath) {
        for (const std::string& code : q.choiceCodes) {
            EXPECT_TRUE(code.compare(0, 3, key, 0, 3) == 0 || SectionOf(g, code) == SectionOf(g, key))
                << code;
        }
    }
    switch (q.kind) {
    case QuestionKind::Excludes1:
        EXPECT_EQ(g.checkPair(q.code, key).verdict, guide::PairCheck::Verdict::Forbidden);
        for (std::size_t c = 0; c < 4; ++c) {
            if (c == keyAt) continue;
            const auto verdict = g.checkPair(q.code, q.choiceCodes[c]).verdict;
            EXPECT_TRUE(verdict == guide::PairCheck::Verdict::NoNote ||
                        verdict == guide::PairCheck::Verdict::Allowed)
                << q.choiceCodes[c];
        }
        EXPECT_TRUE(QuotesANoteNamingTheKey(g, q, guide::NoteKind::Excludes1, "排除一", key));
        break;
    case QuestionKind::Sequence: {
        const bool first = q.stem.find("應先編碼") != std::string::npos;
        EXPECT_NE(first, q.stem.find("應另加編碼") != std::string::npos);
        const auto kind = first ? guide::NoteKind::CodeFirst : guide::NoteKind::UseAdditionalCode;
        EXPECT_TRUE(QuotesANoteNamingTheKey(g, q, kind, first ? "先編碼" : "另加編碼", key));
        for (std::size_t c = 0; c < 4; ++c) {
            if (c == keyAt) continue;
            for (auto k : {guide::NoteKind::CodeFirst, guide::NoteKind::UseAdditionalCode})
                for (const guide::Note& n : NotesOf(g, q.code, k))
                    EXPECT_FALSE(NoteNames(n, q.choiceCodes[c]))
                        << q.choiceCodes[c] << " is named by " << n.text;
        }
        break;
    }
    case QuestionKind::IndexPath: {
        const std::string shownPath = Between(q.stem, "「", "」");
        const std::string path = Replaced(shownPath, "＞", "›");
        const std::set<std::string> reached = IndexCodes(g, path);
        EXPECT_TRUE(reached.count(key)) << path;
        for (std::size_t c = 0; c < 4; ++c)
            if (c != keyAt) {
                EXPECT_FALSE(reached.count(q.choiceCodes[c])) << q.choiceCodes[c];
            }
        EXPECT_EQ(q.explanation.rfind("字母索引:" + shownPath + " → ", 0), 0u);
        break;
    }
    case QuestionKind::SeventhMeaning:
    case QuestionKind::SeventhCharacter: {
        const guide::CodeGuide c = g.lookup(q.code);
        ASSERT_TRUE(c.seventh);
        std::map<std::string, std::string> table;
        for (const guide::SeventhEntry& e : c.seventh->entries)
            if (!e.character.empty()) table[e.character] = e.text;
        const std::string own = q.code.substr(6);
        const std::string line =
            "第7位字元表(" + guide::LevelLabel(c.seventh->from) + "):" + own + " " + table[own];
        EXPECT_NE(q.explanation.find(line), std::string::npos) << line;
        if (q.kind == QuestionKind::SeventhCharacter) break;
        EXPECT_EQ(q.choices[keyAt], table[own]);
        for (std::size_t i = 0; i < 4; ++i) {
            if (i == keyAt) continue;
            const std::string other = q.choiceCodes[i].substr(6);
            EXPECT_NE(other, own);
            EXPECT_EQ(table[other], q.choices[i]);
            EXPECT_NE(q.choices[i], table[own]);
        }
        break;
    }
    default:
        break;
    }
}

class GuideKinds : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string problem = m_guide.open(guide::GuidePathIn(kBin.string()));
        if (!problem.empty()) GTEST_SKIP() << "the build makes the guide (target guide_db): " << problem;
    }

    // Banks of every guide kind (and the seventh kind) over the scopes, each
    // question checked against a guide opened on its own.
    void CheckBanks(const std::string& dbPath, const std::vector<std::string>& scopes, int count) {
        db::Connection c;
        c.open(db::PrepareDatabaseFile(dbPath));
        const auto rows = quiz::ReadCodeRows(c);
        guide::Guide forMaker;
        ASSERT_EQ(forMaker.open(m_guide.path()), "");
        icdtool::QuizGuide facts(forMaker);
        std::map<QuestionKind, int> made;
        for (const std::string& scope : scopes)
            for (QuestionKind kind :
                 {QuestionKind::Excludes1, QuestionKind::Sequence, QuestionKind::IndexPath,
                  QuestionKind::SeventhMeaning, QuestionKind::SeventhCharacter}) {
                SCOPED_TRACE("--codes " + scope);
                quiz::MakerOptions o;
                o.count = count;
                o.codes = *quiz::ParseCodeScope(scope);
                o.kinds = {kind};
                o.seed = 7;
                o.guide = &facts;
                const quiz::MadeBank bank = quiz::MakeQuestionBank(rows, o);
                quiz::QuestionBank read;
                read.loadBytes(bank.bytes);
                ASSERT_EQ(read.questionLines().size(), bank.questions.size());
                if (!bank.questions.empty()) {
                    EXPECT_EQ(quiz::CheckBank(read), std::vector<std::string>{});
                }
                for (std::size_t n = 0; n < bank.questions.size(); ++n) {
                    const quiz::MadeQuestion& q = bank.questions[n];
                    EXPECT_EQ(text::FromCp950(read.explanation(read.questionLines()[n])), q.explanation);
                    CheckAgainstGuide(m_guide, q);
                    ++made[q.kind];
                }
            }
        for (QuestionKind kind : {QuestionKind::Excludes1, QuestionKind::Sequence, QuestionKind::IndexPath,
                                  QuestionKind::SeventhMeaning})
            EXPECT_GT(made[kind], 0) << quiz::KindName(kind) << " never made";
    }

    guide::Guide m_guide;
};

} // namespace

TEST_F(GuideKinds, sampleBanksKeysAreTheGuidesAndExplanationsQuoteIt) {
    const fs::path db = kBin / "icd10_2023.mdb";
    if (!fs::exists(db)) GTEST_SKIP() << "sample database not built";
    CheckBanks(db.string(), {"", "S00-T88", "M"}, 25);
}

TEST_F(GuideKinds, fullSizeBanksKeysAreTheGuidesAndExplanationsQuoteIt) {
    ICD_REQUIRE_FULL_DB();
    CheckBanks(testsupport::FullDatabasePath(), {"S00-T88", "E00-E89", "O"}, 60);
}

TEST_F(GuideKinds, makeQuizUsesTheGuideBesideItOrTheOneNamed_andRefusesOneThatIsMissing) {
    const fs::path db = kBin / "icd10_2023.mdb";
    if (!fs::exists(db)) GTEST_SKIP() << "sample database not built";
    testsupport::TempDir dir;
    auto run = [](const icdtool::Args& args) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        std::string thrown;
        int status = 0;
        try {
            status = icdtool::MakeQuiz(args);
        } catch (const std::exception& e) {
            thrown = e.what();
        }
        const std::string out =
            testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
        return std::make_tuple(status, out, thrown);
    };
    // The tests run beside the guide the build makes, as icdtool does.
    const std::string out = dir.file("qa.txt");
    auto [status, printed, thrown] = run({db.string(), out, "--kinds", "excludes1,index", "--count", "6"});
    EXPECT_EQ(status, 0) << printed << thrown;
    EXPECT_NE(printed.find("編碼指引:" + guide::GuidePathIn(kBin.string())), std::string::npos) << printed;
    EXPECT_NE(printed.find("排除一 3題、索引 3題"), std::string::npos) << printed;
    EXPECT_NE(testsupport::ReadFile(out).find("--guide icd10cm_guide_2023.db"), std::string::npos);

    // A guide named with --guide must be there; nothing is written without it.
    std::tie(status, printed, thrown) =
        run({db.string(), dir.file("b.txt"), "--guide", dir.file("none.db"), "--kinds", "excludes1"});
    EXPECT_EQ(thrown.rfind("找不到編碼指引檔：" + dir.file("none.db"), 0), 0u) << thrown;
    EXPECT_FALSE(fs::exists(dir.file("b.txt")));
}
