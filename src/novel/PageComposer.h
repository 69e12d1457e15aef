#pragma once
// Fills pages with lines: takes the book's blocks as it needs them, sets them
// into lines and stacks the lines down the page (or leftwards, in columns)
// until it is full or a block asks for a new page. The title block makes a
// page of its own, centred, the title large; a centred section
// (ページの左右中央) likewise; the colophon starts a page and is set a size
// smaller. Pages of the body carry the title as a running header. It never
// looks further ahead than the block after the page it is composing.

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

// A heading that starts on a page, for a table of contents.
struct PageHeading {
    int Level = 0;
    std::string Text;
};

// A line on a page. Its glyphs are placed from its origin: the start of its
// baseline in horizontal writing, the top of its centre line in vertical.
struct ComposedLine {
    LaidLine Line;
    std::string Text;  // what the line shows, in reading order
    int Heading = 0;   // the level of the heading the line belongs to or holds; 0 for none
    std::vector<PageHeading> Starts;  // the headings that start on the line, for a table of contents
    int OriginX = 0;
    int OriginY = 0;
    bool Vertical = false;
    LineBox Box;
};

struct ComposedPage {
    int Number = 0;
    bool Vertical = false;
    std::vector<ComposedLine> Lines;
    std::vector<PageHeading> Headings;
    ComposedLine Folio;   // the page number, always horizontal
    ComposedLine Header;  // the book's title over a page of the body; no glyphs elsewhere
};

// Gives the book's blocks in order: false at the end of the book.
using BlockSource = std::function<bool(Block&)>;
// The picture a block names, decoded; null when it cannot be read.
using PictureSource = std::function<std::shared_ptr<const TBitmap>(const std::string& file, int sourceLine)>;

class PageComposer {
public:
    // Without a picture source every picture is drawn as its description in a frame.
    PageComposer(BlockSource blocks, LineSetter& setter, TypeCache& type, const PageGeometry& geometry,
                 PictureSource pictures = {});

    // Composes the next page into page. The first call always gives a page;
    // returns false once the book is used up.
    bool Next(ComposedPage& page);
    // True when no page is left to compose.
    bool Done();

private:
    // What part of the book a block is in; a page holds one part only.
    enum class Section { Body, Title, Centred, Colophon };

    bool Refill();
    void Prepare(Block& block);
    // Queues the lines of a block, each with the text it shows.
    void Queue(const Block& block, std::vector<LaidLine>&& lines);
    void QueuePicture(const Span& picture);
    void QueueHorizontal(const Block& block);
    // The first line of a block set apart: a picture's description or caption.
    std::vector<LaidLine> SetApart(const std::string& text, int sizeSteps);
    void Centre(ComposedPage& page, int depth) const;
    ComposedLine SmallLine(const std::string& text, int x, int baseline, bool alignEnd);
    // Places a line whose slot begins depth pixels into the text block.
    void Place(ComposedLine& line, int depth) const;
    void SetFolio(ComposedPage& page);

    BlockSource blocks_;
    LineSetter& setter_;
    TypeCache& type_;
    PageGeometry geometry_;
    Shaper folioShaper_;
    PictureSource pictures_;
    Block block_;
    // Lines set and waiting for a page, with their text and heading.
    std::deque<ComposedLine> pending_;
    bool breakPending_ = false;
    Section section_ = Section::Body;  // of block_
    std::string title_;
    bool blocksDone_ = false;
    int pageNumber_ = 0;
};

}  // namespace tessaro::novel
