// Procedural images for the scene. Every function returns the finished image;
// normal maps are tangent space with +green towards increasing v.
#pragma once

#include "Image.h"

namespace gen {

Image makeMetalCrate(); // metal02.jpg
Image makeMetalCrateNormals(); // metal02n.jpg
Image makeBrick(); // brick01.jpg
Image makeBrickNormals(); // brick01n.jpg
Image makeScratchedMetal(); // Metal_Scratch.jpg
Image makeCowHide(); // cow_texture.jpg
Image makeLionAlbedo(); // Lion_Albido.jpg
Image makeLionNormals(); // Lion_normals.jpg
Image makeTestPattern(); // test.png (with transparent areas)
Image makeLunarSurface(); // Lunar Target.jpg

// Converts a height field (row 0 = bottom, wrapping at the edges) into a
// tangent-space normal map. A bump's top edge gets a normal tilted to +green.
Image heightToNormals(const std::vector<double>& height, int w, int h, double strength);

} // namespace gen
