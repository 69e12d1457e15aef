#include "imaging/TJPEGImage.h"

#include <new>

#include "imaging/JpegCodec.h"
#include "imaging/TCanvas.h"
#include "text/Exception.h"
#include "text/FileIO.h"

namespace tessaro {

namespace {

TJPEGDefaults defaults;

constexpr char kOutOfStreamMemory[] = "メモリストリームの拡大中にメモリが足りなくなりました";

void ReadWholeFile(const UniqueFd& file, std::vector<std::uint8_t>& bytes)
{
    // A file larger than the largest picture the decoder accepts (a video
    // chosen by mistake, a sparse file) is refused before its bytes are held,
    // instead of taking the machine's memory on every page.
    const auto size = static_cast<std::size_t>(FileSize(file));
    if (size > kMaxDecodedBytes)
        throw EStreamError(kOutOfStreamMemory);
    try {
        bytes.resize(size);
    } catch (const std::bad_alloc&) {
        throw EStreamError(kOutOfStreamMemory);
    }
    if (ReadUpTo(file, bytes.data(), size) != size)
        throw EReadError();
}

}  // namespace

const TJPEGDefaults& JPEGDefaults()
{
    return defaults;
}

void InitJPEGDefaults(int screenBitsPerPixel)
{
    defaults.PixelFormat = screenBitsPerPixel <= 8 ? TJPEGPixelFormat::jf8Bit : TJPEGPixelFormat::jf24Bit;
}

TJPEGImage::TJPEGImage()
    : data_(std::make_unique<TJPEGData>()),
      pixelFormat_(defaults.PixelFormat),
      quality_(defaults.CompressionQuality)
{
}

TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::AssignBitmap(const TBitmap& source)
{
    data_ = std::make_unique<TJPEGData>();
    bitmap_.reset();
    bitmap_ = std::make_unique<TBitmap>(source);
}

void TJPEGImage::SaveJpeg(const std::string& path)
{
    // Encoding comes first, so a failure leaves any existing file untouched.
    const std::vector<std::uint8_t>& bytes = EncodedBytes();
    WriteWholeFile(path, bytes.data(), bytes.size());
}

const std::vector<std::uint8_t>& TJPEGImage::EncodedBytes()
{
    if (!data_->HasData)
        EncodeBitmap();
    return data_->Data;
}

void TJPEGImage::EncodeBitmap()
{
    // An image without pixels encodes to zero bytes: such a page is saved as
    // an empty file.
    if (bitmap_ && bitmap_->Width() > 0 && bitmap_->Height() > 0) {
        data_->Data = EncodeJpeg(*bitmap_, quality_);
        data_->Width = bitmap_->Width();
        data_->Height = bitmap_->Height();
    } else {
        data_->Data.clear();
    }
    data_->HasData = true;
}

void TJPEGImage::LoadJpeg(const std::string& path)
{
    {
        const UniqueFd file = OpenRegularFileForReading(path);
        data_ = std::make_unique<TJPEGData>();
        bitmap_.reset();
        ReadWholeFile(file, data_->Data);
    }
    data_->HasData = true;
    // A file of zero bytes loads as a 0x0 picture; drawing it reports the
    // library's error for empty input.
    if (!data_->Data.empty()) {
        const JpegSize size = ReadJpegSize(data_->Data);
        data_->Width = size.Width;
        data_->Height = size.Height;
    }
}

const TBitmap& TJPEGImage::DecodedBitmap()
{
    // The bitmap is kept only when decoding succeeded, so a failed picture
    // fails again on the next draw instead of showing a half-filled raster.
    if (!bitmap_)
        bitmap_ = DecodeJpeg(data_->Data, pixelFormat_ == TJPEGPixelFormat::jf8Bit);
    return *bitmap_;
}

bool TJPEGImage::Empty() const
{
    if (data_->HasData)
        return false;
    return !bitmap_ || bitmap_->Empty();
}

int TJPEGImage::Width() const
{
    return bitmap_ ? bitmap_->Width() : data_->Width;
}

int TJPEGImage::Height() const
{
    return bitmap_ ? bitmap_->Height() : data_->Height;
}

void TJPEGImage::SetWidth(int)
{
    throw EInvalidGraphicOperation("JPEG イメージのサイズは変更できません");
}

void TJPEGImage::SetHeight(int)
{
    throw EInvalidGraphicOperation("JPEG イメージのサイズは変更できません");
}

void TJPEGImage::Draw(TCanvas& canvas, const TRect& rect)
{
    canvas.DrawRaster(rect, DecodedBitmap());
}

}  // namespace tessaro
