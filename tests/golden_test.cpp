// The demonstration scene against reference images, at four moments of its
// run: the start, half-way through the first glide, half-way through the
// second, and at rest after the flight. Time is advanced in fixed steps of
// 1/8 s (the flight and every spin and drift depend only on the accumulated
// time steps); only the frame of each moment is drawn, every step before it
// runs the same camera-flight and scene updates as a frame does.
//
// Frames are read at 1024 x 768 and reduced to 256 x 192 by averaging 4 x 4
// blocks, which keeps the references small and evens out antialiased edges.
// The references live in tests/golden/; scripts/update-golden.sh (or this test
// with KOV_UPDATE_GOLDEN=1) writes them anew from the current build.
#include "app/FrameLoop.h"
#include "camera/CameraState.h"
#include "readback/FrameReadback.h"
#include "support/CapturedStdout.h"
#include "support/FreshScene.h"
#include "support/GLReadback.h"
#include "support/Scratch.h"

#include <FreeImage.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

const int frameWidth = 1024;
const int frameHeight = 768;
const int reduction = 4;
const double timeStep = 0.125;

// Largest difference of one channel of one reduced pixel. A reduced pixel
// averages 16 samples, so a silhouette that lands one pixel elsewhere (another
// llvmpipe or LLVM version rounds a vertex or resolves the 4x antialiasing
// differently) moves it by up to a quarter of the contrast across the edge;
// lit surfaces against the black background reach about 200, hence 64.
const int maxChannelDifference = 64;
// Mean difference over every channel of every pixel. Differences in shader
// arithmetic between driver versions (pow, exp, division) shift smooth
// shading by a level or two; moved edges touch few pixels. A missing or extra
// shadow, a wrong pose or a wrong camera position changes whole regions and
// lands far above this.
const double meanChannelDifference = 1.0;

std::string goldenPath(const std::string& name)
{
    return std::string(KOV_SOURCE_DIR) + "/tests/golden/" + name + ".png";
}

bool updating()
{
    const char* update = std::getenv("KOV_UPDATE_GOLDEN");
    return update != nullptr && std::string(update) == "1";
}

RgbImage reduce(const RgbImage& full)
{
    RgbImage small;
    small.width = full.width / reduction;
    small.height = full.height / reduction;
    small.pixels.resize(static_cast<size_t>(small.width) * small.height * 3);
    for (int y = 0; y < small.height; ++y) {
        for (int x = 0; x < small.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < reduction; ++dy) {
                    for (int dx = 0; dx < reduction; ++dx) {
                        sum += full.at(x * reduction + dx, y * reduction + dy)[c];
                    }
                }
                const int count = reduction * reduction;
                small.pixels[(static_cast<size_t>(y) * small.width + x) * 3 + c] =
                    static_cast<uint8_t>((sum + count / 2) / count);
            }
        }
    }
    return small;
}

struct Difference {
    int maximum = 0;
    double mean = 0.0;
};

Difference compare(const RgbImage& a, const RgbImage& b)
{
    Difference difference;
    long total = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        const int d = std::abs(int(a.pixels[i]) - int(b.pixels[i]));
        difference.maximum = std::max(difference.maximum, d);
        total += d;
    }
    difference.mean = a.pixels.empty() ? 0.0 : double(total) / double(a.pixels.size());
    return difference;
}

long stepsTaken = 0;

class Golden : public ::testing::Test {
protected:
    // Each moment is flown to from the start, in a scene of its own.
    void SetUp() override
    {
        ASSERT_EQ(chdir(KOV_SOURCE_DIR), 0);
        stdoutOf(setUpFreshScene); // the loaders echo every source
        ASSERT_NO_FATAL_FAILURE(expectTheDriverAskedFor());
        stepsTaken = 0;
        glViewport(0, 0, frameWidth, frameHeight);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    }

    // CTest also runs these frames on Mesa's softpipe, which offers OpenGL 3.3
    // core and nothing past it (llvmpipe offers 4.5); there the context must
    // be softpipe's (KOV_EXPECTED_RENDERER) and of that version
    // (KOV_EXPECTED_GL_VERSION), or the run would prove nothing.
    static void expectTheDriverAskedFor()
    {
        const std::string renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        const std::string version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
        if (const char* expected = std::getenv("KOV_EXPECTED_RENDERER")) {
            ASSERT_NE(renderer.find(expected), std::string::npos) << renderer;
        }
        if (const char* expected = std::getenv("KOV_EXPECTED_GL_VERSION")) {
            ASSERT_EQ(version.rfind(std::string(expected) + " ", 0), 0u) << version;
        }
    }

