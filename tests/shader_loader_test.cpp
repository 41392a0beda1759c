// The shader loader's transcript and outcome for each kind of stage file, on
// a real process (kov_shader_probe builds one program from the files named on
// its command line, as the scene setup does), and its ownership of GL objects
// in process.
#include "app/GLObject.h"
#include "app/GLSL.h"
#include "app/GLState.h"
#include "shaderloader/ShaderLoader.h"
#include "support/CapturedStdout.h"
#include "support/Process.h"
#include "support/ScopedEntryPoint.h"
#include "support/Scratch.h"
#include "support/Transcript.h"

#include <GL/glew.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

const std::string goodVertex = "#version 330 core\n"
                               "in vec3 vertexPosition_modelspace;\n"
                               "void main()\n"
                               "{\n"
                               "    gl_Position = vec4(vertexPosition_modelspace, 1.0);\n"
                               "}\n";

const std::string goodFragment = "#version 330 core\n"
                                 "out vec4 color;\n"
                                 "void main()\n"
                                 "{\n"
                                 "    color = vec4(1.0, 0.5, 0.25, 1.0);\n"
                                 "}\n";

// gl_FragCoord and discard exist only in a fragment shader: compiled as any
// other stage this source fails.
const std::string fragmentOnly = "#version 330 core\n"
                                 "out vec4 color;\n"
                                 "void main()\n"
                                 "{\n"
                                 "    if (gl_FragCoord.x < 0.0) discard;\n"
                                 "    color = vec4(gl_FragCoord.xy, 0.0, 1.0);\n"
                                 "}\n";

const std::string passThroughGeometry = "#version 330 core\n"
                                        "layout(triangles) in;\n"
                                        "layout(triangle_strip, max_vertices = 3) out;\n"
                                        "void main()\n"
                                        "{\n"
                                        "    for (int i = 0; i < 3; ++i) {\n"
                                        "        gl_Position = gl_in[i].gl_Position;\n"
                                        "        EmitVertex();\n"
                                        "    }\n"
                                        "    EndPrimitive();\n"
                                        "}\n";

const std::string syntaxError = "#version 330 core\n"
                                "void main()\n"
                                "{\n"
                                "    gl_Position = vec4(1.0) +\n"
                                "}\n";

// Compiles, but the declared function has no body anywhere: only the link
// can find that out.
const std::string unresolvedCall = "#version 330 core\n"
                                   "in vec3 vertexPosition_modelspace;\n"
                                   "vec4 placeVertex(vec3 p);\n"
                                   "void main()\n"
                                   "{\n"
                                   "    gl_Position = placeVertex(vertexPosition_modelspace);\n"
                                   "}\n";

constexpr int fragmentType = 0x8B30;
constexpr int vertexType = 0x8B31;
constexpr int geometryType = 0x8DD9;

// The loader echoes a file as its path line and then its whole text as a line.
std::string echoed(const std::string& path, const std::string& source)
{
    return path + "\n" + source + "\n";
}

ProcessResult runProbe(const ScratchDirectory& dir, const std::vector<std::string>& files,
                       ProcessOptions options = ProcessOptions())
{
    std::vector<std::string> argv = {KOV_SHADER_PROBE};
    argv.insert(argv.end(), files.begin(), files.end());
    options.workingDirectory = dir.path();
    options.timeoutSeconds = 30.0;
    return runProcess(argv, options);
}

// Runs the probe, in a fresh folder, on the files of `files` in order: each
// a path and its text, or no text for a file that is not there.
using ProbedFile = std::pair<std::string, std::optional<std::string>>;
ProcessResult probeIn(const std::vector<ProbedFile>& files)
{
    ScratchDirectory dir;
    std::vector<std::string> paths;
    for (const auto& [path, text] : files) {
        if (text) {
            dir.write(path, *text);
        }
        paths.push_back(path);
    }
    return runProbe(dir, paths);
}

// The probe on one file and then on a good vertex and fragment shader.
ProcessResult probeBeforeAGoodPair(const ProbedFile& first)
{
    return probeIn({first, {"shaders/good.vert", goodVertex}, {"shaders/good.frag", goodFragment}});
}

// The probe's summary on standard error.
struct ProbeSummary {
    std::vector<int> statuses;
    std::vector<unsigned> shaders;
    std::vector<int> types;
    int attached = -1;
    int linked = -1;
};

