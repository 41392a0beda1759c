// Tests for the content generator's geometry and image helpers.
#include "Decimate.h"
#include "Implicit.h"
#include "Mesh.h"
#include "Models.h"
#include "Textures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

using namespace gen;

namespace {

// Signed volume of a closed mesh; positive when wound outwards.
double volume(const Mesh& m)
{
    double v = 0;
    for (const auto& t : m.triangles)
        v += dot(m.positions[t[0].p], cross(m.positions[t[1].p], m.positions[t[2].p])) / 6.0;
    return v;
}

const UvFunction kFlatUvs = [](const Vec3 (&)[3], const Vec3&, Vec2 (&uv)[3]) {
    uv[0] = {0, 0};
    uv[1] = {1, 0};
    uv[2] = {0, 1};
};

} // namespace

TEST(Generator, PolygonizedShapesAreClosedAndOutward)
{
    // A sphere: closed, outward, right volume.
    Shape ball;
    ball.add(sphere(Vec3(0.3, -0.2, 0.1), 1.0, 0));
    Mesh m = polygonize(ball, 0.1, 100000, kFlatUvs);
    EXPECT_EQ(checkWatertight(m), "") << "sphere";
    double expected = 4.0 / 3.0 * 3.14159265358979;
    EXPECT_NEAR(volume(m), expected, 0.05 * expected) << "sphere volume";
    int inward = 0;
    for (size_t i = 0; i < m.positions.size(); ++i)
        if (dot(m.normals[i], m.positions[i] - Vec3(0.3, -0.2, 0.1)) <= 0)
            ++inward;
    EXPECT_EQ(inward, 0) << "sphere normals point inwards";

    // Two blobs joined by a thin neck, plus a detached piece: several parts,
    // thin features, still closed after simplification.
    Shape blobs;
    blobs.add(ellipsoid(Vec3(-1, 0, 0), Vec3(0.6, 0.4, 0.5), 0));
    blobs.add(capsule(Vec3(-1, 0, 0), Vec3(1, 0.2, 0), 0.12, 0.09, 1, 0.1));
    blobs.add(sphere(Vec3(1, 0.2, 0), 0.5, 2, 0.2));
    blobs.add(sphere(Vec3(0, 1.5, 0), 0.3, 3, 0.0));
    Mesh b = polygonize(blobs, 0.05, 3000, kFlatUvs);
    EXPECT_EQ(checkWatertight(b), "") << "blobs";
    EXPECT_LE(b.triangles.size(), 3000u) << "blobs kept too many triangles";
    EXPECT_GT(volume(b), 0) << "blobs wound inwards";
    int against = 0;
    for (const auto& t : b.triangles) {
        Vec3 fn = cross(b.positions[t[1].p] - b.positions[t[0].p], b.positions[t[2].p] - b.positions[t[0].p]);
        if (dot(fn, b.normals[t[0].n] + b.normals[t[1].n] + b.normals[t[2].n]) <= 0)
            ++against;
    }
    EXPECT_EQ(against, 0) << "triangles disagree with their normals";
}

TEST(Generator, DecimationKeepsShape)
{
    Shape ball;
    ball.add(sphere(Vec3(0, 0, 0), 1.0, 0));
    Mesh m = polygonize(ball, 0.04, 600, kFlatUvs);
    EXPECT_LE(m.triangles.size(), 600u);
    EXPECT_GT(m.triangles.size(), 400u);
    EXPECT_EQ(checkWatertight(m), "") << "decimated sphere";
    double worst = 0;
    for (const Vec3& p : m.positions)
        worst = std::max(worst, std::fabs(length(p) - 1.0));
    EXPECT_LT(worst, 0.05) << "a vertex off the sphere";
}

TEST(Generator, WatertightCheckCatchesDefects)
{
    Mesh box;
    addClosedBox(box, Vec3(-1, -1, -1), Vec3(1, 1, 1));
    EXPECT_EQ(checkWatertight(box), "") << "closed box";
    Mesh open = box;
    open.triangles.pop_back();
    EXPECT_NE(checkWatertight(open), "") << "missing triangle not reported";
    Mesh flipped = box;
    std::swap(flipped.triangles[0][1], flipped.triangles[0][2]);
    EXPECT_NE(checkWatertight(flipped), "") << "flipped triangle not reported";
    // Separate positions that round to the same written text count as one.
    Mesh split;
    addBox(split, Vec3(-1, -1, -1), Vec3(1, 1, 1), 0.0);
    for (Vec3& p : split.positions)
        p.x += 1e-8;
    EXPECT_EQ(checkWatertight(split), "") << "per-face box corners not welded";
}

