#include "cli/BatchOptions.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <map>
#include <string_view>
#include <thread>

namespace tessaro::cli {

const char* const DefaultBodyFamily = "ＭＳ ゴシック";

namespace {

// The ranges of the numeric options. The largest font at the finest
// resolution has an em of 960 pixels, already more than a page is high; a
// page of it takes milliseconds.
constexpr int MinFontSize = 1;
constexpr int MaxFontSize = 144;
constexpr int MinPixelsPerInch = 24;
constexpr int MaxPixelsPerInch = 480;
constexpr unsigned MaxJobs = 64;

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

int ParseNumber(std::string_view option, std::string_view text, int low, int high)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        throw UsageError(std::string(option) + " wants a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not \"" + std::string(text) + "\"");
    return value;
}

// One of a few names, compared without regard to case.
template <class Value, std::size_t Count>
Value ParseChoice(std::string_view option, std::string_view text,
                  const std::pair<std::string_view, Value> (&names)[Count])
{
    for (const auto& [name, value] : names)
        if (EqualsIgnoringCase(text, name))
            return value;
    std::string wanted;
    for (std::size_t i = 0; i < Count; ++i)
        wanted += std::string(i == 0 ? "" : i + 1 == Count ? " or " : ", ") + std::string(names[i].first);
    throw UsageError(std::string(option) + " wants " + wanted + ", not \"" + std::string(text) + "\"");
}

// RRGGBB (or #RRGGBB) as the colour value 0x00BBGGRR.
TColor ParseColor(std::string_view text)
{
    if (!text.empty() && text.front() == '#')
        text.remove_prefix(1);
    unsigned rgb = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), rgb, 16);
    if (text.size() != 6 || error != std::errc() || end != text.data() + text.size())
        throw UsageError("--font-color wants six hexadecimal digits RRGGBB, not \"" + std::string(text) + "\"");
    const unsigned red = (rgb >> 16) & 0xFF, green = (rgb >> 8) & 0xFF, blue = rgb & 0xFF;
    return static_cast<TColor>(red | (green << 8) | (blue << 16));
}

TFontStyles ParseStyle(std::string_view text)
{
    static constexpr struct {
        std::string_view Name;
        TFontStyles Style;
    } names[] = {{"bold", fsBold}, {"italic", fsItalic}, {"underline", fsUnderline}, {"strikeout", fsStrikeOut}};
    TFontStyles style = 0;
    // An empty list is no style; otherwise every comma-separated item counts.
    for (std::size_t start = 0; !text.empty() && start <= text.size();) {
        const auto comma = std::min(text.find(',', start), text.size());
        const std::string_view item = text.substr(start, comma - start);
        const auto known = std::find_if(std::begin(names), std::end(names),
                                        [&](const auto& name) { return EqualsIgnoringCase(item, name.Name); });
        if (known == std::end(names))
            throw UsageError("--font-style wants bold, italic, underline or strikeout, not \"" + std::string(item) +
                             "\"");
        style |= known->Style;
        start = comma + 1;
    }
    return style;
}

// Hands out the arguments one by one and splits "--name=value".
class ArgumentReader {
public:
    explicit ArgumentReader(const std::vector<std::string>& arguments) : arguments_(arguments) {}

    bool AtEnd() const { return next_ == arguments_.size(); }
    const std::string& Next() { return arguments_[next_++]; }

    // The value of the option just read: after "=" in the same argument or
    // the following argument.
    std::string Value(std::string_view option, const std::optional<std::string>& inlineValue)
    {
        if (inlineValue)
            return *inlineValue;
        if (AtEnd())
            throw UsageError(std::string(option) + " wants a value");
        return Next();
    }

private:
    const std::vector<std::string>& arguments_;
    std::size_t next_ = 0;
};

constexpr std::pair<std::string_view, PageFormat> FormatNames[] = {{"psp", PageFormat::PSP},
                                                                    {"qvga", PageFormat::QVGA}};
constexpr std::pair<std::string_view, TextEncodingChoice> EncodingNames[] = {
    {"auto", TextEncodingChoice::Auto},         {"locale", TextEncodingChoice::Locale},
    {"utf-8", TextEncodingChoice::Utf8},        {"shift_jis", TextEncodingChoice::ShiftJis},
    {"euc-jp", TextEncodingChoice::EucJp},      {"iso-2022-jp", TextEncodingChoice::Iso2022Jp},
    {"utf-16", TextEncodingChoice::Utf16},
};
constexpr std::pair<std::string_view, PageStyle> StyleNames[] = {{"classic", PageStyle::Classic},
                                                                  {"novel", PageStyle::Novel}};
