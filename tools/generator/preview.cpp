// kov_preview: a small software rasteriser for eyeballing generated content
// without the viewer.
//
//   kov_preview model <file.obj> <texture|-> <out.png>   three orthographic views
//   kov_preview scene <repo-root> <out.png>              the scene from the start camera
#include "Common.h"
#include "Image.h"
#include "MeshCheck.h"

#include "app/SceneLayout.h"

#include <FreeImage.h>
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <glm/trigonometric.hpp>

#include <cstdio>
#include <string>
#include <vector>

using namespace gen;

namespace {

struct Camera {
    Vec3 eye, right, up, fwd;
    bool perspective = false;
    double tanHalf = 0.27; // perspective: tan(fovy/2)
    double orthoHalf = 1.0; // orthographic: half height of the view
};

Camera lookAt(const Vec3& eye, const Vec3& target)
{
    Camera c;
    c.eye = eye;
    c.fwd = normalize(target - eye);
    c.right = normalize(cross(c.fwd, Vec3(0, 1, 0)));
    c.up = cross(c.right, c.fwd);
    return c;
}

struct Vert {
    Vec3 view; // camera space: x right, y up, z forward (depth)
    Vec3 world, normal;
    double u, v;
};

struct Target {
    Image color;
    std::vector<double> depth;
    int x0, w, h; // viewport inside the image
};

struct Light {
    Vec3 pos;
    bool point;
};

Vert lerpVert(const Vert& a, const Vert& b, double t)
{
    return {a.view + (b.view - a.view) * t, a.world + (b.world - a.world) * t,
            a.normal + (b.normal - a.normal) * t, mix(a.u, b.u, t), mix(a.v, b.v, t)};
}

void drawTriangle(Target& tg, const Camera& cam, Vert tri[3], const Image* tex, const std::vector<Light>& lights)
{
    // Clip against the near plane (perspective only).
    std::vector<Vert> poly(tri, tri + 3);
    if (cam.perspective) {
        const double nearZ = 0.05;
        std::vector<Vert> out;
        for (size_t i = 0; i < poly.size(); ++i) {
            const Vert& a = poly[i];
            const Vert& b = poly[(i + 1) % poly.size()];
            bool ain = a.view.z >= nearZ, bin = b.view.z >= nearZ;
            if (ain)
                out.push_back(a);
            if (ain != bin)
                out.push_back(lerpVert(a, b, (nearZ - a.view.z) / (b.view.z - a.view.z)));
        }
        poly.swap(out);
        if (poly.size() < 3)
            return;
    }
    auto toScreen = [&](const Vert& v, double& sx, double& sy) {
        double s = tg.h * 0.5;
        double x = v.view.x, y = v.view.y;
        if (cam.perspective) {
            x /= v.view.z * cam.tanHalf;
            y /= v.view.z * cam.tanHalf;
        } else {
            x /= cam.orthoHalf;
            y /= cam.orthoHalf;
        }
        sx = tg.x0 + tg.w * 0.5 + x * s;
        sy = tg.h * 0.5 + y * s;
    };
    for (size_t k = 1; k + 1 < poly.size(); ++k) {
        const Vert* v[3] = {&poly[0], &poly[k], &poly[k + 1]};
        double sx[3], sy[3];
        for (int i = 0; i < 3; ++i)
            toScreen(*v[i], sx[i], sy[i]);
        double area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sx[2] - sx[0]) * (sy[1] - sy[0]);
        if (area <= 0)
            continue; // back face (counter-clockwise is front)
        int xmin = std::max(tg.x0, static_cast<int>(std::floor(std::min({sx[0], sx[1], sx[2]}))));
        int xmax = std::min(tg.x0 + tg.w - 1, static_cast<int>(std::ceil(std::max({sx[0], sx[1], sx[2]}))));
        int ymin = std::max(0, static_cast<int>(std::floor(std::min({sy[0], sy[1], sy[2]}))));
        int ymax = std::min(tg.h - 1, static_cast<int>(std::ceil(std::max({sy[0], sy[1], sy[2]}))));
        double iz[3];
        for (int i = 0; i < 3; ++i)
            iz[i] = cam.perspective ? 1.0 / v[i]->view.z : 1.0;
        for (int y = ymin; y <= ymax; ++y)
            for (int x = xmin; x <= xmax; ++x) {
                double px = x + 0.5, py = y + 0.5;
                double b0 = ((sx[1] - px) * (sy[2] - py) - (sx[2] - px) * (sy[1] - py)) / area;
                double b1 = ((sx[2] - px) * (sy[0] - py) - (sx[0] - px) * (sy[2] - py)) / area;
                double b2 = 1 - b0 - b1;
                if (b0 < 0 || b1 < 0 || b2 < 0)
                    continue;
                double w0 = b0 * iz[0], w1 = b1 * iz[1], w2 = b2 * iz[2], ws = w0 + w1 + w2;
                w0 /= ws;
                w1 /= ws;
                w2 /= ws;
                double depth = v[0]->view.z * w0 + v[1]->view.z * w1 + v[2]->view.z * w2;
                double& zb = tg.depth[static_cast<size_t>(y) * tg.color.width() + x];
                if (depth >= zb)
                    continue;
                zb = depth;
                Vec3 n = normalize(v[0]->normal * w0 + v[1]->normal * w1 + v[2]->normal * w2);
                Vec3 wp = v[0]->world * w0 + v[1]->world * w1 + v[2]->world * w2;
                double u = v[0]->u * w0 + v[1]->u * w1 + v[2]->u * w2;
                double tv = v[0]->v * w0 + v[1]->v * w1 + v[2]->v * w2;
                Rgba albedo{0.8, 0.8, 0.8, 1};
                if (tex) {
                    int tx = static_cast<int>(std::floor((u - std::floor(u)) * tex->width()));
                    int ty = static_cast<int>(std::floor((tv - std::floor(tv)) * tex->height()));
                    albedo = tex->wrap(tx, ty);
                    if (albedo.a < 0.5) {
                        zb = 1e30;
                        continue;
                    }
                }
                double light = 0.18;
                for (const Light& l : lights) {
                    Vec3 dir = l.point ? l.pos - wp : l.pos;
                    double att = l.point ? 1.0 / (1.0 + 0.25 * dot(dir, dir)) : 1.0;
                    light += 0.9 * att * std::max(0.0, dot(n, normalize(dir)));
                }
                tg.color.at(x, y) = {albedo.r * light, albedo.g * light, albedo.b * light, 1};
            }
    }
}

