#include "app/AppState.h"
#include "app/GLHelpers.h"
#include "asset/Asset.h"
#include "camera/Camera.h"

#include <glm/gtc/type_ptr.hpp>

#include <cstdio>

namespace {

// The per-light uniform names, in upload order.
const char* const lightNameFormats[7] = {
    "gPointLights[%d].Base.Color",       "gPointLights[%d].Base.AmbientIntensity",
    "gPointLights[%d].Base.DiffuseIntensity", "gPointLights[%d].Position",
    "gPointLights[%d].Atten.Constant",   "gPointLights[%d].Atten.Linear",
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
        const int index = static_cast<int>(i);
        std::snprintf(name, sizeof(name), lightNameFormats[0], index);
        glUniform3fv(glGetUniformLocation(m_program, name), 1, glm::value_ptr(light.Color));
        std::snprintf(name, sizeof(name), lightNameFormats[1], index);
        glUniform1f(glGetUniformLocation(m_program, name), light.AmbientIntensity);
        std::snprintf(name, sizeof(name), lightNameFormats[2], index);
        glUniform1f(glGetUniformLocation(m_program, name), light.DiffuseIntensity);
        std::snprintf(name, sizeof(name), lightNameFormats[3], index);
        glUniform3fv(glGetUniformLocation(m_program, name), 1, glm::value_ptr(light.Position));
        std::snprintf(name, sizeof(name), lightNameFormats[4], index);
        glUniform1f(glGetUniformLocation(m_program, name), light.Constant);
        std::snprintf(name, sizeof(name), lightNameFormats[5], index);
        glUniform1f(glGetUniformLocation(m_program, name), light.Linear);
        std::snprintf(name, sizeof(name), lightNameFormats[6], index);
        glUniform1f(glGetUniformLocation(m_program, name), light.Exp);
    }

    glUniform1f(m_shininessLocation, m_shininess);
    glUniform1f(m_lightPowerLocation, m_lightPower);
    const glm::vec2 resolution(static_cast<float>(appWindow.getWidth()),
                               static_cast<float>(appWindow.getHeight()));
    glUniform2fv(m_screenResolutionLocation, 1, glm::value_ptr(resolution));
    glUniform1i(m_modeLocation, mode);
    clearGLErrors();
}
