#include "app/FrameLoop.h"

#include "app/AppState.h"
#include "app/Framebuffer.h"
#include "app/GLState.h"
#include "asset/Asset.h"
#include "camera/CameraState.h"

#include <GLFW/glfw3.h>

namespace {

PassObserver* passObserver = nullptr;

void beginPass(RenderPass pass)
{
    if (passObserver != nullptr) {
        passObserver->beginPass(pass);
    }
}

void endPass(RenderPass pass)
{
    if (passObserver != nullptr) {
        passObserver->endPass(pass);
    }
}

bool loopShouldEnd()
{
    GLFWwindow* w = appWindow.getWindow();
    return w == nullptr || glfwGetKey(w, GLFW_KEY_ESCAPE) == GLFW_PRESS || glfwWindowShouldClose(w);
}

// The colour buffer the lit passes write: the window's back buffer, or the
// off-screen colour attachment while that framebuffer is bound.
GLenum litDrawBuffer()
{
    return fbo != 0 ? GL_COLOR_ATTACHMENT0 : GL_BACK;
}

// One lit pass: the plain assets with basic lighting, then the normal-mapped
// ones with normal mapping.
void drawLitPass(RenderPass pass)
{
    beginPass(pass);
    drawScene(false, false, true, basicLightingShader.getProgram());
    drawScene(false, true, true, normalMappingShader.getProgram());
    endPass(pass);
}

} // namespace

void setPassObserver(PassObserver* observer)
{
    passObserver = observer;
}

void drawScene(bool shadowPass, bool normalPass, bool lightPass, GLuint program)
{
    clearGLErrors();
    glUseProgram(program);
    clearGLErrors();

    auto drawWith = [&](Asset* asset, void (Asset::*operation)()) {
        asset->m_lit = lightPass;
        asset->setProgram(program);
        (asset->*operation)();
    };

    if (shadowPass) {
        for (Asset* asset : assets) {
            if (asset->m_withAdjacency) {
                drawWith(asset, &Asset::drawShadowVolume);
            }
        }
    } else if (normalPass) {
        for (Asset* asset : assets) {
            if (asset->isNormalMapped()) {
                drawWith(asset, &Asset::drawNormalMapped);
            }
        }
    } else {
        for (Asset* asset : assets) {
            if (!asset->isNormalMapped()) {
                drawWith(asset, &Asset::draw);
            }
        }
        // assets2 and assets3 stay empty in this scene; walking them is intended.
        for (Asset* asset : assets2) {
            drawWith(asset, &Asset::draw);
        }
        for (Asset* asset : assets3) {
            drawWith(asset, &Asset::draw);
            clearGLErrors();
        }
        clearGLErrors();
    }
}

void updateScene(double dt)
{
    const float step = static_cast<float>(dt);
    for (Asset* asset : assets) {
        asset->update(step);
    }
    for (Asset* asset : assets2) {
        asset->update(step);
    }
    for (Asset* asset : assets3) {
        asset->update(step);
    }
}

void renderFrame(double dt)
{
    if (fbo != 0) {
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glViewport(0, 0, appWindow.getWidth(), appWindow.getHeight());
    }
    glfwPollEvents();
    updateCameraFlight(dt);
    updateScene(dt);

    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glDrawBuffer(GL_NONE);

    // Depth pre-pass: only depth is kept.
    beginPass(RenderPass::Depth);
    drawScene(false, false, false, ambientShader.getProgram());
    drawScene(false, true, false, ambientShader.getProgram());
    endPass(RenderPass::Depth);

    // Shadow volumes counted depth-fail into the stencil buffer, the volumes
    // of every caster for every light into one count. Only faces behind the
    // visible surface (failing the depth test) count: a back face adds one, a
    // front face takes one away. shaders/shadow.geom winds every face to look
    // out of its volume, so the count is the number of volumes holding the
    // surface. No culling: both facings must reach the stencil.
    glEnable(GL_STENCIL_TEST);
    glDepthMask(GL_FALSE);
    glEnable(GL_DEPTH_CLAMP);
    glDisable(GL_CULL_FACE);
    glStencilFunc(GL_ALWAYS, 0, 0xFF);
    glStencilOpSeparate(GL_BACK, GL_KEEP, GL_INCR_WRAP, GL_KEEP);
    glStencilOpSeparate(GL_FRONT, GL_KEEP, GL_DECR_WRAP, GL_KEEP);
    if (passObserver == nullptr || !passObserver->skipShadowVolumes) {
        beginPass(RenderPass::ShadowVolumes);
        drawScene(true, false, false, shadowShader.getProgram());
        endPass(RenderPass::ShadowVolumes);
    }

    // Lit pass where the stencil count is zero: all three lights, only where
    // no volume of any light holds the surface.
    glDisable(GL_DEPTH_CLAMP);
    glEnable(GL_CULL_FACE);
    glDepthFunc(GL_EQUAL);
    glDrawBuffer(litDrawBuffer());
    glStencilFunc(GL_EQUAL, 0, 0xFF);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    drawLitPass(RenderPass::Lit);

    // The same light added over the whole image, stencil off: a pixel in the
    // shadow of any one light gets all three lights once, any other twice.
    glDisable(GL_STENCIL_TEST);
    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glBlendFunc(GL_ONE, GL_ONE);
    drawLitPass(RenderPass::Additive);
    glDisable(GL_BLEND);

    if (fbo != 0) {
        presentFramebuffer();
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }
    glfwSwapBuffers(appWindow.getWindow());
    clearGLErrors();
}

void renderLoop()
{
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    // Keys are polled between frames: with sticky keys a press that is
    // released again before the next poll (a tap shorter than a slow frame)
    // still reads as pressed once.
    if (GLFWwindow* w = appWindow.getWindow()) {
        glfwSetInputMode(w, GLFW_STICKY_KEYS, GLFW_TRUE);
    }
    double lastTime = glfwGetTime();
    while (!loopShouldEnd()) {
        const double now = glfwGetTime();
        const double dt = now - lastTime;
        lastTime = now;
        renderFrame(dt);
    }
}
