#pragma once
// What the coder's guide (the official tabular's notes, its 7th-character
// tables and the Alphabetic Index) says about codes, as the question maker asks
// it. The maker stays free of the guide's own reader: `icdtool make-quiz`
// answers these questions from the guide file, and tests may answer from a
// table of their own.
//
// Codes are asked and answered as the code database writes them: no dot, upper
// case ("M5450", "S52521G"). Texts are UTF-8, notes in English as published.
//
//   facts.notes("M5450", GuideFacts::Rule::Excludes1)
//     => {text "lumbago with sciatica (M54.4-)", level "M54.5 次類目", codes {"M544"}}, ...
//   facts.covers("M5450", GuideFacts::Rule::Excludes1, "M5441") => true   (the note names M54.4-)
//   facts.seventh("S52521G") => {level "S52 類目", lines {{'A', "initial encounter for closed fracture"},
//   ...}} facts.indexLeads("S9340") => {{"Sprain (joint) (ligament) › ankle", "S93.40-"}, ...}
//   facts.indexCodes("Sprain (joint) (ligament) › ankle") => {"S9340"}

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quiz {

class GuideFacts {
public:
    virtual ~GuideFacts() = default;

    // The notes that decide which codes go together.
    enum class Rule {
        Excludes1,         // never coded together with the codes it names
        CodeFirst,         // the codes it names are sequenced first
        UseAdditionalCode, // the codes it names are added
    };
    struct Note {
        std::string text;               // as published
        std::string level;              // where it stands, as the guide labels it: "M54.5 次類目"
        std::vector<std::string> codes; // the codes it names that the tabular holds, without dot or "-"
    };
    // Every note of the rule that applies to the code: those of its chapter,
    // section and each code above it, then its own.
    virtual std::vector<Note> notes(std::string_view code, Rule rule) = 0;
    // The second query, asked of every wrong choice: whether a note of the rule
    // that applies to `code` covers `other` (names it, a code above it, or a
    // range holding it). For Excludes1 the notes of `other` that cover `code`
    // count too: the two are never coded together either way.
    virtual bool covers(std::string_view code, Rule rule, std::string_view other) = 0;

    // The 7th-character table that applies to a code, or none.
    struct SeventhTable {
        std::string level; // where it stands: "S52 類目"
        std::vector<std::pair<char, std::string>>
            lines; // 'G', "subsequent encounter for fracture with delayed healing"
    };
    virtual std::optional<SeventhTable> seventh(std::string_view code) = 0;

    // The Alphabetic Index's paths that lead to a code, as the index prints
    // them, with the code as the index writes it ("S93.40-").
    struct IndexLead {
        std::string path;
        std::string code;
    };
    virtual std::vector<IndexLead> indexLeads(std::string_view code) = 0;
    // The second query of the index: every code the path leads to (without dot or "-").
    virtual std::vector<std::string> indexCodes(std::string_view path) = 0;

    // The section a code is in ("S90-S99"), "" when the tabular has no such code.
    virtual std::string section(std::string_view code) = 0;
};

} // namespace quiz
