// Checks on meshes as the viewer imports them (Assimp). Each function returns
// an empty string when the mesh passes, otherwise what is wrong.
#pragma once

#include "modelloader/ModelImport.h"

#include <string>

struct aiMesh;
struct aiScene;

namespace kov {

// After merging vertices by exact position, every edge must be used by exactly
// two triangles in opposite directions, and no triangle may have two corners at
// the same position. This is what shadow-volume adjacency needs.
std::string checkClosedManifold(const aiMesh* mesh);

// Normals and texture coordinates present, normals unit length, and the
// winding of every triangle agrees with its vertex normals.
std::string checkAttributes(const aiMesh* mesh);

// For normal-mapped meshes: the uv mapping is not mirrored anywhere, i.e.
// cross(dP/du, dP/dv) points along the triangle's outward normal.
std::string checkUvHandedness(const aiMesh* mesh);

} // namespace kov
