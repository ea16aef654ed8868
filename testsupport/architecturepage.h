#pragma once
// docs/architecture.md read by the tests that must agree with it: the folders of
// its include-rules table (the table scripts/check-layers.sh enforces) and the
// backquoted names of the whole page.

#include <string>
#include <vector>

namespace testsupport {

// One row of the include-rules table: its folders and what they may include.
//   "| `search/`, `tree/` | `app/core/`, `<Qt>` |" => {{"search", "tree"}, {"app/core/", "<Qt>"}}
struct IncludeRule {
    std::vector<std::string> folders; // without their trailing '/'
    std::vector<std::string> items;
};

// The rows of the table that follows the "<!-- include rules" marker of the page
// (text of the page in, rows out; none when the marker is missing).
std::vector<IncludeRule> IncludeRules(const std::string& page);

// The folders that hold the program and its tool: every folder of the table but
// the test drivers (a row that may include `*`), the test support, the data, the
// packaging (its stand-in program for the installer's check) and any `tests/` folder. The language test and
// clang-tidy's header filter read these.
std::vector<std::string> ProgramFolders(const std::string& page);

// Every text between backquotes in the page, in order, its spaces and line breaks
// folded to one space.
//   "a `b/c.h` and `x\n y`" => {"b/c.h", "x y"}
std::vector<std::string> BackquotedNames(const std::string& page);

// The text of docs/architecture.md of this source tree.
std::string ArchitecturePage();

} // namespace testsupport
