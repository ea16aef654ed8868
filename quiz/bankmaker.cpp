#include "quiz/bankmaker.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <set>

#include "codes/coderules.h"
#include "db/connection.h"
#include "db/query.h"
#include "quiz/questionbank.h"
#include "quiz/questionmaker.h"
#include "text/text.h"

namespace quiz {

using maker::StartsWith;

namespace {

constexpr std::size_t kShownBytes = 250; // the quiz shows a text from its third byte, at most 250 bytes

} // namespace

const KindInfo& Kind(QuestionKind kind) {
    return Kinds()[static_cast<std::size_t>(kind)];
}
std::string_view KindName(QuestionKind kind) {
    return Kind(kind).name;
}
std::string_view KindTitle(QuestionKind kind) {
    return Kind(kind).title;
}

const std::vector<QuestionKind>& AllKinds() {
    static const std::vector<QuestionKind> all = [] {
        std::vector<QuestionKind> v;
        for (const KindInfo& k : Kinds())
            v.push_back(k.kind);
        return v;
    }();
    return all;
}

std::optional<std::vector<QuestionKind>> ParseKinds(std::string_view list) {
    const std::string all = text::Trim(list);
    if (all.empty() || text::Upper(all) == "ALL") return AllKinds();
    std::vector<QuestionKind> kinds;
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t comma = all.find(',', start);
        if (comma == std::string::npos) comma = all.size();
        const std::string name = text::Upper(text::Trim(std::string_view(all).substr(start, comma - start)));
        start = comma + 1;
        if (name.empty()) continue;
        auto it = std::find_if(Kinds().begin(), Kinds().end(),
                               [&](const KindInfo& k) { return text::Upper(k.name) == name; });
        if (it == Kinds().end()) return std::nullopt;
        if (std::find(kinds.begin(), kinds.end(), it->kind) == kinds.end()) kinds.push_back(it->kind);
    }
    if (kinds.empty()) return std::nullopt;
    return kinds;
}

bool CodeScope::contains(std::string_view code) const {
    if (items.empty()) return true;
    for (const Item& item : items) {
        if (item.high.empty()) {
            if (StartsWith(code, item.low)) return true;
        } else if (code >= item.low && code <= item.high + "ZZZZZ" &&
                   codes::IsIcd11Code(code) == codes::IsIcd11Code(item.low)) {
            return true;
        }
    }
    return false;
}

std::optional<CodeScope> ParseCodeScope(std::string_view typed) {
    CodeScope scope;
    const std::string all(typed);
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t comma = all.find(',', start);
        if (comma == std::string::npos) comma = all.size();
        const std::string item = text::Trim(std::string_view(all).substr(start, comma - start));
        start = comma + 1;
        if (item.empty()) continue;
        const std::size_t dash = item.find('-');
        CodeScope::Item parsed;
        parsed.low = codes::TypedPrefixKey(item.substr(0, dash));
        if (parsed.low.empty()) return std::nullopt;
        if (dash != std::string::npos) {
            parsed.high = codes::TypedPrefixKey(item.substr(dash + 1));
            if (parsed.high.empty() || parsed.high < parsed.low) return std::nullopt;
        }
        scope.items.push_back(parsed);
    }
    if (scope.items.empty() && !text::Trim(typed).empty()) return std::nullopt; // only commas
    return scope;
}

std::vector<CodeRow> ReadCodeRows(db::Connection& connection) {
    db::Query q(connection);
    q.setText(
        "SELECT ICD10_NO,ICD10_CNAME,ICD10_FLAG,ICD10_2023FLAG,ICD10_2023NEW FROM ICD10 ORDER BY ICD10_NO");
    q.open();
    std::vector<CodeRow> rows;
    for (; !q.eof(); q.next()) {
        CodeRow row;
        row.code = text::Upper(text::Trim(q.field("ICD10_NO")));
        if (row.code.empty()) continue;
        row.cname = text::Trim(q.field("ICD10_CNAME"));
        row.billable = text::Upper(q.field("ICD10_FLAG")) == "Y";
        row.new2023 = text::Upper(q.field("ICD10_2023NEW")) == "Y";
        const std::string change = text::Upper(text::Trim(q.field("ICD10_2023FLAG")));
        if (change == "D" || change == "X") row.change2023 = change[0];
        rows.push_back(std::move(row));
    }
    q.close();
    // A converted file may hold a code twice: the first row of it counts, so a
    // question never offers one code as two choices.
    std::stable_sort(rows.begin(), rows.end(),
                     [](const CodeRow& a, const CodeRow& b) { return a.code < b.code; });
    rows.erase(std::unique(rows.begin(), rows.end(),
                           [](const CodeRow& a, const CodeRow& b) { return a.code == b.code; }),
               rows.end());
    return rows;
}

