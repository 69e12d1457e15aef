#include "novel/TextStyles.h"

#include <algorithm>

namespace tessaro::novel {

namespace {

bool IsStyleSpan(const Span& span)
{
    return span.Kind == SpanKind::Bold || span.Kind == SpanKind::Italic || span.Kind == SpanKind::Size ||
           span.Kind == SpanKind::Heading || span.Kind == SpanKind::Warichu || span.Kind == SpanKind::Small;
}

// 大見出し, 中見出し, 小見出し, in per cent of the body.
constexpr int HeadingPercent[] = {100, 160, 130, 115};
// 文字サイズ steps, one to three smaller or larger, in per cent.
constexpr int SmallerPercent[] = {100, 83, 70, 60};
constexpr int LargerPercent[] = {100, 120, 150, 200};

}  // namespace

int StyledEm(int bodyEm, const TextStyle& style)
{
    const int heading = HeadingPercent[std::clamp(style.Heading, 0, 3)];
    const int steps = std::clamp(style.SizeSteps, -3, 3);
    const int size = steps < 0 ? SmallerPercent[-steps] : LargerPercent[steps];
    return std::max(1, bodyEm * heading / 100 * size / 100 / (style.Half ? 2 : 1));
}

TextStyles::TextStyles(const Block& block)
{
    base_.Heading = block.Style.HeadingLevel;
    base_.Bold = block.Style.HeadingLevel > 0;
    current_ = base_;
    for (const Span& span : block.Spans) {
        if (!IsStyleSpan(span) || span.Range.Begin >= span.Range.End)
            continue;
        changes_.push_back({span.Range.Begin, &span, +1});
        changes_.push_back({span.Range.End, &span, -1});
    }
    std::stable_sort(changes_.begin(), changes_.end(), [](const Change& a, const Change& b) { return a.At < b.At; });
    for (const Change& change : changes_)
        if (boundaries_.empty() || boundaries_.back() != change.At)
            boundaries_.push_back(change.At);
}

TextStyle TextStyles::At(std::uint32_t offset)
{
    bool changed = false;
    for (; applied_ < changes_.size() && changes_[applied_].At <= offset; ++applied_) {
        const Change& change = changes_[applied_];
        changed = true;
        switch (change.Of->Kind) {
        case SpanKind::Bold:
            bold_ += change.Sign;
            break;
        case SpanKind::Italic:
            italic_ += change.Sign;
            break;
        case SpanKind::Size:
            steps_ += change.Sign * change.Of->Value;
            break;
        case SpanKind::Warichu:
        case SpanKind::Small:
            half_ += change.Sign;
            break;
        default:
            openHeadings_[std::clamp(change.Of->Value, 0, 3)] += change.Sign;
            break;
        }
    }
    if (changed) {
        current_ = base_;
        for (int level = 3; level >= 1; --level)
            if (openHeadings_[level] > 0)
                current_.Heading = level;
        current_.Bold = base_.Bold || bold_ > 0 || current_.Heading > 0;
        current_.Italic = italic_ > 0;
        current_.SizeSteps = steps_;
        current_.Half = half_ > 0;
    }
    return current_;
}

}  // namespace tessaro::novel
