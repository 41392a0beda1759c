#include "asset/Asset.h"

#include "app/Console.h"
#include "modelloader/ModelLoader.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/trigonometric.hpp>

Asset::Asset(bool textured, bool normalMapped, GLuint program)
    : m_program(program), m_textured(textured), m_normalMapping(normalMapped)
{
    init();
}

Asset::~Asset()
{
    printLine("Asset Destructor");
    releaseMesh();
}

void Asset::releaseMesh()
{
    // Assets loaded from one path share one mesh; the last of them to let go
    // deletes it, so a survivor never draws deleted (or reissued) names.
    if (!ModelLoader::release(this)) {
        glDeleteBuffers(1, &m_positionBuffer);
        glDeleteBuffers(1, &m_indexBuffer);
        glDeleteBuffers(1, &m_normalBuffer);
        glDeleteBuffers(1, &m_uvBuffer);
        glDeleteVertexArrays(1, &m_vao);
        glDeleteBuffers(1, &m_tangentBuffer);
        glDeleteBuffers(1, &m_adjacencyIndexBuffer);
    }
    m_positionBuffer = m_indexBuffer = m_normalBuffer = m_uvBuffer = m_vao = 0;
    m_tangentBuffer = m_adjacencyIndexBuffer = 0;
    m_numIndices = 0;
}

bool Asset::holdsMesh() const
{
    return m_vao != 0 || m_positionBuffer != 0 || m_normalBuffer != 0 || m_indexBuffer != 0 || m_uvBuffer != 0 ||
           m_tangentBuffer != 0 || m_adjacencyIndexBuffer != 0;
}

void Asset::init()
{
    if (m_initialised) {
        return;
    }
    m_rotationSpeed = glm::vec3(0.0f);
    m_velocity = glm::vec3(0.0f);
    m_scale = 1.0f;
    m_shininess = 1.0f;
    lookUpUniformLocations();
    m_pointLights.assign(3, PointLight());
    for (int i = 0; i < 3; ++i) {
        m_pointLights[static_cast<size_t>(i)] = makeSceneLight(i);
    }
    m_initialised = true;
}

void Asset::lookUpUniformLocations()
{
    m_modelLocation = glGetUniformLocation(m_program, "model");
    m_viewLocation = glGetUniformLocation(m_program, "view");
    m_projectionLocation = glGetUniformLocation(m_program, "projection");
    m_lightPowerLocation = glGetUniformLocation(m_program, "lightPower");
    m_screenResolutionLocation = glGetUniformLocation(m_program, "screenResolution");
    m_eyeWorldPosLocation = glGetUniformLocation(m_program, "gEyeWorldPos");
    m_shininessLocation = glGetUniformLocation(m_program, "material_shininess");
    m_modeLocation = glGetUniformLocation(m_program, "mode");
    m_colorTextureLocation = glGetUniformLocation(m_program, "colorTexture");
}

void Asset::update(float dt)
{
    // (dt, speed) into rotate(speed, dt): intended, and harmless, as the turn is their product.
    rotate(dt, m_rotationSpeed.x, glm::vec3(1.0f, 0.0f, 0.0f));
    rotate(dt, m_rotationSpeed.y, glm::vec3(0.0f, 1.0f, 0.0f));
    rotate(dt, m_rotationSpeed.z, glm::vec3(0.0f, 0.0f, 1.0f));
    translate(dt, m_velocity);
}

void Asset::rotate(float speed, float dt, glm::vec3 axis)
{
    const float degrees = speed * dt;
    m_model = glm::rotate(m_model, glm::radians(degrees), glm::normalize(axis));
}

void Asset::translate(float amount, glm::vec3 direction)
{
    m_model = glm::translate(m_model, direction * amount);
}

void Asset::scale(float factor)
{
    // Scales by the new running product, so a second call compounds (f, then g:
    // f * f * g). Intended; the scene scales each asset once, where the two agree.
    m_scale = m_scale * factor;
    m_model = m_model * glm::scale(glm::mat4(1.0f), glm::vec3(m_scale, m_scale, m_scale));
}

glm::vec3 Asset::getPosition() const
{
    return glm::vec3(m_model[3][0], m_model[3][1], m_model[3][2]);
}
