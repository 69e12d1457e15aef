#pragma once
// The characters Aozora Bunko notation gives a meaning to, and small helpers
// for reading the UTF-8 text of a line and of an annotation.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro::novel {

inline constexpr std::string_view RubyOpen = "《";
inline constexpr std::string_view RubyClose = "》";
inline constexpr std::string_view RubyBar = "｜";
inline constexpr std::string_view BracketOpen = "［";
inline constexpr std::string_view BracketClose = "］";
inline constexpr std::string_view AnnotationOpen = "［＃";
inline constexpr std::string_view GaijiMark = "※";
inline constexpr std::string_view AccentOpen = "〔";
inline constexpr std::string_view AccentClose = "〕";
inline constexpr std::string_view QuoteOpen = "「";
inline constexpr std::string_view QuoteClose = "」";
// Each notation character above is three bytes long in UTF-8.
inline constexpr std::size_t NotationCharLength = 3;

inline constexpr std::string_view Geta = "〓";  // a character that cannot be shown
inline constexpr std::string_view ObjectReplacement = "\xEF\xBF\xBC";  // U+FFFC: a picture
inline constexpr std::string_view Replacement = "\xEF\xBF\xBD";        // U+FFFD: a malformed byte

bool ConsumePrefix(std::string_view& text, std::string_view prefix);
bool ConsumeSuffix(std::string_view& text, std::string_view suffix);

// Reads a number written in ASCII or full-width digits from the start of text.
std::optional<int> ConsumeNumber(std::string_view& text);

// Reads 「…」 from the start of text, 「」 pairs inside counted, and returns what
// it quotes; nothing when text does not start with a closed quotation.
std::optional<std::string_view> ConsumeQuoted(std::string_view& text);

// Appends the character at the start of text (well-formed UTF-8, else U+FFFD
// for its first byte) and returns how many bytes of text it took.
std::size_t CopyCharacter(std::string_view text, std::string& out);

void AppendUtf8(char32_t codePoint, std::string& out);

// The code point of the character that ends at end in well-formed UTF-8 text,
// and where it starts.
char32_t CharacterBefore(std::string_view text, std::size_t end, std::size_t& start);

// The first occurrence of a pattern at or after a position, for callers whose
// positions never go back: each byte of the text is searched at most once.
class ForwardFinder {
public:
    ForwardFinder(std::string_view text, std::string_view pattern) : text_(text), pattern_(pattern) {}
    std::size_t From(std::size_t position);

private:
    std::string_view text_;
    std::string_view pattern_;
    std::size_t found_ = 0;
    bool searched_ = false;
};

// The matching pairs of one kind of bracket on a line, nested brackets matched
// from the inside out; an opening bracket whose closing one is not on the line
// has none. The two brackets start with the same byte, as each notation pair
// does in UTF-8.
class BracketPairs {
public:
    void Build(std::string_view line, std::string_view open, std::string_view close);

    // Where the bracket that opens at open closes, or npos. cursor keeps the
    // place between questions, which are cheapest in the order of the line.
    std::size_t CloseOf(std::size_t open, std::size_t& cursor) const;

private:
    struct Pair {
        std::size_t Open;
        std::size_t Close;
    };
    std::vector<Pair> pairs_;
    std::vector<std::size_t> unclosed_;
};

}  // namespace tessaro::novel
