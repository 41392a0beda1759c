#version 330 core
// Shadow volumes: world-space positions for the geometry shader.

in vec3 vertexPosition_modelspace;

uniform mat4 model;

out vec3 worldPosition;

void main()
{
    worldPosition = (model * vec4(vertexPosition_modelspace, 1.0)).xyz;
    gl_Position = vec4(worldPosition, 1.0);
}
