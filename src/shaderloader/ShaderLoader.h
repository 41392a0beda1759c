#pragma once
#include <GL/glew.h>

#include <string>
#include <vector>

// Compiles the stage in `path` (stage chosen by the first of ".frag", ".vert",
// ".geom" found anywhere in the path) and attaches it to *program.
// Returns 1 when the stage was attached, 0 otherwise.
int compileShaderFile(const std::string& path, GLuint* program, GLuint* shader);

// Links *program. Returns 1 on success, 0 after printing the link log.
int linkShaderProgram(GLuint* program);

// One GLSL program built stage by stage from source files.
// Owns the program object and every shader object it created.
class ShaderLoader {
public:
    ShaderLoader() = default;
    virtual ~ShaderLoader();
    ShaderLoader(const ShaderLoader&) = delete;
    ShaderLoader& operator=(const ShaderLoader&) = delete;

    // The program name, created on first use.
    GLuint& getProgram();
    int getStatus() const { return m_status; }
    void setStatus(int status) { m_status = status; }

    void loadShader(const std::string& path);
    void linkProgram();

    // Deletes the program and the shaders now, while the context is current;
    // the destructor then has nothing left to do.
    void release();

    const std::vector<GLuint>& getShaders() const { return m_shaders; }

private:
    int m_status = 0;
    GLuint m_program = 0;
    std::vector<GLuint> m_shaders;
};
