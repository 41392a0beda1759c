#pragma once
#include "asset/Asset.h"

#include <vector>

// An asset that owns child assets and spins each of them about its own local
// y axis at 15 degrees a second, before the child's own update. Transforms
// reach the children unscaled; there is no child removal.
class HierarchicalAssetRotating : public Asset {
public:
    HierarchicalAssetRotating(bool textured, bool normalMapped, GLuint program);
    ~HierarchicalAssetRotating() override;

    void draw() override;
    void update(float dt) override;
    void translate(float amount, glm::vec3 direction) override;
    void scale(float factor) override;
    virtual void rotateWithChildren(float speed, float dt);

    // The parent takes ownership of `child`; a null child is refused.
    void addChild(Asset* child);
    const std::vector<Asset*>& getChildren() const { return m_children; }

private:
    std::vector<Asset*> m_children;
    glm::vec3 m_rotationAxis = glm::vec3(0.0f, 1.0f, 0.0f);
};
