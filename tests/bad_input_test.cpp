// The real binary against damaged scene files: one file of a scratch copy of
// the scene is replaced at a time (missing, empty, truncated, garbage, a
// directory, an unreadable file, odd geometry, broken images and shaders). Every row checks the
// whole console transcript against what the program must say about that file,
// and that the program either runs on (exit 0 after Escape, with every asset
// and texture released) or ends with the fatal link status, never crashing or
// hanging. docs/robustness.md lists the rows and what each one prints.
#include "support/GLReadback.h"
#include "support/Process.h"
#include "support/Scratch.h"
#include "support/Transcript.h"
#include "support/ViewerSession.h"

#include <assimp/version.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

// --- replacement files ----------------------------------------------------

std::string cube(float scale, const std::string& name)
{
    std::string text = "o " + name + "\n";
    for (int i = 0; i < 8; ++i) {
        char line[96];
        std::snprintf(line, sizeof(line), "v %g %g %g\n", (i & 1) ? scale : -scale, (i & 2) ? scale : -scale,
                      (i & 4) ? scale : -scale);
        text += line;
    }
    return text;
}

// The twelve outward-facing triangles of a cube written by `cube`, with its
// vertices numbered from `base` (1 for the first vertex of the file).
std::string cubeFaces(int base, bool withTop = true)
{
    const int faces[12][3] = {{1, 3, 4}, {1, 4, 2}, {5, 6, 8}, {5, 8, 7}, {1, 2, 6}, {1, 6, 5},
                              {3, 7, 8}, {3, 8, 4}, {1, 5, 7}, {1, 7, 3}, {2, 4, 8}, {2, 8, 6}};
    std::string text;
    for (int f = 0; f < 12; ++f) {
        if (!withTop && (f == 6 || f == 7)) {
            continue;
        }
        text += "f " + std::to_string(faces[f][0] + base - 1) + " " + std::to_string(faces[f][1] + base - 1) +
                " " + std::to_string(faces[f][2] + base - 1) + "\n";
    }
    return text;
}

