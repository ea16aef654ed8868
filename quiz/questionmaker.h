#pragma once
// Inside the question-bank maker: the maker of one bank and the kinds table it
// follows. Only bankmaker.cpp and kinds.cpp include this; everyone else uses
// quiz/bankmaker.h.

#include <algorithm>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "quiz/bankmaker.h"
#include "quiz/guidefacts.h"

namespace quiz::maker {

inline bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// Two names that a student could take for one another: equal, or one is the
// other with more words after it ("外因" and "外因，後遺症").
inline bool NamesClash(std::string_view a, std::string_view b) {
    return StartsWith(a, b) || StartsWith(b, a);
}

inline bool HasControlCharacter(std::string_view s) {
    return std::any_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// One attempt at a question: the question, or why none could be made. A code
// the kind turns out to have nothing to ask about (no note of the rule, no
// 7th-character table) is no candidate at all rather than a skipped one.
struct Attempt {
    std::optional<MadeQuestion> question;
    SkipReason reason = SkipReason::NoDistinctChoices;
    bool candidate = true;
};

inline Attempt Skip(SkipReason reason) {
    return Attempt{std::nullopt, reason};
}

inline Attempt NoCandidate() {
    return Attempt{std::nullopt, SkipReason::NoDistinctChoices, false};
}

// A wrong choice: its text and the code behind it ("" for none).
using Distractor = std::pair<std::string, std::string>;

class Maker {
public:
    Maker(const std::vector<CodeRow>& rows, const MakerOptions& options, MadeBank& bank);

    void run();

    // The kinds, one pair each: which rows may be asked about, and the question
    // on row k. Defined in kinds.cpp beside the table.
    bool asksName(std::size_t k) const;
    bool asksSeventh(std::size_t k) const;
    bool asksBillable(std::size_t k) const;
    bool asksNew(std::size_t k) const;
    bool asksDeleted(std::size_t k) const;
    bool asksIcd11(std::size_t k) const;
    bool asksGuide(std::size_t k) const;
    bool asksIndex(std::size_t k) const;
    bool asksSeventhMeaning(std::size_t k) const;
    Attempt nameToCode(std::size_t k);
    Attempt icd11NameToCode(std::size_t k);
    Attempt codeToName(std::size_t k);
    Attempt seventh(std::size_t k);
    Attempt billable(std::size_t k);
    Attempt new2023(std::size_t k);
    Attempt deleted2023(std::size_t k);
    Attempt excludes1(std::size_t k);
    Attempt sequence(std::size_t k);
    Attempt index(std::size_t k);
    Attempt seventhMeaning(std::size_t k);

private:
    using Pick = std::function<bool(std::size_t)>;
    // Writes a question's explanation once its choices are in place.
    using Explain = std::function<std::string(const MadeQuestion&)>;

    Attempt make(QuestionKind kind, std::size_t k);
    Attempt nameOrIcd11ToCode(std::size_t k, bool icd11);
    Attempt markedAmongFour(std::size_t k, QuestionKind kind);
    // A question on a note of the code at row k: which of four codes the note
    // names (the key, a code of the code database) among near codes that no
    // note of the rules covers.
    Attempt noteQuestion(QuestionKind kind, std::size_t k, const std::vector<GuideFacts::Rule>& rules);
    // Three codes for a guide question: the same length as the key row's code,
    // current, named, neither above nor below the key or the asked row, and
    // accepted by `fits` (the second query); from the key's category first
    // (nearest first), then from the rest of its section, in random order.
    std::vector<std::size_t> nearInGroup(std::size_t key, std::size_t asked, const Pick& fits);
    // The 7th-character table line of row k's code: "第7位字元表(S52 類目):G ..."; "" without one.
    std::string seventhLine(std::size_t k);

    // Rows whose code begins with prefix: [first, last).
    std::pair<std::size_t, std::size_t> prefixRange(std::string_view prefix) const;
    // Offers rows near row k to accept (nearest first: the longest shared
    // prefix, in random order within each step, down to `shortest` characters)
    // until it has taken `want`.
    std::vector<std::size_t> near(std::size_t k, std::size_t want, const Pick& accept,
                                  std::size_t shortest = 1);
    // A name fit for a choice or a stem; records names without a Big5 form.
    bool nameUsable(std::size_t i);
    // The row of a code, or none.
    std::optional<std::size_t> rowOf(std::string_view code) const;
    // A code as an explanation names it: "S93.40 踝扭傷，未明示韌帶", or the code
    // alone when its name cannot be written.
    std::string named(std::size_t i);
    // The rows above row k, the category first (the codes its code begins with).
    std::vector<std::size_t> ancestors(std::size_t k) const;
    // The rows right under row k (each with the rows under it left out), in
    // code order, and how many there are; at most `listed` of them are returned.
    std::vector<std::size_t> children(std::size_t k, std::size_t listed, std::size_t& count) const;
    // "分類路徑:S93 ... ＞ S93.4 ... ＞ S93.401A ..."
    std::string titlePath(std::size_t k);
    // Places the key (its text and code) among the distractors and checks that
    // the quiz will show the question whole, its four choices apart and its
    // explanation whole.
    Attempt finish(QuestionKind kind, std::size_t k, std::string stem, Distractor key,
                   std::vector<Distractor> distractors, const Explain& explain);

    const std::vector<CodeRow>& m_rows;
    const MakerOptions& m_options;
    GuideFacts* m_guide; // none: the kinds that need it have nothing to ask
    MadeBank& m_bank;
    PortableRandom m_random;
    std::vector<signed char> m_big5; // per row: 0 not yet checked, 1 has a Big5 form, -1 has none
    std::set<std::string> m_asked;
    std::set<std::size_t> m_smallGroups; // key rows whose category and section hold too few codes
};

// One row of the kinds table: what the kind is, and the two maker functions
// that ask it.
struct KindRow {
    KindInfo info;
    bool (Maker::*asks)(std::size_t k) const;
    Attempt (Maker::*make)(std::size_t k);
};

const KindRow& KindRowOf(QuestionKind kind);

} // namespace quiz::maker
