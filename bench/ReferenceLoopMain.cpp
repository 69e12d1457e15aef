// The reference the batch command is measured against: the least work that
// makes the same pages. Glyph bitmaps come from FreeType once per character and
// are cached; each page is a white 480x272 raster with the header and the text
// blended in (the same wrap and line pitch as the program), encoded by libjpeg
// at quality 80 with the floating-point DCT into memory and written to a file.
//
// Usage: ReferenceLoop FONTFILE TEXTFILE PAGES OUTDIR
// Lays out PAGES pages (starting the text again if it runs out) and prints
// the pages and the seconds taken.

#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

// jpeglib.h needs the definitions of stdio.h first.
#include <jpeglib.h>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace {

constexpr int PageWidth = 480;
constexpr int PageHeight = 272;
constexpr int EmPixels = 12;  // 9 points at 96 pixels per inch
constexpr int LeftMargin = 4;
constexpr int FirstLineY = 16;
constexpr int Quality = 80;

[[noreturn]] void Die(const std::string& message)
{
    std::fprintf(stderr, "ReferenceLoop: %s\n", message.c_str());
    std::exit(1);
}

struct FreeTypeLibrary {
    FT_Library Handle = nullptr;
    FreeTypeLibrary()
    {
        if (FT_Init_FreeType(&Handle) != 0)
            Die("FreeType cannot start");
    }
    ~FreeTypeLibrary() { FT_Done_FreeType(Handle); }
    FreeTypeLibrary(const FreeTypeLibrary&) = delete;
    FreeTypeLibrary& operator=(const FreeTypeLibrary&) = delete;
};

struct FreeTypeFace {
    FT_Face Handle = nullptr;
    FreeTypeFace(FT_Library library, const char* path)
    {
        if (FT_New_Face(library, path, 0, &Handle) != 0)
            Die(std::string("cannot open the font ") + path);
    }
    ~FreeTypeFace() { FT_Done_Face(Handle); }
    FreeTypeFace(const FreeTypeFace&) = delete;
    FreeTypeFace& operator=(const FreeTypeFace&) = delete;
};

struct Iconv {
    iconv_t Handle;
    Iconv() : Handle(iconv_open("UTF-32LE", "CP932"))
    {
        if (Handle == iconv_t(-1))
            Die("iconv has no CP932");
    }
    ~Iconv() { iconv_close(Handle); }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
};

// libjpeg's own error handler reports and exits, so nothing unwinds through it.
struct Compressor {
    jpeg_compress_struct Info{};
    jpeg_error_mgr Errors{};
    Compressor()
    {
        Info.err = jpeg_std_error(&Errors);
        jpeg_create_compress(&Info);
    }
    ~Compressor() { jpeg_destroy_compress(&Info); }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;
};

struct MallocBuffer {
    unsigned char* Data = nullptr;
    unsigned long Size = 0;
    ~MallocBuffer() { std::free(Data); }
};

