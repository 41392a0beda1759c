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
    if (format != FIF_UNKNOWN && FreeImage_FIFSupportsReading(format)) {
        image = FreeImage_Load(format, path.c_str(), 0);
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
