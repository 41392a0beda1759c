// Shadows in pixels, from a small controlled scene rendered by the real frame
// passes and programs: a floor that receives (loaded without adjacency, so it
// casts nothing) and a caster with adjacency between the first light,
// (0, 0.9, 0), and the floor. Every frame is compared with the same frame
// rendered without the shadow-volume pass, pixel for pixel.
//
// A shadowed pixel receives the lit colour once instead of twice, so it ends
// at exactly half the unshadowed value (both come from the same 8-bit lit
// colour, written once, or written and added once more), as long as the lit
// colour stays below 128 so that doubling does not saturate; the test checks
// that the pixels it uses are in that range. The same controlled scene also
// shows the normal-mapping program's lighting on a floor of its own.
#include "app/AppState.h"
#include "app/FrameLoop.h"
#include "app/GLObject.h"
#include "app/Shutdown.h"
#include "asset/Asset.h"
#include "camera/CameraState.h"
#include "modelloader/ModelLoader.h"
#include "readback/FrameReadback.h"
#include "support/BoxObj.h"
#include "support/CapturedStdout.h"
#include "support/FreshScene.h"
#include "support/GLReadback.h"
#include "support/Scratch.h"

#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

const int width = 1024;
const int height = 768;
const float floorY = -1.0f;

// A quad of the floor, 6 × 6 around the origin, facing up.
const char* const floorObj = "v -3 -1 3\nv 3 -1 3\nv 3 -1 -3\nv -3 -1 -3\n"
                             "vn 0 1 0\n"
                             "f 1//1 2//1 3//1\nf 1//1 3//1 4//1\n";

// A single horizontal square facing up: an open surface, every edge a border.
std::string openSquareObj(float half, float y)
{
    std::ostringstream obj;
    obj << "v " << -half << " " << y << " " << half << "\n"
        << "v " << half << " " << y << " " << half << "\n"
        << "v " << half << " " << y << " " << -half << "\n"
        << "v " << -half << " " << y << " " << -half << "\n"
        << "vn 0 1 0\nf 1//1 2//1 3//1\nf 1//1 3//1 4//1\n";
    return obj.str();
}

struct Frames {
    RgbImage withVolumes;
    RgbImage withoutVolumes;
};

class Shadows : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(chdir(KOV_SOURCE_DIR), 0);
        // A scene an earlier test of this process left would cast into these
        // frames, and its flight would move the eye.
        stdoutOf(cleanup);
        resetCameraFlight();
        ASSERT_NO_FATAL_FAILURE(linkScenePrograms());
        glViewport(0, 0, width, height);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        setCameraUp(glm::vec3(0.0f, 1.0f, 0.0f));
    }

    void TearDown() override
    {
        for (Asset* asset : assets) {
            stdoutOf([&] { delete asset; });
        }
        assets.clear();
    }

    Asset* load(const std::string& name, const std::string& obj, bool withAdjacency)
    {
        m_files.write(name, obj);
        Asset* asset = new Asset(false, false, basicLightingShader.getProgram());
        bool loaded = false;
        const std::string out = stdoutOf(
            [&] { loaded = ModelLoader::getInstance().loadModel(m_files.file(name), asset, withAdjacency); });
        EXPECT_TRUE(loaded) << out;
        EXPECT_GT(asset->getNumIndices(), 0);
        EXPECT_EQ(asset->hasAdjacency(), withAdjacency);
        assets.push_back(asset);
        return asset;
    }

    void look(glm::vec3 eye, glm::vec3 focus)
    {
        setCameraFocus(focus);
        setCameraPosition(eye);
    }

    static RgbImage renderAndRead(bool withoutVolumes)
    {
        FinishedFrame capture(width, height, withoutVolumes);
        setPassObserver(&capture);
        renderFrame(0.0);
        setPassObserver(nullptr);
        EXPECT_EQ(capture.framesRead, 1) << "the frame was not captured";
        return finishedImage(capture);
    }

    static Frames renderBoth()
    {
        Frames frames;
        frames.withoutVolumes = renderAndRead(true);
        frames.withVolumes = renderAndRead(false);
        return frames;
    }

    // Window pixel of a world point, for the current camera.
    static glm::ivec2 pixelOf(glm::vec3 world)
    {
        const glm::vec3 window =
            glm::project(world, getViewMatrix(), getProjectionMatrix(), glm::vec4(0.0f, 0.0f, width, height));
        return glm::ivec2(static_cast<int>(window.x), static_cast<int>(window.y));
    }

    static void dump(const Frames& frames, const std::string& name)
    {
        // KOV_KEEP_IMAGES=<folder> keeps both frames of every case there.
        if (const char* folder = std::getenv("KOV_KEEP_IMAGES")) {
            savePng(std::string(folder) + "/" + name + "-with-volumes.png", frames.withVolumes);
            savePng(std::string(folder) + "/" + name + "-without-volumes.png", frames.withoutVolumes);
        }
    }

    ScratchDirectory m_files;
};

