#pragma once

// Releases whatever scene an earlier test of this process left (assets,
// camera, textures, the framebuffer and the four programs) and sets the
// scene up again from the files under the current directory, with the flight
// at its start: each test that needs the demonstration scene gets it as a
// fresh process would, whichever tests ran before it.
void setUpFreshScene();

// Makes sure the scene's four programs are linked from the files under the
// current directory, whatever earlier tests of this process did with them:
// for tests that draw with them without the rest of the scene.
void linkScenePrograms();
