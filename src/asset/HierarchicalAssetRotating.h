#pragma once
#include "asset/Asset.h"
#include "asset/ChildList.h"

#include <vector>

// An asset that owns child assets and forwards its drawing, its update and its
// transforms to them, spinning each child about the child's own local y axis
// at 15 degrees a second before the child's own update. Transforms reach the
// children unscaled; there is no child removal. Each child keeps its own
// model matrix: a parent's operation is applied again to every child in the
// child's own frame.
class HierarchicalAssetRotating : public Asset {
public:
    HierarchicalAssetRotating(bool textured, bool normalMapped, GLuint program);

    void draw() override;
    void update(float dt) override;
    void translate(float amount, glm::vec3 direction) override;
    void scale(float factor) override;
    // The group's own operation, after those of Asset, as in HierarchicalAsset
    // (this class does not derive from it).
    virtual void rotateWithChildren(float speed, float dt);

    // Appends `child` (null too); the parent owns it from then on.
    void addChild(Asset* child) { m_children.add(child); }
    const std::vector<Asset*>& getChildren() const { return m_children.all(); }

private:
    ChildList m_children;
    glm::vec3 m_rotationAxis = glm::vec3(0.0f, 1.0f, 0.0f);
};
