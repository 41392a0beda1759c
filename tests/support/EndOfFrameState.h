#pragma once

// Expects the GL state every frame ends in, with or without the off-screen
// framebuffer: depth writes off and the equal test of the last pass, no
// stencil test, blending or depth clamp, culling and the depth test on, the
// window's back buffer bound for drawing and reading, the normal-mapping
// program current. `which` names the frame in failure messages.
void expectEndOfFrameState(const char* which);