struct Placed {
    std::string obj, tex;
    double scale;
    Vec3 origin;
};

bool drawModel(Target& tg, const Camera& cam, const Placed& m, const std::vector<Light>& lights)
{
    Assimp::Importer importer;
    prepareViewerImporter(importer);
    const aiScene* scene = importer.ReadFile(m.obj, viewerImportFlags);
    if (!scene) {
        std::fprintf(stderr, "cannot load %s\n", m.obj.c_str());
        return false;
    }
    Image texImg(1, 1);
    bool haveTex = !m.tex.empty() && m.tex != "-" && texImg.load(m.tex);
    for (unsigned i = 0; i < scene->mNumMeshes; ++i) {
        const aiMesh* mesh = scene->mMeshes[i];
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            const aiFace& face = mesh->mFaces[f];
            if (face.mNumIndices != 3)
                continue;
            Vert tri[3];
            for (int k = 0; k < 3; ++k) {
                unsigned id = face.mIndices[k];
                const aiVector3D& p = mesh->mVertices[id];
                const aiVector3D& n = mesh->mNormals[id];
                Vec3 w = Vec3(p.x, p.y, p.z) * m.scale + m.origin;
                Vec3 rel = w - cam.eye;
                tri[k].world = w;
                tri[k].view = Vec3(dot(rel, cam.right), dot(rel, cam.up), dot(rel, cam.fwd));
                tri[k].normal = Vec3(n.x, n.y, n.z);
                tri[k].u = mesh->HasTextureCoords(0) ? mesh->mTextureCoords[0][id].x : 0;
                tri[k].v = mesh->HasTextureCoords(0) ? mesh->mTextureCoords[0][id].y : 0;
            }
            drawTriangle(tg, cam, tri, haveTex ? &texImg : nullptr, lights);
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: kov_preview model <obj> <texture|-> <out.png> | scene <root> <out.png>\n");
        return 2;
    }
    FreeImage_Initialise(FALSE);
    const std::string mode = argv[1];
    bool ok = true;
    if (mode == "model" && argc >= 5) {
        const int tile = 360;
        Target tg{Image(tile * 3, tile), {}, 0, tile, tile};
        tg.color.fill({0.25, 0.3, 0.35, 1});
        tg.depth.assign(static_cast<size_t>(tile) * 3 * tile, 1e30);
        // Fit the views to the model's size.
        Assimp::Importer probe;
        const aiScene* s = probe.ReadFile(argv[2], 0);
        double radius = 1;
        Vec3 centre;
        if (s && s->mNumMeshes) {
            Vec3 lo(1e30, 1e30, 1e30), hi = -lo;
            for (unsigned v = 0; v < s->mMeshes[0]->mNumVertices; ++v) {
                const aiVector3D& p = s->mMeshes[0]->mVertices[v];
                lo = vmin(lo, Vec3(p.x, p.y, p.z));
                hi = vmax(hi, Vec3(p.x, p.y, p.z));
            }
            centre = (lo + hi) * 0.5;
            radius = length(hi - lo) * 0.5;
        }
        const Vec3 dirs[3] = {Vec3(0, 0.1, 1), Vec3(1, 0.1, 0), Vec3(0.8, 0.6, 1.0)};
        std::vector<Light> lights = {{Vec3(0.4, 0.8, 0.6), false}};
        for (int i = 0; i < 3; ++i) {
            Camera cam = lookAt(centre + normalize(dirs[i]) * (radius * 4), centre);
            cam.orthoHalf = radius * 1.05;
            tg.x0 = i * tile;
            ok = drawModel(tg, cam, Placed{argv[2], argv[3], 1.0, Vec3()}, lights) && ok;
        }
        ok = tg.color.save(argv[4]) && ok;
    } else if (mode == "scene") {
        const std::string root = argv[2];
        const int w = 800, h = 600;
        Target tg{Image(w, h), {}, 0, w, h};
        tg.color.fill({0, 0, 0, 1});
        tg.depth.assign(static_cast<size_t>(w) * h, 1e30);
        Camera cam = lookAt(Vec3(0, 0.6, 2), Vec3(0, 0.2, -2));
        if (argc >= 5)
            cam = lookAt(Vec3(0, 0.6, std::atof(argv[4])), Vec3(0, 0.2, std::atof(argv[4]) - 4));
        cam.perspective = true;
        cam.tanHalf = std::tan(glm::radians(15.0));
        std::vector<Light> lights = {{Vec3(0, 0.9, 0), true}, {Vec3(0, 0.9, -5), true}, {Vec3(0, 0.9, -10), true}};
        // Each asset's model and colour texture as the scene's layout gives them.
        const auto placed = [&root](SceneAsset::Index asset, double scale, Vec3 origin) {
            const SceneAssetLayout& layout = sceneAssets[asset];
            return Placed{root + "/" + layout.modelPath, root + "/" + sceneTextureFiles[layout.colour].path, scale,
                          origin};
        };
        const Placed scene[] = {
            placed(SceneAsset::spaceStation, 1.0, Vec3(0, 0, 0)),
            placed(SceneAsset::lion, 0.1, Vec3(-1.0, -0.43, -5.5)),
            placed(SceneAsset::lion2, 0.1, Vec3(-1.55, -0.43, -5.5)),
            placed(SceneAsset::test, 0.1, Vec3(0, 0.3, -1.5)),
            placed(SceneAsset::metalBox, 0.2, Vec3(0, 0.4, 0)),
            placed(SceneAsset::brickBox, 0.1, Vec3(0, 0.5, -11)),
            placed(SceneAsset::cow, 1.0, Vec3(0, 0.7, -6)),
        };
        for (const Placed& p : scene)
            ok = drawModel(tg, cam, p, lights) && ok;
        ok = tg.color.save(argv[3]) && ok;
    } else {
        std::fprintf(stderr, "unknown mode\n");
        ok = false;
    }
    FreeImage_DeInitialise();
    return ok ? 0 : 1;
}
