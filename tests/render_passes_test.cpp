// The passes of a frame of the demonstration scene, watched in real GL: every
// glUseProgram, draw call, draw-buffer change, clear, viewport and framebuffer
// binding the frame makes is intercepted and recorded together with the pass
// it belongs to, then compared with the pass table of the frame loop.
//
// glUseProgram and glBindFramebuffer are reached through GLEW's function
// pointers, which are replaced here; glDrawElements, glDrawBuffer, glClear and
// glViewport are GL 1.x entry points that the program links directly, so this
// executable defines them itself and forwards to the driver's.
#include "app/AppState.h"
#include "app/FrameLoop.h"
#include "app/GLState.h"
#include "app/Shutdown.h"
#include "asset/Asset.h"
#include "camera/Camera.h"
#include "camera/CameraState.h"
#include "support/CapturedStdout.h"
#include "support/EndOfFrameState.h"
#include "support/FreshScene.h"
#include "support/ScopedEntryPoint.h"
#include "textureloader/TextureLoader.h"

#include <GLFW/glfw3.h>
#include <dlfcn.h>
#include <unistd.h>
#include <glm/geometric.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

struct DrawRecord {
    GLenum mode = 0;
    GLsizei count = 0;
    GLuint program = 0;
    GLuint vao = 0;
    GLuint elementBuffer = 0;
    GLenum activeUnit = 0;
    GLuint textureUnit0 = 0;
    GLuint textureUnit1 = 0;
    float lightPos[3] = {0.0f, 0.0f, 0.0f};
};

// What was in force when a pass began, by name: GL's integer state (of the
// stencil mask, its low byte) and whether each capability was enabled.
using PassState = std::map<std::string, GLint>;
const GLenum passIntegers[] = {GL_DRAW_BUFFER,
                               GL_DEPTH_WRITEMASK,
                               GL_DEPTH_FUNC,
                               GL_STENCIL_FUNC,
                               GL_STENCIL_REF,
                               GL_STENCIL_VALUE_MASK,
                               GL_STENCIL_BACK_FAIL,
                               GL_STENCIL_BACK_PASS_DEPTH_FAIL,
                               GL_STENCIL_BACK_PASS_DEPTH_PASS,
                               GL_STENCIL_FAIL,
                               GL_STENCIL_PASS_DEPTH_FAIL,
                               GL_STENCIL_PASS_DEPTH_PASS,
                               GL_BLEND_EQUATION_RGB,
                               GL_BLEND_SRC_RGB,
                               GL_BLEND_DST_RGB};
const char* const passIntegerNames[] = {"drawBuffer",    "depthMask",   "depthFunc",      "stencilFunc",
                                        "stencilRef",    "stencilMask", "backFail",       "backDepthFail",
                                        "backPass",      "frontFail",   "frontDepthFail", "frontPass",
                                        "blendEquation", "blendSrc",    "blendDst"};
const GLenum passCapabilities[] = {GL_DEPTH_TEST, GL_DEPTH_CLAMP, GL_STENCIL_TEST, GL_BLEND, GL_CULL_FACE};
const char* const passCapabilityNames[] = {"depthTest", "depthClamp", "stencilTest", "blend", "cullFace"};

// Program switches and draws of one pass, in order.
struct PassRecord {
    RenderPass pass = RenderPass::Depth;
    PassState state;
    std::vector<GLuint> programsUsed;
    // For every program switch, the draws made until the next one.
    std::vector<std::vector<DrawRecord>> drawsPerProgram;
    // Each asset's flag and program once the pass is over.
    std::vector<bool> litAfter;
    std::vector<GLuint> programAfter;
};

struct ClearRecord {
    GLbitfield mask = 0;
    GLboolean depthMask = GL_FALSE;
    GLint depthFunc = 0;
    GLint drawBuffer = 0;
};

struct FrameRecorder : PassObserver {
    std::vector<PassRecord> passes;
    std::vector<DrawRecord> drawsOutsidePasses;
    std::vector<ClearRecord> clears;
    std::vector<GLenum> drawBuffers;
    int useProgramCalls = 0;
    int viewportCalls = 0;
    int bindFramebufferCalls = 0;
    int deleteFramebufferCalls = 0;
    std::vector<GLuint> deletedVertexArrays;
    std::vector<GLuint> deletedTextures;
    bool inPass = false;
    int framesLeft = 0; // through the frame loop: frames before it is asked to end

