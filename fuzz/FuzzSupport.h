#pragma once
// What the fuzz targets share: a scratch file the code under test reads by
// name, and a check that stops the run with a message when an invariant fails.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/FileIO.h"

namespace tessaro::fuzz {

// A file of this process, rewritten for every input and removed at exit. It
// lives in /dev/shm when there is one, so that fuzzing does not wear a disk.
class ScratchFile {
public:
    explicit ScratchFile(std::string_view tag);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& Path() const { return path_; }
    // Makes the file hold exactly these bytes.
    void Write(const std::uint8_t* data, std::size_t size);

private:
    std::string path_;
    UniqueFd file_;
};

// Aborts with the message when the condition does not hold: libFuzzer keeps
// the input that did it.
void Require(bool condition, const char* what);

}  // namespace tessaro::fuzz