std::string_view SkipReasonTitle(SkipReason reason) {
    switch (reason) {
    case SkipReason::NoDistinctChoices:
        return "找不到三個名稱或性質不同的近似代碼";
    case SkipReason::NotBig5:
        return "文字無法以Big5(CP950)表示";
    case SkipReason::TooLong:
        return "文字過長,測驗畫面截斷後無法分辨";
    case SkipReason::BadText:
        return "名稱空白或含控制字元、「Q:」";
    }
    return "";
}

PortableRandom::PortableRandom(std::uint32_t seed) : m_engine(seed) {}

std::uint32_t PortableRandom::below(std::uint32_t bound) {
    if (bound <= 1) return 0;
    // Rejection keeps the draw uniform: values at or above the largest multiple
    // of bound below 2^32 are drawn again.
    constexpr std::uint64_t range = std::uint64_t{1} << 32;
    const std::uint64_t limit = range - range % bound;
    std::uint64_t x;
    do {
        x = static_cast<std::uint32_t>(m_engine());
    } while (x >= limit);
    return static_cast<std::uint32_t>(x % bound);
}

namespace maker {

Maker::Maker(const std::vector<CodeRow>& rows, const MakerOptions& options, MadeBank& bank)
    : m_rows(rows), m_options(options), m_guide(options.guide), m_bank(bank), m_random(options.seed),
      m_big5(rows.size(), 0) {
    m_bank.hasGuide = m_guide != nullptr;
}

std::pair<std::size_t, std::size_t> Maker::prefixRange(std::string_view prefix) const {
    // Codes are letters and digits, all below 0x7F: prefix + 0x7F sorts after every code under it.
    std::string after(prefix);
    after += static_cast<char>(0x7F);
    auto before = [](const CodeRow& r, std::string_view p) { return r.code < p; };
    auto lo = std::lower_bound(m_rows.begin(), m_rows.end(), prefix, before);
    auto hi = std::lower_bound(lo, m_rows.end(), std::string_view(after), before);
    return {static_cast<std::size_t>(lo - m_rows.begin()), static_cast<std::size_t>(hi - m_rows.begin())};
}

std::vector<std::size_t> Maker::near(std::size_t k, std::size_t want, const Pick& accept,
                                     std::size_t shortest) {
    std::vector<std::size_t> taken;
    const std::string& code = m_rows[k].code;
    std::size_t innerLo = k, innerHi = k + 1;
    constexpr std::size_t kWholeStep = 256; // a step this small is offered whole, a larger one by samples
    for (std::size_t len = code.size() - 1; len >= shortest && len >= 1 && taken.size() < want; --len) {
        auto [lo, hi] = prefixRange(std::string_view(code).substr(0, len));
        const std::size_t size = (innerLo - lo) + (hi - innerHi);
        std::vector<std::size_t> step;
        if (size <= kWholeStep) {
            for (std::size_t i = lo; i < innerLo; ++i)
                step.push_back(i);
            for (std::size_t i = innerHi; i < hi; ++i)
                step.push_back(i);
            m_random.shuffle(step);
        } else {
            std::set<std::size_t> seen;
            for (std::size_t n = 0; n < kWholeStep; ++n) {
                std::size_t d = m_random.below(static_cast<std::uint32_t>(size));
                std::size_t i = d < innerLo - lo ? lo + d : innerHi + (d - (innerLo - lo));
                if (seen.insert(i).second) step.push_back(i);
            }
        }
        for (std::size_t i : step) {
            if (taken.size() >= want) break;
            if (accept(i)) taken.push_back(i);
        }
        innerLo = lo;
        innerHi = hi;
    }
    return taken;
}

bool Maker::nameUsable(std::size_t i) {
    const std::string& name = m_rows[i].cname;
    if (name.empty() || HasControlCharacter(name)) return false;
    if (m_big5[i] == 0) {
        std::string big5;
        m_big5[i] = text::ToCp950(name, big5) ? 1 : -1;
        if (m_big5[i] < 0) ++m_bank.textsLeftOut;
    }
    return m_big5[i] > 0;
}

Attempt Maker::make(QuestionKind kind, std::size_t k) {
    const CodeRow& r = m_rows[k];
    if (r.cname.empty() || HasControlCharacter(r.cname)) return Skip(SkipReason::BadText);
    if (!nameUsable(k)) return Skip(SkipReason::NotBig5);
    return (this->*KindRowOf(kind).make)(k);
}

std::optional<std::size_t> Maker::rowOf(std::string_view code) const {
    auto [lo, hi] = prefixRange(code);
    if (lo < hi && m_rows[lo].code == code) return lo;
    return std::nullopt;
}

std::string Maker::named(std::size_t i) {
    return nameUsable(i) ? codes::DottedCode(m_rows[i].code) + " " + m_rows[i].cname
                         : codes::DottedCode(m_rows[i].code);
}

std::vector<std::size_t> Maker::ancestors(std::size_t k) const {
    std::vector<std::size_t> above;
    const std::string& code = m_rows[k].code;
    for (std::size_t len = 1; len < code.size(); ++len)
        if (auto i = rowOf(std::string_view(code).substr(0, len))) above.push_back(*i);
    return above;
}

std::vector<std::size_t> Maker::children(std::size_t k, std::size_t listed, std::size_t& count) const {
    // In code order each row comes right before the rows under it: a row that
    // does not begin with the last child taken is the next child.
    auto [lo, hi] = prefixRange(m_rows[k].code);
    std::vector<std::size_t> under;
    count = 0;
    std::string_view last;
    for (std::size_t i = lo; i < hi; ++i) {
        if (i == k || (!last.empty() && StartsWith(m_rows[i].code, last))) continue;
        last = m_rows[i].code;
        if (under.size() < listed) under.push_back(i);
        ++count;
    }
    return under;
}

std::string Maker::titlePath(std::size_t k) {
    std::string path = "分類路徑:";
    for (std::size_t i : ancestors(k))
        path += named(i) + " ＞ ";
    return path + named(k);
}

Attempt Maker::finish(QuestionKind kind, std::size_t k, std::string stem, Distractor key,
                      std::vector<Distractor> distractors, const Explain& explain) {
    if (distractors.size() < 3) return Skip(SkipReason::NoDistinctChoices);
    MadeQuestion q;
    q.kind = kind;
    q.code = m_rows[k].code;
    q.stem = std::move(stem);
    q.key = static_cast<int>(m_random.below(4)) + 1;
    m_random.shuffle(distractors);
    std::size_t d = 0;
    for (std::size_t c = 0; c < 4; ++c) {
        if (static_cast<int>(c) + 1 == q.key) {
            q.choices[c] = key.first;
            q.choiceCodes[c] = key.second;
        } else {
            q.choices[c] = distractors[d].first;
            q.choiceCodes[c] = distractors[d].second;
            ++d;
        }
    }

    std::string line;
    if (!text::ToCp950("Q:" + q.stem, line)) return Skip(SkipReason::NotBig5);
    if (line.size() - 2 > kShownBytes) return Skip(SkipReason::TooLong);
    std::set<std::string> shown;
    for (int c = 0; c < 4; ++c) {
        const std::string& choice = q.choices[static_cast<std::size_t>(c)];
        if (choice.empty() || HasControlCharacter(choice)) return Skip(SkipReason::BadText);
        if (!text::ToCp950(std::to_string(c + 1) + "." + choice, line)) return Skip(SkipReason::NotBig5);
        if (IsQuestionLine(line)) return Skip(SkipReason::BadText);
        if (!shown.insert(TextFromThirdByte(line, kShownBytes)).second) return Skip(SkipReason::TooLong);
    }
    // The explanation is written whole on its line, or the question is not made.
    q.explanation = explain(q);
    if (q.explanation.empty() || HasControlCharacter(q.explanation)) return Skip(SkipReason::BadText);
    if (!text::ToCp950("E:" + q.explanation, line)) return Skip(SkipReason::NotBig5);
    if (!IsExplanationLine(line)) return Skip(SkipReason::BadText);
    return Attempt{std::move(q), SkipReason::NoDistinctChoices};
}

void Maker::run() {
    struct Turn {
        QuestionKind kind;
        std::vector<std::size_t> candidates;
        std::size_t next = 0;
    };
    std::vector<Turn> turns;
    for (QuestionKind kind : m_options.kinds) {
        Turn t{kind, {}, 0};
        for (std::size_t i = 0; i < m_rows.size(); ++i)
            if (m_options.codes.contains(m_rows[i].code) && (this->*KindRowOf(kind).asks)(i))
                t.candidates.push_back(i);
        m_bank.candidates[kind] = static_cast<int>(t.candidates.size());
        m_bank.perKind[kind] = 0;
        m_random.shuffle(t.candidates);
        turns.push_back(std::move(t));
    }
    for (const CodeRow& r : m_rows) {
        if (m_options.codes.contains(r.code)) ++m_bank.codesInScope;
        if (r.new2023 || r.change2023 != 0) m_bank.hasMarks2023 = true;
    }

    std::size_t turn = 0;
    while (static_cast<int>(m_bank.questions.size()) < m_options.count) {
        // The next kind that still has codes to ask about.
        std::size_t tried = 0;
        while (tried < turns.size() && turns[turn].next >= turns[turn].candidates.size()) {
            turn = (turn + 1) % turns.size();
            ++tried;
        }
        if (tried == turns.size()) break;
        Turn& t = turns[turn];
        while (t.next < t.candidates.size()) {
            const std::size_t k = t.candidates[t.next++];
            if (m_asked.count(m_rows[k].code)) continue;
            Attempt a = make(t.kind, k);
            if (a.question) {
                m_asked.insert(m_rows[k].code);
                m_bank.questions.push_back(std::move(*a.question));
                ++m_bank.perKind[t.kind];
                break;
            }
            if (!a.candidate) {
                --m_bank.candidates[t.kind];
                continue;
            }
            ++m_bank.skipped[a.reason];
        }
        turn = (turn + 1) % turns.size();
    }
}

} // namespace maker

