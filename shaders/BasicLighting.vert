#version 330 core

in vec3 vertexPosition_modelspace;
in vec3 vertexNormals;
in vec2 uvs;

uniform mat4 model;
uniform mat4 view;
uniform mat4 projection;

invariant gl_Position;

out vec3 worldPosition;
out vec3 worldNormal;
out vec2 textureCoordinates;

void main()
{
    gl_Position = projection * view * model * vec4(vertexPosition_modelspace, 1.0);
    worldPosition = (model * vec4(vertexPosition_modelspace, 1.0)).xyz;
    // Assets are scaled uniformly, so the model matrix turns normals correctly.
    worldNormal = mat3(model) * vertexNormals;
    textureCoordinates = uvs;
}
