#include "Textures.h"

#include "Common.h"
#include "Models.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace gen {

namespace {

constexpr int kSize = 512;
constexpr double kPi = 3.14159265358979323846;

Rgba rgb(double r, double g, double b)
{
    return {r, g, b, 1.0};
}
Rgba scaled(const Rgba& c, double s)
{
    return {c.r * s, c.g * s, c.b * s, c.a};
}
Rgba lerp(const Rgba& a, const Rgba& b, double t)
{
    return {mix(a.r, b.r, t), mix(a.g, b.g, t), mix(a.b, b.b, t), mix(a.a, b.a, t)};
}

struct Field {
    int w, h;
    std::vector<double> v;
    Field(int w_, int h_) : w(w_), h(h_), v(static_cast<size_t>(w_) * h_, 0.0) {}
    double& at(int x, int y) { return v[static_cast<size_t>(y) * w + x]; }
    double get(int x, int y) const
    {
        x = ((x % w) + w) % w;
        y = ((y % h) + h) % h;
        return v[static_cast<size_t>(y) * w + x];
    }
};

// Brightness from a height field lit from the upper left, for baking relief
// into colour maps.
double reliefShade(const Field& f, int x, int y, double strength)
{
    double dx = (f.get(x + 1, y) - f.get(x - 1, y)) * 0.5 * strength;
    double dy = (f.get(x, y + 1) - f.get(x, y - 1)) * 0.5 * strength;
    Vec3 n = normalize(Vec3(-dx, -dy, 1));
    Vec3 l = normalize(Vec3(-0.5, 0.6, 0.8));
    return dot(n, l) / dot(Vec3(0, 0, 1), l);
}

// ---- metal crate ---------------------------------------------------------

// Height of the crate face: raised frame, recessed centre panel split by a
// cross seam, domed rivets on the frame.
Field crateHeight()
{
    Field f(kSize, kSize);
    const double border = 40, rivetR = 9;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            double px = x + 0.5, py = y + 0.5;
            double e = std::min(std::min(px, kSize - px), std::min(py, kSize - py)); // distance to edge
            double h = 0.2;
            // Frame with a bevel into the recess.
            h += 0.6 * smoothstep(border + 4, border - 4, e);
            // Outer edge rounded off.
            h -= 0.3 * smoothstep(6, 0, e);
            // Cross seam dividing the inner panel.
            double cx = std::fabs(px - kSize / 2.0), cy = std::fabs(py - kSize / 2.0);
            if (e > border + 4)
                h -= 0.15 * (smoothstep(4, 1, cx) + smoothstep(4, 1, cy));
            // Rivets along the frame centre line and on the seam ends.
            double mid = border * 0.5;
            for (int i = 0; i < 8; ++i) {
                double t = mid + i * (kSize - 2 * mid) / 7.0;
                const double rx[4] = {t, t, mid, kSize - mid};
                const double ry[4] = {mid, kSize - mid, t, t};
                for (int k = 0; k < 4; ++k) {
                    double d = std::hypot(px - rx[k], py - ry[k]);
                    if (d < rivetR)
                        h = std::max(h, 0.8 + 0.35 * std::sqrt(1 - (d / rivetR) * (d / rivetR)));
                }
            }
            f.at(x, y) = h;
        }
    return f;
}

} // namespace

Image heightToNormals(const std::vector<double>& height, int w, int h, double strength)
{
    Image img(w, h);
    auto H = [&](int x, int y) {
        x = ((x % w) + w) % w;
        y = ((y % h) + h) % h;
        return height[static_cast<size_t>(y) * w + x];
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double dx = (H(x + 1, y) - H(x - 1, y)) * 0.5 * strength;
            double dy = (H(x, y + 1) - H(x, y - 1)) * 0.5 * strength;
            Vec3 n = normalize(Vec3(-dx, -dy, 1));
            img.at(x, y) = {n.x * 0.5 + 0.5, n.y * 0.5 + 0.5, n.z * 0.5 + 0.5, 1};
        }
    return img;
}

