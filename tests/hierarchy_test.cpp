// Parent-child asset groups: what the parents forward to their children
// (transforms, updates, draws), the removal lock, ownership on deletion, and
// the rotating parent's spin of its children.
#include "app/AppState.h"
#include "app/FrameLoop.h"
#include "app/GLObject.h"
#include "app/GLState.h"
#include "asset/Asset.h"
#include "asset/HierarchicalAsset.h"
#include "asset/HierarchicalAssetRotating.h"
#include "modelloader/ModelLoader.h"
#include "support/CapturedStdout.h"
#include "support/GLReadback.h"
#include "support/Scratch.h"
#include "support/TestProgram.h"

#include <GL/glew.h>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace {

const glm::vec3 yAxis(0.0f, 1.0f, 0.0f);

float maxDifference(const glm::mat4& a, const glm::mat4& b)
{
    float worst = 0.0f;
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            worst = std::max(worst, std::fabs(a[c][r] - b[c][r]));
        }
    }
    return worst;
}

::testing::AssertionResult matricesNear(const glm::mat4& actual, const glm::mat4& expected, float tolerance)
{
    const float worst = maxDifference(actual, expected);
    if (worst <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "largest element difference " << worst << " exceeds " << tolerance;
}

::testing::AssertionResult vectorsNear(const glm::vec3& actual, const glm::vec3& expected, float tolerance)
{
    const float worst = std::max(
        {std::fabs(actual.x - expected.x), std::fabs(actual.y - expected.y), std::fabs(actual.z - expected.z)});
    if (worst <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "(" << actual.x << ", " << actual.y << ", " << actual.z << ") is not ("
                                         << expected.x << ", " << expected.y << ", " << expected.z << ")";
}

glm::mat4 degreesAbout(float degrees, glm::vec3 axis)
{
    return glm::rotate(glm::mat4(1.0f), glm::radians(degrees), glm::normalize(axis));
}

// A start matrix that is neither the identity nor a pure translation, so
// that "in the child's own frame" differs from "in world space".
glm::mat4 tiltedStart(glm::vec3 position)
{
    return glm::translate(glm::mat4(1.0f), position) * degreesAbout(90.0f, yAxis) *
           degreesAbout(30.0f, glm::vec3(1.0f, 0.0f, 0.0f));
}

// One entry per call of a draw operation on a recording asset: which asset,
// which operation, and the "model" uniform of the current program at that
// moment (what the asset drawn just before uploaded).
struct DrawRecord {
    std::string name;
    std::string operation;
    glm::mat4 modelUniform;
};

// An asset without a mesh that records its draws and its destruction.
class RecordingAsset : public Asset {
public:
    RecordingAsset(std::string name, std::vector<DrawRecord>* log, bool* destroyed = nullptr)
        : Asset(false, false, 0), m_name(std::move(name)), m_log(log), m_destroyed(destroyed)
    {
    }
    ~RecordingAsset() override
    {
        if (m_destroyed != nullptr) {
            *m_destroyed = true;
        }
    }
    void draw() override { record("draw"); }
    void drawShadowVolume() override { record("drawShadowVolume"); }
    void drawNormalMapped() override { record("drawNormalMapped"); }

private:
    void record(const char* operation)
    {
        DrawRecord entry{m_name, operation, glm::mat4(0.0f)};
        GLint programName = 0;
        glGetIntegerv(GL_CURRENT_PROGRAM, &programName);
        const GLuint program = static_cast<GLuint>(programName);
        const GLint location = program != 0 ? glGetUniformLocation(program, "model") : -1;
        if (location >= 0) {
            glGetUniformfv(program, location, glm::value_ptr(entry.modelUniform));
        }
        m_log->push_back(entry);
    }

    std::string m_name;
    std::vector<DrawRecord>* m_log;
    bool* m_destroyed;
};

// A minimal program with the "model" uniform the assets upload, so that the
// order of the parents' own draws can be read back from GL. Made once and
// kept for the whole process (released from its owner: the context goes
// before static objects would delete it).
GLuint modelProgram()
{
    static GLuint program = 0;
    if (program == 0) {
        program = buildProgram("#version 330 core\n"
                               "uniform mat4 model;\n"
                               "in vec3 vertexPosition_modelspace;\n"
                               "void main() { gl_Position = model * vec4(vertexPosition_modelspace, 1.0); }\n",
                               nullptr,
                               "#version 330 core\n"
                               "out vec4 colour;\n"
                               "void main() { colour = vec4(1.0); }\n")
                      .release();
    }
    return program;
}

int countLines(const std::string& text, const std::string& line)
{
    int count = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (text.compare(start, end - start, line) == 0) {
            ++count;
        }
        start = end + 1;
    }
    return count;
}

} // namespace

