// Fuzz target: the model importer on arbitrary bytes, set up as the model
// loader sets it up (only the OBJ reader, the viewer's flags and primitive
// filter), then the adjacency builder over every mesh; no GL context needed
// (model_fuzz drives the same import through the GL uploads). Every index
// written must name a vertex of the model.
#include "FuzzFiles.h"

#include "modelloader/Adjacency.h"
#include "modelloader/ModelImport.h"
#include "modelloader/ModelLoader.h"

#include <assimp/scene.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = writeFuzzFile("model.obj", data, size);
    Assimp::Importer importer;
    prepareViewerImporter(importer);
    const aiScene* scene = importer.ReadFile(path, viewerImportFlags);
    if (scene == nullptr) {
        return 0;
    }
    EdgeMap edges;
    PositionMap positions;
    std::vector<Face> faces;
    std::vector<unsigned int> indices;
    uint32_t vertexOffset = 0;
    for (unsigned int i = 0; i < scene->mNumMeshes; ++i) {
        buildAdjacency(scene->mMeshes[i], vertexOffset, AdjacencyTables{edges, positions, faces}, indices);
        vertexOffset += scene->mMeshes[i]->mNumVertices;
    }
    for (unsigned int index : indices) {
        if (index >= vertexOffset) {
            std::fprintf(stderr, "adjacency index %u past the last vertex %u\n", index, vertexOffset);
            std::abort();
        }
    }
    return 0;
}
