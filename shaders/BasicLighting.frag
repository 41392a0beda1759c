#version 330 core
// Point lights with attenuation Constant + Linear*d + Exp*d^2, diffuse and
// specular; "mode" 0 takes the surface colour from "colorTexture", 2 uses a
// plain grey.

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
    vec3 colour = AmbientColor * AmbientIntensity * surfaceColour;
    for (int i = 0; i < MAX_POINT_LIGHTS; ++i) {
        if (i < numPointLights) {
            colour += pointLightContribution(gPointLights[i], normal, surfaceColour);
        }
    }
    fragColor = vec4(colour * lightPower, 1.0);
}
