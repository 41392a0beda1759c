// kov_generate: writes every model and texture of the KOV scene.
//
//   kov_generate [repo-root]
//
// Output is fully deterministic; rerunning it reproduces the committed files
// byte for byte.
#include "Image.h"
#include "Mesh.h"
#include "Models.h"
#include "Textures.h"

#include <FreeImage.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace gen;

namespace {

struct ModelJob {
    const char* file;
    const char* comment;
    bool closed; // must be a closed two-manifold (used for shadow volumes)
    std::function<Mesh()> build;
};

struct TextureJob {
    const char* file;
    std::function<Image()> build;
};

} // namespace

int main(int argc, char** argv)
{
    const std::string root = argc > 1 ? argv[1] : ".";
    FreeImage_Initialise(FALSE);
    int failures = 0;
    std::error_code ec;
    std::filesystem::create_directories(root + "/models", ec);
    std::filesystem::create_directories(root + "/textures", ec);

    const std::vector<ModelJob> models = {
        {"Lion.obj", "lion statue standing, facing +z, feet at y=0", true, buildLionStanding},
        {"Lion2.obj", "lion statue lying down, facing +z, resting on y=0", true, buildLionLying},
        {"box.obj", "test-pattern crate, 2 units wide", true, [] { return buildCrate(1.0); }},
        {"box2.obj", "riveted metal crate, 1 unit wide", true, [] { return buildCrate(0.5); }},
        {"box3.obj", "brick block, 2.5 units wide", true, [] { return buildCrate(1.25); }},
        {"cow2.obj", "cow, one unit long, centred on the origin, facing +z", true, buildCow},
        {"spaceship.obj", "station corridor, faces point inwards", false, buildStation},
    };
    for (const ModelJob& job : models) {
        Mesh mesh = job.build();
        std::string path = root + "/models/" + job.file;
        if (job.closed) {
            std::string problem = checkWatertight(mesh);
            if (!problem.empty()) {
                std::fprintf(stderr, "%s: not closed: %s\n", job.file, problem.c_str());
                ++failures;
            }
        }
        if (!writeObj(mesh, path, job.comment)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            ++failures;
            continue;
        }
        Bounds b = meshBounds(mesh);
        std::printf("%-16s %6zu triangles  bounds (%.3f %.3f %.3f)..(%.3f %.3f %.3f)\n", job.file,
                    mesh.triangles.size(), b.lo.x, b.lo.y, b.lo.z, b.hi.x, b.hi.y, b.hi.z);
    }

    const std::vector<TextureJob> textures = {
        {"metal02.jpg", makeMetalCrate},
        {"metal02n.jpg", makeMetalCrateNormals},
        {"brick01.jpg", makeBrick},
        {"brick01n.jpg", makeBrickNormals},
        {"Metal_Scratch.jpg", makeScratchedMetal},
        {"cow_texture.jpg", makeCowHide},
        {"Lion_Albido.jpg", makeLionAlbedo},
        {"Lion_normals.jpg", makeLionNormals},
        {"test.png", makeTestPattern},
        {"Lunar Target.jpg", makeLunarSurface},
    };
    for (const TextureJob& job : textures) {
        std::string path = root + "/textures/" + job.file;
        if (!job.build().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            ++failures;
            continue;
        }
        std::printf("%-16s written\n", job.file);
    }

    FreeImage_DeInitialise();
    return failures == 0 ? 0 : 1;
}
