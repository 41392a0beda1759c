#include "frame/Report.h"

#include "BenchStats.h"
#include "frame/Clocks.h"
#include "Machine.h"

#include "app/AppState.h"
#include "app/GLState.h"
#include "asset/Asset.h"

#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

std::string glString(GLenum name)
{
    const GLubyte* text = glGetString(name);
    return text != nullptr ? reinterpret_cast<const char*>(text) : "";
}

// a / b, or 0 when there is nothing to divide by (a mode that was not run).
double ratio(double a, double b)
{
    return b > 0 ? a / b : 0.0;
}

// The figures derived from the measured frames that the table and the JSON
// both give.
struct FrameFigures {
    explicit FrameFigures(const Results& results)
        : empty(median(results.frames[0])), scene(median(results.frames[1])), noShadow(median(results.frames[2])),
          allocationsPerFrame(static_cast<double>(results.sceneAllocations) /
                              static_cast<double>(results.frames[1].size()))
    {
        for (int p = 0; p < passCount; ++p) {
            isolatedSum += median(results.isolated.isolated[p]);
        }
    }
    double empty;
    double scene;
    double noShadow;
    double allocationsPerFrame;
    double isolatedSum = 0.0;
};

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
    const Options& options = report.options;
    const Results& results = report.results;
    const FrameFigures figures(results);

    std::printf("KOV frame benchmark\n");
    std::printf("  machine   %s, %u CPUs online, LP_NUM_THREADS=%s\n", report.environment.cpu.c_str(),
                report.environment.cpus,
                report.environment.lpThreads != nullptr ? report.environment.lpThreads : "(unset)");
    std::printf("  driver    %s | %s | %d samples\n", report.environment.renderer.c_str(),
                report.environment.version.c_str(), report.environment.samples);
    std::printf("  window    %d x %d, swap interval: driver default\n", appWindow.getWidth(), appWindow.getHeight());
    std::printf("  run       %d round(s) x %d frames after %d warm-up, in blocks of %d taken in turn, dt %.6f s,"
                " pass timers %s\n\n",
                options.rounds, options.frames, options.warmup, options.block, options.dt, options.passTimers ? "on" : "off");

    std::printf("Start-up                                   ms\n");
    std::printf("  process start -> first frame        %8.1f  (/proc/self/stat field 22, 1/CLK_TCK resolution)\n",
                ms(report.startup.processToFirstFrame));
    std::printf("    exec, loading (before static init) %7.1f\n", ms(report.startup.beforeStaticInit));
    std::printf("    static init (window, GL context)   %7.1f\n", ms(report.startup.staticInit));
    std::printf("    initGL                             %7.1f\n", ms(report.startup.initGL));
    std::printf("    textures                           %7.1f\n", ms(report.startup.textures));
    std::printf("    shader programs                    %7.1f\n", ms(report.startup.programs));
    std::printf("    models (import and adjacency)      %7.1f\n", ms(report.startup.models));
    std::printf("    rest of the set-up                 %7.1f\n", ms(report.startup.setupOther));
    std::printf("    first frame                        %7.1f\n", ms(report.startup.firstFrame));
    std::printf("  static init -> first frame          %8.1f  (timestamp in the benchmark's static initialiser)\n\n",
                ms(report.startup.staticInitToFirstFrame));

    std::printf("Frame time (glFinish after the swap)   median ms    p95 ms   x empty   x no-shadow   CPU ms\n");
    for (int m = 0; m < modeCount; ++m) {
        if (results.frames[m].empty()) {
            continue;
        }
        const double med = median(results.frames[m]);
        std::printf("  %-34s %9.2f %9.2f %9.2f %11.2f %8.1f\n", modeNames[m], ms(med),
                    ms(percentile(results.frames[m], 95.0)), ratio(med, figures.empty),
                    ratio(med, figures.noShadow), ms(median(results.frameCpu[m])));
    }
    std::printf("  (CPU ms: process CPU time of the frame, all threads, median)\n\n");
    std::printf("Passes of the scene frame (median ms)  GL time  submit (CPU)  isolated (CPU)  share  primitives\n");
    for (int p = 0; p < passCount; ++p) {
        const double isolatedPass = median(results.isolated.isolated[p]);
        std::printf("  %-34s %8.2f %7.2f %6.2f %8.2f %7.2f %5.1f%% %10u\n", passNames[p], ms(median(results.scene.gl[p])),
                    ms(median(results.scene.submit[p])), ms(median(results.scene.submitCpu[p])), ms(isolatedPass),
                    ms(median(results.isolated.isolatedCpu[p])),
                    100.0 * ratio(isolatedPass, figures.isolatedSum),
                    report.primitives[p]);
    }
    std::printf("  GL time: GL_TIME_ELAPSED in the scene frame (a driver that renders a frame tile by tile with\n"
                "  the passes interleaved, as llvmpipe does, does not separate the passes there); submit: main-\n"
                "  thread time inside the pass (its CPU time); isolated: wall time of the pass between two glFinish\n"
                "  calls (process CPU time; share: of the four wall times); primitives: GL_PRIMITIVES_GENERATED\n"
                "  (after the geometry shader)\n\n");

    std::printf("C++ heap allocations per scene frame: %.2f\n\n", figures.allocationsPerFrame);
    std::printf("Scene assets                     triangles  lights  facing  silhouette  primitives  alone: GL prims  samples  isolated ms"
                "  silhouette per light\n");
    for (size_t i = 0; i < assets.size(); ++i) {
        std::printf("  %-30s %9d", assetName(i).c_str(), assets[i]->getNumIndices() / 3);
        if (!assets[i]->m_withAdjacency) {
            std::printf("  (no adjacency: casts no volume)\n");
            continue;
        }
        const VolumeCount& volume = report.casters.volumes[i];
        std::printf(" %7d %7lld %11lld %11lld", volume.lights, volume.facing, volume.silhouetteEdges, volume.primitives());
        bool alone = false;
        for (const AssetShadow& shadow : report.casters.alone) {
            if (shadow.index == i) {
                std::printf(" %16u %7.2fM %12.2f", shadow.primitives, shadow.rasterisedSamples / 1e6,
                            ms(shadow.isolatedSeconds));
                alone = true;
            }
        }
        if (!alone) {
            std::printf(" %16s %8s %12s", "-", "-", "-");
        }
        std::printf(" ");
        for (size_t l = 0; l < volume.silhouetteEdgesPerLight.size(); ++l) {
            std::printf("%s%lld", l == 0 ? " " : " / ", volume.silhouetteEdgesPerLight[l]);
        }
        std::printf("\n");
    }
    std::printf("  (lights: near enough to cast; facing triangles and silhouette edges summed over those lights,\n"
                "   worked out on the CPU as the geometry shader does; primitives = 2 x facing + 2 x silhouette;\n"
                "   alone: the shadow pass with only this asset casting, GL_PRIMITIVES_GENERATED, the samples its\n"
                "   volumes rasterise (GL_SAMPLES_PASSED with the depth test off) and wall time;\n"
                "   silhouette per light: the silhouette edges for each light that casts, each a side of the volume)\n");
    std::printf("\nTargets: scene %.2f x empty (<= 16), start-up %.2f s (< 2); no-shadow %.2f x empty\n",
                ratio(figures.scene, figures.empty), report.startup.processToFirstFrame,
                ratio(figures.noShadow, figures.empty));
}