struct Fd {
    int Handle;
    explicit Fd(int handle) : Handle(handle) {}
    ~Fd()
    {
        if (Handle >= 0)
            close(Handle);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

struct Glyph {
    int Left = 0, Top = 0, Width = 0, Rows = 0, Advance = 0;
    std::vector<std::uint8_t> Coverage;
};

class GlyphCache {
public:
    GlyphCache(FT_Face face) : face_(face), slots_(65536, -1)
    {
        ascent_ = int(face->size->metrics.ascender >> 6);
        height_ = ascent_ - int(face->size->metrics.descender >> 6);
        space_ = Load(U' ').Advance;
    }

    int CellHeight() const { return height_; }
    int Ascent() const { return ascent_; }

    // The glyph of one character of one or two Shift_JIS bytes.
    const Glyph& Of(std::string_view c)
    {
        const unsigned key = c.size() == 2 ? (unsigned char)c[0] << 8 | (unsigned char)c[1] : (unsigned char)c[0];
        if (slots_[key] < 0) {
            slots_[key] = int(glyphs_.size());
            glyphs_.push_back(IsControl(c) ? Glyph{0, 0, 0, 0, space_, {}} : Load(Decode(c)));
        }
        return glyphs_[std::size_t(slots_[key])];
    }

private:
    static bool IsControl(std::string_view c)
    {
        return c.size() == 1 && ((unsigned char)c[0] < 0x20 || c[0] == 0x7F);
    }

    char32_t Decode(std::string_view c)
    {
        char32_t code = U'?';
        char* in = const_cast<char*>(c.data());
        std::size_t inLeft = c.size();
        char* out = reinterpret_cast<char*>(&code);
        std::size_t outLeft = sizeof code;
        iconv(decoder_.Handle, nullptr, nullptr, nullptr, nullptr);
        if (iconv(decoder_.Handle, &in, &inLeft, &out, &outLeft) == std::size_t(-1))
            code = U'?';
        return code;
    }

    Glyph Load(char32_t code)
    {
        Glyph glyph;
        if (FT_Load_Char(face_, code, FT_LOAD_RENDER) != 0)
            return glyph;
        const FT_GlyphSlot slot = face_->glyph;
        glyph.Left = slot->bitmap_left;
        glyph.Top = slot->bitmap_top;
        glyph.Width = int(slot->bitmap.width);
        glyph.Rows = int(slot->bitmap.rows);
        glyph.Advance = int(slot->advance.x >> 6);
        glyph.Coverage.resize(std::size_t(glyph.Width) * std::size_t(glyph.Rows));
        for (int row = 0; row < glyph.Rows; ++row)
            std::memcpy(glyph.Coverage.data() + std::size_t(row) * std::size_t(glyph.Width),
                        slot->bitmap.buffer + row * slot->bitmap.pitch, std::size_t(glyph.Width));
        return glyph;
    }

    FT_Face face_;
    Iconv decoder_;
    std::vector<int> slots_;
    std::vector<Glyph> glyphs_;
    int ascent_ = 0, height_ = 0, space_ = 0;
};

class Page {
public:
    Page() : pixels_(std::size_t(PageWidth) * PageHeight * 4) {}

    void Clear() { std::memset(pixels_.data(), 0xFF, pixels_.size()); }

    // Black text: each channel keeps (255 - coverage) of its value.
    void Blend(const Glyph& glyph, int x, int baseline)
    {
        for (int row = 0; row < glyph.Rows; ++row) {
            const int y = baseline - glyph.Top + row;
            if (y < 0 || y >= PageHeight)
                continue;
            for (int column = 0; column < glyph.Width; ++column) {
                const int px = x + glyph.Left + column;
                const unsigned a = glyph.Coverage[std::size_t(row * glyph.Width + column)];
                if (px < 0 || px >= PageWidth || a == 0)
                    continue;
                std::uint8_t* p = &pixels_[(std::size_t(y) * PageWidth + std::size_t(px)) * 4];
                for (int channel = 0; channel < 3; ++channel)
                    p[channel] = std::uint8_t((p[channel] * (255 - a) + 127) / 255);
            }
        }
    }

    void Encode(Compressor& jpeg, MallocBuffer& out)
    {
        std::free(out.Data);
        out.Data = nullptr;
        out.Size = 0;
        jpeg_mem_dest(&jpeg.Info, &out.Data, &out.Size);
        jpeg.Info.image_width = PageWidth;
        jpeg.Info.image_height = PageHeight;
        jpeg.Info.input_components = 4;
        jpeg.Info.in_color_space = JCS_EXT_BGRX;
        jpeg_set_defaults(&jpeg.Info);
        jpeg_set_quality(&jpeg.Info, Quality, TRUE);
        jpeg.Info.dct_method = JDCT_FLOAT;
        jpeg_start_compress(&jpeg.Info, TRUE);
        while (jpeg.Info.next_scanline < jpeg.Info.image_height) {
            JSAMPROW row = &pixels_[std::size_t(jpeg.Info.next_scanline) * PageWidth * 4];
            jpeg_write_scanlines(&jpeg.Info, &row, 1);
        }
        jpeg_finish_compress(&jpeg.Info);
    }

private:
    std::vector<std::uint8_t> pixels_;
};

bool IsLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

std::string ReadAll(const char* path)
{
    const Fd file(open(path, O_RDONLY));
    if (file.Handle < 0)
        Die(std::string("cannot open ") + path);
    std::string text;
    char buffer[1 << 16];
    for (ssize_t n; (n = read(file.Handle, buffer, sizeof buffer)) > 0;)
        text.append(buffer, std::size_t(n));
    return text;
}

void WriteAll(const std::string& path, const MallocBuffer& bytes)
{
    const Fd file(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
    if (file.Handle < 0 || write(file.Handle, bytes.Data, bytes.Size) != ssize_t(bytes.Size))
        Die("cannot write " + path);
}

// Lays the next page's text; returns the bytes it used.
std::size_t LayOut(Page& page, GlyphCache& glyphs, std::string_view text, int pageNumber)
{
    const int h = glyphs.CellHeight();
    char header[32];
    std::snprintf(header, sizeof header, "Page %5d", pageNumber);
    int x = 2;
    for (const char* c = header; *c; ++c) {
        const Glyph& glyph = glyphs.Of(std::string_view(c, 1));
        page.Blend(glyph, x, 2 + glyphs.Ascent());
        x += glyph.Advance;
    }
    x = LeftMargin;
    int y = FirstLineY;
    std::size_t at = 0;
    bool done = text.empty();
    while (!done && at < text.size()) {
        const std::size_t length = IsLeadByte((unsigned char)text[at]) && at + 1 < text.size() ? 2 : 1;
        const std::string_view c = text.substr(at, length);
        at += length;
        if (c == "\n") {
            x = LeftMargin;
            y += h + h / 4;
            done = y + h >= PageHeight;
            continue;
        }
        const Glyph& glyph = glyphs.Of(c);
        page.Blend(glyph, x, y + glyphs.Ascent());
        x += glyph.Advance;
        if (x + glyph.Advance >= PageWidth) {
            x = LeftMargin;
            y += h + h / 4;
            done = y + h >= PageHeight;
        }
    }
    return at;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5)
        Die("usage: ReferenceLoop FONTFILE TEXTFILE PAGES OUTDIR");
    const int pages = std::atoi(argv[3]);
    const std::string outputDirectory = argv[4];
    const std::string text = ReadAll(argv[2]);

    const auto start = std::chrono::steady_clock::now();
    FreeTypeLibrary library;
    FreeTypeFace face(library.Handle, argv[1]);
    FT_Set_Pixel_Sizes(face.Handle, 0, EmPixels);
    GlyphCache glyphs(face.Handle);
    Compressor jpeg;
    MallocBuffer encoded;
    Page page;
    std::size_t offset = 0;
    char name[32];
    for (int number = 1; number <= pages; ++number) {
        if (offset >= text.size())
            offset = 0;
        page.Clear();
        offset += LayOut(page, glyphs, std::string_view(text).substr(offset), number);
        page.Encode(jpeg, encoded);
        std::snprintf(name, sizeof name, "/ref%06d.jpg", number);
        WriteAll(outputDirectory + name, encoded);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("pages %d seconds %.3f\n", pages, seconds);
    return 0;
}
