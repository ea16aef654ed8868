// Question banks written from the code database: every question reads back
// through the quiz's own reader, its key is right and its distractors wrong by
// the database, and a generated bank runs through a whole quiz.

#include "quiz/bankmaker.h"

#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "codes/coderules.h"
#include "db/connection.h"
#include "db/databasefile.h"
#include "db/query.h"
#include "quiz/questionbank.h"
#include "quiz/session.h"
#include "quiz/tests/quiztestsupport.h"
#include "testsupport/testsupport.h"
#include "text/text.h"

using quiz::QuestionKind;

namespace {

const std::string kSampleDb = (std::filesystem::path(ICD_BINARY_DIR) / "bin" / "icd10_2023.mdb").string();

struct DbRow {
    bool found = false;
    std::string cname, flag, change, isNew;
};

// The row of a code, read with a statement of its own (not through the maker).
DbRow ReadRow(db::Connection& c, const std::string& code) {
    db::Query q(c);
    q.setText("SELECT * FROM ICD10 WHERE ICD10_NO = '" + code + "'");
    q.open();
    DbRow r;
    if (q.eof()) return r;
    r.found = true;
    r.cname = text::Trim(q.field("ICD10_CNAME"));
    r.flag = q.field("ICD10_FLAG");
    r.change = q.field("ICD10_2023FLAG");
    r.isNew = q.field("ICD10_2023NEW");
    return r;
}

// The name asked about in a stem: the text between 「 and the last 」.
std::string QuotedName(const std::string& stem) {
    const std::size_t open = stem.find("「");
    const std::size_t close = stem.rfind("」");
    if (open == std::string::npos || close == std::string::npos) return {};
    return stem.substr(open + 3, close - open - 3);
}

// Checks one question against the database: the key has the asked property,
// no distractor has it, and the four choices differ.
void CheckAgainstDatabase(db::Connection& c, const quiz::MadeQuestion& q) {
    SCOPED_TRACE(std::string(quiz::KindName(q.kind)) + " " + q.code + ": " + q.stem);
    const std::size_t key = static_cast<std::size_t>(q.key - 1);
    ASSERT_EQ(q.choiceCodes[key], q.code);
    EXPECT_EQ(std::set<std::string>(q.choices.begin(), q.choices.end()).size(), 4u) << "choices repeat";
    const DbRow keyRow = ReadRow(c, q.code);
    ASSERT_TRUE(keyRow.found);
    for (std::size_t i = 0; i < 4; ++i) {
        const std::string& code = q.choiceCodes[i];
        const DbRow row = code.empty() ? DbRow{} : ReadRow(c, code);
        SCOPED_TRACE("choice " + std::to_string(i + 1) + ": " + q.choices[i]);
        const bool isKey = i == key;
        switch (q.kind) {
        case QuestionKind::NameToCode:
        case QuestionKind::Icd11:
            ASSERT_TRUE(row.found);
            EXPECT_EQ(q.choices[i], codes::DottedCode(code));
            EXPECT_EQ(code.size(), q.code.size());
            EXPECT_EQ(codes::IsIcd11Code(code), q.kind == QuestionKind::Icd11);
            EXPECT_EQ(row.cname == QuotedName(q.stem), isKey);
            break;
        case QuestionKind::CodeToName:
            ASSERT_TRUE(row.found);
            EXPECT_NE(q.stem.find(" " + codes::DottedCode(q.code) + " "), std::string::npos);
            EXPECT_EQ(q.choices[i], row.cname);
            EXPECT_EQ(row.cname == keyRow.cname, isKey);
            break;
        case QuestionKind::SeventhCharacter: {
            ASSERT_EQ(q.choices[i].size(), 1u);
            EXPECT_EQ(QuotedName(q.stem), keyRow.cname);
            const DbRow variant = ReadRow(c, q.code.substr(0, 6) + q.choices[i]);
            EXPECT_EQ(variant.found && variant.cname == keyRow.cname, isKey);
            if (!isKey) {
                EXPECT_EQ(code.empty(), !variant.found);
            }
            break;
        }
        case QuestionKind::Billable:
            ASSERT_TRUE(row.found);
            EXPECT_EQ(row.flag == "Y", isKey);
            break;
        case QuestionKind::New2023:
            ASSERT_TRUE(row.found);
            EXPECT_EQ(row.isNew == "Y", isKey);
            break;
        case QuestionKind::Deleted2023:
            ASSERT_TRUE(row.found);
            EXPECT_EQ(row.change == "D" || row.change == "X", isKey);
            break;
        default:
            FAIL() << "a kind of the guide, checked against the guide by the tools' tests";
        }
    }
}

// The codes under a code in the database, with a statement of their own.
std::vector<std::string> CodesUnder(db::Connection& c, const std::string& code) {
    db::Query q(c);
    q.setText("SELECT ICD10_NO FROM ICD10 WHERE ICD10_NO LIKE '" + code + "_%' ORDER BY ICD10_NO");
    q.open();
    std::vector<std::string> under;
    for (; !q.eof(); q.next())
        under.push_back(text::Trim(q.field("ICD10_NO")));
    return under;
}

// "S93.40 踝扭傷，未明示韌帶", as an explanation names a code: the code alone
// when the name has no Big5 form.
std::string Named(db::Connection& c, const std::string& code) {
    const std::string name = ReadRow(c, code).cname;
    std::string big5;
    return codes::DottedCode(code) + (text::ToCp950(name, big5) ? " " + name : "");
}

// Checks a question's explanation against the database: every code and name
// it quotes is the database's.
void CheckExplanation(db::Connection& c, const quiz::MadeQuestion& q) {
    SCOPED_TRACE("explanation: " + q.explanation);
    ASSERT_FALSE(q.explanation.empty());
    const DbRow keyRow = ReadRow(c, q.code);
    switch (q.kind) {
    case QuestionKind::NameToCode:
    case QuestionKind::CodeToName:
    case QuestionKind::Icd11: {
        // Every shorter code that the asked code begins with, then the code itself.
        std::string path = "分類路徑:";
        for (std::size_t len = 1; len < q.code.size(); ++len)
            if (ReadRow(c, q.code.substr(0, len)).found) path += Named(c, q.code.substr(0, len)) + " ＞ ";
        EXPECT_EQ(q.explanation, path + Named(c, q.code));
        break;
    }
    case QuestionKind::SeventhCharacter: {
        const std::string head = "第7位字元 " + q.code.substr(6) + " 表示";
        const std::string tail = "(" + Named(c, q.code) + ")";
        ASSERT_EQ(q.explanation.rfind(head, 0), 0u);
        ASSERT_GT(q.explanation.size(), head.size() + tail.size());
        EXPECT_EQ(q.explanation.substr(q.explanation.size() - tail.size()), tail);
        // The encounter is the end of the code's own name.
        const std::string ending =
            q.explanation.substr(head.size(), q.explanation.size() - head.size() - tail.size());
        EXPECT_FALSE(ending.empty());
        EXPECT_EQ(keyRow.cname.substr(keyRow.cname.size() - std::min(ending.size(), keyRow.cname.size())),
                  ending);
        break;
    }
    case QuestionKind::Billable:
        for (std::size_t i = 0; i < 4; ++i) {
            const std::string& code = q.choiceCodes[i];
            // The rows right under the code: no other row stands between.
            const std::vector<std::string> under = CodesUnder(c, code);
            std::vector<std::string> direct;
            for (const std::string& u : under)
                if (std::none_of(under.begin(), under.end(), [&](const std::string& v) {
                        return v.size() < u.size() && u.rfind(v, 0) == 0;
                    }))
                    direct.push_back(codes::DottedCode(u));
            if (static_cast<int>(i) + 1 == q.key) {
                EXPECT_TRUE(direct.empty());
                EXPECT_EQ(q.explanation.rfind(
                              codes::DottedCode(code) + " 之下沒有更細的代碼,是可申報的最細碼。", 0),
                          0u);
                continue;
            }
            std::string said = codes::DottedCode(code);
            if (!direct.empty()) {
                said += " 之下有";
                for (std::size_t d = 0; d < std::min<std::size_t>(direct.size(), 5); ++d)
                    said += (d ? "、" : " ") + direct[d];
                if (direct.size() > 5) said += " 等" + std::to_string(direct.size()) + "個代碼";
                said += ",不可申報。";
            } else {
                said += " 不可申報。";
            }
            EXPECT_NE(q.explanation.find(said), std::string::npos) << said;
        }
        break;
    case QuestionKind::New2023:
        EXPECT_EQ(q.explanation.rfind(Named(c, q.code) + " 是ICD-10-CM 2023年版新增的代碼。", 0), 0u);
        EXPECT_NE(q.explanation.find("其他三個代碼在2023年版沒有異動。"), std::string::npos);
        break;
    case QuestionKind::Deleted2023: {
        const std::string change = keyRow.change == "D" || keyRow.change == "d" ? "刪除" : "停用";
        std::string added;
        for (const std::string& u : CodesUnder(c, q.code))
            if (ReadRow(c, u).isNew == "Y") added += (added.empty() ? "" : "、") + codes::DottedCode(u);
        EXPECT_EQ(q.explanation, Named(c, q.code) + " 在ICD-10-CM 2023年版已" + change +
                                     (added.empty() ? "。" : ",其下新增 " + added + "。") +
                                     "其他三個代碼在2023年版沒有異動。");
        break;
    }
    default:
        break;
    }
}

// Reads the bank's bytes back through the quiz's reader: no layout fault, CR LF
// only, one block per question holding exactly the question's texts, unshortened.
void CheckReadsBack(const quiz::MadeBank& bank) {
    quiz::QuestionBank read;
    read.loadBytes(bank.bytes);
    EXPECT_TRUE(quiz::CheckBank(read).empty()) << quiz::CheckBank(read).front();
    ASSERT_EQ(read.questionLines().size(), bank.questions.size());
    std::size_t crlf = 0;
    for (std::size_t i = 0; i < bank.bytes.size(); ++i)
        if (bank.bytes[i] == '\n') {
            EXPECT_TRUE(i > 0 && bank.bytes[i - 1] == '\r') << "bare LF at " << i;
            ++crlf;
        }
    EXPECT_EQ(crlf, read.lines().size());
    for (std::size_t n = 0; n < bank.questions.size(); ++n) {
        const quiz::MadeQuestion& q = bank.questions[n];
        const std::size_t at = read.questionLines()[n];
        EXPECT_EQ(text::FromCp950(quiz::TextFromThirdByte(read.line(at))), q.stem);
        EXPECT_EQ(read.line(at + 1), "A:" + std::to_string(q.key));
        for (std::size_t a = 0; a < 4; ++a)
            EXPECT_EQ(text::FromCp950(read.line(at + 2 + a)), std::to_string(a + 1) + "." + q.choices[a]);
        EXPECT_FALSE(q.explanation.empty());
        EXPECT_EQ(text::FromCp950(read.explanation(at)), q.explanation);
    }
}

quiz::MakerOptions Options(int count, const std::string& codes, std::uint32_t seed,
                           std::vector<QuestionKind> kinds = quiz::AllKinds()) {
    quiz::MakerOptions o;
    o.count = count;
    o.codes = *quiz::ParseCodeScope(codes);
    o.seed = seed;
    o.kinds = std::move(kinds);
    return o;
}

// Makes banks over several scopes and seeds and checks every question.
void CheckBanks(const std::string& dbPath, const std::vector<std::string>& scopes, int count,
                std::map<QuestionKind, int>& made) {
    db::Connection c;
    c.open(db::PrepareDatabaseFile(dbPath));
    const auto rows = quiz::ReadCodeRows(c);
    for (const std::string& scope : scopes)
        for (std::uint32_t seed : {1u, 2023u, 4000000000u}) {
            SCOPED_TRACE("--codes " + scope + " --seed " + std::to_string(seed));
            const quiz::MadeBank bank = quiz::MakeQuestionBank(rows, Options(count, scope, seed));
            ASSERT_FALSE(bank.questions.empty());
            CheckReadsBack(bank);
            std::set<std::string> codes;
            for (const auto& q : bank.questions) {
                CheckAgainstDatabase(c, q);
                CheckExplanation(c, q);
                EXPECT_TRUE(codes.insert(q.code).second) << q.code << " asked twice";
                ++made[q.kind];
            }
        }
}

} // namespace

