#pragma once
#include "asset/PointLight.h"
#include "modelloader/Adjacency.h"

#include <GL/glew.h>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <cstdint>
#include <vector>

// One drawable object: a mesh behind a vertex array object, the program it is
// drawn with, optional colour texture and normal map, a model matrix with a
// built-in spin and drift, material constants and three point lights.
//
// Owns its vertex array object and its position, index, normal, texture
// coordinate, tangent and adjacency buffers; assets loaded from one path share
// all of them, and the last of those assets to release the mesh deletes it
// (the model loader keeps count). It does not own its textures or its program.
class Asset {
public:
    struct MeshEntry {
        uint32_t NumIndices = 0;
        uint32_t BaseVertex = 0;
        uint32_t BaseIndex = 0;
        uint32_t MaterialIndex = 0;
    };

    Asset(bool textured, bool normalMapped, GLuint program);
    virtual ~Asset();
    Asset(const Asset&) = delete;
    Asset& operator=(const Asset&) = delete;

    virtual void draw();
    virtual void drawShadowVolume();
    virtual void drawNormalMapped();
    virtual void update(float dt);
    virtual void rotate(float speed, float dt, glm::vec3 axis);
    virtual void translate(float amount, glm::vec3 direction);
    virtual void scale(float factor);

    void init();
    void setUniforms();

    glm::mat4 getModelMatrix() const { return m_model; }
    void setModelMatrix(glm::mat4 model) { m_model = model; }
    glm::vec3 getPosition() const;
    GLuint getProgram() const { return m_program; }
    void setProgram(GLuint program) { m_program = program; }
    int getNumIndices() const { return m_numIndices; }

    void setTexture(const GLuint& texture) { m_texture = texture; }
    void setTextureUnit(int unit) { m_textureUnit = unit; }
    void setNormalMap(const GLuint& normalMap) { m_normalMap = normalMap; }
    void setNormalMapUnit(int unit) { m_normalMapUnit = unit; }
    void setTextured(bool textured) { m_textured = textured; }
    void setRotationSpeed(glm::vec3 speed) { m_rotationSpeed = speed; }
    void setVelocity(glm::vec3 velocity) { m_velocity = velocity; }

    void setPositionBuffer(const GLuint& buffer) { m_positionBuffer = buffer; }
    void setNormalBuffer(const GLuint& buffer) { m_normalBuffer = buffer; }
    void setIndexBuffer(const GLuint& buffer) { m_indexBuffer = buffer; }
    void setUvBuffer(const GLuint& buffer) { m_uvBuffer = buffer; }
    void setVao(const GLuint& vao) { m_vao = vao; }
    void setAdjacencyIndexBuffer(const GLuint& buffer) { m_adjacencyIndexBuffer = buffer; }
    void setTangentBuffer(const GLuint& buffer) { m_tangentBuffer = buffer; }
    void setNumIndices(int numIndices) { m_numIndices = numIndices; }
    // Lets go of the mesh: its GL objects are deleted unless another asset
    // loaded from the same path still draws them. The names become 0.
    void releaseMesh();
    // True when the asset holds any GL name of a mesh.
    bool holdsMesh() const;

    // Read-only views for inspection (tests, tools).
    GLuint getVao() const { return m_vao; }
    GLuint getPositionBuffer() const { return m_positionBuffer; }
    GLuint getNormalBuffer() const { return m_normalBuffer; }
    GLuint getIndexBuffer() const { return m_indexBuffer; }
    GLuint getUvBuffer() const { return m_uvBuffer; }
    GLuint getTangentBuffer() const { return m_tangentBuffer; }
    GLuint getAdjacencyIndexBuffer() const { return m_adjacencyIndexBuffer; }
    GLuint getTexture() const { return m_texture; }
    GLuint getNormalMap() const { return m_normalMap; }
    bool isTextured() const { return m_textured; }
    bool isNormalMapped() const { return m_normalMapping; }
    bool hasAdjacency() const { return m_withAdjacency; }
    float getScale() const { return m_scale; }
    glm::vec3 getVelocity() const { return m_velocity; }
    glm::vec3 getRotationSpeed() const { return m_rotationSpeed; }
    const std::vector<PointLight>& getPointLights() const { return m_pointLights; }

    // Greatest distance between a light and the asset's origin at which the
    // light still casts a shadow volume from this asset.
    static constexpr float shadowLightRange = 10.0f;

    bool m_lit = false;

protected:
    // The attribute set-up shared by the three draws; the tangent stream is
    // only pointed for the normal-mapped draw.
    void setupAttributes(bool withTangents);
    void bindColourTexture();
    // The plain index list drawn as triangles, shared by draw and drawNormalMapped.
    void drawTriangles();
    // True when there is a mesh to draw.
    bool hasMesh() const;
    // Draws a child in this asset's pass: the frame loop sets the pass's
    // program and lit flag only on the assets it walks, not on their children.
    void drawAsChild(Asset* child) const;

    bool m_initialised = false;
    float m_lightPower = 1.0f;
    std::vector<PointLight> m_pointLights;
    GLuint m_positionBuffer = 0;
    GLuint m_normalBuffer = 0;
    GLuint m_indexBuffer = 0;
    GLuint m_uvBuffer = 0;
    GLuint m_vao = 0;
    GLuint m_program = 0;
    GLuint m_texture = 0;
    GLuint m_normalMap = 0;
    GLuint m_adjacencyIndexBuffer = 0;
    GLuint m_tangentBuffer = 0;
    int m_numIndices = 0;
    int m_textureUnit = 0;
    int m_normalMapUnit = 0;
    glm::mat4 m_model = glm::mat4(1.0f);
    bool m_textured = false;
    bool m_normalMapping = false;
    float m_scale = 1.0f;
    glm::vec3 m_velocity = glm::vec3(0.0f);
    glm::vec3 m_rotationSpeed = glm::vec3(0.0f);
    float m_shininess = 1.0f;

    GLint m_modelLocation = -1;
    GLint m_viewLocation = -1;
    GLint m_projectionLocation = -1;
    GLint m_lightPowerLocation = -1;
    GLint m_modeLocation = -1;
    GLint m_screenResolutionLocation = -1;
    GLint m_eyeWorldPosLocation = -1;
    GLint m_shininessLocation = -1;
    GLint m_colorTextureLocation = -1;

    void lookUpUniformLocations();

public:
    // Filled by the model import and the adjacency builder. No draw reads
    // m_Entries or m_materialIndices (each draw covers every mesh at once):
    // they record the imported file, as intended.
    std::vector<MeshEntry> m_Entries;
    std::vector<unsigned int> m_materialIndices;
    EdgeMap m_indexMap;
    PositionMap m_posMap;
    std::vector<Face> m_uniqueFaces;
    bool m_withAdjacency = false;
};
