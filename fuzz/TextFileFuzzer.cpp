// Loads arbitrary bytes as a text file and joins the lines: both must be what
// the line-end rules of support/LineEnds.h say.

#include "fuzz/FuzzSupport.h"
#include "support/LineEnds.h"
#include "text/TextFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static tessaro::fuzz::ScratchFile file;
    file.Write(data, size);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    tessaro::TStringList lines{"left over from before"};
    tessaro::LoadLines(lines, file.Path());
    tessaro::fuzz::Require(lines == tessaro::test::ReferenceLines(bytes), "the lines are not the file's lines");
    tessaro::fuzz::Require(tessaro::JoinLines(lines) == tessaro::test::ReferenceText(bytes),
                           "the joined text is not the file's text");
    return 0;
}
