// Fuzz target: the texture loader on arbitrary bytes, through FreeImage (the
// format is detected from the content) and the real GL upload. Whatever the
// file holds, the loader must give a record with a live texture name on the
// unit it was asked for, and deleting the record must release that name.
// Run it under xvfb-run.
#include "FuzzSupport.h"

#include "textureloader/TextureLoader.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzInitGL();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = writeFuzzFile("image", data, size);
    const int unit = size > 0 ? (data[0] & 1) : 0;
    Texture* texture = TextureLoader::getInstance().loadTexture(path, unit);
    if (texture == nullptr || texture->m_handle == 0 || !glIsTexture(texture->m_handle) || texture->m_unit != unit) {
        std::fprintf(stderr, "texture loader invariant broken\n");
        std::abort();
    }
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    if (active != static_cast<GLint>(GL_TEXTURE0 + unit)) {
        std::fprintf(stderr, "texture loader left another unit active\n");
        std::abort();
    }
    const GLuint name = texture->m_handle;
    delete texture;
    if (glIsTexture(name)) {
        std::fprintf(stderr, "deleting the record kept its texture\n");
        std::abort();
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    return 0;
}