ProbeSummary parseSummary(const std::string& err)
{
    ProbeSummary summary;
    for (const std::string& line : splitLines(err)) {
        unsigned name = 0;
        int a = 0;
        if (std::sscanf(line.c_str(), "status %d", &a) == 1) {
            summary.statuses.push_back(a);
        } else if (std::sscanf(line.c_str(), "shader %u %d", &name, &a) == 2) {
            summary.shaders.push_back(name);
            summary.types.push_back(a);
        } else if (std::sscanf(line.c_str(), "attached %d", &a) == 1) {
            summary.attached = a;
        } else if (std::sscanf(line.c_str(), "linked %d", &a) == 1) {
            summary.linked = a;
        }
    }
    return summary;
}

void expectCleanExit(const ProcessResult& result, int code)
{
    ASSERT_FALSE(result.timedOut) << "the probe waited for something\n" << result.out;
    ASSERT_TRUE(result.exited) << "ended by signal " << result.signal << "\n" << result.err;
    EXPECT_EQ(result.exitCode, code) << result.out << result.err;
}

} // namespace

TEST(ShaderLoaderProcess, StageIsTheFirstOfFragVertGeomFoundAnywhereInThePath)
{
    const ProcessResult result = probeIn({{"shaders/a.frag.vert", fragmentOnly},
                                          {"shaders/b.vert.geom", goodVertex},
                                          {"shaders/c.geom", passThroughGeometry}});
    ASSERT_NO_FATAL_FAILURE(expectCleanExit(result, 0));
    // A successful compile and link print nothing but the echo of each file.
    EXPECT_EQ(result.out, echoed("shaders/a.frag.vert", fragmentOnly) + echoed("shaders/b.vert.geom", goodVertex) +
                              echoed("shaders/c.geom", passThroughGeometry));

    const ProbeSummary summary = parseSummary(result.err);
    EXPECT_EQ(summary.statuses, (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(summary.types, (std::vector<int>{fragmentType, vertexType, geometryType})) << result.err;
    EXPECT_EQ(summary.attached, 3);
    EXPECT_EQ(summary.linked, 1);
}

TEST(ShaderLoaderProcess, UnknownExtensionPrintsOnlyFailedToLoadAndAppendsZero)
{
    // The file exists and is not GLSL: it must never be opened or compiled.
    const ProcessResult result = probeBeforeAGoodPair({"shaders/notes.txt", "not a shader at all {"});
    ASSERT_NO_FATAL_FAILURE(expectCleanExit(result, 0));
    EXPECT_EQ(result.out, "failed to load shader\n" + echoed("shaders/good.vert", goodVertex) +
                              echoed("shaders/good.frag", goodFragment));

    const ProbeSummary summary = parseSummary(result.err);
    EXPECT_EQ(summary.statuses, (std::vector<int>{0, 1, 1}));
    ASSERT_EQ(summary.shaders.size(), 3u) << result.err;
    EXPECT_EQ(summary.shaders[0], 0u);
    EXPECT_EQ(summary.attached, 2);
    EXPECT_EQ(summary.linked, 1);
}

TEST(ShaderLoaderProcess, MissingFileIsReportedWithThePathGluedOnAndLoadingGoesOn)
{
    const ProcessResult result = probeBeforeAGoodPair({"shaders/missing.frag", std::nullopt});
    ASSERT_NO_FATAL_FAILURE(expectCleanExit(result, 0));
    EXPECT_EQ(result.out, "shaders/missing.frag\n"
                          "Failed to open shader file:shaders/missing.frag\n"
                          "failed to load shader\n" +
                              echoed("shaders/good.vert", goodVertex) + echoed("shaders/good.frag", goodFragment));

    const ProbeSummary summary = parseSummary(result.err);
    EXPECT_EQ(summary.statuses, (std::vector<int>{0, 1, 1}));
    ASSERT_EQ(summary.shaders.size(), 3u) << result.err;
    EXPECT_EQ(summary.shaders[0], 0u) << "no shader object is made for a file that cannot be read";
    EXPECT_EQ(summary.attached, 2);
}

TEST(ShaderLoaderProcess, CompileErrorEchoesTheLogAndLoadingGoesOn)
{
    const ProcessResult result = probeBeforeAGoodPair({"shaders/bad.vert", syntaxError});
    ASSERT_NO_FATAL_FAILURE(expectCleanExit(result, 0));

    const std::string head = echoed("shaders/bad.vert", syntaxError) + "Failed to compile shader\n";
    const std::string tail = "\nfailed to load shader\n" + echoed("shaders/good.vert", goodVertex) +
                             echoed("shaders/good.frag", goodFragment);
    std::string log;
    ASSERT_TRUE(framedBy(result.out, head, tail, &log));
    EXPECT_NE(log.find("error"), std::string::npos) << "the driver's info log is printed: " << log;
    // Standard input is not a terminal, so the console pause must not prompt.
    EXPECT_EQ(result.out.find("Press"), std::string::npos);

    const ProbeSummary summary = parseSummary(result.err);
    EXPECT_EQ(summary.statuses, (std::vector<int>{0, 1, 1}));
    ASSERT_EQ(summary.shaders.size(), 3u) << result.err;
    EXPECT_NE(summary.shaders[0], 0u) << "the failed shader object stays in the list";
    EXPECT_EQ(summary.types[0], vertexType);
    EXPECT_EQ(summary.attached, 2) << "the failed stage is not attached";
    EXPECT_EQ(summary.linked, 1);
}

TEST(ShaderLoaderProcess, LinkErrorEndsTheProcessWithStatus255WithoutWaiting)
{
    ScratchDirectory dir;
    dir.write("shaders/unresolved.vert", unresolvedCall);
    dir.write("shaders/good.frag", goodFragment);

    // Standard input is a pipe that is held open and never written: any read
    // from it (a console pause that waits) would block until the time limit.
    const std::string fifo = dir.file("stdin.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int holder = open(fifo.c_str(), O_RDWR);
    ASSERT_GE(holder, 0);
    ProcessOptions options;
    options.stdinPath = fifo;

    const ProcessResult result = runProbe(dir, {"shaders/unresolved.vert", "shaders/good.frag"}, options);
    close(holder);
    ASSERT_NO_FATAL_FAILURE(expectCleanExit(result, 255));

    const std::string head = echoed("shaders/unresolved.vert", unresolvedCall) +
                             echoed("shaders/good.frag", goodFragment) + "Failed to link shader program\n";
    const std::string tail = "failed to link shader\nfailed to link shader\n";
    std::string log;
    ASSERT_TRUE(framedBy(result.out, head, tail, &log));
    EXPECT_NE(log.find("placeVertex"), std::string::npos) << "the link log names the missing function: " << log;
    EXPECT_EQ(result.out.find("Press"), std::string::npos);

    const ProbeSummary summary = parseSummary(result.err);
    EXPECT_EQ(summary.statuses, (std::vector<int>{1, 1}));
    EXPECT_EQ(summary.attached, 2);
    EXPECT_EQ(summary.linked, -1) << "the process went on after the scene setup's link";
}

TEST(ShaderLoaderInProcess, SamePathTwiceMakesTwoAttachedShadersAndTheLoaderDeletesThemAll)
{
    ScratchDirectory dir;
    dir.write("twice.vert", goodVertex);
    const std::string path = dir.file("twice.vert");
    glUseProgram(0);

    GLuint program = 0;
    std::vector<GLuint> shaders;
    {
        ShaderLoader loader;
        const std::string out = stdoutOf([&] {
            loader.loadShader(path);
            loader.loadShader(path);
        });
        EXPECT_EQ(out, echoed(path, goodVertex) + echoed(path, goodVertex));
        EXPECT_EQ(loader.getStatus(), 1);

        shaders = loader.getShaders();
        ASSERT_EQ(shaders.size(), 2u);
        EXPECT_NE(shaders[0], 0u);
        EXPECT_NE(shaders[1], 0u);
        EXPECT_NE(shaders[0], shaders[1]);
        EXPECT_TRUE(glIsShader(shaders[0]));
        EXPECT_TRUE(glIsShader(shaders[1]));

        program = loader.getProgram();
        ASSERT_TRUE(glIsProgram(program));
        GLuint attached[4] = {};
        GLsizei count = 0;
        glGetAttachedShaders(program, 4, &count, attached);
        ASSERT_EQ(count, 2);
        EXPECT_TRUE((attached[0] == shaders[0] && attached[1] == shaders[1]) ||
                    (attached[0] == shaders[1] && attached[1] == shaders[0]));
    }
    EXPECT_FALSE(glIsProgram(program)) << "the loader owns its program";
    EXPECT_FALSE(glIsShader(shaders[0])) << "the loader owns its shaders";
    EXPECT_FALSE(glIsShader(shaders[1]));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

namespace {

// Counts the program and shader calls that reach GL, by standing in for
// GLEW's entry points for the lifetime of the object.
struct GLCallCounter {
    static int creates;
    static int programDeletes;
    static int shaderDeletes;
    static PFNGLCREATEPROGRAMPROC realCreate;
    static PFNGLDELETEPROGRAMPROC realDeleteProgram;
    static PFNGLDELETESHADERPROC realDeleteShader;

    static GLuint GLAPIENTRY create()
    {
        ++creates;
        return realCreate();
    }
    static void GLAPIENTRY deleteProgram(GLuint program)
    {
        ++programDeletes;
        realDeleteProgram(program);
    }
    static void GLAPIENTRY deleteShader(GLuint shader)
    {
        ++shaderDeletes;
        realDeleteShader(shader);
    }

    GLCallCounter() { creates = programDeletes = shaderDeletes = 0; }

    const ScopedEntryPoint<PFNGLCREATEPROGRAMPROC> m_create{__glewCreateProgram, &create, realCreate};
    const ScopedEntryPoint<PFNGLDELETEPROGRAMPROC> m_deleteProgram{__glewDeleteProgram, &deleteProgram,
                                                                   realDeleteProgram};
    const ScopedEntryPoint<PFNGLDELETESHADERPROC> m_deleteShader{__glewDeleteShader, &deleteShader,
                                                                 realDeleteShader};
};
int GLCallCounter::creates = 0;
int GLCallCounter::programDeletes = 0;
int GLCallCounter::shaderDeletes = 0;
PFNGLCREATEPROGRAMPROC GLCallCounter::realCreate = nullptr;
PFNGLDELETEPROGRAMPROC GLCallCounter::realDeleteProgram = nullptr;
PFNGLDELETESHADERPROC GLCallCounter::realDeleteShader = nullptr;

} // namespace

TEST(ShaderLoaderInProcess, AnUnusedLoaderCreatesAndDeletesNothing)
{
    {
        GLCallCounter counter;
        {
            ShaderLoader loader;
            EXPECT_TRUE(loader.getShaders().empty());
        }
        EXPECT_EQ(GLCallCounter::creates, 0) << "destroying an unused loader must not make a program";
        EXPECT_EQ(GLCallCounter::programDeletes, 0);
        EXPECT_EQ(GLCallCounter::shaderDeletes, 0);
    }
    // The same count for a loader whose program was asked for: one program
    // made, the same one deleted, and no shader (none was loaded).
    {
        GLCallCounter counter;
        GLuint program = 0;
        {
            ShaderLoader loader;
            program = loader.getProgram();
            EXPECT_NE(program, 0u);
            EXPECT_EQ(loader.getProgram(), program) << "the program is made once";
        }
        EXPECT_EQ(GLCallCounter::creates, 1);
        EXPECT_EQ(GLCallCounter::programDeletes, 1);
        EXPECT_EQ(GLCallCounter::shaderDeletes, 0);
        EXPECT_FALSE(glIsProgram(program));
    }
}

namespace {

// When set, the next glGetError reports this code (the program's calls reach
// the definition below, which stands in for the driver's).
GLenum injectedError = GL_NO_ERROR;

} // namespace

extern "C" GLenum GLAPIENTRY glGetError()
{
    static const auto real = reinterpret_cast<GLenum (*)()>(dlsym(RTLD_NEXT, "glGetError"));
    const GLenum injected = injectedError;
    injectedError = GL_NO_ERROR;
    return injected != GL_NO_ERROR ? injected : real();
}

// GLU has no text for some codes (a lost context, for one): a failed link that
// meets one still prints a line for it.
TEST(ShaderLoaderInProcess, AGLErrorThatGLUCannotNameIsStillPrinted)
{
    // Declared and called but never defined: it compiles, and does not link.
    const char* source = "#version 330 core\n"
                         "vec4 corner();\n"
                         "void main() { gl_Position = corner(); }\n";
    GLuint program = glCreateProgram();
    const GLShader shader = compileStage(GL_VERTEX_SHADER, source);
    glAttachShader(program, shader.id());
    clearGLErrors();

    injectedError = GL_CONTEXT_LOST;
    int linked = -1;
    const std::string out = stdoutOf([&] { linked = linkShaderProgram(&program); });
    EXPECT_EQ(linked, 0);
    EXPECT_EQ(out.compare(0, 30, "Failed to link shader program\n"), 0) << out;
    const std::string last = "unknown GL error 0x0507\n";
    ASSERT_GE(out.size(), last.size());
    EXPECT_EQ(out.substr(out.size() - last.size()), last) << out;
    glDeleteProgram(program);
}
