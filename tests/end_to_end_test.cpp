// The real binary, run from a scratch copy of the scene: its whole console
// transcript from start to exit, ended by the keyboard or by the window's
// close button, on X11 and on a Wayland compositor, and the fatal exit when a
// program does not link.
#include "app/GLSL.h"
#include "support/GLReadback.h"
#include "support/Process.h"
#include "support/Scratch.h"
#include "support/Transcript.h"
#include "support/ViewerSession.h"

#include <GLFW/glfw3.h>
#include <assimp/version.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// GLFW 3.4 chooses its platform (Wayland or X11) at run time.
#define GLFW_CHOOSES_PLATFORM (GLFW_VERSION_MAJOR > 3 || GLFW_VERSION_MINOR >= 4)

namespace {

const std::vector<std::string> modelFiles = {
    "models/Lion.obj", "models/Lion2.obj", "models/box.obj",       "models/box2.obj",
    "models/box3.obj", "models/cow2.obj",  "models/spaceship.obj",
};

std::string echoOfAllStages(const ScratchScene& scene)
{
    std::string text;
    for (const std::string& file : stageFiles) {
        text += echoOf(scene, file);
    }
    return text;
}

void expectCleanNormalExit(const ViewerSession& run)
{
    EXPECT_FALSE(run.windowId.empty()) << "the program's window never appeared";
    ASSERT_FALSE(run.result.timedOut) << "the frame loop did not end";
    ASSERT_TRUE(run.result.exited) << "ended by signal " << run.result.signal;
    EXPECT_EQ(run.result.exitCode, 0);
    EXPECT_EQ(run.result.err, "");
}

std::vector<std::string> linesStartingWith(const std::string& text, const std::string& prefix)
{
    std::vector<std::string> found;
    for (const std::string& line : splitLines(text)) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            found.push_back(line);
        }
    }
    return found;
}

#if GLFW_CHOOSES_PLATFORM
// The full path of a program on PATH ("" when there is none).
std::string programPath(const std::string& name)
{
    std::string path = shellOutput("command -v " + name + " 2>/dev/null");
    while (!path.empty() && path.back() == '\n') {
        path.pop_back();
    }
    return path;
}

