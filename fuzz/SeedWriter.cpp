// Writes the seed corpus of each fuzz target, made by the program's own code:
// the line-end cases of text loading, Japanese, English and UTF-8 text for
// the flow, and JPEG files from our encoder and the library's other coding
// processes, some of them patched to declare what the library must refuse.
//
// Usage: tessaro-fuzz-seeds DIRECTORY   (writes DIRECTORY/{textfile,textflow,jpeg}/,
// one seed directory per fuzz target)

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/Color.h"
#include "imaging/TBitmap.h"
#include "imaging/TCanvas.h"
#include "imaging/TJPEGImage.h"
#include "support/JpegTestPictures.h"
#include "text/Exception.h"

namespace {

namespace fs = std::filesystem;

void WriteSeed(const fs::path& directory, const std::string& name, const std::string& bytes)
{
    fs::create_directories(directory);
    std::ofstream out(directory / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + (directory / name).string());
}

std::string Repeat(const std::string& piece, int count)
{
    std::string result;
    for (int i = 0; i < count; ++i)
        result += piece;
    return result;
}

void WriteTextSeeds(const fs::path& directory)
{
    const std::vector<std::pair<std::string, std::string>> seeds = {
        {"crlf", "a\r\nb"},
        {"lf-lf-cr", "a\n\nb\r"},
        {"no-line-end", "a"},
        {"cr-cr-lf", "\r\r\nx"},
        {"lf-cr", "\n\r"},
        {"nul-in-line", std::string("ab\0cd\r\ne", 8)},
        {"nul-after-cr", std::string("\r\0\na", 4)},
        {"utf16", std::string("\xFF\xFE" "a\0b\0", 6)},
        {"controls", "\t\f\x1A\x7F\xFF\x80\r\n"},
        {"shift-jis", "\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD\r\n\x88\x9F\n"},
    };
    for (const auto& [name, bytes] : seeds)
        WriteSeed(directory, name, bytes);
}

void WriteFlowSeeds(const fs::path& directory)
{
    // The first byte picks page, locale and encoding (see TextFlowFuzzer.cpp).
    const std::string shiftJis = "\x88\x9F\x88\xA0\x82\xA0 kana \x83\x41\r\n";
    const std::string utf8 = "\xE4\xBA\x9C\xE3\x81\x82 text \xF0\x9F\x98\x80\r\n";
    const std::string english = "The quick brown fox jumps over the lazy dog.\r\n";
    const std::vector<std::pair<std::string, std::string>> texts = {
        {"shift-jis-lines", Repeat(shiftJis, 30)},
        {"utf8-lines", Repeat(utf8, 30)},
        {"english-long-line", Repeat("word ", 120) + "\r\n" + Repeat(english, 10)},
        {"line-feeds", Repeat("\r\n", 60)},
        {"lone-lead-byte", "abc\x88\r\nxyz\r\n"},
        {"empty-first-line", "\r\nx\r\n"},
    };
    for (int choice = 0; choice < 8; ++choice)
        for (const auto& [name, text] : texts)
            WriteSeed(directory, name + "-" + std::to_string(choice), std::string(1, char(choice)) + text);
}

// A small page-like picture encoded the way pages are.
std::string OurEncoderJpeg()
{
    tessaro::TBitmap raster;
    raster.SetWidth(40);
    raster.SetHeight(24);
    tessaro::TCanvas& canvas = raster.Canvas();
    canvas.Brush().SetColor(0x0000FF);
    canvas.FillRectangle({0, 0, 20, 12});
    canvas.Brush().SetColor(0xFF8000);
    canvas.FillRectangle({20, 12, 40, 24});
    tessaro::TJPEGImage jpeg;
    jpeg.AssignBitmap(raster);
    jpeg.SetQuality(80);
    const std::vector<std::uint8_t>& bytes = jpeg.EncodedBytes();
    return std::string(bytes.begin(), bytes.end());
}


void WriteJpegSeeds(const fs::path& directory)
{
    using tessaro::test::JpegKind;
    const auto paint = [](int x, int y) { return tessaro::test::Rgb{x * 6, y * 9, (x + y) * 3}; };
    const std::string ours = OurEncoderJpeg();
    WriteSeed(directory, "our-encoder", ours);
    WriteSeed(directory, "huge-frame", tessaro::test::WithFrame(ours, 8, 65500, 65500));
    WriteSeed(directory, "twelve-bit", tessaro::test::WithFrame(ours, 12, 40, 24));
    WriteSeed(directory, "cut-in-the-data", ours.substr(0, ours.size() * 2 / 3));
    WriteSeed(directory, "grayscale", tessaro::test::MakeJpeg(24, 16, JpegKind::Gray, paint));
    WriteSeed(directory, "progressive", tessaro::test::MakeJpeg(24, 16, JpegKind::Progressive, paint));
    WriteSeed(directory, "arithmetic", tessaro::test::MakeJpeg(24, 16, JpegKind::Arithmetic, paint));
    WriteSeed(directory, "cmyk", tessaro::test::MakeJpeg(16, 16, JpegKind::Cmyk, paint));
    WriteSeed(directory, "ycck", tessaro::test::MakeJpeg(16, 16, JpegKind::Ycck, paint));
    WriteSeed(directory, "not-a-jpeg", "Page     1\r\n");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
        return 2;
    }
    try {
        const fs::path root = argv[1];
        WriteTextSeeds(root / "textfile");
        WriteFlowSeeds(root / "textflow");
        WriteJpegSeeds(root / "jpeg");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
        return 1;
    }
    return 0;
}
