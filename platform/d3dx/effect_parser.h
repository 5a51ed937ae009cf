// Reads our effect file format (described in d3dx9.h) into a plain description; no device is
// involved. Internal to platform/d3dx.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/d3d9/d3d9.h"

namespace d3dx {

struct TextureParameter {
  std::string name;
  std::vector<std::pair<D3DSAMPLERSTATETYPE, DWORD>> samplerStates;
};

struct EffectPass {
  std::string name;              // may be empty
  int line = 0;                  // where the pass begins
  std::size_t vertexShader = 0;  // indices into EffectDescription::shaders
  std::size_t pixelShader = 0;
  std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> renderStates;
};

struct EffectTechnique {
  std::string name;
  std::vector<EffectPass> passes;
};

struct EffectShader {
  std::string name;
  bool vertex = false;
  std::string source;
  int line = 0;  // where the source begins: the line of its R"(, the compiler's line 1
};

struct EffectDescription {
  std::vector<TextureParameter> textures;  // texture stage = index
  std::vector<EffectShader> shaders;
  std::vector<EffectTechnique> techniques;
};

struct ParseError {
  int line = 0;
  std::string message;
};

// Parses a whole file. Never reads past the text, and takes time linear in its length.
bool ParseEffect(std::string_view text, EffectDescription* description, ParseError* error);

}  // namespace d3dx
