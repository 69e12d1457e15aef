#include "run/ClassicRun.h"

#include <filesystem>

namespace tessaro {

ClassicRun::ClassicRun(const std::string& textFile, TextEncodingChoice encoding, const TFont* chosenFont)
{
    run_.SetChosenFont(chosenFont);
    run_.Start(textFile, encoding);
    metadata_.Title = std::filesystem::path(textFile).stem().string();
}

}  // namespace tessaro