TEST(BankMaker, codeScopesAndKindListsReadAsTheTeacherWritesThem) {
    auto scope = quiz::ParseCodeScope("S93");
    ASSERT_TRUE(scope);
    EXPECT_TRUE(scope->contains("S93401A"));
    EXPECT_FALSE(scope->contains("S92"));

    scope = quiz::ParseCodeScope("S00-T88");
    ASSERT_TRUE(scope);
    for (const char* in : {"S00", "S93401A", "T88", "T889XXS"})
        EXPECT_TRUE(scope->contains(in)) << in;
    for (const char* out : {"R99", "T89", "SA00", "SF5"})
        EXPECT_FALSE(scope->contains(out)) << out;

    scope = quiz::ParseCodeScope(" S93.4, m54 ,");
    ASSERT_TRUE(scope);
    EXPECT_TRUE(scope->contains("S93401A"));
    EXPECT_TRUE(scope->contains("M545"));
    EXPECT_FALSE(scope->contains("S930"));
    EXPECT_TRUE(quiz::ParseCodeScope("SA0-SJ3")->contains("SF50"));
    // A range of the traditional-medicine blocks typed by their two letters.
    EXPECT_TRUE(quiz::ParseCodeScope("sa-sb")->contains("SB060"));
    EXPECT_FALSE(quiz::ParseCodeScope("SA-SB")->contains("SC00"));
    EXPECT_TRUE(quiz::ParseCodeScope("")->contains("A00"));
    for (const char* bad : {"S9#", "T88-S00", ",", "S00-", "S934012345"})
        EXPECT_FALSE(quiz::ParseCodeScope(bad)) << bad;

    EXPECT_EQ(*quiz::ParseKinds("name, SEVENTH,name"),
              (std::vector<QuestionKind>{QuestionKind::NameToCode, QuestionKind::SeventhCharacter}));
    EXPECT_EQ(*quiz::ParseKinds(""), quiz::AllKinds());
    EXPECT_EQ(*quiz::ParseKinds("all"), quiz::AllKinds());
    EXPECT_FALSE(quiz::ParseKinds("name,foo"));
}

