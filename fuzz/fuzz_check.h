// What a fuzz target does when a property fails: say which, and stop as a crash would, so
// that libFuzzer keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace nuvo::fuzz {

[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "property failed: %s\n", what);
    std::abort();
}

inline void Check(bool holds, const char* what) {
    if (!holds) Fail(what);
}

}  // namespace nuvo::fuzz
