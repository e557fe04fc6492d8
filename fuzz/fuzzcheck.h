#pragma once

#include <cstdio>
#include <cstdlib>

// A property every input must keep; a violation aborts so that libFuzzer saves the input.
inline void fuzzCheck(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}
