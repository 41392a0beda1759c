#pragma once
#include "asset/ParentAsset.h"

// A parent asset whose children move by four times the direction of a
// translation, and which can hand its last child back.
class HierarchicalAsset : public ParentAsset {
public:
    HierarchicalAsset(bool textured, bool normalMapped, GLuint program);

    void update(float dt) override;
    void translate(float amount, glm::vec3 direction) override;

    // Removes the last entry, unless a removal happened less than one second
    // of update time ago, and hands it back: the caller owns it from then on.
    // Returns null when nothing was removed or the entry was null.
    Asset* removeLastChild();
    bool isRemovalLocked() const { return m_removalLocked; }

private:
    bool m_removalLocked = false;
    float m_removalTime = 0.0f;
};
