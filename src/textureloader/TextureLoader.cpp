#include "textureloader/TextureLoader.h"

#include "app/GLHelpers.h"

#include <FreeImage.h>

Texture::~Texture()
{
    printLine("Texture destructor");
    if (m_handle != 0) {
        glDeleteTextures(1, &m_handle);
    }
}

namespace {

// An image GL cannot hold in one texture is treated like an unreadable one.
bool fitsTexture(FIBITMAP* image)
{
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    const unsigned width = FreeImage_GetWidth(image);
    const unsigned height = FreeImage_GetHeight(image);
    return largest > 0 && width <= static_cast<unsigned>(largest) && height <= static_cast<unsigned>(largest);
}

// Reads only the header where the format allows it. A few bytes can declare
// an image of billions of pixels; decoding it would allocate gigabytes for a
// picture GL rejects anyway. Pixel types the 24-bit conversion does not take
// (floating point, 32-bit integer, complex) would be dropped after decoding,
// so they are not decoded either.
bool worthDecoding(FREE_IMAGE_FORMAT format, const std::string& path)
{
    if (!FreeImage_FIFSupportsNoPixels(format)) {
        return true;
    }
    FIBITMAP* header = FreeImage_Load(format, path.c_str(), FIF_LOAD_NOPIXELS);
    if (header == nullptr) {
        return false;
    }
    const FREE_IMAGE_TYPE type = FreeImage_GetImageType(header);
    const bool convertible = type == FIT_BITMAP || type == FIT_RGB16 || type == FIT_RGBA16;
    const bool fits = fitsTexture(header);
    FreeImage_Unload(header);
    return convertible && fits;
}

} // namespace

TextureLoader& TextureLoader::getInstance()
{
    static TextureLoader instance;
    return instance;
}

Texture* TextureLoader::loadTexture(const std::string& path, int unit)
{
    Texture* texture = new Texture(0, unit);

    const FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str(), 0);
    FIBITMAP* image = nullptr;
    if (format != FIF_UNKNOWN && FreeImage_FIFSupportsReading(format) && worthDecoding(format, path)) {
        image = FreeImage_Load(format, path.c_str(), 0);
    }
    if (image != nullptr && !fitsTexture(image)) {
        FreeImage_Unload(image);
        image = nullptr;
    }
    FIBITMAP* image24 = image != nullptr ? FreeImage_ConvertTo24Bits(image) : nullptr;
    const GLsizei width = image24 != nullptr ? static_cast<GLsizei>(FreeImage_GetWidth(image24)) : 0;
    const GLsizei height = image24 != nullptr ? static_cast<GLsizei>(FreeImage_GetHeight(image24)) : 0;
    const BYTE* pixels = image24 != nullptr ? FreeImage_GetBits(image24) : nullptr;

    glGenTextures(1, &texture->m_handle);
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(texture->m_unit));
    glBindTexture(GL_TEXTURE_2D, texture->m_handle);
    // FreeImage keeps 24-bit rows bottom-up in BGR order, each padded to four
    // bytes, which is GL's default unpack alignment.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_BGR, GL_UNSIGNED_BYTE,
                 pixels);
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

    if (image24 != nullptr && image24 != image) {
        FreeImage_Unload(image24);
    }
    if (image != nullptr) {
        FreeImage_Unload(image);
    }
    return texture;
}
