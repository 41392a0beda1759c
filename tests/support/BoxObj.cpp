#include "support/BoxObj.h"

#include <glm/geometric.hpp>

#include <algorithm>
#include <array>
#include <sstream>

std::string boxObj(glm::vec3 low, glm::vec3 high)
{
    std::ostringstream obj;
    const glm::vec3 corners[8] = {
        {low.x, low.y, low.z},  {high.x, low.y, low.z},  {high.x, high.y, low.z},  {low.x, high.y, low.z},
        {low.x, low.y, high.z}, {high.x, low.y, high.z}, {high.x, high.y, high.z}, {low.x, high.y, high.z},
    };
    for (const glm::vec3& c : corners) {
        obj << "v " << c.x << " " << c.y << " " << c.z << "\n";
    }
    obj << "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n";
    struct Face {
        std::array<int, 4> corners;
        glm::vec3 normal;
    };
    const Face faces[6] = {
        {{0, 3, 2, 1}, {0, 0, -1}}, {{4, 5, 6, 7}, {0, 0, 1}},  {{0, 4, 7, 3}, {-1, 0, 0}},
        {{1, 2, 6, 5}, {1, 0, 0}},  {{0, 1, 5, 4}, {0, -1, 0}}, {{3, 7, 6, 2}, {0, 1, 0}},
    };
    for (int f = 0; f < 6; ++f) {
        const glm::vec3& n = faces[f].normal;
        obj << "vn " << n.x << " " << n.y << " " << n.z << "\n";
    }
    for (int f = 0; f < 6; ++f) {
        std::array<int, 4> order = faces[f].corners;
        const glm::vec3 a = corners[order[0]];
        const glm::vec3 b = corners[order[1]];
        const glm::vec3 c = corners[order[2]];
        if (glm::dot(glm::cross(b - a, c - a), faces[f].normal) < 0.0f) {
            std::reverse(order.begin(), order.end());
        }
        obj << "f";
        for (int k = 0; k < 4; ++k) {
            obj << " " << order[k] + 1 << "/" << k + 1 << "/" << f + 1;
        }
        obj << "\n";
    }
    return obj.str();
}
