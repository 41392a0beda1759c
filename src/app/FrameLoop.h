#pragma once
// The frame loop: the scene's update and its render passes, frame by frame.
#include <GL/glew.h>

// The passes of one frame, reported to an observer (benchmarks, tests).
enum class RenderPass { Depth, ShadowVolumes, Lit, Additive };
class PassObserver {
public:
    virtual ~PassObserver() = default;
    virtual void beginPass(RenderPass pass) = 0;
    virtual void endPass(RenderPass pass) = 0;
    // A reference frame without shadow volumes skips that pass entirely.
    bool skipShadowVolumes = false;
};
void setPassObserver(PassObserver* observer);

void renderLoop();
// One frame with a given time step: events, camera flight, updates, the
// render passes and the swap.
void renderFrame(double dt);
void drawScene(bool shadowPass, bool normalPass, bool lightPass, GLuint program);
void updateScene(double dt);
