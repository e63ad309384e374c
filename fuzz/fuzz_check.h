#pragma once
// The fuzzers' one way to say that something that must hold for every input did not:
// print the condition and its line, then abort so libFuzzer keeps the input.

#include <cstdio>
#include <cstdlib>

#define CHECK(cond)                                                                                          \
    do {                                                                                                     \
        if (!(cond)) {                                                                                       \
            std::fprintf(stderr, "check failed: %s (line %d)\n", #cond, __LINE__);                           \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)
