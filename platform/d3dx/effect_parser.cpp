// The effect file reader: a lexer for words, four symbols and R"( )" shader sources, and a
// recursive-free parser over the flat grammar in d3dx9.h. Every error names the line it found.
#include "platform/d3dx/effect_parser.h"

#include <cstdio>
#include <span>

namespace d3dx {

namespace {

enum class TokenKind { kWord, kSymbol, kSource, kEnd };

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string_view text;
  int line = 1;
};

bool IsWordStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsWordPart(char c) {
  return IsWordStart(c) || (c >= '0' && c <= '9');
}

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string Quoted(std::string_view text) {
  std::string quoted(1, '\'');
  quoted.append(text).push_back('\'');
  return quoted;
}

std::string Describe(const Token& token) {
  switch (token.kind) {
    case TokenKind::kEnd:
      return "the end of the file";
    case TokenKind::kSource:
      return "shader source";
    default:
      return Quoted(token.text);
  }
}

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  bool Next(Token* token, ParseError* error) {
    if (!SkipSpaceAndComments(error)) return false;
    token->line = line_;
    if (position_ >= text_.size()) {
      *token = {TokenKind::kEnd, {}, line_};
      return true;
    }
    const char c = text_[position_];
    if (text_.substr(position_, 3) == "R\"(") {
      const std::size_t begin = position_ + 3;
      const std::size_t end = text_.find(")\"", begin);
      if (end == std::string_view::npos) {
        *error = {line_, "shader source opened with R\"( is never closed with )\""};
        return false;
      }
      *token = {TokenKind::kSource, text_.substr(begin, end - begin), line_};
      Consume(end + 2 - position_);
      return true;
    }
    if (IsWordStart(c)) {
      std::size_t end = position_;
      while (end < text_.size() && IsWordPart(text_[end])) ++end;
      *token = {TokenKind::kWord, text_.substr(position_, end - position_), line_};
      position_ = end;
      return true;
    }
    if (c == '{' || c == '}' || c == '=' || c == ';') {
      *token = {TokenKind::kSymbol, text_.substr(position_, 1), line_};
      ++position_;
      return true;
    }
    char shown[48];
    if (c >= 0x21 && c <= 0x7E) {
      std::snprintf(shown, sizeof shown, "unexpected character '%c'", c);
    } else {
      std::snprintf(shown, sizeof shown, "unexpected byte 0x%02X", unsigned(BYTE(c)));
    }
    *error = {line_, shown};
    return false;
  }

 private:
  // Moves on by count characters, counting line breaks: \n, \r\n and a lone \r.
  void Consume(std::size_t count) {
    for (std::size_t end = position_ + count; position_ < end; ++position_) {
      const char c = text_[position_];
      if (c == '\n' ||
          (c == '\r' && (position_ + 1 >= text_.size() || text_[position_ + 1] != '\n'))) {
        ++line_;
      }
    }
  }

  bool SkipSpaceAndComments(ParseError* error) {
    while (position_ < text_.size()) {
      const char c = text_[position_];
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
        Consume(1);
      } else if (text_.substr(position_, 2) == "//") {
        std::size_t end = text_.find_first_of("\r\n", position_);
        Consume((end == std::string_view::npos ? text_.size() : end) - position_);
      } else if (text_.substr(position_, 2) == "/*") {
        const std::size_t end = text_.find("*/", position_ + 2);
        if (end == std::string_view::npos) {
          *error = {line_, "comment opened with /* is never closed"};
          return false;
        }
        Consume(end + 2 - position_);
      } else {
        return true;
      }
    }
    return true;
  }

  std::string_view text_;
  std::size_t position_ = 0;
  int line_ = 1;
};

struct NamedValue {
  const char* name;
  DWORD value;
};

