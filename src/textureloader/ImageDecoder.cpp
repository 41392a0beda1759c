#include "textureloader/ImageDecoder.h"

#include <utility>

DecodedImage::~DecodedImage()
{
    if (m_bitmap != nullptr) {
        FreeImage_Unload(m_bitmap);
    }
}

DecodedImage::DecodedImage(DecodedImage&& other) noexcept : m_bitmap(std::exchange(other.m_bitmap, nullptr)) {}

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

bool isAcceptedImageFormat(FREE_IMAGE_FORMAT format)
{
    return format == FIF_JPEG || format == FIF_PNG;
}

FREE_IMAGE_FORMAT acceptedImageFormat(const std::string& path)
{
    // FreeImage_GetFileType would run every reader's signature check, and
    // some of those parse far more than a signature (the camera-raw one
    // opens the whole file).
    for (const FREE_IMAGE_FORMAT format : {FIF_JPEG, FIF_PNG}) {
        if (FreeImage_Validate(format, path.c_str())) {
            return format;
        }
    }
    return FIF_UNKNOWN;
}

namespace {

bool fits(FIBITMAP* image, unsigned largestSide)
{
    return FreeImage_GetWidth(image) <= largestSide && FreeImage_GetHeight(image) <= largestSide;
}

// A few bytes of header can declare billions of pixels; such a picture is
// refused from its header alone. Pixel types the 24-bit conversion does not
// take (floating point, 32-bit integer, complex) are refused there too.
bool worthDecoding(FREE_IMAGE_FORMAT format, const std::string& path, unsigned largestSide)
{
    FIBITMAP* header = FreeImage_Load(format, path.c_str(), FIF_LOAD_NOPIXELS);
    if (header == nullptr) {
        return false;
    }
    const FREE_IMAGE_TYPE type = FreeImage_GetImageType(header);
    const bool convertible = type == FIT_BITMAP || type == FIT_RGB16 || type == FIT_RGBA16;
    const bool small = fits(header, largestSide);
    FreeImage_Unload(header);
    return convertible && small;
}

} // namespace

DecodedImage decodeImage(const std::string& path, unsigned largestSide)
{
    const FREE_IMAGE_FORMAT format = acceptedImageFormat(path);
    if (format == FIF_UNKNOWN || !worthDecoding(format, path, largestSide)) {
        return DecodedImage();
    }
    FIBITMAP* loaded = FreeImage_Load(format, path.c_str(), 0);
    if (loaded == nullptr) {
        return DecodedImage();
    }
    // The header said the picture fits; the decoded one must too.
    FIBITMAP* converted = fits(loaded, largestSide) ? FreeImage_ConvertTo24Bits(loaded) : nullptr;
    if (converted != loaded) {
        FreeImage_Unload(loaded);
    }
    return DecodedImage(converted);
}
