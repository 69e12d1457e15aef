#pragma once
// A run of the classic style behind the run interface: the page run of the
// 480x272 and 240x320 pages, unchanged.

#include "run/BookRun.h"

namespace tessaro {

class ClassicRun : public BookRun {
public:
    // A run with no text yet, showing a white 480x272 page.
    ClassicRun() = default;
    // Loads the book; raises what loading the text raises.
    ClassicRun(const std::string& textFile, TextEncodingChoice encoding, const TFont* chosenFont);

    bool Tick(const TickSettings& settings, const PageSaver& save) override { return run_.Tick(settings, save); }
    int PageCounter() const override { return run_.PageCounter(); }
    std::size_t ConsumedBytes() const override { return run_.ConsumedBytes(); }
    std::size_t TextBytes() const override { return run_.TextBytes(); }
    const TBitmap* Page() const override { return run_.Mainscreen().Bitmap(); }
    PageEncoder Encoder() const override { return EncodePage; }
    // The title is the text file's name without its folder and extension.
    const BookMetadata& Metadata() const override { return metadata_; }

private:
    PageRun run_;
    BookMetadata metadata_;
};

}  // namespace tessaro
