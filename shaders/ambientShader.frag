#version 330 core
// Only depth matters in this pass: the draw buffer is GL_NONE.

out vec4 fragColor;

void main()
{
    fragColor = vec4(0.0, 0.0, 0.0, 1.0);
}
