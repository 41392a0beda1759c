// The recording tool (tools/recorder) as a real process: a short recording's
// frames and time stamps in every output, two runs drawing the same frames,
// the contact sheet's layout, and a missing or failing encoder.
//
// The short recording: 4 frames a second of scene time from 10 s, four
// frames, so that the flight leaves its first pause (at 10.25 s) and starts
// gliding inside it; three of them go on a contact sheet two tiles wide, and
// every second one into the animated image.
#include "camera/CameraState.h"
#include "support/GLReadback.h"
#include "support/Process.h"
#include "support/Scratch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;

namespace {

const int fps = 4;
const double start = 10.0;
const int frames = 4;
const int sheetColumns = 2;
// The frames the contact sheet shows: spread evenly from the first to the
// last, rounded to the nearest (half away from zero).
const std::vector<int> sheetPicks = {0, 2, 3};
const int width = 1024;
const int height = 768;

std::vector<std::string> recordCommand(const std::string& out, const std::string& dumps)
{
    return {KOV_RECORDER,   "--out",        out,
            "--fps",        std::to_string(fps),
            "--start",      "10",
            "--frames",     std::to_string(frames),
            "--sheet",      std::to_string(sheetPicks.size()),
            "--sheet-columns", std::to_string(sheetColumns),
            "--anim-every", "2",
            "--dump-frames", dumps};
}

ProcessResult record(const std::vector<std::string>& argv, std::map<std::string, std::optional<std::string>> env = {})
{
    ProcessOptions options;
    options.workingDirectory = KOV_SOURCE_DIR;
    options.timeoutSeconds = 400.0;
    options.environment = std::move(env);
    return runProcess(argv, options);
}

std::string shell(const std::string& command)
{
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr) {
            output += buffer;
        }
        pclose(pipe);
    }
    return output;
}

std::set<std::string> filesIn(const std::string& directory)
{
    std::set<std::string> names;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(directory, ignored)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

struct ManifestRow {
    int frame = -1;
    std::string time;
    int state = -1;
    std::string eyeY;
    std::string eyeZ;
    std::string hash;
};

std::vector<ManifestRow> readManifest(const std::string& path)
{
    std::vector<ManifestRow> rows;
    std::istringstream text(readFile(path));
    std::string line;
    while (std::getline(text, line)) {
        if (line.empty() || line[0] == '#' || line.rfind("frame\t", 0) == 0) {
            continue;
        }
        std::istringstream fields(line);
        ManifestRow row;
        fields >> row.frame >> row.time >> row.state >> row.eyeY >> row.eyeZ >> row.hash;
        rows.push_back(row);
    }
    return rows;
}

std::string formatted(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

uint64_t fnv1a64(const std::string& bytes)
{
    uint64_t hash = 14695981039346656037ull;
    for (const char byte : bytes) {
        hash = (hash ^ static_cast<uint8_t>(byte)) * 1099511628211ull;
    }
    return hash;
}

// The pixels of a PPM the tool dumped (its header is "P6\n1024 768\n255\n").
std::string ppmPixels(const std::string& path)
{
    const std::string file = readFile(path);
    const std::string header = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    if (file.rfind(header, 0) != 0) {
        return std::string();
    }
    return file.substr(header.size());
}

std::string dumpName(int frame)
{
    char name[32];
    std::snprintf(name, sizeof(name), "frame-%05d.ppm", frame);
    return name;
}

// A frame (top row first) reduced to a quarter of its size by the mean of
// each 4 x 4 block.
RgbImage quarter(const std::string& pixels)
{
    RgbImage small;
    small.width = width / 4;
    small.height = height / 4;
    small.pixels.resize(static_cast<size_t>(small.width) * small.height * 3);
    for (int y = 0; y < small.height; ++y) {
        for (int x = 0; x < small.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < 4; ++dy) {
                    for (int dx = 0; dx < 4; ++dx) {
                        sum += static_cast<uint8_t>(pixels[(static_cast<size_t>(y * 4 + dy) * width + x * 4 + dx) * 3 + c]);
                    }
                }
                small.pixels[(static_cast<size_t>(y) * small.width + x) * 3 + c] = static_cast<uint8_t>((sum + 8) / 16);
            }
        }
    }
    return small;
}

void expectRecorded(const ProcessResult& result)
{
    ASSERT_FALSE(result.timedOut);
    ASSERT_TRUE(result.exited) << result.err;
    ASSERT_EQ(result.exitCode, 0) << result.err;
}