constexpr NamedValue kBooleans[] = {{"TRUE", TRUE}, {"FALSE", FALSE}};
constexpr NamedValue kBlends[] = {
    {"ZERO", D3DBLEND_ZERO},           {"ONE", D3DBLEND_ONE},
    {"SRCCOLOR", D3DBLEND_SRCCOLOR},   {"INVSRCCOLOR", D3DBLEND_INVSRCCOLOR},
    {"SRCALPHA", D3DBLEND_SRCALPHA},   {"INVSRCALPHA", D3DBLEND_INVSRCALPHA},
    {"DESTALPHA", D3DBLEND_DESTALPHA}, {"INVDESTALPHA", D3DBLEND_INVDESTALPHA},
    {"DESTCOLOR", D3DBLEND_DESTCOLOR}, {"INVDESTCOLOR", D3DBLEND_INVDESTCOLOR}};
constexpr NamedValue kCullModes[] = {
    {"NONE", D3DCULL_NONE}, {"CW", D3DCULL_CW}, {"CCW", D3DCULL_CCW}};
constexpr NamedValue kCompares[] = {{"NEVER", D3DCMP_NEVER},
                                    {"LESS", D3DCMP_LESS},
                                    {"EQUAL", D3DCMP_EQUAL},
                                    {"LESSEQUAL", D3DCMP_LESSEQUAL},
                                    {"GREATER", D3DCMP_GREATER},
                                    {"NOTEQUAL", D3DCMP_NOTEQUAL},
                                    {"GREATEREQUAL", D3DCMP_GREATEREQUAL},
                                    {"ALWAYS", D3DCMP_ALWAYS}};
constexpr NamedValue kAddresses[] = {
    {"WRAP", D3DTADDRESS_WRAP}, {"MIRROR", D3DTADDRESS_MIRROR}, {"CLAMP", D3DTADDRESS_CLAMP}};
constexpr NamedValue kFilters[] = {{"POINT", D3DTEXF_POINT}, {"LINEAR", D3DTEXF_LINEAR}};
constexpr NamedValue kMipFilters[] = {
    {"NONE", D3DTEXF_NONE}, {"POINT", D3DTEXF_POINT}, {"LINEAR", D3DTEXF_LINEAR}};

template <class State>
struct StateName {
  const char* name;
  State state;
  std::span<const NamedValue> values;
};

constexpr StateName<D3DRENDERSTATETYPE> kRenderStates[] = {
    {"ZEnable", D3DRS_ZENABLE, kBooleans},
    {"ZWriteEnable", D3DRS_ZWRITEENABLE, kBooleans},
    {"ZFunc", D3DRS_ZFUNC, kCompares},
    {"AlphaBlendEnable", D3DRS_ALPHABLENDENABLE, kBooleans},
    {"SrcBlend", D3DRS_SRCBLEND, kBlends},
    {"DestBlend", D3DRS_DESTBLEND, kBlends},
    {"CullMode", D3DRS_CULLMODE, kCullModes},
    {"Lighting", D3DRS_LIGHTING, kBooleans}};

constexpr StateName<D3DSAMPLERSTATETYPE> kSamplerStates[] = {
    {"AddressU", D3DSAMP_ADDRESSU, kAddresses},
    {"AddressV", D3DSAMP_ADDRESSV, kAddresses},
    {"MagFilter", D3DSAMP_MAGFILTER, kFilters},
    {"MinFilter", D3DSAMP_MINFILTER, kFilters},
    {"MipFilter", D3DSAMP_MIPFILTER, kMipFilters}};

// A shader named by a pass, resolved once the whole file is read.
struct ShaderReference {
  std::size_t technique;
  std::size_t pass;
  bool vertex;
  std::string name;
  int line;
};

class Parser {
 public:
  Parser(std::string_view text, EffectDescription* description, ParseError* error)
      : lexer_(text), description_(*description), error_(*error) {}

  bool Parse() {
    if (!Advance()) return false;
    while (token_.kind != TokenKind::kEnd) {
      if (token_.kind != TokenKind::kWord) {
        return Fail("expected texture, vertexshader, pixelshader or technique, found " +
                    Describe(token_));
      }
      bool parsed = false;
      if (SameWord(token_.text, "texture")) {
        parsed = ParseTexture();
      } else if (SameWord(token_.text, "vertexshader") || SameWord(token_.text, "pixelshader")) {
        parsed = ParseShader();
      } else if (SameWord(token_.text, "technique")) {
        parsed = ParseTechnique();
      } else {
        return Fail("expected texture, vertexshader, pixelshader or technique, found " +
                    Describe(token_));
      }
      if (!parsed) return false;
    }
    if (description_.techniques.empty()) return Fail("the file declares no technique");
    return ResolveShaders();
  }

