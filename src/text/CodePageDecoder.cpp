#include "text/CodePageDecoder.h"

#include <array>
#include <cerrno>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "text/IconvHandle.h"
#include "text/Utf8.h"

namespace tessaro {

std::vector<std::string> IconvNames(int codePage)
{
    const std::string number = std::to_string(codePage);
    switch (codePage) {
    case 932:
        return {"CP932", "WINDOWS-31J", "SHIFT_JIS"};
    case 936:
        return {"CP936", "GBK"};
    case 949:
        return {"CP949", "UHC", "EUC-KR"};
    case 950:
        return {"CP950", "BIG5"};
    case 874:
        return {"CP874", "WINDOWS-874", "TIS-620"};
    default:
        return {"CP" + number, "WINDOWS-" + number};
    }
}

namespace {

enum class Direction { Decode, Encode };

IconvHandle OpenConverter(int codePage, Direction direction)
{
    // Big-endian UTF-32 names its byte order, so iconv writes no byte-order mark.
    for (const std::string& name : IconvNames(codePage)) {
        IconvHandle handle = direction == Direction::Decode ? IconvHandle("UTF-32BE", name.c_str())
                                                            : IconvHandle(name.c_str(), "UTF-8");
        if (handle)
            return handle;
    }
    return IconvHandle();
}

// One descriptor per code page, direction and thread, opened on first use; a
// code page that iconv does not know is remembered as empty so it is not
// tried again.
const IconvHandle& ConverterFor(int codePage, Direction direction)
{
    thread_local std::unordered_map<int, IconvHandle> converters[2];
    auto& ofDirection = converters[static_cast<int>(direction)];
    auto found = ofDirection.find(codePage);
    if (found == ofDirection.end())
        found = ofDirection.emplace(codePage, OpenConverter(codePage, direction)).first;
    return found->second;
}

// Without a converter only the ASCII bytes, which every code page shares, can
// be told apart.
char32_t DecodeAscii(std::string_view bytes)
{
    if (bytes.size() == 1 && static_cast<unsigned char>(bytes.front()) < 0x80)
        return static_cast<unsigned char>(bytes.front());
    return ReplacementCharacter;
}

// Converts the whole input into output, returning the bytes written, or
// nothing when the input does not convert whole or the output is too short.
std::optional<std::size_t> ConvertWhole(iconv_t converter, std::string_view bytes, std::span<unsigned char> output)
{
    std::string input(bytes);
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = reinterpret_cast<char*>(output.data());
    std::size_t outLeft = output.size();

    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    const std::size_t converted = iconv(converter, &in, &inLeft, &out, &outLeft);
    // Some converters (CP1258) hold a character back to combine it with the
    // next; the flush writes it out and leaves the descriptor in its first state.
    const std::size_t flushed = iconv(converter, nullptr, nullptr, &out, &outLeft);
    if (converted == static_cast<std::size_t>(-1) || flushed == static_cast<std::size_t>(-1) || inLeft != 0)
        return std::nullopt;
    return output.size() - outLeft;
}

char32_t DecodeWith(iconv_t decoder, std::string_view bytes)
{
    // Room for two code points: a second one means the bytes were more than
    // one character.
    std::array<unsigned char, 8> output{};
    if (ConvertWhole(decoder, bytes, output) != 4u)
        return ReplacementCharacter;
    return (char32_t{output[0]} << 24) | (char32_t{output[1]} << 16) | (char32_t{output[2]} << 8) |
           char32_t{output[3]};
}

}  // namespace

char32_t DecodeCharacter(std::string_view bytes, int codePage)
{
    if (bytes.empty())
        return ReplacementCharacter;
    if (codePage == CodePageUtf8)
        return DecodeUtf8(bytes);
    const IconvHandle& decoder = ConverterFor(codePage, Direction::Decode);
    if (!decoder)
        return DecodeAscii(bytes);
    return DecodeWith(decoder.Get(), bytes);
}

std::size_t EncodedLength(std::string_view utf8Character, int codePage)
{
    const IconvHandle& encoder = ConverterFor(codePage, Direction::Encode);
    // A character takes at most four bytes in any code page iconv knows.
    std::array<unsigned char, 8> output{};
    const std::optional<std::size_t> length = encoder ? ConvertWhole(encoder.Get(), utf8Character, output) : std::nullopt;
    return length.value_or(1);
}

}  // namespace tessaro
