#pragma once
// Builders of question banks for the quiz tests: banks are written as UTF-8
// and encoded to CP950, as the real file is.

#include <deque>
#include <string>
#include <vector>

#include "quiz/random.h"
#include "text/text.h"

namespace quiztest {

inline std::string Cp950(const std::string& utf8) {
    std::string out;
    text::ToCp950(utf8, out);
    return out;
}

// One block; the answers are "1.<q>甲", "2.<q>乙", ... so every line is distinct.
inline std::string Block(const std::string& question, int key, const std::string& br = "\r\n") {
    std::string b = "Q:" + question + br + "A:" + std::to_string(key) + br;
    const char* marks[4] = {"甲", "乙", "丙", "丁"};
    for (int a = 0; a < 4; ++a)
        b += std::to_string(a + 1) + "." + question + marks[a] + br;
    return b;
}

// A bank of n questions named 題1 .. 題n, keys cycling 1, 2, 3, 4.
inline std::string Bank(int n, const std::string& br = "\r\n") {
    std::string s;
    for (int i = 1; i <= n; ++i)
        s += Block("題" + std::to_string(i), (i - 1) % 4 + 1, br);
    return Cp950(s);
}

// Draws from a script, then 0 once the script is used up; counts the draws.
class ScriptedRandom : public quiz::RandomSource {
public:
    explicit ScriptedRandom(std::deque<int> script = {}) : m_script(std::move(script)) {}
    void seedFromTimeOfDay() override { ++seeds; }
    int below(int bound) override {
        ++draws;
        bounds.push_back(bound);
        if (m_script.empty()) return 0;
        int v = m_script.front();
        m_script.pop_front();
        return v % bound;
    }
    int seeds = 0;
    int draws = 0;
    std::vector<int> bounds;

private:
    std::deque<int> m_script;
};

} // namespace quiztest
