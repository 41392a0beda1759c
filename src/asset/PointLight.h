#pragma once
#include <glm/vec3.hpp>

// One point light as the lighting shaders see it: the Base group, a
// world-space position and the attenuation group. Plain data, 11 floats.
class PointLight {
public:
    PointLight();

    glm::vec3 getColor() const { return Color; }
    float getAmbientIntensity() const { return AmbientIntensity; }
    float getDiffuseIntensity() const { return DiffuseIntensity; }
    glm::vec3 getPosition() const { return Position; }
    float getConstant() const { return Constant; }
    float getLinear() const { return Linear; }
    float getExp() const { return Exp; }

    void setColor(glm::vec3 color) { Color = color; }
    void setAmbientIntensity(float intensity) { AmbientIntensity = intensity; }
    void setDiffuseIntensity(float intensity) { DiffuseIntensity = intensity; }
    void setPosition(glm::vec3 position) { Position = position; }
    void setConstant(float constant) { Constant = constant; }
    void setLinear(float linear) { Linear = linear; }
    void setExp(float exp) { Exp = exp; }

    glm::vec3 Color;
    float AmbientIntensity;
    float DiffuseIntensity;
    glm::vec3 Position;
    float Constant;
    float Linear;
    float Exp;
};

static_assert(sizeof(PointLight) == 11 * sizeof(float), "PointLight is eleven packed floats");

// The three lights every asset carries, in list order.
PointLight makeSceneLight(int index);
