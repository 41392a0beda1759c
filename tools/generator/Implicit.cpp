#include "Implicit.h"

#include "Decimate.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

namespace gen {

Primitive ellipsoid(const Vec3& c, const Vec3& r, int part, double blend)
{
    Primitive p;
    p.kind = Primitive::Ellipsoid;
    p.a = c;
    p.radii = r;
    p.part = part;
    p.blend = blend;
    return p;
}

Primitive sphere(const Vec3& c, double r, int part, double blend)
{
    return ellipsoid(c, Vec3(r, r, r), part, blend);
}

Primitive capsule(const Vec3& a, const Vec3& b, double ra, double rb, int part, double blend)
{
    Primitive p;
    p.kind = Primitive::Capsule;
    p.a = a;
    p.b = b;
    p.ra = ra;
    p.rb = rb;
    p.part = part;
    p.blend = blend;
    return p;
}

Primitive& orient(Primitive& p, double pitch, double yaw)
{
    // Rotate basis: first about x by pitch, then about y by yaw.
    auto rot = [&](const Vec3& v) {
        double c = std::cos(pitch), s = std::sin(pitch);
        Vec3 r1(v.x, v.y * c + v.z * s, -v.y * s + v.z * c);
        double cy = std::cos(yaw), sy = std::sin(yaw);
        return Vec3(r1.x * cy + r1.z * sy, r1.y, -r1.x * sy + r1.z * cy);
    };
    for (Vec3& ax : p.axes)
        ax = rot(ax);
    return p;
}

namespace {

double primitiveDistance(const Primitive& pr, const Vec3& p)
{
    double d;
    if (pr.kind == Primitive::Ellipsoid) {
        Vec3 q = p - pr.a;
        Vec3 l(dot(q, pr.axes[0]), dot(q, pr.axes[1]), dot(q, pr.axes[2]));
        Vec3 s(l.x / pr.radii.x, l.y / pr.radii.y, l.z / pr.radii.z);
        Vec3 s2(s.x / pr.radii.x, s.y / pr.radii.y, s.z / pr.radii.z);
        double k0 = length(s), k1 = length(s2);
        double rmin = std::min(pr.radii.x, std::min(pr.radii.y, pr.radii.z));
        d = k1 > 1e-12 ? k0 * (k0 - 1.0) / k1 : -rmin;
        d = std::max(d, -rmin);
    } else {
        Vec3 ba = pr.b - pr.a, pa = p - pr.a;
        double t = clamp01(dot(pa, ba) / dot(ba, ba));
        d = length(pa - ba * t) - mix(pr.ra, pr.rb, t);
    }
    if (pr.noiseAmp > 0) {
        Vec3 q = p * pr.noiseFreq;
        d += pr.noiseAmp * fbm(q.x, q.y, q.z, pr.noiseSeed, 3);
    }
    return d;
}

double smoothMin(double a, double b, double k)
{
    if (k <= 0)
        return std::min(a, b);
    double h = std::max(k - std::fabs(a - b), 0.0) / k;
    return std::min(a, b) - h * h * k * 0.25;
}

} // namespace

double Shape::distance(const Vec3& p) const
{
    double d = 1e30;
    for (size_t i = 0; i < prims_.size(); ++i) {
        double di = primitiveDistance(prims_[i], p);
        d = i == 0 ? di : smoothMin(d, di, prims_[i].blend);
    }
    return d;
}

Vec3 Shape::gradient(const Vec3& p, double e) const
{
    return Vec3(distance(p + Vec3(e, 0, 0)) - distance(p - Vec3(e, 0, 0)),
                distance(p + Vec3(0, e, 0)) - distance(p - Vec3(0, e, 0)),
                distance(p + Vec3(0, 0, e)) - distance(p - Vec3(0, 0, e))) /
           (2 * e);
}

int Shape::partAt(const Vec3& p) const
{
    int best = 0;
    double bd = 1e30;
    for (const Primitive& pr : prims_) {
        double d = primitiveDistance(pr, p);
        if (d < bd) {
            bd = d;
            best = pr.part;
        }
    }
    return best;
}

void Shape::bounds(Vec3& lo, Vec3& hi) const
{
    lo = Vec3(1e30, 1e30, 1e30);
    hi = -lo;
    for (const Primitive& pr : prims_) {
        double pad = pr.blend + pr.noiseAmp;
        if (pr.kind == Primitive::Ellipsoid) {
            double r = std::max(pr.radii.x, std::max(pr.radii.y, pr.radii.z)) + pad;
            lo = vmin(lo, pr.a - Vec3(r, r, r));
            hi = vmax(hi, pr.a + Vec3(r, r, r));
        } else {
            double r = std::max(pr.ra, pr.rb) + pad;
            lo = vmin(lo, vmin(pr.a, pr.b) - Vec3(r, r, r));
            hi = vmax(hi, vmax(pr.a, pr.b) + Vec3(r, r, r));
        }
    }
}

namespace {

// Parity (+1 even / -1 odd) of a permutation of 0..3.
int parity(const int (&perm)[4])
{
    int inv = 0;
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j)
            if (perm[i] > perm[j])
                ++inv;
    return (inv & 1) ? -1 : 1;
}

} // namespace

