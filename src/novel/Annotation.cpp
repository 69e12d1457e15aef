#include "novel/Annotation.h"

#include <optional>

#include "novel/NotationText.h"

namespace tessaro::novel {

namespace {

// The marks laid over text, by the name the annotations give them.
struct MarkName {
    std::string_view Name;
    SpanKind Kind;
    std::uint8_t Variant = 0;
    int Level = 0;
};

template <typename E>
constexpr std::uint8_t V(E value)
{
    return static_cast<std::uint8_t>(value);
}

constexpr MarkName kMarkNames[] = {
    {"傍点", SpanKind::Emphasis, V(EmphasisMark::Sesame)},
    {"白ゴマ傍点", SpanKind::Emphasis, V(EmphasisMark::WhiteSesame)},
    {"丸傍点", SpanKind::Emphasis, V(EmphasisMark::Dot)},
    {"白丸傍点", SpanKind::Emphasis, V(EmphasisMark::WhiteDot)},
    {"黒三角傍点", SpanKind::Emphasis, V(EmphasisMark::Triangle)},
    {"白三角傍点", SpanKind::Emphasis, V(EmphasisMark::WhiteTriangle)},
    {"二重丸傍点", SpanKind::Emphasis, V(EmphasisMark::DoubleCircle)},
    {"蛇の目傍点", SpanKind::Emphasis, V(EmphasisMark::Bullseye)},
    {"ばつ傍点", SpanKind::Emphasis, V(EmphasisMark::Cross)},
    {"傍線", SpanKind::Line, V(SideLine::Solid)},
    {"二重傍線", SpanKind::Line, V(SideLine::Double)},
    {"鎖線", SpanKind::Line, V(SideLine::Chain)},
    {"破線", SpanKind::Line, V(SideLine::Dashed)},
    {"波線", SpanKind::Line, V(SideLine::Wavy)},
    {"太字", SpanKind::Bold},
    {"斜体", SpanKind::Italic},
    {"縦中横", SpanKind::Upright},
    {"罫囲み", SpanKind::Frame},
    {"割り注", SpanKind::Warichu},
    {"行右小書き", SpanKind::Small, V(SmallPlacement::LineRight)},
    {"行左小書き", SpanKind::Small, V(SmallPlacement::LineLeft)},
    {"上付き小文字", SpanKind::Small, V(SmallPlacement::Superscript)},
    {"下付き小文字", SpanKind::Small, V(SmallPlacement::Subscript)},
    {"同行大見出し", SpanKind::Heading, 0, 1},
    {"同行中見出し", SpanKind::Heading, 0, 2},
    {"同行小見出し", SpanKind::Heading, 0, 3},
    {"窓大見出し", SpanKind::Heading, 0, 1},
    {"窓中見出し", SpanKind::Heading, 0, 2},
    {"窓小見出し", SpanKind::Heading, 0, 3},
};

// Headings on lines of their own, by level.
constexpr std::string_view kHeadingNames[] = {"大見出し", "中見出し", "小見出し"};

struct PageBreakName {
    std::string_view Name;
    BreakBefore Break;
};

constexpr PageBreakName kPageBreaks[] = {
    {"改ページ", BreakBefore::Page},
    {"改丁", BreakBefore::Sheet},
    {"改見開き", BreakBefore::Spread},
    {"改段", BreakBefore::Column},
};

// 返り点: one or two of these, or either followed by レ, or レ alone.
constexpr std::string_view kKaeritenMarks[] = {"一", "二", "三", "四", "上", "中", "下", "甲",
                                               "乙", "丙", "丁", "天", "地", "人"};

Annotation Make(Directive what, Reach where = Reach::Here)
{
    Annotation annotation;
    annotation.What = what;
    annotation.Where = where;
    return annotation;
}

std::optional<Span> MarkNamed(std::string_view name)
{
    for (const MarkName& mark : kMarkNames)
        if (mark.Name == name) {
            Span span;
            span.Kind = mark.Kind;
            span.Variant = mark.Variant;
            span.Value = mark.Level;
            return span;
        }
    return std::nullopt;
}

std::optional<int> HeadingLevel(std::string_view name)
{
    for (std::size_t level = 0; level < std::size(kHeadingNames); ++level)
        if (kHeadingNames[level] == name)
            return static_cast<int>(level) + 1;
    return std::nullopt;
}

// N段階大きな文字 and N段階小さな文字: N steps larger or smaller.
std::optional<int> SizeSteps(std::string_view name)
{
    const std::optional<int> steps = ConsumeNumber(name);
    if (!steps)
        return std::nullopt;
    if (name == "段階大きな文字")
        return *steps;
    if (name == "段階小さな文字")
        return -*steps;
    return std::nullopt;
}

Annotation MarkAnnotation(Span mark, Reach where, Side side)
{
    Annotation annotation = Make(Directive::Mark, where);
    annotation.Mark = mark;
    annotation.Mark.Placement = side;
    return annotation;
}

Annotation SizeAnnotation(int steps, Reach where)
{
    Span size;
    size.Kind = SpanKind::Size;
    size.Value = steps;
    return MarkAnnotation(size, where, Side::Over);
}

Annotation HeadingAnnotation(int level, Reach where)
{
    Annotation annotation = Make(Directive::Heading, where);
    annotation.First = level;
    return annotation;
}

// A name that can follow ［＃「X」に…］, open a range or open a block.
std::optional<Annotation> Named(std::string_view name, Reach where, Side side)
{
    if (const std::optional<Span> mark = MarkNamed(name))
        return MarkAnnotation(*mark, where, side);
    if (const std::optional<int> level = HeadingLevel(name))
        return HeadingAnnotation(level.value(), where);
    if (const std::optional<int> steps = SizeSteps(name))
        return SizeAnnotation(*steps, where);
    return std::nullopt;
}

// A ruby or a note whose text is given: 「Y」のルビ, 「Y」の注記, with ending
// after the noun (付き for the end of a range).
std::optional<Annotation> GivenReading(std::string_view text, std::string_view ending, Reach where, Side side)
{
    const std::optional<std::string_view> reading = ConsumeQuoted(text);
    if (!reading || !ConsumePrefix(text, "の") || !ConsumeSuffix(text, ending))
        return std::nullopt;
    Span mark;
    if (text == "ルビ")
        mark.Kind = SpanKind::Ruby;
    else if (text == "注記")
        mark.Kind = SpanKind::Note;
    else
        return std::nullopt;
    Annotation annotation = MarkAnnotation(mark, where, side);
    annotation.Reading = *reading;
    return annotation;
}

std::optional<Annotation> ParseFixed(std::string_view text)
{
    for (const PageBreakName& page : kPageBreaks)
        if (text == page.Name) {
            Annotation annotation = Make(Directive::PageBreak);
            annotation.Break = page.Break;
            return annotation;
        }
    if (text == "ページの左右中央")
        return Make(Directive::CentredPage);
    if (text == "本文終わり")
        return Make(Directive::BodyEnd);
    if (text == "改行")
        return Make(Directive::LineBreak);
    return std::nullopt;
}

// Editorial notes about the source book: not drawn.
bool IsEditorial(std::string_view text)
{
    return text.find("底本では") != std::string_view::npos || text.ends_with("ママ");
}

bool IsKaeriten(std::string_view text)
{
    ConsumeSuffix(text, "レ");
    if (text.empty())
        return true;
    for (int marks = 0; marks < 2 && !text.empty(); ++marks) {
        bool known = false;
        for (std::string_view mark : kKaeritenMarks)
            known = known || ConsumePrefix(text, mark);
        if (!known)
            return false;
    }
    return text.empty();
}

std::optional<Annotation> ParseKunten(std::string_view text)
{
    Annotation annotation = Make(Directive::Kunten);
    annotation.Mark.Kind = SpanKind::Small;
    if (!text.empty() && IsKaeriten(text)) {
        annotation.Mark.Variant = V(SmallPlacement::Kaeriten);
        annotation.Reading = text;
        return annotation;
    }
    if (ConsumePrefix(text, "（") && ConsumeSuffix(text, "）") && !text.empty()) {
        annotation.Mark.Variant = V(SmallPlacement::Okurigana);
        annotation.Reading = text;
        return annotation;
    }
    return std::nullopt;
}

// 横320×縦322, in ASCII or full-width digits.
void ParsePictureSize(std::string_view size, Span& picture)
{
    if (!ConsumePrefix(size, "横"))
        return;
    const std::optional<int> width = ConsumeNumber(size);
    if (!width || !ConsumePrefix(size, "×") || !ConsumePrefix(size, "縦"))
        return;
    const std::optional<int> height = ConsumeNumber(size);
    if (height && size.empty()) {
        picture.Value = *width;
        picture.Value2 = *height;
    }
}

// 説明（fig123.png、横320×縦322）入る, and 「caption」のキャプション付きの図（…）入る.
std::optional<Annotation> ParsePicture(std::string_view text)
{
    if (!ConsumeSuffix(text, "）入る"))
        return std::nullopt;
    const std::size_t open = text.rfind("（");
    if (open == std::string_view::npos)
        return std::nullopt;
    std::string_view description = text.substr(0, open);
    const std::string_view inside = text.substr(open + std::string_view("（").size());
    const std::size_t comma = inside.find("、");
    Annotation annotation = Make(Directive::Picture);
    annotation.Mark.Kind = SpanKind::Picture;
    annotation.Reading = inside.substr(0, comma);
    if (annotation.Reading.empty())
        return std::nullopt;
    if (comma != std::string_view::npos)
        ParsePictureSize(inside.substr(comma + std::string_view("、").size()), annotation.Mark);
    annotation.About = description;
    if (const std::optional<std::string_view> caption = ConsumeQuoted(description);
        caption && description.starts_with("のキャプション付き"))
        annotation.Caption = annotation.About = *caption;
    return annotation;
}

// N字下げ, N字下げ、折り返してM字下げ, 改行天付き、折り返してM字下げ.
std::optional<Annotation> ParseIndent(std::string_view text, Reach where)
{
    Annotation annotation = Make(Directive::Indent, where);
    ConsumePrefix(text, "天から");
    if (ConsumePrefix(text, "改行天付き、折り返して")) {
        const std::optional<int> rest = ConsumeNumber(text);
        if (!rest || text != "字下げ")
            return std::nullopt;
        annotation.Rest = *rest;
        return annotation;
    }
    const std::optional<int> first = ConsumeNumber(text);
    if (!first || !ConsumePrefix(text, "字下げ"))
        return std::nullopt;
    annotation.First = annotation.Rest = *first;
    if (text.empty())
        return annotation;
    if (!ConsumePrefix(text, "、折り返して"))
        return std::nullopt;
    const std::optional<int> rest = ConsumeNumber(text);
    if (!rest || text != "字下げ")
        return std::nullopt;
    annotation.Rest = *rest;
    return annotation;
}

// 地付き and 地からN字上げ.
std::optional<Annotation> ParseFlushEnd(std::string_view text, Reach where)
{
    Annotation annotation = Make(Directive::FlushEnd, where);
    if (text == "地付き")
        return annotation;
    if (!ConsumePrefix(text, "地から"))
        return std::nullopt;
    const std::optional<int> gap = ConsumeNumber(text);
    if (!gap || text != "字上げ")
        return std::nullopt;
    annotation.First = *gap;
    return annotation;
}

std::optional<Annotation> ParseBlockClose(std::string_view text)
{
    if (text == "字下げ")
        return Make(Directive::Indent, Reach::BlockClose);
    if (text == "地付き" || text == "字上げ")
        return Make(Directive::FlushEnd, Reach::BlockClose);
    if (text == "字詰め")
        return Make(Directive::MaxCells, Reach::BlockClose);
    return std::nullopt;
}

// The layout of lines: indents, flush ends and 字詰め, on a line or a block.
std::optional<Annotation> ParseLayout(std::string_view text)
{
    if (ConsumePrefix(text, "ここで"))
        return ConsumeSuffix(text, "終わり") ? ParseBlockClose(text) : std::nullopt;
    const Reach where = ConsumePrefix(text, "ここから") ? Reach::BlockOpen : Reach::Here;
    if (std::optional<Annotation> indent = ParseIndent(text, where))
        return indent;
    if (std::optional<Annotation> flush = ParseFlushEnd(text, where))
        return flush;
    const std::optional<int> cells = ConsumeNumber(text);
    if (where == Reach::BlockOpen && cells && text == "字詰め") {
        Annotation annotation = Make(Directive::MaxCells, where);
        annotation.First = *cells;
        return annotation;
    }
    return std::nullopt;
}

// ［＃「X」…］: over the text just before the annotation.
std::optional<Annotation> ParseTargeted(std::string_view text)
{
    const std::optional<std::string_view> target = ConsumeQuoted(text);
    if (!target)
        return std::nullopt;
    Side side = Side::Over;
    if (ConsumePrefix(text, "の左に"))
        side = Side::Under;
    else if (!ConsumePrefix(text, "に") && !ConsumePrefix(text, "は"))
        return std::nullopt;

    std::optional<Annotation> annotation = GivenReading(text, "", Reach::Target, side);
    if (!annotation)
        annotation = Named(text, Reach::Target, side);
    if (!annotation && text == "横組み")
        annotation = Make(Directive::Ignored);
    if (annotation)
        annotation->Target = *target;
    return annotation;
}

// Ranges on a line (［＃傍点］…［＃傍点終わり］) and blocks of lines
// (［＃ここから太字］…［＃ここで太字終わり］).
Annotation ParseRange(std::string_view text)
{
    Reach where = Reach::Open;
    if (ConsumePrefix(text, "ここから"))
        where = Reach::BlockOpen;
    else if (ConsumePrefix(text, "ここで"))
        where = Reach::BlockClose;
    const bool closing = ConsumeSuffix(text, "終わり");
    if (where == Reach::Open && closing)
        where = Reach::Close;
    if (closing != (where == Reach::Close || where == Reach::BlockClose))
        return Make(Directive::Unknown);
    const Side side = ConsumePrefix(text, "左に") ? Side::Under : Side::Over;

    if (text == "罫囲み" && (where == Reach::BlockOpen || where == Reach::BlockClose))
        return Make(Directive::Framed, where);
    if (text == "横組み")
        return Make(where == Reach::BlockOpen || where == Reach::BlockClose ? Directive::Horizontal
                                                                              : Directive::Ignored,
                    where);
    // ［＃ここから割り注］ is the older way to write the range ［＃割り注］.
    if (text == "割り注")
        where = closing ? Reach::Close : Reach::Open;
    if (closing && (text == "大きな文字" || text == "小さな文字"))
        return SizeAnnotation(text == "大きな文字" ? 1 : -1, where);
    if (where == Reach::Open && (text == "ルビ付き" || text == "注記付き")) {
        Span mark;
        mark.Kind = text == "ルビ付き" ? SpanKind::Ruby : SpanKind::Note;
        return MarkAnnotation(mark, where, side);
    }
    if (where == Reach::Close)
        if (std::optional<Annotation> given = GivenReading(text, "付き", where, side))
            return *given;
    return Named(text, where, side).value_or(Make(Directive::Unknown));
}

}  // namespace

Annotation ParseAnnotation(std::string_view annotation)
{
    if (std::optional<Annotation> fixed = ParseFixed(annotation))
        return *fixed;
    if (IsEditorial(annotation))
        return Make(Directive::Ignored);
    if (std::optional<Annotation> picture = ParsePicture(annotation))
        return *picture;
    if (std::optional<Annotation> targeted = ParseTargeted(annotation))
        return *targeted;
    if (std::optional<Annotation> kunten = ParseKunten(annotation))
        return *kunten;
    if (std::optional<Annotation> layout = ParseLayout(annotation))
        return *layout;
    return ParseRange(annotation);
}

std::uint32_t RangeKey(const Span& mark)
{
    // Sizes pair by direction, headings by level, everything else by its variant.
    int detail = mark.Variant;
    if (mark.Kind == SpanKind::Size)
        detail = mark.Value > 0 ? 1 : 0;
    else if (mark.Kind == SpanKind::Heading)
        detail = mark.Value;
    return static_cast<std::uint32_t>(mark.Kind) << 16 | static_cast<std::uint32_t>(mark.Placement) << 8 |
           static_cast<std::uint32_t>(detail & 0xFF);
}

}  // namespace tessaro::novel
