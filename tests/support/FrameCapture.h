#pragma once
#include "app/AppState.h"
#include "support/GLReadback.h"

// Reads the finished image of a frame from the back buffer, just before the
// swap presents it (the front buffer cannot be read back under Xvfb with
// Mesa's software driver). Optionally asks the frame to leave out the shadow
// volumes, for a reference picture without shadows.
class FrameCapture : public PassObserver {
public:
    FrameCapture(int width, int height, bool withoutVolumes);
    void beginPass(RenderPass) override {}
    void endPass(RenderPass pass) override;

    RgbImage image;

private:
    int m_width;
    int m_height;
};
