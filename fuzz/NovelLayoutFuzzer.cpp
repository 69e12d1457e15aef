// Lays arbitrary bytes out as an Aozora Bunko book in the novel style, page by
// page, and checks what any book gets:
// - the pages end, and each but an empty book's only page takes a line;
// - the lines show every character of every block once and in order: the
//   block's lines (横組み boxes each showing the lines they hold), then for
//   each picture its line (which shows the block's text when the block is the
//   picture alone) and its caption's lines;
// - lines stack as the composer stacks them, each past the last by the room
//   its marks and ruby need, a title or centred page centred across; a line
//   reaches past the text block only alone on its page, and a page ends with
//   room for its next line only before a block that starts a new page or
//   another part of the book; body pages carry the title over them;
// - along the line a box keeps to the measure but for hanging punctuation,
//   unless it is one piece that is never parted;
// - the ruby and notes of each group stand together on one line, each over
//   its span's base taken out to whole clusters; a group is left out exactly
//   where its base would share a cluster with the group shown before it.
//
// The first byte picks the set-up: bits 0-1 the screen, bit 2 vertical
// writing, bits 3-4 the line-breaking rules, bits 5-6 the body size, bit 7
// whether the pages are drawn too; the rest is the book, in UTF-8. The
// picture "a.png" is a small raster; every other picture cannot be read.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
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
constexpr std::string_view kObjectReplacement = "\uFFFC";

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

std::shared_ptr<const tessaro::TBitmap> PictureNamed(const std::string& file, int)
{
    static const auto raster = [] {
        auto made = std::make_shared<tessaro::TBitmap>();
        made->SetWidth(12);
        made->SetHeight(8);
        return made;
    }();
    return file == "a.png" ? raster : nullptr;
}