    void beginPass(RenderPass pass) override
    {
        PassRecord record;
        record.pass = pass;
        for (size_t i = 0; i < std::size(passIntegers); ++i) {
            glGetIntegerv(passIntegers[i], &record.state[passIntegerNames[i]]);
        }
        record.state["stencilMask"] &= 0xFF;
        for (size_t i = 0; i < std::size(passCapabilities); ++i) {
            record.state[passCapabilityNames[i]] = glIsEnabled(passCapabilities[i]);
        }
        passes.push_back(record);
        inPass = true;
    }

    void endPass(RenderPass pass) override
    {
        if (pass == RenderPass::Additive && --framesLeft == 0) {
            glfwSetWindowShouldClose(appWindow.getWindow(), GLFW_TRUE);
        }
        inPass = false;
        PassRecord& record = passes.back();
        for (const Asset* asset : assets) {
            record.litAfter.push_back(asset->m_lit);
            record.programAfter.push_back(asset->getProgram());
        }
    }

    void onUseProgram(GLuint program)
    {
        ++useProgramCalls;
        if (inPass) {
            passes.back().programsUsed.push_back(program);
            passes.back().drawsPerProgram.emplace_back();
        }
    }

    void onDraw(GLenum mode, GLsizei count)
    {
        DrawRecord draw;
        draw.mode = mode;
        draw.count = count;
        GLint value = 0;
        glGetIntegerv(GL_CURRENT_PROGRAM, &value);
        draw.program = static_cast<GLuint>(value);
        glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &value);
        draw.vao = static_cast<GLuint>(value);
        glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &value);
        draw.elementBuffer = static_cast<GLuint>(value);
        GLint active = 0;
        glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
        draw.activeUnit = static_cast<GLenum>(active);
        glActiveTexture(GL_TEXTURE0);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
        draw.textureUnit0 = static_cast<GLuint>(value);
        glActiveTexture(GL_TEXTURE1);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
        draw.textureUnit1 = static_cast<GLuint>(value);
        glActiveTexture(static_cast<GLenum>(active));
        const GLint lightLocation = glGetUniformLocation(draw.program, "gLightPos");
        if (lightLocation >= 0) {
            glGetUniformfv(draw.program, lightLocation, draw.lightPos);
        }
        if (inPass && !passes.back().drawsPerProgram.empty()) {
            passes.back().drawsPerProgram.back().push_back(draw);
        } else {
            drawsOutsidePasses.push_back(draw);
        }
    }

    void onClear(GLbitfield mask)
    {
        ClearRecord clear;
        clear.mask = mask;
        glGetBooleanv(GL_DEPTH_WRITEMASK, &clear.depthMask);
        glGetIntegerv(GL_DEPTH_FUNC, &clear.depthFunc);
        glGetIntegerv(GL_DRAW_BUFFER, &clear.drawBuffer);
        clears.push_back(clear);
    }
};

FrameRecorder* recorder = nullptr;

PFNGLUSEPROGRAMPROC realUseProgram = nullptr;
PFNGLBINDFRAMEBUFFERPROC realBindFramebuffer = nullptr;
PFNGLDELETEFRAMEBUFFERSPROC realDeleteFramebuffers = nullptr;
PFNGLDELETERENDERBUFFERSPROC realDeleteRenderbuffers = nullptr;
PFNGLDELETEVERTEXARRAYSPROC realDeleteVertexArrays = nullptr;

// Tells the recorder, when one is watching.
template <typename Note>
void record(Note note)
{
    if (recorder != nullptr) {
        note(*recorder);
    }
}

void GLAPIENTRY recordingUseProgram(GLuint program)
{
    record([&](FrameRecorder& r) { r.onUseProgram(program); });
    realUseProgram(program);
}

void GLAPIENTRY recordingBindFramebuffer(GLenum target, GLuint framebuffer)
{
    record([](FrameRecorder& r) { ++r.bindFramebufferCalls; });
    realBindFramebuffer(target, framebuffer);
}

void GLAPIENTRY recordingDeleteFramebuffers(GLsizei n, const GLuint* names)
{
    record([](FrameRecorder& r) { ++r.deleteFramebufferCalls; });
    realDeleteFramebuffers(n, names);
}

void GLAPIENTRY recordingDeleteRenderbuffers(GLsizei n, const GLuint* names)
{
    record([](FrameRecorder& r) { ++r.deleteFramebufferCalls; });
    realDeleteRenderbuffers(n, names);
}

