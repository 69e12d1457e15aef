#include "run/ClassicRun.h"

namespace tessaro {

ClassicRun::ClassicRun(const std::string& textFile, TextEncodingChoice encoding, const TFont* chosenFont)
{
    run_.SetChosenFont(chosenFont);
    run_.Start(textFile, encoding);
}

}  // namespace tessaro