TEST(BankMaker, theKindsTableIsWhatKindListsAndTheDocsFollow) {
    const std::string docs =
        testsupport::ReadFile(std::filesystem::path(ICD_SOURCE_DIR) / "docs" / "quiz.md");
    ASSERT_EQ(quiz::Kinds().size(), quiz::AllKinds().size());
    for (std::size_t i = 0; i < quiz::Kinds().size(); ++i) {
        const quiz::KindInfo& k = quiz::Kinds()[i];
        SCOPED_TRACE(std::string(k.name));
        EXPECT_EQ(static_cast<std::size_t>(k.kind), i) << "rows in the order of QuestionKind";
        EXPECT_EQ(&quiz::Kind(k.kind), &k);
        EXPECT_EQ(*quiz::ParseKinds(std::string(k.name)), std::vector<QuestionKind>{k.kind});
        for (std::string_view field : {k.title, k.question, k.codes, k.distractors, k.explanation})
            EXPECT_FALSE(field.empty());
        // docs/quiz.md lists the kind as the table has it.
        const std::string row = "| `" + std::string(k.name) + "` | " + std::string(k.title) + " | " +
                                std::string(k.question) + " | " + std::string(k.codes) + " | " +
                                std::string(k.distractors) + " | " + std::string(k.explanation) + " | " +
                                (k.needsGuide       ? "編碼指引"
                                 : k.needsMarks2023 ? "代碼資料庫的2023年版標記"
                                                    : "代碼資料庫") +
                                " |\n";
        EXPECT_NE(docs.find(row), std::string::npos) << "docs/quiz.md lacks the row\n" << row;
    }
}

