#pragma once

// Releases whatever scene an earlier test of this process left (assets,
// camera, textures, the framebuffer and the four programs) and sets the
// scene up again from the files under the current directory, with the flight
// at its start: each test that needs the demonstration scene gets it as a
// fresh process would, whichever tests ran before it.
void setUpFreshScene();

// Loads and links the scene's four programs from the files under the current
// directory, once per process: for tests that draw with them without the
// rest of the scene.
void linkScenePrograms();
