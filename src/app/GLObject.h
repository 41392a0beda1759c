#pragma once
// The owner of one GL object name: move-only like the object it names, it
// deletes the object once, when it goes or when reset() says so. For the
// objects no class of the program owns otherwise (the framebuffer's
// presenter, objects tests make for themselves).
#include <GL/glew.h>

#include <utility>

// How each kind of object is made and deleted, one name at a time.
struct GLProgramKind {
    static GLuint create() { return glCreateProgram(); }
    static void destroy(GLuint name) { glDeleteProgram(name); }
};
struct GLShaderKind {
    static void destroy(GLuint name) { glDeleteShader(name); }
};
struct GLBufferKind {
    static void generate(GLuint* name) { glGenBuffers(1, name); }
    static void destroy(GLuint name) { glDeleteBuffers(1, &name); }
};
struct GLTextureKind {
    static void generate(GLuint* name) { glGenTextures(1, name); }
    static void destroy(GLuint name) { glDeleteTextures(1, &name); }
};
struct GLVertexArrayKind {
    static void generate(GLuint* name) { glGenVertexArrays(1, name); }
    static void destroy(GLuint name) { glDeleteVertexArrays(1, &name); }
};
struct GLFramebufferKind {
    static void generate(GLuint* name) { glGenFramebuffers(1, name); }
    static void destroy(GLuint name) { glDeleteFramebuffers(1, &name); }
};
struct GLRenderbufferKind {
    static void generate(GLuint* name) { glGenRenderbuffers(1, name); }
    static void destroy(GLuint name) { glDeleteRenderbuffers(1, &name); }
};
struct GLQueryKind {
    static void generate(GLuint* name) { glGenQueries(1, name); }
    static void destroy(GLuint name) { glDeleteQueries(1, &name); }
};

template <class Kind>
class GLObject {
public:
    // No object: nothing is made and nothing will be deleted. Constant, so
    // that an owner at namespace scope is ready before any code runs.
    constexpr GLObject() = default;

    // A new object, made with the kind's glGen* or glCreate* call.
    static GLObject generate()
    {
        GLuint name = 0;
        Kind::generate(&name);
        return wrap(name);
    }
    static GLObject create() { return wrap(Kind::create()); }

    // Takes over a name made elsewhere (0: no object).
    static GLObject wrap(GLuint name)
    {
        GLObject object;
        object.m_name = name;
        return object;
    }

    ~GLObject() { reset(); }
    GLObject(const GLObject&) = delete;
    GLObject& operator=(const GLObject&) = delete;
    GLObject(GLObject&& other) noexcept : m_name(other.release()) {}
    GLObject& operator=(GLObject&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_name = other.release();
        }
        return *this;
    }

    GLuint id() const { return m_name; }
    explicit operator bool() const { return m_name != 0; }

    // Gives the name up without deleting the object; the caller owns it now.
    GLuint release() { return std::exchange(m_name, 0); }

    // Deletes the object now, if there is one.
    void reset()
    {
        if (m_name != 0) {
            Kind::destroy(m_name);
            m_name = 0;
        }
    }

private:
    GLuint m_name = 0;
};

using GLProgram = GLObject<GLProgramKind>;
using GLShader = GLObject<GLShaderKind>;
using GLBuffer = GLObject<GLBufferKind>;
using GLTexture = GLObject<GLTextureKind>;
using GLVertexArray = GLObject<GLVertexArrayKind>;
using GLFramebuffer = GLObject<GLFramebufferKind>;
using GLRenderbuffer = GLObject<GLRenderbufferKind>;
using GLQuery = GLObject<GLQueryKind>;