Image makeMetalCrate()
{
    Field hgt = crateHeight();
    Image img(kSize, kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            // Brushed streaks run horizontally.
            double streak = fbm(x / 160.0, y / 1.5, 0.0, 101, 4);
            double blotch = fbm(x / 90.0, y / 90.0, 1.0, 102, 4);
            double h = hgt.get(x, y);
            Rgba base = rgb(0.58, 0.6, 0.63);
            if (h > 0.5 && h < 0.85)
                base = rgb(0.47, 0.49, 0.52); // frame: darker steel
            Rgba c = scaled(base, 1.0 + 0.12 * streak + 0.08 * blotch);
            if (h >= 0.85)
                c = rgb(0.74, 0.75, 0.77); // rivet heads
            c = scaled(c, clampd(reliefShade(hgt, x, y, 40.0), 0.35, 1.5));
            img.at(x, y) = c;
        }
    return img;
}

Image makeMetalCrateNormals()
{
    Field hgt = crateHeight();
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            hgt.at(x, y) += 0.01 * fbm(x / 160.0, y / 1.5, 0.0, 101, 3);
    return heightToNormals(hgt.v, kSize, kSize, 12.0);
}

// ---- bricks --------------------------------------------------------------

namespace {

struct BrickSample {
    double height; // 1 on brick faces, 0 in mortar
    int brickId; // which brick (for colour variation), -1 in mortar
};

// Running bond: 4 bricks per row, 8 rows, tiling in both directions.
BrickSample brickAt(double px, double py)
{
    const double bw = kSize / 4.0, bh = kSize / 8.0, mortar = 7.0;
    int row = static_cast<int>(std::floor(py / bh));
    double ox = (row % 2) ? bw * 0.5 : 0.0;
    double lx = std::fmod(px + ox, kSize);
    int col = static_cast<int>(std::floor(lx / bw));
    double ex = std::min(lx - col * bw, (col + 1) * bw - lx);
    double ey = std::min(py - row * bh, (row + 1) * bh - py);
    double e = std::min(ex, ey) - mortar * 0.5;
    double hgt = smoothstep(0.0, 5.0, e);
    return {hgt, e > 0 ? ((row & 7) * 4 + (col & 3)) : -1};
}

Field brickHeight()
{
    Field f(kSize, kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            BrickSample b = brickAt(x + 0.5, y + 0.5);
            double rough = fbm(x / 24.0, y / 24.0, 2.0, 201, 4);
            f.at(x, y) =
                b.height * (1.0 + 0.06 * rough) + (1 - b.height) * 0.08 * fbm(x / 6.0, y / 6.0, 3.0, 202, 2);
        }
    return f;
}

} // namespace

Image makeBrick()
{
    Field hgt = brickHeight();
    Image img(kSize, kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            BrickSample b = brickAt(x + 0.5, y + 0.5);
            Rgba mortar = scaled(rgb(0.62, 0.6, 0.55), 1.0 + 0.15 * fbm(x / 5.0, y / 5.0, 4.0, 203, 2));
            Rgba brick = mortar;
            if (b.brickId >= 0) {
                Rng r(1000 + static_cast<uint64_t>(b.brickId));
                double tone = r.range(0.8, 1.12);
                Rgba base = lerp(rgb(0.6, 0.22, 0.14), rgb(0.52, 0.28, 0.2), r.uniform());
                double speck = fbm(x / 3.0, y / 3.0, 5.0, 204, 2);
                double stain = fbm(x / 40.0, y / 40.0, 6.0, 205, 3);
                brick = scaled(base, tone * (1.0 + 0.18 * speck + 0.2 * stain));
            }
            Rgba c = lerp(mortar, brick, b.height);
            c = scaled(c, clampd(reliefShade(hgt, x, y, 6.0), 0.5, 1.4));
            img.at(x, y) = c;
        }
    return img;
}

Image makeBrickNormals()
{
    Field hgt = brickHeight();
    return heightToNormals(hgt.v, kSize, kSize, 4.0);
}

// ---- scratched station panels --------------------------------------------