TEST(HierarchicalAsset, TranslationReachesChildrenFourfoldPerLevelInTheirOwnFrames)
{
    auto* parent = new HierarchicalAsset(false, false, 0);
    auto* child = new HierarchicalAsset(false, false, 0);
    auto* grandchild = new Asset(false, false, 0);
    auto* sibling = new Asset(false, false, 0);
    const glm::mat4 parentStart = tiltedStart(glm::vec3(1.0f, 2.0f, 3.0f));
    const glm::mat4 childStart = tiltedStart(glm::vec3(-4.0f, 0.5f, 0.0f));
    const glm::mat4 grandchildStart = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 0.0f, -7.0f)) *
                                      degreesAbout(-60.0f, glm::vec3(0.0f, 0.0f, 1.0f));
    parent->setModelMatrix(parentStart);
    child->setModelMatrix(childStart);
    grandchild->setModelMatrix(grandchildStart);
    child->addChild(grandchild);
    parent->addChild(child);
    parent->addChild(sibling);

    const glm::vec3 d(0.25f, -0.5f, 1.0f);
    parent->translate(2.0f, d);

    EXPECT_TRUE(matricesNear(parent->getModelMatrix(), glm::translate(parentStart, 2.0f * d), 1e-5f));
    EXPECT_TRUE(matricesNear(child->getModelMatrix(), glm::translate(childStart, 2.0f * 4.0f * d), 1e-5f));
    EXPECT_TRUE(
        matricesNear(grandchild->getModelMatrix(), glm::translate(grandchildStart, 2.0f * 16.0f * d), 1e-5f));
    EXPECT_TRUE(matricesNear(sibling->getModelMatrix(), glm::translate(glm::mat4(1.0f), 2.0f * 4.0f * d), 1e-5f));
    // The child's position moved along its own rotated axes, not along d.
    EXPECT_TRUE(vectorsNear(child->getPosition() - glm::vec3(-4.0f, 0.5f, 0.0f),
                            glm::vec3(childStart * glm::vec4(8.0f * d, 0.0f)), 1e-5f));

    // A velocity update is a translation as well and reaches the children the
    // same way.
    parent->setModelMatrix(glm::mat4(1.0f));
    child->setModelMatrix(glm::mat4(1.0f));
    grandchild->setModelMatrix(glm::mat4(1.0f));
    parent->setVelocity(glm::vec3(1.0f, 0.0f, 0.0f));
    parent->update(0.5f);
    EXPECT_TRUE(vectorsNear(parent->getPosition(), glm::vec3(0.5f, 0.0f, 0.0f), 1e-6f));
    EXPECT_TRUE(vectorsNear(child->getPosition(), glm::vec3(2.0f, 0.0f, 0.0f), 1e-6f));
    EXPECT_TRUE(vectorsNear(grandchild->getPosition(), glm::vec3(8.0f, 0.0f, 0.0f), 1e-6f));
    delete parent;
}