 private:
  bool Advance() { return lexer_.Next(&token_, &error_); }

  bool Fail(std::string message) {
    error_ = {token_.line, std::move(message)};
    return false;
  }

  bool IsSymbol(char symbol) const {
    return token_.kind == TokenKind::kSymbol && token_.text[0] == symbol;
  }

  bool ExpectSymbol(char symbol) {
    if (!IsSymbol(symbol)) {
      return Fail(std::string("expected '") + symbol + "', found " + Describe(token_));
    }
    return Advance();
  }

  bool ExpectName(const char* what, std::string* name) {
    if (token_.kind != TokenKind::kWord)
      return Fail(std::string("expected ") + what + ", found " + Describe(token_));
    *name = std::string(token_.text);
    nameLine_ = token_.line;
    return Advance();
  }

  bool FailAtName(std::string message) {
    error_ = {nameLine_, std::move(message)};
    return false;
  }

  // An optional ';' after a closing brace, as HLSL effect files often have.
  bool SkipSemicolon() { return !IsSymbol(';') || Advance(); }

  // NAME = VALUE; with NAME from table. Unknown names and values fail, naming the line.
  template <class State>
  bool ParseState(std::span<const StateName<State>> table, const char* kind, State* state,
                  DWORD* value) {
    std::string name;
    if (!ExpectName(kind, &name)) return false;
    const StateName<State>* found = nullptr;
    for (const auto& entry : table) {
      if (SameWord(entry.name, name)) found = &entry;
    }
    if (!found) {
      return FailAtName(std::string("unknown ") + kind + " " + Quoted(name));
    }
    if (!ExpectSymbol('=')) return false;
    if (token_.kind != TokenKind::kWord) return Fail("expected a value, found " + Describe(token_));
    const NamedValue* match = nullptr;
    for (const NamedValue& candidate : found->values) {
      if (SameWord(candidate.name, token_.text)) match = &candidate;
    }
    if (!match) return Fail(Quoted(token_.text) + " is not a value of " + found->name);
    *state = found->state;
    *value = match->value;
    return Advance() && ExpectSymbol(';');
  }

  bool ParseTexture() {
    TextureParameter texture;
    if (!Advance() || !ExpectName("a texture name", &texture.name)) return false;
    for (const TextureParameter& other : description_.textures) {
      if (other.name == texture.name) {
        return FailAtName("texture " + Quoted(texture.name) + " twice");
      }
    }
    if (description_.textures.size() >= D3DMAX_TEXTURE_STAGES) {
      return FailAtName("more than 8 textures");
    }
    if (IsSymbol(';')) {
      description_.textures.push_back(std::move(texture));
      return Advance();
    }
    if (!ExpectSymbol('{')) return false;
    while (!IsSymbol('}')) {
      D3DSAMPLERSTATETYPE state{};
      DWORD value = 0;
      if (!ParseState<D3DSAMPLERSTATETYPE>(kSamplerStates, "sampler state", &state, &value)) {
        return false;
      }
      texture.samplerStates.emplace_back(state, value);
    }
    description_.textures.push_back(std::move(texture));
    return Advance() && SkipSemicolon();
  }

  bool ParseShader() {
    EffectShader shader;
    shader.vertex = SameWord(token_.text, "vertexshader");
    if (!Advance() || !ExpectName("a shader name", &shader.name)) return false;
    for (const EffectShader& other : description_.shaders) {
      if (other.name == shader.name) return FailAtName("shader " + Quoted(shader.name) + " twice");
    }
    if (!ExpectSymbol('=')) return false;
    if (token_.kind != TokenKind::kSource) {
      return Fail("expected shader source in R\"( )\", found " + Describe(token_));
    }
    shader.source = std::string(token_.text);
    shader.line = token_.line;
    description_.shaders.push_back(std::move(shader));
    return Advance() && ExpectSymbol(';');
  }

