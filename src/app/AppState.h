#pragma once
// The application shell: its module-level state and its phases.
#include "app/Window.h"
#include "shaderloader/ShaderLoader.h"

#include <GL/glew.h>

#include <vector>

class Asset;
class Camera;
class Texture;

// The scene lists hold plain pointers; the shutdown deletes what they point to.
extern std::vector<Asset*> assets;
extern std::vector<Asset*> assets2;
extern std::vector<Asset*> assets3;
extern std::vector<Texture*> textures;
extern Window appWindow;
extern ShaderLoader basicLightingShader;
extern ShaderLoader shadowShader;
extern ShaderLoader ambientShader;
extern ShaderLoader normalMappingShader;
extern Asset* cow;
extern Camera* camera;
// The off-screen framebuffer and its depth-stencil renderbuffer (0: none);
// created by createFramebuffer, deleted by cleanup.
extern GLuint fbo;
extern GLuint depthBuffer;

// Loads the GL entry points and sets the state that holds for the whole run;
// exits with status -1 when the entry points cannot be loaded.
void initGL();

// Wall-clock seconds spent in each phase of the scene setup.
struct SetupTimings {
    double textures = 0.0;
    double programs = 0.0;
    double models = 0.0;
};
void setupScene(SetupTimings* timings = nullptr);
// Links one of the scene's programs, its stages loaded. A program that does
// not link ends the process with status -1, after "failed to link shader" and
// the console pause, leaving what the setup made so far to the system.
void linkSceneProgram(ShaderLoader& loader);

// The passes of one frame, reported to an observer (benchmarks, tests).
enum class RenderPass { Depth, ShadowVolumes, Lit, Additive };
class PassObserver {
public:
    virtual ~PassObserver() = default;
    virtual void beginPass(RenderPass pass) = 0;
    virtual void endPass(RenderPass pass) = 0;
    // A reference frame without shadow volumes skips that pass entirely.
    bool skipShadowVolumes = false;
};
void setPassObserver(PassObserver* observer);

void renderLoop();
// One frame with a given time step: events, camera flight, updates, the
// render passes and the swap.
void renderFrame(double dt);
void drawScene(bool shadowPass, bool normalPass, bool lightPass, GLuint program);
void updateScene(double dt);

void createFramebuffer();
// Copies the off-screen image into the window's back buffer.
void presentFramebuffer();
void releaseFramebuffer();

void cleanup();
