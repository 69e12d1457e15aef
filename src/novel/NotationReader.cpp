#include "novel/NotationReader.h"

#include <algorithm>

#include "novel/Gaiji.h"
#include "novel/LineNotation.h"
#include "text/Utf8.h"

namespace tessaro::novel {

namespace {

// A title block is a few short lines: a first paragraph is longer, or is
// indented with a full-width space.
constexpr std::size_t kMostTitleLines = 4;
constexpr std::size_t kLongestTitleLine = 40;  // characters shown
constexpr std::string_view kParagraphIndent = "　";
// The explanation of the notation, between two rules of hyphens.
constexpr std::size_t kShortestRule = 10;
constexpr std::string_view kExplanationHeading = "【テキスト中に現れる記号について】";
constexpr std::string_view kColophonStart = "底本：";
constexpr std::string_view kColophonLine = "\n底本：";

// The lines of a text: split at LF, a CR before it dropped.
class LineSource {
public:
    explicit LineSource(std::string_view text) : text_(text) {}

    bool Take(std::string_view& line)
    {
        if (position_ >= text_.size())
            return false;
        const std::size_t lineFeed = text_.find('\n', position_);
        const std::size_t end = lineFeed == std::string_view::npos ? text_.size() : lineFeed;
        line = text_.substr(position_, end - position_);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        position_ = lineFeed == std::string_view::npos ? text_.size() : lineFeed + 1;
        ++number_;
        return true;
    }

    std::size_t Position() const { return position_; }
    int Number() const { return number_; }

private:
    std::string_view text_;
    std::size_t position_ = 0;
    int number_ = 0;
};

bool IsRule(std::string_view line)
{
    return line.size() >= kShortestRule && line.find_first_not_of('-') == std::string_view::npos;
}

std::size_t CharacterCount(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size(); ++count)
        at += std::max<std::size_t>(Utf8SequenceLength(text.substr(at)), 1);
    return count;
}

// The explanation block starts here: a rule, then its heading.
bool ExplanationStartsAt(LineSource lines, std::string_view rule)
{
    std::string_view heading;
    return IsRule(rule) && lines.Take(heading) && heading.starts_with(kExplanationHeading);
}

bool ExplanationFollows(LineSource lines)
{
    std::string_view line;
    while (lines.Take(line))
        if (!line.empty())
            return ExplanationStartsAt(lines, line);
    return false;
}

bool HasColophon(std::string_view text)
{
    return text.starts_with(kColophonStart) || text.find(kColophonLine) != std::string_view::npos;
}

}  // namespace

struct NotationReader::State {
    explicit State(std::string_view text);
    bool IsTitleLine(std::string_view line);
    void FindTitleBlock(std::string_view text);
    bool SkipExplanation(std::string_view rule);
    bool ReadBodyLine(std::string_view line, Block& block);

    LineSource Lines;
    BookInfo Info;
    std::vector<NotationWarning> Warnings;
    GaijiResolver Gaiji;
    CarriedLayout Layout;
    LineNotation Notation{Layout, Gaiji, Warnings};
    int TitleLines = 0;               // lines 1 to TitleLines are the title block
    bool ExplanationLooked = false;   // there is at most one explanation block
    bool FrontMatter = false;         // blank lines after the title and explanation blocks are skipped
    bool Colophon = false;            // from the line starting with 底本： on
};

NotationReader::State::State(std::string_view text) : Lines(text)
{
    FindTitleBlock(text);
}

bool NotationReader::State::IsTitleLine(std::string_view line)
{
    constexpr std::size_t kLongestCharacter = 4;
    // Notation can make a short title long in the source, but not this long.
    constexpr std::size_t kLongestSource = 10 * kLongestTitleLine * kLongestCharacter;
    if (line.starts_with(kParagraphIndent) || line.size() > kLongestSource)
        return false;
    const std::string shown = VisibleText(line, Gaiji);
    return !shown.empty() && CharacterCount(shown) <= kLongestTitleLine;
}

// The lines before the first blank line are the title block when they are
// few and short, and the book is laid out the Aozora Bunko way: the
// explanation block follows them, or a colophon starts with 底本：. Anything
// else starts with its first paragraph.
void NotationReader::State::FindTitleBlock(std::string_view text)
{
    LineSource probe = Lines;
    std::string_view line;
    std::vector<std::string_view> title;
    while (probe.Take(line) && !line.empty()) {
        if (title.size() == kMostTitleLines || !IsTitleLine(line))
            return;
        title.push_back(line);
    }
    if (title.empty() || !line.empty() || (!ExplanationFollows(probe) && !HasColophon(text)))
        return;
    TitleLines = static_cast<int>(title.size());
    FrontMatter = true;
    Info.Title = VisibleText(title[0], Gaiji);
    if (title.size() > 1)
        Info.Author = VisibleText(title[1], Gaiji);
}

// Drops the explanation block that starts with rule, when it is one and ends
// with a second rule.
bool NotationReader::State::SkipExplanation(std::string_view rule)
{
    if (ExplanationLooked || !ExplanationStartsAt(Lines, rule))
        return false;
    ExplanationLooked = true;
    LineSource after = Lines;
    std::string_view line;
    after.Take(line);
    while (after.Take(line))
        if (IsRule(line)) {
            Lines = after;
            return true;
        }
    return false;
}

bool NotationReader::State::ReadBodyLine(std::string_view line, Block& block)
{
    FrontMatter = false;
    Colophon = Colophon || line.starts_with(kColophonStart);
    if (!Notation.Read(line, Lines.Number(), block))
        return false;
    if (Colophon)
        block.Role = BlockRole::Colophon;
    return true;
}

NotationReader::NotationReader(std::string_view text) : state_(std::make_unique<State>(text)) {}

NotationReader::~NotationReader() = default;

bool NotationReader::Next(Block& block)
{
    State& state = *state_;
    std::string_view line;
    while (state.Lines.Take(line)) {
        if (state.Lines.Number() <= state.TitleLines) {
            if (state.Notation.Read(line, state.Lines.Number(), block)) {
                block.Role = BlockRole::Title;
                return true;
            }
        } else if (state.SkipExplanation(line)) {
            state.FrontMatter = true;
        } else if (!(state.FrontMatter && line.empty()) && state.ReadBodyLine(line, block)) {
            return true;
        }
    }
    return false;
}

std::size_t NotationReader::ConsumedBytes() const
{
    return state_->Lines.Position();
}

const BookInfo& NotationReader::Info() const
{
    return state_->Info;
}

const std::vector<NotationWarning>& NotationReader::Warnings() const
{
    return state_->Warnings;
}

}  // namespace tessaro::novel
