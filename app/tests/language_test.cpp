// Every text that the program and its maintenance tool write for a person to
// read (messages, errors, captions, tool output) is Traditional Chinese, with any
// technical detail after it. The test reads the sources, lists every string
// literal written as English prose and fails when one is not a text the clinic's
// earlier program fixed in English (kept word for word so that clinics recognise
// them).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "testsupport/architecturepage.h"
#include "testsupport/testsupport.h"

namespace fs = std::filesystem;

namespace {

struct Literal {
    std::string file;
    int line;
    std::string text;
};

// The string literals of a C++ source, comments skipped. Adjacent literals
// stay separate; escapes are kept as written. Raw strings (style sheets,
// statements) are passed over whole and not listed.
std::vector<Literal> StringLiterals(const std::string& file, const std::string& src) {
    std::vector<Literal> out;
    int line = 1;
    std::size_t i = 0;
    const std::size_t n = src.size();
    auto advance = [&](std::size_t to) {
        for (; i < to && i < n; ++i)
            if (src[i] == '\n') ++line;
    };
    while (i < n) {
        const char c = src[i];
        if (c == '/' && i + 1 < n && src[i + 1] == '/') {
            advance(src.find('\n', i) == std::string::npos ? n : src.find('\n', i));
        } else if (c == '/' && i + 1 < n && src[i + 1] == '*') {
            const std::size_t end = src.find("*/", i + 2);
            advance(end == std::string::npos ? n : end + 2);
        } else if (c == 'R' && i + 1 < n && src[i + 1] == '"' &&
                   (i == 0 || !std::isalnum(static_cast<unsigned char>(src[i - 1])))) {
            const std::size_t open = src.find('(', i + 2);
            const std::string close = ")" + src.substr(i + 2, open - i - 2) + "\"";
            const std::size_t end = src.find(close, open);
            advance(end == std::string::npos ? n : end + close.size());
        } else if (c == '"' || c == '\'') {
            const int startLine = line;
            std::string text;
            ++i;
            while (i < n && src[i] != c) {
                if (src[i] == '\\' && i + 1 < n) text += src[i++];
                if (src[i] == '\n') ++line;
                text += src[i++];
            }
            ++i;
            if (c == '"') out.push_back({file, startLine, text});
        } else {
            advance(i + 1);
        }
    }
    return out;
}

// Text with two English words in a row ("cannot read", "no such") and no
// Chinese: a Chinese message may carry English detail after it (a command line,
// the engine's text). Code names (ICD10_NO), command names (import-jet),
// statements and single words do not count.
bool IsEnglishText(const std::string& text) {
    static const std::regex prose("(^|[^A-Za-z_-])[a-z]{2,} [a-z]{2,}([^A-Za-z_-]|$)");
    static const std::regex statement("\\b(SELECT|INSERT|UPDATE|DELETE|CREATE|ALTER|DROP|PRAGMA)\\b");
    // UTF-8 lead bytes of U+3000..U+9FFF (CJK punctuation and ideographs).
    const bool chinese = std::any_of(text.begin(), text.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b >= 0xE3 && b <= 0xE9;
    });
    // A style sheet ("QWidget:focus { border: ... }") is no message either, nor
    // HTML markup (<span style=...>).
    const bool styleSheet = text.find('{') != std::string::npos && text.find('}') != std::string::npos;
    static const std::regex markup("^\\s*</?[a-z]+[ >]");
    // The English detail in brackets after a Chinese message ("... (a term comes
    // before its parent's title)"), or the end of one that names a value in between.
    static const std::regex detail("^\\s*\\(.*\\)\\s*$|^[^(]*\\)$");
    return !chinese && !styleSheet && !std::regex_search(text, markup) && !std::regex_search(text, detail) &&
           std::regex_search(text, prose) && !std::regex_search(text, statement);
}

// Texts left in English on purpose: the fixed texts of the question file's
// failures and of an outline entry without a code, as clinics know them, and
// the Alphabetic Index's own cross-references, which stand as the index prints
// them beside its English terms.
bool IsAllowed(const std::string& text) {
    static const std::vector<std::string> allowed = {
        "Cannot open file ",
        "List index out of bounds (",
        "' is not a valid integer value",
        "no id!",
        "see also",
        " \\u2014 see also ",
        " \\u2014 see subcategory ",
        " \\u2014 see category ",
        " — <i>see subcategory</i> ",
        " — <i>see category</i> ",
        // The plain letters of the Latin-1 letters, a table the index's search folds by.
        "dnooooo ouuuuy s",
        "dnooooo ouuuuy y",
    };
    return std::find(allowed.begin(), allowed.end(), text) != allowed.end();
}

