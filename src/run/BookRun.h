#pragma once
// One interface for a run of either page style: the window and the batch
// command start a run with the settings fixed for the whole book, then ask for
// one page at a time until the book is used up. The style is decided once,
// when the run starts; nothing else asks which style is in use.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "imaging/TBitmap.h"
#include "imaging/TFont.h"
#include "pages/PageRun.h"
#include "run/NovelSettings.h"
#include "text/TextEncoding.h"

namespace tessaro {

enum class PageStyle { Classic, Novel };

// What stays fixed from Start to the end of a book.
struct RunSettings {
    PageStyle Style = PageStyle::Classic;
    std::string TextFile;
    TextEncodingChoice Encoding = TextEncodingChoice::Auto;
    // The classic body font, owned by the caller; none for the default.
    const TFont* ChosenFont = nullptr;
    NovelSettings Novel;
};

// A heading and the page it starts on.
struct BookHeading {
    int Page = 0;
    int Level = 0;
    std::string Text;
};

// Something the reader of a book should hear of, at a line of the text.
struct BookWarning {
    int Line = 0;
    std::string Text;
    // An annotation the notation reader did not understand: told only when
    // asked for (--verbose). Other warnings, a picture that cannot be drawn,
    // are always told.
    bool Notation = false;
};

// What a run knows of its book, growing as pages are made.
struct BookMetadata {
    std::string Title;
    std::string Author;
    // A book in vertical writing turns its pages right to left.
    bool RightToLeft = false;
    // The headings of the pages made so far, in order.
    std::vector<BookHeading> Headings;
    // The warnings met so far, in order.
    std::vector<BookWarning> Warnings;
};

class BookRun {
public:
    virtual ~BookRun() = default;

    // Produces the next page and hands it to save. Returns true when the
    // book is used up.
    virtual bool Tick(const TickSettings& settings, const PageSaver& save) = 0;
    // The number of the page the next tick produces.
    virtual int PageCounter() const = 0;
    // Bytes of the book laid out so far and in all, for progress reports.
    virtual std::size_t ConsumedBytes() const = 0;
    virtual std::size_t TextBytes() const = 0;
    // The page the last tick drew, for the preview; null before the first.
    virtual const TBitmap* Page() const = 0;
    // How this run's pages become the bytes of their files.
    virtual PageEncoder Encoder() const = 0;
    virtual const BookMetadata& Metadata() const = 0;
};

// Loads the book and starts a run of the chosen style. Raises what loading
// the text raises.
std::unique_ptr<BookRun> StartRun(const RunSettings& settings);

// A saver that encodes a page as the run does and writes it at once.
PageSaver SaverFor(const BookRun& run);

}  // namespace tessaro