namespace {

// cross(dP/du, dP/dv) must point along the face normal on every triangle.
int mirroredTriangles(const Mesh& m)
{
    int bad = 0;
    for (const auto& t : m.triangles) {
        Vec3 e1 = m.positions[t[1].p] - m.positions[t[0].p], e2 = m.positions[t[2].p] - m.positions[t[0].p];
        Vec2 a = m.uvs[t[0].t], b = m.uvs[t[1].t], c = m.uvs[t[2].t];
        double du1 = b.u - a.u, dv1 = b.v - a.v, du2 = c.u - a.u, dv2 = c.v - a.v;
        double det = du1 * dv2 - du2 * dv1;
        if (det == 0 || dot(cross(e1, e2), m.normals[t[0].n]) / det <= 0)
            ++bad;
    }
    return bad;
}

} // namespace

TEST(Generator, UvFramesAreNotMirrored)
{
    for (bool inward : {false, true}) {
        Mesh m;
        addBox(m, Vec3(-1, -2, -3), Vec3(2, 1, 0.5), 0.5, inward);
        EXPECT_EQ(mirroredTriangles(m), 0) << "box (inward=" << inward << ") has mirrored faces";
        // Normals face away from the centre, or towards it for a room.
        for (const auto& t : m.triangles) {
            Vec3 rel = m.positions[t[0].p] - Vec3(0.5, -0.5, -1.25);
            EXPECT_NE(dot(m.normals[t[0].n], rel) > 0, inward) << "box normal on the wrong side";
        }
    }
    Mesh crate = buildCrate(0.5);
    EXPECT_EQ(mirroredTriangles(crate), 0) << "crate has mirrored faces";

    // The per-triangle projection used on the lions, for normals all round.
    int bad = 0;
    for (int i = -2; i <= 2; ++i)
        for (int j = -2; j <= 2; ++j)
            for (int k = -2; k <= 2; ++k) {
                Vec3 n(i + 0.13, j - 0.07, k + 0.05);
                n = normalize(n);
                Vec3 t1 = normalize(cross(n, Vec3(0.3, 0.5, 0.7))), t2 = cross(n, t1);
                Vec3 p[3] = {Vec3(0, 0, 0), t1, t2}; // counter-clockwise around n
                double a[3], b[3];
                for (int c = 0; c < 3; ++c)
                    projectNonMirrored(p[c], n, a[c], b[c]);
                if ((a[1] - a[0]) * (b[2] - b[0]) - (a[2] - a[0]) * (b[1] - b[0]) <= 0)
                    ++bad;
            }
    EXPECT_EQ(bad, 0) << "projected triangles mirrored";
}

