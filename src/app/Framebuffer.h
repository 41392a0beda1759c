#pragma once
// The off-screen framebuffer the frame may draw into (fbo, depthBuffer in
// AppState.h) and its copy to the window.

void createFramebuffer();
// Copies the off-screen image into the window's back buffer.
void presentFramebuffer();
void releaseFramebuffer();