constexpr std::pair<std::string_view, ImageChoice> ImageNames[] = {{"jpeg", ImageChoice::Jpeg},
                                                                    {"png", ImageChoice::Png}};
constexpr std::pair<std::string_view, novel::Kinsoku> KinsokuNames[] = {
    {"strict", novel::Kinsoku::Strict}, {"normal", novel::Kinsoku::Normal}, {"loose", novel::Kinsoku::Loose}};
constexpr std::pair<std::string_view, WritingChoice> WritingNames[] = {{"vertical", WritingChoice::Vertical},
                                                                        {"horizontal", WritingChoice::Horizontal}};
constexpr std::pair<std::string_view, pack::PackFormat> PackNames[] = {
    {"cbz", pack::PackFormat::Cbz}, {"epub", pack::PackFormat::Epub}, {"none", pack::PackFormat::None}};

// The options that only one style takes.
constexpr std::string_view ClassicOnly[] = {"--format", "--background", "--font-color", "--font-style", "--dpi"};
constexpr std::string_view NovelOnly[] = {"--image", "--layout-report", "--kinsoku", "--writing"};

std::optional<novel::DeviceProfile> ParseDeviceOption(const std::string& value)
{
    if (value == "list")
        return std::nullopt;
    try {
        return novel::ParseDevice(value);
    } catch (const novel::EBadDevice& e) {
        throw UsageError("--device: " + e.Message());
    }
}

void SetOption(BatchOptions& options, std::string_view name, const std::string& value)
{
    if (name == "--format")
        options.Settings.Format = ParseChoice(name, value, FormatNames);
    else if (name == "--background")
        options.Settings.BackgroundPath = value;
    else if (name == "--prefix")
        options.Settings.Prefix = value;
    else if (name == "--out")
        options.Settings.OutputDirectory = value;
    else if (name == "--font") {
        if (value.empty())
            throw UsageError("--font wants a family name");
        options.Font.Family = value;
    } else if (name == "--font-size")
        options.Font.Size = ParseNumber(name, value, MinFontSize, MaxFontSize);
    else if (name == "--font-color")
        options.Font.Color = ParseColor(value);
    else if (name == "--font-style")
        options.Font.Style = ParseStyle(value);
    else if (name == "--dpi")
        options.PixelsPerInch = ParseNumber(name, value, MinPixelsPerInch, MaxPixelsPerInch);
    else if (name == "--locale")
        options.Locale = value;
    else if (name == "--encoding")
        options.Encoding = ParseChoice(name, value, EncodingNames);
    else if (name == "--jobs")
        options.Jobs = static_cast<unsigned>(ParseNumber(name, value, 1, MaxJobs));
    else if (name == "--style")
        options.Style = ParseChoice(name, value, StyleNames);
    else if (name == "--device") {
        options.Device = ParseDeviceOption(value);
        options.ListDevices = !options.Device;
    } else if (name == "--image")
        options.Novel.Image = ParseChoice(name, value, ImageNames);
    else if (name == "--layout-report")
        options.Novel.LayoutReport = value;
    else if (name == "--kinsoku")
        options.Novel.LineBreaking = ParseChoice(name, value, KinsokuNames);
    else if (name == "--writing")
        options.Novel.Writing = ParseChoice(name, value, WritingNames);
    else if (name == "--pack")
        options.Pack = ParseChoice(name, value, PackNames);
    else
        throw UsageError("unknown option " + std::string(name));
}

// Refuses an option of the other style, and takes the device into the
// style's settings: in the classic style only psp and qvga, as --format.
void ApplyStyle(BatchOptions& options, const std::vector<std::string>& given)
{
    const bool novel = options.Style == PageStyle::Novel;
    const auto& foreign = novel ? std::begin(ClassicOnly) : std::begin(NovelOnly);
    const auto& foreignEnd = novel ? std::end(ClassicOnly) : std::end(NovelOnly);
    for (const std::string& name : given)
        if (std::find(foreign, foreignEnd, name) != foreignEnd)
            throw UsageError(name + " is an option of the " + (novel ? "classic" : "novel") + " style");
    if (novel) {
        if (options.Device)
            options.Novel.Device = *options.Device;
        if (options.Font.Size)
            options.Novel.BodyPixels = novel::PointsToPixels(*options.Font.Size, options.Novel.Device.PixelsPerInch);
        options.Novel.FontFamily = options.Font.Family.value_or("");
        return;
    }
    if (!options.Device)
        return;
    const std::string& name = options.Device->Name;
    if (name != "psp" && name != "qvga")
        throw UsageError("--device " + name + " is for the novel style (--style novel); the classic style "
                         "takes psp or qvga");
    options.Settings.Format = name == "qvga" ? PageFormat::QVGA : PageFormat::PSP;
}

