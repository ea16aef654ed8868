#include "guide/guidefile.h"

#include <array>
#include <filesystem>

namespace guide {

namespace {

struct KindText {
    NoteKind kind;
    std::string_view name;
    std::string_view heading;
};

constexpr std::array<KindText, 9> Kinds = {{
    {NoteKind::Includes, "includes", "包含"},
    {NoteKind::InclusionTerm, "inclusionTerm", "包含詞"},
    {NoteKind::Excludes1, "excludes1", "排除一：不可同時編碼"},
    {NoteKind::Excludes2, "excludes2", "排除二：可同時編碼"},
    {NoteKind::CodeFirst, "codeFirst", "先編碼"},
    {NoteKind::UseAdditionalCode, "useAdditionalCode", "另加編碼"},
    {NoteKind::CodeAlso, "codeAlso", "併編碼"},
    {NoteKind::Notes, "notes", "註"},
    {NoteKind::VisualImpairment, "visualImpairment", "視覺障礙分類表"},
}};

} // namespace

std::string GuidePathIn(const std::string& exeDir) {
    return exeDir + static_cast<char>(std::filesystem::path::preferred_separator) + GuideFileName;
}

const char* GuideSchema() {
    return R"sql(
-- What the guide is: format, edition, source files, build date.
CREATE TABLE guide_info (key TEXT PRIMARY KEY, value TEXT NOT NULL);
-- The tabular's chapters, sections and codes, numbered in tabular order
-- (each before its children), so a subtree is the ids from id to last.
CREATE TABLE node (
  id INTEGER PRIMARY KEY,
  kind TEXT NOT NULL,       -- chapter, section, diag
  code TEXT NOT NULL,       -- as the tabular writes it: 19, S90-S99, S93.401
  key TEXT NOT NULL,        -- what a lookup matches: 19, S90-S99 (B10-B10 for section B10), S93401
  title TEXT NOT NULL,
  parent INTEGER,           -- NULL for a chapter
  depth INTEGER NOT NULL,   -- chapter 0, section 1, category 2, ...
  last INTEGER NOT NULL);   -- the id of its last descendant (its own when none)
CREATE UNIQUE INDEX node_key ON node(key);
-- The instructional notes: one row a <note>; block numbers the element that
-- holds it (an excludes1 with three notes is one block), in tabular order.
-- kind is an element name: includes, inclusionTerm, excludes1, excludes2,
-- codeFirst, useAdditionalCode, codeAlso, notes, sevenChrNote, visualImpairment.
CREATE TABLE note (
  node INTEGER NOT NULL,
  kind TEXT NOT NULL,
  block INTEGER NOT NULL,
  seq INTEGER NOT NULL,
  text TEXT NOT NULL);
CREATE INDEX note_node ON note(node);
-- The 7th-character tables (sevenChrDef) in their order: one row an
-- extension; a <note> written inside the table has character ''.
CREATE TABLE seventh (
  node INTEGER NOT NULL,
  seq INTEGER NOT NULL,
  character TEXT NOT NULL,
  text TEXT NOT NULL);
CREATE INDEX seventh_node ON seventh(node);
-- The tabular's introduction (the instructional notations explained).
CREATE TABLE intro (seq INTEGER PRIMARY KEY, section INTEGER NOT NULL, type TEXT NOT NULL,
  title TEXT NOT NULL, text TEXT NOT NULL);
-- Every code of the edition's order file: which codes exist (the 7th-character
-- combinations included) and which are billable.
CREATE TABLE code (code TEXT PRIMARY KEY, billable INTEGER NOT NULL, title TEXT NOT NULL) WITHOUT ROWID;
-- The Alphabetic Index: main terms (level 0) and their sub-terms, in index
-- order, each before its children (a subtree is the ids from id to last).
-- title is the term without its nonessential modifiers, nemod the modifiers,
-- display the term as printed (modifiers in parentheses where they stand).
CREATE TABLE term (
  id INTEGER PRIMARY KEY,
  parent INTEGER,
  level INTEGER NOT NULL,
  last INTEGER NOT NULL,
  title TEXT NOT NULL,
  nemod TEXT NOT NULL,
  display TEXT NOT NULL,
  code TEXT NOT NULL,
  manif TEXT NOT NULL,
  see TEXT NOT NULL,
  see_also TEXT NOT NULL,
  subcat TEXT NOT NULL,
  seecat TEXT NOT NULL);
CREATE INDEX term_parent ON term(parent);
)sql";
}

const std::vector<NoteKind>& NoteKinds() {
    static const std::vector<NoteKind> kinds = [] {
        std::vector<NoteKind> v;
        for (const KindText& k : Kinds)
            v.push_back(k.kind);
        return v;
    }();
    return kinds;
}

std::string_view NoteKindName(NoteKind kind) {
    return Kinds[static_cast<std::size_t>(kind)].name;
}

std::string_view NoteKindHeading(NoteKind kind) {
    return Kinds[static_cast<std::size_t>(kind)].heading;
}

std::optional<NoteKind> NoteKindOf(std::string_view name) {
    for (const KindText& k : Kinds)
        if (k.name == name) return k.kind;
    return std::nullopt;
}

} // namespace guide
