#pragma once
// The fixed-layout EPUB 3: one XHTML page per image at the image's size, a
// package document that marks the book pre-paginated with the first page as
// its cover, and a navigation document from the book's headings.

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "pack/BookPack.h"
#include "pack/ImageHeader.h"

namespace tessaro::pack {

struct EpubBook {
    std::string Identifier;
    std::string Title;
    std::string Author;
    std::string Language;
    std::string Modified;
    bool RightToLeft = false;
    std::vector<ImageHeader> Pages;
    std::vector<BookHeading> Headings;
};

std::string PackageDocument(const EpubBook& book);
std::string NavigationDocument(const EpubBook& book);
// The XHTML page that shows the image of the page at index (from 0).
std::string PageDocument(const EpubBook& book, std::size_t index);
// The table of contents as an XHTML ordered list: the headings, nested by
// level, or page numbers when the book has none.
std::string TableOfContents(const std::vector<BookHeading>& headings, int pageCount);

std::unique_ptr<BookPack> OpenFixedLayoutEpub(const std::string& path, std::time_t date);

}  // namespace tessaro::pack
