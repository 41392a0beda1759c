// Small math, random and noise helpers shared by the generator.
// Everything here is deterministic: no clock, no global state.
#pragma once

#include <cmath>
#include <cstdint>

namespace gen {

struct Vec3 {
    double x = 0, y = 0, z = 0;
    Vec3() = default;
    Vec3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
    Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec3 operator*(double s) const { return {x * s, y * s, z * s}; }
    Vec3 operator/(double s) const { return {x / s, y / s, z / s}; }
    Vec3 operator-() const { return {-x, -y, -z}; }
    Vec3& operator+=(const Vec3& o)
    {
        x += o.x;
        y += o.y;
        z += o.z;
        return *this;
    }
    Vec3& operator-=(const Vec3& o)
    {
        x -= o.x;
        y -= o.y;
        z -= o.z;
        return *this;
    }
    double operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
};

inline double dot(const Vec3& a, const Vec3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 cross(const Vec3& a, const Vec3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(const Vec3& a)
{
    return std::sqrt(dot(a, a));
}
inline Vec3 normalize(const Vec3& a)
{
    double l = length(a);
    return l > 0 ? a / l : Vec3(0, 1, 0);
}
inline Vec3 vmin(const Vec3& a, const Vec3& b)
{
    return {std::fmin(a.x, b.x), std::fmin(a.y, b.y), std::fmin(a.z, b.z)};
}
inline Vec3 vmax(const Vec3& a, const Vec3& b)
{
    return {std::fmax(a.x, b.x), std::fmax(a.y, b.y), std::fmax(a.z, b.z)};
}

inline double clamp01(double v)
{
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}
inline double clampd(double v, double lo, double hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}
inline double mix(double a, double b, double t)
{
    return a + (b - a) * t;
}
inline double smoothstep(double e0, double e1, double x)
{
    double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

// SplitMix64 finaliser: a good integer hash and the step of our generator.
inline uint64_t mix64(uint64_t z)
{
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t next()
    {
        state_ += 0x9e3779b97f4a7c15ULL;
        return mix64(state_);
    }
    // Uniform in [0, 1).
    double uniform() { return (next() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }

private:
    uint64_t state_;
};

inline uint64_t hash3i(int64_t x, int64_t y, int64_t z, uint64_t seed)
{
    uint64_t h = mix64(seed ^ 0x51ed270b27a3c5d1ULL);
    h = mix64(h ^ static_cast<uint64_t>(x) * 0x9e3779b97f4a7c15ULL);
    h = mix64(h ^ static_cast<uint64_t>(y) * 0xc2b2ae3d27d4eb4fULL);
    h = mix64(h ^ static_cast<uint64_t>(z) * 0x165667b19e3779f9ULL);
    return h;
}

// Lattice value in [-1, 1].
inline double latticeValue(int64_t x, int64_t y, int64_t z, uint64_t seed)
{
    return (hash3i(x, y, z, seed) >> 11) * (2.0 / 9007199254740992.0) - 1.0;
}

inline double fade(double t)
{
    return t * t * t * (t * (t * 6 - 15) + 10);
}

inline int64_t wrapi(int64_t v, int64_t period)
{
    if (period <= 0)
        return v;
    int64_t m = v % period;
    return m < 0 ? m + period : m;
}

// Value noise in [-1, 1]. A positive period makes it tile in x and y with
// that many lattice cells; z never wraps.
inline double valueNoise(double x, double y, double z, uint64_t seed, int64_t periodXY = 0)
{
    double fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    int64_t ix = static_cast<int64_t>(fx), iy = static_cast<int64_t>(fy), iz = static_cast<int64_t>(fz);
    double tx = fade(x - fx), ty = fade(y - fy), tz = fade(z - fz);
    double c[2][2][2];
    for (int dz = 0; dz < 2; ++dz)
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx)
                c[dz][dy][dx] = latticeValue(wrapi(ix + dx, periodXY), wrapi(iy + dy, periodXY), iz + dz, seed);
    double a0 = mix(mix(c[0][0][0], c[0][0][1], tx), mix(c[0][1][0], c[0][1][1], tx), ty);
    double a1 = mix(mix(c[1][0][0], c[1][0][1], tx), mix(c[1][1][0], c[1][1][1], tx), ty);
    return mix(a0, a1, tz);
}

// Fractal sum of value noise; with periodXY > 0 each octave doubles the period
// so the sum still tiles.
inline double fbm(double x, double y, double z, uint64_t seed, int octaves, int64_t periodXY = 0)
{
    double sum = 0, amp = 0.5, norm = 0, f = 1;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * valueNoise(x * f, y * f, z * f, seed + static_cast<uint64_t>(o) * 1013,
                                periodXY > 0 ? periodXY * static_cast<int64_t>(f) : 0);
        norm += amp;
        amp *= 0.5;
        f *= 2;
    }
    return sum / norm;
}

} // namespace gen
