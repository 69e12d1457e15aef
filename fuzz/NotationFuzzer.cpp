// Reads arbitrary bytes as an Aozora Bunko book and checks what any book gets:
// each span inside its block's text and on character boundaries, block text
// in well-formed UTF-8, a book without notation characters read back line for
// line, and no character lost: each character outside whatever could be
// notation (a matched ［＃…］ and a ※ before it, a matched 《…》 with a reading,
// a matched 〔…〕 of ASCII) is in the blocks at least as often as in the book,
// but for one ｜ before each such 《…》, which may start its base.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "novel/NotationReader.h"
#include "text/Utf8.h"

namespace {

using tessaro::fuzz::Require;
using tessaro::novel::Block;

constexpr std::string_view kPairs[][2] = {{"［", "］"}, {"《", "》"}, {"〔", "〕"}};
constexpr std::string_view kMarks[] = {"｜", "※", "＃"};
constexpr std::string_view kGaijiStart = "※［＃";
// Books whose structure drops lines or changes roles on purpose.
constexpr std::string_view kStructureWords[] = {"【テキスト中に現れる記号について】", "底本："};

using Counts = std::map<char32_t, long>;

std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t lineFeed = text.find('\n');
        std::string_view line = text.substr(0, lineFeed);
        text.remove_prefix(lineFeed == std::string_view::npos ? text.size() : lineFeed + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        lines.push_back(line);
    }
    return lines;
}

// The character at the start of text, as the reader takes it: a malformed
// byte alone is U+FFFD.
char32_t TakeCharacter(std::string_view& text)
{
    const std::size_t length = tessaro::Utf8SequenceLength(text);
    const char32_t character = length == 0 ? U'\uFFFD' : tessaro::DecodeUtf8(text.substr(0, length));
    text.remove_prefix(length == 0 ? 1 : length);
    return character;
}

bool IsUtf8(std::string_view text)
{
    for (std::size_t length = 0; !text.empty(); text.remove_prefix(length))
        if ((length = tessaro::Utf8SequenceLength(text)) == 0)
            return false;
    return true;
}

bool IsPrintableAscii(std::string_view text)
{
    for (char c : text)
        if (c < 0x20 || c > 0x7E)
            return false;
    return true;
}

// Whether the matched pair from open to close (the closing bracket's start)
// could be notation the reader takes away; any other pair is text.
bool MayBeNotation(std::string_view line, std::size_t open, std::size_t close)
{
    const std::string_view bracket = line.substr(open, 3);
    if (bracket == "［")
        return line.substr(open).starts_with("［＃");
    if (bracket == "《")
        return close > open + bracket.size();
    return IsPrintableAscii(line.substr(open + bracket.size(), close - open - bracket.size()));
}

// For each byte of the line, whether it lies in a matched pair that could be
// notation; rubies counts the pairs that could be rubies.
std::vector<bool> InsideNotation(std::string_view line, long& rubies)
{
    std::vector<int> depthChange(line.size() + 1, 0);
    for (const auto& [open, close] : kPairs) {
        std::vector<std::size_t> unclosed;
        for (std::size_t at = 0; at < line.size(); ++at) {
            if (line.substr(at).starts_with(open)) {
                unclosed.push_back(at);
            } else if (line.substr(at).starts_with(close) && !unclosed.empty()) {
                if (MayBeNotation(line, unclosed.back(), at)) {
                    ++depthChange[unclosed.back()];
                    --depthChange[at + close.size()];
                    rubies += open == "《" ? 1 : 0;
                }
                unclosed.pop_back();
            }
        }
    }
    std::vector<bool> inside(line.size());
    int depth = 0;
    for (std::size_t at = 0; at < line.size(); ++at)
        inside[at] = (depth += depthChange[at]) > 0;
    return inside;
}

void CountOutsideNotation(std::string_view line, Counts& counts, long& rubies)
{
    const std::vector<bool> inside = InsideNotation(line, rubies);
    for (std::size_t at = 0; at < line.size();) {
        std::string_view rest = line.substr(at);
        if (inside[at] || rest.starts_with(kGaijiStart)) {
            at += inside[at] ? 1 : std::string_view("※").size();
            continue;
        }
        ++counts[TakeCharacter(rest)];
        at = line.size() - rest.size();
    }
}

void CheckSpans(const Block& block)
{
    const auto onBoundary = [&](std::uint32_t offset) {
        return offset == block.Text.size() || (static_cast<unsigned char>(block.Text[offset]) & 0xC0) != 0x80;
    };
    Require(IsUtf8(block.Text), "block text is not well-formed UTF-8");
    for (const tessaro::novel::Span& span : block.Spans) {
        Require(span.Range.Begin <= span.Range.End && span.Range.End <= block.Text.size(), "a span is out of its text");
        Require(onBoundary(span.Range.Begin) && onBoundary(span.Range.End), "a span cuts a character");
    }
}

bool Holds(std::string_view text, std::string_view word)
{
    return text.find(word) != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view book(reinterpret_cast<const char*>(data), size);
    tessaro::novel::NotationReader reader(book);
    std::vector<Block> blocks;
    Block block;
    std::size_t consumed = 0;
    while (reader.Next(block)) {
        CheckSpans(block);
        Require(reader.ConsumedBytes() > consumed, "a block consumed no text");
        consumed = reader.ConsumedBytes();
        blocks.push_back(block);
    }
    Require(reader.ConsumedBytes() == size, "the book was not read to its end");

    bool structured = false;
    for (std::string_view word : kStructureWords)
        structured = structured || Holds(book, word);
    if (structured)
        return 0;
    const std::vector<std::string_view> lines = Lines(book);
    bool notation = false;
    for (const auto& [open, close] : kPairs)
        notation = notation || Holds(book, open) || Holds(book, close);
    for (std::string_view mark : kMarks)
        notation = notation || Holds(book, mark);
    if (!notation && IsUtf8(book)) {
        Require(blocks.size() == lines.size(), "a book without notation lost or gained lines");
        for (std::size_t i = 0; i < lines.size(); ++i)
            Require(blocks[i].Text == lines[i] && blocks[i].Spans.empty(), "a line without notation changed");
    }

    Counts given;
    Counts shown;
    long rubies = 0;
    for (std::string_view line : lines)
        CountOutsideNotation(line, given, rubies);
    for (const Block& shownBlock : blocks)
        for (std::string_view text = shownBlock.Text; !text.empty();)
            ++shown[TakeCharacter(text)];
    for (const auto& [character, count] : given)
        Require(shown[character] + (character == U'｜' ? rubies : 0) >= count, "a character outside notation was lost");
    return 0;
}
