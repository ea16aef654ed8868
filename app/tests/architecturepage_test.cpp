// docs/architecture.md names files, folders, classes, functions and targets in
// backquotes; a rename that forgets the page leaves it pointing at nothing. This
// test finds every such name in the source tree.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "testsupport/architecturepage.h"
#include "testsupport/testsupport.h"

namespace fs = std::filesystem;

namespace {

struct SourceTree {
    std::set<std::string> paths; // files and folders, relative, with '/'
    std::set<std::string> fileNames;
    std::set<std::string> words; // identifiers of the code, the forms and the CMake files
};

bool Skipped(const fs::path& rel) {
    const std::string first = rel.begin()->string();
    return first.starts_with("build") || first.starts_with(".git") || first == "node_modules";
}

bool HasWords(const fs::path& p) {
    static const std::set<std::string> kinds = {".h", ".cpp", ".ui", ".txt", ".cmake", ".sql", ".sh", ".in"};
    return kinds.count(p.extension().string()) > 0;
}

SourceTree ReadTree() {
    const fs::path root = ICD_SOURCE_DIR;
    SourceTree tree;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path rel = fs::relative(it->path(), root);
        if (Skipped(rel)) {
            if (it->is_directory()) it.disable_recursion_pending();
            continue;
        }
        tree.paths.insert(rel.generic_string() + (it->is_directory() ? "/" : ""));
        if (!it->is_regular_file()) continue;
        tree.fileNames.insert(rel.filename().string());
        if (!HasWords(rel)) continue;
        const std::string text = testsupport::ReadFile(it->path());
        std::string word;
        for (char c : text + ' ') {
            if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
                word += c;
            } else if (!word.empty()) {
                tree.words.insert(word);
                word.clear();
            }
        }
    }
    return tree;
}

// A name written with '*' for any characters, as a pattern.
std::regex Glob(const std::string& name) {
    std::string pattern;
    for (char c : name) {
        if (c == '*')
            pattern += "[^/]*";
        else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '/')
            pattern += c;
        else
            pattern += std::string("\\") + c;
    }
    return std::regex(pattern);
}

// Why a name of the page is not in the tree; "" when it is, or when it is no name
// of the tree at all (a placeholder such as `<key>Edit`, a command line, an option,
// a message's form, a file extension).
std::string Missing(std::string name, const SourceTree& tree) {
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
    if (name.ends_with("()")) name.resize(name.size() - 2);
    if (name.empty() || name.find_first_of("< '%#") != std::string::npos || name == "*" || name[0] == '-' ||
        name[0] == '_')
        return "";
    const bool scoped = name.find("::") != std::string::npos;
    if (!scoped && name.find(':') != std::string::npos) return "";           // `FILE:LINE:`
    if (name[0] == '.' && name.find('.', 1) == std::string::npos) return ""; // `.cpp`, `.clang-tidy`
    if (name.find('*') != std::string::npos) {
        const std::regex glob = Glob(name);
        const auto& among = name.find('/') != std::string::npos ? tree.paths : tree.words;
        for (const std::string& p : among)
            if (std::regex_match(p, glob)) return "";
        return "nothing matches it";
    }
    if (name.find('/') != std::string::npos) {
        // A folder's own `tests/` is any folder of that name.
        for (const std::string& p : tree.paths)
            if (p == name || p.ends_with("/" + name)) return "";
        return "no such file or folder";
    }
    static const std::regex file(R"(.*\.(h|cpp|md|ui|sql|sh|txt|in|cmake|json)$)");
    if (std::regex_match(name, file)) {
        // A form's header is generated from it: "ui_searchwindow.h" from searchwindow.ui.
        const bool form = name.starts_with("ui_") && name.ends_with(".h") &&
                          tree.fileNames.count(name.substr(3, name.size() - 5) + ".ui");
        return form || tree.fileNames.count(name) ? "" : "no file of that name";
    }
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t end = std::min(name.find("::", start), name.size());
        const std::string part = name.substr(start, end - start);
        if (!tree.words.count(part)) return "'" + part + "' is in no source file";
        start = end + 2;
    }
    return "";
}

} // namespace

TEST(ArchitecturePage, everyBackquotedPathAndIdentifierIsInTheSourceTree) {
    const std::vector<std::string> names = testsupport::BackquotedNames(testsupport::ArchitecturePage());
    ASSERT_GT(names.size(), 100u);
    const SourceTree tree = ReadTree();
    for (const std::string& name : names) {
        const std::string why = Missing(name, tree);
        EXPECT_EQ(why, "") << "docs/architecture.md names `" << name << "`: " << why;
    }
}

TEST(ArchitecturePage, namesOfTheTreeAreCheckedAndPlaceholdersAreNot) {
    SourceTree tree;
    tree.paths = {"db/", "db/query.h", "app/core/userfolderposix.cpp", "db/tests/"};
    tree.fileNames = {"query.h", "userfolderposix.cpp", "searchwindow.ui"};
    tree.words = {"db", "Query", "icd_text_core"};
    for (const char* name : {"db/", "db/query.h", "query.h", "\"query.h\"", "db::Query", "Query()",
                             "app/core/userfolder*.cpp", "icd_*_core", "<key>Edit", "--help",
                             "FILE:LINE:", ".cpp", "icdtool rank", "*", "tests/", "ui_searchwindow.h"})
        EXPECT_EQ(Missing(name, tree), "") << name;
    for (const char* name : {"db/namesquery.h", "text/", "namesquery.h", "db::Queries", "Statement",
                             "app/core/userfolder*.h", "icd_*_gui", "ui_quizwindow.h", "sqlite3.h"})
        EXPECT_NE(Missing(name, tree), "") << name;
}

TEST(ArchitecturePage, includeRulesGiveTheProgramFolders) {
    const std::string page =
        "text\n<!-- include rules -->\n| folder | may include |\n|---|---|\n"
        "| `text/` | its own headers only |\n| `search/`, `tree/` | `app/core/`, `<Qt>` |\n"
        "| `search/tests/` | `search/` |\n| `testsupport/` | `db/` |\n"
        "| `bench/`, `e2e/` | `*` |\n\nafter `x/`\n";
    const std::vector<testsupport::IncludeRule> rules = testsupport::IncludeRules(page);
    ASSERT_EQ(rules.size(), 5u);
    EXPECT_EQ(rules[1].folders, (std::vector<std::string>{"search", "tree"}));
    EXPECT_EQ(rules[1].items, (std::vector<std::string>{"app/core/", "<Qt>"}));
    EXPECT_EQ(testsupport::ProgramFolders(page), (std::vector<std::string>{"text", "search", "tree"}));
    EXPECT_EQ(testsupport::BackquotedNames("a `b/c.h` and `x\n  y`"),
              (std::vector<std::string>{"b/c.h", "x y"}));
}
