// Lays arbitrary bytes out as an Aozora Bunko book in the novel style, page by
// page, and checks what any book gets: the pages end; each page but an empty
// book's first takes at least one line, and has room for no more unless the
// next block asks for a new page; the lines show every character of every
// block once and in order, no line straddling two blocks; each line's box
// lies in the text block, passing the measure only by the hanging
// punctuation it ends with; and each ruby lies whole on one line, over its
// own base.
//
// The first byte picks the set-up: bits 0-1 the screen, bit 2 vertical
// writing, bits 3-4 the line-breaking rules, bits 5-6 the body size, bit 7
// whether the pages are drawn too; the rest is the book, in UTF-8.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "imaging/FontMatch.h"
#include "novel/NotationReader.h"
#include "novel/PageComposer.h"
#include "novel/PageRenderer.h"

namespace {

using namespace tessaro::novel;
using tessaro::fuzz::Require;

struct Screen {
    int Width;
    int Height;
};

// Small screens keep the runs fast; each leaves at least three ems of its
// shorter side at the largest body size, so that a line and its margins fit.
constexpr Screen kScreens[] = {{480, 272}, {240, 320}, {100, 100}, {320, 100}};
constexpr int kBodySizes[] = {12, 19, 26, 8};
constexpr std::size_t kLongestBook = 4096;

struct SetUp {
    Screen Page;
    bool Vertical;
    int Rules;
    int Em;
    bool Draw;
};

SetUp SetUpFrom(std::uint8_t byte)
{
    return {kScreens[byte & 3], (byte & 4) != 0, (byte >> 3) & 3, kBodySizes[(byte >> 5) & 3],
            (byte & 0x80) != 0};
}

tessaro::FontFile FindFont(const char* family)
{
    const std::optional<tessaro::FontFile> file = tessaro::MatchFontFile({family, false, false, "ja", false});
    Require(file.has_value(), "no font for the novel style");
    return *file;
}

// The type of the novel style's default book, as the run sets it: IPA
// Mincho, Latin letters in IPA P Mincho, headings in IPA Gothic. Opened once
// per process: a face takes far longer to open than a book to set. Never
// closed: the faces belong to the thread's FreeType library, which closes
// them itself before static objects would be destroyed.
TypeCache& BookType()
{
    static auto* const type =
        new TypeCache({FindFont("IPAMincho"), FindFont("IPAPMincho"), FindFont("IPAGothic")});
    return *type;
}

// The line-breaking rules the set-up picks, each kept for the whole process.
LineSetter& SetterFor(int rules)
{
    static LineSetter setters[] = {LineSetter(Kinsoku::Strict), LineSetter(Kinsoku::Normal),
                                   LineSetter(Kinsoku::Loose), LineSetter(Kinsoku::Strict)};
    return setters[rules];
}

bool IsShownRuby(const Span& span)
{
    return span.Kind == SpanKind::Ruby && span.Placement == Side::Over && span.Range.Begin < span.Range.End;
}

std::string_view TextOf(const Block& block, TextRange range)
{
    return std::string_view(block.Text).substr(range.Begin, range.End - range.Begin);
}

bool Overlap(TextRange a, TextRange b)
{
    return a.Begin < b.End && b.Begin < a.End;
}

// Where the first cluster of a text ends and the last begins, as the shaper
// makes them: it keeps each one together. The clusters do not depend on the
// size of the type.
std::pair<std::size_t, std::size_t> OuterClusters(std::string_view text)
{
    static Shaper shaper;
    static std::vector<ShapedGlyph> glyphs;
    glyphs.clear();
    shaper.Shape(BookType().Body(kBodySizes[0]), text, {0, static_cast<std::uint32_t>(text.size())}, false, glyphs);
    std::size_t firstEnd = text.size();
    for (const ShapedGlyph& glyph : glyphs)
        if (glyph.Cluster != 0) {
            firstEnd = glyph.Cluster;
            break;
        }
    return {firstEnd, glyphs.empty() ? 0 : glyphs.back().Cluster};
}

bool IsOneCluster(std::string_view text)
{
    return !text.empty() && OuterClusters(text).first == text.size();
}

// Whether a ruby's base is what its notation gave, taken out to the whole
// clusters at its ends.
bool IsBaseOf(std::string_view base, std::string_view given)
{
    const std::size_t at = base.find(given);
    if (at == std::string_view::npos)
        return false;
    const std::size_t end = at + given.size();
    const auto [firstEnd, lastStart] = OuterClusters(base);
    return (at == 0 || firstEnd > at) && (end == base.size() || lastStart < end);
}

// The rubies of one block: each one shown comes whole on one line, over a
// base of its own (taken out to whole clusters), in the order of the text;
// one is left out only where its base overlaps the base of a ruby shown.
class BlockRubies {
public:
    explicit BlockRubies(const Block& block) : block_(block)
    {
        for (const Span& span : block.Spans)
            if (IsShownRuby(span))
                rubies_.push_back(&span);
        std::stable_sort(rubies_.begin(), rubies_.end(),
                         [](const Span* a, const Span* b) { return a->Range.Begin < b->Range.Begin; });
        shownOver_.resize(rubies_.size());
    }

