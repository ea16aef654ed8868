#include "testsupport/architecturepage.h"

#include <algorithm>
#include <sstream>

#include "testsupport/testsupport.h"

namespace testsupport {

namespace {

std::vector<std::string> Backquoted(const std::string& text) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while ((at = text.find('`', at)) != std::string::npos) {
        const std::size_t end = text.find('`', at + 1);
        if (end == std::string::npos) break;
        std::string name;
        for (char c : text.substr(at + 1, end - at - 1)) {
            const bool space = c == ' ' || c == '\n' || c == '\t' || c == '\r';
            if (space) {
                if (!name.empty() && name.back() != ' ') name += ' ';
            } else {
                name += c;
            }
        }
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        out.push_back(name);
        at = end + 1;
    }
    return out;
}

} // namespace

std::vector<IncludeRule> IncludeRules(const std::string& page) {
    std::vector<IncludeRule> rules;
    std::istringstream lines(page);
    std::string line;
    bool inTable = false;
    while (std::getline(lines, line)) {
        if (line.find("<!-- include rules") != std::string::npos) {
            inTable = true;
            continue;
        }
        if (!inTable) continue;
        if (line.empty() || line[0] != '|') {
            if (!rules.empty()) break;
            continue;
        }
        const std::size_t second = line.find('|', 1);
        if (second == std::string::npos) continue;
        IncludeRule rule;
        for (std::string folder : Backquoted(line.substr(1, second - 1))) {
            if (!folder.empty() && folder.back() == '/') folder.pop_back();
            rule.folders.push_back(folder);
        }
        if (rule.folders.empty()) continue; // the heading and its rule line
        rule.items = Backquoted(line.substr(second + 1));
        rules.push_back(rule);
    }
    return rules;
}

std::vector<std::string> ProgramFolders(const std::string& page) {
    std::vector<std::string> folders;
    for (const IncludeRule& rule : IncludeRules(page)) {
        if (std::find(rule.items.begin(), rule.items.end(), "*") != rule.items.end()) continue;
        for (const std::string& f : rule.folders) {
            const bool tests = f == "tests" || f.ends_with("/tests");
            if (tests || f == "testsupport" || f == "data" || f == "packaging") continue;
            folders.push_back(f);
        }
    }
    return folders;
}

std::vector<std::string> BackquotedNames(const std::string& page) {
    return Backquoted(page);
}

std::string ArchitecturePage() {
    return ReadFile(std::filesystem::path(ICD_SOURCE_DIR) / "docs" / "architecture.md");
}

} // namespace testsupport
