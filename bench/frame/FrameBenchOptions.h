#pragma once
// The frame benchmark's command line (read in FrameBench.cpp).
#include <string>

struct FrameBenchOptions {
    std::string json;
    std::string scene;
    int frames = 300;
    int warmup = 30;
    double dt = 1.0 / 60.0;
    int perAssetFrames = 5;
};
