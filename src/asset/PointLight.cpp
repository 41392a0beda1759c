#include "asset/PointLight.h"

PointLight::PointLight()
    : Color(0.0f), AmbientIntensity(0.0f), DiffuseIntensity(0.0f), Position(0.0f), Constant(0.0f), Linear(0.0f),
      Exp(0.0f)
{
}

PointLight makeSceneLight(int index)
{
    struct Values {
        float z;
        float linear;
        float exp;
    };
    static const Values table[3] = {{0.0f, 0.2f, 0.1f}, {-5.0f, 1.0f, 1.0f}, {-10.0f, 1.0f, 5.0f}};
    const Values& v = table[index];
    PointLight light;
    light.setColor(glm::vec3(1.0f, 1.0f, 1.0f));
    // Every upload replaces the two intensities by the pass's own (setUniforms),
    // so these two never reach a program: intended and harmless.
    light.setAmbientIntensity(0.5f);
    light.setDiffuseIntensity(0.9f);
    light.setPosition(glm::vec3(0.0f, 0.9f, v.z));
    light.setConstant(1.0f);
    light.setLinear(v.linear);
    light.setExp(v.exp);
    return light;
}