// A text file's name without its folder and extension, which names its book
// among several.
std::string BookName(const std::string& textFile)
{
    return std::filesystem::path(textFile).stem().string();
}

// Several books each get files of their own: what would make them share
// one is refused.
void CheckSeveralBooks(const BatchOptions& options, const std::vector<std::string>& given)
{
    if (options.TextFiles.size() < 2)
        return;
    const auto isGiven = [&](std::string_view name) {
        return std::find(given.begin(), given.end(), name) != given.end();
    };
    if (options.Pack != pack::PackFormat::None && isGiven("--prefix"))
        throw UsageError("--prefix names the pack of one book; of several, each pack takes its text file's name");
    if (isGiven("--layout-report"))
        throw UsageError("--layout-report is for one book at a time");
    std::map<std::string, const std::string*> names;
    for (const std::string& file : options.TextFiles) {
        const auto [known, added] = names.emplace(BookName(file), &file);
        if (!added)
            throw UsageError("\"" + *known->second + "\" and \"" + file + "\" would both be named \"" +
                             known->first + "\"");
    }
}

}  // namespace

std::vector<BookPlan> PlanBooks(const BatchOptions& options)
{
    const bool several = options.TextFiles.size() > 1;
    std::vector<BookPlan> books;
    for (const std::string& file : options.TextFiles) {
        BookPlan& book = books.emplace_back();
        book.TextFile = file;
        book.Settings = options.Settings;
        book.Pack = options.Pack;
        book.Label = several ? file : std::string();
        const std::string& directory = options.Settings.OutputDirectory;
        if (options.Pack != pack::PackFormat::None) {
            if (several)
                book.Settings.Prefix = BookName(file);
            book.PackPath = pack::PackPath(options.Pack, directory, book.Settings.Prefix);
            book.Settings.OutputDirectory.clear();
        } else if (several) {
            book.Settings.OutputDirectory = directory.empty() ? BookName(file) : directory + '/' + BookName(file);
            book.OwnFolder = true;
        }
    }
    return books;
}

unsigned DefaultJobs()
{
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : std::min(cores, MaxJobs);
}

BatchOptions ParseBatchOptions(const std::vector<std::string>& arguments)
{
    BatchOptions options;
    options.Jobs = DefaultJobs();
    std::vector<std::string> files;
    std::vector<std::string> given;
    ArgumentReader reader(arguments);
    bool optionsEnded = false;
    while (!reader.AtEnd()) {
        const std::string& argument = reader.Next();
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            files.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "--help" || argument == "-h") {
            options.Help = true;
            return options;
        }
        if (argument == "--version") {
            options.Version = true;
            return options;
        }
        if (argument == "--quiet" || argument == "-q") {
            options.Quiet = true;
            continue;
        }
        if (argument == "--verbose" || argument == "-v") {
            options.Verbose = true;
            continue;
        }
        const auto equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        std::optional<std::string> inlineValue;
        if (equals != std::string::npos)
            inlineValue = argument.substr(equals + 1);
        SetOption(options, name, reader.Value(name, inlineValue));
        given.push_back(name);
    }
    if (options.ListDevices)
        return options;
    ApplyStyle(options, given);
    if (files.empty())
        throw UsageError("no text file given");
    options.TextFiles = std::move(files);
    CheckSeveralBooks(options, given);
    return options;
}

