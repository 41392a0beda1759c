#pragma once
#include <glm/vec3.hpp>

#include <vector>

class Asset;

// The children of a parent asset, in the order they were added. Owns every
// child it holds and deletes them when it goes. A null child keeps its place
// in the list and is skipped by everything applied to the children.
class ChildList {
public:
    ChildList() = default;
    ~ChildList();
    ChildList(const ChildList&) = delete;
    ChildList& operator=(const ChildList&) = delete;

    // Appends `child` (null too); the list owns it from then on.
    void add(Asset* child);
    // Takes the last entry out and hands it back (null when that entry was
    // null); the caller owns it from then on. The list must not be empty.
    Asset* takeLast();
    bool empty() const { return m_children.empty(); }
    const std::vector<Asset*>& all() const { return m_children; }

    // Calls `apply` with every child that is not null, in order.
    template <class Apply>
    void forEach(Apply apply) const
    {
        for (Asset* child : m_children) {
            if (child != nullptr) {
                apply(child);
            }
        }
    }

    // A parent's operation applied again to every child, in the child's own frame.
    void update(float dt) const;
    void translate(float amount, glm::vec3 direction) const;
    void scale(float factor) const;
    void rotate(float speed, float dt, glm::vec3 axis) const;

private:
    std::vector<Asset*> m_children;
};
