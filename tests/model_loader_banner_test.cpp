// The importer version banner printed when the model loader is first used.
// Kept apart from the other model loader tests: it needs a process in which
// nothing has touched the loader yet (each test case runs in its own process).
#include "modelloader/ModelLoader.h"

#include <assimp/version.h>
#include <gtest/gtest.h>

#include <string>

TEST(ModelLoaderBanner, FirstUsePrintsTheVersionAndAnEmptyLine)
{
    testing::internal::CaptureStdout();
    ModelLoader& first = ModelLoader::getInstance();
    const std::string banner = testing::internal::GetCapturedStdout();
    EXPECT_EQ(banner, std::to_string(aiGetVersionMajor()) + "." + std::to_string(aiGetVersionMinor()) + "\n\n");

    testing::internal::CaptureStdout();
    ModelLoader& again = ModelLoader::getInstance();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(&first, &again);
}
