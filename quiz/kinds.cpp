// The kinds of question: the table that --kinds, the help of make-quiz, the
// summary and docs/quiz.md follow, and the maker functions of each kind.
//
// Every question is right by construction: the key is the asked code's own
// value, and each distractor is a near code whose value for the asked property
// differs from the key's. Every explanation quotes the data the question was
// made from (names, marks, the rows under a code), never a text of its own
// beyond the words that join the quotes.

#include <array>
#include <cctype>

#include "quiz/questionmaker.h"

namespace quiz {

namespace maker {

namespace {

bool IsEpisodeLetter(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

// Seventh characters of the episode-of-care codes, the three common ones first.
constexpr std::string_view kSeventhLetters = "ADSBCEFGHJKMNPQR";

// The words of a seventh-character code's name that its six characters' name
// lacks: "右踝扭傷，初期照護" after "右踝扭傷" => "初期照護". Without such a
// name, the words after the last "，" (the whole name when there is none).
std::string NameEnding(std::string_view name, std::string_view stemName) {
    std::string_view rest;
    if (!stemName.empty() && name.size() > stemName.size() && StartsWith(name, stemName)) {
        rest = name.substr(stemName.size());
    } else {
        const std::size_t comma = name.rfind("，");
        rest = comma == std::string_view::npos ? name : name.substr(comma);
    }
    for (std::string_view joint : {"，", ",", " "})
        while (StartsWith(rest, joint))
            rest.remove_prefix(joint.size());
    return std::string(rest.empty() ? name : rest);
}

std::string Change2023(char change) {
    return change == 'D' ? "刪除" : "停用";
}

} // namespace

bool Maker::asksName(std::size_t k) const {
    const CodeRow& r = m_rows[k];
    return !IsChapter26Code(r.code) && r.change2023 == 0;
}

bool Maker::asksSeventh(std::size_t k) const {
    const CodeRow& r = m_rows[k];
    return asksName(k) && r.code.size() == 7 && IsEpisodeLetter(r.code[6]);
}

bool Maker::asksBillable(std::size_t k) const {
    return asksName(k) && m_rows[k].billable;
}

bool Maker::asksNew(std::size_t k) const {
    return asksName(k) && m_rows[k].new2023;
}

bool Maker::asksDeleted(std::size_t k) const {
    return !IsChapter26Code(m_rows[k].code) && m_rows[k].change2023 != 0;
}

bool Maker::asksIcd11(std::size_t k) const {
    return IsChapter26Code(m_rows[k].code) && m_rows[k].change2023 == 0;
}

Attempt Maker::nameToCode(std::size_t k) {
    return nameOrIcd11ToCode(k, false);
}

Attempt Maker::icd11NameToCode(std::size_t k) {
    return nameOrIcd11ToCode(k, true);
}

// Which code is this name: near codes of the same length and classification
// whose names differ from the asked one. Explained by the path of titles.
Attempt Maker::nameOrIcd11ToCode(std::size_t k, bool icd11) {
    const CodeRow& key = m_rows[k];
    const auto picked = near(k, 3, [&](std::size_t i) {
        const CodeRow& r = m_rows[i];
        return r.code.size() == key.code.size() && IsChapter26Code(r.code) == icd11 && r.change2023 == 0 &&
               !r.cname.empty() && !NamesClash(r.cname, key.cname);
    });
    if (picked.size() < 3) return Skip(SkipReason::NoDistinctChoices);
    std::vector<Distractor> distractors;
    for (std::size_t i : picked)
        distractors.emplace_back(ShownCode(m_rows[i].code), m_rows[i].code);
    std::string stem;
    if (icd11) {
        const bool pattern = key.code[1] >= 'F'; // SF..SJ are patterns, SA..SE disorders
        stem = std::string("ICD-11傳統醫學章中,") + (pattern ? "證候" : "病名") + "「" + key.cname +
               "」的代碼是哪一個?";
    } else {
        stem = "「" + key.cname + "」的ICD-10-CM代碼是哪一個?";
    }
    return finish(icd11 ? QuestionKind::Icd11 : QuestionKind::NameToCode, k, stem,
                  {ShownCode(key.code), key.code}, std::move(distractors),
                  [&](const MadeQuestion&) { return titlePath(k); });
}

// Which name is this code: names of near codes of the same length, all
// different from the key's and from one another. Explained by the path of titles.
Attempt Maker::codeToName(std::size_t k) {
    const CodeRow& key = m_rows[k];
    std::vector<std::string> names;
    const auto picked = near(k, 3, [&](std::size_t i) {
        const CodeRow& r = m_rows[i];
        if (r.code.size() != key.code.size() || IsChapter26Code(r.code) || r.change2023 != 0) return false;
        if (NamesClash(r.cname, key.cname)) return false;
        for (const std::string& n : names)
            if (n == r.cname) return false;
        if (!nameUsable(i)) return false;
        names.push_back(r.cname);
        return true;
    });
    if (picked.size() < 3) return Skip(SkipReason::NoDistinctChoices);
    std::vector<Distractor> distractors;
    for (std::size_t i : picked)
        distractors.emplace_back(m_rows[i].cname, m_rows[i].code);
    return finish(QuestionKind::CodeToName, k,
                  "ICD-10-CM代碼 " + ShownCode(key.code) + " 的中文名稱是哪一個?", {key.cname, key.code},
                  std::move(distractors), [&](const MadeQuestion&) { return titlePath(k); });
}

// Which seventh character for this encounter: the other encounters of the same
// six characters (other episodes; for fractures the open and closed, healing
// variants) whose names differ from the asked one; letters for which the code
// has no variant at all make up the rest. Explained by the character and the
// end of the code's name that says the encounter.
Attempt Maker::seventh(std::size_t k) {
    const CodeRow& key = m_rows[k];
    const std::string six = key.code.substr(0, 6);
    auto [lo, hi] = prefixRange(six);
    // The name must say the encounter: not only the name of the six characters.
    std::string sixName;
    for (std::size_t i = lo; i < hi; ++i) {
        if (m_rows[i].code != six) continue;
        if (NamesClash(m_rows[i].cname, key.cname) && m_rows[i].cname.size() >= key.cname.size())
            return Skip(SkipReason::NoDistinctChoices);
        sixName = m_rows[i].cname;
    }
    std::string existing; // seventh characters the code has
    std::vector<std::size_t> usable;
    for (std::size_t i = lo; i < hi; ++i) {
        const CodeRow& r = m_rows[i];
        if (r.code.size() != 7 || !IsEpisodeLetter(r.code[6])) continue;
        existing += r.code[6];
        if (i != k && r.change2023 == 0 && !r.cname.empty() && !NamesClash(r.cname, key.cname))
            usable.push_back(i);
    }
    m_random.shuffle(usable);
    std::vector<Distractor> distractors;
    for (std::size_t i = 0; i < usable.size() && distractors.size() < 3; ++i)
        distractors.emplace_back(std::string(1, m_rows[usable[i]].code[6]), m_rows[usable[i]].code);
    // Letters the code has no variant for, the three common ones first, each
    // group in random order so that no letter becomes the tell-tale wrong one.
    std::vector<char> common, others;
    for (char c : kSeventhLetters)
        if (existing.find(c) == std::string::npos)
            (std::string_view("ADS").find(c) != std::string_view::npos ? common : others).push_back(c);
    m_random.shuffle(common);
    m_random.shuffle(others);
    common.insert(common.end(), others.begin(), others.end());
    for (std::size_t i = 0; i < common.size() && distractors.size() < 3; ++i)
        distractors.emplace_back(std::string(1, common[i]), std::string());
    // Every letter may be taken by a variant named like the asked one.
    if (distractors.size() < 3) return Skip(SkipReason::NoDistinctChoices);
    std::string shownSix = ShownCode(six) + "_";
    return finish(QuestionKind::SeventhCharacter, k,
                  "「" + key.cname + "」(" + shownSix + ")的第7位字元應為?",
                  {std::string(1, key.code[6]), key.code}, std::move(distractors), [&](const MadeQuestion&) {
                      // Never "Q:": a line holding it starts a question.
                      return "第7位字元 " + std::string(1, key.code[6]) + " 表示" +
                             NameEnding(key.cname, sixName) + "(" + ShownCode(key.code) + " " + key.cname +
                             ")";
                  });
}

// Which code is billable: explained by the rows under each choice, none under
// the key.
Attempt Maker::billable(std::size_t k) {
    return markedAmongFour(k, QuestionKind::Billable);
}

Attempt Maker::new2023(std::size_t k) {
    return markedAmongFour(k, QuestionKind::New2023);
}

Attempt Maker::deleted2023(std::size_t k) {
    return markedAmongFour(k, QuestionKind::Deleted2023);
}

// Which of four codes has the mark (billable, new in 2023, deleted or disabled
// in 2023): near codes without it, of the same length when there are enough.
Attempt Maker::markedAmongFour(std::size_t k, QuestionKind kind) {
    const CodeRow& key = m_rows[k];
    auto lacksMark = [&](const CodeRow& r) {
        if (IsChapter26Code(r.code) || r.change2023 != 0) return false;
        if (kind == QuestionKind::Billable) return !r.billable;
        return !r.new2023; // for "new" the key is new; for "deleted" the others are neither new nor deleted
    };
    std::vector<std::size_t> picked;
    for (bool sameLength : {true, false}) {
        const auto more = near(k, 3 - picked.size(), [&](std::size_t i) {
            const CodeRow& r = m_rows[i];
            if (sameLength && r.code.size() != key.code.size()) return false;
            if (std::find(picked.begin(), picked.end(), i) != picked.end()) return false;
            return lacksMark(r) && nameUsable(i);
        });
        picked.insert(picked.end(), more.begin(), more.end());
        if (picked.size() >= 3) break;
    }
    if (picked.size() < 3) return Skip(SkipReason::NoDistinctChoices);
    auto shown = [&](std::size_t i) { return ShownCode(m_rows[i].code) + " " + m_rows[i].cname; };
    std::vector<Distractor> distractors;
    for (std::size_t i : picked)
        distractors.emplace_back(shown(i), m_rows[i].code);
    std::string stem;
    if (kind == QuestionKind::Billable)
        stem = "下列哪一個代碼是可申報的最細碼(billable)?";
    else if (kind == QuestionKind::New2023)
        stem = "下列哪一個代碼是ICD-10-CM 2023年版新增的?";
    else
        stem = "下列哪一個代碼在ICD-10-CM 2023年版已刪除或停用?";
    Explain explain;
    if (kind == QuestionKind::Billable) {
        explain = [&](const MadeQuestion& q) {
            std::size_t count = 0;
            children(k, 0, count);
            std::string out = count == 0 ? ShownCode(key.code) + " 之下沒有更細的代碼,是可申報的最細碼。"
                                         : ShownCode(key.code) + " 在資料庫標記為可申報。";
            for (std::size_t c = 0; c < 4; ++c) {
                if (static_cast<int>(c) + 1 == q.key) continue;
                const std::size_t d = *rowOf(q.choiceCodes[c]);
                const auto under = children(d, 5, count);
                out += ShownCode(m_rows[d].code);
                if (count > 0) {
                    out += " 之下有";
                    for (std::size_t i = 0; i < under.size(); ++i)
                        out += (i ? "、" : " ") + ShownCode(m_rows[under[i]].code);
                    if (count > under.size()) out += " 等" + std::to_string(count) + "個代碼";
                    out += ",";
                } else {
                    out += " ";
                }
                out += "不可申報。";
            }
            return out;
        };
    } else {
        explain = [&](const MadeQuestion&) {
            std::string out = named(k);
            if (kind == QuestionKind::New2023) {
                out += " 是ICD-10-CM 2023年版新增的代碼。";
                const auto above = ancestors(k);
                if (!above.empty() && m_rows[above.back()].change2023 != 0)
                    out += "上層碼 " + named(above.back()) + " 同時" +
                           Change2023(m_rows[above.back()].change2023) + "。";
            } else {
                out += " 在ICD-10-CM 2023年版已" + Change2023(key.change2023);
                std::string added;
                auto [lo, hi] = prefixRange(key.code);
                for (std::size_t i = lo; i < hi; ++i)
                    if (m_rows[i].new2023) added += (added.empty() ? "" : "、") + ShownCode(m_rows[i].code);
                out += added.empty() ? "。" : ",其下新增 " + added + "。";
            }
            return out + "其他三個代碼在2023年版沒有異動。";
        };
    }
    return finish(kind, k, stem, {shown(k), key.code}, std::move(distractors), explain);
}

namespace {

// The kinds table. The rows follow the order of QuestionKind.
const std::array<KindRow, 7> kKindRows{{
    {{QuestionKind::NameToCode, "name", "名稱選代碼", "這個中文名稱是哪一個 ICD-10-CM 代碼?",
      "現行的 ICD-10-CM 代碼", "同長度的相近代碼,名稱與題目不同", "分類路徑:此碼與其上層各碼的代碼與名稱"},
     &Maker::asksName,
     &Maker::nameToCode},
    {{QuestionKind::CodeToName, "code", "代碼選名稱", "這個代碼的中文名稱是哪一個?", "現行的 ICD-10-CM 代碼",
      "相近代碼的名稱,彼此不同", "分類路徑:此碼與其上層各碼的代碼與名稱"},
     &Maker::asksName,
     &Maker::codeToName},
    {{QuestionKind::SeventhCharacter, "seventh", "第7位字元",
      "這個照護(初期、後續、後遺症;骨折的開放/閉鎖與癒合情形)的第7位字元?", "現行的7碼代碼(第7位是字母)",
      "同一代碼的其他第7位字元,或此碼沒有的字元",
      "第7位字元與名稱結尾的照護(有編碼指引時另引第7位字元表的那一行)"},
     &Maker::asksSeventh,
     &Maker::seventh},
    {{QuestionKind::Billable, "billable", "最細碼(可申報)", "四個代碼中哪一個是可申報的最細碼?",
      "現行的可申報代碼", "不可申報的上層碼與相近碼", "各選項之下的代碼:正確答案之下沒有更細的代碼"},
     &Maker::asksBillable,
     &Maker::billable},
    {{QuestionKind::New2023, "new", "2023年版新增碼", "哪一個是 2023 年版新增的?(資料庫有 2023 標記時)",
      "2023年版新增的代碼", "非新增的相近碼", "2023年版的異動:新增,及同時刪除或停用的上層碼"},
     &Maker::asksNew,
     &Maker::new2023},
    {{QuestionKind::Deleted2023, "deleted", "2023年版刪除或停用碼", "哪一個在 2023 年版已刪除或停用?",
      "2023年版刪除或停用的代碼", "未異動的相近碼", "2023年版的異動:刪除或停用,及其下新增的代碼"},
     &Maker::asksDeleted,
     &Maker::deleted2023},
    {{QuestionKind::Icd11, "icd11", "ICD-11傳統醫學章",
      "ICD-11 傳統醫學章(第26章)的這個病名或證候是哪一個代碼?", "ICD-11 第26章的代碼", "同組的其他代碼",
      "分類路徑:此碼與其上層各碼的代碼與名稱"},
     &Maker::asksIcd11,
     &Maker::icd11NameToCode},
}};

} // namespace

const KindRow& KindRowOf(QuestionKind kind) {
    return kKindRows[static_cast<std::size_t>(kind)];
}

} // namespace maker

const std::vector<KindInfo>& Kinds() {
    static const std::vector<KindInfo> kinds = [] {
        std::vector<KindInfo> v;
        for (const maker::KindRow& row : maker::kKindRows)
            v.push_back(row.info);
        return v;
    }();
    return kinds;
}

} // namespace quiz
