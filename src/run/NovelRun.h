#pragma once
// A run of the novel style: the book read as Aozora Bunko text and typeset
// for a device, one page per tick, each page composed only when asked for.

#include <stdio.h>
#include <filesystem>
#include <memory>
#include <string>

#include "novel/LineSetter.h"
#include "novel/NotationReader.h"
#include "novel/PageComposer.h"
#include "run/BookRun.h"
#include "text/CHandle.h"

namespace tessaro {

class NovelRun : public BookRun {
public:
    // Loads the book, converted to UTF-8 whatever its encoding, and prepares
    // its type. Raises what loading the text raises, and EFCreateError when
    // the layout report cannot be created.
    NovelRun(const std::string& textFile, TextEncodingChoice encoding, const NovelSettings& settings);
    ~NovelRun() override;

    bool Tick(const TickSettings& settings, const PageSaver& save) override;
    int PageCounter() const override { return pageCounter_; }
    std::size_t ConsumedBytes() const override;
    std::size_t TextBytes() const override { return text_.size(); }
    const TBitmap* Page() const override { return page_.Empty() ? nullptr : &page_; }
    PageEncoder Encoder() const override;
    const BookMetadata& Metadata() const override { return metadata_; }

private:
    struct Type;
    std::shared_ptr<const TBitmap> LoadPicture(const std::filesystem::path& path, int line);

    std::string text_;
    NovelSettings settings_;
    bool vertical_;
    std::unique_ptr<Type> type_;
    novel::NotationReader reader_;
    novel::LineSetter setter_;
    novel::PageComposer composer_;
    novel::ComposedPage composed_;
    TBitmap page_;
    CHandle<std::FILE, ::fclose> report_;
    BookMetadata metadata_;
    std::size_t notationWarnings_ = 0;  // of the reader's, told so far
    int pageCounter_ = 1;
};

}  // namespace tessaro
