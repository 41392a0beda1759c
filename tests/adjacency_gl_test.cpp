// The model loader's adjacency step on a hand-built mesh: it fills the
// asset's own tables (the builder itself is tested without GL, in
// nogl/adjacency_test).
#include "app/GLState.h"
#include "asset/Asset.h"
#include "modelloader/ModelLoader.h"
#include "support/HandMesh.h"

#include <gtest/gtest.h>

#include <vector>

TEST(Adjacency, FindAdjacenciesFillsTheAssetsTables)
{
    Asset asset(false, false, 0);
    asset.m_withAdjacency = true;
    auto mesh = makeTriMesh(tetraPositions, tetraTris);
    std::vector<unsigned int> out;
    ModelLoader::getInstance().findAdjacencies(mesh.get(), out, &asset);
    EXPECT_EQ(out.size(), 24u);
    EXPECT_EQ(asset.m_posMap.size(), 4u);
    EXPECT_EQ(asset.m_uniqueFaces.size(), 4u);
    EXPECT_EQ(asset.m_indexMap.size(), 6u);
    for (const auto& entry : asset.m_indexMap) {
        EXPECT_NE(entry.second.firstTri, -1);
        EXPECT_NE(entry.second.secondTri, -1);
        EXPECT_FALSE(entry.second.nonManifold);
    }
    clearGLErrors();
}
