#pragma once
// The viewer's scene, set up as the viewer sets it up and driven with a fixed
// time step, for the programs that draw its frames to files (kov_record,
// kov_stages). Step k is the frame at k/fps seconds of scene time.
#include <string>

// Opens the scene: the GL state, the scene set-up and the clear colour. The
// viewer's console lines go nowhere; returns a descriptor of what standard
// output was, or -1 with `problem` set when there is no window or standard
// output cannot be kept.
int openFlightScene(std::string& problem);

// The step at which the flight first comes to rest, found by replaying the
// flight alone; the flight and the camera are left as they were.
long restStep(double dt);

// Advances the flight and the scene as the frames before step `first` would,
// without drawing them.
void skipToStep(long first, double dt);

// Draws the frame of step `step` through the frame loop's own renderFrame.
void drawStep(long step, double dt);
