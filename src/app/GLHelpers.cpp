#include "app/GLHelpers.h"

#include <GL/glew.h>
#include <fcntl.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// The C runtime's descriptor calls, under their POSIX or their Windows names.
#ifdef _WIN32
const char* const nullDevice = "NUL";
int descriptorOf(FILE* stream) { return _fileno(stream); }
int duplicate(int fd) { return _dup(fd); }
int duplicateTo(int fd, int target) { return _dup2(fd, target); }
int openForWriting(const char* path) { return _open(path, _O_WRONLY); }
int closeDescriptor(int fd) { return _close(fd); }
#else
const char* const nullDevice = "/dev/null";
int descriptorOf(FILE* stream) { return fileno(stream); }
int duplicate(int fd) { return dup(fd); }
int duplicateTo(int fd, int target) { return dup2(fd, target); }
int openForWriting(const char* path) { return open(path, O_WRONLY); }
int closeDescriptor(int fd) { return close(fd); }
#endif

} // namespace

void printLine(const std::string& text)
{
    std::cout << text << std::endl;
}

void clearGLErrors()
{
    while (glGetError() != GL_NO_ERROR) {
    }
}

void consolePause()
{
#ifdef _WIN32
    // The command interpreter's own pause: its prompt, then any key (it
    // returns at once when standard input is at its end).
    std::cout.flush();
    std::system("PAUSE");
#else
    if (!isatty(STDIN_FILENO)) {
        return;
    }
    std::cout << "Press Enter to continue..." << std::endl;
    int c;
    do {
        c = std::getchar();
    } while (c != '\n' && c != EOF);
#endif
}

void pointAttribute(GLuint program, GLuint buffer, const char* name, GLint components)
{
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    const GLint location = glGetAttribLocation(program, name);
    glEnableVertexAttribArray(static_cast<GLuint>(location));
    glVertexAttribPointer(static_cast<GLuint>(location), components, GL_FLOAT, GL_FALSE, 0, nullptr);
}

int discardStandardOutput()
{
    std::cout.flush();
    std::fflush(stdout);
    const int standardOutput = descriptorOf(stdout);
    const int saved = duplicate(standardOutput);
    const int devNull = openForWriting(nullDevice);
    if (devNull >= 0) {
        duplicateTo(devNull, standardOutput);
        closeDescriptor(devNull);
    }
    return saved;
}

void restoreStandardOutput(int saved)
{
    std::cout.flush();
    std::fflush(stdout);
    if (saved >= 0) {
        duplicateTo(saved, descriptorOf(stdout));
        closeDescriptor(saved);
    }
}

std::string infoLog(GLuint name, PFNGLGETSHADERIVPROC getParameter, PFNGLGETSHADERINFOLOGPROC getLog)
{
    GLint length = 0;
    getParameter(name, GL_INFO_LOG_LENGTH, &length);
    if (length <= 0) {
        return std::string();
    }
    std::string buffer(static_cast<size_t>(length), '\0');
    getLog(name, length, nullptr, buffer.data());
    return std::string(buffer.c_str());
}

namespace {

// Whether the shader's or program's `status` is GL_TRUE; if not, *failure
// (when given) names `stage` and holds the log.
bool succeeded(GLuint name, GLenum status, PFNGLGETSHADERIVPROC getParameter, PFNGLGETSHADERINFOLOGPROC getLog,
               GLenum stage, GLSLFailure* failure)
{
    GLint value = GL_FALSE;
    getParameter(name, status, &value);
    if (value != GL_TRUE && failure != nullptr) {
        *failure = {stage, infoLog(name, getParameter, getLog)};
    }
    return value == GL_TRUE;
}

} // namespace

GLShader compileStage(GLenum stage, const char* source, GLSLFailure* failure)
{
    GLShader shader = GLShader::wrap(glCreateShader(stage));
    glShaderSource(shader.id(), 1, &source, nullptr);
    glCompileShader(shader.id());
    if (!succeeded(shader.id(), GL_COMPILE_STATUS, glGetShaderiv, glGetShaderInfoLog, stage, failure)) {
        shader.reset();
    }
    return shader;
}

GLProgram compileProgram(const char* vertex, const char* geometry, const char* fragment, GLSLFailure* failure)
{
    std::vector<GLShader> shaders;
    for (const auto& [stage, source] : {std::pair{GL_VERTEX_SHADER, vertex}, std::pair{GL_GEOMETRY_SHADER, geometry},
                                        std::pair{GL_FRAGMENT_SHADER, fragment}}) {
        if (source != nullptr) {
            shaders.push_back(compileStage(stage, source, failure));
            if (!shaders.back()) {
                return GLProgram();
            }
        }
    }
    GLProgram program = GLProgram::create();
    for (const GLShader& shader : shaders) {
        glAttachShader(program.id(), shader.id());
    }
    glLinkProgram(program.id());
    // The shaders' owners delete them on return; GL frees them with the program.
    if (!succeeded(program.id(), GL_LINK_STATUS, glGetProgramiv, glGetProgramInfoLog, 0, failure)) {
        program.reset();
    }
    return program;
}
