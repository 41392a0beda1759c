#include "asset/HierarchicalAsset.h"

HierarchicalAsset::HierarchicalAsset(bool textured, bool normalMapped, GLuint program)
    : Asset(textured, normalMapped, program)
{
}

HierarchicalAsset::~HierarchicalAsset()
{
    for (Asset* child : m_children) {
        delete child;
    }
}

void HierarchicalAsset::draw()
{
    Asset::draw();
    for (Asset* child : m_children) {
        drawAsChild(child);
    }
}

void HierarchicalAsset::update(float dt)
{
    Asset::update(dt);
    for (Asset* child : m_children) {
        child->update(dt);
    }
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
    for (Asset* child : m_children) {
        child->translate(amount, direction * 4.0f);
    }
}

void HierarchicalAsset::scale(float factor)
{
    Asset::scale(factor);
    for (Asset* child : m_children) {
        child->scale(factor);
    }
}

void HierarchicalAsset::rotateWithChildren(float speed, float dt)
{
    const glm::vec3 diagonal(1.0f, 1.0f, 1.0f);
    Asset::rotate(speed, dt, diagonal);
    for (Asset* child : m_children) {
        child->rotate(speed, dt, diagonal);
    }
}

void HierarchicalAsset::addChild(Asset* child)
{
    if (child != nullptr) {
        m_children.push_back(child);
    }
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