void GLAPIENTRY recordingDeleteVertexArrays(GLsizei n, const GLuint* names)
{
    record([&](FrameRecorder& r) { r.deletedVertexArrays.insert(r.deletedVertexArrays.end(), names, names + n); });
    realDeleteVertexArrays(n, names);
}

template <typename Function>
Function driverEntry(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

void GLAPIENTRY glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices)
{
    static const auto real = driverEntry<void (*)(GLenum, GLsizei, GLenum, const void*)>("glDrawElements");
    record([&](FrameRecorder& r) { r.onDraw(mode, count); });
    real(mode, count, type, indices);
}

void GLAPIENTRY glDrawBuffer(GLenum buffer)
{
    static const auto real = driverEntry<void (*)(GLenum)>("glDrawBuffer");
    record([&](FrameRecorder& r) { r.drawBuffers.push_back(buffer); });
    real(buffer);
}

void GLAPIENTRY glClear(GLbitfield mask)
{
    static const auto real = driverEntry<void (*)(GLbitfield)>("glClear");
    record([&](FrameRecorder& r) { r.onClear(mask); });
    real(mask);
}

void GLAPIENTRY glDeleteTextures(GLsizei n, const GLuint* names)
{
    static const auto real = driverEntry<void (*)(GLsizei, const GLuint*)>("glDeleteTextures");
    record([&](FrameRecorder& r) { r.deletedTextures.insert(r.deletedTextures.end(), names, names + n); });
    real(n, names);
}

void GLAPIENTRY glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    static const auto real = driverEntry<void (*)(GLint, GLint, GLsizei, GLsizei)>("glViewport");
    record([](FrameRecorder& r) { ++r.viewportCalls; });
    real(x, y, width, height);
}

} // extern "C"

namespace {

// The scene's assets under the names the frame loop's table uses, found by
// where the scene setup placed them.
struct NamedAssets {
    std::map<std::string, Asset*> byName;
    Asset* operator[](const std::string& name) const { return byName.at(name); }
};

const std::vector<std::pair<std::string, glm::vec3>> placements = {
    {"cow", {0.0f, 0.7f, -6.0f}},       {"test", {0.0f, 0.3f, -1.5f}},      {"spaceStation", {0.0f, 0.0f, 0.0f}},
    {"metalBox", {0.0f, 0.4f, 0.0f}},   {"brickBox", {0.0f, 0.5f, -11.0f}}, {"lion", {-1.0f, -0.43f, -5.5f}},
    {"lion2", {-1.55f, -0.43f, -5.5f}},
};

NamedAssets named;

class RenderPasses : public ::testing::Test {
protected:
    // Every test starts from a freshly set-up scene, as the viewer does.
    void SetUp() override
    {
        ASSERT_EQ(chdir(KOV_SOURCE_DIR), 0); // the scene's files are found from here
        setUpFreshScene();
        // Named by position right after set-up, before any frame moves them.
        named.byName.clear();
        for (const auto& [name, position] : placements) {
            for (Asset* asset : assets) {
                if (glm::distance(asset->getPosition(), position) < 1e-4f) {
                    named.byName[name] = asset;
                }
            }
        }
        ASSERT_EQ(named.byName.size(), placements.size()) << "not every scene asset is where it was put";
    }

