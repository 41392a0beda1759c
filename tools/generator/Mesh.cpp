#include "Mesh.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <tuple>
#include <unordered_map>

namespace gen {

namespace {

constexpr double kScale = 1e6; // written precision: 6 decimals

int64_t quantize(double v)
{
    int64_t q = static_cast<int64_t>(std::llround(v * kScale));
    return q;
}

std::string fixed6(int64_t q)
{
    char buf[48];
    uint64_t a = q < 0 ? static_cast<uint64_t>(-q) : static_cast<uint64_t>(q);
    std::snprintf(buf, sizeof buf, "%s%" PRIu64 ".%06" PRIu64, q < 0 ? "-" : "", a / 1000000, a % 1000000);
    return buf;
}

using Key3 = std::tuple<int64_t, int64_t, int64_t>;

Key3 key3(const Vec3& v)
{
    return {quantize(v.x), quantize(v.y), quantize(v.z)};
}

} // namespace

std::vector<int> weldPositions(const Mesh& mesh)
{
    std::map<Key3, int> seen;
    std::vector<int> remap(mesh.positions.size());
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        auto it = seen.emplace(key3(mesh.positions[i]), static_cast<int>(i)).first;
        remap[i] = it->second;
    }
    return remap;
}

void Mesh::addQuad(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d, const Vec2& ta, const Vec2& tb,
                   const Vec2& tc, const Vec2& td, const Vec3& normal)
{
    int pa = addPosition(a), pb = addPosition(b), pc = addPosition(c), pd = addPosition(d);
    int ua = addUv(ta.u, ta.v), ub = addUv(tb.u, tb.v), uc = addUv(tc.u, tc.v), ud = addUv(td.u, td.v);
    int n = addNormal(normal);
    triangles.push_back({Corner{pa, ua, n}, Corner{pb, ub, n}, Corner{pc, uc, n}});
    triangles.push_back({Corner{pa, ua, n}, Corner{pc, uc, n}, Corner{pd, ud, n}});
}

namespace {

struct FaceFrame {
    Vec3 n, t, b; // normal, direction of increasing u, direction of increasing v
};

// For the six axis directions: t and b with cross(t, b) == n. Side faces keep
// v pointing up; top and bottom faces keep u along +x.
FaceFrame faceFrame(int axis, int sign)
{
    Vec3 n(axis == 0 ? sign : 0, axis == 1 ? sign : 0, axis == 2 ? sign : 0);
    Vec3 b = axis == 1 ? Vec3(0, 0, -sign) : Vec3(0, 1, 0);
    Vec3 t = cross(b, n);
    return {n, t, b};
}

// One face of the box lo..hi: its frame, its centre and its half extents
// along t and b.
struct BoxFace {
    FaceFrame f;
    Vec3 centre;
    double et, eb;
};

BoxFace boxFace(const Vec3& lo, const Vec3& hi, int axis, int sign, bool inward)
{
    Vec3 ctr = (lo + hi) * 0.5, half = (hi - lo) * 0.5;
    FaceFrame f = faceFrame(axis, sign);
    if (inward)
        f = {f.n * -1.0, f.t * -1.0, f.b}; // cross(-t, b) == -n
    // Face centre lies on the side the outward normal points to.
    Vec3 outward = faceFrame(axis, sign).n;
    Vec3 fc(ctr.x + outward.x * half.x, ctr.y + outward.y * half.y, ctr.z + outward.z * half.z);
    return {f, fc, std::fabs(dot(f.t, half)), std::fabs(dot(f.b, half))};
}

} // namespace

