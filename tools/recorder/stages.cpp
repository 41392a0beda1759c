// kov_stages: one frame of the flight, stage by stage, as pictures.
//
// Draws the flight with a fixed time step up to a chosen scene time and,
// through the frame loop's pass observer, reads what each pass of that frame
// leaves behind:
//   1-depth.pgm     the depth pre-pass: depth as grey, near light, far dark
//   2-volumes.ppm   the shadow volumes, drawn through the scene's own shadow
//                   vertex and geometry stages with a fragment stage of this
//                   tool's, one translucent colour per light, over the frame
//   3-stencil.ppm   the stencil counts the volume pass leaves, as colours
//                   (stencil-counts.pgm: the counts themselves, one byte a pixel)
//   4-lit.ppm       the lit pass alone: only where the count is zero
//   5-additive.ppm  the additive pass alone: the final frame less the lit pass
//   6-final.ppm     the final frame
// Pictures are top row first. scripts/stages.sh turns them into the
// documentation's images.
//
// Usage: kov_stages [--time S] [--fps N] OUTDIR   (defaults: 13 s, 10 a second)
#include "FlightScene.h"
#include "app/AppState.h"
#include "app/FrameLoop.h"
#include "app/GLSL.h"
#include "app/Shutdown.h"
#include "readback/FrameReadback.h"
#include "asset/Asset.h"
#include "camera/CameraState.h"

#include <GL/glew.h>
#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const volumeFragmentSource = R"(#version 330 core
// One translucent colour for the volumes of each of the three lights.
uniform vec3 gLightPos;
uniform vec3 lightPositions[3];
out vec4 colour;
void main()
{
    vec3 tint = vec3(1.0, 0.25, 0.2);
    if (distance(gLightPos, lightPositions[1]) < 0.001) {
        tint = vec3(0.2, 0.9, 0.3);
    } else if (distance(gLightPos, lightPositions[2]) < 0.001) {
        tint = vec3(0.25, 0.45, 1.0);
    }
    colour = vec4(tint, 0.18);
}
)";

// The stencil count's colour: none, one, two, three or more volumes deep, and
// a count below zero (it wraps to 255), which closed volumes never leave.
const uint8_t countColours[5][3] = {{0, 0, 0}, {60, 120, 255}, {250, 170, 40}, {255, 60, 60}, {255, 0, 255}};

std::string readText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool writePicture(const std::string& path, int width, int height, int channels, const std::vector<uint8_t>& pixels)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << (channels == 3 ? "P6\n" : "P5\n") << width << " " << height << "\n255\n";
    file.write(reinterpret_cast<const char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
    return static_cast<bool>(file);
}

// Reads what each pass of one frame leaves behind, and draws the volumes
// over the finished frame.
class StageCapture : public PassObserver {
public:
    StageCapture(int width, int height, GLuint volumeProgram)
        : m_width(width), m_height(height), m_volumeProgram(volumeProgram)
    {
    }

    void beginPass(RenderPass) override {}

    void endPass(RenderPass pass) override
    {
        switch (pass) {
        case RenderPass::Depth: depth = readDepth(); break;
        case RenderPass::ShadowVolumes: stencil = readStencil(); break;
        case RenderPass::Lit: lit = readRgbPixels(0, 0, m_width, m_height); break;
        case RenderPass::Additive:
            final = readFinishedFrame(m_width, m_height);
            drawVolumesOverFrame();
            volumes = readFinishedFrame(m_width, m_height);
            break;
        }
    }

    std::vector<float> depth;
    std::vector<uint8_t> stencil;
    std::vector<uint8_t> lit;
    std::vector<uint8_t> final;
    std::vector<uint8_t> volumes;

private:
    std::vector<float> readDepth() const
    {
        std::vector<float> values(static_cast<size_t>(m_width) * m_height);
        glReadPixels(0, 0, m_width, m_height, GL_DEPTH_COMPONENT, GL_FLOAT, values.data());
        return values;
    }

    std::vector<uint8_t> readStencil() const
    {
        std::vector<uint8_t> values(static_cast<size_t>(m_width) * m_height);
        GLint alignment = 4;
        glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, m_width, m_height, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, values.data());
        glPixelStorei(GL_PACK_ALIGNMENT, alignment);
        return values;
    }

    // Every caster's volumes as the volume pass draws them (depth clamped, no
    // culling, the lights within reach), blended over the frame where they
    // are in front of the scene. The frame loop's state at the end of the
    // additive pass is put back afterwards.
    void drawVolumesOverFrame()
    {
        glUseProgram(m_volumeProgram);
        for (int i = 0; i < 3; ++i) {
            const std::string name = "lightPositions[" + std::to_string(i) + "]";
            glUniform3fv(glGetUniformLocation(m_volumeProgram, name.c_str()), 1,
                         glm::value_ptr(makeSceneLight(i).Position));
        }
        glEnable(GL_DEPTH_CLAMP);
        glDisable(GL_CULL_FACE);
        glDepthFunc(GL_LESS);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        for (Asset* asset : assets) {
            if (asset->m_withAdjacency) {
                asset->m_lit = false;
                asset->setProgram(m_volumeProgram);
                asset->drawShadowVolume();
            }
        }
        glBlendFunc(GL_ONE, GL_ONE);
        glDepthFunc(GL_EQUAL);
        glEnable(GL_CULL_FACE);
        glDisable(GL_DEPTH_CLAMP);
    }

    int m_width;
    int m_height;
    GLuint m_volumeProgram;
};

