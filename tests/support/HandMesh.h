#pragma once
// Meshes built by hand in the importer's own structures, for the tests of the
// adjacency builder (GL-free) and of the model loader's use of it.
#include <assimp/mesh.h>

#include <array>
#include <memory>
#include <vector>

using Tri = std::array<unsigned int, 3>;

// An aiMesh owning its arrays the way the importer allocates them (the
// destructor frees them with delete[]). Faces may have any corner count.
std::unique_ptr<aiMesh> makeMesh(const std::vector<aiVector3D>& positions,
                                 const std::vector<std::vector<unsigned int>>& faces);
std::unique_ptr<aiMesh> makeTriMesh(const std::vector<aiVector3D>& positions, const std::vector<Tri>& tris);

// The closed tetrahedron, wound consistently (every edge is run once each way).
extern const std::vector<aiVector3D> tetraPositions;
extern const std::vector<Tri> tetraTris;
