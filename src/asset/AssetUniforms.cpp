#include "app/AppState.h"
#include "app/GLState.h"
#include "asset/Asset.h"
#include "camera/CameraState.h"

#include <glm/gtc/type_ptr.hpp>

#include <cstdio>

namespace {

// The per-light uniform names, in upload order.
const char* const lightNameFormats[7] = {
    "gPointLights[%d].Base.Color",
    "gPointLights[%d].Base.AmbientIntensity",
    "gPointLights[%d].Base.DiffuseIntensity",
    "gPointLights[%d].Position",
    "gPointLights[%d].Atten.Constant",
    "gPointLights[%d].Atten.Linear",
    "gPointLights[%d].Atten.Exp",
};

} // namespace

void Asset::setUniforms()
{
    const glm::vec3 cameraPosition = getCameraPosition();
    const glm::vec3 ambientLight(0.0f, 0.0f, 0.0f);
    const int mode = (m_textured && m_texture != 0) ? 0 : 2;

    lookUpUniformLocations();

    const glm::mat4 view = getViewMatrix();
    const glm::mat4 projection = getProjectionMatrix();
    glUniformMatrix4fv(m_modelLocation, 1, GL_FALSE, glm::value_ptr(m_model));
    glUniformMatrix4fv(m_viewLocation, 1, GL_FALSE, glm::value_ptr(view));
    glUniformMatrix4fv(m_projectionLocation, 1, GL_FALSE, glm::value_ptr(projection));
    glUniform3fv(m_eyeWorldPosLocation, 1, glm::value_ptr(cameraPosition));

    const GLint numLightsLocation = glGetUniformLocation(m_program, "numPointLights");
    if (m_lit) {
        glUniform1i(numLightsLocation, static_cast<GLint>(m_pointLights.size()));
        for (PointLight& light : m_pointLights) {
            light.setAmbientIntensity(0.0f);
            light.setDiffuseIntensity(0.8f);
        }
    } else {
        // The unlit passes (depth, volumes) write no colour, so these never show.
        glUniform1i(numLightsLocation, 0);
        for (PointLight& light : m_pointLights) {
            light.setAmbientIntensity(0.2f);
            light.setDiffuseIntensity(0.0f);
        }
    }

    glUniform1f(glGetUniformLocation(m_program, "gMatSpecularIntensity"), 1.0f);
    glUniform1f(glGetUniformLocation(m_program, "gSpecularPower"), 20.2f);
    glUniform3fv(glGetUniformLocation(m_program, "AmbientColor"), 1, glm::value_ptr(ambientLight));
    glUniform1f(glGetUniformLocation(m_program, "AmbientIntensity"), 0.0f);

    char name[128];
    for (size_t i = 0; i < m_pointLights.size(); ++i) {
        const PointLight& light = m_pointLights[i];
        // The location of field `field` of this light's uniform.
        const auto location = [&](int field) {
            std::snprintf(name, sizeof(name), lightNameFormats[field], static_cast<int>(i));
            return glGetUniformLocation(m_program, name);
        };
        glUniform3fv(location(0), 1, glm::value_ptr(light.Color));
        glUniform1f(location(1), light.AmbientIntensity);
        glUniform1f(location(2), light.DiffuseIntensity);
        glUniform3fv(location(3), 1, glm::value_ptr(light.Position));
        glUniform1f(location(4), light.Constant);
        glUniform1f(location(5), light.Linear);
        glUniform1f(location(6), light.Exp);
    }

    glUniform1f(m_shininessLocation, m_shininess);
    glUniform1f(m_lightPowerLocation, m_lightPower);
    const glm::vec2 resolution(static_cast<float>(appWindow.getWidth()),
                               static_cast<float>(appWindow.getHeight()));
    glUniform2fv(m_screenResolutionLocation, 1, glm::value_ptr(resolution));
    glUniform1i(m_modeLocation, mode);
    clearGLErrors();
}
