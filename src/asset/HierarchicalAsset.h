#pragma once
#include "asset/Asset.h"
#include "asset/ChildList.h"

#include <vector>

// An asset that owns child assets and forwards its drawing, its update and its
// transforms to them; its children move by four times the direction of a
// translation, and it can hand its last child back. Each child keeps its own
// model matrix: a parent's operation is applied again to every child in the
// child's own frame.
class HierarchicalAsset : public Asset {
public:
    HierarchicalAsset(bool textured, bool normalMapped, GLuint program);

    void draw() override;
    void update(float dt) override;
    void translate(float amount, glm::vec3 direction) override;
    void scale(float factor) override;
    // The group's own operation, after those of Asset: this asset and every
    // child turn by speed * dt degrees about (1, 1, 1), each in its own frame.
    virtual void rotateWithChildren(float speed, float dt);

    // Appends `child` (null too); the parent owns it from then on.
    void addChild(Asset* child) { m_children.add(child); }
    const std::vector<Asset*>& getChildren() const { return m_children.all(); }

    // Removes the last entry, unless a removal happened less than one second
    // of update time ago, and hands it back: the caller owns it from then on.
    // Returns null when nothing was removed or the entry was null.
    Asset* removeLastChild();
    bool isRemovalLocked() const { return m_removalLocked; }

private:
    ChildList m_children;
    bool m_removalLocked = false;
    float m_removalTime = 0.0f;
};
