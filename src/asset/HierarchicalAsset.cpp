#include "asset/HierarchicalAsset.h"

HierarchicalAsset::HierarchicalAsset(bool textured, bool normalMapped, GLuint program)
    : Asset(textured, normalMapped, program)
{
}

void HierarchicalAsset::draw()
{
    Asset::draw();
    m_children.forEach([this](Asset* child) { drawAsChild(child); });
}

void HierarchicalAsset::update(float dt)
{
    Asset::update(dt);
    m_children.update(dt);
    if (m_removalLocked) {
        m_removalTime += dt;
        if (m_removalTime > 1.0f) {
            m_removalLocked = false;
        }
    }
}

void HierarchicalAsset::translate(float amount, glm::vec3 direction)
{
    Asset::translate(amount, direction);
    // Four times the direction, not a unit mix-up: the group's children move farther, by design.
    m_children.translate(amount, direction * 4.0f);
}

void HierarchicalAsset::scale(float factor)
{
    Asset::scale(factor);
    m_children.scale(factor);
}

void HierarchicalAsset::rotateWithChildren(float speed, float dt)
{
    const glm::vec3 diagonal(1.0f, 1.0f, 1.0f);
    Asset::rotate(speed, dt, diagonal);
    m_children.rotate(speed, dt, diagonal);
}

Asset* HierarchicalAsset::removeLastChild()
{
    if (m_children.empty() || m_removalLocked) {
        return nullptr;
    }
    Asset* removed = m_children.takeLast();
    m_removalLocked = true;
    m_removalTime = 0.0f;
    return removed;
}
