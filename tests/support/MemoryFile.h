#pragma once
// One file in memory per process, rewritten by every call: the code under test opens
// it by its path under /proc like any regular file, and rewriting it costs no disk.

#include <sys/mman.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

#include "text/FileIO.h"

namespace tessaro::test {

// Makes the file hold exactly these bytes and returns its path.
inline std::string MemoryFile(std::string_view bytes)
{
    static const UniqueFd file(::memfd_create("tessaro-test", MFD_CLOEXEC));
    if (::ftruncate(file.Get(), 0) != 0 || ::pwrite(file.Get(), bytes.data(), bytes.size(), 0) != ssize_t(bytes.size()))
        throw std::runtime_error("cannot write the memory file");
    return "/proc/self/fd/" + std::to_string(file.Get());
}

}  // namespace tessaro::test