    // GLEW's entry points that the frames are watched through, swapped for
    // the test's lifetime.
#define KOV_SWAPPED(Name)                                                                                         \
    const ScopedEntryPoint<decltype(__glew##Name)> m_##Name{__glew##Name, recording##Name, real##Name}
    KOV_SWAPPED(UseProgram);
    KOV_SWAPPED(BindFramebuffer);
    KOV_SWAPPED(DeleteFramebuffers);
    KOV_SWAPPED(DeleteRenderbuffers);
    KOV_SWAPPED(DeleteVertexArrays);
#undef KOV_SWAPPED

    // Renders frames with a fixed step (or through the frame loop, which
    // measures its own) while recording what they do.
    FrameRecorder renderRecorded(int frames, double dt = 0.125, bool throughTheLoop = false)
    {
        FrameRecorder frameRecorder;
        recorder = &frameRecorder;
        setPassObserver(&frameRecorder);
        if (throughTheLoop) {
            frameRecorder.framesLeft = frames;
            renderLoop();
            glfwSetWindowShouldClose(appWindow.getWindow(), GLFW_FALSE);
        }
        for (int i = 0; i < frames && !throughTheLoop; ++i) {
            renderFrame(dt);
        }
        setPassObserver(nullptr);
        recorder = nullptr;
        return frameRecorder;
    }
};

std::string nameOf(GLuint vao)
{
    for (const auto& [name, asset] : named.byName) {
        if (asset->getVao() == vao) {
            return name;
        }
    }
    return "vao " + std::to_string(vao);
}

std::vector<std::string> drawnNames(const std::vector<DrawRecord>& draws)
{
    std::vector<std::string> names;
    for (const DrawRecord& draw : draws) {
        names.push_back(nameOf(draw.vao));
    }
    return names;
}

using Names = std::vector<std::string>;

// A plain draw: triangles from the asset's own index list, with its colour
// texture on the unit it was given (0 for every colour texture of the scene).
// A normal-mapped draw: the same, with the normal map on unit 1, unit 1
// selected last.
void expectDraws(const std::vector<DrawRecord>& draws, GLuint program, const char* where, bool normalMapped)
{
    for (const DrawRecord& draw : draws) {
        const Asset* asset = named[nameOf(draw.vao)];
        SCOPED_TRACE(std::string(where) + ": " + nameOf(draw.vao));
        EXPECT_EQ(draw.program, program);
        EXPECT_EQ(draw.mode, static_cast<GLenum>(GL_TRIANGLES));
        EXPECT_EQ(draw.count, asset->getNumIndices());
        EXPECT_EQ(draw.elementBuffer, asset->getIndexBuffer());
        EXPECT_EQ(draw.activeUnit, static_cast<GLenum>(normalMapped ? GL_TEXTURE1 : GL_TEXTURE0));
        EXPECT_EQ(draw.textureUnit0, asset->getTexture());
        if (normalMapped) {
            EXPECT_EQ(draw.textureUnit1, asset->getNormalMap());
        }
    }
}

// A field of a pass's state that the pass leaves as it finds it.
constexpr GLint unchecked = -12345;

} // namespace

// The scene as it is meant to be, written out here rather than read from
// the layout table the scene setup is built from: the assets in drawing
// order, and their textures by place in the `textures` list (-1: none).
struct ExpectedAsset {
    const char* name;
    bool withAdjacency;
    bool normalMapped;
    int colour;
    int normalMap;
};
const ExpectedAsset expectedAssets[] = {
    {"cow", true, false, 0, -1},     {"test", true, false, 3, -1},   {"spaceStation", false, false, 2, -1},
    {"metalBox", true, true, 4, 5},  {"brickBox", true, true, 6, 7}, {"lion", true, true, 8, 9},
    {"lion2", true, false, 8, -1},
};
const int cometTexture = 1; // loaded, given to no asset
const int expectedTextureUnits[] = {0, 0, 0, 0, 0, 1, 0, 1, 0, 1};

// Right after set-up: seven assets in drawing order, each with its own mesh,
// the three normal-mapped ones and the one without adjacency, ten textures,
// the camera body in no list, the basic program current and the camera at its
// start.
TEST_F(RenderPasses, SceneAfterSetup)
{
    ASSERT_EQ(assets.size(), std::size(expectedAssets));
    for (size_t i = 0; i < assets.size(); ++i) {
        EXPECT_EQ(assets[i], named[expectedAssets[i].name]) << "position " << i << " should hold "
                                                            << expectedAssets[i].name;
    }
    EXPECT_EQ(cow, named["cow"]);
    EXPECT_TRUE(assets2.empty());
    EXPECT_TRUE(assets3.empty());

    std::vector<GLuint> vaos;
    for (const Asset* asset : assets) {
        EXPECT_GT(asset->getNumIndices(), 0) << nameOf(asset->getVao()) << " has no mesh";
        vaos.push_back(asset->getVao());
    }
    std::sort(vaos.begin(), vaos.end());
    EXPECT_EQ(std::unique(vaos.begin(), vaos.end()), vaos.end()) << "two assets share a mesh";

    ASSERT_EQ(textures.size(), std::size(expectedTextureUnits));
    for (size_t i = 0; i < textures.size(); ++i) {
        ASSERT_NE(textures[i], nullptr);
        EXPECT_NE(textures[i]->m_handle, 0u);
        EXPECT_EQ(textures[i]->m_unit, expectedTextureUnits[i]) << "texture " << i;
    }
    for (const ExpectedAsset& expected : expectedAssets) {
        const Asset* asset = named[expected.name];
        EXPECT_EQ(asset->isNormalMapped(), expected.normalMapped) << expected.name;
        EXPECT_EQ(asset->hasAdjacency(), expected.withAdjacency) << expected.name;
        EXPECT_EQ(asset->getAdjacencyIndexBuffer() != 0, expected.withAdjacency) << expected.name;
        EXPECT_EQ(asset->getTexture(), textures[expected.colour]->m_handle) << expected.name;
        EXPECT_NE(asset->getTexture(), textures[cometTexture]->m_handle) << "the comet texture is given to no asset";
        if (expected.normalMap >= 0) {
            EXPECT_EQ(asset->getNormalMap(), textures[expected.normalMap]->m_handle) << expected.name;
        }
    }

    ASSERT_NE(camera, nullptr);
    ASSERT_NE(camera->getBody(), nullptr);
    EXPECT_EQ(std::find(assets.begin(), assets.end(), camera->getBody()), assets.end());
    EXPECT_EQ(camera->getBody()->getNumIndices(), 0);

    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(static_cast<GLuint>(current), basicLightingShader.getProgram());
    for (GLuint program : {basicLightingShader.getProgram(), shadowShader.getProgram(), ambientShader.getProgram(),
                           normalMappingShader.getProgram()}) {
        GLint linked = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        EXPECT_EQ(linked, GL_TRUE);
    }
    EXPECT_EQ(named["cow"]->getProgram(), shadowShader.getProgram());
    EXPECT_EQ(named["lion"]->getProgram(), basicLightingShader.getProgram());

    const glm::vec3 eye = getCameraPosition();
    const glm::vec3 focus = getCameraFocus();
    EXPECT_FLOAT_EQ(eye.x, 0.0f);
    EXPECT_FLOAT_EQ(eye.y, 0.6f);
    EXPECT_FLOAT_EQ(eye.z, 2.0f);
    EXPECT_FLOAT_EQ(focus.x, 0.0f);
    EXPECT_FLOAT_EQ(focus.y, 0.2f);
    EXPECT_FLOAT_EQ(focus.z, -2.0f);
}

// Every pass of a frame: its program, draw operation and assets in the order
// of the pass table, and the render state it runs under.
TEST_F(RenderPasses, PassesProgramsAndDrawsOfAFrame)
{
    const GLuint ambient = ambientShader.getProgram();
    const GLuint shadow = shadowShader.getProgram();
    const GLuint basic = basicLightingShader.getProgram();
    const GLuint normalMapping = normalMappingShader.getProgram();
    const Names plain = {"cow", "test", "spaceStation", "lion2"};
    const Names normalMapped = {"metalBox", "brickBox", "lion"};
    const Names casters = {"cow", "test", "metalBox", "brickBox", "lion", "lion2"};

    const FrameRecorder frame = renderRecorded(1);
    EXPECT_TRUE(frame.drawsOutsidePasses.empty()) << "a draw outside the four passes";
    ASSERT_EQ(frame.passes.size(), 4u);
    const PassRecord& depth = frame.passes[0];
    const PassRecord& volumes = frame.passes[1];
    const PassRecord& lit = frame.passes[2];
    const PassRecord& additive = frame.passes[3];
    EXPECT_EQ(depth.pass, RenderPass::Depth);
    EXPECT_EQ(volumes.pass, RenderPass::ShadowVolumes);
    EXPECT_EQ(lit.pass, RenderPass::Lit);
    EXPECT_EQ(additive.pass, RenderPass::Additive);

    // Depth pre-pass: the ambient program twice, plain then normal-mapped.
    ASSERT_EQ(depth.programsUsed, (std::vector<GLuint>{ambient, ambient}));
    EXPECT_EQ(drawnNames(depth.drawsPerProgram[0]), plain);
    EXPECT_EQ(drawnNames(depth.drawsPerProgram[1]), normalMapped);
    expectDraws(depth.drawsPerProgram[0], ambient, "depth pass", false);
    expectDraws(depth.drawsPerProgram[1], ambient, "depth pass", true);

    // Shadow volumes: one triangles-with-adjacency draw per light within range
    // of each caster's origin; the space station never.
    ASSERT_EQ(volumes.programsUsed, std::vector<GLuint>{shadow});
    const std::vector<DrawRecord>& volumeDraws = volumes.drawsPerProgram[0];
    Names expectedCasters;
    std::vector<glm::vec3> expectedLights;
    for (const std::string& name : casters) {
        const Asset* asset = named[name];
        for (const PointLight& light : asset->getPointLights()) {
            if (glm::distance(light.Position, asset->getPosition()) <= Asset::shadowLightRange) {
                expectedCasters.push_back(name);
                expectedLights.push_back(light.Position);
            }
        }
    }
    EXPECT_GE(expectedCasters.size(), casters.size()) << "every caster of the scene is near at least one light";
    EXPECT_EQ(drawnNames(volumeDraws), expectedCasters);
    for (size_t i = 0; i < volumeDraws.size() && i < expectedLights.size(); ++i) {
        const DrawRecord& draw = volumeDraws[i];
        const Asset* asset = named[nameOf(draw.vao)];
        SCOPED_TRACE("shadow volume draw " + std::to_string(i) + ": " + nameOf(draw.vao));
        EXPECT_EQ(draw.program, shadow);
        EXPECT_EQ(draw.mode, static_cast<GLenum>(GL_TRIANGLES_ADJACENCY));
        EXPECT_EQ(draw.count, 2 * asset->getNumIndices());
        EXPECT_EQ(draw.elementBuffer, asset->getAdjacencyIndexBuffer());
        EXPECT_EQ(glm::vec3(draw.lightPos[0], draw.lightPos[1], draw.lightPos[2]), expectedLights[i]);
    }

    // Both lit passes: basic lighting for the plain assets, then normal
    // mapping for the others.
    for (const PassRecord* pass : {&lit, &additive}) {
        const char* where = pass == &lit ? "lit pass" : "additive pass";
        SCOPED_TRACE(where);
        ASSERT_EQ(pass->programsUsed, (std::vector<GLuint>{basic, normalMapping}));
        EXPECT_EQ(drawnNames(pass->drawsPerProgram[0]), plain);
        EXPECT_EQ(drawnNames(pass->drawsPerProgram[1]), normalMapped);
        expectDraws(pass->drawsPerProgram[0], basic, where, false);
        expectDraws(pass->drawsPerProgram[1], normalMapping, where, true);
    }

    // The flag and the program each asset is left with after each pass.
    for (size_t i = 0; i < assets.size(); ++i) {
        const std::string name = nameOf(assets[i]->getVao());
        EXPECT_FALSE(depth.litAfter[i]) << name;
        EXPECT_EQ(depth.programAfter[i], ambient) << name;
        EXPECT_FALSE(volumes.litAfter[i]) << name;
        EXPECT_EQ(volumes.programAfter[i], name == "spaceStation" ? ambient : shadow) << name;
        EXPECT_TRUE(lit.litAfter[i]) << name;
        EXPECT_TRUE(additive.litAfter[i]) << name;
        const GLuint litProgram = assets[i]->isNormalMapped() ? normalMapping : basic;
        EXPECT_EQ(lit.programAfter[i], litProgram) << name;
        EXPECT_EQ(additive.programAfter[i], litProgram) << name;
    }

    // The state each pass runs under, field by field: its value in the depth,
    // shadow volume, lit and additive pass, or `unchecked` where the pass
    // leaves it as it finds it.
    const std::pair<const char*, std::array<GLint, 4>> expectedState[] = {
        {"drawBuffer", {GL_NONE, GL_NONE, GL_BACK, GL_BACK}},
        {"depthMask", {GL_TRUE, GL_FALSE, GL_FALSE, GL_FALSE}},
        {"depthFunc", {GL_LEQUAL, GL_LEQUAL, GL_EQUAL, GL_EQUAL}},
        {"depthTest", {1, 1, unchecked, unchecked}},
        {"depthClamp", {0, 1, 0, unchecked}},
        {"stencilTest", {0, 1, 1, 0}},
        {"blend", {0, 0, 0, 1}},
        {"cullFace", {1, 0, 1, 1}},
        {"stencilFunc", {unchecked, GL_ALWAYS, GL_EQUAL, unchecked}},
        {"stencilRef", {unchecked, 0, 0, unchecked}},
        {"stencilMask", {unchecked, 0xFF, 0xFF, unchecked}},
        {"backFail", {unchecked, GL_KEEP, GL_KEEP, unchecked}},
        {"backDepthFail", {unchecked, GL_INCR_WRAP, GL_KEEP, unchecked}},
        {"backPass", {unchecked, GL_KEEP, GL_KEEP, unchecked}},
        {"frontFail", {unchecked, GL_KEEP, GL_KEEP, unchecked}},
        {"frontDepthFail", {unchecked, GL_DECR_WRAP, GL_KEEP, unchecked}},
        {"frontPass", {unchecked, GL_KEEP, GL_KEEP, unchecked}},
        {"blendEquation", {unchecked, unchecked, unchecked, GL_FUNC_ADD}},
        {"blendSrc", {unchecked, unchecked, unchecked, GL_ONE}},
        {"blendDst", {unchecked, unchecked, unchecked, GL_ONE}},
    };
    for (size_t p = 0; p < 4; ++p) {
        const PassRecord& pass = frame.passes[p];
        std::map<std::string, GLint> expected;
        std::map<std::string, GLint> actual;
        for (const auto& [field, values] : expectedState) {
            if (values[p] != unchecked) {
                expected[field] = values[p];
                actual[field] = pass.state.at(field);
            }
        }
        // A failure prints both lists by field name.
        EXPECT_EQ(actual, expected) << "the state of pass " << p;
    }
}

// Several frames of the frame loop: one clear each, of all three buffers, made
// with depth writes on, GL_LEQUAL and the back buffer selected; the draw
// buffer switched off and back exactly once; without an off-screen
// framebuffer, no viewport and no framebuffer binding at all; and time steps
// that add up to no more than the loop ran (each one measured from the frame
// before, not from the loop's start).
TEST_F(RenderPasses, FramesClearAndLeaveViewportAndFramebufferAlone)
{
    ASSERT_EQ(fbo, 0u);
    glViewport(7, 11, 613, 401); // distinctive: a frame that set it would change it
    const int frames = 5;
    const double start = glfwGetTime();
    const FrameRecorder recorded = renderRecorded(frames, 0.0, true);
    EXPECT_GT(getFlightTimer(), 0.0f);
    EXPECT_LE(getFlightTimer(), glfwGetTime() - start);

    EXPECT_EQ(recorded.viewportCalls, 0);
    EXPECT_EQ(recorded.bindFramebufferCalls, 0);
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 7);
    EXPECT_EQ(viewport[1], 11);
    EXPECT_EQ(viewport[2], 613);
    EXPECT_EQ(viewport[3], 401);
    glViewport(0, 0, 1024, 768);