// The manifest: one row a frame, at 10 s + k/4 s, with the flight state and
// the eye that a replay of the flight with the same steps gives, and the
// checksum of the frame that was read back (dumped beside).
void checkManifest(const std::string& out, const ScratchDirectory& dumps)
{
    const std::vector<ManifestRow> rows = readManifest(out + "/kov-flight-frames.tsv");
    ASSERT_EQ(rows.size(), static_cast<size_t>(frames));
    resetCameraFlight();
    setCameraPosition(glm::vec3(0.0f, 0.6f, 2.0f));
    setCameraFocus(glm::vec3(0.0f, 0.2f, -2.0f));
    const long firstStep = std::lround(start * fps);
    for (long step = 1; step < firstStep; ++step) {
        updateCameraFlight(1.0 / fps);
    }
    std::set<std::string> hashes;
    for (int k = 0; k < frames; ++k) {
        updateCameraFlight(1.0 / fps);
        EXPECT_EQ(rows[k].frame, k);
        EXPECT_EQ(rows[k].time, formatted("%.3f", start + k * 0.25)) << "frame " << k;
        EXPECT_EQ(rows[k].state, getFlightState()) << "frame " << k;
        EXPECT_EQ(rows[k].eyeY, formatted("%.6f", getCameraPosition().y)) << "frame " << k;
        EXPECT_EQ(rows[k].eyeZ, formatted("%.6f", getCameraPosition().z)) << "frame " << k;
        hashes.insert(rows[k].hash);

        const std::string pixels = ppmPixels(dumps.file(dumpName(k)));
        ASSERT_EQ(pixels.size(), static_cast<size_t>(width) * height * 3) << "frame " << k;
        char hash[17];
        std::snprintf(hash, sizeof(hash), "%016llx", static_cast<unsigned long long>(fnv1a64(pixels)));
        EXPECT_EQ(rows[k].hash, hash) << "frame " << k;
        // A lit scene, not a black or blank read.
        long bright = 0;
        for (size_t i = 0; i < pixels.size(); i += 3) {
            bright += static_cast<uint8_t>(pixels[i + 1]) > 40 ? 1 : 0;
        }
        EXPECT_GT(bright, width * height / 20) << "frame " << k;
    }
    EXPECT_EQ(rows[0].state, 0);
    EXPECT_EQ(rows[frames - 1].state, 1) << "the recording spans the start of the first glide";
    EXPECT_NE(rows[frames - 1].eyeZ, rows[0].eyeZ) << "the camera has moved";
    EXPECT_EQ(hashes.size(), static_cast<size_t>(frames)) << "the crates spin: every frame differs";
}

// The video: every frame at 1024 x 768, time stamps k/4 s. The animated
// image: every second frame (0 and 2) at 640 x 480, each shown 1/4 s
// (25 hundredths): twice as fast as the scene.
void checkVideoAndAnimatedImage(const std::string& out)
{
    const std::string video = out + "/kov-flight.mp4";
    EXPECT_EQ(shell("ffprobe -v error -select_streams v:0 -show_entries stream=codec_name,width,height -of csv=p=0 '" +
                    video + "'"),
              "h264,1024,768\n");
    std::istringstream stamps(
        shell("ffprobe -v error -select_streams v:0 -show_entries frame=pts_time -of csv=p=0 '" + video + "'"));
    std::vector<double> times;
    std::string stamp;
    while (std::getline(stamps, stamp)) {
        if (stamp.empty()) {
            continue; // the line of a frame's side data
        }
        times.push_back(std::atof(stamp.c_str()));
    }
    ASSERT_EQ(times.size(), static_cast<size_t>(frames));
    for (int k = 0; k < frames; ++k) {
        EXPECT_NEAR(times[k], k * 0.25, 1e-6) << "frame " << k;
    }
    EXPECT_EQ(shell("identify -format '%W %H %T\\n' '" + out + "/kov-flight.webp'"), "640 480 25\n640 480 25\n");
}

// The contact sheet: tiles of 256 x 192 with 4 pixels of border round each,
// two to a row; each picture is its frame scaled to a quarter (the mean of
// 4 x 4 pixels), in order of time, with a label under it; the cell left
// over is empty.
void checkContactSheet(const std::string& out, const ScratchDirectory& dumps)
{
    const RgbImage sheet = readPng(out + "/kov-flight-sheet.png", RowOrder::TopFirst);
    const int rows = 2;
    const int pitchX = 256 + 8;
    ASSERT_EQ(sheet.width, sheetColumns * pitchX);
    ASSERT_EQ(sheet.height % rows, 0);
    const int pitchY = sheet.height / rows;
    ASSERT_GT(pitchY, 192 + 8 + 8) << "room for a label under each picture";
    const uint8_t background[3] = {0x20, 0x20, 0x20};

    for (int cell = 0; cell < sheetColumns * rows; ++cell) {
        const int left = (cell % sheetColumns) * pitchX + 4;
        const int top = (cell / sheetColumns) * pitchY + 4;
        long ink = 0;
        for (int y = top + 192; y < (cell / sheetColumns + 1) * pitchY; ++y) {
            for (int x = left; x < left + 256; ++x) {
                ink += sheet.at(x, y)[0] > 0x80 ? 1 : 0;
            }
        }
        if (cell >= static_cast<int>(sheetPicks.size())) {
            long other = 0;
            for (int y = top; y < top + 192; ++y) {
                for (int x = left; x < left + 256; ++x) {
                    other += std::memcmp(sheet.at(x, y), background, 3) != 0 ? 1 : 0;
                }
            }
            EXPECT_EQ(other + ink, 0) << "cell " << cell << " should be empty";
            continue;
        }
        const RgbImage expected = quarter(ppmPixels(dumps.file(dumpName(sheetPicks[cell]))));
        int worst = 0;
        for (int y = 0; y < 192; ++y) {
            for (int x = 0; x < 256; ++x) {
                for (int c = 0; c < 3; ++c) {
                    worst = std::max(worst, std::abs(int(sheet.at(left + x, top + y)[c]) - int(expected.at(x, y)[c])));
                }
            }
        }
        EXPECT_LE(worst, 2) << "cell " << cell << " is not frame " << sheetPicks[cell];
        EXPECT_GT(ink, 100) << "cell " << cell << " has no label under it";
    }
}

} // namespace

