#include "text/TextLoader.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "text/CodePageDecoder.h"
#include "text/CodePageInfo.h"
#include "text/EncodingDetector.h"
#include "text/Exception.h"
#include "text/FileIO.h"
#include "text/LineEndNormalizer.h"
#include "text/Utf8.h"
#include "text/Utf8Converter.h"

namespace tessaro {

namespace {

// The read count is a signed 32-bit number, so a file must stay below 2 GiB.
constexpr std::int64_t kLargestReadableFile = 0x7FFFFFFF;

// The iconv names the Japanese encodings are converted from. The Microsoft
// forms of Shift_JIS and EUC-JP know the extra characters (circled numbers
// and the like) common in Japanese books and map the rest as code page 932
// does; ISO-2022-JP-2 adds half-width katakana, among others, to ISO-2022-JP.
constexpr const char* kShiftJis = "CP932";
constexpr const char* kEucJp = "EUC-JP-MS";
constexpr const char* kIso2022Jp = "ISO-2022-JP-2";
constexpr const char* kUtf16LittleEndian = "UTF-16LE";
constexpr const char* kUtf16BigEndian = "UTF-16BE";
constexpr std::size_t kUtf16UnitSize = 2;
constexpr std::string_view kUtf16LittleEndianMark = "\xFF\xFE";
constexpr std::string_view kUtf16BigEndianMark = "\xFE\xFF";

// The open file, the bytes of it that are read (its size when it was opened)
// and how many of them are read at a time.
struct SourceFile {
    UniqueFd File;
    std::size_t Size;
    std::size_t ChunkSize;
};

SourceFile OpenSource(const std::string& fileName, std::size_t chunkSize)
{
    UniqueFd file = OpenRegularFileForReading(fileName);
    const std::int64_t size = FileSize(file);
    if (size > kLargestReadableFile)
        throw EReadError(FormatMessage("ファイル %s は大きすぎます", fileName));
    return {std::move(file), static_cast<std::size_t>(std::max<std::int64_t>(size, 0)),
            std::max<std::size_t>(chunkSize, 1)};
}

// Hands out the bytes of the file from a start to its size, a chunk at a
// time. Only the bytes really delivered count, so a file that shrank
// meanwhile gives what it still has.
class ChunkReader {
public:
    ChunkReader(const SourceFile& source, std::size_t start)
        : source_(source), position_(std::min(start, source.Size))
    {
    }

    // The last kept bytes of the chunk before, then the next bytes of the
    // file; empty after the last chunk.
    std::string_view Next(std::size_t kept)
    {
        if (atEnd_)
            return {};
        std::copy(chunk_.end() - static_cast<std::ptrdiff_t>(kept), chunk_.end(), chunk_.begin());
        const std::size_t wanted = std::min(source_.ChunkSize, source_.Size - position_);
        chunk_.resize(kept + wanted);
        const std::size_t got = ReadUpTo(source_.File, chunk_.data() + kept, wanted, position_);
        chunk_.resize(kept + got);
        position_ += got;
        atEnd_ = got < wanted || position_ == source_.Size;
        return {chunk_.data(), chunk_.size()};
    }