std::string_view TextOf(std::string_view text, TextRange range)
{
    return text.substr(range.Begin, range.End - range.Begin);
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

// Whether base, standing at bytes [at, at + base size) of the text, is the
// range given taken out to the whole clusters at its ends.
bool IsWidenedBase(std::string_view base, std::size_t at, TextRange given)
{
    if (at > given.Begin || at + base.size() < given.End)
        return false;
    const auto [firstEnd, lastStart] = OuterClusters(base);
    return (at == given.Begin || at + firstEnd > given.Begin) &&
           (at + base.size() == given.End || at + lastStart < given.End);
}

int Quarters(int em, int quarters)
{
    return em * quarters / 4;
}

// The part of the book a block belongs to; a page holds one part only.
enum class Section { Body, Title, Centred, Colophon };

Section SectionOf(const Block& block)
{
    if (block.Role == BlockRole::Title)
        return Section::Title;
    if (block.Role == BlockRole::Colophon)
        return Section::Colophon;
    return block.Style.CentredPage ? Section::Centred : Section::Body;
}

// Ruby and notes stand beside their base; the notes on a picture are its
// description and caption instead.
bool StandsBeside(const Block& block, const Span& span)
{
    return span.Kind == SpanKind::Ruby ||
           (span.Kind == SpanKind::Note && TextOf(block.Text, span.Range) != kObjectReplacement);
}

// Whether c may stand with its neighbours upright in one cell of a column.
bool JoinsUprightCell(char c)
{
    return (c >= '0' && c <= '9') || c == '!' || c == '?';
}

// The rubies and notes of one block, in groups of overlapping bases: each
// group shown stands whole on one line, each text over its own span's base
// taken out to whole pieces: clusters, small text that follows itself, and in
// a column text set upright in one cell; a group is left out exactly where its
// base starts in the last piece of the group shown before it.
class BlockRubies {
public:
    BlockRubies(const Block& block, bool vertical) : text_(block.Text), vertical_(vertical && !block.Style.Horizontal)
    {
        std::vector<const Span*> spans;
        std::vector<TextRange> pieces;
        for (const Span& span : block.Spans) {
            if (StandsBeside(block, span))
                spans.push_back(&span);
            if (span.Kind == SpanKind::Small || (vertical_ && span.Kind == SpanKind::Upright))
                pieces.push_back(span.Range);
        }
        std::sort(pieces.begin(), pieces.end(), [](TextRange a, TextRange b) { return a.Begin < b.Begin; });
        for (const TextRange range : pieces)
            if (!pieces_.empty() && range.Begin <= pieces_.back().End)
                pieces_.back().End = std::max(pieces_.back().End, range.End);
            else
                pieces_.push_back(range);
        std::stable_sort(spans.begin(), spans.end(),
                         [](const Span* a, const Span* b) { return a->Range.Begin < b->Range.Begin; });
        for (const Span* span : spans) {
            if (groups_.empty() || span->Range.Begin >= groups_.back().End)
                groups_.push_back({span->Range.End, {}});
            groups_.back().End = std::max(groups_.back().End, span->Range.End);
            groups_.back().Spans.push_back(span);
        }
    }

    // Returns the bases of the groups shown on the line.
    std::vector<TextRange> Take(const LaidLine& line)
    {
        std::vector<TextRange> shown;
        std::size_t report = 0;
        for (; next_ < groups_.size() && groups_[next_].Spans.front()->Range.Begin < line.Text.End; ++next_) {
            const Group& group = groups_[next_];
            if (group.Spans.front()->Range.Begin < shownEnd_)
                continue;  // left out: it would share a cluster with the group before
            TextRange base{line.Text.End, 0};
            for (const Span* span : group.Spans) {
                Require(report < line.Rubies.size(), "a ruby group missing or parted from its line");
                const TextRange over = Locate(line.Rubies[report++], *span, line.Text);
                base = {std::min(base.Begin, over.Begin), std::max(base.End, over.End)};
            }
            Require(base.Begin >= shownEnd_, "a ruby group shares a cluster with the one before it");
            shownEnd_ = base.End;
            shown.push_back(base);
        }
        Require(report == line.Rubies.size(), "a ruby on a line that is none of its block's");
        return shown;
    }

private:
    struct Group {
        std::uint32_t End;
        std::vector<const Span*> Spans;
    };

    // Where the ruby stands in the block's text: over the span's base taken
    // out to whole clusters, on the line.
    TextRange Locate(const RubyReport& ruby, const Span& span, TextRange line) const
    {
        Require(ruby.Text == span.Text && ruby.Placement == span.Placement &&
                    ruby.Note == (span.Kind == SpanKind::Note),
                "a ruby shows another text than its span's");
        const std::size_t size = ruby.Base.size();
        TextRange base = span.Range;
        for (const TextRange piece : pieces_)
            if (piece.Begin < base.End && base.Begin < piece.End)
                base = {std::min(base.Begin, piece.Begin), std::max(base.End, piece.End)};
        // Digits or marks set upright together may join the base from either side.
        TextRange upright = base;
        while (vertical_ && upright.Begin > 0 && JoinsUprightCell(text_[upright.Begin - 1]))
            --upright.Begin;
        while (vertical_ && upright.End < text_.size() && JoinsUprightCell(text_[upright.End]))
            ++upright.End;
        for (std::size_t at = base.Begin + 1; at-- > std::max<std::size_t>(line.Begin, shownEnd_);)
            if (at + size <= line.End && text_.compare(at, size, ruby.Base) == 0 &&
                (IsWidenedBase(ruby.Base, at, base) ||
                 (at >= upright.Begin && at + size <= upright.End && at + size >= base.End)))
                return {static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(at + size)};
        Require(false, "a ruby not over its span's base taken out to whole clusters");
        return {};
    }

    std::string_view text_;
    bool vertical_;                  // set in columns
    std::vector<TextRange> pieces_;  // each run of small or upright text, one piece
    std::vector<Group> groups_;
    std::size_t next_ = 0;
    std::uint32_t shownEnd_ = 0;  // where the base of the last group shown ends
};

// What one block shows, in order: its text (unless it is a picture alone),
// then each picture with its caption.
struct Showing {
    enum Kind { Text, Picture } What;
    std::string_view Source;   // the text the lines take up, or the picture line's
    bool OfBlock = false;      // the block's own text, with its rubies
};

std::vector<Showing> ShowingsOf(const Block& block)
{
    std::vector<Showing> showings;
    const auto isPicture = [](const Span& span) { return span.Kind == SpanKind::Picture; };
    const bool pictureAlone = block.Text == kObjectReplacement && std::ranges::any_of(block.Spans, isPicture);
    if (!pictureAlone)
        showings.push_back({Showing::Text, block.Text, true});
    for (const Span& picture : block.Spans) {
        if (!isPicture(picture))
            continue;
        std::string_view caption;
        for (const Span& note : block.Spans)
            if (note.Kind == SpanKind::Note && note.Range == picture.Range && note.Placement == Side::Under)
                caption = note.Text;
        showings.push_back({Showing::Picture, pictureAlone && showings.empty() ? block.Text : std::string_view()});
        if (!caption.empty())
            showings.push_back({Showing::Text, caption});
    }
    return showings;
}

// Follows the lines through the blocks the reader gave, and through what
// each block shows.
class BlockWalk {
public:
    BlockWalk(const std::deque<Block>& blocks, bool vertical) : blocks_(blocks), vertical_(vertical) {}

    // The line, the next to take, starts a block.
    bool AtBlockStart() const { return showing_ == showings_.size(); }
    // The block the next line belongs to.
    const Block& Next() const
    {
        Require(current_ < blocks_.size(), "a line after the last block");
        return blocks_[current_];
    }
    // Whether the next line starts a block that starts a new page.
    bool StartsPage() const
    {
        const Section previous = current_ == 0 ? Section::Body : SectionOf(blocks_[current_ - 1]);
        return AtBlockStart() && (Next().Break != BreakBefore::None || SectionOf(Next()) != previous);
    }

    // Returns the ruby bases of the groups shown on the line; none for a line
    // that shows no text of its block.
    std::optional<std::vector<TextRange>> Take(const ComposedLine& line)
    {
        if (AtBlockStart()) {
            showings_ = ShowingsOf(Next());
            showing_ = offset_ = 0;
            rubies_.emplace(Next(), vertical_);
        }
        const Showing& showing = showings_[showing_];
        std::optional<std::vector<TextRange>> bases;
        if (showing.What == Showing::Picture) {
            Require(line.Line.Picture && line.Text == showing.Source && line.Line.Rubies.empty(),
                    "a picture's line is not where it belongs");
            Advance();
            return bases;
        }
        const TextRange range = line.Line.Text;
        Require(!line.Line.Picture && range.Begin == offset_ && range.Begin <= range.End &&
                    range.End <= showing.Source.size(),
                "a line does not take up the text where the line before it stopped");
        Require(range.End > range.Begin || showing.Source.empty(), "an empty line in a block with text");
        Require(line.Text == TextOf(showing.Source, range), "a line shows other text than its own");
        if (showing.OfBlock)
            bases.emplace(rubies_->Take(line.Line));
        else
            Require(line.Line.Rubies.empty(), "a caption with ruby");
        offset_ = range.End;
        Require(line.Line.EndsBlock == (offset_ == showing.Source.size()), "a line ends its text, or not, wrongly");
        if (line.Line.EndsBlock)
            Advance();
        return bases;
    }

    bool AllTaken() const { return current_ == blocks_.size() && AtBlockStart(); }

private:
    void Advance()
    {
        offset_ = 0;
        if (++showing_ == showings_.size())
            ++current_;
    }

    const std::deque<Block>& blocks_;
    bool vertical_;
    std::size_t current_ = 0;  // the block of the line to take next
    std::vector<Showing> showings_;
    std::size_t showing_ = 0;
    std::uint32_t offset_ = 0;
    std::optional<BlockRubies> rubies_;
};

// The room the composer gives a line across: over it, its ruby space or as
// far as its marks reach (none for a picture or a 横組み box); under it, the
// gap between lines or its marks' reach and half the gap.
int RoomOver(const LaidLine& line)
{
    const int reach = (line.OverReach + FixedOne - 1) / FixedOne;
    return line.Picture || line.HorizontalBox ? 0 : std::max(Quarters(line.Em, RubySpaceQuarters), reach);
}

int RoomUnder(const LaidLine& line)
{
    const int gap = Quarters(line.Em, LineGapQuarters);
    return std::max(gap, (line.UnderReach + FixedOne - 1) / FixedOne + gap / 2);
}

// How deep the text block is filled once the line stands at start, with the
// reach of its marks but not the gap after it.
int Filled(const LaidLine& line, int start)
{
    return start + line.Em + RoomUnder(line) - Quarters(line.Em, LineGapQuarters);
}

// Whether a 横組み box holds no more than one line with the ruby space over
// it, were its lines of the largest type in it.
bool IsOneLineBox(const LaidLine& box, int bodyEm)
{
    int em = bodyEm;
    for (const PlacedGlyph& glyph : box.Glyphs)
        em = std::max(em, glyph.Face->PixelSize());
    return box.HorizontalBox && RoundFixed(box.Extent - box.Start) <= Quarters(em, RubySpaceQuarters) + em;
}

// Whether a column's glyphs all stand in one cell, side by side: digits or
// marks set upright together (縦中横).
bool IsOneCell(const LaidLine& line, bool vertical)
{
    return vertical && !line.Glyphs.empty() &&
           std::ranges::all_of(line.Glyphs, [&](const PlacedGlyph& glyph) { return glyph.X == line.Glyphs.front().X; });
}

// What a line is never parted in: one cluster, a ruby group, small text after
// its character, text set upright in one cell, or one horizontal line.
bool IsOnePiece(const ComposedLine& line, const Block& block, const std::vector<TextRange>& bases,
                const PageGeometry& geometry)
{
    if (IsOneLineBox(line.Line, geometry.Em) || IsOneCell(line.Line, geometry.Vertical))
        return true;
    const TextRange range = line.Line.Text;
    const auto whole = [&](TextRange r) { return r.Begin <= range.Begin && range.End <= r.End; };
    for (const Span& span : block.Spans)
        if ((span.Kind == SpanKind::Small || span.Kind == SpanKind::Upright) && whole(span.Range))
            return true;
    return (bases.size() == 1 && whole(bases.front())) || IsOneCluster(line.Text);
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
// rather than be parted. (Across the lines, PageStack keeps it in place.)
void CheckAlong(const ComposedLine& line, const PageGeometry& geometry, bool onePiece)
{
    const LineBox& box = line.Box;
    Require(box.W >= 0 && box.H >= 0, "a line box of negative size");
    if (onePiece)
        return;
    const int alongStart = geometry.Vertical ? geometry.Top : geometry.Left;
    const int along = geometry.Vertical ? box.Y : box.X;
    const int length = geometry.Vertical ? box.H : box.W;
    const int hangingCell = EndsHanging(line.Text) ? line.Line.Em : 0;
    Require(along >= alongStart && along + length <= alongStart + RoundFixed(geometry.Measure) + hangingCell,
            "a line runs past its measure but for a hanging cell");
}

// Follows the composer down a page: each line stands past the one before by
// the room both need, the page centred across when it is a title or centred
// one. A line that reaches past the text block stands alone on its page.
class PageStack {
public:
    explicit PageStack(const PageGeometry& geometry) : geometry_(geometry) {}

    // Whether the line would have fitted under the last of the page before.
    bool FitsAfterLast(const LaidLine& line) const { return Filled(line, depth_ + RoomOver(line)) <= geometry_.Depth(); }

    void Start() { depth_ = 0, starts_.clear(); }

    void Take(const LaidLine& line)
    {
        const int start = depth_ + RoomOver(line);
        Require(starts_.empty() || Filled(line, start) <= geometry_.Depth(), "a line reaches past the text block");
        starts_.push_back(start);
        depth_ = start + line.Em + RoomUnder(line);
    }

    void CheckPlaces(const ComposedPage& page, bool centred) const
    {
        const int filled = depth_ - Quarters(geometry_.Em, LineGapQuarters);
        const int shift = centred ? std::max(0, geometry_.Depth() - filled) / 2 : 0;
        for (std::size_t i = 0; i < page.Lines.size(); ++i) {
            const ComposedLine& line = page.Lines[i];
            const int across = geometry_.Vertical ? geometry_.Right - line.Box.X - line.Box.W : line.Box.Y - geometry_.Top;
            const int deep = geometry_.Vertical ? line.Box.W : line.Box.H;
            Require(across == starts_[i] + shift && deep == line.Line.Em, "a line out of its place across the page");
        }
    }

private:
    const PageGeometry& geometry_;
    int depth_ = 0;
    std::vector<int> starts_;
};

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
    const Block* title = nullptr;  // the first title line, the book's title
    const auto readBlock = [&](Block& block) {
        if (!reader.Next(block))
            return false;
        blocks.push_back(block);
        if (block.Role == BlockRole::Title && !block.Text.empty() && !title)
            title = &blocks.back();
        return true;
    };
    PageComposer composer(readBlock, SetterFor(setUp.Rules), BookType(), geometry, PictureNamed);
    BlockWalk walk(blocks, setUp.Vertical);
    PageStack stack(geometry);
    // A block gives at most a line a character (one when it is empty), and so
    // does a picture's caption.
    const std::size_t mostPages = 2 * book.size() + 1;
    ComposedPage page;
    for (int number = 1; composer.Next(page); ++number) {
        Require(page.Number == number && number <= int(mostPages), "pages out of count");
        Require(!page.Lines.empty() || (number == 1 && blocks.empty()), "a page took no line");
        Require(number == 1 || !stack.FitsAfterLast(page.Lines.front().Line) || walk.StartsPage(),
                "a page ended with room left, and not before a new page");
        stack.Start();
        Section section = Section::Body;
        for (std::size_t i = 0; i < page.Lines.size(); ++i) {
            const ComposedLine& line = page.Lines[i];
            Require(i == 0 || !walk.StartsPage(), "a new page or part of the book starts within a page");
            const Block& block = walk.Next();
            section = SectionOf(block);
            const std::optional<std::vector<TextRange>> bases = walk.Take(line);
            Require(&block != title || !bases || line.Heading > 0, "the title is not a heading");
            stack.Take(line.Line);
            CheckAlong(line, geometry, IsOnePiece(line, block, bases.value_or(std::vector<TextRange>{}), geometry));
        }
        stack.CheckPlaces(page, section == Section::Title || section == Section::Centred);
        Require(page.Header.Text == (section == Section::Body && title ? title->Text : ""),
                "a running header on the wrong page, or the wrong one");
        if (setUp.Draw) {
            tessaro::TBitmap raster = BlankPage(setUp.Page.Width, setUp.Page.Height, number % 2 == 0);
            RenderPage(page, raster);
        }
    }
    Require(composer.Done() && walk.AllTaken(), "the pages ended before the book");
    return 0;
}
