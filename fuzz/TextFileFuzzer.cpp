// Loads arbitrary bytes as a text file and joins the lines: both must be what
// the line-end rules of support/LineEnds.h say.

#include <algorithm>

#include "fuzz/FuzzSupport.h"
#include "support/LineEnds.h"
#include "text/TextFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    tessaro::TStringList lines{"left over from before"};
    tessaro::LoadLines(lines, tessaro::test::MemoryFile(bytes));
    const std::string text = tessaro::test::NormalisedText(bytes);
    tessaro::fuzz::Require(tessaro::JoinLines(lines) == text, "the joined text is not the file's, line ends normalised");
    // As many lines as line ends: no line holds a line end.
    tessaro::fuzz::Require(lines.size() == std::size_t(std::ranges::count(text, '\n')), "a line holds a line end");
    return 0;
}
