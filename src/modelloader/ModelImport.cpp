#include "modelloader/ModelImport.h"

#include <assimp/BaseImporter.h>
#include <assimp/config.h>
#include <assimp/mesh.h>

#include <set>
#include <stdexcept>
#include <string>

// The importer checks its own consistency while it post-processes a file, and
// its build aborts the process when a check fails; a damaged model file can
// trip one (a face list that triangulation miscounts, for example). This
// definition takes the place of the library's handler (the library calls it
// through its exported symbol) and turns the failed check into an import
// error, which ReadFile catches: the model is reported as not imported and
// the viewer goes on.
namespace Assimp {
void aiAssertViolation(const char* failedExpression, const char* file, int line)
{
    throw std::runtime_error(std::string("Internal check failed while importing: ") + failedExpression + " (" +
                             file + ":" + std::to_string(line) + ")");
}
} // namespace Assimp

namespace {

// Removes every reader from `importer` but the Wavefront OBJ one. The
// importer picks its reader from the file name's extension and, when none
// matches, from the content; the viewer's models are OBJ files, and the
// other readers (one of them is known to read out of bounds) must not get a
// file that merely looks like theirs.
void keepOnlyObjReader(Assimp::Importer& importer)
{
    for (size_t i = importer.GetImporterCount(); i-- > 0;) {
        Assimp::BaseImporter* reader = importer.GetImporter(i);
        std::set<std::string> extensions;
        reader->GetExtensionList(extensions);
        if (extensions.count("obj") == 0) {
            // Unregistering hands the reader back to the caller to delete.
            importer.UnregisterLoader(reader);
            delete reader;
        }
    }
}

} // namespace

void prepareViewerImporter(Assimp::Importer& importer)
{
    keepOnlyObjReader(importer);
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
}