// Checks the pixel of `world`: lit (not black, and low enough that doubling
// cannot saturate) and, with the volumes, at half the value without them.
bool onScreen(glm::ivec2 p)
{
    return p.x >= 0 && p.y >= 0 && p.x < width && p.y < height;
}

::testing::AssertionResult isHalf(const Frames& frames, glm::ivec2 p)
{
    if (!onScreen(p)) {
        return ::testing::AssertionFailure() << "pixel (" << p.x << ", " << p.y << ") is off the screen";
    }
    const uint8_t* lit = frames.withoutVolumes.at(p.x, p.y);
    const uint8_t* shadowed = frames.withVolumes.at(p.x, p.y);
    for (int c = 0; c < 3; ++c) {
        if (lit[c] == 255 || lit[c] < 8) {
            return ::testing::AssertionFailure() << "pixel (" << p.x << ", " << p.y << ") channel " << c << " is "
                                                 << int(lit[c]) << " without volumes: unusable";
        }
        const int expected = lit[c] / 2;
        if (std::abs(int(shadowed[c]) - expected) > 1) {
            return ::testing::AssertionFailure()
                   << "pixel (" << p.x << ", " << p.y << ") channel " << c << " is " << int(shadowed[c])
                   << ", lit " << int(lit[c]) << ", half would be " << expected;
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult isUnshadowed(const Frames& frames, glm::ivec2 p, int tolerance = 0)
{
    if (!onScreen(p)) {
        return ::testing::AssertionFailure() << "pixel (" << p.x << ", " << p.y << ") is off the screen";
    }
    const uint8_t* lit = frames.withoutVolumes.at(p.x, p.y);
    const uint8_t* seen = frames.withVolumes.at(p.x, p.y);
    if (lit[0] + lit[1] + lit[2] < 8) {
        return ::testing::AssertionFailure() << "pixel (" << p.x << ", " << p.y << ") is black without volumes";
    }
    for (int c = 0; c < 3; ++c) {
        if (std::abs(int(seen[c]) - int(lit[c])) > tolerance) {
            return ::testing::AssertionFailure() << "pixel (" << p.x << ", " << p.y << ") channel " << c << " is "
                                                 << int(seen[c]) << " with volumes, " << int(lit[c]) << " without";
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace

// The closed box's shadow on the floor is at half the light, the floor around
// it is untouched, and the box's own lit top shows no self-shadowing.
TEST_F(Shadows, ClosedCasterHalvesTheFloorAndDoesNotShadowItself)
{
    const float half = 0.2f;
    load("floor.obj", floorObj, false);
    load("box.obj", boxObj({-half, -0.5f, -half}, {half, -0.1f, half}), true);
    look({0.0f, 1.5f, 2.5f}, {0.0f, -0.6f, 0.0f});
    const Frames frames = renderBoth();
    dump(frames, "closed-caster");

    // The light at (0, 0.9, 0) throws the top square (±0.2 at y = -0.1) onto
    // the floor 1.9 below it at ±0.38.
    for (float x : {-0.25f, -0.1f, 0.0f, 0.1f, 0.25f}) {
        for (float z : {-0.25f, 0.0f}) {
            EXPECT_TRUE(isHalf(frames, pixelOf({x, floorY, z}))) << "floor at " << x << ", " << z;
        }
    }
    for (glm::vec3 outside : {glm::vec3(-0.7f, floorY, 0.0f), glm::vec3(0.7f, floorY, 0.0f),
                              glm::vec3(-0.6f, floorY, -0.3f), glm::vec3(-0.6f, floorY, 0.5f)}) {
        EXPECT_TRUE(isUnshadowed(frames, pixelOf(outside))) << "floor at " << outside.x << ", " << outside.z;
    }

    // Every pixel of the lit top face (inner 80 %), as without volumes.
    int checked = 0;
    int acne = 0;
    std::string first;
    for (int i = 0; i <= 60; ++i) {
        for (int j = 0; j <= 60; ++j) {
            const float u = -0.8f * half + 1.6f * half * i / 60.0f;
            const float v = -0.8f * half + 1.6f * half * j / 60.0f;
            const ::testing::AssertionResult ok = isUnshadowed(frames, pixelOf({u, -0.1f, v}), 1);
            ++checked;
            if (!ok) {
                acne += 1;
                if (first.empty()) {
                    first = ok.message();
                }
            }
        }
    }
    const glm::ivec2 a = pixelOf({-0.8f * half, -0.1f, 0.0f});
    const glm::ivec2 b = pixelOf({0.8f * half, -0.1f, 0.0f});
    EXPECT_GT(b.x - a.x, 40) << "the top face is too small on screen to say anything";
    EXPECT_EQ(acne, 0) << "samples of the lit top face that the volumes darkened, of " << checked << ": " << first;
}

// With the eye between a wide slab and the floor, inside the slab's shadow
// volume, the depth-fail count still finds the shadow under the slab and none
// beyond it.
TEST_F(Shadows, EyeInsideTheShadowVolume)
{
    const float half = 0.5f;
    const float top = 0.3f;
    load("floor.obj", floorObj, false);
    load("slab.obj", boxObj({-half, 0.1f, -half}, {half, top, half}), true);
    const glm::vec3 eye(0.0f, -0.3f, 0.3f);
    look(eye, {0.0f, -1.0f, -1.5f});
    const Frames frames = renderBoth();
    dump(frames, "eye-inside");

    // The eye is inside the volume of the first light: below the slab and
    // within the rays through its top edges.
    const float reach = half * (0.9f - eye.y) / (0.9f - top);
    ASSERT_LT(std::abs(eye.x), reach);
    ASSERT_LT(std::abs(eye.z), reach);
    ASSERT_LT(eye.y, 0.1f);

    // On the floor the shadow reaches to ±1.58.
    for (glm::vec3 under : {glm::vec3(0.0f, floorY, -0.9f), glm::vec3(0.3f, floorY, -1.2f),
                            glm::vec3(-0.3f, floorY, -1.2f), glm::vec3(0.0f, floorY, -1.4f)}) {
        EXPECT_TRUE(isHalf(frames, pixelOf(under))) << "floor under the slab at " << under.x << ", " << under.z;
    }
    for (glm::vec3 beyond :
         {glm::vec3(0.0f, floorY, -2.0f), glm::vec3(0.5f, floorY, -2.5f), glm::vec3(-0.5f, floorY, -2.5f)}) {
        EXPECT_TRUE(isUnshadowed(frames, pixelOf(beyond))) << "floor beyond at " << beyond.x << ", " << beyond.z;
    }
}

// A single square, all four edges open, still closes its volume: its shadow is
// at half, the floor around it at full light, and a row of pixels across the
// shadow changes only once on each side (no streaks through or beside it).
TEST_F(Shadows, OpenCasterCastsAClosedShadow)
{
    const float half = 0.2f;
    const float casterY = -0.3f;
    load("floor.obj", floorObj, false);
    load("square.obj", openSquareObj(half, casterY), true);
    look({0.0f, 0.8f, 1.6f}, {0.0f, -1.0f, 0.0f});
    const Frames frames = renderBoth();
    dump(frames, "open-caster");

    // The shadow's edge on the floor, and a band around it for antialiasing.
    const float edge = half * (0.9f - floorY) / (0.9f - casterY);
    const float band = 0.04f;
    for (float z : {-0.15f, 0.0f, 0.15f}) {
        const glm::ivec2 left = pixelOf({-0.6f, floorY, z});
        const glm::ivec2 right = pixelOf({0.6f, floorY, z});
        ASSERT_EQ(left.y, right.y);
        ASSERT_TRUE(onScreen(left) && onScreen(right));
        const int innerLeft = pixelOf({-edge + band, floorY, z}).x;
        const int innerRight = pixelOf({edge - band, floorY, z}).x;
        const int outerLeft = pixelOf({-edge - band, floorY, z}).x;
        const int outerRight = pixelOf({edge + band, floorY, z}).x;
        int wrong = 0;
        std::string first;
        for (int x = left.x; x <= right.x; ++x) {
            ::testing::AssertionResult ok = ::testing::AssertionSuccess();
            if (x >= innerLeft && x <= innerRight) {
                ok = isHalf(frames, {x, left.y});
            } else if (x <= outerLeft || x >= outerRight) {
                // Where the square itself is seen in front of the floor, the
                // square is lit (it faces the light) and must not be darkened.
                ok = isUnshadowed(frames, {x, left.y}, 1);
            }
            if (!ok) {
                ++wrong;
                if (first.empty()) {
                    first = ok.message();
                }
            }
        }
        EXPECT_EQ(wrong, 0) << "row at z = " << z << ": " << first;
        EXPECT_GT(innerRight - innerLeft, 20) << "the shadow is too narrow on screen";
    }
    // Beyond the shadow in depth as well.
    for (glm::vec3 outside : {glm::vec3(0.0f, floorY, -0.6f), glm::vec3(0.6f, floorY, -0.6f)}) {
        EXPECT_TRUE(isUnshadowed(frames, pixelOf(outside))) << "floor at " << outside.x << ", " << outside.z;
    }
}

// Seen from above the light, looking straight down, the rays through the
// rim of the shadow that shows around the box stay inside the volume all the
// way: the count there depends on the volume's far end at infinity.
TEST_F(Shadows, ShadowSeenAlongTheLightRays)
{
    load("floor.obj", floorObj, false);
    load("box.obj", boxObj({-0.2f, -0.5f, -0.2f}, {0.2f, -0.1f, 0.2f}), true);
    setCameraUp(glm::vec3(0.0f, 0.0f, -1.0f));
    look({0.0f, 2.5f, 0.0f}, {0.0f, -1.0f, 0.0f});
    const Frames frames = renderBoth();
    dump(frames, "along-the-light");

    // The box hides the floor out to ±0.27 from here; its shadow reaches ±0.38.
    for (glm::vec3 rim :
         {glm::vec3(0.33f, floorY, 0.0f), glm::vec3(-0.33f, floorY, 0.0f), glm::vec3(0.0f, floorY, 0.33f),
          glm::vec3(0.0f, floorY, -0.33f), glm::vec3(0.33f, floorY, 0.33f), glm::vec3(-0.33f, floorY, -0.33f)}) {
        EXPECT_TRUE(isHalf(frames, pixelOf(rim))) << "shadow rim at " << rim.x << ", " << rim.z;
    }
    for (glm::vec3 outside : {glm::vec3(0.6f, floorY, 0.0f), glm::vec3(-0.6f, floorY, 0.0f),
                              glm::vec3(0.0f, floorY, -0.6f), glm::vec3(0.0f, floorY, 0.6f)}) {
        EXPECT_TRUE(isUnshadowed(frames, pixelOf(outside))) << "floor at " << outside.x << ", " << outside.z;
    }
}

// A floor drawn with normal mapping, turned a quarter about y (u along -z, v
// along -x): a normal map leaning towards +v (green above one half) turns a
// point on the +x side of the first light towards it, so the point is lit
// more brightly than with a flat map. Without the map, without its tangents,
// with them left unturned or with the bitangent reversed it is not.
TEST_F(Shadows, NormalMapLeansTheFloorTowardsGreen)
{
    m_files.write("mapped.obj", "v -3 -1 3\nv 3 -1 3\nv 3 -1 -3\nv -3 -1 -3\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                                "vn 0 1 0\nf 1/1/1 2/2/1 3/3/1\nf 1/1/1 3/3/1 4/4/1\n");
    Asset* floor = new Asset(true, true, basicLightingShader.getProgram());
    stdoutOf([&] { ModelLoader::getInstance().loadModel(m_files.file("mapped.obj"), floor, false); });
    assets.push_back(floor);
    floor->setModelMatrix(glm::rotate(glm::mat4(1.0f), glm::radians(90.0f), glm::vec3(0.0f, 1.0f, 0.0f)));
    const GLTexture colour = GLTexture::generate();
    const GLTexture normals = GLTexture::generate();
    const auto fill = [](const GLTexture& texture, std::array<GLubyte, 3> texel) {
        glBindTexture(GL_TEXTURE_2D, texture.id());
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, texel.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    };
    fill(colour, {100, 100, 100});
    floor->setTexture(colour.id());
    floor->setNormalMap(normals.id());
    floor->setNormalMapUnit(1);
    look({2.0f, 1.5f, 3.0f}, {2.0f, floorY, 0.0f}); // from the side, clear of the highlight
    const glm::ivec2 p = pixelOf({2.0f, floorY, 0.0f});
    ASSERT_TRUE(onScreen(p));
    fill(normals, {128, 128, 255});
    const RgbImage flat = renderAndRead(true);
    fill(normals, {128, 200, 220});
    const RgbImage leaning = renderAndRead(true);
    const int flatGreen = flat.at(p.x, p.y)[1];
    const int leaningGreen = leaning.at(p.x, p.y)[1];
    EXPECT_GT(flatGreen, 16);
    EXPECT_LT(leaningGreen, 255);
    EXPECT_GT(leaningGreen, flatGreen * 5 / 4) << "flat " << flatGreen; // about 1.45 times
}
