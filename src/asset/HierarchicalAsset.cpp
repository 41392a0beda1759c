#include "asset/HierarchicalAsset.h"

HierarchicalAsset::HierarchicalAsset(bool textured, bool normalMapped, GLuint program)
    : ParentAsset(textured, normalMapped, program)
{
}

void HierarchicalAsset::update(float dt)
{
    ParentAsset::update(dt);
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
    forEachChild([=](Asset* child) { child->translate(amount, direction * 4.0f); });
}

Asset* HierarchicalAsset::removeLastChild()
{
    if (m_children.empty() || m_removalLocked) {
        return nullptr;
    }
    Asset* removed = m_children.back();
    m_children.pop_back();
    m_removalLocked = true;
    m_removalTime = 0.0f;
    return removed;
}
