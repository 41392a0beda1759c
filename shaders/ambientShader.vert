#version 330 core
// Depth pre-pass. The clip position is computed by the same expression as in
// the lit programs, and declared invariant, so that their GL_EQUAL depth test
// matches the depth laid down here exactly.

in vec3 vertexPosition_modelspace;

uniform mat4 model;
uniform mat4 view;
uniform mat4 projection;

invariant gl_Position;

void main()
{
    gl_Position = projection * view * model * vec4(vertexPosition_modelspace, 1.0);
}
