// A cut-down GUI effect.
texture texture_0 { MinFilter = LINEAR; MagFilter = POINT; AddressU = CLAMP; AddressV = WRAP; }
texture spare;
vertexshader vs = R"(#version 330 core
layout(location = 0) in vec3 position;
void main() { gl_Position = vec4(position, 1.0); }
)";
pixelshader ps = R"(#version 330 core
uniform sampler2D texture_0;
out vec4 colour;
void main() { colour = texture(texture_0, vec2(0.5)); }
)";
/* two techniques, the first runs */
technique GUI {
  pass P0 { VertexShader = vs; PixelShader = qs; AlphaBlendEnable = TRUE; SrcBlend = SRCALPHA;
            DestBlend = INVSRCALPHA; ZEnable = FALSE; ZWriteEnable = false; CullMode = NONE; }
  pass { VertexShader = vs; PixelShader = ps; ZFunc = LESSEQUAL; Lighting = FALSE; }
}
technique Other { pass P0 { VertexShader = vs; PixelShader = ps; MipFilter = NONE; } }