TEST(HierarchicalAssetRotating, TranslationReachesChildrenUnscaled)
{
    auto* parent = new HierarchicalAssetRotating(false, false, 0);
    auto* child = new Asset(false, false, 0);
    auto* nested = new HierarchicalAsset(false, false, 0);
    auto* nestedChild = new Asset(false, false, 0);
    const glm::mat4 childStart = tiltedStart(glm::vec3(3.0f, 0.0f, -1.0f));
    child->setModelMatrix(childStart);
    nested->addChild(nestedChild);
    parent->addChild(child);
    parent->addChild(nested);

    const glm::vec3 d(1.0f, 2.0f, -0.5f);
    parent->translate(1.5f, d);
    EXPECT_TRUE(matricesNear(parent->getModelMatrix(), glm::translate(glm::mat4(1.0f), 1.5f * d), 1e-5f));
    EXPECT_TRUE(matricesNear(child->getModelMatrix(), glm::translate(childStart, 1.5f * d), 1e-5f));
    EXPECT_TRUE(vectorsNear(nested->getPosition(), 1.5f * d, 1e-5f));
    // Below a plain hierarchical asset the factor 4 applies again.
    EXPECT_TRUE(vectorsNear(nestedChild->getPosition(), 1.5f * 4.0f * d, 1e-5f));
    delete parent;
}

TEST(HierarchicalAsset, RemovalIsLockedForMoreThanOneSecondOfUpdates)
{
    HierarchicalAsset parent(false, false, 0);
    EXPECT_EQ(parent.removeLastChild(), nullptr);
    EXPECT_FALSE(parent.isRemovalLocked()) << "removing from an empty list must not lock";

    Asset* first = new Asset(false, false, 0);
    Asset* second = new Asset(false, false, 0);
    Asset* third = new Asset(false, false, 0);
    parent.addChild(first);
    parent.addChild(second);
    parent.addChild(third);

    std::unique_ptr<Asset> removedThird(parent.removeLastChild());
    EXPECT_EQ(removedThird.get(), third);
    EXPECT_TRUE(parent.isRemovalLocked());
    EXPECT_EQ(parent.removeLastChild(), nullptr) << "a second removal within the same second";
    ASSERT_EQ(parent.getChildren().size(), 2u);

    // Exactly one second of updates is not enough.
    parent.update(0.5f);
    parent.update(0.5f);
    EXPECT_TRUE(parent.isRemovalLocked());
    EXPECT_EQ(parent.removeLastChild(), nullptr);
    EXPECT_EQ(parent.getChildren().size(), 2u);

    parent.update(0.25f);
    EXPECT_FALSE(parent.isRemovalLocked());
    std::unique_ptr<Asset> removedSecond(parent.removeLastChild());
    EXPECT_EQ(removedSecond.get(), second);
    ASSERT_EQ(parent.getChildren().size(), 1u);
    EXPECT_EQ(parent.getChildren()[0], first);

    // The lock starts again from zero with each removal.
    parent.update(0.75f);
    EXPECT_EQ(parent.removeLastChild(), nullptr);
    parent.update(0.3f);
    std::unique_ptr<Asset> removedFirst(parent.removeLastChild());
    EXPECT_EQ(removedFirst.get(), first);
    EXPECT_TRUE(parent.getChildren().empty());
}

TEST(HierarchicalAsset, DeletingAParentDeletesItsChildrenRecursivelyButNotARemovedOne)
{
    bool leafDestroyed = false;
    bool grandchildDestroyed = false;
    bool spunDestroyed = false;
    bool removedChildDestroyed = false;
    std::vector<DrawRecord> log;

    auto* parent = new HierarchicalAsset(false, false, 0);
    auto* middle = new HierarchicalAsset(false, false, 0);
    auto* spinner = new HierarchicalAssetRotating(false, false, 0);
    middle->addChild(new RecordingAsset("grandchild", &log, &grandchildDestroyed));
    spinner->addChild(new RecordingAsset("spun", &log, &spunDestroyed));
    auto* removed = new HierarchicalAssetRotating(false, false, 0);
    removed->addChild(new RecordingAsset("removedChild", &log, &removedChildDestroyed));
    parent->addChild(new RecordingAsset("leaf", &log, &leafDestroyed));
    parent->addChild(middle);
    parent->addChild(spinner);
    parent->addChild(removed);
    // The removed child's own destruction is tracked through its child.
    Asset* handedBack = parent->removeLastChild();
    ASSERT_EQ(handedBack, removed);

    const std::string parentOutput = stdoutOf([&] { delete parent; });
    // parent, leaf, middle, grandchild, spinner, spun.
    EXPECT_EQ(countLines(parentOutput, "Asset Destructor"), 6) << parentOutput;
    EXPECT_TRUE(leafDestroyed);
    EXPECT_TRUE(grandchildDestroyed);
    EXPECT_TRUE(spunDestroyed);
    EXPECT_FALSE(removedChildDestroyed) << "the removed child belongs to the caller now";

    const std::string removedOutput = stdoutOf([&] { delete handedBack; });
    EXPECT_EQ(countLines(removedOutput, "Asset Destructor"), 2) << removedOutput;
    EXPECT_TRUE(removedChildDestroyed);
}

