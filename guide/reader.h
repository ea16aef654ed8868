#pragma once
// Reading the coder's guide: what the tabular says about a code, whether two
// codes may be coded together, and the Alphabetic Index.
//
//   guide::Guide g;
//   std::string problem = g.open(guide::GuidePathIn(exeDir)); // "" when it opened
//   guide::CodeGuide s = g.lookup("S93401A");
//     s.path:     第 19 章 › S90-S99 節 › S93 類目 › S93.4 › S93.40 › S93.401 › S93.401A
//     s.notes:    包含 (S93: avulsion of joint or ligament of ankle, foot and toe, ...),
//                 併編碼 (S93: any associated open wound), 排除二 (S93: strain of muscle ... (S96.-)),
//                 註 (chapter 19: Use secondary code(s) from Chapter 20, ...), ...
//     s.seventh:  from S93: A initial encounter (selected), D subsequent encounter, S sequela
//   guide::PairCheck p = g.checkPair("M54.50", "M54.16");   // Excludes1 of M54.5 forbids it
//   guide::PairSummary(p) => "不可同時編碼：..."
//   std::vector<long> hits = g.index().find("sprain ankle");
//   g.index().entry(hits[0]).text() => "Sprain (joint) (ligament) › ankle → S93.40-"
//
// A code is found however it is written: dotted or not, any case, with an
// index's trailing "-" (S93.40-), as a 3-character category, a section
// (S90-S99) or a chapter number (19). A seven-character code is the tabular
// code it extends (placeholder X filled: T15.01XA extends T15.01) with its 7th
// character taken from the nearest 7th-character table above it; the edition's
// order file says whether the combination exists (S06.0X7D does not).
//
// Every note that applies is shown: those of the chapter, the section and each
// code above, then the code's own, each with the level it comes from, grouped
// by kind in the order of NoteKinds(). The codes a note names (S93.1-, M54.1,
// C7A.0-, P10-P15) that the tabular holds are given as links.
//
// A guide that is missing, damaged or of another format is reported by open()
// and again by every lookup and pair check, in Traditional Chinese, and the
// program goes on without it: those never throw. index() and the index
// search's calls throw db::Error (with that message, or the engine's when the
// index cannot be read), for the window's guarded handlers to show.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "guide/guidefile.h"
#include "guide/indexsearch.h"

namespace db {
class Connection;
class Statement;
} // namespace db

namespace guide {

// Where a step of a path, or a note, stands in the tabular.
enum class Level { Chapter, Section, Category, Subcategory, Code };

struct PathStep {
    Level level = Level::Code;
    std::string code; // "19", "S90-S99", "S93", "S93.4", "S93.401A"
    std::string title;
    long node = 0; // the tabular node; 0 for a 7th-character code, which has none of its own