// Depth as grey: the distance from the eye, from the eye (white) to `far`
// units (black); nothing drawn is black. The distance undoes the perspective
// projection's depth: ndc = (p22 z + p32) / -z.
std::vector<uint8_t> depthPicture(const std::vector<float>& depth, const glm::mat4& projection, float far)
{
    std::vector<uint8_t> grey(depth.size());
    for (size_t i = 0; i < depth.size(); ++i) {
        const float ndc = 2.0f * depth[i] - 1.0f;
        const float distance = projection[3][2] / (ndc + projection[2][2]);
        const float shade = depth[i] >= 1.0f ? 0.0f : std::clamp(1.0f - distance / far, 0.0f, 1.0f);
        grey[i] = static_cast<uint8_t>(std::lround(255.0f * shade));
    }
    return grey;
}

// The counts over a dimmed grey copy of the final frame, so that the scene
// can still be recognised under them.
std::vector<uint8_t> stencilPicture(const std::vector<uint8_t>& stencil, const std::vector<uint8_t>& final)
{
    std::vector<uint8_t> rgb(stencil.size() * 3);
    for (size_t i = 0; i < stencil.size(); ++i) {
        const uint8_t count = stencil[i];
        const int key = count >= 128 ? 4 : std::min<int>(count, 3);
        const int grey = (final[3 * i] + final[3 * i + 1] + final[3 * i + 2]) / 6;
        for (int c = 0; c < 3; ++c) {
            rgb[3 * i + c] = key == 0 ? static_cast<uint8_t>(grey) : countColours[key][c];
        }
    }
    return rgb;
}

std::vector<uint8_t> difference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    std::vector<uint8_t> result(a.size());
    for (size_t i = 0; i < a.size(); ++i) {
        result[i] = static_cast<uint8_t>(std::max(0, a[i] - b[i]));
    }
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    double seconds = 13.0;
    int fps = 10;
    std::string out;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--time" && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (arg == "--fps" && i + 1 < argc) {
            fps = std::atoi(argv[++i]);
        } else if (out.empty() && arg.rfind("--", 0) != 0) {
            out = arg;
        } else {
            out.clear();
            break;
        }
    }
    if (out.empty() || fps < 1 || !(seconds >= 0.0)) {
        std::fprintf(stderr, "usage: kov_stages [--time S] [--fps N] OUTDIR\n");
        return 2;
    }

    std::string problem;
    if (openFlightScene(problem) < 0) {
        return reportFailure("kov_stages", problem);
    }
    const std::string vertex = readText("shaders/shadow.vert");
    const std::string geometry = readText("shaders/shadow.geom");
    GLSLFailure failure;
    const GLProgram volumeProgram =
        compileProgram(vertex.c_str(), geometry.c_str(), volumeFragmentSource, &failure);
    if (!volumeProgram) {
        cleanup();
        return reportFailure("kov_stages", "the volume program did not build: " + failure.log);
    }

    const int width = appWindow.getWidth();
    const int height = appWindow.getHeight();
    const double dt = 1.0 / fps;
    const long step = std::lround(seconds * fps);
    skipToStep(step, dt);
    StageCapture capture(width, height, volumeProgram.id());
    setPassObserver(&capture);
    drawStep(step, dt);
    setPassObserver(nullptr);

    const auto rgb = [&](const std::vector<uint8_t>& rows) { return topRowFirst(rows, width, height, 3); };
    const std::vector<uint8_t> final = rgb(capture.final);
    const std::vector<uint8_t> stencil = topRowFirst(capture.stencil, width, height, 1);
    const struct {
        const char* name;
        int channels;
        std::vector<uint8_t> pixels;
    } pictures[] = {
        {"1-depth.pgm", 1,
         topRowFirst(depthPicture(capture.depth, getProjectionMatrix(), 25.0f), width, height, 1)},
        {"2-volumes.ppm", 3, rgb(capture.volumes)},
        {"3-stencil.ppm", 3, stencilPicture(stencil, final)},
        {"stencil-counts.pgm", 1, stencil},
        {"4-lit.ppm", 3, rgb(capture.lit)},
        {"5-additive.ppm", 3, difference(final, rgb(capture.lit))},
        {"6-final.ppm", 3, final},
    };
    cleanup();
    for (const auto& picture : pictures) {
        if (!writePicture(out + "/" + picture.name, width, height, picture.channels, picture.pixels)) {
            return reportFailure("kov_stages", "cannot write " + out + "/" + picture.name);
        }
    }
    return 0;
}
