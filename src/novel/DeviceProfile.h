#pragma once
// The screens the novel style writes pages for: each one's size, how many
// grays it shows (or colour), its pixel density and the body text size a
// reader finds comfortable on it, and the image format its pages take.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/Exception.h"

namespace tessaro::novel {

enum class ImageFormat { Jpeg, Png };

struct DeviceProfile {
    std::string Name;
    int Width = 0;
    int Height = 0;
    int GrayLevels = 0;     // 2, 4, 16 or 256; 0 for colour
    int PixelsPerInch = 0;  // of the real screen
    int BodyPixels = 0;     // the default size of body text
    ImageFormat Format = ImageFormat::Jpeg;

    bool operator==(const DeviceProfile&) const = default;
};

// A device value that is neither a known name nor a usable WxH[:GRAYS]. The
// message names what is accepted.
class EBadDevice : public Exception {
public:
    using Exception::Exception;
};

// The built-in profile of that name, compared without regard to case.
std::optional<DeviceProfile> FindDevice(std::string_view name);
// The names of the built-in profiles, in the order of the table.
std::vector<std::string> DeviceNames();

// A built-in name, or WxH[:GRAYS] for another screen: W and H from 100 to
// 10000, GRAYS 2, 4, 16 or 256, none for colour. Such a screen is taken to
// have 160 pixels an inch and a body size of 19 pixels (3 mm there). Raises
// EBadDevice for anything else.
DeviceProfile ParseDevice(std::string_view value);

// The built-in profiles as aligned columns (name, size, grays, density, body
// size) and a line on the WxH[:GRAYS] form, for listing to the user.
std::string DeviceTable();

// A size in points as whole pixels at a density, rounded to the nearest.
int PointsToPixels(int points, int pixelsPerInch);

}  // namespace tessaro::novel