    void Take(const ComposedLine& line)
    {
        const TextRange range = line.Line.Text;
        while (next_ < rubies_.size() && rubies_[next_]->Range.Begin < range.Begin)
            ++next_;
        std::size_t from = 0;
        for (const RubyReport& ruby : line.Line.Rubies) {
            const std::size_t at = line.Text.find(ruby.Base, from);
            Require(!ruby.Base.empty() && at != std::string::npos, "a ruby's base is not on its line");
            from = at + ruby.Base.size();
            while (OnLine(next_, range) && !Shows(ruby, *rubies_[next_], range))
                ++next_;
            Require(OnLine(next_, range), "a ruby not over a base of its own on its line");
            const TextRange given = rubies_[next_]->Range;
            const auto begin = static_cast<std::uint32_t>(given.Begin - ruby.Base.find(TextOf(block_, given)));
            shownOver_[next_++] = TextRange{begin, static_cast<std::uint32_t>(begin + ruby.Base.size())};
        }
    }

    void CheckNoneLost() const
    {
        for (std::size_t i = 0; i < rubies_.size(); ++i) {
            bool covered = shownOver_[i].has_value();
            for (std::size_t j = 0; j < rubies_.size() && !covered; ++j)
                covered = shownOver_[j] && Overlap(rubies_[i]->Range, *shownOver_[j]);
            Require(covered, "a ruby left out");
        }
    }

private:
    bool OnLine(std::size_t i, TextRange line) const
    {
        return i < rubies_.size() && rubies_[i]->Range.Begin < line.End;
    }

    bool Shows(const RubyReport& ruby, const Span& span, TextRange line) const
    {
        return span.Range.End <= line.End && span.Text == ruby.Text &&
               IsBaseOf(ruby.Base, TextOf(block_, span.Range));
    }

    const Block& block_;
    std::vector<const Span*> rubies_;
    std::vector<std::optional<TextRange>> shownOver_;  // the base each ruby shown stands over
    std::size_t next_ = 0;
};

// Follows the lines through the blocks the reader gave: each line must take
// up its block's text where the line before it stopped.
class BlockWalk {
public:
    explicit BlockWalk(const std::deque<Block>& blocks) : blocks_(blocks) {}

    void Take(const ComposedLine& line)
    {
        Require(current_ < blocks_.size(), "a line after the last block");
        const Block& block = blocks_[current_];
        const TextRange range = line.Line.Text;
        Require(range.Begin == offset_ && range.Begin <= range.End && range.End <= block.Text.size(),
                "a line does not take up its block's text where the line before it stopped");
        Require(range.End > range.Begin || block.Text.empty(), "an empty line in a block with text");
        Require(line.Text == TextOf(block, range), "a line shows other text than its own");
        if (offset_ == 0)
            rubies_.emplace(block);
        rubies_->Take(line);
        offset_ = range.End;
        if (!line.Line.EndsBlock) {
            Require(offset_ < block.Text.size(), "a line runs on past its block");
            return;
        }
        Require(offset_ == block.Text.size(), "a block ended before its text did");
        rubies_->CheckNoneLost();
        ++current_;
        offset_ = 0;
    }

    bool AllTaken() const { return current_ == blocks_.size(); }