namespace {

std::string EncodeBank(const MadeBank& bank, const MakerOptions& options) {
    std::vector<std::string> lines;
    lines.push_back("# ICD-10-CM 評量題庫:由 icdtool make-quiz 從代碼資料庫產生,共" +
                    std::to_string(bank.questions.size()) + "題");
    if (!options.commandLine.empty()) lines.push_back("# " + options.commandLine);
    for (const MadeQuestion& q : bank.questions) {
        lines.emplace_back();
        lines.push_back("Q:" + q.stem);
        lines.push_back("A:" + std::to_string(q.key));
        for (int c = 0; c < 4; ++c)
            lines.push_back(std::to_string(c + 1) + "." + q.choices[static_cast<std::size_t>(c)]);
        lines.push_back("E:" + q.explanation);
    }
    std::string bytes;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        std::string big5;
        const bool written = text::ToCp950(lines[n], big5);
        // The questions were checked when made; a remark that cannot be written
        // as it stands, or that the quiz would take for a question, is left out.
        if (n < 2 && (!written || IsQuestionLine(big5))) continue;
        bytes += big5 + "\r\n";
    }
    return bytes;
}

} // namespace

MadeBank MakeQuestionBank(const std::vector<CodeRow>& rows, const MakerOptions& options) {
    MadeBank bank;
    if (options.count > 0 && !options.kinds.empty()) {
        maker::Maker maker(rows, options, bank);
        maker.run();
    }
    bank.bytes = EncodeBank(bank, options);
    return bank;
}