Image makeScratchedMetal()
{
    Field hgt(kSize, kSize);
    Field scratch(kSize, kSize);
    // Panels of 256x256 with grooved seams.
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            double ex = std::fabs(std::fmod(x + 0.5, 256.0) - 0.0), ey = std::fabs(std::fmod(y + 0.5, 256.0));
            double e = std::min(std::min(ex, 256 - ex), std::min(ey, 256 - ey));
            double h = smoothstep(1.0, 4.0, e);
            // Bolt heads near the panel corners.
            double cx = std::fmod(x + 0.5, 256.0), cy = std::fmod(y + 0.5, 256.0);
            for (double bx : {14.0, 242.0})
                for (double by : {14.0, 242.0}) {
                    double d = std::hypot(cx - bx, cy - by);
                    if (d < 6)
                        h = std::max(h, 1.0 + 0.4 * std::sqrt(1 - d * d / 36));
                }
            hgt.at(x, y) = h;
        }
    // Scratches: short, mostly diagonal strokes, wrapped so the texture tiles.
    Rng rng(301);
    for (int s = 0; s < 700; ++s) {
        double x0 = rng.range(0, kSize), y0 = rng.range(0, kSize);
        double ang = rng.range(-0.5, 0.5) + (rng.uniform() < 0.5 ? 0.6 : -0.9);
        double len = 8 + 70 * rng.uniform() * rng.uniform();
        double depth = rng.range(0.3, 1.0);
        int steps = static_cast<int>(len * 2);
        for (int i = 0; i <= steps; ++i) {
            double t = static_cast<double>(i) / steps;
            double bend = 3.0 * std::sin(t * kPi) * (rng.uniform() * 0.1 + 0.95);
            int px = static_cast<int>(std::floor(x0 + std::cos(ang) * len * t - std::sin(ang) * bend));
            int py = static_cast<int>(std::floor(y0 + std::sin(ang) * len * t + std::cos(ang) * bend));
            px = ((px % kSize) + kSize) % kSize;
            py = ((py % kSize) + kSize) % kSize;
            double fade = std::sin(t * kPi);
            scratch.at(px, py) = std::max(scratch.at(px, py), depth * fade);
        }
    }
    Image img(kSize, kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            int panel = (x / 256) + 2 * (y / 256);
            double tone = 0.5 + 0.04 * panel - 0.06 * (panel == 3);
            double grime = fbm(x / 64.0, y / 64.0, 7.0, 302, 5, 8);
            double fine = fbm(x / 4.0, y / 4.0, 8.0, 303, 2, 128);
            double v = tone * (1.0 + 0.18 * grime + 0.05 * fine);
            double s = scratch.get(x, y);
            v = mix(v, v * 1.45 + 0.06, 0.7 * s);
            Rgba c = rgb(v * 0.97, v, v * 1.04);
            double h = hgt.get(x, y);
            c = scaled(c, 0.35 + 0.65 * std::min(h, 1.0));
            c = scaled(c, clampd(reliefShade(hgt, x, y, 3.0), 0.6, 1.35));
            img.at(x, y) = c;
        }
    return img;
}

// ---- cow -----------------------------------------------------------------

Image makeCowHide()
{
    Image img(kSize, kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            double u = (x + 0.5) / kSize, v = (y + 0.5) / kSize;
            double hair = fbm(x / 2.0, y / 8.0, 9.0, 401, 2);
            Rgba c;
            if (v >= 0.25) {
                double n = fbm(u * 5.0, v * 5.0, 10.0, 402, 4) + 0.25 * fbm(u * 21.0, v * 21.0, 11.0, 403, 2);
                double patch = smoothstep(0.06, 0.1, n);
                c = lerp(rgb(0.93, 0.91, 0.87), rgb(0.07, 0.06, 0.06), patch);
                c = scaled(c, 1.0 + 0.06 * hair);
                double cz, cy;
                cowHidePoint(u, v, cz, cy);
                if (cowDarkAt(cz, cy))
                    c = scaled(rgb(0.12, 0.1, 0.09), 1.0 + 0.3 * fbm(x / 30.0, y / 30.0, 12.0, 404, 3));
            } else {
                int region = std::min(static_cast<int>(u * 3.0), 2) + 1;
                double g = fbm(x / 30.0, y / 30.0, 12.0, 404, 3);
                if (region == CowPink)
                    c = scaled(rgb(0.88, 0.62, 0.6), 1.0 + 0.1 * g);
                else if (region == CowHorn)
                    c = scaled(rgb(0.86, 0.8, 0.64), 1.0 + 0.12 * g);
                else
                    c = scaled(rgb(0.12, 0.1, 0.09), 1.0 + 0.3 * g);
            }
            img.at(x, y) = c;
        }
    return img;
}