TEST(HierarchicalAssetRotating, ChildTurnsFifteenDegreesPerSecondBeforeItsOwnUpdate)
{
    HierarchicalAssetRotating parent(false, false, 0);
    auto* mover = new Asset(false, false, 0);
    const glm::mat4 start = tiltedStart(glm::vec3(2.0f, -1.0f, 4.0f));
    mover->setModelMatrix(start);
    const glm::vec3 velocity(1.0f, 0.0f, 0.0f);
    mover->setVelocity(velocity);
    parent.addChild(mover);

    parent.update(2.0f);
    // Spin first (30 degrees about the child's local y), then the child's own
    // movement along its spun x axis.
    const glm::mat4 spinThenMove = glm::translate(start * degreesAbout(30.0f, yAxis), 2.0f * velocity);
    const glm::mat4 moveThenSpin = glm::translate(start, 2.0f * velocity) * degreesAbout(30.0f, yAxis);
    ASSERT_GT(maxDifference(spinThenMove, moveThenSpin), 0.1f) << "the two orders must be distinguishable";
    EXPECT_TRUE(matricesNear(mover->getModelMatrix(), spinThenMove, 1e-5f));

    // The parent itself is not spun by its own update.
    EXPECT_TRUE(matricesNear(parent.getModelMatrix(), glm::mat4(1.0f), 0.0f));
}

TEST(HierarchicalAssetRotating, ChildReturnsToItsStartAfterTwentyFourSeconds)
{
    HierarchicalAssetRotating parent(false, false, 0);
    auto* child = new Asset(false, false, 0);
    auto* inner = new HierarchicalAssetRotating(false, false, 0);
    auto* innerChild = new Asset(false, false, 0);
    const glm::mat4 start = tiltedStart(glm::vec3(-3.0f, 1.0f, 0.5f));
    const glm::mat4 innerChildStart = tiltedStart(glm::vec3(0.0f, 0.0f, 6.0f));
    child->setModelMatrix(start);
    innerChild->setModelMatrix(innerChildStart);
    inner->addChild(innerChild);
    parent.addChild(child);
    parent.addChild(inner);

    // A quarter of the way round after 6 seconds.
    for (int i = 0; i < 6 * 64; ++i) {
        parent.update(1.0f / 64.0f);
    }
    EXPECT_TRUE(matricesNear(child->getModelMatrix(), start * degreesAbout(90.0f, yAxis), 1e-4f));
    EXPECT_GT(maxDifference(child->getModelMatrix(), start), 0.5f);

    for (int i = 6 * 64; i < 24 * 64; ++i) {
        parent.update(1.0f / 64.0f);
    }
    EXPECT_TRUE(matricesNear(child->getModelMatrix(), start, 1e-4f));
    // A rotating child spins its own children in turn, also back to start.
    EXPECT_TRUE(matricesNear(innerChild->getModelMatrix(), innerChildStart, 1e-4f));
    EXPECT_TRUE(matricesNear(inner->getModelMatrix(), glm::mat4(1.0f), 1e-4f));
}

