#pragma once
// How the viewer lets Assimp near a user's model file, apart from GL so that
// it can be fuzzed and tested without a context.
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>

// The post-processing the viewer asks of the importer (0x1804B).
constexpr unsigned int viewerImportFlags = aiProcess_CalcTangentSpace | aiProcess_JoinIdenticalVertices |
                                           aiProcess_Triangulate | aiProcess_GenSmoothNormals |
                                           aiProcess_SortByPType | aiProcess_FindDegenerates;

// Removes every reader from `importer` but the Wavefront OBJ one. The
// importer picks its reader from the file name's extension and, when none
// matches, from the content; the viewer's models are OBJ files, and the
// other readers (one of them is known to read out of bounds) must not get a
// file that merely looks like theirs.
void keepOnlyObjReader(Assimp::Importer& importer);

