#pragma once
#include <GL/glew.h>

#include <string>

// One GL texture and the unit it was uploaded on. Owns the GL texture.
class Texture {
public:
    Texture(GLuint handle, int unit) : m_handle(handle), m_unit(unit) {}
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    GLuint m_handle;
    int m_unit;
};

// Turns image files into mipmapped 2D textures through FreeImage.
class TextureLoader {
public:
    static TextureLoader& getInstance();
    virtual ~TextureLoader() = default;

    // Never null. An image that cannot be read still gives a texture name,
    // with an empty level 0 (it samples as black); nothing is reported.
    Texture* loadTexture(const std::string& path, int unit);

private:
    TextureLoader() = default;
};
