// The recording tool (tools/recorder) as a real process: four frames at 4 a
// second from 10 s, so that the flight leaves its first pause (at 10.25 s)
// inside the recording. Every frame is at its scene time, its list line
// names the bytes written, and two runs draw the same frames. Then the
// failures the recording script relies on, and the script itself.
#include "camera/CameraState.h"
#include "support/Process.h"
#include "support/Scratch.h"
#include <gtest/gtest.h>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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
    for (const std::string& line : splitLines(readFile(listPath))) {
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
    const ScratchDirectory lists; // each run writes a list of its own, into a folder that starts empty
    const Recording first = record(lists.file("first.tsv"));
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

    const Recording again = record(lists.file("again.tsv"));
    ASSERT_EQ(again.result.exitCode, 0) << again.result.err;
    EXPECT_TRUE(again.result.out == first.result.out) << "two runs draw the same frames";
    EXPECT_EQ(again.rows, first.rows) << "and list them alike";
}

// What the recording script's pipeline relies on: a reader that stops ends
// the tool with status 1 and a message, and a wrong command line with
// status 2 before anything is drawn.
TEST(Recorder, AStoppedReaderAndAWrongCommandLineFail)
{
    ProcessOptions options;
    options.workingDirectory = KOV_SOURCE_DIR;
    const ProcessResult stopped = runProcess(
        {"/bin/bash", "-c", "set -o pipefail; \"$0\" --start 10 --frames 3 | head -c 100 >/dev/null", KOV_RECORDER},
        options);
    ASSERT_TRUE(stopped.exited) << stopped.err;
    EXPECT_EQ(stopped.exitCode, 1) << stopped.err;
    EXPECT_NE(stopped.err.find("kov_record: the frames' reader stopped at frame 0"), std::string::npos)
        << stopped.err;

    for (const std::vector<std::string>& wrong : {std::vector<std::string>{"--fps", "0"}, {"--frames"},
                                                  {"--start", "ten"}, {"--colour", "red"}}) {
        std::vector<std::string> argv = {KOV_RECORDER};
        argv.insert(argv.end(), wrong.begin(), wrong.end());
        const ProcessResult result = runProcess(argv, options);
        ASSERT_TRUE(result.exited) << wrong[0];
        EXPECT_EQ(result.exitCode, 2) << wrong[0];
        EXPECT_EQ(result.err.rfind("usage: kov_record", 0), 0u) << result.err;
        EXPECT_EQ(result.out, "") << wrong[0];
    }
}

namespace {
// scripts/record.sh on the recorder under test, into `out`.
ProcessResult runRecordScript(const std::string& out, const std::string& path)
{
    ProcessOptions options;
    options.workingDirectory = KOV_SOURCE_DIR;
    options.timeoutSeconds = 400.0;
    options.environment["KOV_RECORDER"] = KOV_RECORDER;
    options.environment["PATH"] = path;
    return runProcess({"scripts/record.sh", "--out", out, "--fps", "4", "--start", "10", "--end", "11"}, options);
}

// What a command prints, its lines' surrounding spaces and empty lines left out.
std::vector<std::string> outputLines(const std::string& command)
{
    std::vector<std::string> lines;
    for (std::string line : splitLines(shellOutput(command))) {
        line.erase(line.find_last_not_of(" ,\r") + 1);
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}
} // namespace

// The script's four files from five frames (10 to 11 s at 4 a second): the
// video at full size with the frames at their times, the animated image with
// every fourth frame, smaller, as many a second, the contact sheet four tiles
// wide, and the list. A step that fails leaves none of them behind.
TEST(RecordScript, EncodesTheFourFilesOrLeavesNone)
{
    const ScratchDirectory out;
    const std::string path = std::getenv("PATH");
    const ProcessResult made = runRecordScript(out.path(), path);
    ASSERT_TRUE(made.exited && made.exitCode == 0) << made.out << made.err;

    const std::string video = "'" + out.file("kov-flight.mp4") + "'";
    EXPECT_EQ(outputLines("ffprobe -v error -select_streams v:0 -show_entries stream=codec_name,width,height,"
                          "r_frame_rate -of default=nw=1 " +
                          video),
              (std::vector<std::string>{"codec_name=h264", "width=1024", "height=768", "r_frame_rate=4/1"}));
    EXPECT_EQ(outputLines("ffprobe -v error -select_streams v:0 -show_entries frame=pts_time -of csv=p=0 " + video),
              (std::vector<std::string>{"0.000000", "0.250000", "0.500000", "0.750000", "1.000000"}));
    // Frames 0 and 4, shown 1/4 s each (the delay is in hundredths).
    EXPECT_EQ(outputLines("identify -format '%w %h %T\n' '" + out.file("kov-flight.webp") + "'"),
              (std::vector<std::string>{"640 480 25", "640 480 25"}));
    // Five tiles of 256 x 192, each with its label under it and 4 pixels
    // around: one row of four and one of one.
    const std::vector<std::string> sheet =
        outputLines("identify -format '%m %w %h\n' '" + out.file("kov-flight-sheet.png") + "'");
    ASSERT_EQ(sheet.size(), 1u);
    int sheetWidth = 0;
    int sheetHeight = 0;
    ASSERT_EQ(std::sscanf(sheet[0].c_str(), "PNG %d %d", &sheetWidth, &sheetHeight), 2) << sheet[0];
    EXPECT_EQ(sheetWidth, 4 * (256 + 8));
    EXPECT_EQ(sheetHeight % 2, 0);
    EXPECT_GT(sheetHeight / 2, 192 + 8 + 10) << "a row holds a tile and its label";
    EXPECT_LT(sheetHeight / 2, 192 + 8 + 40);
    EXPECT_EQ(splitLines(readFile(out.file("kov-flight-frames.tsv"))).size(), 5u);

    // The last step fails: a montage that cannot draw.
    const ScratchDirectory failing;
    failing.write("bin/montage", "#!/bin/sh\necho 'montage: cannot draw' >&2\nexit 1\n");
    ASSERT_EQ(std::system(("chmod +x '" + failing.file("bin/montage") + "'").c_str()), 0);
    const ProcessResult failed = runRecordScript(failing.file("out"), failing.file("bin") + ":" + path);
    ASSERT_TRUE(failed.exited);
    EXPECT_NE(failed.exitCode, 0);
    ASSERT_NE(failed.err.find("montage: cannot draw"), std::string::npos) << "the run got to the sheet\n" << failed.err;
    EXPECT_EQ(shellOutput("ls -A '" + failing.file("out") + "'"), "") << "nothing left behind, scratch included";
}
