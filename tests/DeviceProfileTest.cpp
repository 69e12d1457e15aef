#include <gtest/gtest.h>

#include <cctype>
#include <tuple>

#include "novel/DeviceProfile.h"

namespace tessaro::test {
namespace {

using namespace tessaro::novel;

struct BuiltInCase {
    std::string Name;
    int Width;
    int Height;
    int GrayLevels;
};

class BuiltInDeviceTest : public ::testing::TestWithParam<BuiltInCase> {};

TEST_P(BuiltInDeviceTest, HasItsScreenAndAComfortableBodySize)
{
    const BuiltInCase& c = GetParam();
    std::string shouted = c.Name;
    for (char& ch : shouted)
        ch = static_cast<char>(std::toupper(ch));
    const DeviceProfile device = ParseDevice(shouted);
    EXPECT_EQ(std::tie(device.Name, device.Width, device.Height, device.GrayLevels),
              std::tie(c.Name, c.Width, c.Height, c.GrayLevels));
    EXPECT_EQ(device.Format, c.GrayLevels == 0 ? ImageFormat::Jpeg : ImageFormat::Png);
    if (device.Width * device.Height <= 480 * 272)
        EXPECT_EQ(device.BodyPixels, 12);
    else
        EXPECT_NEAR(device.BodyPixels * 25.4 / device.PixelsPerInch, 3.0, 0.1) << "mm";
    EXPECT_NE(DeviceTable().find("\n" + device.Name + " "), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Names, BuiltInDeviceTest,
    ::testing::Values(BuiltInCase{"psp", 480, 272, 0}, BuiltInCase{"qvga", 240, 320, 0},
                      BuiltInCase{"vita", 960, 544, 0}, BuiltInCase{"kindle-pw", 1236, 1648, 16},
                      BuiltInCase{"kobo-clara", 1072, 1448, 16}, BuiltInCase{"kobo-libra", 1264, 1680, 16},
                      BuiltInCase{"pocketbook-era", 1264, 1680, 16}, BuiltInCase{"xteink", 480, 800, 4},
                      BuiltInCase{"phone", 1080, 1920, 0}));

TEST(DeviceProfileTest, CustomSizesTake160PpiAnd19PixelBody)
{
    const struct {
        const char* Value;
        int Width, Height, GrayLevels;
    } rows[] = {{"600x800", 600, 800, 0},        {"600X800:16", 600, 800, 16},  {"100x10000:2", 100, 10000, 2},
                {"10000x100:256", 10000, 100, 256}, {"1264x1680:4", 1264, 1680, 4}};
    for (const auto& row : rows) {
        const DeviceProfile device = ParseDevice(row.Value);
        const DeviceProfile expected{device.Name, row.Width, row.Height, row.GrayLevels, 160, 19,
                                     row.GrayLevels == 0 ? ImageFormat::Jpeg : ImageFormat::Png};
        EXPECT_EQ(device, expected) << row.Value;
        EXPECT_FALSE(FindDevice(row.Value)) << row.Value;
    }
}

TEST(DeviceProfileTest, RefusalsNameWhatIsAccepted)
{
    for (const char* value : {"", "kindle", "list", "99x800", "600x10001", "600x800:3", "600x800:0", "600x800:",
                              "x800", "600x", "600*800", "+600x800", "600x-800", " 600x800", "600x800:16 ",
                              "600x800x2", "4294967896x800"}) {
        try {
            ParseDevice(value);
            ADD_FAILURE() << "accepted \"" << value << "\"";
        } catch (const EBadDevice& error) {
            const std::string message = error.Message();
            EXPECT_NE(message.find('"' + std::string(value) + '"'), std::string::npos) << message;
            EXPECT_NE(message.find("pocketbook-era, xteink, phone, or WxH[:GRAYS]"), std::string::npos) << message;
        }
    }
}

TEST(DeviceProfileTest, TableColumnsLineUp)
{
    const std::string table = DeviceTable();
    EXPECT_EQ(table.rfind("device          size       grays   ppi  body px\n", 0), 0u) << table;
    EXPECT_NE(table.find("\nkindle-pw       1236x1648  16      300       36\n"), std::string::npos) << table;
    EXPECT_NE(table.find("\npsp             480x272    colour  128       12\n"), std::string::npos) << table;
}

TEST(DeviceProfileTest, PointsBecomeRoundedPixels)
{
    const struct {
        int Points, PixelsPerInch, Pixels;
    } rows[] = {{12, 300, 50}, {10, 300, 42}, {3, 300, 13}, {11, 160, 24}, {9, 128, 16}, {13, 220, 40}};
    for (const auto& row : rows)
        EXPECT_EQ(PointsToPixels(row.Points, row.PixelsPerInch), row.Pixels) << row.Points << " pt";
}

}  // namespace
}  // namespace tessaro::test
