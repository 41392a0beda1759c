#pragma once
// Reading a frame's finished picture back, for the programs that look at
// what the viewer draws (the recorder, the frame benchmark, the tests); the
// viewer itself never reads its pictures.
#include "app/FrameLoop.h"

#include <GL/glew.h>

#include <cstdint>
#include <vector>

// The pixels of the colour buffer selected for reading, tightly packed RGB,
// bottom row first.
std::vector<uint8_t> readRgbPixels(int x, int y, int width, int height);

// The picture the frame drew, read at the end of its last pass, before the
// swap presents it (the front buffer cannot be read back under Xvfb with
// Mesa's software driver): from the off-screen framebuffer when the frame
// draws into one, otherwise from the window's back buffer. *readFrom, when
// given, is the framebuffer read.
std::vector<uint8_t> readFinishedFrame(int width, int height, GLuint* readFrom = nullptr);

// Reads the finished picture of every frame it observes. Optionally asks the
// frame to leave out the shadow volumes, for a reference picture without
// shadows.
class FinishedFrame : public PassObserver {
public:
    FinishedFrame(int width, int height, bool withoutVolumes = false);
    void beginPass(RenderPass) override {}
    void endPass(RenderPass pass) override;

    const int width;
    const int height;
    std::vector<uint8_t> pixels; // the last frame read, as readRgbPixels gives it
    GLuint readFrom = 0;
    long framesRead = 0;
};
