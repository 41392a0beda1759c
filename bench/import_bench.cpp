// Model import benchmark: closed UV spheres of about 10 thousand, 100
// thousand and 1 million triangles, written as OBJ files into a temporary
// directory, then for each size
//   - the importer alone (ReadFile with the loader's flags),
//   - the adjacency builder alone over the imported meshes,
//   - the whole ModelLoader::loadModel with adjacency (import, arrays,
//     adjacency, GL upload),
// each phase in a fresh child process of this program, so that every peak
// memory figure (growth of VmHWM over the resident size just before the
// phase) belongs to that phase alone. Times are medians over the repetitions.
//
//   kov_import_bench [--sizes 10000,100000,1000000] [--reps 5] [--json PATH]
//
// Runs under a display (the shell's window opens at start-up), for example
//   scripts/own-display.sh build/bench/kov_import_bench
#include "BenchStats.h"
#include "Machine.h"
#include "readback/ProcessMemory.h"
#include "readback/StandardOutput.h"

#include "app/GLObject.h"
#include "app/GLSL.h"
#include "app/GLState.h"
#include "asset/Asset.h"
#include "modelloader/Adjacency.h"
#include "modelloader/ModelImport.h"
#include "modelloader/ModelLoader.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// ---- sphere generation --------------------------------------------------

// A UV sphere of `slices` x (`rings` - 1) vertices plus two poles, welded at
// the seam and the poles: a closed two-manifold of 2 * slices * (rings - 1)
// triangles, wound counter-clockwise seen from outside. Each vertex carries
// its own normal and texture coordinate, so the importer's per-corner
// vertices join back to one per position.
struct SphereSize {
    int slices;
    int rings;
    long triangles() const { return 2L * slices * (rings - 1); }
};

SphereSize sphereFor(long triangles)
{
    // Roughly twice as many slices as rings keeps the quads square.
    SphereSize best{4, 3};
    long bestError = -1;
    const int maxRings = static_cast<int>(std::sqrt(static_cast<double>(triangles)) + 4);
    for (int rings = 3; rings <= maxRings; ++rings) {
        const long slices = std::max(3L, std::lround(static_cast<double>(triangles) / (2.0 * (rings - 1))));
        const SphereSize size{static_cast<int>(slices), rings};
        const long error = std::labs(size.triangles() - triangles) * 1000 +
                           std::labs(static_cast<long>(slices) - 2L * (rings - 1));
        if (bestError < 0 || error < bestError) {
            best = size;
            bestError = error;
        }
    }
    return best;
}

void writeSphere(const std::string& path, SphereSize size)
{
    FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) {
        std::perror(path.c_str());
        std::exit(1);
    }
    static char buffer[1 << 20];
    std::setvbuf(file, buffer, _IOFBF, sizeof(buffer));
    const int S = size.slices;
    const int R = size.rings;
    const double pi = 3.14159265358979323846;
    auto vertex = [&](double theta, double phi, double u, double v) {
        const double x = std::sin(theta) * std::cos(phi);
        const double y = std::sin(theta) * std::sin(phi);
        const double z = std::cos(theta);
        std::fprintf(file, "v %.7f %.7f %.7f\nvt %.6f %.6f\nvn %.6f %.6f %.6f\n", x, y, z, u, v, x, y, z);
    };
    // 1: north pole; 2 .. : ring i (1 .. R-1), slice j; last: south pole.
    vertex(0.0, 0.0, 0.5, 1.0);
    for (int i = 1; i < R; ++i) {
        for (int j = 0; j < S; ++j) {
            vertex(pi * i / R, 2.0 * pi * j / S, static_cast<double>(j) / S, 1.0 - static_cast<double>(i) / R);
        }
    }
    vertex(pi, 0.0, 0.5, 0.0);
    const long north = 1;
    const long south = 2 + static_cast<long>(S) * (R - 1);
    auto ring = [&](int i, int j) { return 2 + static_cast<long>(i - 1) * S + (j % S); };
    auto face = [&](long a, long b, long c) {
        std::fprintf(file, "f %ld/%ld/%ld %ld/%ld/%ld %ld/%ld/%ld\n", a, a, a, b, b, b, c, c, c);
    };
    for (int j = 0; j < S; ++j) {
        face(north, ring(1, j), ring(1, j + 1));
    }
    for (int i = 1; i < R - 1; ++i) {
        for (int j = 0; j < S; ++j) {
            const long a = ring(i, j);
            const long b = ring(i, j + 1);
            const long c = ring(i + 1, j);
            const long d = ring(i + 1, j + 1);
            face(a, c, d);
            face(a, d, b);
        }
    }
    for (int j = 0; j < S; ++j) {
        face(ring(R - 1, j), south, ring(R - 1, j + 1));
    }
    std::fclose(file);
}

