#include "asset/HierarchicalAssetRotating.h"

#include <glm/gtc/matrix_transform.hpp>

HierarchicalAssetRotating::HierarchicalAssetRotating(bool textured, bool normalMapped, GLuint program)
    : ParentAsset(textured, normalMapped, program)
{
}

void HierarchicalAssetRotating::update(float dt)
{
    Asset::update(dt);
    forEachChild([this, dt](Asset* child) {
        const float angle = (0.3f * dt) * 50.0f;
        const glm::mat4 spin = glm::rotate(glm::mat4(1.0f), angle * 0.017453292f, m_rotationAxis);
        child->setModelMatrix(child->getModelMatrix() * spin);
        child->update(dt);
    });
}
