#pragma once
// Reads Aozora Bunko notation into blocks, one source line (or one block of
// them) at a time, in one pass over the text.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "novel/Document.h"

namespace tessaro::novel {

// What the title block says about the book.
struct BookInfo {
    std::string Title;
    std::string Author;  // the line after the title, when the title block has one
};

class NotationReader {
public:
    // text: the whole book in UTF-8 with CR LF line ends, as the loader gives
    // it. It must outlive the reader.
    explicit NotationReader(std::string_view text);
    ~NotationReader();
    NotationReader(const NotationReader&) = delete;
    NotationReader& operator=(const NotationReader&) = delete;

    // The next block, or false at the end of the book.
    bool Next(Block& block);

    // Bytes of the text read so far.
    std::size_t ConsumedBytes() const;
    const BookInfo& Info() const;
    const std::vector<NotationWarning>& Warnings() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace tessaro::novel
