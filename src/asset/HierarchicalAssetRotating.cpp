#include "asset/HierarchicalAssetRotating.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/trigonometric.hpp>

HierarchicalAssetRotating::HierarchicalAssetRotating(bool textured, bool normalMapped, GLuint program)
    : Asset(textured, normalMapped, program)
{
}

void HierarchicalAssetRotating::draw()
{
    Asset::draw();
    m_children.forEach([this](Asset* child) { drawAsChild(child); });
}

void HierarchicalAssetRotating::update(float dt)
{
    Asset::update(dt);
    m_children.forEach([this, dt](Asset* child) {
        const float angle = (0.3f * dt) * 50.0f;
        const glm::mat4 spin = glm::rotate(glm::mat4(1.0f), glm::radians(angle), m_rotationAxis);
        child->setModelMatrix(child->getModelMatrix() * spin);
        child->update(dt);
    });
}

void HierarchicalAssetRotating::translate(float amount, glm::vec3 direction)
{
    Asset::translate(amount, direction);
    m_children.translate(amount, direction);
}

void HierarchicalAssetRotating::scale(float factor)
{
    Asset::scale(factor);
    m_children.scale(factor);
}

void HierarchicalAssetRotating::rotateWithChildren(float speed, float dt)
{
    const glm::vec3 diagonal(1.0f, 1.0f, 1.0f);
    Asset::rotate(speed, dt, diagonal);
    m_children.rotate(speed, dt, diagonal);
}