// ---- lion ----------------------------------------------------------------

namespace {

int lionRegionAt(double u, double v)
{
    if (v >= 0.5 && u >= 0.75)
        return LionMuzzle;
    return (u >= 0.5 ? 1 : 0) + (v >= 0.5 ? 2 : 0);
}

// Fur: fine streaks running along v (down the flanks under the box projection).
double furHeight(int x, int y, int region)
{
    double streak = fbm(x / 1.6, y / 9.0, 13.0, 501, 3);
    double clump = fbm(x / 12.0, y / 20.0, 14.0, 502, 3);
    if (region == LionMane) {
        double wave = fbm(x / 3.0 + 2.0 * std::sin(y / 23.0), y / 14.0, 15.0, 503, 3);
        return 0.8 * wave + 0.4 * clump;
    }
    if (region == LionDark)
        return 0.2 * streak;
    return 0.5 * streak + 0.3 * clump;
}

} // namespace

Image makeLionAlbedo()
{
    Image img(kSize, kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            double u = (x + 0.5) / kSize, v = (y + 0.5) / kSize;
            int region = lionRegionAt(u, v);
            double f = furHeight(x, y, region);
            double large = fbm(x / 60.0, y / 60.0, 16.0, 504, 3);
            Rgba c;
            switch (region) {
            case LionBody: c = lerp(rgb(0.78, 0.6, 0.34), rgb(0.86, 0.7, 0.45), 0.5 + 0.5 * large); break;
            case LionMane: c = lerp(rgb(0.36, 0.22, 0.1), rgb(0.55, 0.36, 0.16), 0.5 + 0.6 * f); break;
            case LionFace: c = lerp(rgb(0.8, 0.6, 0.34), rgb(0.86, 0.68, 0.42), 0.5 + 0.5 * large); break;
            case LionMuzzle: c = lerp(rgb(0.9, 0.8, 0.62), rgb(0.95, 0.88, 0.72), 0.5 + 0.5 * large); break;
            default: c = rgb(0.14, 0.09, 0.07); break;
            }
            c = scaled(c, 1.0 + 0.22 * f);
            img.at(x, y) = c;
        }
    return img;
}

Image makeLionNormals()
{
    std::vector<double> h(static_cast<size_t>(kSize) * kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            double u = (x + 0.5) / kSize, v = (y + 0.5) / kSize;
            h[static_cast<size_t>(y) * kSize + x] = furHeight(x, y, lionRegionAt(u, v));
        }
    return heightToNormals(h, kSize, kSize, 1.6);
}

// ---- test pattern --------------------------------------------------------

namespace {

bool inRect(double x, double y, double x0, double y0, double x1, double y1)
{
    return x >= x0 && x < x1 && y >= y0 && y < y1;
}

// Seven-segment digit in the box (x0, y0)-(x0+w, y0+h), y up.
bool digitAt(int digit, double x, double y, double x0, double y0, double w, double h)
{
    static const char* segs[10] = {"abcdef", "bc",     "abged", "abgcd",   "fgbc",
                                   "afgcd",  "afgedc", "abc",   "abcdefg", "abcdfg"};
    double t = w * 0.18;
    double ym = y0 + h * 0.5;
    for (const char* s = segs[digit]; *s; ++s) {
        bool hit = false;
        switch (*s) {
        case 'a': hit = inRect(x, y, x0, y0 + h - t, x0 + w, y0 + h); break;
        case 'b': hit = inRect(x, y, x0 + w - t, ym, x0 + w, y0 + h); break;
        case 'c': hit = inRect(x, y, x0 + w - t, y0, x0 + w, ym); break;
        case 'd': hit = inRect(x, y, x0, y0, x0 + w, y0 + t); break;
        case 'e': hit = inRect(x, y, x0, y0, x0 + t, ym); break;
        case 'f': hit = inRect(x, y, x0, ym, x0 + t, y0 + h); break;
        case 'g': hit = inRect(x, y, x0, ym - t / 2, x0 + w, ym + t / 2); break;
        }
        if (hit)
            return true;
    }
    return false;
}

// Arrow from (x0,y0) along unit direction (dx,dy).
bool arrowAt(double x, double y, double x0, double y0, double dx, double dy, double len)
{
    double px = x - x0, py = y - y0;
    double along = px * dx + py * dy, across = -px * dy + py * dx;
    double head = len * 0.3;
    if (along >= 0 && along < len - head && std::fabs(across) < len * 0.06)
        return true;
    if (along >= len - head && along < len) {
        double half = (len - along) / head * len * 0.15;
        return std::fabs(across) < half;
    }
    return false;
}

} // namespace

