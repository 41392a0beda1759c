// A long run of the demonstration scene with a fixed time step of 1/30 s: the
// whole camera flight and ten simulated minutes past its end. Every frame
// advances the flight and the assets; one frame in `renderEvery` is also
// rendered in full (all passes, the swap), which keeps the run short on a
// software renderer. Over the run the process must not grow (resident memory
// and live heap, sampled after a warm-up), must not create GL objects, and the
// flight must end at rest where its rules put the eye.
#include "app/AppState.h"
#include "app/FrameLoop.h"
#include "app/GLObject.h"
#include "app/SceneSetup.h"
#include "app/Shutdown.h"
#include "camera/CameraState.h"
#include "readback/ProcessMemory.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime (declared here: GCC installs no header for it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

constexpr double frameStep = 1.0 / 30.0;
constexpr int renderEvery = 250;
// The flight's nominal length (pauses 3 x 10 s, glides 27.5 + 32.5 + 20 s)
// with a margin for the frames that end each stage, then ten minutes at rest.
constexpr double flightSeconds = 112.0;
constexpr double restSeconds = 600.0;

// Bytes of heap in use by the program: the sanitizer's count of live blocks
// (freed blocks wait in its quarantine, which resident memory would show),
// or the C library's.
size_t liveHeapBytes()
{
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

// One fresh name of each kind, owned (and so kept) for as long as the probe
// lives. Mesa hands out names in increasing order, so a second probe taken
// later is the first one's successor unless something else took names in
// between; an allocator that reuses freed names would give a smaller one.
struct Probe {
    GLObject<GLBufferKind> buffer = GLObject<GLBufferKind>::generate();
    GLObject<GLTextureKind> texture = GLObject<GLTextureKind>::generate();
    GLObject<GLVertexArrayKind> vertexArray = GLObject<GLVertexArrayKind>::generate();
    GLObject<GLFramebufferKind> framebuffer = GLObject<GLFramebufferKind>::generate();
};

TEST(Soak, TwelveMinutesOfFramesKeepMemoryAndGLObjectsFlatAndTheFlightEndsAtRest)
{
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(KOV_SOURCE_DIR);
    setupScene();
    std::filesystem::current_path(previous);
    ASSERT_EQ(assets.size(), 7u);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);

    resetCameraFlight();
    const glm::vec3 startEye = getCameraPosition();
    const glm::vec3 startFocus = getCameraFocus();

    const int flightFrames = static_cast<int>(std::ceil(flightSeconds / frameStep));
    const int totalFrames = flightFrames + static_cast<int>(std::ceil(restSeconds / frameStep));
    const int warmUpFrames = 10 * renderEvery;

    std::optional<Probe> namesAfterWarmUp;
    // Sampled at every rendered frame after the warm-up.
    std::vector<long> rss;
    std::vector<size_t> heap;
    int renderedFrames = 0;
    int restFrame = -1;
    glm::vec3 eyeAtRest(0.0f);

    for (int frame = 1; frame <= totalFrames; ++frame) {
        if (frame % renderEvery == 0) {
            renderFrame(frameStep);
            ++renderedFrames;
        } else {
            updateCameraFlight(frameStep);
            updateScene(frameStep);
        }
        if (restFrame < 0 && getFlightState() == flightAtRest) {
            restFrame = frame;
            eyeAtRest = getCameraPosition();
        }
        if (frame == warmUpFrames) {
            glFinish();
            namesAfterWarmUp.emplace();
        }
        if (frame >= warmUpFrames && frame % renderEvery == 0) {
            rss.push_back(statusKiB("VmRSS"));
            heap.push_back(liveHeapBytes());
        }
    }
    glFinish();
    const Probe namesAtEnd;

    // The floor of each measure over the first and the last quarter of the
    // samples, half a run apart. The driver allocates and frees large blocks
    // from frame to frame (a sample may catch one or not), which moves single
    // samples by megabytes; a leak raises the floor.
    ASSERT_GE(rss.size(), 8u);
    const size_t quarter = rss.size() / 4;
    const long rssEarly = *std::min_element(rss.begin(), rss.begin() + quarter);
    const long rssLate = *std::min_element(rss.end() - quarter, rss.end());
    const size_t heapEarly = *std::min_element(heap.begin(), heap.begin() + quarter);
    const size_t heapLate = *std::min_element(heap.end() - quarter, heap.end());
    std::printf("soak: %d frames (%.0f s simulated), %d rendered; floor of resident memory %ld kB early, %ld kB "
                "late "
                "(highest %ld kB); floor of live heap %zu bytes early, %zu late (highest %zu)\n",
                totalFrames, totalFrames * frameStep, renderedFrames, rssEarly, rssLate,
                *std::max_element(rss.begin(), rss.end()), heapEarly, heapLate,
                *std::max_element(heap.begin(), heap.end()));

    // No GL object was created after the warm-up and left behind.
    ASSERT_TRUE(namesAfterWarmUp.has_value());
    EXPECT_LE(namesAtEnd.buffer.id(), namesAfterWarmUp->buffer.id() + 1);
    EXPECT_LE(namesAtEnd.texture.id(), namesAfterWarmUp->texture.id() + 1);
    EXPECT_LE(namesAtEnd.vertexArray.id(), namesAfterWarmUp->vertexArray.id() + 1);
    EXPECT_LE(namesAtEnd.framebuffer.id(), namesAfterWarmUp->framebuffer.id() + 1);
    ASSERT_NE(rssEarly, -1) << "no VmRSS in /proc/self/status";
    // The early and late quarters lie some 9000 frames apart: a leak of 250
    // bytes a frame, or of 60 kB a rendered frame, would lift the heap's
    // floor by 2 MB. (The driver's pools have been seen to settle about 1 MB
    // higher once in such a run.)
    EXPECT_LT(static_cast<long long>(heapLate) - static_cast<long long>(heapEarly), 2 << 20)
        << "the live heap grew while frames ran";
#if !defined(__SANITIZE_ADDRESS__)
    // Under AddressSanitizer freed memory waits in a quarantine of up to
    // 256 MB, which resident memory includes; there the live heap decides.
    EXPECT_LT(rssLate - rssEarly, 8 * 1024) << "resident memory grew while frames ran";
#endif

    // The flight ends at rest within its nominal 110 s plus one frame per
    // stage, and stays there.
    ASSERT_GT(restFrame, 0) << "the flight never came to rest";
    EXPECT_LE(restFrame * frameStep, 110.0 + 8 * frameStep);
    EXPECT_GE(restFrame * frameStep, 110.0 - 2 * frameStep);
    EXPECT_EQ(getFlightState(), flightAtRest);
    const glm::vec3 eye = getCameraPosition();
    EXPECT_EQ(eye, eyeAtRest) << "the eye moved after the flight came to rest";

    // Where the rules put the eye: the three glides carry it 5.5 + 6.5 + 2
    // units along -z, each overshooting by less than one step, and the middle
    // glide rises by 1 % of its length. Eye and focus move together.
    const float overshoot = static_cast<float>(0.2 * frameStep);
    EXPECT_NEAR(eye.x, startEye.x, 1e-6f);
    EXPECT_LE(eye.z, startEye.z - 14.0f + 1e-3f);
    EXPECT_GE(eye.z, startEye.z - 14.0f - 3.0f * overshoot - 1e-3f);
    EXPECT_NEAR(eye.y, startEye.y + 0.065f, 0.01f * overshoot + 1e-4f);
    const glm::vec3 focusOffset = getCameraFocus() - eye;
    const glm::vec3 startOffset = startFocus - startEye;
    EXPECT_NEAR(focusOffset.x, startOffset.x, 1e-3f);
    EXPECT_NEAR(focusOffset.y, startOffset.y, 1e-3f);
    EXPECT_NEAR(focusOffset.z, startOffset.z, 1e-3f);

    cleanup();
}

} // namespace
