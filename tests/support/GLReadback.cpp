#include "support/GLReadback.h"

#include "app/FrameReadback.h"

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

PrimitiveCounter::PrimitiveCounter()
{
    glBeginQuery(GL_PRIMITIVES_GENERATED, m_query.id());
}

PrimitiveCounter::~PrimitiveCounter()
{
    if (m_running) {
        glEndQuery(GL_PRIMITIVES_GENERATED);
    }
}

GLuint PrimitiveCounter::finish()
{
    if (m_running) {
        glEndQuery(GL_PRIMITIVES_GENERATED);
        m_running = false;
    }
    GLuint count = 0;
    glGetQueryObjectuiv(m_query.id(), GL_QUERY_RESULT, &count);
    return count;
}

void writePpm(const std::string& path, const RgbImage& image)
{
    std::ofstream file(path, std::ios::binary);
    file << "P6\n" << image.width << " " << image.height << "\n255\n";
    for (int y = image.height - 1; y >= 0; --y) {
        file.write(reinterpret_cast<const char*>(image.at(0, y)), static_cast<std::streamsize>(image.width) * 3);
    }
}

RgbImage readPpm(const std::string& path)
{
    RgbImage image;
    std::ifstream file(path, std::ios::binary);
    std::string magic;
    int maxValue = 0;
    file >> magic >> image.width >> image.height >> maxValue;
    file.get();
    if (magic != "P6" || image.width <= 0 || image.height <= 0) {
        return RgbImage();
    }
    image.pixels.resize(static_cast<size_t>(image.width) * image.height * 3);
    for (int y = image.height - 1; y >= 0; --y) {
        file.read(reinterpret_cast<char*>(&image.pixels[static_cast<size_t>(y) * image.width * 3]),
                  static_cast<std::streamsize>(image.width) * 3);
    }
    return image;
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
