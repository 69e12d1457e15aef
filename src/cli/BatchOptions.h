#pragma once
// The options of tessaro-batch and their parsing.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/TFont.h"
#include "novel/DeviceProfile.h"
#include "pack/BookPack.h"
#include "pages/PageRun.h"
#include "run/BookRun.h"
#include "text/TextEncoding.h"

namespace tessaro::cli {

// The body font as given on the command line; any field left unset takes the
// default of the page body.
struct FontOptions {
    std::optional<std::string> Family;
    std::optional<int> Size;
    std::optional<TColor> Color;
    std::optional<TFontStyles> Style;

    bool Any() const { return Family || Size || Color || Style; }
};

struct BatchOptions {
    PageStyle Style = PageStyle::Classic;
    TickSettings Settings;
    // One book, or several, each made as one book would be.
    std::vector<std::string> TextFiles;
    pack::PackFormat Pack = pack::PackFormat::None;
    FontOptions Font;
    int PixelsPerInch = 96;
    std::optional<std::string> Locale;
    TextEncodingChoice Encoding = TextEncodingChoice::Auto;
    unsigned Jobs = 1;
    // --device as given; psp and qvga stand for --format in the classic style.
    std::optional<novel::DeviceProfile> Device;
    bool ListDevices = false;  // --device list
    NovelSettings Novel;
    bool Quiet = false;
    bool Verbose = false;  // also tell annotations the notation reader did not understand
    bool Help = false;
    bool Version = false;
};

// A command line that cannot be understood; the message says why.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One book of a run and where its pages go.
struct BookPlan {
    std::string TextFile;
    // Its prefix and output directory; with a pack, pages are named as the
    // pack's entries, without a directory.
    TickSettings Settings;
    pack::PackFormat Pack = pack::PackFormat::None;
    std::string PackPath;
    // Pages of one of several books go to a folder of their own, made for them.
    bool OwnFolder = false;
    // How messages name the book: not at all when it is the only one.
    std::string Label;
};

// The books of a run. One book goes where the options say. Of several, each
// is named after its text file without the extension: its pack takes that
// name in the output directory, or its pages a folder of that name there.
std::vector<BookPlan> PlanBooks(const BatchOptions& options);

// The number of encoding threads used when --jobs is not given.
unsigned DefaultJobs();

// Parses the arguments after the program name. Raises UsageError.
BatchOptions ParseBatchOptions(const std::vector<std::string>& arguments);

// The usage text printed by --help and after a usage error.
std::string UsageText();

// The family of the default page body, used when only size, colour or style
// of the font is given.
extern const char* const DefaultBodyFamily;
inline constexpr int DefaultBodySize = 9;

// The chosen font the options describe, starting from the default font
// description: the Shift_JIS character set when the locale's code page is 932.
TFont BuildChosenFont(const FontOptions& options, int ansiCodePage);

}  // namespace tessaro::cli