Image makeTestPattern()
{
    Image img(kSize, kSize);
    const Rgba quad[4] = {rgb(0.85, 0.2, 0.2), rgb(0.2, 0.7, 0.25), rgb(0.2, 0.35, 0.85), rgb(0.9, 0.8, 0.15)};
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            double px = x + 0.5, py = y + 0.5;
            int q = (px >= 256 ? 1 : 0) + (py >= 256 ? 2 : 0); // 0 bottom-left, 3 top-right
            bool checker = ((x / 32) + (y / 32)) % 2 == 0;
            Rgba c = scaled(quad[q], checker ? 1.0 : 0.72);
            // Grid lines every 64 pixels, thicker frame.
            if (x % 64 == 0 || x % 64 == 63 || y % 64 == 0 || y % 64 == 63)
                c = rgb(0.95, 0.95, 0.95);
            if (x < 6 || y < 6 || x >= kSize - 6 || y >= kSize - 6)
                c = rgb(0.05, 0.05, 0.05);
            // Quadrant number: 1..4 counting from the bottom-left.
            double qx = (q % 2) * 256.0, qy = (q / 2) * 256.0;
            if (digitAt(q + 1, px, py, qx + 96, qy + 70, 64, 116))
                c = rgb(1, 1, 1);
            // Axis arrows in the middle: +u to the right, +v upwards.
            if (arrowAt(px, py, 256, 256, 1, 0, 110))
                c = rgb(0.05, 0.05, 0.05);
            if (arrowAt(px, py, 256, 256, 0, 1, 110))
                c = rgb(0.05, 0.05, 0.05);
            // Transparent areas: a ring round the centre and the four corner cells.
            double r = std::hypot(px - 256, py - 256);
            bool hole = (r > 150 && r < 172) || ((x < 64 || x >= kSize - 64) && (y < 64 || y >= kSize - 64));
            c.a = hole ? 0.0 : 1.0;
            img.at(x, y) = c;
        }
    return img;
}

// ---- lunar surface -------------------------------------------------------

Image makeLunarSurface()
{
    Field hgt(kSize, kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            hgt.at(x, y) = 6.0 * fbm(x / 128.0, y / 128.0, 17.0, 601, 6, 4);
    Rng rng(602);
    for (int i = 0; i < 140; ++i) {
        double cx = rng.range(0, kSize), cy = rng.range(0, kSize);
        double u = rng.uniform();
        double r = 4 + 60 * u * u * u;
        double depth = r * 0.35;
        int ext = static_cast<int>(r * 1.8) + 1;
        for (int dy = -ext; dy <= ext; ++dy)
            for (int dx = -ext; dx <= ext; ++dx) {
                double d = std::hypot(static_cast<double>(dx), static_cast<double>(dy)) / r;
                if (d > 1.8)
                    continue;
                double prof;
                if (d < 1.0)
                    prof = (d * d - 1.0) + 0.25; // bowl
                else
                    prof = 0.25 * std::exp(-(d - 1.0) * (d - 1.0) * 12.0); // rim
                int px = ((static_cast<int>(cx) + dx) % kSize + kSize) % kSize;
                int py = ((static_cast<int>(cy) + dy) % kSize + kSize) % kSize;
                hgt.at(px, py) += depth * prof;
            }
    }
    Image img(kSize, kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            double albedo =
                0.55 + 0.08 * fbm(x / 40.0, y / 40.0, 18.0, 603, 4) + 0.04 * fbm(x / 3.0, y / 3.0, 19.0, 604, 2);
            double shade = clampd(reliefShade(hgt, x, y, 0.5), 0.15, 1.6);
            double g = albedo * shade;
            img.at(x, y) = rgb(g, g, g * 0.98);
        }
    return img;
}

} // namespace gen