// ---- measurement helpers ------------------------------------------------

double msSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

GLProgram attributeProgram()
{
    const char* vertex =
        "#version 330 core\n"
        "in vec3 vertexPosition_modelspace; in vec3 vertexNormals; in vec2 uvs; in vec3 tangents;\n"
        "void main() { gl_Position = vec4(vertexPosition_modelspace + vertexNormals + tangents, 1.0)"
        " + vec4(uvs, 0.0, 0.0); }\n";
    const char* fragment = "#version 330 core\nout vec4 colour;\nvoid main() { colour = vec4(1.0); }\n";
    return compileProgram(vertex, nullptr, fragment);
}

// ---- one phase, in a child process ---------------------------------------

struct PhaseResult {
    double ms = 0.0; // median
    double peakMiB = 0.0; // VmHWM growth over the resident size before the phase
    long vertices = 0; // after import
    long triangles = 0; // after import
    long openEdges = -1; // adjacency: edges without a proper neighbour
    double keptMiB = 0.0; // loadModel: resident growth still held while the asset lives
    bool peakReset = false;
};

// The importer set up as ModelLoader sets it up; counts what it read into `result`.
std::unique_ptr<Assimp::Importer> importFile(const std::string& path, const aiScene** scene, PhaseResult& result)
{
    auto importer = std::make_unique<Assimp::Importer>();
    prepareViewerImporter(*importer);
    *scene = importer->ReadFile(path, viewerImportFlags);
    if (*scene == nullptr) {
        std::fprintf(stderr, "import failed: %s\n", importer->GetErrorString());
        std::exit(2);
    }
    result.vertices = 0;
    result.triangles = 0;
    for (unsigned int m = 0; m < (*scene)->mNumMeshes; ++m) {
        result.vertices += (*scene)->mMeshes[m]->mNumVertices;
        result.triangles += (*scene)->mMeshes[m]->mNumFaces;
    }
    return importer;
}

