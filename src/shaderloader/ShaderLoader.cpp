#include "shaderloader/ShaderLoader.h"

#include "app/Console.h"
#include "app/GLSL.h"
#include "app/GLState.h"

#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

GLenum stageFromPath(const std::string& path)
{
    if (path.find(".frag") != std::string::npos) {
        return GL_FRAGMENT_SHADER;
    }
    if (path.find(".vert") != std::string::npos) {
        return GL_VERTEX_SHADER;
    }
    if (path.find(".geom") != std::string::npos) {
        return GL_GEOMETRY_SHADER;
    }
    return 0;
}

// GLU has no text for some codes (GL_CONTEXT_LOST, for one) and gives a null
// pointer for them.
std::string glErrorText(GLenum error)
{
    const GLubyte* text = gluErrorString(error);
    if (text == nullptr) {
        char code[32];
        std::snprintf(code, sizeof(code), "unknown GL error 0x%04X", static_cast<unsigned>(error));
        return code;
    }
    return reinterpret_cast<const char*>(text);
}

} // namespace

int compileShaderFile(const std::string& path, GLuint* program, GLuint* shader)
{
    if (*program == 0) {
        printLine("Failed to create shader program");
        consolePause();
        std::exit(-1);
    }
    const GLenum stage = stageFromPath(path);
    // Not even the path is printed: intended, the caller's "failed to load shader" is the report.
    if (stage == 0) {
        return 0;
    }
    printLine(path);

    std::ifstream file(path);
    if (!file.is_open()) {
        printLine("Failed to open shader file:" + path);
        return 0;
    }
    std::stringstream contents;
    contents << file.rdbuf();
    const std::string code = contents.str();
    printLine(code);
    file.close();

    *shader = glCreateShader(stage);
    if (*shader == 0) {
        printLine("Failed to create shader");
        consolePause();
        std::exit(-1);
    }
    const char* codePtr = code.c_str();
    glShaderSource(*shader, 1, &codePtr, nullptr);
    glCompileShader(*shader);

    GLint succeded = 0;
    glGetShaderiv(*shader, GL_COMPILE_STATUS, &succeded);
    if (succeded != 0 && glIsShader(*shader)) {
        glAttachShader(*program, *shader);
        return 1;
    }
    const std::string log = infoLog(*shader, glGetShaderiv, glGetShaderInfoLog);
    printLine("Failed to compile shader");
    printLine(log);
    consolePause();
    return 0;
}

int linkShaderProgram(GLuint* program)
{
    glLinkProgram(*program);
    GLint succeded = 0;
    glGetProgramiv(*program, GL_LINK_STATUS, &succeded);
    if (succeded != 0) {
        return 1;
    }
    const std::string log = infoLog(*program, glGetProgramiv, glGetProgramInfoLog);
    printLine("Failed to link shader program");
    printLine(log);
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        printLine(glErrorText(error));
    }
    consolePause();
    return 0;
}

ShaderLoader::~ShaderLoader()
{
    release();
}

void ShaderLoader::release()
{
    // Only names that were created are deleted: a loader that never made its
    // program must not create one now, and without loaded GL entry points
    // (start-up failed) no name can exist and no GL call is made.
    if (m_program != 0) {
        glDeleteProgram(m_program);
        m_program = 0;
    }
    for (GLuint shader : m_shaders) {
        if (shader != 0) {
            glDeleteShader(shader);
        }
    }
    m_shaders.clear();
}

GLuint& ShaderLoader::getProgram()
{
    if (m_program == 0) {
        m_program = glCreateProgram();
    }
    return m_program;
}

void ShaderLoader::loadShader(const std::string& path)
{
    GLuint shaderHandle = 0;
    m_status = compileShaderFile(path, &getProgram(), &shaderHandle);
    m_shaders.push_back(shaderHandle);
    if (m_status != 1) {
        printLine("failed to load shader");
    }
}

void ShaderLoader::linkProgram()
{
    m_status = linkShaderProgram(&getProgram());
    if (m_status == 0) {
        printLine("failed to link shader");
        consolePause();
    }
    clearGLErrors();
}
