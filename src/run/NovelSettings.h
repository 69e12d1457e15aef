#pragma once
// What the novel style keeps fixed for a whole book.

#include <string>

#include "novel/DeviceProfile.h"
#include "novel/LineBreaks.h"

namespace tessaro {

// The image format of the pages: the device's own, or the one asked for.
enum class ImageChoice { Device, Jpeg, Png };

// Vertical by default for a Japanese book, horizontal for any other.
enum class WritingChoice { Auto, Horizontal, Vertical };

struct NovelSettings {
    novel::DeviceProfile Device = *novel::FindDevice("kindle-pw");
    // The body size in pixels; 0 for the device's default.
    int BodyPixels = 0;
    // The body font family; empty for the default, IPA Mincho.
    std::string FontFamily;
    novel::Kinsoku LineBreaking = novel::Kinsoku::Strict;
    WritingChoice Writing = WritingChoice::Auto;
    ImageChoice Image = ImageChoice::Device;
    // Where the layout report goes; empty for none.
    std::string LayoutReport;
};

}  // namespace tessaro
