// Organic shapes as a smooth union of distance-like primitives, turned into a
// closed triangle mesh by marching tetrahedra.
#pragma once

#include "Mesh.h"

#include <functional>
#include <vector>

namespace gen {

// One primitive of a shape. Distances are negative inside.
struct Primitive {
    enum Kind { Ellipsoid, Capsule } kind = Ellipsoid;
    Vec3 a, b; // ellipsoid: centre in a; capsule: segment a..b
    Vec3 radii; // ellipsoid radii (in its rotated frame)
    double ra = 0, rb = 0; // capsule radius at a and at b
    Vec3 axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}; // ellipsoid frame
    double blend = 0.1; // smooth-union radius with what came before
    int part = 0; // texture region / colour group
    double noiseAmp = 0, noiseFreq = 1; // surface shagginess (e.g. a mane)
    uint64_t noiseSeed = 0;
};

Primitive ellipsoid(const Vec3& c, const Vec3& r, int part, double blend = 0.1);
Primitive sphere(const Vec3& c, double r, int part, double blend = 0.1);
Primitive capsule(const Vec3& a, const Vec3& b, double ra, double rb, int part, double blend = 0.1);
// Rotates an ellipsoid's frame about the x axis (pitch, radians, positive
// turns +z towards +y) and then about the y axis (yaw).
Primitive& orient(Primitive& p, double pitch, double yaw);

class Shape {
public:
    void add(const Primitive& p) { prims_.push_back(p); }
    double distance(const Vec3& p) const;
    Vec3 gradient(const Vec3& p, double eps) const;
    // Region of the primitive whose own surface is nearest to p.
    int partAt(const Vec3& p) const;
    // Conservative bounds of the solid.
    void bounds(Vec3& lo, Vec3& hi) const;

private:
    std::vector<Primitive> prims_;
};

// Per-triangle texture coordinates: given the three corner positions and the
// outward face normal, fill uv[3].
using UvFunction = std::function<void(const Vec3 (&p)[3], const Vec3& n, Vec2 (&uv)[3])>;

// Polygonises the zero set of `shape` on a grid of spacing `cell`, relaxes
// the vertices along the surface, simplifies to at most `maxTriangles` and
// attaches normals and uvs. The result is closed and consistently wound
// (counter-clockwise seen from outside). `minQuality` is the simplifier's
// limit on thin triangles (see decimate): lower lets the triangles stretch
// along nearly straight stretches of the surface.
Mesh polygonize(const Shape& shape, double cell, size_t maxTriangles, const UvFunction& uvs,
                double minQuality = 0.2);

// Rigid/scale adjustments applied after polygonising.
void translateMesh(Mesh& mesh, const Vec3& d);
void scaleMesh(Mesh& mesh, double s);

} // namespace gen
