// Every input kept in the fuzzers' corpora (seeds and any input that once
// failed) replayed through the fuzzers' own checks, so a fault found by
// fuzzing stays fixed in every build, the compiler used not mattering.
#include <cstdint>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "testsupport/testsupport.h"

extern "C" int Fuzz_questionbank(const std::uint8_t* data, std::size_t size);
extern "C" int Fuzz_outline(const std::uint8_t* data, std::size_t size);
extern "C" int Fuzz_statement(const std::uint8_t* data, std::size_t size);
extern "C" int Fuzz_text(const std::uint8_t* data, std::size_t size);
extern "C" int Fuzz_tree(const std::uint8_t* data, std::size_t size);

namespace {

using Target = int (*)(const std::uint8_t*, std::size_t);

// Runs every file of the corpus; returns how many there were.
int Replay(const std::string& name, Target target) {
    const std::filesystem::path dir = std::filesystem::path(ICD_SOURCE_DIR) / "fuzz" / "corpus" / name;
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        if (!e.is_regular_file()) continue;
        const std::string bytes = testsupport::ReadFile(e.path());
        SCOPED_TRACE(e.path().filename().string());
        EXPECT_EQ(target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
        ++n;
    }
    return n;
}

} // namespace

TEST(FuzzCorpus, questionBankReader) { EXPECT_GT(Replay("fuzz_questionbank", Fuzz_questionbank), 0); }
TEST(FuzzCorpus, outlineReaders) { EXPECT_GT(Replay("fuzz_outline", Fuzz_outline), 0); }
TEST(FuzzCorpus, statementBuilder) { EXPECT_GT(Replay("fuzz_statement", Fuzz_statement), 0); }
TEST(FuzzCorpus, textRules) { EXPECT_GT(Replay("fuzz_text", Fuzz_text), 0); }
TEST(FuzzCorpus, treeBuilders) { EXPECT_GT(Replay("fuzz_tree", Fuzz_tree), 0); }

// Edge inputs of each reader, kept here by hand as well as in the corpora.
TEST(FuzzCorpus, emptyAndTinyInputs) {
    for (Target t : {Fuzz_questionbank, Fuzz_outline, Fuzz_statement, Fuzz_text, Fuzz_tree}) {
        for (const std::string& s : {std::string(), std::string(1, '\0'), std::string("Q:"), std::string("-"),
                                     std::string("\xA4"), std::string("\r\r\n\n"), std::string(1, '\xFF')})
            EXPECT_EQ(t(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()), 0);
    }
}
