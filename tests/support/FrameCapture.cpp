#include "support/FrameCapture.h"

FrameCapture::FrameCapture(int width, int height, bool withoutVolumes) : m_width(width), m_height(height)
{
    skipShadowVolumes = withoutVolumes;
}

void FrameCapture::endPass(RenderPass pass)
{
    if (pass == RenderPass::Additive) {
        glReadBuffer(GL_BACK);
        image = readPixels(0, 0, m_width, m_height);
    }
}
