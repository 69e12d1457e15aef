// Loads arbitrary bytes as a text file and joins the lines: both must be what
// the line-end rules say, written out independently in support/LineEnds.h.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "support/LineEnds.h"
#include "text/TextFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using tessaro::fuzz::Require;
    static tessaro::fuzz::ScratchFile file;
    file.Write(data, size);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    tessaro::TStringList lines{"left over from before"};
    tessaro::LoadLines(lines, file.Path());
    Require(lines == tessaro::test::ReferenceLines(bytes), "the lines are not the file's lines");
    Require(tessaro::JoinLines(lines) == tessaro::test::ReferenceText(bytes), "the joined text is not the file's text");
    return 0;
}
