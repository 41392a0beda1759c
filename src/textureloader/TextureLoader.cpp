#include "textureloader/TextureLoader.h"

#include "app/Console.h"
#include "textureloader/ImageDecoder.h"

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

    // An image GL cannot hold in one texture is treated like an unreadable one.
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    const DecodedImage image = decodeImage(path, largest > 0 ? static_cast<unsigned>(largest) : 0);

    glGenTextures(1, &texture->m_handle);
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(texture->m_unit));
    glBindTexture(GL_TEXTURE_2D, texture->m_handle);
    // FreeImage keeps 24-bit rows bottom-up in BGR order, each padded to four
    // bytes, which is GL's default unpack alignment.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, static_cast<GLsizei>(image.width()),
                 static_cast<GLsizei>(image.height()), 0, GL_BGR, GL_UNSIGNED_BYTE, image.pixels());
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

    return texture;
}
