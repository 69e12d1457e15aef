#pragma once
// What the fuzz targets share: a file the code under test reads by name, and a
// check that stops the run with a message when an invariant fails.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "text/FileIO.h"

namespace tessaro::fuzz {

// Aborts: libFuzzer keeps the input, and the replay program has just named it.
inline void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// A file in memory, so that fuzzing wears no disk; its path under /proc opens
// it like any regular file.
class ScratchFile {
public:
    ScratchFile() : file_(::memfd_create("tessaro-fuzz", MFD_CLOEXEC)) { Require(bool(file_), "no scratch file"); }
    std::string Path() const { return "/proc/self/fd/" + std::to_string(file_.Get()); }
    void Write(const std::uint8_t* data, std::size_t size)
    {
        Require(::ftruncate(file_.Get(), 0) == 0 && ::pwrite(file_.Get(), data, size, 0) == ssize_t(size),
                "cannot write the scratch file");
    }

private:
    UniqueFd file_;
};

}  // namespace tessaro::fuzz
