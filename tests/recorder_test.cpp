// The recording tool (tools/recorder) as a real process: four frames at 4 a
// second from 10 s, so that the flight leaves its first pause (at 10.25 s)
// inside the recording. Every frame is at its scene time, its list line
// names the bytes written, and two runs draw the same frames.
#include "camera/CameraState.h"
#include "support/Process.h"
#include <gtest/gtest.h>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {
const int fps = 4;
const double start = 10.0;
const int frames = 4;
const size_t frameBytes = 1024u * 768u * 3u;

struct Recording {
    ProcessResult result;
    std::vector<std::vector<std::string>> rows; // the list's fields, line by line
};

Recording record(const std::string& listPath)
{
    ProcessOptions options;
    options.workingDirectory = KOV_SOURCE_DIR;
    options.timeoutSeconds = 400.0;
    Recording recording;
    recording.result = runProcess({KOV_RECORDER, "--fps", std::to_string(fps), "--start", "10", "--frames",
                                   std::to_string(frames), "--list", listPath},
                                  options);
    for (const std::string& line : splitLines(shellOutput("cat '" + listPath + "'"))) {
        std::istringstream fields(line);
        std::vector<std::string> row;
        for (std::string field; std::getline(fields, field, '\t');) {
            row.push_back(field);
        }
        recording.rows.push_back(row);
    }
    return recording;
}

std::string formatted(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

std::string fnv1a64(const std::string& bytes)
{
    uint64_t hash = 14695981039346656037ull;
    for (const char byte : bytes) {
        hash = (hash ^ static_cast<uint8_t>(byte)) * 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof(text), "%016llx", static_cast<unsigned long long>(hash));
    return text;
}
} // namespace

TEST(Recorder, FramesAreAtTheirSceneTimeAndTwoRunsAgree)
{
    const std::string list = testing::TempDir() + "kov-record-frames.tsv";
    const Recording first = record(list);
    ASSERT_FALSE(first.result.timedOut);
    ASSERT_TRUE(first.result.exited) << first.result.err;
    ASSERT_EQ(first.result.exitCode, 0) << first.result.err;
    ASSERT_EQ(first.result.out.size(), frames * frameBytes) << "raw RGB, 1024 x 768, every frame";
    ASSERT_EQ(first.rows.size(), static_cast<size_t>(frames));

    // A replay of the flight with the same steps gives each line's state and eye.
    resetCameraFlight();
    setCameraPosition(glm::vec3(0.0f, 0.6f, 2.0f));
    setCameraFocus(glm::vec3(0.0f, 0.2f, -2.0f));
    for (long step = 1; step < std::lround(start * fps); ++step) {
        updateCameraFlight(1.0 / fps);
    }
    std::set<std::string> checksums;
    for (int k = 0; k < frames; ++k) {
        updateCameraFlight(1.0 / fps);
        const std::vector<std::string>& row = first.rows[k];
        ASSERT_EQ(row.size(), 6u) << "frame " << k;
        EXPECT_EQ(row[0], std::to_string(k));
        EXPECT_EQ(row[1], formatted("%.3f", start + k * 0.25)) << "frame " << k;
        EXPECT_EQ(row[2], std::to_string(getFlightState())) << "frame " << k;
        EXPECT_EQ(row[3], formatted("%.6f", getCameraPosition().y)) << "frame " << k;
        EXPECT_EQ(row[4], formatted("%.6f", getCameraPosition().z)) << "frame " << k;

        const std::string pixels = first.result.out.substr(k * frameBytes, frameBytes);
        EXPECT_EQ(row[5], fnv1a64(pixels)) << "frame " << k;
        checksums.insert(row[5]);
        // A lit scene, not a black or blank read.
        long bright = 0;
        for (size_t i = 1; i < pixels.size(); i += 3) {
            bright += static_cast<uint8_t>(pixels[i]) > 40 ? 1 : 0;
        }
        EXPECT_GT(bright, static_cast<long>(frameBytes / 3 / 20)) << "frame " << k;
    }
    EXPECT_EQ(first.rows[0][2], "0");
    EXPECT_EQ(first.rows[frames - 1][2], "1") << "the recording spans the start of the first glide";
    EXPECT_NE(first.rows[frames - 1][4], first.rows[0][4]) << "the camera has moved";
    EXPECT_EQ(checksums.size(), static_cast<size_t>(frames)) << "the crates spin: every frame differs";

    const Recording again = record(list);
    ASSERT_EQ(again.result.exitCode, 0) << again.result.err;
    EXPECT_TRUE(again.result.out == first.result.out) << "two runs draw the same frames";
}
