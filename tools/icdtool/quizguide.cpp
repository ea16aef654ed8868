#include "quizguide.h"

#include <algorithm>

#include "codes/coderules.h"
#include "codes/notecodes.h"
#include "guide/reader.h"

namespace icdtool {

namespace {

guide::NoteKind KindOf(quiz::GuideFacts::Rule rule) {
    switch (rule) {
    case quiz::GuideFacts::Rule::Excludes1:
        return guide::NoteKind::Excludes1;
    case quiz::GuideFacts::Rule::CodeFirst:
        return guide::NoteKind::CodeFirst;
    case quiz::GuideFacts::Rule::UseAdditionalCode:
        break;
    }
    return guide::NoteKind::UseAdditionalCode;
}

} // namespace

const QuizGuide::CodeFacts& QuizGuide::facts(std::string_view code) {
    // A seven-character code has the notes and the table of the tabular code it
    // extends: the codes of one stem share its lookup.
    for (const std::string& stem : codes::SeventhCharacterStems(code))
        if (const CodeFacts& f = lookedUp(stem); f.found) return f;
    return lookedUp(code);
}

const QuizGuide::CodeFacts& QuizGuide::lookedUp(std::string_view code) {
    auto found = m_facts.find(code);
    if (found != m_facts.end()) return found->second;
    CodeFacts f;
    const guide::CodeGuide g = m_guide.lookup(code);
    f.found = g.found;
    if (g.found) {
        for (Rule rule : {Rule::Excludes1, Rule::CodeFirst, Rule::UseAdditionalCode})
            for (const guide::NoteGroup& group : g.notes) {
                if (group.kind != KindOf(rule)) continue;
                for (const guide::Note& n : group.notes) {
                    Note note{n.text, guide::LevelLabel(n.from), {}};
                    for (const codes::CodeReference& ref : codes::FindCodeReferences(n.text))
                        if (!ref.isRange()) note.codes.push_back(ref.first);
                    f.notes[rule].push_back(std::move(note));
                }
            }
        if (g.seventh) {
            SeventhTable table{guide::LevelLabel(g.seventh->from), {}};
            for (const guide::SeventhEntry& e : g.seventh->entries)
                if (e.character.size() == 1) table.lines.emplace_back(e.character[0], e.text);
            f.seventh = std::move(table);
        }
    }
    return m_facts.emplace(std::string(code), std::move(f)).first->second;
}

std::vector<quiz::GuideFacts::Note> QuizGuide::notes(std::string_view code, Rule rule) {
    const CodeFacts& f = facts(code);
    auto it = f.notes.find(rule);
    return it == f.notes.end() ? std::vector<Note>{} : it->second;
}

bool QuizGuide::covers(std::string_view code, Rule rule, std::string_view other) {
    // The rule the guide's pair check follows, over the notes kept per code:
    // a note covers a code it names, a code under one it names, or a code in a
    // range it names. For Excludes1 either code's notes count; a code the guide
    // lacks is taken as covered, so it is never offered as a wrong answer.
    auto coveredBy = [&](std::string_view of, std::string_view named) {
        for (const Note& note : notes(of, rule))
            for (const codes::CodeReference& ref : codes::FindCodeReferences(note.text))
                // A code above the one named is no wrong answer either.
                if (codes::ReferenceCovers(ref, named) || (!ref.isRange() && ref.first.rfind(named, 0) == 0))
                    return true;
        return false;
    };
    if (rule != Rule::Excludes1) return coveredBy(code, other);
    return !facts(other).found || coveredBy(code, other) || coveredBy(other, code);
}

std::optional<quiz::GuideFacts::SeventhTable> QuizGuide::seventh(std::string_view code) {
    return facts(code).seventh;
}

std::string QuizGuide::section(std::string_view code) {
    const std::string category(code.substr(0, 3)); // a category's section is every code's under it
    auto found = m_sections.find(category);
    if (found != m_sections.end()) return found->second;
    std::string section;
    for (const guide::PathStep& step : m_guide.locate(category).path)
        if (step.level == guide::Level::Section) section = step.code;
    return m_sections.emplace(category, section).first->second;
}

void QuizGuide::readIndex() {
    if (m_indexRead) return;
    m_indexRead = true;
    guide::IndexSearch& index = m_guide.index();
    const long terms = static_cast<long>(index.termCount());
    for (long id = 1; id <= terms; ++id) {
        const guide::IndexEntry e = index.entry(id);
        if (e.code.empty()) continue;
        const std::string key = codes::LookupKey(e.code);
        const std::string path = e.pathText();
        m_leads[key].push_back({path, e.code});
        m_pathCodes[path].push_back(key);
    }
}

std::vector<quiz::GuideFacts::IndexLead> QuizGuide::indexLeads(std::string_view code) {
    readIndex();
    auto it = m_leads.find(code);
    return it == m_leads.end() ? std::vector<IndexLead>{} : it->second;
}

std::vector<std::string> QuizGuide::indexCodes(std::string_view path) {
    readIndex();
    auto it = m_pathCodes.find(path);
    return it == m_pathCodes.end() ? std::vector<std::string>{} : it->second;
}

} // namespace icdtool