// The name of the Wayland socket a compositor made in `runtimeDirectory`,
// waiting up to `timeoutSeconds` for it ("" when none appears).
std::string waitForWaylandSocket(const std::string& runtimeDirectory, pid_t compositor, double timeoutSeconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    const std::string prefix = "wayland-";
    while (std::chrono::steady_clock::now() < deadline && !processGone(compositor)) {
        for (const auto& entry : std::filesystem::directory_iterator(runtimeDirectory)) {
            const std::string name = entry.path().filename().string();
            // wayland-N itself, not its lock file wayland-N.lock.
            if (entry.is_socket() && name.compare(0, prefix.size(), prefix) == 0) {
                return name;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return "";
}

// The share of pixels brighter than the compositor's black background.
double litShare(const RgbImage& image)
{
    size_t lit = 0;
    for (size_t i = 0; i + 2 < image.pixels.size(); i += 3) {
        lit += std::max({image.pixels[i], image.pixels[i + 1], image.pixels[i + 2]}) > 8 ? 1 : 0;
    }
    return image.pixels.empty() ? 0.0 : static_cast<double>(lit) / static_cast<double>(image.pixels.size() / 3);
}
#endif

} // namespace

// The whole transcript of a normal run, compared character for character: the
// nine stage files in program order with their full text, the importer
// version, nothing from the model loader (every model loads), and at the end
// the seven scene assets, the camera body and the ten textures being released.
TEST(EndToEnd, EscapeEndsARunWithTheFullTranscript)
{
    ScratchScene scene;
    const ViewerSession run = runViewerSession(scene.path(), Ending::HoldEscape);
    ASSERT_NO_FATAL_FAILURE(expectCleanNormalExit(run));
    EXPECT_TRUE(sameTranscript(run.result.out, echoOfAllStages(scene) + versionBlock() + shutdownTrace()));
    EXPECT_TRUE(linesStartingWith(run.result.out, "Couldn't open").empty());
}

// A tap shorter than a frame (press and release arrive in the same event poll)
// still ends the loop.
TEST(EndToEnd, AShortEscapeTapEndsTheRun)
{
    ScratchScene scene;
    const ViewerSession run = runViewerSession(scene.path(), Ending::TapEscape);
    ASSERT_FALSE(run.windowId.empty()) << "the program's window never appeared";
    ASSERT_TRUE(run.result.exited) << "the tap was lost: the viewer was still running long after it";
    ASSERT_NO_FATAL_FAILURE(expectCleanNormalExit(run));
    const std::string& out = run.result.out;
    ASSERT_GE(out.size(), shutdownTrace().size());
    EXPECT_EQ(out.substr(out.size() - shutdownTrace().size()), shutdownTrace());
}

TEST(EndToEnd, TheCloseButtonEndsARunWithTheFullTranscript)
{
    ScratchScene scene;
    const ViewerSession run = runViewerSession(scene.path(), Ending::CloseButton);
    ASSERT_NO_FATAL_FAILURE(expectCleanNormalExit(run));
    EXPECT_TRUE(sameTranscript(run.result.out, echoOfAllStages(scene) + versionBlock() + shutdownTrace()));
}

// With every model file missing, the loader reports each one, in the order the
// scene loads them, after the version line; the run goes on and shuts down as
// usual.
TEST(EndToEnd, MissingModelsAreReportedInLoadOrder)
{
    ScratchScene scene;
    for (const std::string& model : modelFiles) {
        scene.remove(model);
    }
    const ViewerSession run = runViewerSession(scene.path(), Ending::HoldEscape);
    ASSERT_NO_FATAL_FAILURE(expectCleanNormalExit(run));

    std::string expected = echoOfAllStages(scene) + versionBlock();
    for (const std::string& model : modelFiles) {
        // The second line is the importer's (empty) error text.
        expected += "Couldn't open file: " + model + "\n\n";
    }
    expected += shutdownTrace();
    EXPECT_TRUE(sameTranscript(run.result.out, expected));
}

// The shadow program's fragment stage compiles but contradicts the geometry
// stage, so the program does not link: the run stops there with
// status -1, before the later programs and before any model.
TEST(EndToEnd, AProgramThatDoesNotLinkEndsTheRunBeforeAnyModel)
{
    // The light position is a vec3 in the geometry stage; declaring it a float
    // here is fine for the compiler, and a conflict for the linker.
    const std::string brokenFragment = "#version 330 core\n"
                                       "uniform float gLightPos;\n"
                                       "out vec4 colour;\n"
                                       "void main()\n"
                                       "{\n"
                                       "    colour = vec4(gLightPos);\n"
                                       "}\n";
    // The replacement must fail at link time, not at compile time.
    ASSERT_TRUE(compileStage(GL_FRAGMENT_SHADER, brokenFragment.c_str()))
        << "the broken stage does not even compile";

    ScratchScene scene;
    scene.write("shaders/shadow.frag", brokenFragment);
    ProcessOptions options;
    options.workingDirectory = scene.path();
    options.timeoutSeconds = 60.0; // standard input is /dev/null: the pause must not wait
    const ProcessResult result = runProcess({KOV_BINARY}, options);

    ASSERT_FALSE(result.timedOut) << "the failed start waited for something";
    ASSERT_TRUE(result.exited) << "ended by signal " << result.signal;
    EXPECT_EQ(result.exitCode, 255);
    EXPECT_EQ(result.err, "");

    const std::string& out = result.out;
    std::string echoed;
    for (int i = 0; i < 5; ++i) {
        echoed += echoOf(scene, stageFiles[static_cast<size_t>(i)]);
    }
    ASSERT_EQ(out.compare(0, echoed.size(), echoed), 0) << out;
    const std::string rest = out.substr(echoed.size());
    EXPECT_EQ(rest.compare(0, 30, "Failed to link shader program\n"), 0) << rest;
    EXPECT_EQ(rest.find("Failed to compile shader"), std::string::npos) << rest;

    // Once from the loader, once from the scene setup, and nothing after.
    const std::string twice = "failed to link shader\nfailed to link shader\n";
    ASSERT_GE(rest.size(), twice.size());
    EXPECT_EQ(rest.substr(rest.size() - twice.size()), twice) << rest;
    EXPECT_EQ(linesStartingWith(out, "failed to link shader").size(), 2u) << rest;

    for (const char* later : {"shaders/ambientShader", "shaders/normalMapping"}) {
        EXPECT_EQ(out.find(later), std::string::npos) << later << " was loaded after the failure";
    }
    const std::string version = std::to_string(aiGetVersionMajor()) + "." + std::to_string(aiGetVersionMinor());
    EXPECT_TRUE(linesStartingWith(out, version).empty()) << "the model importer was created";
    EXPECT_TRUE(linesStartingWith(out, "Couldn't open").empty());
    EXPECT_EQ(out.find("Asset Destructor"), std::string::npos);
    EXPECT_EQ(out.find("Texture destructor"), std::string::npos);
}

// On a Wayland desktop GLFW 3.4 gives the viewer an EGL context, which
// Debian's GLX-built GLEW cannot look up extensions for. A headless sway (its
// own socket in this test's private runtime directory) stands in for the
// desktop: the viewer must render the scene there (read back with grim),
// end on Escape (sway's virtual keyboard, through wtype) with status 0, and
// print the same transcript as on X11 with nothing on standard error.
TEST(EndToEnd, OnAWaylandCompositorTheSceneRendersAndEscapeEndsTheRun)
{
#if !GLFW_CHOOSES_PLATFORM
    GTEST_SKIP() << "GLFW " << GLFW_VERSION_MAJOR << "." << GLFW_VERSION_MINOR
                 << " chooses no platform at run time; only a GLFW 3.4 or later runs on Wayland and X11 alike";
#else
    if (glfwPlatformSupported(GLFW_PLATFORM_WAYLAND) == GLFW_FALSE) {
        GTEST_SKIP() << "this GLFW was built without its Wayland platform";
    }
    std::map<std::string, std::string> tools;
    for (const char* tool : {"sway", "wtype", "grim"}) {
        tools[tool] = programPath(tool);
        if (tools[tool].empty()) {
            GTEST_SKIP() << tool << " is not installed (scripts/setup.sh installs sway, wtype and grim)";
        }
    }
    const char* runtimeDirectory = std::getenv("XDG_RUNTIME_DIR");
    ASSERT_NE(runtimeDirectory, nullptr) << "no runtime directory: run the test through scripts/own-display.sh";

    ScratchScene scene;
    const std::string config = scene.path() + "/sway.conf";
    std::ofstream(config) << "xwayland disable\nfor_window [title=\"KOV\"] floating enable\n";
    const std::string shot = scene.path() + "/wayland-frame.png";

    ProcessOptions compositor;
    compositor.environment = {{"WLR_BACKENDS", "headless"},
                              {"WLR_RENDERER", "pixman"},
                              {"WLR_HEADLESS_OUTPUTS", "1"},
                              {"DISPLAY", std::nullopt},
                              {"WAYLAND_DISPLAY", std::nullopt}};
    compositor.timeoutSeconds = 240.0;
    std::string socket;
    RgbImage frame;
    ProcessResult viewer;
    compositor.whileRunning = [&](pid_t compositorPid) {
        socket = waitForWaylandSocket(runtimeDirectory, compositorPid, 20.0);
        if (!socket.empty()) {
            ProcessOptions onWayland;
            onWayland.workingDirectory = scene.path();
            onWayland.environment = {{"WAYLAND_DISPLAY", socket}, {"DISPLAY", std::nullopt}};
            onWayland.timeoutSeconds = 180.0;
            ProcessOptions client;
            client.environment = onWayland.environment;
            onWayland.whileRunning = [&](pid_t viewerPid) {
                // The first frames come once the scene is set up.
                const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
                while (!processGone(viewerPid) && std::chrono::steady_clock::now() < deadline) {
                    if (runProcess({tools["grim"], shot}, client).exitCode == 0) {
                        frame = readPng(shot, RowOrder::TopFirst);
                        if (litShare(frame) > 0.25) {
                            break;
                        }
                    }
                    std::this_thread::sleep_for(std::chrono::milliseconds(500));
                }
                // Each wtype run adds a keyboard to the seat; the viewer gets
                // its keyboard in the pause before the press, and the press
                // lasts longer than a frame.
                for (int attempt = 0; attempt < 20 && !processGone(viewerPid); ++attempt) {
                    runProcess({tools["wtype"], "-s", "500", "-P", "Escape", "-s", "2000", "-p", "Escape"},
                               client);
                }
            };
            viewer = runProcess({KOV_BINARY}, onWayland);
        }
        kill(compositorPid, SIGTERM);
    };
    const ProcessResult compositorRun = runProcess({tools["sway"], "-c", config}, compositor);

    ASSERT_FALSE(socket.empty()) << "sway made no Wayland socket; it said:\n" << compositorRun.err;
    EXPECT_GT(litShare(frame), 0.25) << "no rendered frame on the compositor's output (" << frame.width << " x "
                                     << frame.height << ")";
    ASSERT_FALSE(viewer.timedOut) << "the frame loop did not end on Escape";
    ASSERT_TRUE(viewer.exited) << "ended by signal " << viewer.signal;
    EXPECT_EQ(viewer.exitCode, 0) << viewer.out.substr(viewer.out.size() > 400 ? viewer.out.size() - 400 : 0);
    EXPECT_EQ(viewer.err, "");
    EXPECT_TRUE(sameTranscript(viewer.out, echoOfAllStages(scene) + versionBlock() + shutdownTrace()));
#endif
}
