#include "asset/HierarchicalAssetRotating.h"

#include <glm/gtc/matrix_transform.hpp>

HierarchicalAssetRotating::HierarchicalAssetRotating(bool textured, bool normalMapped, GLuint program)
    : Asset(textured, normalMapped, program)
{
}

HierarchicalAssetRotating::~HierarchicalAssetRotating()
{
    for (Asset* child : m_children) {
        delete child;
    }
}

void HierarchicalAssetRotating::draw()
{
    Asset::draw();
    for (Asset* child : m_children) {
        drawAsChild(child);
    }
}

void HierarchicalAssetRotating::update(float dt)
{
    Asset::update(dt);
    for (Asset* child : m_children) {
        const float angle = (0.3f * dt) * 50.0f;
        const glm::mat4 spin = glm::rotate(glm::mat4(1.0f), angle * 0.017453292f, m_rotationAxis);
        child->setModelMatrix(child->getModelMatrix() * spin);
        child->update(dt);
    }
}

void HierarchicalAssetRotating::translate(float amount, glm::vec3 direction)
{
    Asset::translate(amount, direction);
    for (Asset* child : m_children) {
        child->translate(amount, direction);
    }
}

void HierarchicalAssetRotating::scale(float factor)
{
    Asset::scale(factor);
    for (Asset* child : m_children) {
        child->scale(factor);
    }
}

void HierarchicalAssetRotating::rotateWithChildren(float speed, float dt)
{
    const glm::vec3 diagonal(1.0f, 1.0f, 1.0f);
    Asset::rotate(speed, dt, diagonal);
    for (Asset* child : m_children) {
        child->rotate(speed, dt, diagonal);
    }
}

void HierarchicalAssetRotating::addChild(Asset* child)
{
    if (child != nullptr) {
        m_children.push_back(child);
    }
}
