#include "frame/Startup.h"

#include "frame/PassTiming.h"

#include "app/AppState.h"
#include "app/FrameLoop.h"
#include "app/GLState.h"
#include "app/SceneSetup.h"
#include "readback/StandardOutput.h"

#include <GL/glew.h>

#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// The clock that /proc/<pid>/stat's start time is counted on.
double bootClockSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Field 22 of /proc/self/stat, in clock ticks since boot (a resolution of
// 1/CLK_TCK, usually 10 ms); negative when it cannot be read.
double processStartBootSeconds()
{
    std::ifstream in("/proc/self/stat");
    std::string line;
    if (!std::getline(in, line)) {
        return -1.0;
    }
    // The command name (field 2) is in parentheses and may hold spaces.
    const size_t close = line.rfind(')');
    if (close == std::string::npos) {
        return -1.0;
    }
    std::istringstream fields(line.substr(close + 1));
    std::string field;
    for (int number = 3; number <= 22; ++number) {
        if (!(fields >> field)) {
            return -1.0;
        }
    }
    const long ticks = sysconf(_SC_CLK_TCK);
    return std::strtod(field.c_str(), nullptr) / static_cast<double>(ticks > 0 ? ticks : 100);
}

// Each phase of the scene setup, timed from the end of the one before.
class SetupClock : public SetupObserver {
public:
    explicit SetupClock(std::chrono::steady_clock::time_point start) : m_last(start) {}
    void phaseDone(SetupPhase phase) override
    {
        const auto now = std::chrono::steady_clock::now();
        m_seconds[static_cast<int>(phase)] = secondsBetween(m_last, now);
        m_last = now;
    }
    double seconds(SetupPhase phase) const { return m_seconds[static_cast<int>(phase)]; }

private:
    std::chrono::steady_clock::time_point m_last;
    double m_seconds[3] = {0.0, 0.0, 0.0};
};

} // namespace

MainEntry enterMain()
{
    MainEntry entry;
    entry.steady = std::chrono::steady_clock::now();
    entry.boot = bootClockSeconds();
    entry.processStartBoot = processStartBootSeconds();
    return entry;
}

StartupFigures startScene(const FrameBenchOptions& options, const MainEntry& entry, SceneSnapshot& start)
{
    const int savedStdout = discardStandardOutput();

    initGL();
    const auto glReady = std::chrono::steady_clock::now();
    SetupClock setup(glReady);
    setSetupObserver(&setup);
    setupScene();
    setSetupObserver(nullptr);
    const auto sceneReady = std::chrono::steady_clock::now();

    // The first frame, as the frame loop would draw it.
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    start.take();
    renderFrame(options.dt);
    glFinish();
    const auto firstFrame = std::chrono::steady_clock::now();
    const double firstFrameBoot = bootClockSeconds();

    restoreStandardOutput(savedStdout);

    const bool startKnown = entry.processStartBoot >= 0.0;
    StartupFigures figures;
    figures.processToFirstFrame = startKnown ? firstFrameBoot - entry.processStartBoot : -1.0;
    figures.processToMain = startKnown ? entry.boot - entry.processStartBoot : -1.0;
    figures.initGL = secondsBetween(entry.steady, glReady);
    figures.textures = setup.seconds(SetupPhase::Textures);
    figures.programs = setup.seconds(SetupPhase::Programs);
    figures.models = setup.seconds(SetupPhase::Models);
    figures.setupOther =
        secondsBetween(glReady, sceneReady) - figures.textures - figures.programs - figures.models;
    figures.firstFrame = secondsBetween(sceneReady, firstFrame);
    return figures;
}