TEST(Recorder, ShortRecordingHasEveryFrameAtItsSceneTimeAndTwoRunsAgree)
{
    ScratchDirectory out;
    ScratchDirectory dumps;
    const ProcessResult first = record(recordCommand(out.path(), dumps.path()));
    ASSERT_NO_FATAL_FAILURE(expectRecorded(first));

    // The four outputs, and nothing half-written or scratch beside them.
    EXPECT_EQ(filesIn(out.path()), (std::set<std::string>{"kov-flight.mp4", "kov-flight.webp",
                                                          "kov-flight-sheet.png", "kov-flight-frames.tsv"}));
    // Progress: frames done and total, time left.
    EXPECT_NE(first.err.find("frame 4/4 (100%)"), std::string::npos) << first.err;
    EXPECT_NE(first.err.find("left"), std::string::npos);

    ASSERT_NO_FATAL_FAILURE(checkManifest(out.path(), dumps));
    ASSERT_NO_FATAL_FAILURE(checkVideoAndAnimatedImage(out.path()));
    ASSERT_NO_FATAL_FAILURE(checkContactSheet(out.path(), dumps));

    // A second run draws the very same frames.
    ScratchDirectory again;
    ScratchDirectory againDumps;
    ASSERT_NO_FATAL_FAILURE(expectRecorded(record(recordCommand(again.path(), againDumps.path()))));
    const std::string manifest = readFile(out.file("kov-flight-frames.tsv"));
    EXPECT_FALSE(manifest.empty());
    EXPECT_EQ(readFile(again.file("kov-flight-frames.tsv")), manifest);
    for (int k = 0; k < frames; ++k) {
        const std::string a = readFile(dumps.file(dumpName(k)));
        EXPECT_FALSE(a.empty());
        EXPECT_TRUE(readFile(againDumps.file(dumpName(k))) == a) << "frame " << k << " differs between two runs";
    }
    EXPECT_TRUE(readFile(again.file("kov-flight-sheet.png")) == readFile(out.file("kov-flight-sheet.png")));
}

TEST(Recorder, MissingEncoderIsReportedBeforeAnythingIsWritten)
{
    // Named by path, and looked for on a PATH without it (montage is there).
    ScratchDirectory bin;
    ASSERT_EQ(symlink("/usr/bin/montage", bin.file("montage").c_str()), 0);
    ScratchDirectory out;
    const std::string target = out.file("take");
    for (const auto& [argv, env, message] :
         std::vector<std::tuple<std::vector<std::string>, std::map<std::string, std::optional<std::string>>,
                                std::string>>{
             {{KOV_RECORDER, "--out", target, "--frames", "2", "--ffmpeg", "/nonexistent/ffmpeg"},
              {},
              "the encoder '/nonexistent/ffmpeg' was not found"},
             {{KOV_RECORDER, "--out", target, "--frames", "2"},
              {{"PATH", bin.path()}},
              "the encoder 'ffmpeg' was not found on PATH"}}) {
        const ProcessResult result = record(argv, env);
        ASSERT_TRUE(result.exited) << result.err;
        EXPECT_EQ(result.exitCode, 1) << result.err;
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("ffmpeg package"), std::string::npos) << result.err;
        EXPECT_FALSE(fs::exists(target)) << "nothing is made when the encoder is missing";
    }
}

TEST(Recorder, FailingEncoderLeavesNothingUnderTheOutputNames)
{
    // An encoder that writes a little into each of its outputs and fails.
    ScratchDirectory bin;
    bin.write("ffmpeg", "#!/bin/sh\n"
                        "head -c 1000 >/dev/null\n"
                        "for a in \"$@\"; do case \"$a\" in *.part) echo half > \"$a\";; esac; done\n"
                        "echo 'encoder: broken on purpose' >&2\n"
                        "exit 3\n");
    ASSERT_EQ(chmod(bin.file("ffmpeg").c_str(), 0755), 0);
    ScratchDirectory out;
    const ProcessResult result =
        record({KOV_RECORDER, "--out", out.path(), "--fps", "4", "--frames", "2", "--ffmpeg", bin.file("ffmpeg")});
    ASSERT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_NE(result.err.find("broken on purpose"), std::string::npos) << "the encoder's own message is shown";
    EXPECT_NE(result.err.find("exit status 3"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("nothing written"), std::string::npos) << result.err;
    EXPECT_TRUE(filesIn(out.path()).empty()) << "left behind: " << *filesIn(out.path()).begin();
}