PhaseResult runPhase(const std::string& phase, const std::string& path, int reps)
{
    PhaseResult result;
    std::vector<double> times;
    long before = 0;
    // Freed memory is returned first, so that only this phase's growth counts.
    auto startPeak = [&]() {
        malloc_trim(0);
        before = statusKiB("VmRSS");
        result.peakReset = resetPeak();
    };

    if (phase == "import") {
        startPeak();
        for (int r = 0; r < reps; ++r) {
            const auto start = std::chrono::steady_clock::now();
            const aiScene* scene = nullptr;
            auto importer = importFile(path, &scene, result);
            times.push_back(msSince(start));
        }
    } else if (phase == "adjacency") {
        const aiScene* scene = nullptr;
        auto importer = importFile(path, &scene, result);
        startPeak();
        for (int r = 0; r < reps; ++r) {
            EdgeMap edges;
            PositionMap positions;
            std::vector<Face> faces;
            std::vector<unsigned int> indices;
            const auto start = std::chrono::steady_clock::now();
            uint32_t offset = 0;
            for (unsigned int m = 0; m < scene->mNumMeshes; ++m) {
                const aiMesh* mesh = scene->mMeshes[m];
                indices.reserve(indices.size() + 6 * static_cast<size_t>(mesh->mNumFaces));
                buildAdjacency(mesh, offset, AdjacencyTables{edges, positions, faces}, indices);
                offset += mesh->mNumVertices;
            }
            times.push_back(msSince(start));
            // Sanity: a closed surface has a real neighbour across every edge.
            long open = 0;
            for (size_t t = 0; t < faces.size() && 6 * t + 5 < indices.size(); ++t) {
                for (int j = 0; j < 3; ++j) {
                    open += indices[6 * t + 2 * j + 1] == faces[t].Indices[(j + 2) % 3] ? 1 : 0;
                }
            }
            result.openEdges = open;
        }
    } else if (phase == "load") {
        const GLProgram program = attributeProgram();
        ModelLoader::getInstance();
        startPeak();
        for (int r = 0; r < reps; ++r) {
            auto asset = std::make_unique<Asset>(false, false, program.id());
            const auto start = std::chrono::steady_clock::now();
            const bool loaded = ModelLoader::getInstance().loadModel(path, asset.get(), true);
            glFinish();
            times.push_back(msSince(start));
            if (!loaded) {
                std::fprintf(stderr, "loadModel failed for %s\n", path.c_str());
                std::exit(2);
            }
            result.triangles = asset->getNumIndices() / 3;
            result.vertices = static_cast<long>(asset->m_posMap.size());
            if (r == 0) {
                // What the loaded asset keeps (its adjacency tables; the GL
                // driver's copies of the buffers where it keeps them in
                // system memory), once freed working memory is returned.
                malloc_trim(0);
                result.keptMiB = (statusKiB("VmRSS") - before) / 1024.0;
            }
            // Deleting the asset makes the loader forget the path, so the
            // next repetition imports again.
        }
    } else {
        std::fprintf(stderr, "unknown phase %s\n", phase.c_str());
        std::exit(2);
    }
    result.peakMiB = (statusKiB("VmHWM") - before) / 1024.0;
    result.ms = median(times);
    return result;
}

int childMain(const std::string& phase, const std::string& path, int reps, const std::string& resultPath)
{
    initGL();
    const PhaseResult r = runPhase(phase, path, reps);
    // Raw bytes: the parent is this same program.
    std::ofstream out(resultPath, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&r), sizeof(r));
    return out ? 0 : 3;
}

// Runs one phase in a fresh copy of this program (its console output is
// discarded) and reads back what it measured.
bool runChild(const std::string& phase, const std::string& path, int reps, const std::string& resultPath,
              PhaseResult& result)
{
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        return false;
    }
    if (pid == 0) {
        discardStandardOutput();
        const std::string repsText = std::to_string(reps);
        const char* argv[] = {"kov_import_bench", "--child",          phase.c_str(), path.c_str(),
                              repsText.c_str(),   resultPath.c_str(), nullptr};
        execv("/proc/self/exe", const_cast<char* const*>(argv));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s phase on %s failed (status %d)\n", phase.c_str(), path.c_str(), status);
        return false;
    }
    std::ifstream in(resultPath, std::ios::binary);
    in.read(reinterpret_cast<char*>(&result), sizeof(result));
    return static_cast<bool>(in);
}

struct Row {
    int reps = 0;
    PhaseResult import;
    PhaseResult adjacency;
    PhaseResult load;
};

