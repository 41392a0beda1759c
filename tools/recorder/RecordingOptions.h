#pragma once
// The recording tool's command line (the options are described at the top of
// main.cpp).
#include <string>

struct RecordingOptions {
    std::string out = "recording";
    std::string name = "kov-flight";
    int fps = 10;
    double start = 0.0;
    bool endAtRest = true;
    double end = 0.0;
    int frames = 0; // 0: up to --end
    int sheet = 12;
    int sheetColumns = 4;
    int animEvery = 4;
    int animFps = 0; // 0: as --fps
    int animWidth = 640;
    std::string animFormat = "webp";
    int animQuality = 80;
    std::string ffmpeg = "ffmpeg";
    std::string montage = "montage";
    std::string dumpFrames;
    std::string scene;
    bool console = false;
};

// Fills `options` from the command line; false, with `problem` saying why
// (empty for --help), when it is not one the tool takes.
bool parseOptions(int argc, char** argv, RecordingOptions& options, std::string& problem);
void printUsage();
