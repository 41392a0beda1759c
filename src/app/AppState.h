#pragma once
// The application's module-level state, shared by its phases (scene setup,
// frame loop, framebuffer, shutdown).
#include "app/Window.h"
#include "shaderloader/ShaderLoader.h"

#include <GL/glew.h>

#include <vector>

class Asset;
class Camera;
class Texture;

// The scene lists hold plain pointers; the shutdown deletes what they point to.
extern std::vector<Asset*> assets;
extern std::vector<Asset*> assets2;
extern std::vector<Asset*> assets3;
extern std::vector<Texture*> textures;
extern Window appWindow;
extern ShaderLoader basicLightingShader;
extern ShaderLoader shadowShader;
extern ShaderLoader ambientShader;
extern ShaderLoader normalMappingShader;
extern Asset* cow;
extern Camera* camera;
// The off-screen framebuffer and its depth-stencil renderbuffer (0: none);
// created by createFramebuffer, deleted by cleanup.
extern GLuint fbo;
extern GLuint depthBuffer;
