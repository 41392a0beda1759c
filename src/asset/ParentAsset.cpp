#include "asset/ParentAsset.h"

ParentAsset::ParentAsset(bool textured, bool normalMapped, GLuint program) : Asset(textured, normalMapped, program)
{
}

ParentAsset::~ParentAsset()
{
    forEachChild([](Asset* child) { delete child; });
}

void ParentAsset::draw()
{
    Asset::draw();
    forEachChild([this](Asset* child) { drawAsChild(child); });
}

void ParentAsset::update(float dt)
{
    Asset::update(dt);
    forEachChild([dt](Asset* child) { child->update(dt); });
}

void ParentAsset::translate(float amount, glm::vec3 direction)
{
    Asset::translate(amount, direction);
    forEachChild([=](Asset* child) { child->translate(amount, direction); });
}

void ParentAsset::scale(float factor)
{
    Asset::scale(factor);
    forEachChild([factor](Asset* child) { child->scale(factor); });
}

void ParentAsset::rotateWithChildren(float speed, float dt)
{
    const glm::vec3 diagonal(1.0f, 1.0f, 1.0f);
    Asset::rotate(speed, dt, diagonal);
    forEachChild([=](Asset* child) { child->rotate(speed, dt, diagonal); });
}

void ParentAsset::addChild(Asset* child)
{
    m_children.push_back(child);
}
