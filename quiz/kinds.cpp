// The kinds of question: the table that --kinds, the help of make-quiz, the
// summary and docs/quiz.md follow, and the maker functions of each kind.
//
// Every question is right by construction. For the kinds of the code database
// the key is the asked code's own value, and each distractor is a near code
// whose value for the asked property differs from the key's. For the kinds of
// the coder's guide the key is what a note, the index or a 7th-character table
// names, and each distractor comes from the key's category or section and is
// asked of the guide a second time (not covered by the note, not reached by the
// path). Every explanation quotes the data the question was made from (names,
// marks, the rows under a code, a note, an index path, a table line), never a
// text of its own beyond the words that join the quotes.

#include <array>

#include "codes/coderules.h"
#include "quiz/questionmaker.h"

namespace quiz {

namespace maker {

namespace {

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
    return !codes::IsIcd11Code(r.code) && r.change2023 == 0;
}

bool Maker::asksSeventh(std::size_t k) const {
    const CodeRow& r = m_rows[k];
    return asksName(k) && codes::HasEpisodeSeventh(r.code);
}

bool Maker::asksBillable(std::size_t k) const {
    return asksName(k) && m_rows[k].billable;
}

bool Maker::asksNew(std::size_t k) const {
    return asksName(k) && m_rows[k].new2023;
}

bool Maker::asksDeleted(std::size_t k) const {
    return !codes::IsIcd11Code(m_rows[k].code) && m_rows[k].change2023 != 0;
}

bool Maker::asksIcd11(std::size_t k) const {
    return codes::IsIcd11Code(m_rows[k].code) && m_rows[k].change2023 == 0;
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
        return r.code.size() == key.code.size() && codes::IsIcd11Code(r.code) == icd11 && r.change2023 == 0 &&
               !r.cname.empty() && !NamesClash(r.cname, key.cname);
    });
    if (picked.size() < 3) return Skip(SkipReason::NoDistinctChoices);
    std::vector<Distractor> distractors;
    for (std::size_t i : picked)
        distractors.emplace_back(codes::DottedCode(m_rows[i].code), m_rows[i].code);
    std::string stem;
    if (icd11) {
        const bool pattern = key.code[1] >= 'F'; // SF..SJ are patterns, SA..SE disorders
        stem = std::string("ICD-11傳統醫學章中,") + (pattern ? "證候" : "病名") + "「" + key.cname +
               "」的代碼是哪一個?";
    } else {
        stem = "「" + key.cname + "」的ICD-10-CM代碼是哪一個?";
    }
    return finish(icd11 ? QuestionKind::Icd11 : QuestionKind::NameToCode, k, stem,
                  {codes::DottedCode(key.code), key.code}, std::move(distractors),
                  [&](const MadeQuestion&) { return titlePath(k); });
}

