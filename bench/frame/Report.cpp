#include "frame/Report.h"

#include "BenchStats.h"
#include "Machine.h"

#include "app/AppState.h"
#include "app/GLState.h"
#include "asset/Asset.h"

#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

double ms(double seconds)
{
    return seconds * 1000.0;
}

std::string glString(GLenum name)
{
    const GLubyte* text = glGetString(name);
    return text != nullptr ? reinterpret_cast<const char*>(text) : "";
}

// a / b, or 0 when there is nothing to divide by.
double ratio(double a, double b)
{
    return b > 0 ? a / b : 0.0;
}

// The figures derived from the measured frames that the table and the JSON
// both give.
struct FrameFigures {
    explicit FrameFigures(const Results& results)
        : empty(median(results.frames[static_cast<int>(Mode::Empty)])),
          scene(median(results.frames[static_cast<int>(Mode::Scene)])),
          noShadow(median(results.frames[static_cast<int>(Mode::NoShadow)]))
    {
        for (int p = 0; p < passCount; ++p) {
            isolatedSum += median(results.isolated.isolated[p]);
        }
    }
    double empty;
    double scene;
    double noShadow;
    double isolatedSum = 0.0;
};

const AssetShadow* shadowOf(const Report& report, size_t index)
{
    for (const AssetShadow& shadow : report.casters) {
        if (shadow.index == index) {
            return &shadow;
        }
    }
    return nullptr;
}

} // namespace

Environment readEnvironment()
{
    Environment environment;
    glGetIntegerv(GL_SAMPLES, &environment.samples);
    environment.lpThreads = std::getenv("LP_NUM_THREADS");
    environment.renderer = glString(GL_RENDERER);
    environment.version = glString(GL_VERSION);
    environment.cpu = cpuModel();
    environment.cpus = std::thread::hardware_concurrency();
    return environment;
}

void printReport(const Report& report)
{
    const FrameBenchOptions& options = report.options;
    const Results& results = report.results;
    const StartupFigures& startup = report.startup;
    const FrameFigures figures(results);

    std::printf("KOV frame benchmark\n");
    std::printf("  machine   %s, %u CPUs online, LP_NUM_THREADS=%s\n", report.environment.cpu.c_str(),
                report.environment.cpus,
                report.environment.lpThreads != nullptr ? report.environment.lpThreads : "(unset)");
    std::printf("  driver    %s | %s | %d samples\n", report.environment.renderer.c_str(),
                report.environment.version.c_str(), report.environment.samples);
    std::printf("  window    %d x %d, swap interval: driver default\n", appWindow.getWidth(),
                appWindow.getHeight());
    std::printf("  run       %d frames after %d warm-up, in blocks of %d taken in turn, dt %.6f s\n\n",
                options.frames, options.warmup, framesPerBlock, options.dt);

    std::printf("Start-up                                   ms\n");
    std::printf("  process start -> first frame        %8.1f  (/proc/self/stat field 22, 1/CLK_TCK resolution)\n",
                ms(startup.processToFirstFrame));
    std::printf("    to main (window, GL context)       %7.1f\n", ms(startup.processToMain));
    std::printf("    initGL                             %7.1f\n", ms(startup.initGL));
    std::printf("    textures                           %7.1f\n", ms(startup.textures));
    std::printf("    shader programs                    %7.1f\n", ms(startup.programs));
    std::printf("    models (import and adjacency)      %7.1f\n", ms(startup.models));
    std::printf("    rest of the set-up                 %7.1f\n", ms(startup.setupOther));
    std::printf("    first frame                        %7.1f\n\n", ms(startup.firstFrame));

    std::printf("Frame time (glFinish after the swap)   median ms    p95 ms   x empty   x no-shadow\n");
    for (int m = 0; m < modeCount; ++m) {
        const double frameMedian = median(results.frames[m]);
        std::printf("  %-34s %9.2f %9.2f %9.2f %11.2f\n", modeNames[m], ms(frameMedian),
                    ms(percentile(results.frames[m], 95.0)), ratio(frameMedian, figures.empty),
                    ratio(frameMedian, figures.noShadow));
    }
    std::printf("\nPasses of the scene frame (median ms)  GL time  isolated  share  primitives\n");
    for (int p = 0; p < passCount; ++p) {
        const double isolatedPass = median(results.isolated.isolated[p]);
        std::printf("  %-34s %8.2f %9.2f %5.1f%% %11u\n", passNames[p], ms(median(results.scene.gl[p])),
                    ms(isolatedPass), 100.0 * ratio(isolatedPass, figures.isolatedSum), report.primitives[p]);
    }
    std::printf("  GL time: GL_TIME_ELAPSED in the scene frame (llvmpipe renders a frame tile by tile with the\n"
                "  passes interleaved, so it does not separate them); isolated: wall time of the pass between\n"
                "  two glFinish calls (share: of the four); primitives: GL_PRIMITIVES_GENERATED\n\n");

    std::printf("Scene assets                     triangles  alone: primitives  samples  isolated ms\n");
    for (size_t i = 0; i < assets.size(); ++i) {
        std::printf("  %-30s %9d", sceneAssetName(i).c_str(), assets[i]->getNumIndices() / 3);
        const AssetShadow* shadow = shadowOf(report, i);
        if (!assets[i]->m_withAdjacency) {
            std::printf("  (no adjacency: casts no volume)\n");
        } else if (shadow == nullptr) {
            std::printf(" %18s %8s %12s\n", "-", "-", "-");
        } else {
            std::printf(" %18u %7.2fM %12.2f\n", shadow->primitives, shadow->rasterisedSamples / 1e6,
                        ms(shadow->isolatedSeconds));
        }
    }
    std::printf(
        "  (alone: the shadow pass with only this asset casting: GL_PRIMITIVES_GENERATED, the samples\n"
        "   its volumes rasterise with the depth test off (GL_SAMPLES_PASSED), and its isolated wall time)\n");
    std::printf("\nTargets: scene %.2f x empty (<= 16), start-up %.2f s (< 2); no-shadow %.2f x empty\n",
                ratio(figures.scene, figures.empty), startup.processToFirstFrame,
                ratio(figures.noShadow, figures.empty));
}

