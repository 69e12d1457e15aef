#pragma once
// Reads one source line of Aozora Bunko notation into a block: ruby, ｜,
// characters described in words, accent notation and ［＃…］ annotations, with
// the layout that carries from line to line.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "novel/Annotation.h"
#include "novel/Document.h"
#include "novel/Gaiji.h"
#include "novel/NotationText.h"

namespace tessaro::novel {

// The layout that carries from line to line: ここから…ここで…終わり blocks, the
// break before the next block, the centred page and the end of the body.
struct CarriedLayout {
    int IndentFirst = 0;
    int IndentRest = 0;
    std::optional<int> FlushEndGap;  // ここから地付き, ここから地からN字上げ
    int MaxCells = 0;
    int HeadingLevel = 0;
    bool Framed = false;
    bool Horizontal = false;
    bool CentredPage = false;  // until the next page break
    bool BodyEnded = false;    // after ［＃本文終わり］
    BreakBefore PendingBreak = BreakBefore::None;
    // Bold, italic and sizes over whole blocks, innermost last, by RangeKey:
    // a block shows the innermost of each kind, however deep they nest.
    std::map<std::uint32_t, std::vector<Span>> Marks;

    void Apply(const Annotation& annotation);
};

// What a fragment of notation shows: ruby readings, annotations and ｜
// removed, characters described in words and accent notation resolved. For
// the X of ［＃「X」…］, ruby readings, and the title of the book.
std::string VisibleText(std::string_view notation, GaijiResolver& gaiji);

class LineNotation {
public:
    LineNotation(CarriedLayout& layout, GaijiResolver& gaiji, std::vector<NotationWarning>& warnings);

    // Reads one source line, without its line end, into block: text, spans,
    // style, break, and the role Body or, after ［＃本文終わり］, Colophon.
    // False when the line holds only notation and makes no block.
    bool Read(std::string_view line, int lineNumber, Block& block);

private:
    struct OpenRange {
        std::size_t Begin;
        Span Mark;
    };

    std::string& Text() { return block_->Text; }
    void Begin(std::string_view line, int lineNumber, Block& block);
    std::size_t ReadAt(std::size_t at);
    bool IsAnnotationAt(std::size_t at);
    std::size_t ReadGaiji(std::size_t at);
    std::size_t ReadAnnotation(std::size_t at);
    bool BarStartsRuby(std::size_t at);
    std::size_t ReadRuby(std::size_t at);
    std::size_t ReadAccent(std::size_t at);

    void Apply(const Annotation& annotation, std::string_view raw);
    void LayMark(const Annotation& annotation, std::string_view raw);
    void LayTargeted(Span mark, std::string_view target, std::string_view raw);
    void CloseRange(Span mark, std::string_view raw);
    void Insert(const Annotation& annotation);
    void AddSpan(Span mark, std::size_t begin, std::size_t end);
    void ChangeLayout(const Annotation& annotation);
    void Warn(std::string_view raw);
    bool Finish();
    void ComposeStyle();

    CarriedLayout& layout_;
    GaijiResolver& gaiji_;
    std::vector<NotationWarning>& warnings_;

    std::string_view line_;
    int lineNumber_ = 0;
    Block* block_ = nullptr;
    BracketPairs brackets_;
    BracketPairs rubies_;
    BracketPairs accents_;
    std::size_t bracketCursor_ = 0;
    std::size_t rubyCursor_ = 0;
    std::size_t accentCursor_ = 0;
    std::size_t lookaheadBracketCursor_ = 0;
    std::size_t lookaheadRubyCursor_ = 0;

    std::size_t rubyFloor_ = 0;                     // no ruby base reaches back before this
    std::size_t barStart_ = std::string_view::npos;  // the base after ｜ starts here
    std::vector<TextRange> gaijiRanges_;
    std::map<std::uint32_t, std::vector<OpenRange>> openRanges_;
    bool sawNotation_ = false;
    std::optional<std::pair<int, int>> lineIndent_;  // first line, wrapped lines
    std::optional<std::size_t> lineFlushFrom_;
    int lineFlushGap_ = 0;
    int lineHeading_ = 0;
    std::vector<Annotation> deferred_;  // layout changes that follow text on the line
};

}  // namespace tessaro::novel
