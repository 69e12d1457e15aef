#include "novel/AccentNotation.h"

#include "text/Utf8.h"

namespace tessaro::novel {

namespace {

// Letters that take a mark, and what each becomes, in the same order.
struct AccentMark {
    char Mark;
    std::string_view Letters;
    std::string_view Accented;
};

constexpr AccentMark kMarks[] = {
    {'\'', "aeiouyAEIOUY", "áéíóúýÁÉÍÓÚÝ"},
    {'`', "aeiounAEIOUN", "àèìòùǹÀÈÌÒÙǸ"},
    {'^', "aeioucghjsAEIOUCGHJS", "âêîôûĉĝĥĵŝÂÊÎÔÛĈĜĤĴŜ"},
    {':', "aeiouyAEIOU", "äëïöüÿÄËÏÖÜ"},
    {'~', "aeinouAEINOU", "ãẽĩñõũÃẼĨÑÕŨ"},
    {'&', "auAUs", "åůÅŮß"},
    {',', "cC", "çÇ"},
    {'/', "dhiloDLO", "đħɨłøĐŁØ"},
    {'_', "aeiouAEIOU", "āēīōūĀĒĪŌŪ"},
};

struct Ligature {
    std::string_view Letters;
    std::string_view Joined;
};

constexpr Ligature kLigatures[] = {{"ae&", "æ"}, {"AE&", "Æ"}, {"oe&", "œ"}, {"OE&", "Œ"}};

// The index-th character of a UTF-8 string.
std::string_view NthCharacter(std::string_view text, std::size_t index)
{
    std::size_t length = Utf8SequenceLength(text);
    for (; index > 0; --index) {
        text.remove_prefix(length);
        length = Utf8SequenceLength(text);
    }
    return text.substr(0, length);
}

std::string_view Accented(char letter, char mark)
{
    for (const AccentMark& accent : kMarks) {
        if (accent.Mark != mark)
            continue;
        const std::size_t index = accent.Letters.find(letter);
        return index == std::string_view::npos ? std::string_view() : NthCharacter(accent.Accented, index);
    }
    return {};
}

bool IsPrintableAscii(char c)
{
    return c >= 0x20 && c <= 0x7E;
}

}  // namespace

std::optional<std::string> ExpandAccents(std::string_view notation)
{
    std::string expanded;
    bool accented = false;
    for (std::size_t at = 0; at < notation.size();) {
        if (!IsPrintableAscii(notation[at]))
            return std::nullopt;
        const std::string_view rest = notation.substr(at);
        std::string_view replacement;
        std::size_t taken = 0;
        for (const Ligature& ligature : kLigatures)
            if (rest.starts_with(ligature.Letters)) {
                replacement = ligature.Joined;
                taken = ligature.Letters.size();
            }
        if (replacement.empty() && rest.size() >= 2) {
            replacement = Accented(rest[0], rest[1]);
            taken = 2;
        }
        if (replacement.empty()) {
            expanded += rest[0];
            ++at;
            continue;
        }
        expanded += replacement;
        accented = true;
        at += taken;
    }
    if (!accented)
        return std::nullopt;
    return expanded;
}

}  // namespace tessaro::novel