std::string UsageText()
{
    return R"(Usage: tessaro-batch [OPTIONS] TEXTFILE...

Turns a text file into numbered pages, PREFIX000001.jpg (or .png),
PREFIX000002.jpg, ... until the text is used up, or into one file of those
pages for readers (--pack). A UTF-8 text is read as UTF-8, a text clearly in
Shift_JIS, EUC-JP, ISO-2022-JP or UTF-16 in that encoding, and any other as
bytes in the code page of the locale (Shift_JIS for ja_JP).

Several text files make several books, each as it would be made alone. Each
is named after its text file without the extension: with --pack its file
takes that name (novel.txt gives novel.epub), without it its pages go to a
folder of that name, made in the output directory. A book that fails is
reported and the others are still made.

Two page styles:
  --style classic|novel   classic (default): 480x272 or 240x320 JPEG pages
                          (quality 80) with a "Page" header, the text flowed
                          character by character. novel: the book typeset
                          for a reading device, read as Aozora Bunko text
                          (ruby, headings, indents), Japanese line breaking,
                          vertical writing
  --device NAME|WxH[:G]   the screen. Classic: psp (480x272, default) or qvga
                          (240x320), as --format. Novel: a name from
                          "--device list" (default kindle-pw), or a size of
                          100 to 10000 pixels with G grays (2, 4, 16 or 256;
                          none for colour). "--device list" prints the table

Options of both styles:
  --prefix P              file name prefix (default "book"; may be empty)
  --pack cbz|epub|none    one file per book in place of the page files. cbz:
                          a comic archive PREFIX.cbz, the pages in order and
                          a ComicInfo.xml (right to left for vertical
                          writing). epub: a fixed-layout EPUB 3 PREFIX.epub,
                          one page per image, the headings (or page numbers)
                          as its contents, the first page as its cover.
                          none (default): the page files. A pack appears
                          only once it is complete; one that fails leaves an
                          earlier file of its name as it was
  --out DIR               output directory, which must exist (default: the
                          current directory)
  --font FAMILY           body font family (classic: "ＭＳ ゴシック", which
                          maps to IPAGothic; novel: IPAMincho)
  --font-size POINTS      body font size, 1 to 144 (classic: 9; novel: about
                          3 mm, in points at the device's density)
  --locale NAME           locale whose code page the text is in, for example
                          ja_JP.UTF-8 (default: LC_ALL, LC_CTYPE or LANG)
  --encoding auto|locale|utf-8|shift_jis|euc-jp|iso-2022-jp|utf-16
                          the text's encoding. auto (default): a byte-order
                          mark decides UTF-8 or UTF-16; a valid UTF-8 text
                          with a non-ASCII character is UTF-8; a text that
                          is clearly Shift_JIS, EUC-JP or ISO-2022-JP is
                          read in it; any other is in the locale's code page.
                          shift_jis reads Shift_JIS on any locale; utf-16
                          without a byte-order mark is little-endian; bytes
                          that are not characters show as U+FFFD
  --jobs N                encoding threads, 1 to 64 (default: the number of
                          cores); 1 encodes each page on the layout thread.
                          Several books are made up to N at a time, sharing
                          the threads. The files are the same for every N.
  -q, --quiet             no progress bar (shown only on a terminal)
  -h, --help              this text
      --version           the version

Classic style:
  --format psp|qvga       page size: psp 480x272 (default), qvga 240x320
  --background FILE       JPEG drawn at the top-left corner of every page
  --font-color RRGGBB     body text colour in hexadecimal (default 000000)
  --font-style LIST       comma-separated: bold,italic,underline,strikeout
                          (default none)
                          Any --font option makes the body font the one
                          described; unset parts take the defaults above.
  --dpi N                 screen resolution for point sizes, 24 to 480
                          (default 96)

Novel style:
  --writing vertical|horizontal
                          columns right to left, or lines (default: vertical
                          for a text with kana or kanji, else horizontal)
  --kinsoku strict|normal|loose
                          how strictly small kana and the like are kept off
                          the start of a line (default strict)
  --image jpeg|png        page files: PNG in the device's grays, or JPEG of
                          quality 80 (default: PNG on gray screens, JPEG on
                          colour ones)
  --layout-report FILE    one JSON object per page: each line's box, text
                          and ruby (one book only)
  -v, --verbose           also tell, with their line numbers, the annotations
                          that are not understood (and so not drawn)

Exit status: 0 when every book is made, 1 when a page, a pack or a text file
fails (the message names the page, and the text file among several books),
2 for a command-line error.
)";
}

TFont BuildChosenFont(const FontOptions& options, int ansiCodePage)
{
    TFont font;
    font.SetName(options.Family.value_or(DefaultBodyFamily));
    font.SetSize(options.Size.value_or(DefaultBodySize));
    font.SetColor(options.Color.value_or(clBlack));
    font.SetStyle(options.Style.value_or(0));
    font.SetCharset(ansiCodePage == 932 ? SHIFTJIS_CHARSET : DEFAULT_CHARSET);
    return font;
}

}  // namespace tessaro::cli
