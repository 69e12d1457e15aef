#include "novel/DeviceProfile.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "imaging/TFont.h"

namespace tessaro::novel {

namespace {

struct BuiltInDevice {
    std::string_view Name;
    int Width;
    int Height;
    int GrayLevels;
    int PixelsPerInch;
    int BodyPixels;
    ImageFormat Format;
};

// Densities are the makers' figures; for the PSP (4.3 inches), QVGA (taken as
// 2.4 inches) and the phone (5.5 inches) they follow from the diagonal. Body
// text is about 3 mm tall (ppi * 3 / 25.4), except on the small PSP and QVGA
// screens, where 12 pixels keep a line long enough to read. Gray screens take
// PNG, which keeps their levels exactly; colour screens take JPEG.
constexpr std::array<BuiltInDevice, 9> kDevices{{
    {"psp", 480, 272, 0, 128, 12, ImageFormat::Jpeg},
    {"qvga", 240, 320, 0, 167, 12, ImageFormat::Jpeg},
    {"vita", 960, 544, 0, 220, 26, ImageFormat::Jpeg},
    {"kindle-pw", 1236, 1648, 16, 300, 36, ImageFormat::Png},
    {"kobo-clara", 1072, 1448, 16, 300, 36, ImageFormat::Png},
    {"kobo-libra", 1264, 1680, 16, 300, 36, ImageFormat::Png},
    {"pocketbook-era", 1264, 1680, 16, 300, 36, ImageFormat::Png},
    {"xteink", 480, 800, 4, 220, 26, ImageFormat::Png},
    {"phone", 1080, 1920, 0, 401, 47, ImageFormat::Jpeg},
}};

// A screen given only by its size: 160 ppi, the common baseline density of
// handheld screens, and 3 mm body text at that density.
constexpr int kCustomPixelsPerInch = 160;
constexpr int kCustomBodyPixels = 19;
constexpr int kSmallestSide = 100;
constexpr int kLargestSide = 10000;
constexpr std::array<int, 4> kGrayChoices{2, 4, 16, 256};

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

// A whole number and nothing else: no plus sign, no spaces. (A minus sign
// passes here and fails the range checks.)
std::optional<int> WholeNumber(std::string_view text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

bool UsableSide(std::optional<int> side)
{
    return side && *side >= kSmallestSide && *side <= kLargestSide;
}

bool UsableGrays(std::optional<int> grays)
{
    return grays && std::find(kGrayChoices.begin(), kGrayChoices.end(), *grays) != kGrayChoices.end();
}

DeviceProfile CustomProfile(int width, int height, int grayLevels)
{
    std::string name = std::to_string(width) + "x" + std::to_string(height);
    if (grayLevels != 0)
        name += ":" + std::to_string(grayLevels);
    const ImageFormat format = grayLevels != 0 ? ImageFormat::Png : ImageFormat::Jpeg;
    return {std::move(name), width, height, grayLevels, kCustomPixelsPerInch, kCustomBodyPixels, format};
}

// WxH or WxH:GRAYS, the x in either case.
std::optional<DeviceProfile> ParseCustom(std::string_view value)
{
    const std::size_t colon = value.find(':');
    const std::string_view size = value.substr(0, colon);
    const std::size_t cross = size.find_first_of("xX");
    if (cross == std::string_view::npos)
        return std::nullopt;
    const std::optional<int> width = WholeNumber(size.substr(0, cross));
    const std::optional<int> height = WholeNumber(size.substr(cross + 1));
    if (!UsableSide(width) || !UsableSide(height))
        return std::nullopt;
    if (colon == std::string_view::npos)
        return CustomProfile(*width, *height, 0);
    const std::optional<int> grays = WholeNumber(value.substr(colon + 1));
    if (!UsableGrays(grays))
        return std::nullopt;
    return CustomProfile(*width, *height, *grays);
}

std::string BuiltInNames()
{
    std::string names;
    for (const BuiltInDevice& device : kDevices)
        names += std::string(device.Name) + ", ";
    return names;
}

std::string CustomForm()
{
    std::string grays;
    for (int choice : kGrayChoices)
        grays += (grays.empty() ? "" : choice == kGrayChoices.back() ? " or " : ", ") + std::to_string(choice);
    return "WxH[:GRAYS] with W and H from " + std::to_string(kSmallestSide) + " to " + std::to_string(kLargestSide) +
           " and GRAYS " + grays + " (none for colour)";
}

std::string PadRight(std::string_view text, std::size_t width)
{
    std::string padded(text);
    padded.resize(std::max(width, padded.size()), ' ');
    return padded;
}

std::string PadLeft(std::string_view text, std::size_t width)
{
    return std::string(width > text.size() ? width - text.size() : 0, ' ') + std::string(text);
}

std::size_t LongestName()
{
    std::size_t longest = 0;
    for (const BuiltInDevice& device : kDevices)
        longest = std::max(longest, device.Name.size());
    return longest;
}

std::string TableLine(std::string_view name, std::string_view size, std::string_view grays, std::string_view ppi,
                      std::string_view body)
{
    return PadRight(name, LongestName()) + "  " + PadRight(size, 9) + "  " + PadRight(grays, 6) + "  " +
           PadLeft(ppi, 3) + "  " + PadLeft(body, 7) + "\n";
}

}  // namespace

std::optional<DeviceProfile> FindDevice(std::string_view name)
{
    for (const BuiltInDevice& device : kDevices)
        if (SameName(device.Name, name))
            return DeviceProfile{std::string(device.Name), device.Width,         device.Height,
                                 device.GrayLevels,        device.PixelsPerInch, device.BodyPixels,
                                 device.Format};
    return std::nullopt;
}

std::vector<std::string> DeviceNames()
{
    std::vector<std::string> names;
    for (const BuiltInDevice& device : kDevices)
        names.emplace_back(device.Name);
    return names;
}

DeviceProfile ParseDevice(std::string_view value)
{
    if (std::optional<DeviceProfile> device = FindDevice(value))
        return *device;
    if (std::optional<DeviceProfile> device = ParseCustom(value))
        return *device;
    throw EBadDevice("unknown device \"" + std::string(value) + "\": use " + BuiltInNames() + "or " + CustomForm());
}

std::string DeviceTable()
{
    std::string table = TableLine("device", "size", "grays", "ppi", "body px");
    for (const BuiltInDevice& device : kDevices)
        table += TableLine(device.Name, std::to_string(device.Width) + "x" + std::to_string(device.Height),
                           device.GrayLevels == 0 ? "colour" : std::to_string(device.GrayLevels),
                           std::to_string(device.PixelsPerInch), std::to_string(device.BodyPixels));
    return table + "\nor " + CustomForm() + ", taken as " + std::to_string(kCustomPixelsPerInch) + " ppi with " +
           std::to_string(kCustomBodyPixels) + " px body text\n";
}

int PointsToPixels(int points, int pixelsPerInch)
{
    return MulDiv(points, pixelsPerInch, 72);
}

}  // namespace tessaro::novel
