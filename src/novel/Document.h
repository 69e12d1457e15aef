#pragma once
// A book as the novel style reads it: a sequence of blocks (a source line, a
// heading, a picture), each holding the text it shows and the marks laid over
// that text. The notation reader makes blocks one at a time; the layout takes
// them in order and never needs the whole book at once.

#include <cstdint>
#include <string>
#include <vector>

namespace tessaro::novel {

// Bytes [Begin, End) of a block's text.
struct TextRange {
    std::uint32_t Begin = 0;
    std::uint32_t End = 0;
    bool operator==(const TextRange&) const = default;
};

// Which side of the line a mark sits on: Over is above the text in horizontal
// writing and to its right in vertical writing; Under is the other side.
enum class Side : std::uint8_t { Over, Under };

enum class EmphasisMark : std::uint8_t {
    Sesame,         // 傍点 ﹅
    WhiteSesame,    // 白ゴマ傍点 ﹆
    Dot,            // 丸傍点 ●
    WhiteDot,       // 白丸傍点 ○
    Triangle,       // 黒三角傍点 ▲
    WhiteTriangle,  // 白三角傍点 △
    DoubleCircle,   // 二重丸傍点 ◎
    Bullseye,       // 蛇の目傍点 ◉
    Cross,          // ばつ傍点 ×
};

enum class SideLine : std::uint8_t { Solid, Double, Chain, Dashed, Wavy };

// Small text set apart from the line's own size.
enum class SmallPlacement : std::uint8_t {
    Kaeriten,     // 返り点: after its character, low
    Okurigana,    // 訓点送り仮名: after its character, high
    LineRight,    // 行右小書き
    LineLeft,     // 行左小書き
    Superscript,  // 上付き小文字
    Subscript,    // 下付き小文字
};

enum class SpanKind : std::uint8_t {
    Ruby,      // Text: the reading; Side
    Note,      // Text: small text beside the range (注記); Side
    Emphasis,  // Variant: EmphasisMark; Side
    Line,      // Variant: SideLine; Side
    Bold,
    Italic,
    Size,      // Value: steps larger (positive) or smaller (negative)
    Heading,   // Value: level 1 (大), 2 (中), 3 (小); a heading inside a line (同行, 窓)
    Upright,   // 縦中横: set upright in one cell in vertical writing
    Warichu,   // 割り注: the range is set as two lines of half-size text; '\n' splits it
    Small,     // Variant: SmallPlacement
    Frame,     // 罫囲み
    Picture,   // the range is one U+FFFC; Text: the file beside the book; Value: width,
               // Value2: height as the notation gives them (0 when not given)
};

struct Span {
    TextRange Range;
    SpanKind Kind = SpanKind::Ruby;
    Side Placement = Side::Over;
    std::uint8_t Variant = 0;
    int Value = 0;
    int Value2 = 0;
    std::string Text;
};

// How a block starts.
enum class BreakBefore : std::uint8_t {
    None,
    Page,    // 改ページ
    Sheet,   // 改丁: the next odd page
    Spread,  // 改見開き: the next even page
    Column,  // 改段
};

// Where a block belongs in the book.
enum class BlockRole : std::uint8_t {
    Body,
    Title,     // the lines before the first blank line: title, author, translator
    Colophon,  // from a line starting with 底本： to the end
};

struct BlockStyle {
    int FirstIndent = 0;  // cells before the first line
    int RestIndent = 0;   // cells before each wrapped line
    // Text from FlushEndFrom on is set flush against the end of the line,
    // EndGap cells short of it (地付き, 地からN字上げ). No flush part when
    // FlushEndFrom is NoFlushEnd.
    std::uint32_t FlushEndFrom = NoFlushEnd;
    int EndGap = 0;
    int MaxCells = 0;      // 字詰め: lines of at most this many cells; 0 for the full measure
    int HeadingLevel = 0;  // a block that is a heading: 1 (大), 2 (中), 3 (小)
    bool CentredPage = false;  // ページの左右中央
    bool Horizontal = false;   // 横組み: set horizontally inside a vertical page
    bool Framed = false;       // 罫囲み around the whole block

    static constexpr std::uint32_t NoFlushEnd = 0xFFFFFFFFu;
    bool operator==(const BlockStyle&) const = default;
};

struct Block {
    // What the block shows, UTF-8, notation removed. Every character of the
    // book's body is in the text of exactly one block, in order.
    std::string Text;
    std::vector<Span> Spans;
    BlockStyle Style;
    BreakBefore Break = BreakBefore::None;
    BlockRole Role = BlockRole::Body;
    // The line of the source text (from 1) the block starts on.
    int SourceLine = 0;
};

// An annotation the reader did not understand, for --verbose.
struct NotationWarning {
    int SourceLine = 0;
    std::string Annotation;
};

}  // namespace tessaro::novel