static void addBoxFaces(Mesh& mesh, const Vec3& lo, const Vec3& hi, double uvScale, bool inward,
                        const int* cornerIds)
{
    Vec3 ctr = (lo + hi) * 0.5;
    for (int axis = 0; axis < 3; ++axis) {
        for (int sign = -1; sign <= 1; sign += 2) {
            const BoxFace face = boxFace(lo, hi, axis, sign, inward);
            const FaceFrame& f = face.f;
            const Vec3& fc = face.centre;
            const double et = face.et, eb = face.eb;
            Vec3 T = f.t * et, B = f.b * eb;
            Vec3 p[4] = {fc - T - B, fc + T - B, fc + T + B, fc - T + B};
            double su = uvScale > 0 ? uvScale * 2 * et : 1.0;
            double sv = uvScale > 0 ? uvScale * 2 * eb : 1.0;
            Vec2 uv[4] = {{0, 0}, {su, 0}, {su, sv}, {0, sv}};
            int pi[4];
            for (int k = 0; k < 4; ++k) {
                if (cornerIds) {
                    int idx = (p[k].x > ctr.x ? 1 : 0) | (p[k].y > ctr.y ? 2 : 0) | (p[k].z > ctr.z ? 4 : 0);
                    pi[k] = cornerIds[idx];
                } else {
                    pi[k] = mesh.addPosition(p[k]);
                }
            }
            int ti[4];
            for (int k = 0; k < 4; ++k)
                ti[k] = mesh.addUv(uv[k].u, uv[k].v);
            int ni = mesh.addNormal(f.n);
            mesh.triangles.push_back(
                {Corner{pi[0], ti[0], ni}, Corner{pi[1], ti[1], ni}, Corner{pi[2], ti[2], ni}});
            mesh.triangles.push_back(
                {Corner{pi[0], ti[0], ni}, Corner{pi[2], ti[2], ni}, Corner{pi[3], ti[3], ni}});
        }
    }
}

void addBox(Mesh& mesh, const Vec3& lo, const Vec3& hi, double uvScale, bool inward)
{
    addBoxFaces(mesh, lo, hi, uvScale, inward, nullptr);
}

