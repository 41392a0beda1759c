// Builders for every model of the scene.
#pragma once

#include "Mesh.h"

namespace gen {

Mesh buildLionStanding(); // models/Lion.obj
Mesh buildLionLying(); // models/Lion2.obj
Mesh buildCow(); // models/cow2.obj
Mesh buildCrate(double halfSize); // box, box2, box3
Mesh buildStation(); // models/spaceship.obj

// Texture atlas layout shared by the lion models and Lion_Albido.jpg.
enum LionPart { LionBody = 0, LionMane = 1, LionFace = 2, LionDark = 3, LionMuzzle = 4 };
// Atlas layout shared by the cow model and cow_texture.jpg.
enum CowPart { CowHide = 0, CowPink = 1, CowHorn = 2, CowDark = 3 };

struct UvRect {
    double u0, v0, u1, v1;
};
UvRect lionRegion(int part);

// Box projection chosen per triangle by its dominant normal axis n. The
// in-plane axes (a, b) are picked so that cross(dP/da, dP/db) points along n:
// the mapping is never mirrored, whatever the orientation of the triangle.
void projectNonMirrored(const Vec3& p, const Vec3& n, double& a, double& b);
UvRect cowRegion(int part);
// The cow's hide region of cow_texture.jpg maps to the model's side (z, y)
// before the model is centred and scaled: the model point behind atlas (u, v),
// and whether the hide is painted dark there (hooves, eyes, the tail's tuft).
void cowHidePoint(double u, double v, double& z, double& y);
bool cowDarkAt(double z, double y);

} // namespace gen
