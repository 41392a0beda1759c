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

// Sums the lights' contributions, split into the part the surface colour
// multiplies (ambient and diffuse) and the specular part. Per light:
// Color * (Ambient * surface + [lit] * Diffuse * (n.l * surface +
// SpecularIntensity * 0.5 * (r.v)^SpecularPower)) / attenuation, with r the
// reflected light ray; r.v = 2 (n.l)(n.v) - l.v, so r itself is never formed.
// Selects instead of branches: llvmpipe runs both sides of a branch that
// varies per fragment anyway.
void sumPointLights(vec3 normal, out vec3 diffuse, out vec3 specular)
{
    vec3 toEye = normalize(gEyeWorldPos - worldPosition);
    float nDotV = dot(normal, toEye);
    float specularScale = gMatSpecularIntensity * 0.5;
    diffuse = vec3(0.0);
    specular = vec3(0.0);
    for (int i = 0; i < MAX_POINT_LIGHTS; ++i) {
        if (i < numPointLights) {
            vec3 toLight = gPointLights[i].Position - worldPosition;
            float distanceSquared = dot(toLight, toLight);
            float inverseDistance = inversesqrt(max(distanceSquared, 1e-12));
            float distance = distanceSquared * inverseDistance;
            toLight *= inverseDistance;
            float nDotL = dot(normal, toLight);
            bool lit = nDotL > 0.0;
            float rDotV = max(2.0 * nDotL * nDotV - dot(toLight, toEye), 0.0);
            float shine = lit ? pow(rDotV, gSpecularPower) * specularScale : 0.0;
            Attenuation atten = gPointLights[i].Atten;
            float attenuation = atten.Constant + (atten.Linear + atten.Exp * distance) * distance;
            float inverseAttenuation = 1.0 / max(attenuation, 1e-6);
            float diffuseIntensity = gPointLights[i].Base.DiffuseIntensity * inverseAttenuation;
            float ambientIntensity = gPointLights[i].Base.AmbientIntensity * inverseAttenuation;
            vec3 colour = gPointLights[i].Base.Color;
            diffuse += colour * (ambientIntensity + diffuseIntensity * max(nDotL, 0.0));
            specular += colour * (diffuseIntensity * shine);
        }
    }
}

// The normal read from "gNormalMap" in the frame of the interpolated normal
// and tangent. The map is sampled before any choice that varies per fragment,
// so that its mip level comes from well-defined derivatives. A zero tangent
// (a mesh without texture coordinates) keeps the vertex normal.
vec3 mappedNormal()
{
    vec3 mapped = texture(gNormalMap, textureCoordinates).rgb * 2.0 - 1.0;
    vec3 normal = normalize(worldNormal);
    vec3 tangent = worldTangent - dot(worldTangent, normal) * normal;
    float tangentSquared = dot(tangent, tangent);
    tangent *= inversesqrt(max(tangentSquared, 1e-12));
    vec3 bitangent = cross(normal, tangent);
    vec3 bent = normalize(tangent * mapped.x + bitangent * mapped.y + normal * mapped.z);
    return tangentSquared > 1e-12 ? bent : normal;
}

void main()
{
    vec3 surfaceColour = mode == 0 ? texture(colorTexture, textureCoordinates).rgb : vec3(0.7);
    vec3 diffuse;
    vec3 specular;
    sumPointLights(mappedNormal(), diffuse, specular);
    vec3 colour = (AmbientColor * AmbientIntensity + diffuse) * surfaceColour + specular;
    fragColor = vec4(colour * lightPower, 1.0);
}