TEST(BankMaker, rowsAreReadOncePerCodeInCodeOrderWithMarksInAnyCase) {
    testsupport::TempDir dir;
    db::Connection c;
    c.open(dir.file("codes.sqlite"), true);
    // A converted file need not have the unique index: one code may come twice.
    c.exec("CREATE TABLE ICD10 (ICD10_NO TEXT, ICD10_CNAME TEXT, ICD10_ENAME TEXT, ICD10_FLAG TEXT,"
           " ICD10_2023FLAG TEXT, ICD10_2023NEW TEXT);"
           "INSERT INTO ICD10 VALUES ('b3731 ', '急性', '', 'y', '', 'y');"
           "INSERT INTO ICD10 VALUES ('A00', '霍亂', '', 'N', NULL, NULL);"
           "INSERT INTO ICD10 VALUES ('B373', '念珠菌病', '', 'N', 'x', '');"
           "INSERT INTO ICD10 VALUES ('A00', '霍亂(重複)', '', 'N', '', '');");
    const auto rows = quiz::ReadCodeRows(c);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].code, "A00");
    EXPECT_EQ(rows[0].cname, "霍亂");
    EXPECT_EQ(rows[0].change2023, 0);
    EXPECT_EQ(rows[1].code, "B373");
    EXPECT_EQ(rows[1].change2023, 'X');
    EXPECT_EQ(rows[2].code, "B3731");
    EXPECT_TRUE(rows[2].billable);
    EXPECT_TRUE(rows[2].new2023);
}

