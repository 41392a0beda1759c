#include "support/GLReadback.h"

#include "readback/FrameReadback.h"

#include <FreeImage.h>

#include <fstream>
#include <sstream>

RgbImage readPixels(int x, int y, int width, int height)
{
    return RgbImage{width, height, readRgbPixels(x, y, width, height)};
}

RgbImage finishedImage(const FinishedFrame& frame)
{
    return frame.framesRead == 0 ? RgbImage() : RgbImage{frame.width, frame.height, frame.pixels};
}

RgbImage readTexture(GLuint texture, int level)
{
    RgbImage image;
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &image.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &image.height);
    image.pixels.resize(static_cast<size_t>(image.width) * image.height * 3);
    if (!image.pixels.empty()) {
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, level, GL_RGB, GL_UNSIGNED_BYTE, image.pixels.data());
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
    }
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    return image;
}

ScopedPrimitiveCounter::ScopedPrimitiveCounter()
{
    glBeginQuery(GL_PRIMITIVES_GENERATED, m_query.id());
}

ScopedPrimitiveCounter::~ScopedPrimitiveCounter()
{
    if (m_running) {
        glEndQuery(GL_PRIMITIVES_GENERATED);
    }
}

GLuint ScopedPrimitiveCounter::finish()
{
    if (m_running) {
        glEndQuery(GL_PRIMITIVES_GENERATED);
        m_running = false;
    }
    GLuint count = 0;
    glGetQueryObjectuiv(m_query.id(), GL_QUERY_RESULT, &count);
    return count;
}

bool savePng(const std::string& path, const RgbImage& image)
{
    FIBITMAP* bitmap = FreeImage_Allocate(image.width, image.height, 24);
    if (bitmap == nullptr) {
        return false;
    }
    // FreeImage rows run bottom to top, as GL's do; pixels are stored B, G, R.
    for (int y = 0; y < image.height; ++y) {
        BYTE* row = FreeImage_GetScanLine(bitmap, y);
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = image.at(x, y);
            row[x * 3 + FI_RGBA_RED] = p[0];
            row[x * 3 + FI_RGBA_GREEN] = p[1];
            row[x * 3 + FI_RGBA_BLUE] = p[2];
        }
    }
    const bool saved = FreeImage_Save(FIF_PNG, bitmap, path.c_str(), PNG_Z_BEST_COMPRESSION) != 0;
    FreeImage_Unload(bitmap);
    return saved;
}

namespace {

std::string bigEndian32(uint32_t value)
{
    std::string bytes;
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes += static_cast<char>((value >> shift) & 0xFF);
    }
    return bytes;
}

std::string pngChunk(const char* type, const std::string& payload)
{
    std::string body = std::string(type, 4) + payload;
    const DWORD crc =
        FreeImage_ZLibCRC32(0, reinterpret_cast<BYTE*>(body.data()), static_cast<DWORD>(body.size()));
    return bigEndian32(static_cast<uint32_t>(payload.size())) + body + bigEndian32(crc);
}

} // namespace

std::string pngBytes(uint32_t width, uint32_t height, int bitDepth, int colourType, std::string rows)
{
    std::string header = bigEndian32(width) + bigEndian32(height);
    header += {static_cast<char>(bitDepth), static_cast<char>(colourType), 0, 0, 0};
    std::string packed(rows.size() + rows.size() / 100 + 64, '\0');
    packed.resize(FreeImage_ZLibCompress(reinterpret_cast<BYTE*>(packed.data()), static_cast<DWORD>(packed.size()),
                                         reinterpret_cast<BYTE*>(rows.data()), static_cast<DWORD>(rows.size())));
    return "\x89PNG\r\n\x1a\n" + pngChunk("IHDR", header) + pngChunk("IDAT", packed) + pngChunk("IEND", "");
}

RgbImage readPng(const std::string& path, RowOrder order)
{
    RgbImage image;
    FIBITMAP* loaded = FreeImage_Load(FIF_PNG, path.c_str(), 0);
    if (loaded == nullptr) {
        return image;
    }
    FIBITMAP* bitmap = FreeImage_ConvertTo24Bits(loaded);
    FreeImage_Unload(loaded);
    image.width = static_cast<int>(FreeImage_GetWidth(bitmap));
    image.height = static_cast<int>(FreeImage_GetHeight(bitmap));
    image.pixels.resize(static_cast<size_t>(image.width) * image.height * 3);
    for (int y = 0; y < image.height; ++y) {
        // FreeImage's rows run bottom to top; its pixels are stored B, G, R.
        const int line = order == RowOrder::BottomFirst ? y : image.height - 1 - y;
        const BYTE* row = FreeImage_GetScanLine(bitmap, line);
        for (int x = 0; x < image.width; ++x) {
            uint8_t* p = &image.pixels[(static_cast<size_t>(y) * image.width + x) * 3];
            p[0] = row[x * 3 + FI_RGBA_RED];
            p[1] = row[x * 3 + FI_RGBA_GREEN];
            p[2] = row[x * 3 + FI_RGBA_BLUE];
        }
    }
    FreeImage_Unload(bitmap);
    return image;
}
