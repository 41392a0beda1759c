#pragma once
// The viewer's scene, set up as the viewer sets it up and driven with a fixed
// time step, for the programs that draw its frames to files (kov_record,
// kov_stages). Step k is the frame at k/fps seconds of scene time.
#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

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

// GL reads the bottom row first; pictures start at the top.
template <typename T>
std::vector<T> topRowFirst(const std::vector<T>& rows, int width, int height, int channels)
{
    const size_t row = static_cast<size_t>(width) * channels;
    std::vector<T> flipped(rows.size());
    for (int y = 0; y < height; ++y) {
        std::copy_n(&rows[y * row], row, &flipped[(height - 1 - y) * row]);
    }
    return flipped;
}

// Says on standard error, after the program's name, what went wrong; returns
// the exit status for it, 1.
int reportFailure(const char* program, const std::string& message);