TEST(BankMaker, portableDrawsArePinnedAndStayBelowTheirBound) {
    // The same seed gives the same bank on every platform only if these stay put.
    quiz::PortableRandom r(42);
    std::vector<std::uint32_t> draws;
    for (int i = 0; i < 8; ++i)
        draws.push_back(r.below(100));
    EXPECT_EQ(draws, (std::vector<std::uint32_t>{42, 67, 76, 14, 26, 35, 20, 24}));
    quiz::PortableRandom s(7);
    for (std::uint32_t bound : {1u, 2u, 3u, 7u, 1000u, 4294967295u})
        for (int i = 0; i < 200; ++i)
            EXPECT_LT(s.below(bound), std::max(bound, 1u));
}

TEST(BankMaker, sampleBanksReadBackWithRightKeysAndWrongDistractors) {
    if (!std::filesystem::exists(kSampleDb)) GTEST_SKIP() << "sample database not built";
    std::map<QuestionKind, int> made;
    CheckBanks(kSampleDb, {"", "S93", "S00-T88", "B,D,E", "SA0-SJ3"}, 20, made);
    for (QuestionKind kind : quiz::AllKinds())
        if (!quiz::Kind(kind).needsGuide) {
            EXPECT_GT(made[kind], 0) << quiz::KindName(kind) << " never made";
        }
}

TEST(BankMaker, fullSizeBanksReadBackWithRightKeysAndWrongDistractors) {
    ICD_REQUIRE_FULL_DB();
    std::map<QuestionKind, int> made;
    CheckBanks(testsupport::FullDatabasePath(), {"", "S93", "S00-T88", "M80-M84", "O", "SF"}, 100, made);
    for (QuestionKind kind : quiz::AllKinds())
        if (!quiz::Kind(kind).needsGuide) {
            EXPECT_GT(made[kind], 0) << quiz::KindName(kind) << " never made";
        }
}

