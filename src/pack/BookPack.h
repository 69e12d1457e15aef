#pragma once
// A book's pages gathered into one file for readers: a comic archive (CBZ)
// or a fixed-layout EPUB. Pages are added in order as they are made; the file
// appears under its name only when Finish completes, and a pack dropped
// before that leaves no file behind and an earlier one of that name intact.

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "pages/PageRun.h"
#include "run/BookRun.h"

namespace tessaro::pack {

enum class PackFormat { None, Cbz, Epub };

class BookPack {
public:
    virtual ~BookPack() = default;
    // Adds the next page: its file name as pages are named
    // (PREFIX000001.png) and its encoded bytes.
    virtual void AddPage(const std::string& fileName, const std::vector<std::uint8_t>& bytes) = 0;
    // Adds what describes the book and puts the file in place.
    virtual void Finish(const BookMetadata& book) = 0;
};

// The file of a book's pack: PREFIX.cbz or PREFIX.epub in the output
// directory, as pages are placed there.
std::string PackPath(PackFormat format, const std::string& outputDirectory, const std::string& prefix);

// Starts the pack of a book at path. Its entries carry the date given (the
// text file's modification time, so that the same text gives the same
// file). Raises EFCreateError when the folder takes no file.
std::unique_ptr<BookPack> OpenPack(PackFormat format, const std::string& path, std::time_t date);

// A page writer that adds each page to the pack under its file name.
PageWriter WriterInto(BookPack& pack);

// The modification time of a file; 0 when it cannot be read.
std::time_t ModificationTime(const std::string& path);

}  // namespace tessaro::pack
