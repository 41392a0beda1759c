#pragma once
#include "asset/Asset.h"

#include <vector>

// An asset that owns child assets and forwards its drawing, its update and its
// transforms to them. Each child keeps its own model matrix: a parent's
// operation is applied again to every child in the child's own frame. A null
// child keeps its place in the list and is skipped by everything forwarded.
class ParentAsset : public Asset {
public:
    ParentAsset(bool textured, bool normalMapped, GLuint program);
    ~ParentAsset() override;

    void draw() override;
    void update(float dt) override;
    void translate(float amount, glm::vec3 direction) override;
    void scale(float factor) override;
    virtual void rotateWithChildren(float speed, float dt);

    // Appends `child` (null too); the parent owns it from then on.
    void addChild(Asset* child);
    const std::vector<Asset*>& getChildren() const { return m_children; }

protected:
    // Calls `forward` with every child that is not null, in order.
    template <class Forward>
    void forEachChild(Forward forward) const
    {
        for (Asset* child : m_children) {
            if (child != nullptr) {
                forward(child);
            }
        }
    }

    std::vector<Asset*> m_children;
};
