// Quadric-error edge-collapse simplification for closed triangle meshes.
#pragma once

#include "Common.h"

#include <array>
#include <vector>

namespace gen {

// Collapses edges until at most `targetTriangles` remain (or no collapse is
// safe). Keeps the surface a closed two-manifold: a collapse is only done when
// the edge's endpoints share exactly two neighbours, and rejected if it would
// flip a triangle or leave a sliver: a triangle whose quality (1 for an
// equilateral one, towards 0 for a needle) falls below `minQuality` and
// below what it was. Unused vertices are removed on return.
void decimate(std::vector<Vec3>& verts, std::vector<std::array<int, 3>>& tris, size_t targetTriangles,
              double minQuality = 0.2);

} // namespace gen
