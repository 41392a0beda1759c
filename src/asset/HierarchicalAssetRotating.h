#pragma once
#include "asset/ParentAsset.h"

// A parent asset that spins each child about the child's own local y axis at
// 15 degrees a second, before the child's own update. Transforms reach the
// children unscaled; there is no child removal.
class HierarchicalAssetRotating : public ParentAsset {
public:
    HierarchicalAssetRotating(bool textured, bool normalMapped, GLuint program);

    void update(float dt) override;

private:
    glm::vec3 m_rotationAxis = glm::vec3(0.0f, 1.0f, 0.0f);
};
