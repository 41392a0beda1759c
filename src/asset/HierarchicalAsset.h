#pragma once
#include "asset/Asset.h"

#include <vector>

// An asset that owns child assets and forwards its drawing, its update and its
// transforms to them. Each child keeps its own model matrix: a parent's
// operation is applied again to every child in the child's own frame.
class HierarchicalAsset : public Asset {
public:
    HierarchicalAsset(bool textured, bool normalMapped, GLuint program);
    ~HierarchicalAsset() override;

    void draw() override;
    void update(float dt) override;
    // Children move by four times the direction, in their own frames.
    void translate(float amount, glm::vec3 direction) override;
    void scale(float factor) override;
    virtual void rotateWithChildren(float speed, float dt);

    // The parent takes ownership of `child`; a null child is refused.
    void addChild(Asset* child);
    // Removes the last child, unless a removal happened less than one second
    // of update time ago, and hands it back: the caller owns it from then on.
    // Returns null when nothing was removed.
    Asset* removeLastChild();

    const std::vector<Asset*>& getChildren() const { return m_children; }
    bool isRemovalLocked() const { return m_removalLocked; }

private:
    std::vector<Asset*> m_children;
    bool m_removalLocked = false;
    float m_removalTime = 0.0f;
};
