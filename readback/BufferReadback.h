#pragma once
// Reading a GL buffer object back, for the tests and benchmarks that check
// what an asset uploaded; the viewer itself never reads its buffers.
#include <GL/glew.h>

#include <cstddef>
#include <vector>

// The contents of `buffer` as an array of T (empty for buffer 0). Reads
// through GL_COPY_READ_BUFFER, so that no vertex array's element binding and
// no other target's binding changes; leaves that target unbound.
template <typename T>
std::vector<T> readBuffer(GLuint buffer)
{
    std::vector<T> data;
    if (buffer == 0) {
        return data;
    }
    glBindBuffer(GL_COPY_READ_BUFFER, buffer);
    GLint bytes = 0;
    glGetBufferParameteriv(GL_COPY_READ_BUFFER, GL_BUFFER_SIZE, &bytes);
    data.resize(static_cast<std::size_t>(bytes) / sizeof(T));
    if (!data.empty()) {
        glGetBufferSubData(GL_COPY_READ_BUFFER, 0, static_cast<GLsizeiptr>(data.size() * sizeof(T)), data.data());
    }
    glBindBuffer(GL_COPY_READ_BUFFER, 0);
    return data;
}