    // Whether the line, the next to take, starts a block that asks for a new page.
    bool StartsPage() const { return offset_ == 0 && blocks_[current_].Break != BreakBefore::None; }

private:
    const std::deque<Block>& blocks_;
    std::size_t current_ = 0;
    std::uint32_t offset_ = 0;
    std::optional<BlockRubies> rubies_;
};

// What a line is never parted in: a ruby with its base, or one cluster.
bool IsOnePiece(const ComposedLine& line)
{
    return (line.Line.Rubies.size() == 1 && line.Line.Rubies.front().Base == line.Text) || IsOneCluster(line.Text);
}

// Punctuation that may hang past the end of a full line; spaces after it
// take no room.
bool EndsHanging(std::string_view text)
{
    text = text.substr(0, text.find_last_not_of(' ') + 1);
    for (std::string_view mark : {"、", "。", "，", "．"})
        if (text.ends_with(mark))
            return true;
    return false;
}

// Along the line a box keeps to the measure, but for one cell of hanging
// punctuation, which the margins (at least a cell and a half) leave room for,
// and for a piece too long for a whole line, which stands alone on its line
// rather than be parted; across, it keeps to the text block's depth.
void CheckBox(const ComposedLine& line, const PageGeometry& geometry)
{
    const LineBox& box = line.Box;
    Require(box.W >= 0 && box.H >= 0, "a line box of negative size");
    if (geometry.Vertical)
        Require(box.X >= geometry.Left && box.X + box.W <= geometry.Right, "a column outside the text block");
    else
        Require(box.Y >= geometry.Top && box.Y + box.H <= geometry.Bottom, "a line outside the text block");
    if (IsOnePiece(line))
        return;
    const int alongStart = geometry.Vertical ? geometry.Top : geometry.Left;
    const int along = geometry.Vertical ? box.Y : box.X;
    const int length = geometry.Vertical ? box.H : box.W;
    const int hangingCell = EndsHanging(line.Text) ? line.Line.Em : 0;
    Require(along >= alongStart && along + length <= alongStart + RoundFixed(geometry.Measure) + hangingCell,
            "a line runs past its measure but for a hanging cell");
    Require(box.X >= 0 && box.Y >= 0 && box.X + box.W <= geometry.Width && box.Y + box.H <= geometry.Height,
            "a line box outside the page");
}

// Whether another line would fit in the text block after this one: the air
// after it, the ruby space and the em of the next.
bool RoomAfter(const ComposedLine& line, const PageGeometry& geometry)
{
    const int em = line.Line.Em;
    const int reached = geometry.Vertical ? geometry.Right - line.Box.X : line.Box.Y + line.Box.H - geometry.Top;
    return reached + em * LineGapQuarters / 4 + em * RubySpaceQuarters / 4 + em <= geometry.Depth();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const SetUp setUp = SetUpFrom(data[0]);
    const std::string book(reinterpret_cast<const char*>(data) + 1, std::min(size - 1, kLongestBook));
    const PageGeometry geometry = GeometryFor(setUp.Page.Width, setUp.Page.Height, setUp.Em, setUp.Vertical);
    NotationReader reader(book);
    std::deque<Block> blocks;  // whose elements stay put as it grows
    const auto readBlock = [&](Block& block) {
        if (!reader.Next(block))
            return false;
        blocks.push_back(block);
        return true;
    };
    PageComposer composer(readBlock, SetterFor(setUp.Rules), BookType(), geometry);
    BlockWalk walk(blocks);
    // Every page but an empty book's only one takes a line, and a block gives
    // at most a line a character (one when it is empty).
    const std::size_t mostPages = 2 * book.size() + 1;
    ComposedPage page;
    bool roomLeft = false;  // on the page before
    for (int number = 1; composer.Next(page); ++number) {
        Require(page.Number == number && number <= int(mostPages), "pages out of count");
        Require(!page.Lines.empty() || (number == 1 && blocks.empty()), "a page took no line");
        Require(!roomLeft || walk.StartsPage(), "a page ended with room left, and not before a new page");
        roomLeft = !page.Lines.empty() && RoomAfter(page.Lines.back(), geometry);
        for (const ComposedLine& line : page.Lines) {
            walk.Take(line);
            CheckBox(line, geometry);
        }
        if (setUp.Draw) {
            tessaro::TBitmap raster = BlankPage(setUp.Page.Width, setUp.Page.Height, number % 2 == 0);
            RenderPage(page, raster);
        }
    }
    Require(composer.Done() && walk.AllTaken(), "the pages ended before the book");
    return 0;
}