    ASSERT_EQ(recorded.clears.size(), static_cast<size_t>(frames));
    for (const ClearRecord& clear : recorded.clears) {
        EXPECT_EQ(clear.mask,
                  static_cast<GLbitfield>(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT));
        EXPECT_EQ(clear.depthMask, GL_TRUE);
        EXPECT_EQ(clear.depthFunc, GL_LEQUAL);
        EXPECT_EQ(clear.drawBuffer, GL_BACK);
    }
    std::vector<GLenum> expectedDrawBuffers;
    for (int i = 0; i < frames; ++i) {
        expectedDrawBuffers.push_back(GL_NONE);
        expectedDrawBuffers.push_back(GL_BACK);
    }
    EXPECT_EQ(recorded.drawBuffers, expectedDrawBuffers);
    EXPECT_EQ(recorded.passes.size(), static_cast<size_t>(4 * frames));
    // Two program switches in the depth pass, one for the volumes, two in each
    // lit pass.
    EXPECT_EQ(recorded.useProgramCalls, 7 * frames);
}

// The state a frame leaves for the next one's clear.
TEST_F(RenderPasses, StateAtTheEndOfAFrame)
{
    renderRecorded(1);
    expectEndOfFrameState("a frame of the scene");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "the frame left a GL error behind";
}

