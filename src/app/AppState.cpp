#include "app/AppState.h"

// Constructed in this order before main and destroyed in reverse at exit: the
// shader loaders delete their GL objects while the window's context still
// exists, and the window terminates GLFW after them.
std::vector<Asset*> assets;
std::vector<Asset*> assets2;
std::vector<Asset*> assets3;
std::vector<Texture*> textures;
Window appWindow(1024, 768);
ShaderLoader basicLightingShader;
static ShaderLoader spareShaderA; // never filled
ShaderLoader shadowShader;
ShaderLoader ambientShader;
ShaderLoader normalMappingShader;
static ShaderLoader spareShaderB; // never filled

Asset* cow = nullptr;
Camera* camera = nullptr;
GLuint fbo = 0;
GLuint depthBuffer = 0;
