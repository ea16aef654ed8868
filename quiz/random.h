#pragma once
// The quiz's source of random numbers, injectable so that tests fix the draws.

#include <cstdint>
#include <random>

namespace quiz {

class RandomSource {
public:
    virtual ~RandomSource() = default;
    // Seeds the generator from the time of day. Called once per program run.
    virtual void seedFromTimeOfDay() = 0;
    // A uniform integer from 0 to bound - 1 (bound > 0).
    virtual int below(int bound) = 0;
};

// A pseudo-random generator (Mersenne Twister).
class DefaultRandom : public RandomSource {
public:
    void seedFromTimeOfDay() override;
    int below(int bound) override;

private:
    std::mt19937 m_engine;
};

} // namespace quiz