// A reference frame without shadow volumes skips that pass and nothing else.
TEST_F(RenderPasses, SkippingShadowVolumesLeavesTheOtherPasses)
{
    FrameRecorder frameRecorder;
    frameRecorder.skipShadowVolumes = true;
    recorder = &frameRecorder;
    setPassObserver(&frameRecorder);
    renderFrame(0.125);
    setPassObserver(nullptr);
    recorder = nullptr;
    ASSERT_EQ(frameRecorder.passes.size(), 3u);
    EXPECT_EQ(frameRecorder.passes[0].pass, RenderPass::Depth);
    EXPECT_EQ(frameRecorder.passes[1].pass, RenderPass::Lit);
    EXPECT_EQ(frameRecorder.passes[2].pass, RenderPass::Additive);
    EXPECT_TRUE(frameRecorder.drawsOutsidePasses.empty());
    size_t draws = 0;
    for (const PassRecord& pass : frameRecorder.passes) {
        for (const std::vector<DrawRecord>& group : pass.drawsPerProgram) {
            for (const DrawRecord& draw : group) {
                EXPECT_NE(draw.mode, static_cast<GLenum>(GL_TRIANGLES_ADJACENCY));
                ++draws;
            }
        }
    }
    EXPECT_EQ(draws, 3 * assets.size());
}

