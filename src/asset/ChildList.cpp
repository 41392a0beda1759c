#include "asset/ChildList.h"

#include "asset/Asset.h"

ChildList::~ChildList()
{
    forEach([](Asset* child) { delete child; });
}

void ChildList::add(Asset* child)
{
    m_children.push_back(child);
}

Asset* ChildList::takeLast()
{
    Asset* last = m_children.back();
    m_children.pop_back();
    return last;
}

void ChildList::update(float dt) const
{
    forEach([dt](Asset* child) { child->update(dt); });
}

void ChildList::translate(float amount, glm::vec3 direction) const
{
    forEach([=](Asset* child) { child->translate(amount, direction); });
}

void ChildList::scale(float factor) const
{
    forEach([factor](Asset* child) { child->scale(factor); });
}

void ChildList::rotate(float speed, float dt, glm::vec3 axis) const
{
    forEach([=](Asset* child) { child->rotate(speed, dt, axis); });
}