    // True when the chunk handed out last holds the end of the text.
    bool AtEnd() const { return atEnd_; }

private:
    const SourceFile& source_;
    std::size_t position_;
    std::vector<char> chunk_;
    bool atEnd_ = false;
};

// How the bytes of the file become the loaded text.
struct Reading {
    TextEncoding Layout = TextEncoding::Locale;
    // The iconv name of the encoding the bytes are converted to UTF-8 from;
    // empty when they are kept as they are.
    std::string From;
    std::size_t UnitSize = 1;
    // Bytes skipped at the start of the file: a UTF-16 byte-order mark.
    std::size_t Start = 0;
};

Reading Kept(TextEncoding layout)
{
    Reading reading;
    reading.Layout = layout;
    return reading;
}

Reading ConvertedFrom(std::string from, std::size_t unitSize = 1, std::size_t start = 0)
{
    return {TextEncoding::Utf8, std::move(from), unitSize, start};
}

struct PassResult {
    std::size_t Length;
    bool Invalid;
};

// Reads the file through once as reading says, into output or, when output
// is null, only to learn the length of the text and whether all its bytes
// were characters.
PassResult ReadThrough(const SourceFile& source, const Reading& reading, std::string* output)
{
    LineEndNormalizer text(output);
    std::optional<Utf8Converter> converter;
    if (!reading.From.empty())
        converter.emplace(reading.From.c_str(), reading.UnitSize);
    ChunkReader reader(source, reading.Start);
    std::size_t kept = 0;
    while (!text.Ended()) {
        const std::string_view chunk = reader.Next(kept);
        if (chunk.empty())
            break;
        if (converter)
            kept = chunk.size() - converter->Convert(chunk, reader.AtEnd(), text);
        else
            text.Add(chunk);
    }
    return {text.Finish(), converter && converter->MetInvalidBytes()};
}

// A reading with the length of the text it gives.
struct Plan {
    Reading How;
    std::size_t Length;
};

Plan Measured(const SourceFile& source, const Reading& reading)
{
    return {reading, ReadThrough(source, reading, nullptr).Length};
}

// The first bytes of the file, where a byte-order mark would be.
std::string ReadHead(const SourceFile& source)
{
    std::string head(std::min(source.Size, Utf8ByteOrderMark.size()), '\0');
    head.resize(ReadUpTo(source.File, head.data(), head.size(), 0));
    return head;
}

std::optional<Reading> Utf16ByMark(std::string_view head)
{
    if (head.starts_with(kUtf16LittleEndianMark))
        return ConvertedFrom(kUtf16LittleEndian, kUtf16UnitSize, kUtf16LittleEndianMark.size());
    if (head.starts_with(kUtf16BigEndianMark))
        return ConvertedFrom(kUtf16BigEndian, kUtf16UnitSize, kUtf16BigEndianMark.size());
    return std::nullopt;
}

// What a reading of the text kept as it is shows: whether it is UTF-8, the
// encoding uchardet takes it for, and its length.
struct Survey {
    bool Utf8;
    std::string Guess;
    std::size_t KeptLength;
};

Survey SurveyText(const SourceFile& source)
{
    EncodingDetector detector;
    LineEndNormalizer kept(nullptr);
    ChunkReader reader(source, 0);
    std::size_t left = 0;
    while (!kept.Ended()) {
        const std::string_view chunk = reader.Next(left);
        if (chunk.empty())
            break;
        // The detector sees the text up to its first NUL, which ends it.
        const std::string_view text = chunk.substr(0, chunk.find('\0'));
        const std::size_t used = detector.Add(text, reader.AtEnd() || text.size() < chunk.size());
        left = text.size() - used;
        kept.Add(left == 0 ? chunk : chunk.substr(0, used));
    }
    return {detector.IsUtf8WithMultibyte(), detector.Guess(), kept.Finish()};
}

// The encoding a text that uchardet names is converted from; null when it
// keeps the locale's code page, being in that code page or in none of the
// Japanese encodings.
const char* ConversionFor(const std::string& guess)
{
    if (guess == "SHIFT_JIS")
        return AnsiCodePage() == 932 ? nullptr : kShiftJis;
    if (guess == "EUC-JP")
        return kEucJp;
    if (guess == "ISO-2022-JP")
        return kIso2022Jp;
    return nullptr;
}

Plan Detect(const SourceFile& source)
{
    const std::string head = ReadHead(source);
    if (const std::optional<Reading> utf16 = Utf16ByMark(head))
        return Measured(source, *utf16);
    if (head.starts_with(Utf8ByteOrderMark))
        return Measured(source, Kept(TextEncoding::Utf8));
    const Survey survey = SurveyText(source);
    if (survey.Utf8)
        return {Kept(TextEncoding::Utf8), survey.KeptLength};
    if (const char* from = ConversionFor(survey.Guess)) {
        // A guess that some bytes do not bear out is no clear answer.
        const PassResult converted = ReadThrough(source, ConvertedFrom(from), nullptr);
        if (!converted.Invalid)
            return {ConvertedFrom(from), converted.Length};
    }
    return {Kept(TextEncoding::Locale), survey.KeptLength};
}

Reading ChosenReading(const SourceFile& source, TextEncodingChoice choice)
{
    switch (choice) {
    case TextEncodingChoice::Utf8:
        return Kept(TextEncoding::Utf8);
    case TextEncodingChoice::ShiftJis:
        return Kept(TextEncoding::ShiftJis);
    case TextEncodingChoice::EucJp:
        return ConvertedFrom(kEucJp);
    case TextEncodingChoice::Iso2022Jp:
        return ConvertedFrom(kIso2022Jp);
    case TextEncodingChoice::Utf16:
        return Utf16ByMark(ReadHead(source)).value_or(ConvertedFrom(kUtf16LittleEndian, kUtf16UnitSize));
    case TextEncodingChoice::Auto:
    case TextEncodingChoice::Locale:
        break;
    }
    return Kept(TextEncoding::Locale);
}

Plan PlanFor(const SourceFile& source, TextEncodingChoice choice)
{
    return choice == TextEncodingChoice::Auto ? Detect(source) : Measured(source, ChosenReading(source, choice));
}

// The text read as planned. It is measured before it is read, so it takes
// one block of its own size and never grows by copying.
LoadedText Read(const SourceFile& source, const Plan& plan)
{
    LoadedText loaded;
    loaded.Encoding = plan.How.Layout;
    loaded.Bytes.reserve(plan.Length);
    ReadThrough(source, plan.How, &loaded.Bytes);
    return loaded;
}

}  // namespace

LoadedText LoadText(const std::string& fileName, TextEncodingChoice choice, std::size_t chunkSize)
{
    const SourceFile source = OpenSource(fileName, chunkSize);
    return Read(source, PlanFor(source, choice));
}

std::string LoadUtf8Text(const std::string& fileName, TextEncodingChoice choice, std::size_t chunkSize)
{
    const SourceFile source = OpenSource(fileName, chunkSize);
    Plan plan = PlanFor(source, choice);
    if (plan.How.Layout != TextEncoding::Utf8) {
        const int codePage = plan.How.Layout == TextEncoding::ShiftJis ? 932 : AnsiCodePage();
        plan = Measured(source, ConvertedFrom(IconvNames(codePage).front()));
    }
    LoadedText loaded = Read(source, plan);
    loaded.Bytes.erase(0, ByteOrderMarkLength(loaded.Bytes, TextEncoding::Utf8));
    return std::move(loaded.Bytes);
}

}  // namespace tessaro