std::vector<std::string> SummaryLines(const MadeBank& bank, const MakerOptions& options,
                                      const std::string& outPath) {
    std::vector<std::string> lines;
    const int made = static_cast<int>(bank.questions.size());
    lines.push_back("已寫入" + std::to_string(made) + "題到 " + outPath + "(--seed " +
                    std::to_string(options.seed) + ",同樣的命令與種子會寫出同樣的檔案)");
    std::string kinds = "各題型:";
    bool first = true;
    for (QuestionKind kind : options.kinds) {
        auto count = bank.perKind.find(kind);
        auto cand = bank.candidates.find(kind);
        kinds += std::string(first ? "" : "、") + std::string(KindTitle(kind)) + " " +
                 std::to_string(count == bank.perKind.end() ? 0 : count->second) + "題";
        if (Kind(kind).needsGuide && !bank.hasGuide)
            kinds += "(沒有編碼指引)";
        else if (Kind(kind).needsMarks2023 && !bank.hasMarks2023)
            kinds += "(資料庫沒有2023年版標記)";
        else if (cand == bank.candidates.end() || cand->second == 0)
            kinds += "(範圍內沒有可出此題型的代碼)";
        first = false;
    }
    lines.push_back(kinds);
    std::string scope = options.codes.items.empty() ? "全部代碼" : "";
    for (const CodeScope::Item& item : options.codes.items)
        scope += (scope.empty() ? "" : ",") + item.low + (item.high.empty() ? "" : "-" + item.high);
    lines.push_back("出題範圍:" + scope + ",共" + std::to_string(bank.codesInScope) + "個代碼");
    std::string skipped;
    int skippedTotal = 0;
    for (const auto& [reason, n] : bank.skipped) {
        skipped +=
            (skipped.empty() ? "" : "、") + std::string(SkipReasonTitle(reason)) + " " + std::to_string(n);
        skippedTotal += n;
    }
    lines.push_back(skippedTotal == 0 ? "略過:無"
                                      : "略過" + std::to_string(skippedTotal) + "個代碼未出題:" + skipped);
    if (bank.textsLeftOut > 0)
        lines.push_back("未寫入題庫的名稱(無Big5字):" + std::to_string(bank.textsLeftOut) + "個");
    if (made < options.count)
        lines.push_back("注意:範圍內可出題的代碼不足,要求" + std::to_string(options.count) + "題,只寫出" +
                        std::to_string(made) + "題");
    return lines;
}

} // namespace quiz
