#pragma once
// How the viewer lets Assimp near a user's model file, apart from GL so that
// it can be fuzzed and tested without a context.
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>

// The post-processing the viewer asks of the importer (0x1804B).
constexpr unsigned int viewerImportFlags = aiProcess_CalcTangentSpace | aiProcess_JoinIdenticalVertices |
                                           aiProcess_Triangulate | aiProcess_GenSmoothNormals |
                                           aiProcess_SortByPType | aiProcess_FindDegenerates;

// Sets `importer` up as the viewer reads a model: the OBJ reader alone, and
// points and lines dropped by the sort by primitive type, so that every face
// left is a triangle. Read with viewerImportFlags.
void prepareViewerImporter(Assimp::Importer& importer);
