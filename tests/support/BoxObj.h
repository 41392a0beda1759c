#pragma once
#include <glm/vec3.hpp>

#include <string>

// An axis-aligned box from `low` to `high` as OBJ text: quads wound
// counter-clockwise seen from outside, each face with its own normal and full
// texture coordinates (its own vertices, as an exporter writes them).
std::string boxObj(glm::vec3 low, glm::vec3 high);
