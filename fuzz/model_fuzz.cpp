// Fuzz target: the model import on arbitrary bytes, through the real importer
// with the viewer's flags and the real GL uploads.
//
// The first byte picks whether adjacency is built and whether the asset is
// normal-mapped; the remaining bytes are the file, named .obj like every
// model of the viewer. After the import
// the uploaded buffers are read back: a successful import has whole
// triangles, an adjacency list of twice the plain index count, and no index
// that names a vertex past the position buffer's end; a failed one leaves
// the asset untouched. Run it under scripts/own-display.sh (the shell opens its window
// during static initialisation).
#include "FuzzSupport.h"

#include "asset/Asset.h"
#include "modelloader/ModelLoader.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void fail(const char* what)
{
    std::fprintf(stderr, "model import invariant broken: %s\n", what);
    std::abort();
}

std::vector<unsigned int> readIndices(GLuint buffer)
{
    GLint bytes = 0;
    glBindBuffer(GL_COPY_READ_BUFFER, buffer);
    glGetBufferParameteriv(GL_COPY_READ_BUFFER, GL_BUFFER_SIZE, &bytes);
    std::vector<unsigned int> indices(static_cast<size_t>(bytes) / sizeof(unsigned int));
    if (!indices.empty()) {
        glGetBufferSubData(GL_COPY_READ_BUFFER, 0, static_cast<GLsizeiptr>(indices.size() * sizeof(unsigned int)),
                           indices.data());
    }
    glBindBuffer(GL_COPY_READ_BUFFER, 0);
    return indices;
}

GLint bufferSize(GLuint buffer)
{
    GLint bytes = 0;
    glBindBuffer(GL_COPY_READ_BUFFER, buffer);
    glGetBufferParameteriv(GL_COPY_READ_BUFFER, GL_BUFFER_SIZE, &bytes);
    glBindBuffer(GL_COPY_READ_BUFFER, 0);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzInitGL();
    ModelLoader::getInstance();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) {
        return 0;
    }
    const uint8_t selector = data[0];
    const std::string path = writeFuzzFile("model.obj", data + 1, size - 1);
    const bool withAdjacency = (selector & 4) != 0;
    const bool normalMapped = (selector & 8) != 0;

    Asset* asset = new Asset(true, normalMapped, fuzzProgram());
    const bool loaded = ModelLoader::getInstance().loadModel(path, asset, withAdjacency);
    while (glGetError() != GL_NO_ERROR) {
    }

    if (!loaded) {
        if (asset->getVao() != 0 || asset->getNumIndices() != 0 || !asset->m_Entries.empty()) {
            fail("a failed import changed the asset");
        }
    } else {
        if (asset->getVao() == 0) {
            fail("a successful import left no vertex array");
        }
        const size_t vertices = static_cast<size_t>(bufferSize(asset->getPositionBuffer())) / (3 * sizeof(float));
        if (static_cast<size_t>(bufferSize(asset->getNormalBuffer())) != vertices * 3 * sizeof(float) ||
            static_cast<size_t>(bufferSize(asset->getUvBuffer())) != vertices * 2 * sizeof(float)) {
            fail("vertex streams of different lengths");
        }
        if (normalMapped &&
            static_cast<size_t>(bufferSize(asset->getTangentBuffer())) != vertices * 3 * sizeof(float)) {
            fail("tangent stream of a different length");
        }
        const std::vector<unsigned int> plain = readIndices(asset->getIndexBuffer());
        if (plain.size() != static_cast<size_t>(asset->getNumIndices()) || plain.size() % 3 != 0) {
            fail("plain index list is not whole triangles");
        }
        uint64_t entryIndices = 0;
        for (const Asset::MeshEntry& entry : asset->m_Entries) {
            entryIndices += entry.NumIndices;
        }
        if (entryIndices != plain.size()) {
            fail("mesh table does not add up to the index count");
        }
        for (unsigned int index : plain) {
            if (index >= vertices) {
                fail("plain index past the last vertex");
            }
        }
        if (withAdjacency) {
            const std::vector<unsigned int> adjacency = readIndices(asset->getAdjacencyIndexBuffer());
            if (adjacency.size() != 2 * plain.size()) {
                fail("adjacency list is not six indices per triangle");
            }
            for (unsigned int index : adjacency) {
                if (index >= vertices) {
                    fail("adjacency index past the last vertex");
                }
            }
        } else if (asset->getAdjacencyIndexBuffer() != 0) {
            fail("adjacency list made without being asked for");
        }
    }
    // The asset's destructor also drops the loader's cache entry for the
    // path, so the next input is imported afresh.
    delete asset;
    return 0;
}
