#include "novel/LineNotation.h"

#include "novel/AccentNotation.h"
#include "novel/RubyBase.h"

namespace tessaro::novel {

namespace {

constexpr std::size_t npos = std::string_view::npos;

std::uint32_t Offset(std::size_t position)
{
    return static_cast<std::uint32_t>(position);
}

bool IsContinuationByte(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

const std::uint32_t kWarichuKey = [] {
    Span warichu;
    warichu.Kind = SpanKind::Warichu;
    return RangeKey(warichu);
}();

void CloseBlockMark(std::map<std::uint32_t, std::vector<Span>>& marks, const Span& close)
{
    const auto open = marks.find(RangeKey(close));
    if (open == marks.end())
        return;
    open->second.pop_back();
    if (open->second.empty())
        marks.erase(open);
}

}  // namespace

void CarriedLayout::Apply(const Annotation& annotation)
{
    const bool open = annotation.Where == Reach::BlockOpen;
    switch (annotation.What) {
    case Directive::PageBreak:
        PendingBreak = annotation.Break;
        CentredPage = false;
        break;
    case Directive::CentredPage:
        CentredPage = true;
        break;
    case Directive::BodyEnd:
        BodyEnded = true;
        break;
    case Directive::Indent:
        IndentFirst = open ? annotation.First : 0;
        IndentRest = open ? annotation.Rest : 0;
        break;
    case Directive::FlushEnd:
        FlushEndGap = open ? std::optional<int>(annotation.First) : std::nullopt;
        break;
    case Directive::MaxCells:
        MaxCells = open ? annotation.First : 0;
        break;
    case Directive::Heading:
        HeadingLevel = open ? annotation.First : 0;
        break;
    case Directive::Framed:
        Framed = open;
        break;
    case Directive::Horizontal:
        Horizontal = open;
        break;
    case Directive::Mark:
        if (open)
            Marks[RangeKey(annotation.Mark)].push_back(annotation.Mark);
        else
            CloseBlockMark(Marks, annotation.Mark);
        break;
    default:
        break;
    }
}

namespace {

// The closing brackets of a fragment of notation, each searched for once.
struct FragmentClosers {
    explicit FragmentClosers(std::string_view notation)
        : Bracket(notation, BracketClose), Ruby(notation, RubyClose), Accent(notation, AccentClose)
    {
    }
    ForwardFinder Bracket;
    ForwardFinder Ruby;
    ForwardFinder Accent;
};

std::size_t EndOf(std::size_t close)
{
    return close == npos ? npos : close + NotationCharLength;
}

// The end of the notation that starts at at, and what it shows; npos when
// the character there is text.
std::size_t NotationEnd(std::string_view notation, std::size_t at, FragmentClosers& closers, GaijiResolver& gaiji,
                        std::string& shown)
{
    const std::string_view rest = notation.substr(at);
    const std::size_t gaijiStart = at + GaijiMark.size() + AnnotationOpen.size();
    if (rest.starts_with(GaijiMark) && rest.substr(GaijiMark.size()).starts_with(AnnotationOpen)) {
        const std::size_t close = closers.Bracket.From(gaijiStart);
        if (close != npos)
            shown = gaiji.Resolve(notation.substr(gaijiStart, close - gaijiStart));
        return EndOf(close);
    }
    if (rest.starts_with(AnnotationOpen))
        return EndOf(closers.Bracket.From(at));
    if (rest.starts_with(RubyOpen))
        return EndOf(closers.Ruby.From(at));
    if (rest.starts_with(RubyBar))
        return at + RubyBar.size();
    if (!rest.starts_with(AccentOpen))
        return npos;
    const std::size_t close = closers.Accent.From(at);
    const std::size_t inside = at + AccentOpen.size();
    std::optional<std::string> accented;
    if (close != npos && (accented = ExpandAccents(notation.substr(inside, close - inside))))
        shown = std::move(*accented);
    return accented ? EndOf(close) : npos;
}

}  // namespace

std::string VisibleText(std::string_view notation, GaijiResolver& gaiji)
{
    std::string visible;
    FragmentClosers closers(notation);
    std::string shown;
    for (std::size_t at = 0; at < notation.size();) {
        shown.clear();
        const std::size_t end = NotationEnd(notation, at, closers, gaiji, shown);
        if (end == npos) {
            at += CopyCharacter(notation.substr(at), visible);
        } else {
            visible += shown;
            at = end;
        }
    }
    return visible;
}

LineNotation::LineNotation(CarriedLayout& layout, GaijiResolver& gaiji, std::vector<NotationWarning>& warnings)
    : layout_(layout), gaiji_(gaiji), warnings_(warnings)
{
}

bool LineNotation::Read(std::string_view line, int lineNumber, Block& block)
{
    Begin(line, lineNumber, block);
    for (std::size_t at = 0; at < line_.size();)
        at = ReadAt(at);
    return Finish();
}

void LineNotation::Begin(std::string_view line, int lineNumber, Block& block)
{
    line_ = line;
    lineNumber_ = lineNumber;
    block_ = &block;
    block = Block();
    brackets_.Build(line, BracketOpen, BracketClose);
    rubies_.Build(line, RubyOpen, RubyClose);
    accents_.Build(line, AccentOpen, AccentClose);
    bracketCursor_ = rubyCursor_ = accentCursor_ = lookaheadBracketCursor_ = lookaheadRubyCursor_ = 0;
    rubyFloor_ = 0;
    barStart_ = npos;
    gaijiRanges_.clear();
    openRanges_.clear();
    sawNotation_ = false;
    lineIndent_.reset();
    lineFlushFrom_.reset();
    lineFlushGap_ = 0;
    lineHeading_ = 0;
    deferred_.clear();
}

std::size_t LineNotation::ReadAt(std::size_t at)
{
    const std::string_view rest = line_.substr(at);
    if (rest.starts_with(GaijiMark) && IsAnnotationAt(at + GaijiMark.size()))
        return ReadGaiji(at);
    if (IsAnnotationAt(at))
        return ReadAnnotation(at);
    if (rest.starts_with(RubyBar) && BarStartsRuby(at)) {
        barStart_ = Text().size();
        sawNotation_ = true;
        return at + RubyBar.size();
    }
    if (rest.starts_with(RubyOpen))
        return ReadRuby(at);
    if (rest.starts_with(AccentOpen))
        return ReadAccent(at);
    return at + CopyCharacter(rest, Text());
}

bool LineNotation::IsAnnotationAt(std::size_t at)
{
    return line_.substr(at).starts_with(AnnotationOpen) && brackets_.CloseOf(at, bracketCursor_) != npos;
}

std::size_t LineNotation::ReadGaiji(std::size_t at)
{
    const std::size_t open = at + GaijiMark.size();
    const std::size_t close = brackets_.CloseOf(open, bracketCursor_);
    const std::size_t descriptionStart = open + AnnotationOpen.size();
    const std::size_t begin = Text().size();
    Text() += gaiji_.Resolve(line_.substr(descriptionStart, close - descriptionStart));
    gaijiRanges_.push_back({Offset(begin), Offset(Text().size())});
    sawNotation_ = true;
    return close + BracketClose.size();
}

std::size_t LineNotation::ReadAnnotation(std::size_t at)
{
    const std::size_t close = brackets_.CloseOf(at, bracketCursor_);
    const std::size_t innerStart = at + AnnotationOpen.size();
    const std::size_t end = close + BracketClose.size();
    Apply(ParseAnnotation(line_.substr(innerStart, close - innerStart)), line_.substr(at, end - at));
    return end;
}

// ｜ marks the start of a ruby base when a ruby follows before the next ｜:
// annotations on the way are skipped, and the base must not be empty.
bool LineNotation::BarStartsRuby(std::size_t at)
{
    const std::size_t baseStart = at + RubyBar.size();
    for (std::size_t look = baseStart; look < line_.size();) {
        const std::string_view rest = line_.substr(look);
        std::size_t close = npos;
        if (rest.starts_with(RubyBar))
            return false;
        if (rest.starts_with(RubyOpen) && (close = rubies_.CloseOf(look, lookaheadRubyCursor_)) != npos &&
            close > look + RubyOpen.size())
            return look > baseStart;
        if (rest.starts_with(AnnotationOpen) && (close = brackets_.CloseOf(look, lookaheadBracketCursor_)) != npos)
            look = close + BracketClose.size();
        else
            ++look;
    }
    return false;
}

std::size_t LineNotation::ReadRuby(std::size_t at)
{
    const std::size_t close = rubies_.CloseOf(at, rubyCursor_);
    const std::size_t readingStart = at + RubyOpen.size();
    std::size_t baseStart = Text().size();
    if (close != npos && close > readingStart) {
        if (barStart_ != npos) {
            baseStart = barStart_;
            barStart_ = npos;
            // Nothing shown between ｜ and 《: the bar was text after all.
            if (baseStart == Text().size()) {
                Text() += RubyBar;
                baseStart = Text().size();
            }
        } else {
            baseStart = RubyBaseStart(Text(), rubyFloor_, gaijiRanges_);
        }
    }
    if (baseStart == Text().size()) {
        Text() += RubyOpen;
        return readingStart;
    }
    Span ruby;
    ruby.Kind = SpanKind::Ruby;
    ruby.Text = VisibleText(line_.substr(readingStart, close - readingStart), gaiji_);
    if (!ruby.Text.empty())
        AddSpan(std::move(ruby), baseStart, Text().size());
    rubyFloor_ = Text().size();
    sawNotation_ = true;
    return close + RubyClose.size();
}

std::size_t LineNotation::ReadAccent(std::size_t at)
{
    const std::size_t close = accents_.CloseOf(at, accentCursor_);
    const std::size_t notationStart = at + AccentOpen.size();
    if (close != npos)
        if (const std::optional<std::string> accented = ExpandAccents(line_.substr(notationStart, close - notationStart))) {
            Text() += *accented;
            sawNotation_ = true;
            return close + AccentClose.size();
        }
    Text() += AccentOpen;
    return notationStart;
}

void LineNotation::Apply(const Annotation& annotation, std::string_view raw)
{
    sawNotation_ = true;
    if (annotation.Where == Reach::BlockOpen || annotation.Where == Reach::BlockClose) {
        ChangeLayout(annotation);
        return;
    }
    switch (annotation.What) {
    case Directive::Unknown:
        Warn(raw);
        break;
    case Directive::LineBreak:
        if (!openRanges_[kWarichuKey].empty())
            Text() += '\n';
        break;
    case Directive::Kunten:
    case Directive::Picture:
        Insert(annotation);
        break;
    case Directive::Mark:
        LayMark(annotation, raw);
        break;
    case Directive::Heading:
        if (annotation.Where != Reach::Close)
            lineHeading_ = annotation.First;
        break;
    case Directive::Indent:
        lineIndent_ = {annotation.First, annotation.Rest};
        break;
    case Directive::FlushEnd:
        if (!lineFlushFrom_) {
            lineFlushFrom_ = Text().size();
            lineFlushGap_ = annotation.First;
        }
        break;
    case Directive::PageBreak:
    case Directive::CentredPage:
    case Directive::BodyEnd:
        ChangeLayout(annotation);
        break;
    default:
        break;
    }
}

void LineNotation::LayMark(const Annotation& annotation, std::string_view raw)
{
    Span mark = annotation.Mark;
    if (!annotation.Reading.empty())
        mark.Text = VisibleText(annotation.Reading, gaiji_);
    if (annotation.Where == Reach::Target)
        LayTargeted(std::move(mark), annotation.Target, raw);
    else if (annotation.Where == Reach::Open)
        openRanges_[RangeKey(mark)].push_back({Text().size(), std::move(mark)});
    else
        CloseRange(std::move(mark), raw);
}

// ［＃「X」…］ lays its mark over the X that ends just before it.
void LineNotation::LayTargeted(Span mark, std::string_view target, std::string_view raw)
{
    const std::string visible = VisibleText(target, gaiji_);
    const std::string& text = Text();
    if (visible.empty() || !text.ends_with(visible) || IsContinuationByte(text[text.size() - visible.size()])) {
        Warn(raw);
        return;
    }
    AddSpan(std::move(mark), text.size() - visible.size(), text.size());
}

void LineNotation::CloseRange(Span mark, std::string_view raw)
{
    std::vector<OpenRange>& open = openRanges_[RangeKey(mark)];
    if (open.empty()) {
        Warn(raw);
        return;
    }
    OpenRange range = std::move(open.back());
    open.pop_back();
    // A ruby or note range gets its text from its end: ［＃「Y」のルビ付き終わり］.
    if (!mark.Text.empty())
        range.Mark.Text = std::move(mark.Text);
    AddSpan(std::move(range.Mark), range.Begin, Text().size());
}

// Kunten marks and pictures put characters of their own into the line; a
// picture's caption is a note under it, its description a note over it.
void LineNotation::Insert(const Annotation& annotation)
{
    const std::size_t begin = Text().size();
    Span mark = annotation.Mark;
    const bool picture = mark.Kind == SpanKind::Picture;
    if (picture) {
        Text() += ObjectReplacement;
        mark.Text = VisibleText(annotation.Reading, gaiji_);
    } else {
        Text() += VisibleText(annotation.Reading, gaiji_);
    }
    AddSpan(std::move(mark), begin, Text().size());
    const auto note = [&](Side side, std::string_view text) {
        if (text.empty())
            return;
        Span span;
        span.Kind = SpanKind::Note;
        span.Placement = side;
        span.Text = VisibleText(text, gaiji_);
        AddSpan(std::move(span), begin, Text().size());
    };
    if (picture)
        note(Side::Over, annotation.About);
    note(Side::Under, annotation.Caption);
    rubyFloor_ = Text().size();
}

void LineNotation::AddSpan(Span mark, std::size_t begin, std::size_t end)
{
    if (begin >= end)
        return;
    mark.Range = {Offset(begin), Offset(end)};
    block_->Spans.push_back(std::move(mark));
}

// A change of layout before any text of the line applies to the line's block;
// after text, from the next block on.
void LineNotation::ChangeLayout(const Annotation& annotation)
{
    if (Text().empty())
        layout_.Apply(annotation);
    else
        deferred_.push_back(annotation);
}

void LineNotation::Warn(std::string_view raw)
{
    warnings_.push_back({lineNumber_, std::string(raw)});
}

bool LineNotation::Finish()
{
    // Ranges left open end with the line; a ruby or note range without its
    // end has no text to show.
    for (auto& [key, ranges] : openRanges_)
        for (OpenRange& range : ranges)
            if ((range.Mark.Kind != SpanKind::Ruby && range.Mark.Kind != SpanKind::Note) || !range.Mark.Text.empty())
                AddSpan(std::move(range.Mark), range.Begin, Text().size());
    const bool shows = !sawNotation_ || !Text().empty();
    if (shows)
        ComposeStyle();
    for (const Annotation& annotation : deferred_)
        layout_.Apply(annotation);
    return shows;
}

void LineNotation::ComposeStyle()
{
    Block& block = *block_;
    BlockStyle& style = block.Style;
    style.FirstIndent = lineIndent_ ? lineIndent_->first : layout_.IndentFirst;
    style.RestIndent = lineIndent_ ? lineIndent_->second : layout_.IndentRest;
    if (lineFlushFrom_) {
        style.FlushEndFrom = Offset(*lineFlushFrom_);
        style.EndGap = lineFlushGap_;
    } else if (layout_.FlushEndGap) {
        style.FlushEndFrom = 0;
        style.EndGap = *layout_.FlushEndGap;
    }
    style.MaxCells = layout_.MaxCells;
    style.HeadingLevel = lineHeading_ != 0 ? lineHeading_ : layout_.HeadingLevel;
    style.CentredPage = layout_.CentredPage;
    style.Horizontal = layout_.Horizontal;
    style.Framed = layout_.Framed;
    for (const auto& [key, nested] : layout_.Marks)
        AddSpan(nested.back(), 0, block.Text.size());
    block.Break = layout_.PendingBreak;
    layout_.PendingBreak = BreakBefore::None;
    block.Role = layout_.BodyEnded ? BlockRole::Colophon : BlockRole::Body;
    block.SourceLine = lineNumber_;
}

}  // namespace tessaro::novel
