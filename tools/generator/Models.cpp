#include "Models.h"

#include "Implicit.h"

#include <cmath>

namespace gen {

UvRect lionRegion(int part)
{
    // 2x2 atlas: body | mane on the bottom row, face | (dark details, muzzle) on top.
    if (part == LionDark)
        return {0.5, 0.5, 0.75, 1.0};
    if (part == LionMuzzle)
        return {0.75, 0.5, 1.0, 1.0};
    double u0 = (part % 2) * 0.5, v0 = (part / 2) * 0.5;
    return {u0, v0, u0 + 0.5, v0 + 0.5};
}

UvRect cowRegion(int part)
{
    // Hide fills the upper three quarters; the bottom strip holds small swatches.
    if (part == CowHide)
        return {0.0, 0.25, 1.0, 1.0};
    double u0 = (part - 1) * (1.0 / 3.0);
    return {u0, 0.0, u0 + 1.0 / 3.0, 0.25};
}

void projectNonMirrored(const Vec3& p, const Vec3& n, double& a, double& b)
{
    double ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    if (ax >= ay && ax >= az) {
        a = n.x > 0 ? -p.z : p.z;
        b = p.y;
    } else if (ay >= az) {
        a = p.x;
        b = n.y > 0 ? -p.z : p.z;
    } else {
        a = n.z > 0 ? p.x : -p.x;
        b = p.y;
    }
}

namespace {

// Triangle budgets of the shadow casters (see README.md): every triangle that
// faces a light costs two caps in the shadow-volume pass, so the casters carry
// only what their size on screen shows.
constexpr size_t kLionTriangles = 600;
// Thin triangles are allowed along nearly straight stretches (legs, tail,
// flanks): with them the lions keep their thin parts unfolded at 600
// triangles, and their silhouettes need fewer edges.
constexpr double kLionMinQuality = 0.05;
constexpr size_t kCowTriangles = 500;
// The cow's triangles may be long and thin where the surface is nearly
// straight (along the legs and the flanks), so that its silhouettes need
// fewer edges.
constexpr double kCowMinQuality = 0.05;

// Maps a coordinate from [lo, hi] into the inner 90% of [a, b].
double fit(double x, double lo, double hi, double a, double b)
{
    double t = clamp01((x - lo) / (hi - lo));
    double m = (b - a) * 0.05;
    return a + m + t * (b - a - 2 * m);
}

UvFunction lionUvs(const Shape& shape)
{
    return [&shape](const Vec3(&p)[3], const Vec3& n, Vec2(&uv)[3]) {
        UvRect r = lionRegion(shape.partAt((p[0] + p[1] + p[2]) / 3.0));
        for (int c = 0; c < 3; ++c) {
            double a, b;
            projectNonMirrored(p[c] - Vec3(0, 1.75, 0), n, a, b);
            uv[c] = {fit(a, -2.8, 2.8, r.u0, r.u1), fit(b, -2.8, 2.8, r.v0, r.v1)};
        }
    };
}

void addLionHead(Shape& s, double y, double z, double tilt)
{
    // Mane and ruff first so the face blends onto them. They are smooth: the
    // shagginess is in the albedo and the normal map, because a displaced
    // surface gives the shadow volumes a ragged silhouette of many short edges.
    Primitive mane = ellipsoid(Vec3(0, y - 0.2, z - 0.5), Vec3(0.84, 0.97, 0.6), LionMane, 0.25);
    orient(mane, tilt, 0);
    s.add(mane);
    s.add(ellipsoid(Vec3(0, y - 0.72, z - 0.4), Vec3(0.55, 0.55, 0.42), LionMane, 0.25));
    // Broad skull, brow ridge and a long nose bridge down to a wide muzzle.
    s.add(ellipsoid(Vec3(0, y, z), Vec3(0.46, 0.44, 0.48), LionFace, 0.15));
    s.add(ellipsoid(Vec3(0, y + 0.17, z + 0.3), Vec3(0.36, 0.1, 0.16), LionFace, 0.1));
    s.add(capsule(Vec3(0, y + 0.12, z + 0.34), Vec3(0, y - 0.06, z + 0.6), 0.13, 0.12, LionFace, 0.12));
    s.add(ellipsoid(Vec3(0, y - 0.24, z + 0.42), Vec3(0.3, 0.2, 0.28), LionMuzzle, 0.12));
    for (int sx = -1; sx <= 1; sx += 2) {
        s.add(sphere(Vec3(sx * 0.15, y - 0.2, z + 0.52), 0.15, LionMuzzle, 0.08));
        s.add(ellipsoid(Vec3(sx * 0.31, y + 0.36, z + 0.02), Vec3(0.13, 0.13, 0.07), LionMane, 0.06));
        s.add(ellipsoid(Vec3(sx * 0.19, y + 0.08, z + 0.38), Vec3(0.08, 0.055, 0.06), LionDark, 0.02));
    }
    s.add(ellipsoid(Vec3(0, y - 0.43, z + 0.32), Vec3(0.2, 0.12, 0.22), LionMuzzle, 0.1));
    s.add(ellipsoid(Vec3(0, y - 0.07, z + 0.7), Vec3(0.13, 0.08, 0.07), LionDark, 0.04));
}

Mesh finishLion(const Shape& shape, double cell)
{
    Mesh m = polygonize(shape, cell, kLionTriangles, lionUvs(shape), kLionMinQuality);
    // Origin at the bottom of the feet.
    Bounds b = meshBounds(m);
    translateMesh(m, Vec3(0, -b.lo.y, 0));
    return m;
}

} // namespace

Mesh buildLionStanding()
{
    Shape s;
    s.add(ellipsoid(Vec3(0, 2.0, -0.15), Vec3(0.62, 0.62, 1.35), LionBody));
    s.add(ellipsoid(Vec3(0, 1.95, 0.85), Vec3(0.64, 0.7, 0.6), LionBody, 0.3));
    s.add(ellipsoid(Vec3(0, 2.05, -1.2), Vec3(0.58, 0.62, 0.58), LionBody, 0.3));
    for (int sx = -1; sx <= 1; sx += 2) {
        double x = sx * 0.38;
        // Front leg.
        s.add(capsule(Vec3(sx * 0.34, 1.85, 0.95), Vec3(x, 0.9, 1.05), 0.27, 0.2, LionBody, 0.15));
        s.add(capsule(Vec3(x, 0.9, 1.05), Vec3(x, 0.18, 1.1), 0.19, 0.16, LionBody, 0.08));
        s.add(ellipsoid(Vec3(x, 0.13, 1.24), Vec3(0.2, 0.13, 0.28), LionBody, 0.08));
        s.add(ellipsoid(Vec3(x, 0.07, 1.48), Vec3(0.16, 0.06, 0.06), LionDark, 0.03));
        // Hind leg: thigh, hock bending back, shin.
        s.add(ellipsoid(Vec3(sx * 0.36, 1.72, -1.3), Vec3(0.28, 0.62, 0.48), LionBody, 0.2));
        s.add(capsule(Vec3(x, 1.35, -1.5), Vec3(x, 0.8, -1.65), 0.21, 0.15, LionBody, 0.12));
        s.add(capsule(Vec3(x, 0.8, -1.65), Vec3(x, 0.18, -1.45), 0.15, 0.15, LionBody, 0.08));
        s.add(ellipsoid(Vec3(x, 0.13, -1.3), Vec3(0.19, 0.13, 0.26), LionBody, 0.08));
        s.add(ellipsoid(Vec3(x, 0.07, -1.08), Vec3(0.15, 0.06, 0.06), LionDark, 0.03));
    }
    // Tail hanging down in an S.
    s.add(capsule(Vec3(0, 2.2, -1.7), Vec3(0, 1.7, -2.25), 0.1, 0.085, LionBody, 0.1));
    s.add(capsule(Vec3(0, 1.7, -2.25), Vec3(0, 0.95, -2.35), 0.085, 0.08, LionBody, 0.05));
    s.add(ellipsoid(Vec3(0, 0.85, -2.33), Vec3(0.13, 0.18, 0.13), LionDark, 0.05));
    addLionHead(s, 2.72, 1.75, 0.25);
    return finishLion(s, 0.052);
}

Mesh buildLionLying()
{
    Shape s;
    s.add(ellipsoid(Vec3(0, 0.64, -0.35), Vec3(0.66, 0.6, 1.35), LionBody));
    s.add(ellipsoid(Vec3(0, 0.8, 0.6), Vec3(0.62, 0.66, 0.6), LionBody, 0.3));
    for (int sx = -1; sx <= 1; sx += 2) {
        double x = sx * 0.38;
        // Haunch with the hind paw tucked along the flank.
        s.add(ellipsoid(Vec3(sx * 0.32, 0.68, -1.2), Vec3(0.42, 0.55, 0.6), LionBody, 0.25));
        s.add(ellipsoid(Vec3(sx * 0.62, 0.16, -0.7), Vec3(0.18, 0.16, 0.45), LionBody, 0.15));
        s.add(ellipsoid(Vec3(sx * 0.64, 0.08, -0.22), Vec3(0.14, 0.07, 0.07), LionDark, 0.03));
        // Front legs stretched forward on the floor.
        s.add(capsule(Vec3(x, 0.55, 0.75), Vec3(x, 0.19, 1.7), 0.22, 0.17, LionBody, 0.15));
        s.add(ellipsoid(Vec3(x, 0.13, 1.85), Vec3(0.2, 0.13, 0.27), LionBody, 0.08));
        s.add(ellipsoid(Vec3(x, 0.07, 2.1), Vec3(0.16, 0.06, 0.06), LionDark, 0.03));
    }
    // Tail curled on the floor around the right side.
    s.add(capsule(Vec3(0, 0.75, -1.65), Vec3(0.45, 0.16, -2.05), 0.1, 0.085, LionBody, 0.1));
    s.add(capsule(Vec3(0.45, 0.16, -2.05), Vec3(0.95, 0.12, -1.4), 0.085, 0.08, LionBody, 0.05));
    s.add(ellipsoid(Vec3(1.0, 0.13, -1.25), Vec3(0.12, 0.12, 0.16), LionDark, 0.05));
    addLionHead(s, 1.72, 1.4, 0.15);
    return finishLion(s, 0.052);
}

namespace {

// The cow's side projection into the hide atlas: model (z, y) to the atlas
// and back.
constexpr double kCowZ0 = -1.25, kCowZ1 = 1.95, kCowY0 = -0.05, kCowY1 = 2.0;
// Where the side projection paints the small dark parts: hooves below this
// height, the eyes and the tail's tuft (centre and radii in (z, y)).
constexpr double kHoofTop = 0.17;
constexpr double kEyeZ = 1.52, kEyeY = 1.55, kEyeR = 0.045;
constexpr double kTuftZ = -1.13, kTuftY = 0.64, kTuftRz = 0.09, kTuftRy = 0.14;
// Placement of the model: centre and length of the cow as the scene has
// always shown it (one unit long, centred on its origin).
const Vec3 kCowCentre(0.0, 0.9542, 0.3279);
constexpr double kCowLength = 3.0572;

double unfit(double s, double a, double b, double lo, double hi)
{
    double m = (b - a) * 0.05;
    return lo + (s - a - m) / (b - a - 2 * m) * (hi - lo);
}

} // namespace

void cowHidePoint(double u, double v, double& z, double& y)
{
    const UvRect r = cowRegion(CowHide);
    z = unfit(u, r.u0, r.u1, kCowZ0, kCowZ1);
    y = unfit(v, r.v0, r.v1, kCowY0, kCowY1);
}

bool cowDarkAt(double z, double y)
{
    auto inside = [](double dz, double dy, double rz, double ry) {
        return (dz * dz) / (rz * rz) + (dy * dy) / (ry * ry) < 1;
    };
    return y < kHoofTop || inside(z - kEyeZ, y - kEyeY, kEyeR, kEyeR) ||
           inside(z - kTuftZ, y - kTuftY, kTuftRz, kTuftRy);
}

Mesh buildCow()
{
    // Few, smooth, well blended parts. The flight starts with the eye nearly
    // on the line from the light behind the cow through the cow, so every
    // side of that light's volume sweeps the screen from the cow outwards:
    // each part that stands out (a teat, an eye, a hoof, a hip bone) or
    // ripples the flank folds the silhouette and adds layers over the whole
    // image. The small dark parts are painted into the hide instead
    // (cowDarkAt); the wide body, the tight joins of neck and head and the
    // rump's wide blend keep the silhouette's loops few and smooth.
    Shape s;
    s.add(ellipsoid(Vec3(0, 1.25, -0.05), Vec3(0.46, 0.42, 0.95), CowHide));
    s.add(ellipsoid(Vec3(0, 1.3, 0.55), Vec3(0.4, 0.46, 0.45), CowHide, 0.25));
    s.add(ellipsoid(Vec3(0, 1.35, -0.7), Vec3(0.42, 0.4, 0.4), CowHide, 0.35));
    for (int sx = -1; sx <= 1; sx += 2) {
        // Legs down to the hooves' soles.
        s.add(capsule(Vec3(sx * 0.26, 1.0, 0.6), Vec3(sx * 0.26, 0.1, 0.62), 0.15, 0.11, CowHide, 0.2));
        s.add(capsule(Vec3(sx * 0.26, 1.05, -0.7), Vec3(sx * 0.26, 0.1, -0.72), 0.18, 0.11, CowHide, 0.2));
        // Horns, ears.
        s.add(capsule(Vec3(sx * 0.13, 1.7, 1.33), Vec3(sx * 0.38, 1.88, 1.28), 0.065, 0.04, CowHorn, 0.05));
        s.add(ellipsoid(Vec3(sx * 0.3, 1.6, 1.27), Vec3(0.15, 0.06, 0.09), CowHide, 0.08));
    }
    s.add(capsule(Vec3(0, 1.4, 0.8), Vec3(0, 1.55, 1.22), 0.32, 0.22, CowHide, 0.15));
    Primitive head = ellipsoid(Vec3(0, 1.45, 1.48), Vec3(0.21, 0.22, 0.36), CowHide, 0.08);
    orient(head, -0.5, 0);
    s.add(head);
    s.add(ellipsoid(Vec3(0, 1.2, 1.7), Vec3(0.19, 0.15, 0.16), CowPink, 0.1));
    s.add(ellipsoid(Vec3(0, 0.82, -0.4), Vec3(0.2, 0.16, 0.22), CowPink, 0.12));
    s.add(capsule(Vec3(0, 1.55, -1.0), Vec3(0, 0.6, -1.13), 0.06, 0.05, CowHide, 0.08));

    // Side projection: both flanks show the same patch pattern.
    const Shape& shape = s;
    Mesh m = polygonize(
        s, 0.045, kCowTriangles,
        [&shape](const Vec3(&p)[3], const Vec3&, Vec2(&uv)[3]) {
            UvRect r = cowRegion(shape.partAt((p[0] + p[1] + p[2]) / 3.0));
            for (int c = 0; c < 3; ++c)
                uv[c] = {fit(p[c].z, kCowZ0, kCowZ1, r.u0, r.u1), fit(p[c].y, kCowY0, kCowY1, r.v0, r.v1)};
        },
        kCowMinQuality);
    translateMesh(m, -kCowCentre);
    scaleMesh(m, 1.0 / kCowLength);
    return m;
}

Mesh buildCrate(double h)
{
    Mesh m;
    addClosedBox(m, Vec3(-h, -h, -h), Vec3(h, h, h));
    return m;
}

namespace {

// Station dimensions (world units).
constexpr double kFloorTop = -0.43; // walking surface, where the statues stand
constexpr double kFloorBase = -0.46; // bottom of the grooves between plates
constexpr double kCeiling = 1.6;
constexpr double kWall = 2.2;
constexpr double kNear = 3.5;
constexpr double kFar = -22.0;

} // namespace

Mesh buildStation()
{
    Mesh m;
    const double tile = 0.5; // Metal_Scratch repeats every 2 units
    // Everything in the corridor is a box; the shell is added last, without
    // the stretches these boxes cover.
    std::vector<Box> contents;
    auto part = [&](const Vec3& lo, const Vec3& hi) {
        addBox(m, lo, hi, tile);
        contents.push_back({lo, hi});
    };

    // Floor plates separated by shallow grooves.
    const double plateW = 0.95, gap = 0.04;
    const double walk = 1.9; // raised walkways beyond this |x|
    for (double z0 = kNear; z0 - gap > kFar + 1e-9;) {
        double z1 = std::max(z0 - plateW, kFar);
        for (int c = 0; c < 4; ++c) {
            double x0 = -walk + c * (2 * walk / 4), x1 = x0 + 2 * walk / 4;
            part(Vec3(x0 + gap / 2, kFloorBase, z1 + gap / 2), Vec3(x1 - gap / 2, kFloorTop, z0 - gap / 2));
        }
        z0 = z1;
    }
    // Walkways along both walls with pipes above them.
    for (int sx = -1; sx <= 1; sx += 2) {
        double xi = sx * walk, xo = sx * kWall;
        part(Vec3(std::min(xi, xo), kFloorBase, kFar), Vec3(std::max(xi, xo), -0.36, kNear));
        double p0 = sx * 2.02, p1 = sx * 2.12;
        part(Vec3(std::min(p0, p1), 1.22, kFar), Vec3(std::max(p0, p1), 1.32, kNear));
        part(Vec3(std::min(p0, p1), 1.08, kFar), Vec3(std::max(p0, p1), 1.15, kNear));
    }
    // Structural ribs: two pillars and a ceiling beam, with wall panels between.
    const double ribStep = 2.5;
    for (double zc = 2.5; zc > kFar + 1.0; zc -= ribStep) {
        for (int sx = -1; sx <= 1; sx += 2) {
            double a = sx * kWall, b = sx * 1.98;
            part(Vec3(std::min(a, b), -0.36, zc - 0.13), Vec3(std::max(a, b), kCeiling, zc + 0.13));
            // Knee brace where pillar meets the ceiling.
            double c = sx * 1.75;
            part(Vec3(std::min(a, c), 1.36, zc - 0.1), Vec3(std::max(a, c), kCeiling, zc + 0.1));
            // Wall panels in the bay towards -z.
            double w0 = sx * kWall, w1 = sx * 2.16;
            for (int row = 0; row < 2; ++row) {
                double y0 = row == 0 ? -0.28 : 0.42, y1 = row == 0 ? 0.36 : 1.02;
                part(Vec3(std::min(w0, w1), y0, zc - ribStep + 0.2), Vec3(std::max(w0, w1), y1, zc - 0.2));
            }
        }
        part(Vec3(-kWall, 1.44, zc - 0.13), Vec3(kWall, kCeiling, zc + 0.13));
    }
    // Ceiling lamp housings above the three lights and a centre conduit.
    for (int i = 0; i < 3; ++i) {
        double z = -5.0 * i;
        part(Vec3(-0.3, 1.52, z - 0.3), Vec3(0.3, kCeiling, z + 0.3));
    }
    part(Vec3(-0.08, 1.55, kFar), Vec3(0.08, kCeiling, kNear));
    // Bulkhead door frame at the far end and a hatch behind the start.
    for (double zEnd : {kFar + 0.1, kNear - 0.1}) {
        double z0 = zEnd - 0.1, z1 = zEnd + 0.1;
        part(Vec3(-0.9, -0.36, z0), Vec3(-0.7, 1.2, z1));
        part(Vec3(0.7, -0.36, z0), Vec3(0.9, 1.2, z1));
        part(Vec3(-0.9, 1.0, z0), Vec3(0.9, 1.2, z1));
    }
    // Shell, seen from inside.
    addRoom(m, Vec3(-kWall, kFloorBase, kFar), Vec3(kWall, kCeiling, kNear), tile, contents);
    return m;
}

} // namespace gen