    // Advances to `seconds` of accumulated time (a test's moments come in
    // increasing order) and draws the frame that ends there.
    static RgbImage frameAt(double seconds, bool withoutVolumes = false)
    {
        const long target = std::lround(seconds / timeStep);
        EXPECT_GE(target, stepsTaken) << "moments must come in increasing order";
        double dt = 0.0;
        if (target > stepsTaken) {
            while (stepsTaken < target - 1) {
                updateCameraFlight(timeStep);
                updateScene(timeStep);
                ++stepsTaken;
            }
            dt = timeStep;
            ++stepsTaken;
        }
        FinishedFrame capture(frameWidth, frameHeight, withoutVolumes);
        setPassObserver(&capture);
        renderFrame(dt);
        setPassObserver(nullptr);
        return finishedImage(capture);
    }

    static void checkAgainstReference(const std::string& name, const RgbImage& frame)
    {
        ASSERT_EQ(frame.width, frameWidth) << "the frame was not captured";
        const RgbImage reduced = reduce(frame);
        if (updating()) {
            std::filesystem::create_directories(std::filesystem::path(goldenPath(name)).parent_path());
            ASSERT_TRUE(savePng(goldenPath(name), reduced)) << goldenPath(name);
            std::printf("wrote %s\n", goldenPath(name).c_str());
            return;
        }
        const RgbImage reference = readPng(goldenPath(name), RowOrder::BottomFirst);
        ASSERT_EQ(reference.width, reduced.width)
            << "no usable reference " << goldenPath(name) << " (scripts/update-golden.sh writes it)";
        ASSERT_EQ(reference.height, reduced.height);
        const Difference difference = compare(reduced, reference);
        const std::string actual = keptTestOutput(name + ".png");
        const bool matches =
            difference.maximum <= maxChannelDifference && difference.mean <= meanChannelDifference;
        if (!matches) {
            savePng(actual, reduced);
        }
        EXPECT_LE(difference.maximum, maxChannelDifference) << name << ": this render is in " << actual;
        EXPECT_LE(difference.mean, meanChannelDifference) << name << ": this render is in " << actual;
        RecordProperty("max_difference", difference.maximum);
        RecordProperty("mean_difference_x1000", static_cast<int>(difference.mean * 1000.0));
        std::printf("%s: max difference %d, mean difference %.4f\n", name.c_str(), difference.maximum,
                    difference.mean);
    }
};

} // namespace

TEST_F(Golden, AtTheStart)
{
    ASSERT_NO_FATAL_FAILURE(checkAgainstReference("scene-000s", frameAt(0.0)));
}

// The thresholds can tell: the same moment drawn without the shadow volumes
// is rejected by them.
TEST_F(Golden, AFrameWithoutShadowsDoesNotPass)
{
    if (updating()) {
        GTEST_SKIP() << "writing references";
    }
    const RgbImage reference = readPng(goldenPath("scene-000s"), RowOrder::BottomFirst);
    ASSERT_EQ(reference.width, frameWidth / reduction) << "no usable reference";
    const Difference difference = compare(reduce(frameAt(0.0, true)), reference);
    std::printf("without shadows: max difference %d, mean difference %.4f\n", difference.maximum, difference.mean);
    EXPECT_TRUE(difference.maximum > maxChannelDifference || difference.mean > meanChannelDifference)
        << "max " << difference.maximum << ", mean " << difference.mean;
}

TEST_F(Golden, HalfWayThroughTheFirstGlide)
{
    ASSERT_NO_FATAL_FAILURE(checkAgainstReference("scene-020s", frameAt(20.0)));
}

TEST_F(Golden, HalfWayThroughTheSecondGlide)
{
    ASSERT_NO_FATAL_FAILURE(checkAgainstReference("scene-060s", frameAt(60.0)));
}

TEST_F(Golden, AtRestAfterTheFlight)
{
    const RgbImage frame = frameAt(115.0);
    EXPECT_EQ(getFlightState(), flightAtRest) << "the flight should be over by now";
    ASSERT_NO_FATAL_FAILURE(checkAgainstReference("scene-115s", frame));
}