// The program's sources and its maintenance tool's, without tests and build-time helpers.
std::vector<fs::path> ProgramSources() {
    const fs::path root = ICD_SOURCE_DIR;
    std::vector<fs::path> files;
    // The folders are those of the include rules in docs/architecture.md, so a new
    // folder is checked as soon as it has its row there.
    for (const std::string& folder : testsupport::ProgramFolders(testsupport::ArchitecturePage())) {
        for (const auto& e : fs::recursive_directory_iterator(root / folder)) {
            const fs::path& p = e.path();
            const std::string rel = fs::relative(p, root).generic_string();
            if (!e.is_regular_file() || (p.extension() != ".cpp" && p.extension() != ".h")) continue;
            if (rel.find("/tests/") != std::string::npos) continue;
            // quiz/sample: the tool that encodes the sample question bank during the build.
            if (rel.starts_with("quiz/sample/")) continue;
            // The stand-in of the clinic's consultation program, which the hand-off tests drive.
            if (rel.starts_with("tools/consultation/")) continue;
            // The database build from the official releases and its command: their texts are
            // rewritten with the importers. (The clinic's build and the release-file readers are
            // checked.)
            if ((rel.starts_with("dbbuild/") && !rel.starts_with("dbbuild/clinicbuild.") &&
                 !rel.starts_with("dbbuild/linereader")) ||
                rel == "tools/icdtool/cmd_builddb.cpp")
                continue;
            // The guide's build from the official XML: like the database build, its help
            // is in both languages and its counts name the release's own elements.
            if (rel == "tools/icdtool/cmd_guide.cpp" || rel == "guide/importer.cpp") continue;
            // The engine's and the system's own messages, matched to tell a full disk
            // from a read-only folder; never shown as they stand.
            if (rel == "db/writefailure.cpp") continue;
            files.push_back(p);
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

TEST(Language, everyTextOfTheProgramAndItsToolIsChinese_butTheFixedEnglishOnes) {
    const std::vector<fs::path> files = ProgramSources();
    ASSERT_GT(files.size(), 50u) << "the sources were not found under " << ICD_SOURCE_DIR;
    int english = 0;
    int allowed = 0;
    for (const fs::path& p : files) {
        const std::string rel = fs::relative(p, ICD_SOURCE_DIR).generic_string();
        for (const Literal& l : StringLiterals(rel, testsupport::ReadFile(p))) {
            if (!IsEnglishText(l.text)) continue;
            if (IsAllowed(l.text)) {
                ++allowed;
                continue;
            }
            ++english;
            ADD_FAILURE() << l.file << ":" << l.line << ": English text \"" << l.text << "\"";
        }
    }
    EXPECT_EQ(english, 0);
    // The fixed texts are still found, so the scan does read the literals.
    EXPECT_GE(allowed, 3);
}

TEST(Language, scannerFindsLiteralsAcrossCommentsEscapesAndRawStrings) {
    const std::string src = "// \"not a literal\"\n"
                            "auto a = \"cannot read\"; /* \"nor this one\" */\n"
                            "auto c = R\"(raw \"text\" here)\";\n"
                            "auto b = \"say \\\"no more\\\"\" '\\'' '\"';\n";
    const auto lits = StringLiterals("f", src);
    ASSERT_EQ(lits.size(), 2u);
    EXPECT_EQ(lits[0].text, "cannot read");
    EXPECT_EQ(lits[0].line, 2);
    EXPECT_EQ(lits[1].text, "say \\\"no more\\\"");
    EXPECT_EQ(lits[1].line, 4);
    EXPECT_TRUE(IsEnglishText("cannot read "));
    EXPECT_TRUE(IsEnglishText("the file is cut short"));
    EXPECT_FALSE(IsEnglishText("無法讀取檔案: no such file or directory"));
    EXPECT_FALSE(IsEnglishText("SELECT * FROM btbindn where IND_INFECT_CODE>='00001'"));
    EXPECT_FALSE(IsEnglishText("SQLite format 3"));
    EXPECT_FALSE(IsEnglishText("icdtool import-jet IN.mdb"));
    EXPECT_FALSE(IsEnglishText("<span style=\\\"color:#7a5c3a\\\">"));
    EXPECT_FALSE(IsEnglishText(" (a term comes before its parent's title)"));
    EXPECT_FALSE(IsEnglishText(" has no title)"));
    EXPECT_TRUE(IsEnglishText("cannot open (the file) here"));
}
