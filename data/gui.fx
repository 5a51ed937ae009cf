// The GUI renderer's effect: textured, vertex-coloured quads given in screen coordinates, blended
// over the frame by their alpha. "GUI" is its only technique; texture_0 is each batch's texture
// (a batch without one reads white, so the vertex colour shows alone).

texture texture_0 {
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
  AddressU = CLAMP;
  AddressV = CLAMP;
}

// Inputs follow the vertex declaration: POSITION float3, TEXCOORD0 float2, COLOR0 float4. x and y
// are already clip coordinates; z keeps Direct3D's meaning (0 near, 1 far) by mapping it onto GL's
// −1..1, so a quad is clipped where Direct3D would clip it.
vertexshader gui_vs = R"(
#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec2 texcoord;
layout(location = 9) in vec4 colour;
out vec2 uv;
out vec4 tint;
void main() {
  gl_Position = vec4(position.xy, 2.0 * position.z - 1.0, 1.0);
  uv = texcoord;
  tint = colour;
}
)";

pixelshader gui_ps = R"(
#version 330 core
uniform sampler2D texture_0;
in vec2 uv;
in vec4 tint;
out vec4 fragment;
void main() {
  fragment = texture(texture_0, uv) * tint;
}
)";

technique GUI {
  pass P0 {
    VertexShader = gui_vs;
    PixelShader = gui_ps;
    AlphaBlendEnable = TRUE;
    SrcBlend = SRCALPHA;
    DestBlend = INVSRCALPHA;
    CullMode = NONE;
    ZEnable = FALSE;
    ZWriteEnable = FALSE;
  }
}
