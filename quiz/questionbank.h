#pragma once
// The question bank: the file qa.txt beside the executable, kept in Big5 (code
// page 950) and read as bytes.
//
// Format. The content is split into lines at CR, LF and CR LF; a NUL byte ends
// it. Every line holding "Q:" starts a block of six lines:
//   Q:question text          the question (shown from its third byte)
//   A:2                      the key, exactly "A:1" .. "A:4" and nothing more
//   1.answer one             four answer lines, each with a two-byte label
//   2.answer two
//   3.answer three
//   4.answer four
//   E:explanation            optional: why the key is right (see below)
// Other lines (blank lines, remarks) between blocks are ignored.
//
// The explanation line is the line right after the fourth answer, when it
// begins "E:" (and holds no "Q:"). A reader that knows only the six lines
// takes it for a remark between blocks and skips it, so a bank with
// explanations still reads as before, and a bank without them reads as it
// always did. A line after the key itself would not do: the answers are found
// by their fixed places after the key.
//
// Lines are kept as the file's own bytes, so that every length and cut is
// measured in CP950 bytes; texts are decoded to UTF-8 only when handed out.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quiz {

// A failure reading the bank or running the quiz; what() is the message shown
// to the user (UTF-8).
class QuizError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Lines of the content: breaks at CR, LF and CR LF, the content ends at the
// first NUL, a last line without a break is a line, a break at the very end
// adds no empty line.
//   "a\r\nb\rc\nd" => {"a","b","c","d"}     "a\n\nb\n" => {"a","","b"}     "" => {}
std::vector<std::string> SplitLines(std::string_view bytes);

// Byte length of the CP950 character starting at position i: 2 for a lead byte
// (0x81-0xFE) followed by a valid trail byte (0x40-0x7E, 0xA1-0xFE), else 1.
std::size_t Cp950CharLength(std::string_view bytes, std::size_t i);

// True when "Q:" begins a character somewhere in the line. The second byte of a
// Big5 character may be 'Q' (0x51): such a character followed by ':' is not a
// question mark-up.
//   "Q:頭痛?" => true     "註Q:x" => true     "\xA4\x51:x" (one character, then ':') => false
bool IsQuestionLine(std::string_view line);

// Bytes of the line from its third byte on, at most maxBytes of them, in whole
// characters: a character that the first two bytes cut into is dropped whole,
// and the cut at the end never splits a character.
//   ("Q:abc", 250) => "abc"     ("1.頭痛", 3) => "頭"
std::string TextFromThirdByte(std::string_view line, std::size_t maxBytes = 250);

// The question bank and its question index.
class QuestionBank {
public:
    // Reads the file whole and replaces the bank; rebuilds the index. When the
    // file cannot be read, throws QuizError("Cannot open file <path>") and keeps
    // what the bank held.
    void loadFile(const std::string& path);
    // Replaces the bank with these bytes and rebuilds the index.
    void loadBytes(std::string_view bytes);

    // Every line of the file, in file order, as the file's bytes.
    const std::vector<std::string>& lines() const { return m_lines; }
    // Line numbers of the question lines, in file order.
    const std::vector<std::size_t>& questionLines() const { return m_questionLines; }

    // Line `n` of the bank; throws QuizError("List index out of bounds (n)") past the end.
    const std::string& line(std::size_t n) const;

    // The explanation of the block whose question line is `questionLine`: the
    // explanation line's bytes from the third on, whole; "" when the block has none.
    //   Q:.. / A:2 / 1.. / 2.. / 3.. / 4.. / "E:S93.4 踝扭傷"  => "S93.4 踝扭傷"
    //   Q:.. / A:2 / 1.. / 2.. / 3.. / 4.. / "# 備註"          => ""
    std::string explanation(std::size_t questionLine) const;

private:
    std::vector<std::string> m_lines;
    std::vector<std::size_t> m_questionLines;
};

// True for an explanation line by its form: it begins "E:" and is no question line.
bool IsExplanationLine(std::string_view line);

// Faults in the layout of a bank, one message per fault (line numbers from 1):
// a question without five lines after it, a key line that is not exactly
// "A:1" .. "A:4", an answer line that is empty or too short for its label, two
// question lines closer than six lines, and an explanation line that is not
// right after a fourth answer (the quiz would never show it). Used to check a
// bank before it ships.
std::vector<std::string> CheckBank(const QuestionBank& bank);

// Path of the question file in the executable's folder.
std::string QuestionFilePath(const std::string& exeDir);

} // namespace quiz