TEST(Generator, RoomLeavesOutWhatItsContentsCoverAndKeepsTheBoxUvs)
{
    const Vec3 lo(-2, -1, -3), hi(2, 1, 3);
    const std::vector<Box> contents = {
        {Vec3(-1, -1, -1), Vec3(1, -0.5, 1)}, // on the floor, away from the walls
        {Vec3(1.5, -1, -3), Vec3(2, 1, 3)}, // along a wall, floor to ceiling, end to end
        {Vec3(-0.5, 0.2, 2), Vec3(0.5, 0.6, 2.8)}, // floating: touches no face
    };
    Mesh room, whole;
    addRoom(room, lo, hi, 0.5, contents);
    addBox(whole, lo, hi, 0.5, true);

    // Each part lies in a face of the whole box, wound the same way and with the
    // uvs the whole face has at its corners.
    double area = 0;
    for (const auto& t : room.triangles) {
        const Vec3 p[3] = {room.positions[t[0].p], room.positions[t[1].p], room.positions[t[2].p]};
        const Vec3 n = room.normals[t[0].n];
        area += 0.5 * length(cross(p[1] - p[0], p[2] - p[0]));
        EXPECT_GT(dot(cross(p[1] - p[0], p[2] - p[0]), n), 0) << "part wound against its normal";
        const auto face = std::find_if(whole.triangles.begin(), whole.triangles.end(),
                                       [&](const auto& w) { return dot(whole.normals[w[0].n], n) > 0.999; });
        ASSERT_NE(face, whole.triangles.end());
        // The whole face's first triangle is (p0, p1, p2) of its quad; uvs are affine in position.
        const Vec3 q0 = whole.positions[(*face)[0].p], q1 = whole.positions[(*face)[1].p],
                   q2 = whole.positions[(*face)[2].p];
        const Vec2 w0 = whole.uvs[(*face)[0].t], w1 = whole.uvs[(*face)[1].t], w2 = whole.uvs[(*face)[2].t];
        const Vec3 e1 = q1 - q0, e2 = q2 - q1;
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(dot(p[c] - q0, n), 0.0, 1e-12) << "part off the face plane";
            const double s = dot(p[c] - q0, e1) / dot(e1, e1), r = dot(p[c] - q0, e2) / dot(e2, e2);
            const Vec2 uv = room.uvs[t[c].t];
            EXPECT_NEAR(uv.u, w0.u + s * (w1.u - w0.u) + r * (w2.u - w1.u), 1e-9);
            EXPECT_NEAR(uv.v, w0.v + s * (w1.v - w0.v) + r * (w2.v - w1.v), 1e-9);
        }
        // Nothing is left under the box on the floor or behind the one along the wall.
        const Vec3 centre = (p[0] + p[1] + p[2]) / 3.0;
        EXPECT_FALSE(centre.y == lo.y && std::fabs(centre.x) < 1 && std::fabs(centre.z) < 1)
            << "floor under a box";
        EXPECT_NE(centre.x, hi.x) << "wall behind a box";
    }
    // No overlaps and no gaps: the whole surface less the footprints (2 x 2 on
    // the floor; 0.5 x 6 on floor and ceiling, 0.5 x 2 on each end wall and the
    // whole 2 x 6 wall).
    const double surface = 2 * (4 * 2 + 4 * 6 + 2 * 6);
    EXPECT_NEAR(area, surface - 4 - 2 * 3 - 12 - 2 * 0.5 * 2, 1e-9);
}

TEST(Generator, NormalMapConvention)
{
    // A bump in the middle: its upper edge (larger v, larger row) must lean to
    // +green, its right edge to +red; flat areas encode (0.5, 0.5, 1).
    const int n = 64;
    std::vector<double> h(n * n, 0.0);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            double d2 = (x - 32) * (x - 32) + (y - 32) * (y - 32);
            h[y * n + x] = std::exp(-d2 / 40.0);
        }
    Image img = heightToNormals(h, n, n, 4.0);
    EXPECT_GT(img.at(32, 38).g, 0.6) << "upper edge green";
    EXPECT_LT(img.at(32, 26).g, 0.4) << "lower edge green";
    EXPECT_GT(img.at(38, 32).r, 0.6) << "right edge red";
    EXPECT_NEAR(img.at(2, 2).r, 0.5, 1e-6) << "flat not (0.5, 0.5, 1)";
    EXPECT_NEAR(img.at(2, 2).b, 1.0, 1e-6) << "flat not (0.5, 0.5, 1)";
}

TEST(Generator, ObjTextIsCanonical)
{
    Mesh m;
    addBox(m, Vec3(-1e-9, -0.5, -0.25), Vec3(1.0, 0.5, 0.25), 0.0);
    // GoogleTest's scratch folder (TEST_TMPDIR when set).
    std::string path = testing::TempDir() + "kov_generator_test_box.obj";
    ASSERT_TRUE(writeObj(m, path, "test")) << "cannot write " << path;
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    std::string text = ss.str();
    int v = 0, vt = 0, vn = 0, f = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("v ", 0) == 0)
            ++v;
        else if (line.rfind("vt ", 0) == 0)
            ++vt;
        else if (line.rfind("vn ", 0) == 0)
            ++vn;
        else if (line.rfind("f ", 0) == 0)
            ++f;
    }
    EXPECT_EQ(v, 8);
    EXPECT_EQ(vt, 4);
    EXPECT_EQ(vn, 6);
    EXPECT_EQ(f, 12);
    EXPECT_EQ(text.find("-0.000000"), std::string::npos) << "negative zero written";
    std::remove(path.c_str());
}

