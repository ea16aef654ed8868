// Builds the shipped question bank: reads the UTF-8 source, writes it in code
// page 950 with CR LF line breaks, and refuses a bank that the quiz would
// misread (a character without a Big5 form, a faulty block).
//
//   encodeqa <source.utf8.txt> <qa.txt>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "quiz/questionbank.h"
#include "text/text.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: encodeqa <source.utf8.txt> <qa.txt>\n");
        return 2;
    }
    std::ifstream in(std::filesystem::path(argv[1]), std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "encodeqa: cannot read %s\n", argv[1]);
        return 1;
    }
    std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!text::IsValidUtf8(source)) {
        std::fprintf(stderr, "encodeqa: %s is not UTF-8\n", argv[1]);
        return 1;
    }

    std::string withBreaks;
    for (const std::string& line : quiz::SplitLines(source))
        withBreaks += line + "\r\n";
    std::string big5;
    if (!text::ToCp950(withBreaks, big5)) {
        std::fprintf(stderr, "encodeqa: %s holds a character that Big5 cannot store\n", argv[1]);
        return 1;
    }

    quiz::QuestionBank bank;
    bank.loadBytes(big5);
    auto problems = quiz::CheckBank(bank);
    for (const std::string& p : problems)
        std::fprintf(stderr, "%s: %s\n", argv[1], p.c_str());
    if (!problems.empty()) return 1;

    const std::filesystem::path out(argv[2]);
    const std::filesystem::path temp = out.string() + ".tmp";
    {
        std::ofstream file(temp, std::ios::binary | std::ios::trunc);
        file.write(big5.data(), static_cast<std::streamsize>(big5.size()));
        if (!file.flush()) {
            std::fprintf(stderr, "encodeqa: cannot write %s\n", argv[2]);
            return 1;
        }
    }
    std::filesystem::rename(temp, out);
    std::printf("encodeqa: %zu questions written to %s\n", bank.questionLines().size(), argv[2]);
    return 0;
}
