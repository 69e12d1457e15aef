// Encoding a page of vertical Japanese text the size of a Kindle Paperwhite
// screen (1236x1648, 36-pixel characters, antialiased) as PNG. EncodePng runs
// at each number of grays; bare libpng runs over the same 4-bit rows at several
// zlib levels, strategies and row filters, which is how EncodePng's settings
// were chosen. Each run reports its time and its bytes per page.

#include <string>
#include <string_view>
#include <vector>

#include <benchmark/benchmark.h>
#include <png.h>
#include <zlib.h>

#include "imaging/PngCodec.h"
#include "imaging/TCanvas.h"
#include "imaging/TFont.h"
#include "text/CodePageInfo.h"

namespace {

using namespace tessaro;

constexpr int kWidth = 1236;
constexpr int kHeight = 1648;
constexpr int kCharacter = 36;
constexpr int kColumnStep = 54;
constexpr int kMargin = 60;

constexpr std::string_view kText =
    "雨の降る夜、駅前の古い喫茶店で、彼女は一冊の本を静かに読んでいた。"
    "窓の外を行き交う人々の傘が、街灯の光を受けてぼんやりと揺れている。"
    "「この話の終わりを、あなたは知っていますか」と、店主が小さな声で尋ねた。"
    "彼女は顔を上げ、少し考えてから首を横に振った。知らないからこそ、"
    "頁をめくる指が止まらないのだ。遠い町の港、灯台守の老人、"
    "春を待つ少年の手紙――物語はいくつもの糸を結びながら、ゆっくりと進んでいく。"
    "やがて雨は小降りになり、最終電車の時刻が近づいてきた。";

// The characters of a UTF-8 text, one string each.
std::vector<std::string> Characters(std::string_view text)
{
    std::vector<std::string> characters;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        characters.emplace_back(text.substr(i, length));
        i += length;
    }
    return characters;
}

// Columns from right to left, top to bottom, white paper and black ink.
TBitmap DrawTextPage()
{
    InitCodePageInfo("ja_JP.UTF-8");
    InitScreenFont(300);
    TBitmap page;
    page.SetWidth(kWidth);
    page.SetHeight(kHeight);
    TCanvas& canvas = page.Canvas();
    canvas.SetCodePage(65001);
    canvas.Font().SetName("IPAMincho");
    canvas.Font().SetHeight(-kCharacter);
    canvas.Brush().SetStyle(bsClear);
    const std::vector<std::string> characters = Characters(kText);
    std::size_t next = 0;
    for (int x = kWidth - kMargin - kCharacter; x >= kMargin; x -= kColumnStep)
        for (int y = kMargin; y + kCharacter <= kHeight - kMargin; y += kCharacter)
            canvas.PutText(x, y, characters[next++ % characters.size()]);
    return page;
}

// The page as the novel style keeps it: one byte a pixel, palette index = gray.
TBitmap GrayPage(const TBitmap& page)
{
    std::vector<TPaletteEntry> grays(256);
    for (int i = 0; i < 256; ++i)
        grays[std::size_t(i)] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
    TBitmap gray;
    gray.SetPixelFormat(TPixelFormat::pf8bit);
    gray.SetWidth(kWidth);
    gray.SetHeight(kHeight);
    gray.SetPalette(grays);
    for (int y = 0; y < kHeight; ++y) {
        std::uint8_t* row = gray.MutableScanLine(y);
        for (int x = 0; x < kWidth; ++x)
            row[x] = GrayOf(page.PixelAt(x, y));
    }
    return gray;
}

const TBitmap& Page()
{
    static const TBitmap page = DrawTextPage();
    return page;
}

const TBitmap& PageInGray()
{
    static const TBitmap page = GrayPage(Page());
    return page;
}

// The page in 16 grays, two pixels a byte, as bare libpng receives it.
const std::vector<std::vector<std::uint8_t>>& PackedRows()
{
    static const auto rows = [] {
        std::vector<std::vector<std::uint8_t>> packed(kHeight, std::vector<std::uint8_t>((kWidth + 1) / 2));
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                packed[y][x / 2] |= GrayLevel(PageInGray().ScanLine(y)[x], 16) << (x % 2 == 0 ? 4 : 0);
        return packed;
    }();
    return rows;
}

void EncodeGrayPage(benchmark::State& state)
{
    const int grayLevels = static_cast<int>(state.range(0));
    const TBitmap& page = grayLevels == 0 ? Page() : PageInGray();
    std::size_t bytes = 0;
    for (auto _ : state)
        bytes = EncodePng(page, grayLevels).size();
    state.counters["bytes/page"] = double(bytes);
}

void AppendBytes(png_structp png, png_bytep data, std::size_t size)
{
    auto& out = *static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out.insert(out.end(), data, data + size);
}

void FlushNothing(png_structp) {}

// Bare libpng on the packed 16-gray rows: zlib level, strategy, row filters.
void EncodeBare(benchmark::State& state)
{
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::vector<std::uint8_t> out;
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_write_fn(png, &out, AppendBytes, FlushNothing);
        png_set_IHDR(png, info, kWidth, kHeight, 4, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
                     PNG_FILTER_TYPE_BASE);
        png_set_compression_level(png, static_cast<int>(state.range(0)));
        png_set_compression_strategy(png, static_cast<int>(state.range(1)));
        png_set_filter(png, PNG_FILTER_TYPE_BASE, static_cast<int>(state.range(2)));
        png_write_info(png, info);
        for (const auto& row : PackedRows())
            png_write_row(png, row.data());
        png_write_end(png, nullptr);
        png_destroy_write_struct(&png, &info);
        bytes = out.size();
    }
    state.counters["bytes/page"] = double(bytes);
}

BENCHMARK(EncodeGrayPage)->ArgName("grays")->Arg(16)->Arg(4)->Arg(2)->Arg(256)->Arg(0)->Unit(benchmark::kMillisecond);

// Levels 1, 3, 6, 9 with the default strategy and no filter; then level 1 with
// the other strategies; then level 1 with each filter choice.
BENCHMARK(EncodeBare)
    ->ArgNames({"level", "strategy", "filters"})
    ->Args({1, Z_DEFAULT_STRATEGY, PNG_FILTER_NONE})
    ->Args({3, Z_DEFAULT_STRATEGY, PNG_FILTER_NONE})
    ->Args({6, Z_DEFAULT_STRATEGY, PNG_FILTER_NONE})
    ->Args({9, Z_DEFAULT_STRATEGY, PNG_FILTER_NONE})
    ->Args({1, Z_FILTERED, PNG_FILTER_NONE})
    ->Args({1, Z_RLE, PNG_FILTER_NONE})
    ->Args({1, Z_HUFFMAN_ONLY, PNG_FILTER_NONE})
    ->Args({1, Z_DEFAULT_STRATEGY, PNG_FILTER_SUB})
    ->Args({1, Z_DEFAULT_STRATEGY, PNG_FILTER_UP})
    ->Args({1, Z_DEFAULT_STRATEGY, PNG_FILTER_PAETH})
    ->Args({1, Z_DEFAULT_STRATEGY, PNG_FAST_FILTERS})
    ->Args({1, Z_DEFAULT_STRATEGY, PNG_ALL_FILTERS})
    ->Args({6, Z_DEFAULT_STRATEGY, PNG_ALL_FILTERS})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