Mesh polygonize(const Shape& shape, double cell, size_t maxTriangles, const UvFunction& uvFn, double minQuality)
{
    Vec3 lo, hi;
    shape.bounds(lo, hi);
    lo -= Vec3(2 * cell, 2 * cell, 2 * cell);
    hi += Vec3(2 * cell, 2 * cell, 2 * cell);
    const int nx = static_cast<int>(std::ceil((hi.x - lo.x) / cell)) + 1;
    const int ny = static_cast<int>(std::ceil((hi.y - lo.y) / cell)) + 1;
    const int nz = static_cast<int>(std::ceil((hi.z - lo.z) / cell)) + 1;
    auto nodeId = [&](int i, int j, int k) { return (static_cast<int64_t>(k) * ny + j) * nx + i; };
    auto nodePos = [&](int64_t id) {
        int64_t i = id % nx, j = (id / nx) % ny, k = id / (static_cast<int64_t>(nx) * ny);
        return Vec3(lo.x + i * cell, lo.y + j * cell, lo.z + k * cell);
    };

    // Sample the field; the outermost layer is forced outside so the surface closes,
    // and exact zeros are pushed outside so no vertex sits on a grid node.
    std::vector<double> field(static_cast<size_t>(nx) * ny * nz);
    for (int k = 0; k < nz; ++k)
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i) {
                double d = shape.distance(nodePos(nodeId(i, j, k)));
                bool border = i == 0 || j == 0 || k == 0 || i == nx - 1 || j == ny - 1 || k == nz - 1;
                if (border)
                    d = std::max(d, cell);
                if (d == 0.0)
                    d = 1e-9;
                field[nodeId(i, j, k)] = d;
            }

    std::vector<Vec3> verts;
    std::unordered_map<uint64_t, int> edgeVertex;
    auto vertexOn = [&](int64_t na, int64_t nb) {
        if (na > nb)
            std::swap(na, nb);
        uint64_t key = (static_cast<uint64_t>(na) << 32) ^ static_cast<uint64_t>(nb);
        auto it = edgeVertex.find(key);
        if (it != edgeVertex.end())
            return it->second;
        Vec3 pa = nodePos(na), pb = nodePos(nb);
        double fa = field[na], fb = field[nb];
        // Illinois-style false position on the real field, starting from the
        // linear estimate; clamped so vertices never approach grid nodes.
        double t0 = 0, t1 = 1, f0 = fa, f1 = fb;
        double t = f0 / (f0 - f1);
        for (int it2 = 0; it2 < 6; ++it2) {
            double ft = shape.distance(pa + (pb - pa) * t);
            if ((ft < 0) == (f0 < 0)) {
                t0 = t;
                f0 = ft;
                f1 *= 0.5;
            } else {
                t1 = t;
                f1 = ft;
                f0 *= 0.5;
            }
            if (f0 == f1)
                break;
            t = t0 + (t1 - t0) * f0 / (f0 - f1);
        }
        t = clampd(t, 0.08, 0.92);
        verts.push_back(pa + (pb - pa) * t);
        int id = static_cast<int>(verts.size()) - 1;
        edgeVertex.emplace(key, id);
        return id;
    };

    std::vector<std::array<int, 3>> tris;
    const int perms[6][3] = {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}, {0, 2, 1}, {2, 1, 0}, {1, 0, 2}};
    const int permSign[6] = {1, 1, 1, -1, -1, -1};
    for (int k = 0; k + 1 < nz; ++k)
        for (int j = 0; j + 1 < ny; ++j)
            for (int i = 0; i + 1 < nx; ++i) {
                for (int t = 0; t < 6; ++t) {
                    int64_t node[4];
                    int off[3] = {0, 0, 0};
                    node[0] = nodeId(i, j, k);
                    for (int s = 0; s < 3; ++s) {
                        off[perms[t][s]] = 1;
                        node[s + 1] = nodeId(i + off[0], j + off[1], k + off[2]);
                    }
                    bool in[4];
                    int nIn = 0;
                    for (int v = 0; v < 4; ++v) {
                        in[v] = field[node[v]] < 0;
                        nIn += in[v];
                    }
                    if (nIn == 0 || nIn == 4)
                        continue;
                    int perm[4], n = 0;
                    // Lone vertex first (inside for 1, outside for 3); pairs: inside first.
                    bool firstGroup = (nIn == 3) ? false : true;
                    for (int v = 0; v < 4; ++v)
                        if (in[v] == firstGroup)
                            perm[n++] = v;
                    for (int v = 0; v < 4; ++v)
                        if (in[v] != firstGroup)
                            perm[n++] = v;
                    int orientation = permSign[t] * parity(perm);
                    auto E = [&](int x, int y) { return vertexOn(node[perm[x]], node[perm[y]]); };
                    if (nIn == 1 || nIn == 3) {
                        bool forward = (orientation > 0) == (nIn == 1);
                        if (forward)
                            tris.push_back({E(0, 1), E(0, 2), E(0, 3)});
                        else
                            tris.push_back({E(0, 1), E(0, 3), E(0, 2)});
                    } else {
                        int ac = E(0, 2), ad = E(0, 3), bd = E(1, 3), bc = E(1, 2);
                        int q[4] = {ac, ad, bd, bc};
                        if (orientation < 0) {
                            q[1] = bc;
                            q[3] = ad;
                        }
                        // Split along the shorter diagonal.
                        if (length(verts[q[0]] - verts[q[2]]) <= length(verts[q[1]] - verts[q[3]])) {
                            tris.push_back({q[0], q[1], q[2]});
                            tris.push_back({q[0], q[2], q[3]});
                        } else {
                            tris.push_back({q[0], q[1], q[3]});
                            tris.push_back({q[1], q[2], q[3]});
                        }
                    }
                }
            }

    // Relax vertices towards their neighbours' average and project back on the
    // surface; evens out the thin triangles marching tetrahedra produces.
    std::vector<std::vector<int>> nbr(verts.size());
    for (const auto& t : tris)
        for (int e = 0; e < 3; ++e) {
            nbr[t[e]].push_back(t[(e + 1) % 3]);
        }
    const double geps = cell * 0.05;
    auto project = [&](Vec3 p) {
        for (int it = 0; it < 4; ++it) {
            Vec3 g = shape.gradient(p, geps);
            double g2 = dot(g, g);
            if (g2 < 1e-12)
                break;
            double d = shape.distance(p);
            Vec3 step = g * (d / g2);
            if (length(step) > 0.5 * cell)
                step = normalize(step) * (0.5 * cell);
            p -= step;
        }
        return p;
    };
    auto faceNormal = [&](const std::vector<Vec3>& v, const std::array<int, 3>& t) {
        return cross(v[t[1]] - v[t[0]], v[t[2]] - v[t[0]]);
    };
    for (int iter = 0; iter < 4; ++iter) {
        std::vector<Vec3> next(verts.size());
        for (size_t v = 0; v < verts.size(); ++v) {
            Vec3 avg;
            for (int u : nbr[v])
                avg += verts[u];
            avg = avg / static_cast<double>(nbr[v].size());
            next[v] = project(verts[v] + (avg - verts[v]) * 0.5);
        }
        // Undo moves that flip or collapse a triangle.
        for (int pass = 0; pass < 3; ++pass) {
            bool changed = false;
            for (const auto& t : tris) {
                Vec3 before = faceNormal(verts, t), after = faceNormal(next, t);
                double la = length(after), lb = length(before);
                if (dot(before, after) <= 0.5 * la * lb || la < 0.05 * lb) {
                    for (int c = 0; c < 3; ++c) {
                        if (length(next[t[c]] - verts[t[c]]) > 0)
                            changed = true;
                        next[t[c]] = verts[t[c]];
                    }
                }
            }
            if (!changed)
                break;
        }
        verts.swap(next);
    }

    decimate(verts, tris, maxTriangles, minQuality);

    // Unfold any small triangle that ended up facing into the solid: pull its
    // corners to their neighbours' centroid (projected back on the surface).
    for (int pass = 0; pass < 20; ++pass) {
        std::vector<std::vector<int>> ring(verts.size());
        for (const auto& t : tris)
            for (int e = 0; e < 3; ++e)
                ring[t[e]].push_back(t[(e + 1) % 3]);
        std::vector<char> bad(verts.size(), 0);
        int nbad = 0;
        std::vector<Vec3> around(verts.size());
        for (const auto& t : tris) {
            Vec3 n = faceNormal(verts, t);
            for (int c = 0; c < 3; ++c)
                around[t[c]] += n;
        }
        for (const auto& t : tris) {
            Vec3 c = (verts[t[0]] + verts[t[1]] + verts[t[2]]) / 3.0;
            Vec3 fn = faceNormal(verts, t);
            Vec3 corners = normalize(shape.gradient(verts[t[0]], geps)) +
                           normalize(shape.gradient(verts[t[1]], geps)) +
                           normalize(shape.gradient(verts[t[2]], geps));
            Vec3 local = normalize(around[t[0]]) + normalize(around[t[1]]) + normalize(around[t[2]]);
            if (dot(fn, shape.gradient(c, geps)) <= 0 || dot(fn, corners) <= 0 || dot(fn, local) <= 0) {
                for (int k = 0; k < 3; ++k)
                    bad[t[k]] = 1;
                ++nbad;
            }
        }
        if (nbad == 0)
            break;
        for (size_t v = 0; v < verts.size(); ++v) {
            if (!bad[v])
                continue;
            Vec3 avg;
            for (int u : ring[v])
                avg += verts[u];
            avg = avg / static_cast<double>(ring[v].size());
            verts[v] = pass < 10 ? project(avg) : avg;
        }
    }

    // Vertex normals from the field, unless the field disagrees with the
    // surrounding faces (creases between blended parts).
    std::vector<Vec3> faceSum(verts.size());
    for (const auto& t : tris) {
        Vec3 n = faceNormal(verts, t);
        for (int c = 0; c < 3; ++c)
            faceSum[t[c]] += n;
    }
    Mesh mesh;
    mesh.positions = verts;
    for (size_t v = 0; v < verts.size(); ++v) {
        Vec3 g = normalize(shape.gradient(verts[v], geps)), f = normalize(faceSum[v]);
        mesh.normals.push_back(dot(g, f) > 0.7 ? g : f);
    }
    // Where a triangle still disagrees with its corner normals, fall back to
    // the face-averaged normals at those corners.
    for (int pass = 0; pass < 5; ++pass) {
        bool changed = false;
        for (const auto& t : tris) {
            Vec3 sum = mesh.normals[t[0]] + mesh.normals[t[1]] + mesh.normals[t[2]];
            if (dot(faceNormal(verts, t), sum) > 0)
                continue;
            for (int c = 0; c < 3; ++c) {
                Vec3 f = normalize(faceSum[t[c]]);
                if (length(mesh.normals[t[c]] - f) > 1e-12)
                    changed = true;
                mesh.normals[t[c]] = f;
            }
        }
        if (!changed)
            break;
    }
    int wrong = 0;
    for (const auto& t : tris) {
        Vec3 p[3] = {verts[t[0]], verts[t[1]], verts[t[2]]};
        Vec3 n = normalize(cross(p[1] - p[0], p[2] - p[0]));
        if (dot(n, shape.gradient((p[0] + p[1] + p[2]) / 3.0, geps)) < 0)
            ++wrong;
        Vec2 uv[3];
        uvFn(p, n, uv);
        std::array<Corner, 3> tri;
        for (int c = 0; c < 3; ++c)
            tri[c] = Corner{t[c], mesh.addUv(uv[c].u, uv[c].v), t[c]};
        mesh.triangles.push_back(tri);
    }
    if (wrong > 0)
        std::fprintf(stderr, "  note: %d triangles face against the field gradient\n", wrong);
    return mesh;
}

void translateMesh(Mesh& mesh, const Vec3& d)
{
    for (Vec3& p : mesh.positions)
        p += d;
}

void scaleMesh(Mesh& mesh, double s)
{
    for (Vec3& p : mesh.positions)
        p = p * s;
}

} // namespace gen