    bool operator==(const PathStep&) const = default;
};

// The level in the words of the program:
//   chapter 19 => "第 19 章"   section S90-S99 => "S90-S99 節"   S93 => "S93 類目"
//   S93.4 => "S93.4 次類目"   S93.401A (the code itself) => "S93.401A 代碼"
std::string LevelLabel(const PathStep& step);

// A code named in a note, as a link: the bytes of the note's text it covers
// and what to look up to show it ("S93.1", or a section "P10-P15").
struct NoteLink {
    std::size_t begin = 0, length = 0;
    std::string target;
};

struct Note {
    std::string text; // as published (English)
    PathStep from;    // the chapter, section or code that carries it
    std::vector<NoteLink> links;
};

struct NoteGroup {
    NoteKind kind;
    std::vector<Note> notes; // from the chapter down to the code itself
};

// One line of a 7th-character table: a character and its meaning, or (empty
// character) a note printed inside the table under the line before it.
struct SeventhEntry {
    std::string character;
    std::string text;
    bool selected = false; // the looked-up code's own 7th character
};

struct SeventhTable {
    PathStep from;                  // the code whose table applies (the nearest above)
    std::vector<std::string> notes; // its sevenChrNote ("The appropriate 7th character is to be added ...")
    std::vector<SeventhEntry> entries;
};

struct CodeGuide {
    bool found = false;
    std::string problem; // why nothing is shown, or a warning (the code does not exist); Traditional Chinese
    std::string code;    // the code as the tabular writes it: "S93.401A", "S90-S99", "19"
    bool exists = false; // a code of the edition's order file (chapters and sections: false)
    bool billable = false;
    std::vector<PathStep> path; // chapter first, the code itself last
    std::vector<NoteGroup> notes;
    std::optional<SeventhTable> seventh;
};

// A note of one of two codes that names the other.
struct PairNote {
    NoteKind kind;         // Excludes1 or Excludes2
    std::string of;        // the code whose note it is (dotted)
    std::string other;     // the code it names (dotted)
    PathStep from;         // the level of the note
    std::string text;      // the note
    std::string reference; // the code or range in the note that covers the other code ("M54.1-")
};

struct PairCheck {
    enum class Verdict {
        Forbidden, // an Excludes1 note of either code names the other: never coded together
        Allowed,   // an Excludes2 note names the other (and no Excludes1): both may be coded
        NoNote,    // no Excludes note of either names the other
        Unknown,   // a code was not found (see problem)
    };
    Verdict verdict = Verdict::Unknown;
    std::string first, second; // dotted
    std::string problem;
    std::vector<PairNote> excludes1, excludes2;
};

// The verdict in a sentence or two for the panel, naming the note and its level:
//   "不可同時編碼：M54.50 的排除一註記（M54.5 次類目）「sciatica (M54.3-)」涵蓋 M54.31。"
std::string PairSummary(const PairCheck& check);

class Guide {
public:
    Guide();
    ~Guide();
    Guide(const Guide&) = delete;
    Guide& operator=(const Guide&) = delete;

    // Opens the guide at path for reading only. Returns "" when it opened, or
    // what is wrong, in Traditional Chinese with the path:
    //   "找不到編碼指引檔：PATH。..."           (missing)
    //   "編碼指引檔已損壞，無法使用：PATH（…）"  (not a database, damaged)
    //   "編碼指引檔的格式不符：PATH（…）"        (built by another version)
    std::string open(const std::string& path);
    void close();
    bool isOpen() const;
    const std::string& path() const { return m_path; }
    // What open() last said ("" when the guide is open).
    const std::string& problem() const { return m_problem; }

    // What the tabular says about a code (see the top of this file).
    CodeGuide lookup(std::string_view code);
    // Only where the code stands: found, problem, code, exists, billable and
    // path, without notes or table (a fraction of lookup's work).
    CodeGuide locate(std::string_view code);

    // Whether an Excludes note of either code, at any level, names the other.
    PairCheck checkPair(std::string_view first, std::string_view second);

    // The Alphabetic Index, read into memory on first use. Throws db::Error
    // (problem()) when the guide is not open.
    IndexSearch& index();

    // A value of the guide's own description (edition, tabular_version,
    // built, ...), "" when absent.
    std::string info(const std::string& key);

    // The codes the index names (code, manif, subcat, seecat) that no tabular
    // code stands for, each written as the index prints it, with its path:
    //   "E34.828 (Short, shortening, shortness › stature ... › genetic causes › ACAN gene variant)"
    //   "[SCFE] (Slipped, slipping › epiphysis (traumatic) › capital femoral (traumatic))"
    // The release itself has these two: E34.828 (under four terms) is no code of
    // its tabular, and SCFE, an abbreviation, stands where a manifestation code goes.
    std::vector<std::string> unresolvedIndexCodes();

private:
    struct Resolved;
    Resolved resolve(const std::string& key);
    CodeGuide locate(std::string_view code, Resolved& found);
    long nodeByKey(const std::string& key);
    long chapterByRange(const std::string& range);
    std::vector<PathStep> pathTo(long node);
    std::vector<NoteLink> linksOf(const std::string& text);

    std::unique_ptr<db::Connection> m_conn;
    std::unique_ptr<db::Statement> m_nodeByKey, m_pathStmt, m_notes, m_seventh, m_code;
    std::vector<std::pair<std::string, long>> m_chapters; // title and node, read on the first range asked
    std::unique_ptr<IndexSearch> m_index;
    std::string m_path;
    std::string m_problem;
};

} // namespace guide
