// A fuzz target without libFuzzer: feeds each file of the directories named on
// the command line to it once, as libFuzzer does with its seeds, so that the
// target's own checks run in every test run.

#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "support/TestSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    int replayed = 0;
    for (int i = 1; i < argc; ++i)
        for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
            const std::string bytes = tessaro::test::ReadFile(entry.path());
            std::fprintf(stderr, "%s\n", entry.path().c_str());  // named first: a failing input is the last shown
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            ++replayed;
        }
    return replayed > 0 ? 0 : 1;  // no input at all would prove nothing
}
