#pragma once
// The coder's guide answering the question maker (quiz/guidefacts.h) for
// `icdtool make-quiz`: notes and 7th-character tables through the guide's
// reader, each code looked up once per bank and its notes kept, so the many
// second queries of a bank (is this code covered by a note of that one?) cost
// no lookup of their own; the Alphabetic Index read once, its paths kept by
// the code they lead to.
//
//   guide::Guide g;
//   if (g.open(path).empty()) { icdtool::QuizGuide facts(g); options.guide = &facts; ... }

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quiz/guidefacts.h"

namespace guide {
class Guide;
}

namespace icdtool {

class QuizGuide : public quiz::GuideFacts {
public:
    explicit QuizGuide(guide::Guide& guide) : m_guide(guide) {}

    std::vector<Note> notes(std::string_view code, Rule rule) override;
    bool covers(std::string_view code, Rule rule, std::string_view other) override;
    std::optional<SeventhTable> seventh(std::string_view code) override;
    std::vector<IndexLead> indexLeads(std::string_view code) override;
    std::vector<std::string> indexCodes(std::string_view path) override;
    std::string section(std::string_view code) override;

private:
    // What the maker asks of one code, kept after its lookup.
    struct CodeFacts {
        bool found = false;
        std::map<Rule, std::vector<Note>> notes;
        std::optional<SeventhTable> seventh;
    };
    const CodeFacts& facts(std::string_view code);
    const CodeFacts& lookedUp(std::string_view code);
    void readIndex();

    guide::Guide& m_guide;
    std::map<std::string, CodeFacts, std::less<>> m_facts;      // by the code looked up
    std::map<std::string, std::string, std::less<>> m_sections; // by category
    bool m_indexRead = false;
    std::map<std::string, std::vector<IndexLead>, std::less<>> m_leads;       // by the code led to
    std::map<std::string, std::vector<std::string>, std::less<>> m_pathCodes; // by the path
};

} // namespace icdtool