bool writeJsonReport(const Report& report)
{
    const Options& options = report.options;
    const Results& results = report.results;
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
    json.integer("rounds", options.rounds);
    json.integer("block", options.block);
    json.number("dt_s", options.dt);
    json.integer("pass_timers", options.passTimers ? 1 : 0);
    json.integer("isolated_passes", options.isolatedPasses ? 1 : 0);
    json.endObject();
    json.beginObject("startup_ms");
    json.number("process_start_to_first_frame", ms(report.startup.processToFirstFrame));
    json.number("static_init_to_first_frame", ms(report.startup.staticInitToFirstFrame));
    json.number("before_static_init", ms(report.startup.beforeStaticInit));
    json.number("static_init", ms(report.startup.staticInit));
    json.number("init_gl", ms(report.startup.initGL));
    json.number("textures", ms(report.startup.textures));
    json.number("programs", ms(report.startup.programs));
    json.number("models", ms(report.startup.models));
    json.number("setup_other", ms(report.startup.setupOther));
    json.number("first_frame", ms(report.startup.firstFrame));
    json.endObject();
    json.beginObject("frame_ms");
    for (int m = 0; m < modeCount; ++m) {
        if (results.frames[m].empty()) {
            continue;
        }
        json.beginObject(modeNames[m]);
        json.number("median", ms(median(results.frames[m])));
        json.number("p95", ms(percentile(results.frames[m], 95.0)));
        json.integer("samples", static_cast<long long>(results.frames[m].size()));
        json.number("cpu_median", ms(median(results.frameCpu[m])));
        json.endObject();
    }
    json.endObject();
    json.number("heap_allocations_per_scene_frame", figures.allocationsPerFrame);
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
        json.number("submit_median_ms", ms(median(results.scene.submit[p])));
        json.number("submit_cpu_median_ms", ms(median(results.scene.submitCpu[p])));
        json.number("no_shadow_gl_time_median_ms", ms(median(results.noShadow.gl[p])));
        json.number("isolated_wall_median_ms", ms(median(results.isolated.isolated[p])));
        json.number("isolated_gl_time_median_ms", ms(median(results.isolated.gl[p])));
        json.number("isolated_cpu_median_ms", ms(median(results.isolated.isolatedCpu[p])));
        json.number("isolated_share", ratio(median(results.isolated.isolated[p]), figures.isolatedSum));
        json.integer("primitives", report.primitives[p]);
        json.endObject();
    }
    json.endObject();
    json.beginObject("assets");
    for (size_t i = 0; i < assets.size(); ++i) {
        json.beginObject(assetName(i).c_str());
        json.integer("triangles", assets[i]->getNumIndices() / 3);
        json.integer("adjacency", assets[i]->hasAdjacency() ? 1 : 0);
        if (assets[i]->m_withAdjacency) {
            json.integer("shadow_lights", report.casters.volumes[i].lights);
            json.integer("shadow_facing_triangles", report.casters.volumes[i].facing);
            json.integer("shadow_silhouette_edges", report.casters.volumes[i].silhouetteEdges);
            for (size_t l = 0; l < report.casters.volumes[i].silhouetteEdgesPerLight.size(); ++l) {
                const std::string key = "shadow_silhouette_edges_light_" + std::to_string(l);
                json.integer(key.c_str(), report.casters.volumes[i].silhouetteEdgesPerLight[l]);
            }
            json.integer("shadow_primitives_expected", report.casters.volumes[i].primitives());
        }
        for (const AssetShadow& shadow : report.casters.alone) {
            if (shadow.index == i) {
                json.integer("shadow_primitives", shadow.primitives);
                json.integer("shadow_rasterised_samples", shadow.rasterisedSamples);
                json.number("shadow_pass_alone_isolated_ms", ms(shadow.isolatedSeconds));
            }
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