// Which name is this code: names of near codes of the same length, all
// different from the key's and from one another. Explained by the path of titles.
Attempt Maker::codeToName(std::size_t k) {
    const CodeRow& key = m_rows[k];
    std::vector<std::string> names;
    const auto picked = near(k, 3, [&](std::size_t i) {
        const CodeRow& r = m_rows[i];
        if (r.code.size() != key.code.size() || codes::IsIcd11Code(r.code) || r.change2023 != 0) return false;
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
    return finish(
        QuestionKind::CodeToName, k, "ICD-10-CM代碼 " + codes::DottedCode(key.code) + " 的中文名稱是哪一個?",
        {key.cname, key.code}, std::move(distractors), [&](const MadeQuestion&) { return titlePath(k); });
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
        if (!codes::HasEpisodeSeventh(r.code)) continue;
        existing += r.code[6];
        if (i != k && r.change2023 == 0 && !r.cname.empty() && !NamesClash(r.cname, key.cname))
            usable.push_back(i);
    }
    m_random.shuffle(usable);
    std::vector<Distractor> distractors;
    for (std::size_t i = 0; i < usable.size() && distractors.size() < 3; ++i)
        distractors.emplace_back(std::string(1, m_rows[usable[i]].code[6]), m_rows[usable[i]].code);
    // Letters the code has no variant for, the plain episodes first, each
    // group in random order so that no letter becomes the tell-tale wrong one.
    std::vector<char> common, others;
    for (char c : codes::EpisodeSeventhCharacters())
        if (existing.find(c) == std::string::npos) (codes::IsPlainEpisode(c) ? common : others).push_back(c);
    m_random.shuffle(common);
    m_random.shuffle(others);
    common.insert(common.end(), others.begin(), others.end());
    for (std::size_t i = 0; i < common.size() && distractors.size() < 3; ++i)
        distractors.emplace_back(std::string(1, common[i]), std::string());
    // Every letter may be taken by a variant named like the asked one.
    if (distractors.size() < 3) return Skip(SkipReason::NoDistinctChoices);
    std::string shownSix = codes::DottedCode(six) + "_";
    return finish(QuestionKind::SeventhCharacter, k,
                  "「" + key.cname + "」(" + shownSix + ")的第7位字元應為?",
                  {std::string(1, key.code[6]), key.code}, std::move(distractors), [&](const MadeQuestion&) {
                      // Never "Q:": a line holding it starts a question.
                      const std::string line = seventhLine(k);
                      return "第7位字元 " + std::string(1, key.code[6]) + " 表示" +
                             NameEnding(key.cname, sixName) + "(" + codes::DottedCode(key.code) + " " +
                             key.cname + ")" + (line.empty() ? "" : "。" + line);
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
        if (codes::IsIcd11Code(r.code) || r.change2023 != 0) return false;
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
    auto shown = [&](std::size_t i) { return codes::DottedCode(m_rows[i].code) + " " + m_rows[i].cname; };
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
            std::string out = count == 0
                                  ? codes::DottedCode(key.code) + " 之下沒有更細的代碼,是可申報的最細碼。"
                                  : codes::DottedCode(key.code) + " 在資料庫標記為可申報。";
            for (std::size_t c = 0; c < 4; ++c) {
                if (static_cast<int>(c) + 1 == q.key) continue;
                const std::size_t d = *rowOf(q.choiceCodes[c]);
                const auto under = children(d, 5, count);
                out += codes::DottedCode(m_rows[d].code);
                if (count > 0) {
                    out += " 之下有";
                    for (std::size_t i = 0; i < under.size(); ++i)
                        out += (i ? "、" : " ") + codes::DottedCode(m_rows[under[i]].code);
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
                    if (m_rows[i].new2023)
                        added += (added.empty() ? "" : "、") + codes::DottedCode(m_rows[i].code);
                out += added.empty() ? "。" : ",其下新增 " + added + "。";
            }
            return out + "其他三個代碼在2023年版沒有異動。";
        };
    }
    return finish(kind, k, stem, {shown(k), key.code}, std::move(distractors), explain);
}

bool Maker::asksGuide(std::size_t k) const {
    return m_guide != nullptr && asksName(k);
}

bool Maker::asksIndex(std::size_t k) const {
    return asksGuide(k) && !m_guide->indexLeads(m_rows[k].code).empty();
}

bool Maker::asksSeventhMeaning(std::size_t k) const {
    return m_guide != nullptr && asksSeventh(k);
}

std::vector<std::size_t> Maker::nearInGroup(std::size_t key, std::size_t asked, const Pick& fits) {
    const std::string_view keyCode = m_rows[key].code, askedCode = m_rows[asked].code;
    auto related = [](std::string_view a, std::string_view b) {
        return StartsWith(a, b) || StartsWith(b, a);
    };
    // A code of the group fit to stand beside the key, whatever the question.
    auto beside = [&](std::size_t i) {
        const CodeRow& r = m_rows[i];
        return r.code.size() == keyCode.size() && !codes::IsIcd11Code(r.code) && r.change2023 == 0 &&
               !related(r.code, keyCode) && nameUsable(i);
    };
    if (m_smallGroups.count(key)) return {};
    std::size_t offered = 0; // codes of the group fit to stand beside the key
    auto take = [&](std::size_t i) {
        if (!beside(i)) return false;
        ++offered;
        return !related(m_rows[i].code, askedCode) && fits(i);
    };
    std::vector<std::size_t> picked = near(key, 3, take, 3);
    // The rest of the section ("S90-S99": the categories S90 to S99).
    const std::string section = m_guide->section(keyCode);
    const std::size_t dash = section.find('-');
    if (picked.size() >= 3) return picked;
    const std::size_t lo = dash == std::string::npos ? 0 : prefixRange(section.substr(0, dash)).first;
    const std::size_t hi = dash == std::string::npos ? 0 : prefixRange(section.substr(dash + 1)).second;
    const std::string category(keyCode.substr(0, 3));
    std::vector<std::size_t> pool;
    for (std::size_t i = lo; i < hi; ++i)
        if (m_rows[i].code.size() == keyCode.size() && !StartsWith(m_rows[i].code, category))
            pool.push_back(i);
    // In code order a section's range may hold another's category (D3A sorts
    // between D39 and D40): each category is asked where it stands.
    pool.erase(std::remove_if(pool.begin(), pool.end(),
                              [&](std::size_t i) { return m_guide->section(m_rows[i].code) != section; }),
               pool.end());
    m_random.shuffle(pool);
    for (std::size_t i : pool) {
        if (picked.size() >= 3) break;
        if (take(i)) picked.push_back(i);
    }
    // A group of fewer than three other codes never gives a question: the many
    // codes whose notes name the same key (Z18.- under every open wound) pass it by.
    if (offered < 3) m_smallGroups.insert(key);
    return picked;
}

Attempt Maker::excludes1(std::size_t k) {
    return noteQuestion(QuestionKind::Excludes1, k, {GuideFacts::Rule::Excludes1});
}

Attempt Maker::sequence(std::size_t k) {
    return noteQuestion(QuestionKind::Sequence, k,
                        {GuideFacts::Rule::CodeFirst, GuideFacts::Rule::UseAdditionalCode});
}

// Which code does a note of the asked code name: never coded together
// (Excludes1), sequenced first (Code first) or added (Use additional code).
// The key is one of the codes the note names; each distractor is a near code
// that no note of the rules covers, asked of the guide a second time. The
// explanation quotes the note with the level it comes from.
Attempt Maker::noteQuestion(QuestionKind kind, std::size_t k, const std::vector<GuideFacts::Rule>& rules) {
    const CodeRow& asked = m_rows[k];
    struct Named {
        GuideFacts::Rule rule;
        GuideFacts::Note note;
        std::size_t row;
    };
    std::vector<Named> keys;
    for (GuideFacts::Rule rule : rules)
        for (GuideFacts::Note& note : m_guide->notes(asked.code, rule))
            for (const std::string& code : note.codes) {
                const auto row = rowOf(code);
                if (!row || StartsWith(code, asked.code) || StartsWith(asked.code, code)) continue;
                if (codes::IsIcd11Code(code) || m_rows[*row].change2023 != 0) continue;
                keys.push_back({rule, note, *row});
            }
    keys.erase(std::remove_if(keys.begin(), keys.end(),
                              [&](const Named& n) { return m_smallGroups.count(n.row) > 0; }),
               keys.end());
    if (keys.empty()) return NoCandidate();
    const Named& key = keys[m_random.below(static_cast<std::uint32_t>(keys.size()))];
    if (!nameUsable(key.row)) return Skip(SkipReason::NotBig5);
    const auto picked = nearInGroup(key.row, k, [&](std::size_t i) {
        return std::none_of(rules.begin(), rules.end(), [&](GuideFacts::Rule rule) {
            return m_guide->covers(asked.code, rule, m_rows[i].code);
        });
    });
    if (picked.size() < 3) return Skip(SkipReason::NoDistinctChoices);
    auto shown = [&](std::size_t i) { return codes::DottedCode(m_rows[i].code) + " " + m_rows[i].cname; };
    std::vector<Distractor> distractors;
    for (std::size_t i : picked)
        distractors.emplace_back(shown(i), m_rows[i].code);
    const std::string subject = "「" + asked.cname + "」(" + codes::DottedCode(asked.code) + ")";
    std::string stem, title;
    switch (key.rule) {
    case GuideFacts::Rule::Excludes1:
        stem = "下列哪一個代碼不可與" + subject + "同時編碼(排除一)?";
        title = "排除一";
        break;
    case GuideFacts::Rule::CodeFirst:
        stem = "編碼" + subject + "時,依編碼指引應先編碼下列哪一個?";
        title = "先編碼";
        break;
    case GuideFacts::Rule::UseAdditionalCode:
        stem = "編碼" + subject + "時,依編碼指引應另加編碼下列哪一個?";
        title = "另加編碼";
        break;
    }
    return finish(kind, k, stem, {shown(key.row), m_rows[key.row].code}, std::move(distractors),
                  [&](const MadeQuestion&) {
                      return codes::DottedCode(asked.code) + " 的" + title + "註記(" + key.note.level +
                             "):" + key.note.text + "。此註記指到 " + named(key.row) + "。";
                  });
}

// Which code does an Alphabetic Index path lead to: the shortest path to the
// asked code is the question; distractors are near codes of the same length,
// billable or not as the key (so all or none carry the index's "-"), that the
// path does not lead to (asked of the index a second time).
Attempt Maker::index(std::size_t k) {
    const CodeRow& key = m_rows[k];
    const auto leads = m_guide->indexLeads(key.code);
    if (leads.empty()) return NoCandidate();
    const std::string_view step = "›";
    auto levels = [&](const std::string& path) {
        std::size_t n = 0;
        for (std::size_t at = path.find(step); at != std::string::npos; at = path.find(step, at + 1))
            ++n;
        return std::make_pair(n, path.size());
    };
    const GuideFacts::IndexLead lead =
        *std::min_element(leads.begin(), leads.end(),
                          [&](const auto& a, const auto& b) { return levels(a.path) < levels(b.path); });
    const std::vector<std::string> reached = m_guide->indexCodes(lead.path);
    const bool open = !lead.code.empty() && lead.code.back() == '-';
    const auto picked = nearInGroup(k, k, [&](std::size_t i) {
        return m_rows[i].billable == key.billable &&
               std::find(reached.begin(), reached.end(), m_rows[i].code) == reached.end();
    });
    if (picked.size() < 3) return Skip(SkipReason::NoDistinctChoices);
    // As the index writes it: "S93.40-", a category "D27.-".
    auto shown = [&](std::size_t i) {
        const std::string& code = m_rows[i].code;
        return codes::DottedCode(code) + (open ? (code.size() == 3 ? ".-" : "-") : "") + " " +
               m_rows[i].cname;
    };
    std::vector<Distractor> distractors;
    for (std::size_t i : picked)
        distractors.emplace_back(shown(i), m_rows[i].code);
    std::string path = lead.path; // "›" has no Big5 form: the levels are joined by "＞"
    for (std::size_t at; (at = path.find(step)) != std::string::npos;)
        path.replace(at, step.size(), "＞");
    return finish(QuestionKind::IndexPath, k, "依字母索引,「" + path + "」指向哪一個代碼?",
                  {shown(k), key.code}, std::move(distractors), [&](const MadeQuestion&) {
                      return "字母索引:" + path + " → " + lead.code + "。" + named(k) +
                             (open ? "(以「-」結尾:還要往下選到可申報的最細碼)。" : "。");
                  });
}

std::string Maker::seventhLine(std::size_t k) {
    if (m_guide == nullptr) return {};
    const auto table = m_guide->seventh(m_rows[k].code);
    if (!table) return {};
    const char c = m_rows[k].code[6];
    for (const auto& [character, text] : table->lines)
        if (character == c) return "第7位字元表(" + table->level + "):" + std::string(1, c) + " " + text;
    return {};
}

// What does the 7th character of this code mean: the lines of the table that
// applies, the key's line and three others whose meaning differs. Explained by
// the table's line and the code's name.
Attempt Maker::seventhMeaning(std::size_t k) {
    const CodeRow& key = m_rows[k];
    const std::string line = seventhLine(k);
    if (line.empty()) return NoCandidate();
    const auto table = m_guide->seventh(key.code);
    const char c = key.code[6];
    std::string meaning;
    for (const auto& [character, text] : table->lines)
        if (character == c) meaning = text;
    std::vector<Distractor> others;
    for (const auto& [character, text] : table->lines) {
        // (A copy: a lambda cannot capture a structured binding in every
        // compiler the project builds with.)
        const std::string meaningText = text;
        if (character != c && !meaningText.empty() && meaningText != meaning &&
            std::none_of(others.begin(), others.end(),
                         [&](const Distractor& d) { return d.first == meaningText; }))
            others.emplace_back(meaningText, key.code.substr(0, 6) + character);
    }
    if (meaning.empty() || others.size() < 3) return Skip(SkipReason::NoDistinctChoices);
    m_random.shuffle(others);
    others.resize(3);
    return finish(QuestionKind::SeventhMeaning, k,
                  "ICD-10-CM代碼 " + codes::DottedCode(key.code) + " 的第7位字元「" + std::string(1, c) +
                      "」代表什麼?",
                  {meaning, key.code}, std::move(others),
                  [&](const MadeQuestion&) { return line + "。" + named(k) + "。"; });
}

namespace {

// The kinds table. The rows follow the order of QuestionKind.
const std::array<KindRow, 11> kKindRows{{
    {{QuestionKind::NameToCode, "name", "名稱選代碼", "這個中文名稱是哪一個 ICD-10-CM 代碼?",
      "現行的 ICD-10-CM 代碼", "同長度的相近代碼,名稱與題目不同", "分類路徑:此碼與其上層各碼的代碼與名稱",
      false, false},
     &Maker::asksName,
     &Maker::nameToCode},
    {{QuestionKind::CodeToName, "code", "代碼選名稱", "這個代碼的中文名稱是哪一個?", "現行的 ICD-10-CM 代碼",
      "相近代碼的名稱,彼此不同", "分類路徑:此碼與其上層各碼的代碼與名稱", false, false},
     &Maker::asksName,
     &Maker::codeToName},
    {{QuestionKind::SeventhCharacter, "seventh", "第7位字元",
      "這個照護(初期、後續、後遺症;骨折的開放/閉鎖與癒合情形)的第7位字元?", "現行的7碼代碼(第7位是字母)",
      "同一代碼的其他第7位字元,或此碼沒有的字元",
      "第7位字元與名稱結尾的照護;有編碼指引時再引第7位字元表的那一行", false, false},
     &Maker::asksSeventh,
     &Maker::seventh},
    {{QuestionKind::Billable, "billable", "最細碼(可申報)", "四個代碼中哪一個是可申報的最細碼?",
      "現行的可申報代碼", "不可申報的上層碼與相近碼", "各選項之下的代碼:正確答案之下沒有更細的代碼", false,
      false},
     &Maker::asksBillable,
     &Maker::billable},
    {{QuestionKind::New2023, "new", "2023年版新增碼", "哪一個是 2023 年版新增的?(資料庫有 2023 標記時)",
      "2023年版新增的代碼", "非新增的相近碼", "2023年版的異動:新增,及同時刪除或停用的上層碼", false, true},
     &Maker::asksNew,
     &Maker::new2023},
    {{QuestionKind::Deleted2023, "deleted", "2023年版刪除或停用碼", "哪一個在 2023 年版已刪除或停用?",
      "2023年版刪除或停用的代碼", "未異動的相近碼", "2023年版的異動:刪除或停用,及其下新增的代碼", false,
      true},
     &Maker::asksDeleted,
     &Maker::deleted2023},
    {{QuestionKind::Icd11, "icd11", "ICD-11傳統醫學章",
      "ICD-11 傳統醫學章(第26章)的這個病名或證候是哪一個代碼?", "ICD-11 第26章的代碼", "同組的其他代碼",
      "分類路徑:此碼與其上層各碼的代碼與名稱", false, false},
     &Maker::asksIcd11,
     &Maker::icd11NameToCode},
    {{QuestionKind::Excludes1, "excludes1", "排除一", "下列哪一個代碼不可與這個代碼同時編碼?",
      "現行代碼,其排除一註記(含上層與章、節的註記)指到資料庫中的代碼",
      "正確答案同類目或同節的代碼,再查編碼指引確認不被排除", "該排除一註記原文與其所在層級", true, false},
     &Maker::asksGuide,
     &Maker::excludes1},
    {{QuestionKind::Sequence, "sequence", "先編碼/另加編碼", "編碼這個代碼時,應先編碼(或另加編碼)下列哪一個?",
      "現行代碼,其先編碼或另加編碼註記(含上層)指到資料庫中的代碼",
      "正確答案同類目或同節的代碼,再查編碼指引確認不在這些註記中", "該先編碼或另加編碼註記原文與其所在層級",
      true, false},
     &Maker::asksGuide,
     &Maker::sequence},
    {{QuestionKind::IndexPath, "index", "索引", "字母索引的這條路徑(Sprain ＞ ankle)指向哪一個代碼?",
      "字母索引指到的現行代碼(取層數最少的路徑)",
      "同長度、同可否申報、同類目或同節的代碼,再查索引確認不是這條路徑指到的",
      "索引路徑、它指到的代碼與此碼名稱", true, false},
     &Maker::asksIndex,
     &Maker::index},
    {{QuestionKind::SeventhMeaning, "seventhmeaning", "第7位字元意義", "這個代碼的第7位字元代表什麼?",
      "有第7位字元表的現行7碼代碼", "同一張第7位字元表意義不同的其他各行", "第7位字元表的那一行與此碼名稱",
      true, false},
     &Maker::asksSeventhMeaning,
     &Maker::seventhMeaning},
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
