// Triangle meshes as written to OBJ: separate position / uv / normal pools,
// each triangle corner indexing into all three.
#pragma once

#include "Common.h"

#include <array>
#include <string>
#include <vector>

namespace gen {

struct Vec2 {
    double u = 0, v = 0;
};

struct Corner {
    int p = 0, t = 0, n = 0;
};

struct Mesh {
    std::vector<Vec3> positions;
    std::vector<Vec2> uvs;
    std::vector<Vec3> normals;
    std::vector<std::array<Corner, 3>> triangles;

    int addPosition(const Vec3& p)
    {
        positions.push_back(p);
        return static_cast<int>(positions.size()) - 1;
    }
    int addUv(double u, double v)
    {
        uvs.push_back({u, v});
        return static_cast<int>(uvs.size()) - 1;
    }
    int addNormal(const Vec3& n)
    {
        normals.push_back(normalize(n));
        return static_cast<int>(normals.size()) - 1;
    }

    // Quad a-b-c-d, counter-clockwise as seen from the side `normal` points to.
    void addQuad(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d, const Vec2& ta, const Vec2& tb,
                 const Vec2& tc, const Vec2& td, const Vec3& normal);
};

// Appends an axis-aligned box. With `inward` the faces look into the box
// (a room seen from inside). Each face maps [0,1]^2 scaled by uvScale*extent
// when uvScale > 0, or exactly [0,1]^2 when uvScale == 0. The uv frame of every
// face satisfies cross(dU, dV) == face normal, so normal maps are never mirrored.
void addBox(Mesh& mesh, const Vec3& lo, const Vec3& hi, double uvScale, bool inward = false);

// An axis-aligned box by its two extreme corners.
struct Box {
    Vec3 lo, hi;
};

// Appends the inward faces of the room lo..hi (as addBox with `inward` does,
// with the same uvs) without the parts that a box of `contents` covers where
// it stands against a face: the floor under a plate, the wall behind a panel.
// Those parts are never seen, but a rasteriser may still shade them: Mesa's
// llvmpipe shades every fragment of a multisampled draw before its depth test
// decides, hidden or not. What is left of a face is cut into few rectangles.
void addRoom(Mesh& mesh, const Vec3& lo, const Vec3& hi, double uvScale, const std::vector<Box>& contents);

// Same box but sharing its eight corner positions between faces, for closed
// solids (positions shared, uvs and normals per face).
void addClosedBox(Mesh& mesh, const Vec3& lo, const Vec3& hi);

// Maps each position index to the index of its first equal position (after
// rounding to the written precision): the positions as the written file shares them.
std::vector<int> weldPositions(const Mesh& mesh);

// Welds equal positions (after rounding to the written precision) and checks
// that the mesh is a closed two-manifold with consistent winding. Returns an
// empty string when it is, otherwise a description of the first problem.
std::string checkWatertight(const Mesh& mesh);

// Writes the mesh as a single-object OBJ with fixed 6-decimal formatting;
// equal values always produce identical text. Returns false on I/O failure.
bool writeObj(const Mesh& mesh, const std::string& path, const std::string& comment);

// Mesh statistics used in the console report.
struct Bounds {
    Vec3 lo, hi;
};
Bounds meshBounds(const Mesh& mesh);

} // namespace gen