std::string garbage(size_t size)
{
    std::string bytes(size, '\0');
    uint32_t state = 0x12345678u;
    for (char& c : bytes) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

std::string firstHalf(const ScratchScene& scene, const std::string& relative)
{
    const std::string contents = readFile(scene.file(relative));
    // An odd cut, so that it lands inside a line or a compressed block.
    return contents.substr(0, contents.size() / 2 + 7);
}

// A well-formed PNG header that declares `width` x `height` RGB pixels,
// followed by one tiny compressed row and the end marker.
std::string pngDeclaring(uint32_t width, uint32_t height)
{
    return pngBytes(width, height, 8, 2, std::string(16, '\0'));
}

// --- the matrix -------------------------------------------------------------

enum class Expect {
    RunsOn, // the row's `said` lines after the version; runs on
    ShaderCompile, // the stage's compile failure; the program still links
    ShaderOpen, // the stage's open failure; the program still links
    ShaderLink, // the program does not link: fatal, exit status 255
};

struct Row {
    std::string name;
    std::string file;
    std::function<void(const ScratchScene&)> replace;
    // For a model, the loader's line or the importer's (Assimp 5.2's words; 5.4's where they differ).
    std::string said;
    Expect expect = Expect::RunsOn;
};

std::ostream& operator<<(std::ostream& os, const Row& row)
{
    return os << row.name;
}

// A row that writes `contents` over the scene's `file`.
Row writing(std::string name, const std::string& file, const std::string& contents, std::string said,
            Expect expect = Expect::RunsOn)
{
    return {std::move(name), file, [=](const ScratchScene& s) { s.write(file, contents); }, std::move(said),
            expect};
}

// A row that cuts the scene's `file` to its first half.
Row truncating(std::string name, const std::string& file, std::string said)
{
    return {std::move(name), file, [=](const ScratchScene& s) { s.write(file, firstHalf(s, file)); },
            std::move(said)};
}

std::vector<Row> rows()
{
    const std::string box = "models/box.obj";
    const std::string image = "textures/test.png";
    // The loader's own line for a scene without meshes: the OBJ reader skips
    // what it does not understand.
    const std::string noMeshes = "No meshes in file: " + box + "\n";
    // A directory opens as an empty file for Assimp 5.2 (Debian 12); Assimp
    // 5.4 (Debian 13) refuses to open it.
    const bool importerOpensDirectories = aiGetVersionMajor() == 5 && aiGetVersionMinor() < 4;
    const std::string directorySaid =
        importerOpensDirectories ? noMeshes : "Unable to open file \"" + box + "\".\n";
    std::vector<Row> list = {
        {"ModelMissing", box, [=](const ScratchScene& s) { s.remove(box); },
         "Couldn't open file: " + box + "\n\n"},
        writing("ModelEmpty", box, "", "OBJ-file is too small.\n"),
        truncating("ModelTruncated", "models/cow2.obj", "OBJ: vertex normal index out of range\n"),
        writing("ModelBinaryGarbage", box, garbage(4096), noMeshes),
        {"ModelIsADirectory", box,
         [=](const ScratchScene& s) {
             s.remove(box);
             std::filesystem::create_directories(s.file(box));
         },
         directorySaid},
        {"ModelUnreadable", box, [=](const ScratchScene& s) { chmod(s.file(box).c_str(), 0); },
         "Couldn't open file: " + box + "\n\n"},
        writing("ModelHugeCoordinates", box, cube(3.0e38f, "huge") + cubeFaces(1), ""),
        {"ModelNaNCoordinates", box,
         [=](const ScratchScene& s) {
             std::string text = cube(1.0f, "nan") + cubeFaces(1);
             text.replace(text.find("v -1 -1 -1"), 10, "v nan -1 nan");
             text.replace(text.find("v 1 1 1"), 7, "v inf nan -inf");
             s.write(box, text);
         },
         ""},
        writing("ModelOfPointsOnly", box, cube(1.0f, "points") + "p 1 2 3 4\np 5\np 6 7 8\n",
                "No meshes remaining\n"),
        writing("ModelOfLinesOnly", box, cube(1.0f, "lines") + "l 1 2 4 3 1\nl 5 6\nl 7 8\n",
                "No meshes remaining\n"),
        writing("ModelOpenMesh", box, cube(1.0f, "open") + cubeFaces(1, false), ""),
        // Three triangles on one edge, and two fans that meet in a single
        // vertex.
        writing("ModelNonManifold", box,
                "o book\nv 0 0 0\nv 0 1 0\nv 1 0 0\nv -1 0 0\nv 0 0 1\nv 1 1 1\nv 2 1 1\nv 1 2 1\n"
                "f 1 2 3\nf 2 1 4\nf 1 2 5\nf 2 6 7\nf 2 8 6\n",
                ""),
        writing("ModelOfSeveralMeshes", box,
                cube(1.0f, "first") + cubeFaces(1) + cube(0.5f, "second") + cubeFaces(9), ""),
        writing("ModelFaceNamesAMissingVertex", box, cube(1.0f, "dangling") + cubeFaces(1) + "f 1 2 99\n",
                "OBJ: vertex index out of range\n"),
        truncating("ImageTruncatedPng", image, ""),
        truncating("ImageTruncatedJpeg", "textures/brick01.jpg", ""),
        writing("ImageZeroBytes", image, "", ""),
        writing("ImageOfUnknownFormat", image, "this is a text file, not a picture\n", ""),
        {"ImageMissing", image, [=](const ScratchScene& s) { s.remove(image); }, ""},
        {"ImageIsADirectory", image,
         [=](const ScratchScene& s) {
             s.remove(image);
             std::filesystem::create_directories(s.file(image));
         },
         ""},
        // 59 bytes that overflowed a heap buffer in FreeImage's own bitmap
        // reader, which the file's content (not its name) used to select.
        writing("ImageOverflowingTheBitmapReader", "textures/Lion_Albido.jpg",
                "P49999999999999999999999999999999999999999999995 2P66+8!27P", ""),
        // 298 bytes whose one scan made even the decoder's header read
        // allocate and clear the whole declared 17168 x 33296 picture.
        writing("ImageJpegDeclaringAFrameItsBytesCannotHold", "textures/Lion_Albido.jpg",
                readFile(std::string(KOV_SOURCE_DIR) +
                         "/fuzz/corpus/image_fuzz/regression-jpeg-one-scan-of-a-17168x33296-frame"),
                ""),
        writing("ImageDeclaringFortyThousandSquare", image, pngDeclaring(40000, 40000), ""),
        writing("ShaderSyntaxError", "shaders/BasicLighting.frag",
                "#version 330 core\nvoid main() { this is not glsl }\n", "", Expect::ShaderCompile),
        writing("ShaderEmpty", "shaders/ambientShader.frag", "", "", Expect::ShaderCompile),
        {"ShaderMissing", "shaders/shadow.geom", [](const ScratchScene& s) { s.remove("shaders/shadow.geom"); },
         "", Expect::ShaderOpen},
        writing("ShaderDeclaringNoExpectedNames", "shaders/BasicLighting.frag",
                "#version 330 core\nout vec4 colour;\nvoid main() { colour = vec4(1.0); }\n", ""),
        writing("ShaderThatCannotLink", "shaders/normalMapping.frag",
                "#version 330 core\nout vec4 colour;\nvoid notMain() { colour = vec4(1.0); }\n", "",
                Expect::ShaderLink),
    };
    return list;
}

// --- the expected transcripts -----------------------------------------------

// The stage echoes up to and including `stage` (or all of them), and those
// after it.
std::string echoesBefore(const ScratchScene& scene, const std::string& stage, bool including)
{
    std::string text;
    for (const std::string& file : stageFiles) {
        if (file == stage) {
            return including ? text + echoOf(scene, file) : text;
        }
        text += echoOf(scene, file);
    }
    return text;
}

std::string echoesAfter(const ScratchScene& scene, const std::string& stage)
{
    std::string text;
    bool after = false;
    for (const std::string& file : stageFiles) {
        if (after) {
            text += echoOf(scene, file);
        }
        after = after || file == stage;
    }
    return text;
}

class BadInput : public ::testing::TestWithParam<Row> {};

TEST_P(BadInput, IsReportedAsDocumentedAndNeverCrashesOrHangs)
{
    const Row& row = GetParam();
    ScratchScene scene;
    row.replace(scene);
    std::vector<std::string> argv = {KOV_BINARY};
    if (row.name == "ModelUnreadable" && access(scene.file(row.file).c_str(), R_OK) == 0) {
        // With root privileges a file of mode 000 is still readable. The
        // viewer then runs without the capabilities that bypass file
        // permissions, as an ordinary user's process would.
        const char* setpriv = "/usr/bin/setpriv";
        if (access(setpriv, X_OK) != 0) {
            GTEST_SKIP() << "running with root privileges, where a file of mode 000 stays readable, and without "
                            "setpriv to drop the capabilities that allow it";
        }
        argv = {setpriv, "--bounding-set", "-dac_override,-dac_read_search", KOV_BINARY};
    }
    const ViewerSession run = runViewerSession(scene.path(), Ending::HoldEscape, argv);
    const ProcessResult& result = run.result;
    ASSERT_FALSE(result.timedOut) << "the program hung\n" << result.out.substr(0, 2000);
    ASSERT_TRUE(result.exited) << "ended by signal " << result.signal << "\n" << result.err;
    EXPECT_FALSE(run.windowId.empty()) << "the program's window never appeared";
    // Nothing on standard error: no sanitizer report, no driver complaint.
    EXPECT_EQ(result.err, "");

    std::string allEchoes;
    for (const std::string& file : stageFiles) {
        if (std::filesystem::is_regular_file(scene.file(file))) {
            allEchoes += echoOf(scene, file);
        }
    }
    const std::string runsOnTail = versionBlock();

    // What the program said about the file, for the table in
    // docs/robustness.md: the lines that are neither a stage's echo nor the
    // version nor the shutdown trace.
    std::string said = result.out;
    const size_t shaderMessage = said.find("\nFailed to ");
    if (shaderMessage != std::string::npos) {
        said = said.substr(shaderMessage + 1);
        const size_t end = said.find("failed to load shader\n");
        if (end != std::string::npos) {
            said.resize(end + 22);
        }
    } else {
        for (const std::string& known : {allEchoes, runsOnTail, shutdownTrace()}) {
            const size_t at = said.find(known);
            if (!known.empty() && at != std::string::npos) {
                said.erase(at, known.size());
            }
        }
    }
    std::printf("matrix row %s: exit %d, said: %s\n", row.name.c_str(), result.exitCode,
                said.size() > 400 ? (said.substr(0, 400) + "...").c_str() : said.c_str());

    switch (row.expect) {
    case Expect::RunsOn:
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_TRUE(sameTranscript(result.out, allEchoes + runsOnTail + row.said + shutdownTrace()));
        break;
    case Expect::ShaderCompile: {
        EXPECT_EQ(result.exitCode, 0);
        // The driver's log between the two.
        EXPECT_TRUE(
            framedBy(result.out, echoesBefore(scene, row.file, true) + "Failed to compile shader\n",
                     "\nfailed to load shader\n" + echoesAfter(scene, row.file) + runsOnTail + shutdownTrace()));
        break;
    }
    case Expect::ShaderOpen:
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_TRUE(sameTranscript(result.out, echoesBefore(scene, row.file, false) + row.file +
                                                   "\nFailed to open shader file:" + row.file +
                                                   "\nfailed to load shader\n" + echoesAfter(scene, row.file) +
                                                   runsOnTail + shutdownTrace()));
        break;
    case Expect::ShaderLink: {
        EXPECT_EQ(result.exitCode, 255);
        EXPECT_TRUE(framedBy(result.out, echoesBefore(scene, row.file, true) + "Failed to link shader program\n",
                             "\nfailed to link shader\nfailed to link shader\n"));
        EXPECT_EQ(result.out.find("Asset Destructor"), std::string::npos) << "a fatal exit ran the shutdown";
        break;
    }
    }
}

INSTANTIATE_TEST_SUITE_P(Matrix, BadInput, ::testing::ValuesIn(rows()),
                         [](const ::testing::TestParamInfo<Row>& info) { return info.param.name; });

} // namespace