bool writeJson(const std::string& path, const std::vector<Row>& rows)
{
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) {
        return false;
    }
    JsonWriter out(file);
    out.beginObject();
    out.string("cpu", cpuModel());
    out.integer("cores", sysconf(_SC_NPROCESSORS_ONLN));
    out.beginArray("results");
    for (const Row& r : rows) {
        out.beginObject();
        out.integer("triangles", r.import.triangles);
        out.integer("vertices", r.import.vertices);
        out.integer("repetitions", r.reps);
        out.number("import_ms", r.import.ms);
        out.number("adjacency_ms", r.adjacency.ms);
        out.number("load_model_ms", r.load.ms);
        out.number("import_peak_mib", r.import.peakMiB);
        out.number("adjacency_peak_mib", r.adjacency.peakMiB);
        out.number("load_model_peak_mib", r.load.peakMiB);
        out.number("load_model_kept_mib", r.load.keptMiB);
        out.integer("open_edges", r.adjacency.openEdges);
        out.endObject();
    }
    out.endArray();
    out.endObject();
    return std::fclose(file) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 6 && std::string(argv[1]) == "--child") {
        return childMain(argv[2], argv[3], std::atoi(argv[4]), argv[5]);
    }

    std::vector<long> sizes = {10000, 100000, 1000000};
    int reps = 5;
    std::string jsonPath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--sizes" && i + 1 < argc) {
            sizes.clear();
            std::stringstream list(argv[++i]);
            std::string item;
            while (std::getline(list, item, ',')) {
                sizes.push_back(std::atol(item.c_str()));
            }
        } else if (arg == "--reps" && i + 1 < argc) {
            reps = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--json" && i + 1 < argc) {
            jsonPath = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--sizes N,N,...] [--reps N] [--json PATH]\n", argv[0]);
            return 2;
        }
    }

    std::string dirPattern = (fs::temp_directory_path() / "kov-import-bench-XXXXXX").string();
    if (mkdtemp(dirPattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path dir = dirPattern;

    std::printf("Model import benchmark: %s, %ld cores\n", cpuModel().c_str(), sysconf(_SC_NPROCESSORS_ONLN));
    std::printf("Closed UV spheres as OBJ (v/vt/vn); each phase in a fresh process; times are medians of %d runs "
                "(1 run from 1M triangles up).\n\n",
                reps);
    std::fflush(stdout);

    std::vector<Row> rows;
    bool ok = true;
    for (long requested : sizes) {
        const SphereSize sphere = sphereFor(requested);
        const std::string path = (dir / ("sphere_" + std::to_string(requested) + ".obj")).string();
        writeSphere(path, sphere);
        Row row;
        row.reps = requested >= 1000000 ? 1 : reps;
        const std::string resultPath = (dir / "result.txt").string();
        ok = runChild("import", path, row.reps, resultPath, row.import) && ok;
        ok = runChild("adjacency", path, row.reps, resultPath, row.adjacency) && ok;
        ok = runChild("load", path, row.reps, resultPath, row.load) && ok;
        rows.push_back(row);
        fs::remove(path);
    }

    std::printf("%10s %9s %5s %10s %13s %13s %11s %14s %14s %10s %5s\n", "triangles", "vertices", "runs",
                "import ms", "adjacency ms", "loadModel ms", "import MiB", "adjacency MiB", "loadModel MiB",
                "kept MiB", "open");
    for (const Row& r : rows) {
        std::printf("%10ld %9ld %5d %10.1f %13.1f %13.1f %11.1f %14.1f %14.1f %10.1f %5ld\n", r.import.triangles,
                    r.import.vertices, r.reps, r.import.ms, r.adjacency.ms, r.load.ms, r.import.peakMiB,
                    r.adjacency.peakMiB, r.load.peakMiB, r.load.keptMiB, r.adjacency.openEdges);
    }
    std::printf("\nMiB: peak resident growth during the phase (VmHWM over the resident size just before it%s).\n"
                "loadModel: import, vertex arrays, adjacency and GL upload (glFinish included), with adjacency.\n"
                "kept MiB: resident growth still held after the first loadModel while its asset lives.\n"
                "open: edges without a proper neighbour in the adjacency list (0 for a closed surface).\n",
                rows.empty() || rows.front().import.peakReset ? "" : "; peak not resettable, counted from start");

    if (!jsonPath.empty()) {
        if (!writeJson(jsonPath, rows)) {
            std::fprintf(stderr, "cannot write %s\n", jsonPath.c_str());
        }
    }
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    return ok ? 0 : 1;
}