TEST(BankMaker, sameSeedSameBytesAndTooFewCodesWritesWhatItCan) {
    if (!std::filesystem::exists(kSampleDb)) GTEST_SKIP() << "sample database not built";
    db::Connection c;
    c.open(kSampleDb);
    const auto rows = quiz::ReadCodeRows(c);
    const auto a = quiz::MakeQuestionBank(rows, Options(15, "S00-T88", 99));
    EXPECT_EQ(a.bytes, quiz::MakeQuestionBank(rows, Options(15, "S00-T88", 99)).bytes);
    EXPECT_NE(a.bytes, quiz::MakeQuestionBank(rows, Options(15, "S00-T88", 100)).bytes);

    // S93.0 holds twelve seventh-character codes and their headers: not fifty questions.
    const auto o = Options(50, "S930", 5);
    const auto few = quiz::MakeQuestionBank(rows, o);
    EXPECT_GT(few.questions.size(), 0u);
    EXPECT_LT(few.questions.size(), 50u);
    CheckReadsBack(few);
    const auto summary = quiz::SummaryLines(few, o, "out.txt");
    EXPECT_EQ(summary.back(),
              "注意:範圍內可出題的代碼不足,要求50題,只寫出" + std::to_string(few.questions.size()) + "題");
    EXPECT_NE(summary[1].find("ICD-11傳統醫學章 0題(範圍內沒有可出此題型的代碼)"), std::string::npos)
        << summary[1];
    // Without the coder's guide its kinds ask nothing, and the summary says why.
    EXPECT_NE(summary[1].find("排除一 0題(沒有編碼指引)"), std::string::npos) << summary[1];

    // A scope without codes makes nothing.
    EXPECT_TRUE(quiz::MakeQuestionBank(rows, Options(10, "W99", 5)).questions.empty());
}

TEST(BankMaker, namesWithoutBig5AlikeOrTooLongNeverReachTheBank) {
    // Right and left of one injury, each with its three encounters; names are
    // made so that some cannot be told apart, cannot be written in Big5, or
    // would be cut by the quiz.
    auto row = [](std::string code, std::string name, bool billable) {
        quiz::CodeRow r;
        r.code = std::move(code);
        r.cname = std::move(name);
        r.billable = billable;
        return r;
    };
    const std::string longName(130, 'x'); // 130 bytes: a stem around it passes 250
    std::vector<quiz::CodeRow> rows = {
        row("S934", "踝扭傷", false),
        row("S93401", "右踝扭傷", false),
        row("S93401A", "右踝扭傷，初期照護", true),
        row("S93401D", "右踝扭傷，後續照護", true),
        row("S93401S", "右踝扭傷，後遺症😀", true), // no Big5 form
        row("S93402", "左踝扭傷", false),
        row("S93402A", "右踝扭傷，初期照護", true), // the same name as S93401A
        row("S93402D", "左踝扭傷，後續照護", true),
        row("S93402S", "左踝扭傷，後遺症" + longName + longName, true),
    };
    for (QuestionKind kind :
         {QuestionKind::NameToCode, QuestionKind::CodeToName, QuestionKind::SeventhCharacter}) {
        SCOPED_TRACE(std::string(quiz::KindName(kind)));
        const quiz::MadeBank bank = quiz::MakeQuestionBank(rows, Options(10, "", 3, {kind}));
        // Every text reads back whole and unchanged, so nothing became "?".
        CheckReadsBack(bank);
        EXPECT_EQ(bank.textsLeftOut, 1);
        for (const auto& q : bank.questions) {
            EXPECT_NE(q.code, "S93401S");
            for (const std::string& choice : q.choices)
                EXPECT_EQ(choice.find("😀"), std::string::npos);
            // The two codes named alike are never offered side by side.
            const auto& codes = q.choiceCodes;
            EXPECT_FALSE(std::count(codes.begin(), codes.end(), "S93401A") &&
                         std::count(codes.begin(), codes.end(), "S93402A"))
                << q.stem;
        }
        EXPECT_GT(bank.skipped.count(quiz::SkipReason::NotBig5), 0u);
        if (kind == QuestionKind::CodeToName) continue;
        // A stem holding the long name would be cut by the quiz: not asked.
        EXPECT_GT(bank.skipped.count(quiz::SkipReason::TooLong), 0u);
        for (const auto& q : bank.questions)
            EXPECT_NE(q.code, "S93402S");
    }

    // Without any 2023 mark in the database the summary says so.
    const auto options = Options(10, "", 3);
    const auto summary = quiz::SummaryLines(quiz::MakeQuestionBank(rows, options), options, "qa.txt");
    EXPECT_NE(summary[1].find("2023年版新增碼 0題(資料庫沒有2023年版標記)"), std::string::npos) << summary[1];
    for (QuestionKind kind : quiz::AllKinds()) // exactly the kinds the table marks as needing them
        EXPECT_EQ(summary[1].find(std::string(quiz::KindTitle(kind)) + " 0題(資料庫沒有2023年版標記)") !=
                      std::string::npos,
                  quiz::Kind(kind).needsMarks2023)
            << quiz::KindName(kind);

    // The seventh character Q is asked and explained like any other: its
    // explanation never reads "Q:", which would start a question.
    std::vector<quiz::CodeRow> malunion = {row("S52132", "左側橈骨頸骨折", false)};
    for (const char* end :
         {"A閉鎖性骨折初期照護", "D骨折癒合正常之後續照護", "Q骨折癒合不良之後續照護", "S後遺症"})
        malunion.push_back(
            row(std::string("S52132") + end[0], std::string("左側橈骨頸骨折，") + (end + 1), true));
    const quiz::MadeBank q =
        quiz::MakeQuestionBank(malunion, Options(4, "", 2, {QuestionKind::SeventhCharacter}));
    CheckReadsBack(q);
    EXPECT_EQ(q.questions.size(), 4u);
    for (const auto& made : q.questions)
        if (made.code == "S52132Q") {
            EXPECT_EQ(
                made.explanation,
                "第7位字元 Q 表示骨折癒合不良之後續照護(S52.132Q 左側橈骨頸骨折，骨折癒合不良之後續照護)");
        }

    // A fracture whose sixteen encounters all bear one name: no letter can be
    // told from another, and no letter is left to stand in.
    std::vector<quiz::CodeRow> fracture = {row("S82001", "骨折", false)};
    for (char c : std::string("ABCDEFGHJKMNPQRS"))
        fracture.push_back(row(std::string("S82001") + c, "骨折，照護", true));
    const quiz::MadeBank none =
        quiz::MakeQuestionBank(fracture, Options(5, "", 1, {QuestionKind::SeventhCharacter}));
    EXPECT_TRUE(none.questions.empty());
    EXPECT_EQ(none.skipped.at(quiz::SkipReason::NoDistinctChoices), 16);
}