namespace {

// A meshless asset that logs its updates and draws: the operation, with the
// program current and the lit flag it was drawn with. A flagged probe is
// normal-mapped and has adjacency.
class ListedProbe : public Asset {
public:
    ListedProbe(std::string name, bool flagged, std::vector<std::string>* log)
        : Asset(false, flagged, 0), m_name(std::move(name)), m_log(log)
    {
        m_withAdjacency = flagged;
    }
    void update(float) override { m_log->push_back(m_name + " update"); }
    void draw() override { record("draw"); }
    void drawShadowVolume() override { record("drawShadowVolume"); }
    void drawNormalMapped() override { record("drawNormalMapped"); }

private:
    void record(const std::string& operation)
    {
        GLint current = 0;
        glGetIntegerv(GL_CURRENT_PROGRAM, &current);
        const GLuint program = static_cast<GLuint>(current);
        const std::string name = program == ambientShader.getProgram()         ? "ambient"
                                 : program == basicLightingShader.getProgram() ? "basic"
                                                                               : std::to_string(program);
        m_log->push_back(m_name + " " + operation + " " + name + (m_lit ? " lit" : " unlit"));
    }

    std::string m_name;
    std::vector<std::string>* m_log;
};

} // namespace

// The two further lists: whatever their assets' flags, they are drawn with the
// plain draw in the depth pass and both lit passes, after the main list, never
// as shadow volumes or normal-mapped; and updated after the main list (here
// ending with a plain probe).
TEST_F(RenderPasses, FurtherListsAreDrawnPlainAndUpdatedAfterTheMainList)
{
    std::vector<std::string> log;
    {
        CapturedStdout quiet;
        ListedProbe main("main", false, &log);
        ListedProbe second("second", true, &log);
        ListedProbe third("third", true, &log);
        assets.push_back(&main);
        assets2.push_back(&second);
        assets3.push_back(&third);
        renderRecorded(1);
        assets.pop_back();
        assets2.clear();
        assets3.clear();
    }
    clearGLErrors();

    std::vector<std::string> expected = {"main update", "second update", "third update"};
    for (const char* pass : {" ambient unlit", " basic lit", " basic lit"}) {
        for (const char* probe : {"main", "second", "third"}) {
            expected.push_back(std::string(probe) + " draw" + pass);
        }
    }
    EXPECT_EQ(log, expected);
}

