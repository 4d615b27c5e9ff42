#pragma once

#include <cstdio>
#include <cstdlib>

// A property the code under fuzzing must keep. A broken one is a finding like
// a crash: it prints where and aborts, so libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)
