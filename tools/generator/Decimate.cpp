#include "Decimate.h"

#include <algorithm>
#include <queue>

namespace gen {

namespace {

struct Quadric {
    double q[10] = {}; // upper triangle of the symmetric 4x4 matrix
    void addPlane(const Vec3& n, double d, double w)
    {
        const double a = n.x, b = n.y, c = n.z;
        const double v[10] = {a * a, a * b, a * c, a * d, b * b, b * c, b * d, c * c, c * d, d * d};
        for (int i = 0; i < 10; ++i)
            q[i] += w * v[i];
    }
    Quadric& operator+=(const Quadric& o)
    {
        for (int i = 0; i < 10; ++i)
            q[i] += o.q[i];
        return *this;
    }
    double eval(const Vec3& p) const
    {
        const double x = p.x, y = p.y, z = p.z;
        return q[0] * x * x + 2 * q[1] * x * y + 2 * q[2] * x * z + 2 * q[3] * x + q[4] * y * y +
               2 * q[5] * y * z + 2 * q[6] * y + q[7] * z * z + 2 * q[8] * z + q[9];
    }
};

struct Candidate {
    double cost;
    int u, v;
    unsigned su, sv; // vertex stamps when the candidate was made
    Vec3 target;
    bool operator>(const Candidate& o) const
    {
        if (cost != o.cost)
            return cost > o.cost;
        if (u != o.u)
            return u > o.u;
        return v > o.v;
    }
};

double quality(const Vec3& a, const Vec3& b, const Vec3& c)
{
    double area2 = length(cross(b - a, c - a));
    double l = dot(b - a, b - a) + dot(c - b, c - b) + dot(a - c, a - c);
    return l > 0 ? 2 * std::sqrt(3.0) * area2 / l : 0; // 1 for equilateral
}

} // namespace

void decimate(std::vector<Vec3>& P, std::vector<std::array<int, 3>>& T, size_t target, double minQuality)
{
    const size_t nv = P.size();
    std::vector<Quadric> Q(nv);
    std::vector<std::vector<int>> vt(nv);
    std::vector<char> tDead(T.size(), 0), vDead(nv, 0);
    std::vector<unsigned> stamp(nv, 0);
    for (size_t t = 0; t < T.size(); ++t) {
        const auto& f = T[t];
        Vec3 n = cross(P[f[1]] - P[f[0]], P[f[2]] - P[f[0]]);
        double area = length(n) * 0.5;
        if (area <= 0)
            continue;
        n = n / (2 * area);
        for (int k = 0; k < 3; ++k) {
            Q[f[k]].addPlane(n, -dot(n, P[f[0]]), area);
            vt[f[k]].push_back(static_cast<int>(t));
        }
    }
    auto neighbours = [&](int v) {
        std::vector<int> out;
        for (int t : vt[v])
            if (!tDead[t])
                for (int k = 0; k < 3; ++k)
                    if (T[t][k] != v)
                        out.push_back(T[t][k]);
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
        return out;
    };
    std::priority_queue<Candidate, std::vector<Candidate>, std::greater<Candidate>> heap;
    auto consider = [&](int u, int v) {
        Quadric q = Q[u];
        q += Q[v];
        const Vec3 options[3] = {(P[u] + P[v]) * 0.5, P[u], P[v]};
        int best = 0;
        double bc = q.eval(options[0]);
        for (int i = 1; i < 3; ++i) {
            double c = q.eval(options[i]);
            if (c < bc) {
                bc = c;
                best = i;
            }
        }
        heap.push({bc, u, v, stamp[u], stamp[v], options[best]});
    };
    for (size_t t = 0; t < T.size(); ++t)
        for (int k = 0; k < 3; ++k) {
            int a = T[t][k], b = T[t][(k + 1) % 3];
            if (a < b)
                consider(a, b);
        }

    size_t live = T.size();
    while (live > target && !heap.empty()) {
        Candidate c = heap.top();
        heap.pop();
        int u = c.u, v = c.v;
        if (vDead[u] || vDead[v] || stamp[u] != c.su || stamp[v] != c.sv)
            continue;
        // Link condition: exactly two common neighbours keeps the mesh manifold.
        std::vector<int> nu = neighbours(u), nvv = neighbours(v), common;
        std::set_intersection(nu.begin(), nu.end(), nvv.begin(), nvv.end(), std::back_inserter(common));
        if (common.size() != 2 || nu.size() + nvv.size() < 7)
            continue;
        if (neighbours(common[0]).size() <= 3 || neighbours(common[1]).size() <= 3)
            continue;
        // Geometry checks on the triangles that survive.
        bool ok = true;
        for (int w : {u, v}) {
            for (int t : vt[w]) {
                if (tDead[t])
                    continue;
                const auto& f = T[t];
                if ((f[0] == u || f[1] == u || f[2] == u) && (f[0] == v || f[1] == v || f[2] == v))
                    continue;
                Vec3 a[3], b[3];
                for (int k = 0; k < 3; ++k) {
                    a[k] = P[f[k]];
                    b[k] = (f[k] == u || f[k] == v) ? c.target : P[f[k]];
                }
                Vec3 n0 = cross(a[1] - a[0], a[2] - a[0]), n1 = cross(b[1] - b[0], b[2] - b[0]);
                double l0 = length(n0), l1 = length(n1);
                if (l1 <= 0 || dot(n0, n1) < 0.5 * l0 * l1) {
                    ok = false;
                    break;
                }
                double q1 = quality(b[0], b[1], b[2]);
                if (q1 < minQuality && q1 < quality(a[0], a[1], a[2])) {
                    ok = false;
                    break;
                }
            }
            if (!ok)
                break;
        }
        if (!ok)
            continue;
        // Collapse u into v.
        for (int t : vt[u]) {
            if (tDead[t])
                continue;
            auto& f = T[t];
            if (f[0] == v || f[1] == v || f[2] == v) {
                tDead[t] = 1;
                --live;
            } else {
                for (int k = 0; k < 3; ++k)
                    if (f[k] == u)
                        f[k] = v;
                vt[v].push_back(t);
            }
        }
        vDead[u] = 1;
        vt[u].clear();
        P[v] = c.target;
        Q[v] += Q[u];
        ++stamp[v];
        std::vector<int>& list = vt[v];
        list.erase(std::remove_if(list.begin(), list.end(), [&](int t) { return tDead[t] != 0; }), list.end());
        for (int w : neighbours(v))
            consider(std::min(v, w), std::max(v, w));
    }

    // Compact.
    std::vector<int> remap(nv, -1);
    std::vector<Vec3> outP;
    std::vector<std::array<int, 3>> outT;
    for (size_t t = 0; t < T.size(); ++t) {
        if (tDead[t])
            continue;
        std::array<int, 3> f = T[t];
        for (int& i : f) {
            if (remap[i] < 0) {
                remap[i] = static_cast<int>(outP.size());
                outP.push_back(P[i]);
            }
            i = remap[i];
        }
        outT.push_back(f);
    }
    P.swap(outP);
    T.swap(outT);
}

} // namespace gen