TEST(HierarchicalAssetRotating, ZeroTimeStepLeavesTheChildrenAsTheyAre)
{
    HierarchicalAssetRotating parent(false, false, 0);
    parent.setRotationSpeed(glm::vec3(30.0f, 45.0f, 10.0f));
    parent.setVelocity(glm::vec3(1.0f, 2.0f, 3.0f));
    auto* child = new Asset(false, false, 0);
    child->setVelocity(glm::vec3(0.0f, 0.0f, -4.0f));
    child->setRotationSpeed(glm::vec3(5.0f, 0.0f, 0.0f));
    const glm::mat4 start = tiltedStart(glm::vec3(1.0f, 1.0f, 1.0f));
    child->setModelMatrix(start);
    parent.addChild(child);

    for (int i = 0; i < 10; ++i) {
        parent.update(0.0f);
    }
    EXPECT_TRUE(matricesNear(child->getModelMatrix(), start, 0.0f));
    EXPECT_TRUE(matricesNear(parent.getModelMatrix(), glm::mat4(1.0f), 0.0f));
}

// What both kinds of parent do alike, run for each.
template <class Parent>
class EitherParent : public ::testing::Test {
};
struct ParentName {
    template <class Parent>
    static std::string GetName(int)
    {
        return std::is_same_v<Parent, HierarchicalAsset> ? "HierarchicalAsset" : "HierarchicalAssetRotating";
    }
};
using ParentKinds = ::testing::Types<HierarchicalAsset, HierarchicalAssetRotating>;
TYPED_TEST_SUITE(EitherParent, ParentKinds, ParentName);

// scale and rotateWithChildren behave the same on both kinds of parent.
TYPED_TEST(EitherParent, ScaleAndRotateWithChildrenReachTheChildren)
{
    using Parent = TypeParam;
    Parent parent(false, false, 0);
    auto* child = new Asset(false, false, 0);
    const glm::mat4 start = tiltedStart(glm::vec3(0.0f, 2.0f, -2.0f));
    child->setModelMatrix(start);
    parent.addChild(child);

    parent.scale(2.0f);
    EXPECT_FLOAT_EQ(parent.getScale(), 2.0f);
    EXPECT_FLOAT_EQ(child->getScale(), 2.0f);
    EXPECT_TRUE(
        matricesNear(child->getModelMatrix(), start * glm::scale(glm::mat4(1.0f), glm::vec3(2.0f)), 1e-5f));

    child->setModelMatrix(start);
    parent.setModelMatrix(glm::mat4(1.0f));
    parent.rotateWithChildren(30.0f, 2.0f);
    const glm::mat4 turn = degreesAbout(60.0f, glm::vec3(1.0f, 1.0f, 1.0f));
    EXPECT_TRUE(matricesNear(parent.getModelMatrix(), turn, 1e-5f));
    EXPECT_TRUE(matricesNear(child->getModelMatrix(), start * turn, 1e-5f));

    // The plain rotation turns the parent alone.
    child->setModelMatrix(start);
    parent.rotate(45.0f, 1.0f, yAxis);
    EXPECT_TRUE(matricesNear(child->getModelMatrix(), start, 0.0f));
}

// rotateWithChildren is virtual in both: a call through the parent's type
// reaches a subclass's own version.
TYPED_TEST(EitherParent, RotateWithChildrenIsVirtual)
{
    struct Counting : TypeParam {
        using TypeParam::TypeParam;
        void rotateWithChildren(float, float) override { ++calls; }
        int calls = 0;
    };
    Counting counting(false, false, 0);
    TypeParam& parent = counting;
    parent.rotateWithChildren(1.0f, 1.0f);
    EXPECT_EQ(counting.calls, 1);
}

