#include "app/Shutdown.h"

#include "app/AppState.h"
#include "app/Framebuffer.h"
#include "asset/Asset.h"
#include "camera/Camera.h"
#include "textureloader/TextureLoader.h"

void cleanup()
{
    glUseProgram(0);
    for (std::vector<Asset*>* list : {&assets, &assets2, &assets3}) {
        for (Asset* asset : *list) {
            delete asset;
        }
        list->clear();
    }
    delete camera;
    camera = nullptr;
    cow = nullptr;
    for (Texture* texture : textures) {
        delete texture;
    }
    textures.clear();
    releaseFramebuffer();
}
