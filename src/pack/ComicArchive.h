#pragma once
// The comic book archive: the pages under their own names in order, and a
// ComicInfo.xml that readers take the title, author, page count and reading
// direction from.

#include <ctime>
#include <memory>
#include <string>

#include "pack/BookPack.h"

namespace tessaro::pack {

std::string ComicInfoXml(const BookMetadata& book, int pageCount);

std::unique_ptr<BookPack> OpenComicArchive(const std::string& path, std::time_t date);

}  // namespace tessaro::pack