namespace {

double component(const Vec3& v, int axis)
{
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

void setComponent(Vec3& v, int axis, double value)
{
    (axis == 0 ? v.x : axis == 1 ? v.y : v.z) = value;
}

// [a0, a1] x [b0, b1] on two coordinate axes of a plane.
struct Rect {
    double a0, a1, b0, b1;
};

using Interval = std::pair<double, double>;

// The parts of `face` that no rectangle of `covers` overlaps, swept along a:
// between two neighbouring a-edges of the covers the strip splits into its
// uncovered b-intervals, and a rectangle grows along a while the next strip
// has the same intervals.
std::vector<Rect> uncoveredAlongA(const Rect& face, const std::vector<Rect>& covers)
{
    std::vector<double> cuts{face.a0, face.a1};
    for (const Rect& c : covers) {
        cuts.push_back(c.a0);
        cuts.push_back(c.a1);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());

    std::vector<Rect> parts;
    std::vector<Interval> open;
    double openSince = face.a0;
    auto close = [&](double a) {
        for (const Interval& b : open)
            parts.push_back({openSince, a, b.first, b.second});
    };
    for (size_t k = 0; k + 1 < cuts.size(); ++k) {
        const double lo = cuts[k], hi = cuts[k + 1];
        std::vector<Interval> covered;
        for (const Rect& c : covers)
            if (c.a0 <= lo && c.a1 >= hi)
                covered.push_back({c.b0, c.b1});
        std::sort(covered.begin(), covered.end());
        std::vector<Interval> free;
        double b = face.b0;
        for (const Interval& c : covered) {
            if (c.first > b)
                free.push_back({b, c.first});
            b = std::max(b, c.second);
        }
        if (b < face.b1)
            free.push_back({b, face.b1});
        if (free != open) {
            close(lo);
            open = free;
            openSince = lo;
        }
    }
    close(face.a1);
    return parts;
}

// The same, swept in whichever direction gives fewer rectangles.
std::vector<Rect> uncovered(const Rect& face, const std::vector<Rect>& covers)
{
    auto swap = [](const Rect& r) { return Rect{r.b0, r.b1, r.a0, r.a1}; };
    std::vector<Rect> swappedCovers;
    for (const Rect& c : covers)
        swappedCovers.push_back(swap(c));
    std::vector<Rect> alongA = uncoveredAlongA(face, covers);
    std::vector<Rect> alongB = uncoveredAlongA(swap(face), swappedCovers);
    if (alongB.size() >= alongA.size())
        return alongA;
    for (Rect& r : alongB)
        r = swap(r);
    return alongB;
}

} // namespace

void addRoom(Mesh& mesh, const Vec3& lo, const Vec3& hi, double uvScale, const std::vector<Box>& contents)
{
    const double touching = 1e-9;
    for (int axis = 0; axis < 3; ++axis) {
        for (int sign = -1; sign <= 1; sign += 2) {
            const int ua = (axis + 1) % 3, va = (axis + 2) % 3;
            const double level = component(sign < 0 ? lo : hi, axis);
            const Rect face{component(lo, ua), component(hi, ua), component(lo, va), component(hi, va)};
            std::vector<Rect> covers;
            for (const Box& box : contents) {
                if (component(box.lo, axis) > level + touching || component(box.hi, axis) < level - touching)
                    continue;
                Rect c{std::max(component(box.lo, ua), face.a0), std::min(component(box.hi, ua), face.a1),
                       std::max(component(box.lo, va), face.b0), std::min(component(box.hi, va), face.b1)};
                if (c.a0 < c.a1 && c.b0 < c.b1)
                    covers.push_back(c);
            }

            // The frame and uv origin addBoxFaces gives the whole face.
            const BoxFace whole = boxFace(lo, hi, axis, sign, true);
            const FaceFrame& f = whole.f;
            const double et = whole.et, eb = whole.eb;
            const Vec3 origin = whole.centre - f.t * et - f.b * eb;
            auto uvAt = [&](const Vec3& p) {
                double t = dot(p - origin, f.t), b = dot(p - origin, f.b);
                return uvScale > 0 ? Vec2{uvScale * t, uvScale * b} : Vec2{t / (2 * et), b / (2 * eb)};
            };

            // Corners in the order (t, b) = low-low, high-low, high-high, low-high,
            // counter-clockwise around the normal since cross(t, b) == n; the
            // coordinates are copied, never recomputed, so neighbours share edges.
            const bool tOnA = component(f.t, ua) != 0.0;
            const bool tRises = component(f.t, tOnA ? ua : va) > 0, bRises = component(f.b, tOnA ? va : ua) > 0;
            for (const Rect& r : uncovered(face, covers)) {
                const double tLow = tOnA ? (tRises ? r.a0 : r.a1) : (tRises ? r.b0 : r.b1);
                const double tHigh = tOnA ? (tRises ? r.a1 : r.a0) : (tRises ? r.b1 : r.b0);
                const double bLow = tOnA ? (bRises ? r.b0 : r.b1) : (bRises ? r.a0 : r.a1);
                const double bHigh = tOnA ? (bRises ? r.b1 : r.b0) : (bRises ? r.a1 : r.a0);
                auto corner = [&](double t, double b) {
                    Vec3 p;
                    setComponent(p, axis, level);
                    setComponent(p, tOnA ? ua : va, t);
                    setComponent(p, tOnA ? va : ua, b);
                    return p;
                };
                Vec3 q[4] = {corner(tLow, bLow), corner(tHigh, bLow), corner(tHigh, bHigh), corner(tLow, bHigh)};
                mesh.addQuad(q[0], q[1], q[2], q[3], uvAt(q[0]), uvAt(q[1]), uvAt(q[2]), uvAt(q[3]), f.n);
            }
        }
    }
}

void addClosedBox(Mesh& mesh, const Vec3& lo, const Vec3& hi)
{
    int ids[8];
    for (int i = 0; i < 8; ++i)
        ids[i] = mesh.addPosition(Vec3(i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z));
    addBoxFaces(mesh, lo, hi, 0.0, false, ids);
}

std::string checkWatertight(const Mesh& mesh)
{
    std::vector<int> remap = weldPositions(mesh);
    std::unordered_map<uint64_t, int> directed; // (from, to) -> count
    auto key = [](int a, int b) { return (static_cast<uint64_t>(a) << 32) | static_cast<uint32_t>(b); };
    char msg[160];
    for (size_t t = 0; t < mesh.triangles.size(); ++t) {
        int v[3];
        for (int k = 0; k < 3; ++k)
            v[k] = remap[mesh.triangles[t][k].p];
        if (v[0] == v[1] || v[1] == v[2] || v[0] == v[2]) {
            std::snprintf(msg, sizeof msg, "triangle %zu has two corners at the same position", t);
            return msg;
        }
        for (int k = 0; k < 3; ++k) {
            if (++directed[key(v[k], v[(k + 1) % 3])] > 1) {
                std::snprintf(msg, sizeof msg, "edge %d->%d used twice in the same direction", v[k],
                              v[(k + 1) % 3]);
                return msg;
            }
        }
    }
    for (const auto& e : directed) {
        int a = static_cast<int>(e.first >> 32), b = static_cast<int>(e.first & 0xffffffffu);
        if (!directed.count(key(b, a))) {
            std::snprintf(msg, sizeof msg, "edge %d->%d has no opposite (open boundary)", a, b);
            return msg;
        }
    }
    return {};
}

// Numbers the distinct keys from 1 in the order they first appear, writing
// each one the first time; index[i] is the number of the i-th key.
template <class Key, class KeyOf, class Write>
void numberDistinct(size_t count, KeyOf keyOf, Write write, std::vector<int>& index)
{
    std::map<Key, int> seen;
    for (size_t i = 0; i < count; ++i) {
        const int next = static_cast<int>(seen.size()) + 1;
        const auto [it, fresh] = seen.emplace(keyOf(i), next);
        if (fresh) {
            write(it->first);
        }
        index[i] = it->second;
    }
}

bool writeObj(const Mesh& mesh, const std::string& path, const std::string& comment)
{
    // Pool values by their written text so equal values share one line.
    std::vector<int> posIdx(mesh.positions.size()), uvIdx(mesh.uvs.size()), nIdx(mesh.normals.size());
    std::string out;
    out.reserve(mesh.triangles.size() * 120);
    out += "# " + comment + "\n";
    out += "# generated by kov_generate - do not edit by hand\n";
    const auto writeTriple = [&out](const char* tag) {
        return [&out, tag](const Key3& k) {
            out +=
                tag + fixed6(std::get<0>(k)) + " " + fixed6(std::get<1>(k)) + " " + fixed6(std::get<2>(k)) + "\n";
        };
    };
    numberDistinct<Key3>(
        mesh.positions.size(), [&](size_t i) { return key3(mesh.positions[i]); }, writeTriple("v "), posIdx);
    numberDistinct<std::pair<int64_t, int64_t>>(
        mesh.uvs.size(),
        [&](size_t i) {
            return std::pair{quantize(mesh.uvs[i].u), quantize(mesh.uvs[i].v)};
        },
        [&out](const std::pair<int64_t, int64_t>& k) {
            out += "vt " + fixed6(k.first) + " " + fixed6(k.second) + "\n";
        },
        uvIdx);
    numberDistinct<Key3>(
        mesh.normals.size(), [&](size_t i) { return key3(normalize(mesh.normals[i])); }, writeTriple("vn "), nIdx);
    char buf[128];
    for (const auto& tri : mesh.triangles) {
        out += "f";
        for (const Corner& c : tri) {
            std::snprintf(buf, sizeof buf, " %d/%d/%d", posIdx[c.p], uvIdx[c.t], nIdx[c.n]);
            out += buf;
        }
        out += "\n";
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    ok = (std::fclose(f) == 0) && ok;
    return ok;
}

Bounds meshBounds(const Mesh& mesh)
{
    Bounds b{Vec3(1e30, 1e30, 1e30), Vec3(-1e30, -1e30, -1e30)};
    for (const Vec3& p : mesh.positions) {
        b.lo = vmin(b.lo, p);
        b.hi = vmax(b.hi, p);
    }
    return b;
}

} // namespace gen