// draw reaches the children after the parent's own draw; the shadow-volume
// and normal-mapped draws stay with the parent.
TYPED_TEST(EitherParent, DrawReachesTheChildrenParentFirstOtherPassesDoNot)
{
    using Parent = TypeParam;
    const GLuint program = modelProgram();
    ASSERT_NE(program, 0u);
    glUseProgram(program);
    const GLint location = glGetUniformLocation(program, "model");
    ASSERT_GE(location, 0);
    const glm::mat4 sentinel = glm::translate(glm::mat4(1.0f), glm::vec3(99.0f, 99.0f, 99.0f));
    glUniformMatrix4fv(location, 1, GL_FALSE, glm::value_ptr(sentinel));

    std::vector<DrawRecord> log;
    Parent parent(false, false, program);
    const glm::mat4 parentModel = glm::translate(glm::mat4(1.0f), glm::vec3(1.0f, 0.0f, 0.0f));
    parent.setModelMatrix(parentModel);
    auto* nested = new HierarchicalAsset(false, false, program);
    const glm::mat4 nestedModel = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 2.0f, 0.0f));
    nested->setModelMatrix(nestedModel);
    nested->addChild(new RecordingAsset("grandchild", &log));
    parent.addChild(new RecordingAsset("first", &log));
    parent.addChild(nested);
    parent.addChild(new RecordingAsset("last", &log));

    parent.draw();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].name, "first");
    EXPECT_EQ(log[1].name, "grandchild");
    EXPECT_EQ(log[2].name, "last");
    for (const DrawRecord& entry : log) {
        EXPECT_EQ(entry.operation, "draw");
    }
    // When the first child is drawn, the parent has already uploaded its
    // model matrix; the grandchild comes after its own parent's upload.
    EXPECT_TRUE(matricesNear(log[0].modelUniform, parentModel, 0.0f)) << "the parent was not drawn first";
    EXPECT_TRUE(matricesNear(log[1].modelUniform, nestedModel, 0.0f)) << "the nested parent was not drawn first";

    log.clear();
    parent.drawShadowVolume();
    parent.drawNormalMapped();
    EXPECT_TRUE(log.empty()) << log.size() << " children reached by the shadow-volume or normal-mapped draw";

    glUseProgram(0);
    clearGLErrors();
}

TEST(HierarchicalAsset, WithoutChildrenItBehavesLikeAnAsset)
{
    HierarchicalAsset lonely(false, false, 0);
    Asset plain(false, false, 0);
    for (Asset* asset : {static_cast<Asset*>(&lonely), &plain}) {
        asset->setModelMatrix(tiltedStart(glm::vec3(1.0f, 2.0f, 3.0f)));
        asset->setVelocity(glm::vec3(0.5f, -1.0f, 2.0f));
        asset->setRotationSpeed(glm::vec3(10.0f, 20.0f, 30.0f));
        asset->update(0.1f);
        asset->update(0.25f);
        asset->translate(3.0f, glm::vec3(1.0f, 0.0f, -1.0f));
        asset->scale(0.5f);
        asset->rotate(40.0f, 0.5f, glm::vec3(0.0f, 0.0f, 1.0f));
    }
    lonely.rotateWithChildren(12.0f, 0.5f);
    plain.rotate(12.0f, 0.5f, glm::vec3(1.0f, 1.0f, 1.0f));
    EXPECT_TRUE(matricesNear(lonely.getModelMatrix(), plain.getModelMatrix(), 0.0f));
    EXPECT_FLOAT_EQ(lonely.getScale(), plain.getScale());
    // The drift and the spin did happen, so the comparison means something.
    EXPECT_GT(maxDifference(plain.getModelMatrix(), tiltedStart(glm::vec3(1.0f, 2.0f, 3.0f))), 0.5f);
    EXPECT_EQ(lonely.removeLastChild(), nullptr);
    EXPECT_FALSE(lonely.isRemovalLocked());
}

