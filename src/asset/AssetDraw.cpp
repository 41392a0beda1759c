#include "app/GLState.h"
#include "asset/Asset.h"

#include <glm/geometric.hpp>
#include <glm/gtc/type_ptr.hpp>

bool Asset::hasMesh() const
{
    return m_vao != 0 && m_numIndices > 0;
}

void Asset::drawAsChild(Asset* child) const
{
    child->m_lit = m_lit;
    child->setProgram(m_program);
    child->draw();
}

void Asset::drawTriangles()
{
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_indexBuffer);
    clearGLErrors();
    glBindVertexArray(m_vao);
    clearGLErrors();
    glDrawElements(GL_TRIANGLES, m_numIndices, GL_UNSIGNED_INT, nullptr);
    clearGLErrors();
}

void Asset::setupAttributes(bool withTangents)
{
    glBindVertexArray(m_vao);
    if (withTangents) {
        pointAttribute(m_program, m_tangentBuffer, "Tangent", 3);
    }
    pointAttribute(m_program, m_positionBuffer, "vertexPosition_modelspace", 3);
    pointAttribute(m_program, m_normalBuffer, "vertexNormals", 3);
    pointAttribute(m_program, m_uvBuffer, "uvs", 2);
}

void Asset::bindColourTexture()
{
    if (!m_textured) {
        return;
    }
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(m_textureUnit));
    clearGLErrors();
    glUniform1i(m_colorTextureLocation, m_textureUnit);
    clearGLErrors();
    glBindTexture(GL_TEXTURE_2D, m_texture);
    clearGLErrors();
}

void Asset::draw()
{
    setUniforms();
    // Without a mesh (vertex array 0) there is nothing to bind or draw, and
    // binding attributes would write into GL's state for no object.
    if (!hasMesh()) {
        return;
    }
    bindColourTexture();
    setupAttributes(false);
    drawTriangles();
}

void Asset::drawNormalMapped()
{
    setUniforms();
    if (!hasMesh()) {
        return;
    }
    // Units 0 and 1 whatever the stored units say: intended, and right for the
    // scene, which loads every colour texture on unit 0 and every normal map on 1.
    if (m_textured) {
        clearGLErrors();
        glUniform1i(glGetUniformLocation(m_program, "colorTexture"), 0);
        glActiveTexture(GL_TEXTURE0);
        clearGLErrors();
        glBindTexture(GL_TEXTURE_2D, m_texture);
        clearGLErrors();
        glUniform1i(glGetUniformLocation(m_program, "gNormalMap"), m_normalMapUnit);
        glActiveTexture(GL_TEXTURE1);
        clearGLErrors();
        glBindTexture(GL_TEXTURE_2D, m_normalMap);
        clearGLErrors();
    }
    setupAttributes(true);
    drawTriangles();
}

void Asset::drawShadowVolume()
{
    setUniforms();
    // Without the adjacency list there is no volume to extrude.
    if (!hasMesh() || m_adjacencyIndexBuffer == 0) {
        return;
    }
    // Nothing in the volume pass reads this texture; binding it, as draw does, is intended and harmless.
    bindColourTexture();
    setupAttributes(false);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_adjacencyIndexBuffer);
    for (const PointLight& light : m_pointLights) {
        const glm::vec3 lPos = light.Position;
        const glm::vec3 selfPos = getPosition();
        if (glm::distance(lPos, selfPos) > shadowLightRange) {
            continue;
        }
        glUniform3fv(glGetUniformLocation(m_program, "gLightPos"), 1, glm::value_ptr(lPos));
        clearGLErrors();
        glBindVertexArray(m_vao);
        clearGLErrors();
        glDrawElements(GL_TRIANGLES_ADJACENCY, 2 * m_numIndices, GL_UNSIGNED_INT, nullptr);
        clearGLErrors();
    }
}
