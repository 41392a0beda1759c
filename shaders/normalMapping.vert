#version 330 core

in vec3 vertexPosition_modelspace;
in vec3 vertexNormals;
in vec2 uvs;
in vec3 Tangent;

uniform mat4 model;
uniform mat4 view;
uniform mat4 projection;

invariant gl_Position;

out vec3 worldPosition;
out vec3 worldNormal;
out vec3 worldTangent;
out vec2 textureCoordinates;

void main()
{
    gl_Position = projection * view * model * vec4(vertexPosition_modelspace, 1.0);
    worldPosition = (model * vec4(vertexPosition_modelspace, 1.0)).xyz;
    worldNormal = mat3(model) * vertexNormals;
    worldTangent = mat3(model) * Tangent;
    textureCoordinates = uvs;
}