  bool ParseTechnique() {
    EffectTechnique technique;
    if (!Advance() || !ExpectName("a technique name", &technique.name)) return false;
    for (const EffectTechnique& other : description_.techniques) {
      if (other.name == technique.name) {
        return FailAtName("technique " + Quoted(technique.name) + " twice");
      }
    }
    const int line = token_.line;
    if (!ExpectSymbol('{')) return false;
    description_.techniques.push_back(std::move(technique));
    while (!IsSymbol('}')) {
      if (token_.kind != TokenKind::kWord || !SameWord(token_.text, "pass")) {
        return Fail("expected pass or '}', found " + Describe(token_));
      }
      if (!ParsePass()) return false;
    }
    if (description_.techniques.back().passes.empty()) {
      error_ = {line, "technique " + Quoted(description_.techniques.back().name) + " has no pass"};
      return false;
    }
    return Advance() && SkipSemicolon();
  }

  bool ParsePass() {
    EffectPass pass;
    pass.line = token_.line;
    if (!Advance()) return false;
    if (token_.kind == TokenKind::kWord && !ExpectName("a pass name", &pass.name)) return false;
    if (!ExpectSymbol('{')) return false;
    EffectTechnique& technique = description_.techniques.back();
    bool shaderNamed[2] = {false, false};
    while (!IsSymbol('}')) {
      if (token_.kind == TokenKind::kWord &&
          (SameWord(token_.text, "VertexShader") || SameWord(token_.text, "PixelShader"))) {
        const bool vertex = SameWord(token_.text, "VertexShader");
        const int line = token_.line;
        std::string name;
        if (!Advance() || !ExpectSymbol('=') || !ExpectName("a shader name", &name) ||
            !ExpectSymbol(';')) {
          return false;
        }
        if (shaderNamed[vertex]) {
          error_ = {line, std::string(vertex ? "VertexShader" : "PixelShader") + " set twice"};
          return false;
        }
        shaderNamed[vertex] = true;
        references_.push_back({description_.techniques.size() - 1, technique.passes.size(), vertex,
                               std::move(name), line});
        continue;
      }
      const int line = token_.line;
      D3DRENDERSTATETYPE state{};
      DWORD value = 0;
      if (!ParseState<D3DRENDERSTATETYPE>(kRenderStates, "render state", &state, &value)) {
        return false;
      }
      for (const auto& [other, unused] : pass.renderStates) {
        if (other == state) {
          error_ = {line, "a render state set twice in one pass"};
          return false;
        }
      }
      pass.renderStates.emplace_back(state, value);
    }
    if (!shaderNamed[true] || !shaderNamed[false]) {
      error_ = {pass.line, "a pass needs both a VertexShader and a PixelShader"};
      return false;
    }
    technique.passes.push_back(std::move(pass));
    return Advance() && SkipSemicolon();
  }

  bool ResolveShaders() {
    for (const ShaderReference& reference : references_) {
      const auto& shaders = description_.shaders;
      std::size_t index = 0;
      while (index < shaders.size() && !(shaders[index].name == reference.name &&
                                         shaders[index].vertex == reference.vertex)) {
        ++index;
      }
      if (index == shaders.size()) {
        error_ = {reference.line, std::string("no ") +
                                      (reference.vertex ? "vertexshader" : "pixelshader") +
                                      " named " + Quoted(reference.name)};
        return false;
      }
      EffectPass& pass = description_.techniques[reference.technique].passes[reference.pass];
      (reference.vertex ? pass.vertexShader : pass.pixelShader) = index;
    }
    return true;
  }

  Lexer lexer_;
  Token token_;
  EffectDescription& description_;
  ParseError& error_;
  std::vector<ShaderReference> references_;
  int nameLine_ = 1;
};

}  // namespace

bool ParseEffect(std::string_view text, EffectDescription* description, ParseError* error) {
  *description = {};
  return Parser(text, description, error).Parse();
}

}  // namespace d3dx
