#include "app/Framebuffer.h"

#include "app/AppState.h"
#include "app/Console.h"
#include "app/GLObject.h"
#include "app/GLSL.h"

namespace {

// The colour image of the off-screen framebuffer and what copies it to the
// window: created with the framebuffer, deleted with it by releaseFramebuffer
// (which cleanup() calls while the context is current).
GLTexture colourTexture;
GLProgram presentProgram; // none when it did not build: nothing is copied then
GLVertexArray presentVao;
GLint presentImageLocation = -1;

const char* const presentVertexSource = R"(#version 330 core
// One triangle that covers the whole viewport.
void main()
{
    vec2 corner = vec2(float((gl_VertexID & 1) * 4 - 1), float((gl_VertexID & 2) * 2 - 1));
    gl_Position = vec4(corner, 0.0, 1.0);
}
)";

const char* const presentFragmentSource = R"(#version 330 core
uniform sampler2D image;
out vec4 colour;
void main()
{
    // Pixel for pixel, no filtering.
    colour = texelFetch(image, ivec2(gl_FragCoord.xy), 0);
}
)";

void createPresenter()
{
    GLSLFailure failure;
    presentProgram = compileProgram(presentVertexSource, nullptr, presentFragmentSource, &failure);
    if (!presentProgram) {
        printLine(failure.stage != 0 ? "fbo error: the present shaders did not compile"
                                     : "fbo error: the present program did not link");
        return;
    }
    presentImageLocation = glGetUniformLocation(presentProgram.id(), "image");
    presentVao = GLVertexArray::generate();
}

} // namespace

void createFramebuffer()
{
    // A second call replaces the first set instead of losing it.
    releaseFramebuffer();
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glGenRenderbuffers(1, &depthBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, appWindow.getWidth(), appWindow.getHeight());
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depthBuffer);

    // A colour image to render into, so that the frame can be shown.
    GLint previousTexture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previousTexture);
    colourTexture = GLTexture::generate();
    glBindTexture(GL_TEXTURE_2D, colourTexture.id());
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, appWindow.getWidth(), appWindow.getHeight(), 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previousTexture));
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colourTexture.id(), 0);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);

    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        printLine("fbo error");
    }
    createPresenter();
}

void presentFramebuffer()
{
    // Drawn into the window's back buffer with the state the frame leaves
    // (depth writes off, stencil and blending off); only the depth test,
    // culling and the program are changed here, and put back afterwards.
    if (!presentProgram) {
        return;
    }
    GLint previousProgram = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &previousProgram);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glUseProgram(presentProgram.id());
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, colourTexture.id());
    glUniform1i(presentImageLocation, 0);
    glBindVertexArray(presentVao.id());
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glBindVertexArray(0);
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glUseProgram(static_cast<GLuint>(previousProgram));
}

void releaseFramebuffer()
{
    if (fbo != 0) {
        glDeleteFramebuffers(1, &fbo);
    }
    if (depthBuffer != 0) {
        glDeleteRenderbuffers(1, &depthBuffer);
    }
    colourTexture.reset();
    presentProgram.reset();
    presentVao.reset();
    fbo = depthBuffer = 0;
    presentImageLocation = -1;
}