// A parent draws its children in its own pass: with the pass's program and lit
// flag, which the frame loop sets on the parent only. Depth pass and lit pass
// run through the frame loop's drawScene with two different programs; the
// child must come out lit like an equal asset drawn alone.
TYPED_TEST(EitherParent, ChildIsDrawnWithItsParentsProgramAndLitFlag)
{
    using Parent = TypeParam;
    const char* vertex = "#version 330 core\n"
                         "uniform mat4 model;\n"
                         "in vec3 vertexPosition_modelspace;\n"
                         "void main() { gl_Position = model * vec4(vertexPosition_modelspace, 1.0); }\n";
    const GLProgram depthProgram = buildProgram(vertex, nullptr,
                                                "#version 330 core\n"
                                                "out vec4 colour;\n"
                                                "void main() { colour = vec4(0.0); }\n");
    // Three lights in a lit pass, none otherwise.
    const GLProgram litProgram =
        buildProgram(vertex, nullptr,
                     "#version 330 core\n"
                     "uniform int numPointLights;\n"
                     "out vec4 colour;\n"
                     "void main() { colour = vec4(float(numPointLights) / 4.0, 0.5, 0.0, 1.0); }\n");
    ScratchDirectory dir;
    dir.write("square.obj", "v -0.2 -0.2 0\nv 0.2 -0.2 0\nv 0.2 0.2 0\nv -0.2 0.2 0\nvn 0 0 1\n"
                            "f 1//1 2//1 3//1 4//1\n");
    // Built with the lit pass's program, as the scene builds its assets.
    auto* parent = new Parent(false, false, litProgram.id());
    auto* child = new Asset(false, false, litProgram.id());
    Asset alone(false, false, litProgram.id());
    {
        CapturedStdout quiet;
        // Three spellings of the path: three meshes of their own.
        ASSERT_TRUE(ModelLoader::getInstance().loadModel(dir.file("square.obj"), parent, false));
        ASSERT_TRUE(ModelLoader::getInstance().loadModel(dir.path() + "/./square.obj", child, false));
        ASSERT_TRUE(ModelLoader::getInstance().loadModel(dir.path() + "//square.obj", &alone, false));
    }
    parent->setModelMatrix(glm::translate(glm::mat4(1.0f), glm::vec3(-0.6f, 0.0f, 0.0f)));
    alone.setModelMatrix(glm::translate(glm::mat4(1.0f), glm::vec3(0.6f, 0.0f, 0.0f)));
    parent->addChild(child);

    assets.push_back(parent);
    assets.push_back(&alone);
    glViewport(0, 0, 1024, 768);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glDrawBuffer(GL_NONE);
    drawScene(false, false, false, depthProgram.id());
    glDrawBuffer(GL_BACK);
    glDepthFunc(GL_EQUAL);
    drawScene(false, false, true, litProgram.id());
    glDepthFunc(GL_LEQUAL);
    assets.clear();
    glReadBuffer(GL_BACK);
    const RgbImage image = readPixels(0, 0, 1024, 768);

    // Centres of the child (x 0) and of the lone asset (x 0.6).
    const uint8_t* childPixel = image.at(512, 384);
    const uint8_t* alonePixel = image.at(819, 384);
    EXPECT_EQ(alonePixel[0], 191);
    EXPECT_EQ(alonePixel[1], 128);
    EXPECT_EQ(childPixel[0], alonePixel[0]);
    EXPECT_EQ(childPixel[1], alonePixel[1]);

    stdoutOf([&] { delete parent; });
    glUseProgram(0);
    clearGLErrors();
}

// A null child keeps its place after the child added before it, everything
// forwarded passes it over, and it is what a removal takes first; the child
// stays the parent's, deleted with it.
TYPED_TEST(EitherParent, NullChildKeepsItsPlaceAndIsSkipped)
{
    using Parent = TypeParam;
    std::vector<DrawRecord> log;
    bool destroyed = false;
    {
        Parent parent(false, false, 0);
        auto* child = new RecordingAsset("child", &log, &destroyed);
        parent.addChild(child);
        parent.addChild(nullptr);
        ASSERT_EQ(parent.getChildren(), (std::vector<Asset*>{child, nullptr}));
        parent.draw();
        parent.update(0.5f);
        parent.translate(1.0f, yAxis);
        parent.scale(2.0f);
        parent.rotateWithChildren(1.0f, 0.5f);
        EXPECT_EQ(log.size(), 1u);
        EXPECT_FALSE(matricesNear(child->getModelMatrix(), glm::mat4(1.0f), 1e-3f));
        if constexpr (std::is_same_v<Parent, HierarchicalAsset>) {
            EXPECT_EQ(parent.removeLastChild(), nullptr);
            EXPECT_EQ(parent.getChildren(), (std::vector<Asset*>{child}));
        }
        EXPECT_FALSE(destroyed);
        clearGLErrors();
    }
    EXPECT_TRUE(destroyed);
}
