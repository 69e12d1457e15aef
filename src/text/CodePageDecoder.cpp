#include "text/CodePageDecoder.h"

#include <array>
#include <cerrno>
#include <string>
#include <unordered_map>
#include <vector>

#include "text/IconvHandle.h"
#include "text/Utf8.h"

namespace tessaro {

namespace {

// The iconv names of a code page, the usual one first.
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

IconvHandle OpenDecoder(int codePage)
{
    // Big-endian UTF-32 names its byte order, so iconv writes no byte-order mark.
    for (const std::string& name : IconvNames(codePage)) {
        IconvHandle handle("UTF-32BE", name.c_str());
        if (handle)
            return handle;
    }
    return IconvHandle();
}

// One descriptor per code page and thread, opened on first use; a code page
// that iconv does not know is remembered as empty so it is not tried again.
const IconvHandle& DecoderFor(int codePage)
{
    thread_local std::unordered_map<int, IconvHandle> decoders;
    auto found = decoders.find(codePage);
    if (found == decoders.end())
        found = decoders.emplace(codePage, OpenDecoder(codePage)).first;
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

char32_t DecodeWith(iconv_t decoder, std::string_view bytes)
{
    // Room for two code points: a second one means the bytes were more than
    // one character.
    std::array<unsigned char, 8> output{};
    std::string input(bytes);
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = reinterpret_cast<char*>(output.data());
    std::size_t outLeft = output.size();

    iconv(decoder, nullptr, nullptr, nullptr, nullptr);
    const std::size_t converted = iconv(decoder, &in, &inLeft, &out, &outLeft);
    // Some converters (CP1258) hold a character back to combine it with the
    // next; the flush writes it out and leaves the descriptor in its first state.
    const std::size_t flushed = iconv(decoder, nullptr, nullptr, &out, &outLeft);
    if (converted == static_cast<std::size_t>(-1) || flushed == static_cast<std::size_t>(-1) || inLeft != 0)
        return ReplacementCharacter;
    if (output.size() - outLeft != 4)
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
    const IconvHandle& decoder = DecoderFor(codePage);
    if (!decoder)
        return DecodeAscii(bytes);
    return DecodeWith(decoder.Get(), bytes);
}

}  // namespace tessaro
