#include "quiz/questionbank.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace quiz {

namespace {

// Paths inside the program are UTF-8 on every platform.
std::filesystem::path Utf8Path(const std::string& s) {
    return std::filesystem::path(std::u8string(s.begin(), s.end()));
}

std::string Utf8String(const std::filesystem::path& p) {
    const std::u8string u = p.u8string();
    return std::string(u.begin(), u.end());
}

} // namespace

std::vector<std::string> SplitLines(std::string_view bytes) {
    std::size_t nul = bytes.find('\0');
    if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t brk = start;
        while (brk < bytes.size() && bytes[brk] != '\r' && bytes[brk] != '\n')
            ++brk;
        if (brk == bytes.size()) break;
        lines.emplace_back(bytes.substr(start, brk - start));
        start = brk + ((bytes[brk] == '\r' && brk + 1 < bytes.size() && bytes[brk + 1] == '\n') ? 2 : 1);
    }
    if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
    return lines;
}

std::size_t Cp950CharLength(std::string_view bytes, std::size_t i) {
    auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x81 || lead > 0xFE || i + 1 >= bytes.size()) return 1;
    auto trail = static_cast<unsigned char>(bytes[i + 1]);
    bool valid = (trail >= 0x40 && trail <= 0x7E) || (trail >= 0xA1 && trail <= 0xFE);
    return valid ? 2 : 1;
}

bool IsQuestionLine(std::string_view line) {
    if (line.find("Q:") == std::string_view::npos) return false; // the common case, found fast
    for (std::size_t i = 0; i < line.size(); i += Cp950CharLength(line, i)) {
        if (line[i] == 'Q' && i + 1 < line.size() && line[i + 1] == ':') return true;
    }
    return false;
}

std::string TextFromThirdByte(std::string_view line, std::size_t maxBytes) {
    std::size_t start = 0;
    while (start < line.size() && start < 2)
        start += Cp950CharLength(line, start);
    std::size_t end = start;
    while (end < line.size()) {
        std::size_t len = Cp950CharLength(line, end);
        if (end + len - start > maxBytes) break;
        end += len;
    }
    return std::string(line.substr(start, end - start));
}

void QuestionBank::loadFile(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path file = Utf8Path(path);
    if (std::filesystem::is_directory(file, ec)) throw QuizError("Cannot open file " + path);
    std::ifstream in(file, std::ios::binary);
    if (!in) throw QuizError("Cannot open file " + path);
    // Whole file in one read; the size is taken from the open file.
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) throw QuizError("Cannot open file " + path);
    in.seekg(0, std::ios::beg);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (size > 0 && !in.read(bytes.data(), size)) throw QuizError("Cannot open file " + path);
    loadBytes(bytes);
}

void QuestionBank::loadBytes(std::string_view bytes) {
    m_lines = SplitLines(bytes);
    m_questionLines.clear();
    for (std::size_t n = 0; n < m_lines.size(); ++n)
        if (IsQuestionLine(m_lines[n])) m_questionLines.push_back(n);
}

const std::string& QuestionBank::line(std::size_t n) const {
    if (n >= m_lines.size()) throw QuizError("List index out of bounds (" + std::to_string(n) + ")");
    return m_lines[n];
}

std::string QuestionBank::explanation(std::size_t questionLine) const {
    const std::size_t n = questionLine + 6;
    if (n >= m_lines.size() || !IsExplanationLine(m_lines[n])) return {};
    return TextFromThirdByte(m_lines[n], m_lines[n].size());
}

bool IsExplanationLine(std::string_view line) {
    return line.substr(0, 2) == "E:" && !IsQuestionLine(line);
}

std::vector<std::string> CheckBank(const QuestionBank& bank) {
    std::vector<std::string> problems;
    const auto& lines = bank.lines();
    const auto& questions = bank.questionLines();
    auto at = [](std::size_t n) { return "第 " + std::to_string(n + 1) + " 行: "; };
    // Lines of some block, its explanation place included: an answer may be
    // labelled "E:", and only a line outside every block is a stray explanation.
    std::vector<bool> inBlock(lines.size(), false);
    for (std::size_t q : questions)
        for (std::size_t n = q; n <= q + 6 && n < lines.size(); ++n)
            inBlock[n] = true;
    for (std::size_t n = 0; n < lines.size(); ++n)
        if (!inBlock[n] && IsExplanationLine(lines[n]))
            problems.push_back(at(n) + "說明行 (\"E:\") 必須緊接在一題的第四個選項之後");
    for (std::size_t i = 0; i < questions.size(); ++i) {
        const std::size_t q = questions[i];
        if (q + 5 >= lines.size()) {
            problems.push_back(at(q) + "題目後面缺少答案行和四個選項");
            continue;
        }
        if (i + 1 < questions.size() && questions[i + 1] < q + 6)
            problems.push_back(at(questions[i + 1]) + "\"Q:\" 出現在第 " + std::to_string(q + 1) +
                               " 行那一題的範圍內");
        const std::string& key = lines[q + 1];
        if (key.size() != 3 || key.compare(0, 2, "A:") != 0 || key[2] < '1' || key[2] > '4')
            problems.push_back(at(q + 1) + "答案行必須正好是 A:1、A:2、A:3 或 A:4");
        for (std::size_t a = 2; a <= 5; ++a)
            if (TextFromThirdByte(lines[q + a]).empty()) problems.push_back(at(q + a) + "選項沒有文字");
    }
    if (questions.empty()) problems.push_back("沒有題目行 (\"Q:\")");
    return problems;
}

std::string QuestionFilePath(const std::string& exeDir) {
    return Utf8String(Utf8Path(exeDir) / "qa.txt");
}

} // namespace quiz
