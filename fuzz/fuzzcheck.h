#pragma once
// A property that must hold for every input: its failure aborts, which the
// fuzzer reports with the input that caused it.
#include <cstdlib>

#define CHECK(c)                                                                                             \
    do {                                                                                                     \
        if (!(c)) std::abort();                                                                              \
    } while (0)
