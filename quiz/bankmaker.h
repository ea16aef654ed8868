#pragma once
// Question banks written from the code database (and the coder's guide, when
// given): multiple-choice questions on the classification and the rules that
// decide a code, in the question file's own format (CP950, CR LF, six-line
// blocks, keys "A:1".."A:4", each block followed by its explanation line), so
// the quiz reads them as it reads the hand-written bank.
//
// Every question is right by construction: the key is the asked code's own
// value (or what the guide names), and each distractor is a near code (a
// sibling, a cousin, the other side, another encounter; for the guide's kinds
// a code of the key's category or section, asked of the guide again) whose
// value for the asked property differs from the key's, so no question has two
// right answers. Names are written as the
// database holds them; the quiz itself cuts what it shows at 250 bytes, and a
// question whose choices would no longer differ after that cut is not made.
// Text that has no Big5 (CP950) form is left out, never written as "?".
//
// Usage:
//   db::Connection c; c.open(path);
//   quiz::MakerOptions o; o.count = 20; o.codes = *quiz::ParseCodeScope("S93"); o.seed = 42;
//   quiz::MadeBank bank = quiz::MakeQuestionBank(quiz::ReadCodeRows(c), o);
//   write bank.bytes; print quiz::SummaryText(bank, o, "out.txt");

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace db {
class Connection;
}

