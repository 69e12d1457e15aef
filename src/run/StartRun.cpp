#include "run/BookRun.h"
#include "run/ClassicRun.h"
#include "run/NovelRun.h"

namespace tessaro {

std::unique_ptr<BookRun> StartRun(const RunSettings& settings)
{
    if (settings.Style == PageStyle::Novel)
        return std::make_unique<NovelRun>(settings.TextFile, settings.Encoding, settings.Novel);
    return std::make_unique<ClassicRun>(settings.TextFile, settings.Encoding, settings.ChosenFont);
}

PageSaver SaverFor(const BookRun& run)
{
    return [encode = run.Encoder()](const std::string& path, const TBitmap& page) { WritePage(path, encode(page)); };
}

}  // namespace tessaro
