#pragma once
// Fills pages with lines: takes the book's blocks as it needs
// them, sets them into lines and stacks the lines down the page until it is
// full or a block asks for a new page. It never looks further ahead than the
// block after the page it is composing.

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "novel/LineSetter.h"
#include "novel/PageGeometry.h"

namespace tessaro::novel {

// The box of a line's characters on the page, in pixels.
struct LineBox {
    int X = 0;
    int Y = 0;
    int W = 0;
    int H = 0;
};

// A line on a page. Its glyphs are placed from its origin: the start of its
// baseline in horizontal writing, the top of its centre line in vertical.
struct ComposedLine {
    LaidLine Line;
    std::string Text;  // what the line shows, in reading order
    int Heading = 0;   // the level of the heading the line belongs to; 0 for none
    int OriginX = 0;
    int OriginY = 0;
    bool Vertical = false;
    LineBox Box;
};

// A heading that starts on a page, for a table of contents.
struct PageHeading {
    int Level = 0;
    std::string Text;
};

struct ComposedPage {
    int Number = 0;
    bool Vertical = false;
    std::vector<ComposedLine> Lines;
    std::vector<PageHeading> Headings;
    ComposedLine Folio;  // the page number, always horizontal
};

// Gives the book's blocks in order: false at the end of the book.
using BlockSource = std::function<bool(Block&)>;

class PageComposer {
public:
    PageComposer(BlockSource blocks, LineSetter& setter, TypeCache& type, const PageGeometry& geometry);

    // Composes the next page into page. The first call always gives a page;
    // returns false once the book is used up.
    bool Next(ComposedPage& page);
    // True when no page is left to compose.
    bool Done();

private:
    bool Refill();
    // Places a line whose slot begins depth pixels into the text block.
    ComposedLine Place(LaidLine&& line, int depth) const;
    void SetFolio(ComposedPage& page);

    BlockSource blocks_;
    LineSetter& setter_;
    TypeCache& type_;
    PageGeometry geometry_;
    Shaper folioShaper_;
    Block block_;
    std::deque<LaidLine> pending_;
    std::vector<LaidLine> set_;
    bool breakPending_ = false;
    bool blocksDone_ = false;
    int pageNumber_ = 0;
};

}  // namespace tessaro::novel
