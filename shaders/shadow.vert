#version 330 core
// Shadow volumes: world-space positions for the geometry shader, and the two
// clip positions every emitted corner of a volume is built from, computed once
// per vertex instead of once per emitted vertex.

in vec3 vertexPosition_modelspace;

uniform mat4 model;
uniform mat4 view;
uniform mat4 projection;
uniform vec3 gLightPos;

out vec3 worldPosition;
// The corner pushed slightly away from the light (front cap, near edge of a
// side), so that lit surfaces never shadow themselves.
out vec4 nearClip;
// The corner projected away from the light to infinity (w = 0: back cap, far
// edge of a side).
out vec4 farClip;

const float capOffset = 0.002;

void main()
{
    worldPosition = (model * vec4(vertexPosition_modelspace, 1.0)).xyz;
    vec3 fromLight = worldPosition - gLightPos;
    float lengthSquared = dot(fromLight, fromLight);
    if (lengthSquared > 0.0) {
        nearClip = projection * view * vec4(worldPosition + fromLight * (inversesqrt(lengthSquared) * capOffset), 1.0);
        farClip = projection * view * vec4(fromLight, 0.0);
    } else {
        // A vertex at the light has no direction away from it: it stays where
        // it is, which is what its corners tend to as it approaches the light
        // (a side through it narrows to a triangle).
        nearClip = projection * view * vec4(worldPosition, 1.0);
        farClip = nearClip;
    }
    gl_Position = vec4(worldPosition, 1.0);
}
