#pragma once
// What the fuzz targets share: the file in memory the code under test reads by
// name (test::MemoryFile), and a check that stops the run when an invariant fails.

#include <cstdio>
#include <cstdlib>

#include "support/MemoryFile.h"

namespace tessaro::fuzz {

// Aborts: libFuzzer keeps the input, and the replay program has just named it.
inline void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace tessaro::fuzz
