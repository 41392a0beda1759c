#include "textureloader/ImageDecoder.h"

#include "textureloader/PngChunks.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>
#include <utility>

DecodedImage::~DecodedImage()
{
    if (m_bitmap != nullptr) {
        FreeImage_Unload(m_bitmap);
    }
}

DecodedImage::DecodedImage(DecodedImage&& other) noexcept : m_bitmap(std::exchange(other.m_bitmap, nullptr))
{
}

DecodedImage& DecodedImage::operator=(DecodedImage&& other) noexcept
{
    std::swap(m_bitmap, other.m_bitmap);
    return *this;
}

unsigned DecodedImage::width() const
{
    return m_bitmap != nullptr ? FreeImage_GetWidth(m_bitmap) : 0;
}

unsigned DecodedImage::height() const
{
    return m_bitmap != nullptr ? FreeImage_GetHeight(m_bitmap) : 0;
}

const BYTE* DecodedImage::pixels() const
{
    return m_bitmap != nullptr ? FreeImage_GetBits(m_bitmap) : nullptr;
}

namespace {

// A FreeImage linked statically (FREEIMAGE_LIB, as in the Windows build) has
// no load-time hook that registers its readers, as its shared library has:
// the first look at an image does it, and the readers go at exit.
void registerImageReaders()
{
#ifdef FREEIMAGE_LIB
    struct Readers {
        Readers() { FreeImage_Initialise(FALSE); }
        ~Readers() { FreeImage_DeInitialise(); }
    };
    static const Readers readers;
#endif
}

} // namespace

bool isAcceptedImageFormat(FREE_IMAGE_FORMAT format)
{
    return format == FIF_JPEG || format == FIF_PNG;
}

FREE_IMAGE_FORMAT acceptedImageFormat(const std::string& path)
{
    // FreeImage_GetFileType would run every reader's signature check, and
    // some of those parse far more than a signature (the camera-raw one
    // opens the whole file).
    registerImageReaders();
    for (const FREE_IMAGE_FORMAT format : {FIF_JPEG, FIF_PNG}) {
        if (FreeImage_Validate(format, path.c_str())) {
            return format;
        }
    }
    return FIF_UNKNOWN;
}

namespace {

struct PictureSize {
    unsigned width = 0;
    unsigned height = 0;
    bool arithmeticCoded = false; // JPEG only
};

bool fits(PictureSize size, unsigned largestSide)
{
    return size.width <= largestSide && size.height <= largestSide;
}

PictureSize sizeOf(FIBITMAP* image)
{
    return {FreeImage_GetWidth(image), FreeImage_GetHeight(image)};
}

// The most pixels a valid file can hold per byte of it, from how its format
// codes them. A file that declares more cannot hold its picture; decoding it
// would make seconds of work and hundreds of megabytes out of a hundred
// damaged bytes.
// PNG: a pixel takes at least one bit before compression, and deflate
// expands at most 1032-fold (a 258-byte match in two bits).
constexpr double mostPngPixelsPerByte = 8.0 * 1032.0;
// Huffman-coded JPEG: libjpeg decodes a file cut short, the blocks it lacks
// grey, so a valid file's length does not bound its picture. The bound only
// keeps a few bytes from costing seconds and hundreds of megabytes: 8192
// pixels a byte lets a 2048 x 2048 picture cut to 1000 bytes load.
constexpr double mostHuffmanJpegPixelsPerByte = 8192.0;
// Arithmetic-coded JPEG: its coder spends as little as a bit on 32 768
// blocks, a bound far beyond any texture: only the side limit bounds it.

bool couldHoldItsPixels(PictureSize size, double mostPixelsPerByte, const std::string& path)
{
    std::error_code error;
    const auto bytes = std::filesystem::file_size(path, error);
    return !error && double(size.width) * double(size.height) <= mostPixelsPerByte * double(bytes);
}

// The frame size a JPEG declares, found as libjpeg finds it: the marker
// segments after the start of image up to the first start of frame, bytes
// between segments skipped. Read here because FreeImage's header-only load
// of a JPEG still starts the decompressor, which for a file of several scans
// allocates and clears coefficients for the whole declared picture.
std::optional<PictureSize> jpegFrameSize(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const auto next = [&in] { return in.get(); };
    // A big-endian 16-bit field; -1 at the end of the file.
    const auto next16 = [&next] {
        const int high = next();
        const int low = next();
        return high < 0 || low < 0 ? -1 : high << 8 | low;
    };
    if (next() != 0xFF || next() != 0xD8) {
        return std::nullopt;
    }
    for (;;) {
        int marker = next();
        while (marker != 0xFF && marker >= 0) {
            marker = next();
        }
        while (marker == 0xFF) {
            marker = next();
        }
        if (marker < 0 || marker == 0xD9 || marker == 0xDA) {
            return std::nullopt; // the end, or a scan before any frame
        }
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            continue; // a stuffed byte or a marker without a segment
        }
        const int length = next16();
        if (length < 2) {
            return std::nullopt;
        }
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            next(); // sample precision
            const int height = next16();
            const int width = next16();
            if (height < 0 || width < 0) {
                return std::nullopt;
            }
            return PictureSize{static_cast<unsigned>(width), static_cast<unsigned>(height), marker >= 0xC9};
        }
        in.seekg(length - 2, std::ios::cur);
    }
}

// A few bytes of header can declare billions of pixels; such a picture is
// refused from its header alone, and so is one its file is far too small to
// hold. Pixel types the 24-bit conversion does not take (floating point,
// 32-bit integer, complex) are refused there too.
bool worthDecoding(FREE_IMAGE_FORMAT format, const std::string& path, unsigned largestSide)
{
    double mostPixelsPerByte = mostPngPixelsPerByte;
    if (format == FIF_JPEG) {
        const std::optional<PictureSize> frame = jpegFrameSize(path);
        mostPixelsPerByte = frame && frame->arithmeticCoded ? HUGE_VAL : mostHuffmanJpegPixelsPerByte;
        if (!frame || !fits(*frame, largestSide) || !couldHoldItsPixels(*frame, mostPixelsPerByte, path)) {
            return false;
        }
    }
    FIBITMAP* header = FreeImage_Load(format, path.c_str(), FIF_LOAD_NOPIXELS);
    if (header == nullptr) {
        return false;
    }
    const FREE_IMAGE_TYPE type = FreeImage_GetImageType(header);
    const bool convertible = type == FIT_BITMAP || type == FIT_RGB16 || type == FIT_RGBA16;
    const PictureSize size = sizeOf(header);
    const bool small = fits(size, largestSide) && couldHoldItsPixels(size, mostPixelsPerByte, path);
    FreeImage_Unload(header);
    return convertible && small;
}

} // namespace

DecodedImage decodeImage(const std::string& path, unsigned largestSide)
{
    const FREE_IMAGE_FORMAT format = acceptedImageFormat(path);
    if (format == FIF_UNKNOWN || (format == FIF_PNG && !pngChunksIntact(path)) ||
        !worthDecoding(format, path, largestSide)) {
        return DecodedImage();
    }
    FIBITMAP* loaded = FreeImage_Load(format, path.c_str(), 0);
    if (loaded == nullptr) {
        return DecodedImage();
    }
    // The header said the picture fits; the decoded one must too.
    FIBITMAP* converted = fits(sizeOf(loaded), largestSide) ? FreeImage_ConvertTo24Bits(loaded) : nullptr;
    if (converted != loaded) {
        FreeImage_Unload(loaded);
    }
    return DecodedImage(converted);
}