TEST(BankMaker, aGeneratedTenQuestionQuizRunsToItsReport) {
    if (!std::filesystem::exists(kSampleDb)) GTEST_SKIP() << "sample database not built";
    db::Connection c;
    c.open(kSampleDb);
    const auto bank = quiz::MakeQuestionBank(quiz::ReadCodeRows(c), Options(12, "", 8));
    ASSERT_EQ(bank.questions.size(), 12u);

    quiztest::ScriptedRandom random({37, 3, 9, 1, 11, 0, 5});
    quiz::QuizSession session(random);
    session.startNewQuizFromBytes(bank.bytes);
    ASSERT_EQ(session.length(), 10);
    // Answer rightly by each question's key, except questions 4 and 7.
    std::string wrongQuestion;
    for (int k = 1; k <= 10; ++k) {
        const auto& lines = session.bank().questionLines();
        const std::size_t at = session.order()[static_cast<std::size_t>(k - 1)];
        const auto& made = bank.questions[static_cast<std::size_t>(std::find(lines.begin(), lines.end(), at) -
                                                                   lines.begin())];
        const std::string question = session.question().question;
        EXPECT_EQ(question, "問題" + std::to_string(k) + "/10\r\n" + made.stem);
        const bool wrong = k == 4 || k == 7;
        if (k == 4) wrongQuestion = made.stem;
        session.answer(wrong ? made.key % 4 + 1 : made.key);
    }
    ASSERT_TRUE(session.reportShown());
    const quiz::Report report = session.report();
    EXPECT_EQ(report.rightCount, 8);
    EXPECT_EQ(report.wrongCount, 2);
    EXPECT_EQ(report.verdictLine, "不錯的成績,評量分數為:80分");
    EXPECT_EQ(report.lines[0], "答對8題");
    EXPECT_EQ(report.lines[3], "問題4:" + wrongQuestion);
}