namespace {

// The silhouette of a closed mesh seen from a point light, as the shadow
// volumes' geometry shader finds it: the edges between a triangle that faces
// the light and one that does not (positions welded as they are written),
// each directed as its lit triangle runs it.
std::vector<std::pair<Vec3, Vec3>> silhouette(const Mesh& m, const Vec3& light)
{
    const std::vector<int> id = weldPositions(m);
    std::map<std::pair<int, int>, bool> lit; // directed edge -> its triangle faces the light
    for (const auto& t : m.triangles) {
        const Vec3 a = m.positions[t[0].p], b = m.positions[t[1].p], c = m.positions[t[2].p];
        for (int k = 0; k < 3; ++k)
            lit[{id[t[k].p], id[t[(k + 1) % 3].p]}] = dot(cross(b - a, c - a), light - a) > 0;
    }
    std::vector<std::pair<Vec3, Vec3>> edges;
    for (const auto& [edge, faces] : lit) {
        auto other = lit.find({edge.second, edge.first});
        if (faces && (other == lit.end() || !other->second))
            edges.push_back({m.positions[edge.first], m.positions[edge.second]});
    }
    return edges;
}

// How many times the sides of the volume wrap around an eye that looks
// along the volume from beyond the caster: each silhouette edge's angle
// around the line from the light to the eye, summed over the edges, in
// turns. Every side is a plane through the light, so an eye near that line
// sees each side cover a wedge of the screen as wide as its angle: one turn
// is one layer of the volume over the whole screen.
double turnsAroundTheEye(const std::vector<std::pair<Vec3, Vec3>>& edges, const Vec3& light, const Vec3& eye)
{
    const Vec3 axis = normalize(eye - light);
    const Vec3 u = normalize(cross(axis, Vec3(0, 1, 0)));
    const Vec3 v = cross(u, axis);
    auto angle = [&](const Vec3& p) { return std::atan2(dot(p - eye, v), dot(p - eye, u)); };
    const double pi = std::acos(-1.0);
    double sum = 0;
    for (const auto& [a, b] : edges)
        sum += std::fabs(std::remainder(angle(b) - angle(a), 2 * pi));
    return sum / (2 * pi);
}

} // namespace

TEST(Generator, CowIsClosedAndItsShadowWrapsTheStartingEyeFewTimes)
{
    // The scene puts the cow at (0, 0.7, -6) under lights at (0, 0.9, z) for
    // z = 0, -5 and -10, and the flight starts with the eye at (0, 0.6, 2): in
    // the cow's frame the last light is 4 units behind it and the eye 8 in
    // front, nearly on one line, so the eye starts inside that light's
    // volume and every side of it covers the screen from the cow outwards.
    const Mesh cow = buildCow();
    EXPECT_EQ(checkWatertight(cow), "");
    EXPECT_LE(cow.triangles.size(), 500u);
    const Vec3 lightBehind(0, 0.2, -4), eye(0, -0.1, 8);
    // A single smooth ellipsoid of the cow's size wraps it about once, the
    // 1 000-triangle cow of before 7.9 times, this one 5.6.
    EXPECT_LE(turnsAroundTheEye(silhouette(cow, lightBehind), lightBehind, eye), 6.0);
    // Still a cow's size and place: one unit long, centred on its origin,
    // standing about 0.62 tall.
    const Bounds b = meshBounds(cow);
    EXPECT_NEAR(b.hi.z - b.lo.z, 1.0, 0.03);
    EXPECT_NEAR(b.hi.y - b.lo.y, 0.62, 0.02);
    EXPECT_NEAR(b.lo.y + b.hi.y, 0.0, 0.02);
    // The hide is dark at the hooves and light on the flank.
    EXPECT_TRUE(cowDarkAt(0.6, 0.05));
    EXPECT_FALSE(cowDarkAt(0.0, 1.2));
}
