#include "quiz/random.h"

#include <chrono>

namespace quiz {

void DefaultRandom::seedFromTimeOfDay() {
    auto now = std::chrono::system_clock::now().time_since_epoch();
    m_engine.seed(
        static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count()));
}

int DefaultRandom::below(int bound) {
    if (bound <= 1) return 0;
    return std::uniform_int_distribution<int>(0, bound - 1)(m_engine);
}

} // namespace quiz