namespace quiz {

// Kinds of question. What each is, which codes it asks about, how its
// question is made and what its explanation quotes are one row each of the
// kinds table (kinds.cpp), which --kinds, the help of make-quiz, the summary
// and docs/quiz.md follow. A new kind is a value here, a row there with its
// maker function, and a test.
enum class QuestionKind {
    NameToCode,       // "name":     which code is this Chinese name
    CodeToName,       // "code":     which name is this code
    SeventhCharacter, // "seventh":  which seventh character for this encounter
    Billable,         // "billable": which of four codes is finest (billable)
    New2023,          // "new":      which of four codes is new in 2023
    Deleted2023,      // "deleted":  which of four codes was deleted or disabled in 2023
    Icd11,            // "icd11":    which ICD-11 chapter 26 code is this pattern or disorder
    // Kinds from the coder's guide (MakerOptions::guide):
    Excludes1,      // "excludes1":      which code is never coded together with this one
    Sequence,       // "sequence":       which code is sequenced first, or added, with this one
    IndexPath,      // "index":          which code an Alphabetic Index path leads to
    SeventhMeaning, // "seventhmeaning": what this code's 7th character means
};

// One row of the kinds table, as the help, the summary and the docs show it.
struct KindInfo {
    QuestionKind kind;
    std::string_view name;        // as --kinds takes it: "name"
    std::string_view title;       // in the summary: "名稱選代碼"
    std::string_view question;    // what is asked
    std::string_view codes;       // which codes can be asked about
    std::string_view distractors; // where the wrong choices come from
    std::string_view explanation; // what the explanation line quotes
    bool needsGuide;              // asked only with the coder's guide
    bool needsMarks2023;          // asked only of a database that marks the 2023 changes
};

// Every kind, in the order of QuestionKind.
const std::vector<KindInfo>& Kinds();
const KindInfo& Kind(QuestionKind kind);
std::string_view KindName(QuestionKind kind);  // "name", "code", ...
std::string_view KindTitle(QuestionKind kind); // Chinese title for the summary
const std::vector<QuestionKind>& AllKinds();

// The --kinds list: names separated by commas, blanks ignored, case ignored.
//   "name,seventh" => {NameToCode, SeventhCharacter}    "" or "all" => every kind
//   "name,foo" => nullopt (an unknown name)
std::optional<std::vector<QuestionKind>> ParseKinds(std::string_view list);

// Which codes questions are asked on: prefixes and inclusive ranges, with or
// without dots, in any case. A range takes everything that begins with its
// upper bound, and only codes of its own classification (S00-T88 takes the
// injury codes, not the ICD-11 codes SA0..SJ3 that sort between them).
//   "S93" => {S93*}    "S00-T88" => {S00 <= code <= T88ZZZZZ}    "S93.4, m54" => {S934*, M54*}
//   "" => every code   "S9#" or "T88-S00" => nullopt
struct CodeScope {
    struct Item {
        std::string low;  // prefix, or the range's lower bound
        std::string high; // empty for a prefix
    };
    std::vector<Item> items; // empty: every code
    bool contains(std::string_view code) const;
};
std::optional<CodeScope> ParseCodeScope(std::string_view typed);

// One row of the ICD10 table.
struct CodeRow {
    std::string code;  // without dot, upper case
    std::string cname; // Chinese name, UTF-8
    bool billable = false;
    bool new2023 = false;
    char change2023 = 0; // 'D' deleted, 'X' disabled, 0 unchanged
};

// Every row of ICD10, sorted by code, each code once (the first row of it):
// codes trimmed and upper-cased, marks read in any case.
std::vector<CodeRow> ReadCodeRows(db::Connection& connection);

class GuideFacts;

struct MakerOptions {
    int count = 20;
    CodeScope codes;
    std::vector<QuestionKind> kinds = AllKinds();
    std::uint32_t seed = 0;
    std::string commandLine;     // written into the bank's remark line
    GuideFacts* guide = nullptr; // the coder's guide (quiz/guidefacts.h); none: its kinds ask nothing
};

struct MadeQuestion {
    QuestionKind kind = QuestionKind::NameToCode;
    std::string code;                       // the code the question is about
    std::string stem;                       // question text (UTF-8)
    std::array<std::string, 4> choices;     // answer texts, without their labels
    std::array<std::string, 4> choiceCodes; // the code behind each choice ("" for none)
    int key = 1;                            // 1..4
    std::string explanation;                // why the key is right, quoted from the data (UTF-8)
};

// Why a question was not made, counted in the summary.
enum class SkipReason {
    NoDistinctChoices, // fewer than three near codes that differ in the asked property
    NotBig5,           // a text without a Big5 (CP950) form
    TooLong,           // the quiz would cut the question or make two choices look alike
    BadText,           // an empty name, a control character, or "Q:" inside a choice or explanation
};
constexpr int kSkipReasonCount = 4;
std::string_view SkipReasonTitle(SkipReason reason);

struct MadeBank {
    std::vector<MadeQuestion> questions;
    std::string bytes; // the file: CP950, CR LF
    std::map<QuestionKind, int> perKind;
    std::map<QuestionKind, int> candidates; // codes in scope that each kind could ask about
    std::map<SkipReason, int> skipped;
    int codesInScope = 0;
    bool hasGuide = false;     // the guide's kinds could be asked
    bool hasMarks2023 = false; // some row is marked new, deleted or disabled in 2023
    int textsLeftOut = 0;      // names left out of the bank because they have no Big5 form
};

// Makes up to options.count questions, taking the kinds in turn; a kind that
// runs out of codes leaves its turns to the others. The same rows and options
// give the same bytes on every platform. Every question is written with its
// explanation line ("E:" after the fourth answer, see questionbank.h); a
// question whose explanation cannot be written whole is not made.
MadeBank MakeQuestionBank(const std::vector<CodeRow>& rows, const MakerOptions& options);

// The summary for the terminal (UTF-8 lines): questions per kind, codes drawn
// from, questions skipped and why, and a warning line when fewer questions than
// asked could be made.
std::vector<std::string> SummaryLines(const MadeBank& bank, const MakerOptions& options,
                                      const std::string& outPath);

// A generator whose draws are the same on every platform: the Mersenne Twister
// (fixed by the standard) and a bounded draw of our own, since the standard
// distributions differ between libraries.
class PortableRandom {
public:
    explicit PortableRandom(std::uint32_t seed);
    // Uniform from 0 to bound - 1 (0 when bound <= 1).
    std::uint32_t below(std::uint32_t bound);
    template <class T> void shuffle(std::vector<T>& v) {
        for (std::size_t i = v.size(); i > 1; --i)
            std::swap(v[i - 1], v[below(static_cast<std::uint32_t>(i))]);
    }

private:
    std::mt19937 m_engine;
};

} // namespace quiz
