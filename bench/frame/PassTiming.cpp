#include "frame/PassTiming.h"

#include "readback/FrameReadback.h"

void PassTimer::startFrame()
{
    m_ran.fill(false);
}

void PassTimer::beginPass(RenderPass pass)
{
    const int i = static_cast<int>(pass);
    if (isolate) {
        glFinish();
    }
    m_ran[i] = true;
    m_start[i] = std::chrono::steady_clock::now();
    glBeginQuery(GL_TIME_ELAPSED, m_queries[i].id());
}

void PassTimer::endPass(RenderPass pass)
{
    const int i = static_cast<int>(pass);
    glEndQuery(GL_TIME_ELAPSED);
    if (isolate) {
        glFinish();
        m_isolatedSeconds[i] = secondsBetween(m_start[i], std::chrono::steady_clock::now());
    }
}

void PassTimer::collect(PassSamples& samples)
{
    for (int i = 0; i < passCount; ++i) {
        if (!m_ran[i]) {
            continue;
        }
        GLuint64 nanoseconds = 0;
        glGetQueryObjectui64v(m_queries[i].id(), GL_QUERY_RESULT, &nanoseconds);
        samples.gl[i].push_back(static_cast<double>(nanoseconds) * 1e-9);
        if (isolate) {
            samples.isolated[i].push_back(m_isolatedSeconds[i]);
        }
    }
}

void PassPrimitiveCounter::beginPass(RenderPass pass)
{
    glBeginQuery(GL_PRIMITIVES_GENERATED, m_queries[static_cast<int>(pass)].id());
}

void PassPrimitiveCounter::endPass(RenderPass)
{
    glEndQuery(GL_PRIMITIVES_GENERATED);
}

std::array<GLuint, passCount> PassPrimitiveCounter::results()
{
    std::array<GLuint, passCount> counts{};
    for (int i = 0; i < passCount; ++i) {
        glGetQueryObjectuiv(m_queries[i].id(), GL_QUERY_RESULT, &counts[i]);
    }
    return counts;
}

void VolumeSampleCounter::beginPass(RenderPass pass)
{
    if (pass == RenderPass::ShadowVolumes) {
        glDisable(GL_DEPTH_TEST);
        glBeginQuery(GL_SAMPLES_PASSED, m_query.id());
    }
}

void VolumeSampleCounter::endPass(RenderPass pass)
{
    if (pass == RenderPass::ShadowVolumes) {
        glEndQuery(GL_SAMPLES_PASSED);
        glEnable(GL_DEPTH_TEST);
    }
}

GLuint VolumeSampleCounter::result()
{
    GLuint samples = 0;
    glGetQueryObjectuiv(m_query.id(), GL_QUERY_RESULT, &samples);
    return samples;
}
