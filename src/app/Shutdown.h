#pragma once
// The end of the run: the scene, the camera, the textures and the
// framebuffer released while the context is still current.

void cleanup();
