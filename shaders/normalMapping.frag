#version 330 core
// The lighting of BasicLighting.frag with the surface normal read from the
// tangent-space normal map "gNormalMap" (RGB = n * 0.5 + 0.5, blue along the
// surface normal, green along increasing v) through the frame built from
// "vertexNormals" and "Tangent", with the bitangent cross(N, T).

const int MAX_POINT_LIGHTS = 3;

struct BaseLight {
    vec3 Color;
    float AmbientIntensity;
    float DiffuseIntensity;
};

struct Attenuation {
    float Constant;
    float Linear;
    float Exp;
};

struct PointLight {
    BaseLight Base;
    vec3 Position;
    Attenuation Atten;
};

in vec3 worldPosition;
in vec3 worldNormal;
in vec3 worldTangent;
in vec2 textureCoordinates;

uniform PointLight gPointLights[MAX_POINT_LIGHTS];
uniform int numPointLights;
uniform vec3 gEyeWorldPos;
uniform float gMatSpecularIntensity;
uniform float gSpecularPower;
uniform vec3 AmbientColor;
uniform float AmbientIntensity;
uniform float lightPower;
uniform int mode;
uniform sampler2D colorTexture;
uniform sampler2D gNormalMap;

out vec4 fragColor;

vec3 pointLightContribution(PointLight light, vec3 normal, vec3 surfaceColour)
{
    vec3 fromLight = worldPosition - light.Position;
    float distance = length(fromLight);
    fromLight /= max(distance, 1e-6);

    vec3 colour = light.Base.Color * light.Base.AmbientIntensity * surfaceColour;
    float diffuseFactor = dot(normal, -fromLight);
    if (diffuseFactor > 0.0) {
        colour += light.Base.Color * light.Base.DiffuseIntensity * diffuseFactor * surfaceColour;
        vec3 toEye = normalize(gEyeWorldPos - worldPosition);
        vec3 reflected = reflect(fromLight, normal);
        float specularFactor = max(dot(toEye, reflected), 0.0);
        colour += light.Base.Color * gMatSpecularIntensity * light.Base.DiffuseIntensity *
                  pow(specularFactor, gSpecularPower) * 0.5;
    }
    float attenuation = light.Atten.Constant + light.Atten.Linear * distance +
                        light.Atten.Exp * distance * distance;
    return colour / max(attenuation, 1e-6);
}

void main()
{
    vec3 surfaceColour = mode == 0 ? texture(colorTexture, textureCoordinates).rgb : vec3(0.7);
    vec3 normal = normalize(worldNormal);
    // A zero tangent (a mesh without texture coordinates) keeps the vertex normal.
    vec3 tangent = worldTangent - dot(worldTangent, normal) * normal;
    if (dot(tangent, tangent) > 1e-12) {
        tangent = normalize(tangent);
        vec3 bitangent = cross(normal, tangent);
        vec3 mapped = texture(gNormalMap, textureCoordinates).rgb * 2.0 - 1.0;
        normal = normalize(mat3(tangent, bitangent, normal) * mapped);
    }
    vec3 colour = AmbientColor * AmbientIntensity * surfaceColour;
    for (int i = 0; i < MAX_POINT_LIGHTS; ++i) {
        if (i < numPointLights) {
            colour += pointLightContribution(gPointLights[i], normal, surfaceColour);
        }
    }
    fragColor = vec4(colour * lightPower, 1.0);
}