bool writeJsonReport(const Report& report)
{
    const FrameBenchOptions& options = report.options;
    const Results& results = report.results;
    const StartupFigures& startup = report.startup;
    const FrameFigures figures(results);

    std::FILE* out = std::fopen(options.json.c_str(), "w");
    if (out == nullptr) {
        std::fprintf(stderr, "cannot write %s\n", options.json.c_str());
        return false;
    }
    JsonWriter json(out);
    json.beginObject();
    json.beginObject("environment");
    json.string("cpu", report.environment.cpu);
    json.integer("cpus_online", report.environment.cpus);
    json.string("lp_num_threads", report.environment.lpThreads != nullptr ? report.environment.lpThreads : "");
    json.string("gl_renderer", report.environment.renderer);
    json.string("gl_version", report.environment.version);
    json.integer("samples", report.environment.samples);
    json.integer("width", appWindow.getWidth());
    json.integer("height", appWindow.getHeight());
    json.string("swap_interval", "driver default");
    json.endObject();
    json.beginObject("run");
    json.integer("frames", options.frames);
    json.integer("warmup", options.warmup);
    json.integer("block", framesPerBlock);
    json.number("dt_s", options.dt);
    json.integer("per_asset_frames", options.perAssetFrames);
    json.endObject();
    json.beginObject("startup_ms");
    json.number("process_start_to_first_frame", ms(startup.processToFirstFrame));
    json.number("process_start_to_main", ms(startup.processToMain));
    json.number("init_gl", ms(startup.initGL));
    json.number("textures", ms(startup.textures));
    json.number("programs", ms(startup.programs));
    json.number("models", ms(startup.models));
    json.number("setup_other", ms(startup.setupOther));
    json.number("first_frame", ms(startup.firstFrame));
    json.endObject();
    json.beginObject("frame_ms");
    for (int m = 0; m < modeCount; ++m) {
        json.beginObject(modeNames[m]);
        json.number("median", ms(median(results.frames[m])));
        json.number("p95", ms(percentile(results.frames[m], 95.0)));
        json.integer("samples", static_cast<long long>(results.frames[m].size()));
        json.endObject();
    }
    json.endObject();
    json.beginObject("ratios");
    json.number("scene_to_empty", ratio(figures.scene, figures.empty));
    json.number("scene_to_no_shadow_volumes", ratio(figures.scene, figures.noShadow));
    json.number("no_shadow_volumes_to_empty", ratio(figures.noShadow, figures.empty));
    json.endObject();
    json.beginObject("passes");
    for (int p = 0; p < passCount; ++p) {
        json.beginObject(passNames[p]);
        json.number("gl_time_median_ms", ms(median(results.scene.gl[p])));
        json.number("gl_time_p95_ms", ms(percentile(results.scene.gl[p], 95.0)));
        json.number("isolated_wall_median_ms", ms(median(results.isolated.isolated[p])));
        json.number("isolated_share", ratio(median(results.isolated.isolated[p]), figures.isolatedSum));
        json.integer("primitives", report.primitives[p]);
        json.endObject();
    }
    json.endObject();
    json.beginObject("assets");
    for (size_t i = 0; i < assets.size(); ++i) {
        json.beginObject(sceneAssetName(i).c_str());
        json.integer("triangles", assets[i]->getNumIndices() / 3);
        json.integer("adjacency", assets[i]->hasAdjacency() ? 1 : 0);
        if (const AssetShadow* shadow = shadowOf(report, i)) {
            json.integer("shadow_primitives", shadow->primitives);
            json.integer("shadow_rasterised_samples", shadow->rasterisedSamples);
            json.number("shadow_pass_alone_isolated_ms", ms(shadow->isolatedSeconds));
        }
        json.endObject();
    }
    json.endObject();
    json.endObject();
    if (std::fclose(out) != 0) {
        std::fprintf(stderr, "cannot write %s\n", options.json.c_str());
        return false;
    }
    return true;
}