// Shutdown releases the seven scene assets in list order, then the camera
// body (which has no mesh), then the ten textures in list order, and touches
// no framebuffer.
TEST_F(RenderPasses, CleanupReleasesAssetsCameraAndTextures)
{
    std::vector<GLuint> expectedVertexArrays;
    for (const Asset* asset : assets) {
        expectedVertexArrays.push_back(asset->getVao());
    }
    expectedVertexArrays.push_back(camera->getBody()->getVao());
    std::vector<GLuint> expectedTextures;
    for (const Texture* texture : textures) {
        expectedTextures.push_back(texture->m_handle);
    }

    FrameRecorder frameRecorder;
    recorder = &frameRecorder;
    const std::string out = stdoutOf(cleanup);
    recorder = nullptr;

    std::string expected;
    for (int i = 0; i < 8; ++i) {
        expected += "Asset Destructor\n";
    }
    for (int i = 0; i < 10; ++i) {
        expected += "Texture destructor\n";
    }
    EXPECT_EQ(out, expected);
    EXPECT_EQ(frameRecorder.deletedVertexArrays, expectedVertexArrays);
    EXPECT_EQ(frameRecorder.deletedTextures, expectedTextures);
    EXPECT_EQ(frameRecorder.bindFramebufferCalls, 0);
    EXPECT_EQ(frameRecorder.deleteFramebufferCalls, 0);
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(program, 0);
}
