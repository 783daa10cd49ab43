#pragma once
// The two shader programs of the emulated fixed-function pipeline.
namespace zint::gl {

// Every shader starts so; the defines of a variant follow it.
inline constexpr const char* kShaderVersion = "#version 300 es\n";

// Vertices arrive already transformed to clip space (the matrices live on
// the CPU, so batches may span matrix changes) with their eye-space depth for
// the fog. Each combination of texturing and fog mode is a program of its
// own, compiled with TEXTURED and FOG_MODE defined (0 for no fog, else the
// GL_EXP, GL_EXP2 or GL_LINEAR value): a software renderer runs a shader
// without branches much faster.
inline constexpr const char* kPrimitiveVertexShader = R"(
layout(location = 0) in vec4 clipPosition;
layout(location = 1) in vec4 colour;
layout(location = 2) in vec2 texCoord;
layout(location = 3) in float fogDistance;
out vec4 vColour;
out vec2 vTexCoord;
out float vFogDistance;
void main() {
    gl_Position = clipPosition;
    vColour = colour;
    vTexCoord = texCoord;
    vFogDistance = fogDistance;
}
)";

// Texturing is modulate; fog blends towards its colour by GL's factor.
inline constexpr const char* kPrimitiveFragmentShader = R"(
precision highp float;
in vec4 vColour;
in vec2 vTexCoord;
in float vFogDistance;
uniform sampler2D picture;
uniform vec4 fogColour;
uniform float fogDensity;
uniform float fogStart;
uniform float fogEnd;
out vec4 fragmentColour;
void main() {
    vec4 colour = vColour;
#if TEXTURED
    colour *= texture(picture, vTexCoord);
#endif
#if FOG_MODE == 0x0800
    float f = exp(-fogDensity * vFogDistance);
#elif FOG_MODE == 0x0801
    float f = exp(-(fogDensity * vFogDistance) * (fogDensity * vFogDistance));
#elif FOG_MODE != 0
    float f = (fogEnd - vFogDistance) / (fogEnd - fogStart);
#endif
#if FOG_MODE != 0
    colour.rgb = mix(fogColour.rgb, colour.rgb, clamp(f, 0.0, 1.0));
#endif
    fragmentColour = colour;
}
)";

// A 1-bit glyph over whole pixels: the rectangle's corners are pixel
// corners, and each fragment reads exactly its own bit.
inline constexpr const char* kGlyphVertexShader = R"(
layout(location = 0) in vec2 corner;
uniform ivec2 origin;
uniform ivec2 glyphSize;
uniform ivec2 viewportSize;
uniform float depth;
void main() {
    vec2 pixel = vec2(origin) + corner * vec2(glyphSize);
    gl_Position = vec4(pixel / vec2(viewportSize) * 2.0 - 1.0, depth, 1.0);
}
)";

inline constexpr const char* kGlyphFragmentShader = R"(
precision highp float;
precision highp int;
uniform highp sampler2D glyph;
uniform ivec2 origin;
uniform vec4 rasterColour;
out vec4 fragmentColour;
void main() {
    if (texelFetch(glyph, ivec2(gl_FragCoord.xy) - origin, 0).r < 0.5) discard;
    fragmentColour = rasterColour;
}
)";

}  // namespace zint::gl
