// Every input kept in the fuzzers' corpora (seeds and any input that once
// failed) replayed through the fuzzers' own checks, so a fault found by
// fuzzing stays fixed in every build, the compiler used not mattering.
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
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
extern "C" int Fuzz_jet(const std::uint8_t* data, std::size_t size);
#ifdef ICD_GUIDE_IMPORT
extern "C" int Fuzz_guidexml(const std::uint8_t* data, std::size_t size);
#endif

namespace {

using Target = int (*)(const std::uint8_t*, std::size_t);

// Runs the target on one input in a child process, since a failed check ends
// the process (as the fuzzer wants it to); "" when the input passed, otherwise
// how the child ended.
std::string RunOne(Target target, const std::string& bytes) {
    const pid_t child = ::fork();
    if (child < 0) return "cannot start a child process";
    if (child == 0) {
        target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        ::_exit(0);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return "";
    if (WIFSIGNALED(status))
        return "a check failed or the target crashed (signal " + std::to_string(WTERMSIG(status)) + ")";
    return "the target ended with status " + std::to_string(WEXITSTATUS(status));
}

// Runs every file of the corpus, each failing file named; returns how many there were.
int Replay(const std::string& name, Target target) {
    const std::filesystem::path dir = std::filesystem::path(ICD_SOURCE_DIR) / "fuzz" / "corpus" / name;
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        if (!e.is_regular_file()) continue;
        const std::string outcome = RunOne(target, testsupport::ReadFile(e.path()));
        EXPECT_EQ(outcome, "") << "fuzz/corpus/" << name << "/" << e.path().filename().string();
        ++n;
    }
    return n;
}

} // namespace

TEST(FuzzCorpus, questionBankReader) {
    EXPECT_GT(Replay("fuzz_questionbank", Fuzz_questionbank), 0);
}
TEST(FuzzCorpus, outlineReaders) {
    EXPECT_GT(Replay("fuzz_outline", Fuzz_outline), 0);
}
TEST(FuzzCorpus, statementBuilder) {
    EXPECT_GT(Replay("fuzz_statement", Fuzz_statement), 0);
}
TEST(FuzzCorpus, textRules) {
    EXPECT_GT(Replay("fuzz_text", Fuzz_text), 0);
}
TEST(FuzzCorpus, treeBuilders) {
    EXPECT_GT(Replay("fuzz_tree", Fuzz_tree), 0);
}
// Damaged copies of the shared Jet test files (each a no-op without the shared data).
TEST(FuzzCorpus, jetConversion) {
    EXPECT_GT(Replay("fuzz_jet", Fuzz_jet), 0);
}

#ifdef ICD_GUIDE_IMPORT
// The coder's guide importer (built where expat and liblzma are).
TEST(FuzzCorpus, guideImporter) {
    EXPECT_GT(Replay("fuzz_guidexml", Fuzz_guidexml), 0);
}
#endif

// The replay itself: an input that fails a check is reported by its name.
TEST(FuzzCorpus, aFailingInput_isReportedAsAFailure) {
    const Target failing = [](const std::uint8_t* data, std::size_t size) {
        if (size > 0 && data[0] == 'x') std::abort();
        return 0;
    };
    EXPECT_EQ(RunOne(failing, "ok"), "");
    EXPECT_NE(RunOne(failing, "x"), "");
}

// Edge inputs of each reader, kept here by hand as well as in the corpora.
TEST(FuzzCorpus, emptyAndTinyInputs) {
    for (Target t : {Fuzz_questionbank, Fuzz_outline, Fuzz_statement, Fuzz_text, Fuzz_tree}) {
        for (const std::string& s : {std::string(), std::string(1, '\0'), std::string("Q:"), std::string("-"),
                                     std::string("\xA4"), std::string("\r\r\n\n"), std::string(1, '\xFF')})
            EXPECT_EQ(RunOne(t, s), "") << "input of " << s.size() << " bytes";
    }
}
