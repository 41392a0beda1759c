#pragma once
#include "app/GLObject.h"

#include <GL/glew.h>

#include <cstdint>
#include <string>
#include <vector>

class FinishedFrame;

// An RGB image; read back from GL, its bottom row comes first.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels; // 3 bytes a pixel

    const uint8_t* at(int x, int y) const { return &pixels[(static_cast<size_t>(y) * width + x) * 3]; }
};

// Reads the colour buffer currently selected for reading.
RgbImage readPixels(int x, int y, int width, int height);
// The last picture `frame` read; an empty image when it read none.
RgbImage finishedImage(const FinishedFrame& frame);
// Reads level `level` of a 2D texture as RGB.
RgbImage readTexture(GLuint texture, int level = 0);

// Counts the primitives that reach the geometry stage output (or the
// rasteriser) while it is alive: a GL_PRIMITIVES_GENERATED query.
class ScopedPrimitiveCounter {
public:
    ScopedPrimitiveCounter();
    ~ScopedPrimitiveCounter();
    GLuint finish();

private:
    GLQuery m_query = GLQuery::generate();
    bool m_running = true;
};

// Writes the image (bottom row first) as a PNG file through FreeImage.
bool savePng(const std::string& path, const RgbImage& image);
// A PNG file's bytes, written chunk by chunk: a header declaring `width` x
// `height` pixels of `bitDepth` and `colourType`, `rows` (each row's filter
// byte and pixels) deflated into one data chunk, and the end.
std::string pngBytes(uint32_t width, uint32_t height, int bitDepth, int colourType, std::string rows);

enum class RowOrder { BottomFirst, TopFirst };
// Reads a PNG file through FreeImage as 8-bit RGB, its rows in `order`
// (bottom first matches GL's read-back); an empty image when it cannot.
RgbImage readPng(const std::string& path, RowOrder order);
