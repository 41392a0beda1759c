#include "readback/FrameReadback.h"

std::vector<uint8_t> readRgbPixels(int x, int y, int width, int height)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 3);
    GLint alignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);
    return pixels;
}

std::vector<uint8_t> readFinishedFrame(int width, int height, GLuint* readFrom)
{
    GLint framebuffer = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &framebuffer);
    if (framebuffer == 0) {
        glReadBuffer(GL_BACK);
    }
    if (readFrom != nullptr) {
        *readFrom = static_cast<GLuint>(framebuffer);
    }
    return readRgbPixels(0, 0, width, height);
}

FinishedFrame::FinishedFrame(int width, int height, bool withoutVolumes) : width(width), height(height)
{
    skipShadowVolumes = withoutVolumes;
}

void FinishedFrame::endPass(RenderPass pass)
{
    if (pass == RenderPass::Additive) {
        pixels = readFinishedFrame(width, height, &readFrom);
        ++framesRead;
    }
}
