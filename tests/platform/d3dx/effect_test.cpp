// Effects on the recording device: techniques, what a pass sets and End restores, texture
// parameters, the errors a malformed file reports (with its line), and hostile input.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "platform/d3d9/recording_device.h"
#include "platform/d3dx/d3dx9.h"

namespace {

// Ends with the closing brace, so every shorter prefix is incomplete.
// Two techniques, so that a prefix ending after the first one is a valid file too.
const std::string kValidEffect = R"fx(// two techniques, two textures
texture texture_0 { MinFilter = LINEAR; AddressU = CLAMP; }
texture mask;
vertexshader vs = R"(void main() { /* vertex */ })";
pixelshader ps = R"(void main() {})";
/* the technique Begin runs */
technique First {
  pass P0 {
    VertexShader = vs; PixelShader = ps;
    AlphaBlendEnable = TRUE; SrcBlend = SRCALPHA; destblend = invsrcalpha;
  }
  pass { VertexShader = vs; PIXELSHADER = ps; CullMode = NONE; }
}
technique Second { pass P0 { VertexShader = vs; PixelShader = ps; ZEnable = FALSE; } })fx";

class Effect : public testing::Test {
 protected:
  void SetUp() override {
    d3d9::UseRecordingDevice(true);
    direct3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_TRUE(direct3d_);
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.Windowed = TRUE;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D24X8;
    ASSERT_EQ(direct3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr,
                                      D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &device_),
              D3D_OK);
    // One file per test: CTest runs the tests of this suite in parallel processes.
    path_ = testing::TempDir() + "/" +
            testing::UnitTest::GetInstance()->current_test_info()->name() + ".fx";
  }

  void TearDown() override {
    if (effect_) effect_->Release();
    if (device_) device_->Release();
    if (direct3d_) direct3d_->Release();
    d3d9::UseRecordingDevice(false);
  }

  // Writes text as the effect file and loads it; the errors buffer's text lands in errors_.
  HRESULT Load(const std::string& text) {
    std::ofstream(path_, std::ios::binary) << text;
    return LoadPath(path_);
  }

  HRESULT LoadPath(const std::string& path) {
    if (effect_) effect_->Release();
    effect_ = nullptr;
    ID3DXBuffer* errors = nullptr;
    HRESULT result = D3DXCreateEffectFromFileW(device_, path.c_str(), nullptr, nullptr, 0, nullptr,
                                               &effect_, &errors);
    errors_.clear();
    if (errors) {
      errors_ = static_cast<const char*>(errors->GetBufferPointer());
      errors->Release();
    }
    return result;
  }

  DWORD RenderState(D3DRENDERSTATETYPE state) {
    DWORD value = 0xDEAD;
    EXPECT_EQ(device_->GetRenderState(state, &value), D3D_OK);
    return value;
  }

  DWORD SamplerState(DWORD stage, D3DSAMPLERSTATETYPE state) {
    DWORD value = 0xDEAD;
    EXPECT_EQ(device_->GetSamplerState(stage, state, &value), D3D_OK);
    return value;
  }

  IDirect3DTexture9* BoundTexture(DWORD stage) {
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(device_->GetTexture(stage, &texture), D3D_OK);
    if (texture) texture->Release();
    return texture;
  }

  IDirect3DTexture9* MakeTexture() {
    const BYTE texel[4] = {9, 8, 7, 6};
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(device_->CreateTextureFromRgba(1, 1, texel, &texture), D3D_OK);
    return texture;
  }

  // Expects the load to fail naming line and message.
  void ExpectError(const std::string& text, int line, const std::string& message) {
    EXPECT_EQ(Load(text), D3DXERR_INVALIDDATA) << text;
    EXPECT_EQ(effect_, nullptr);
    EXPECT_EQ(errors_, path_ + "(" + std::to_string(line) + "): " + message) << text;
  }

  IDirect3D9* direct3d_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
  ID3DXEffect* effect_ = nullptr;
  std::string path_;
  std::string errors_;
};

TEST_F(Effect, FindsTechniquesByNameAndBeginsTheFirst) {
  ASSERT_EQ(Load(kValidEffect), D3D_OK) << errors_;
  D3DXHANDLE first = effect_->GetTechniqueByName("First");
  ASSERT_NE(first, nullptr);
  EXPECT_STREQ(first, "First");
  EXPECT_NE(effect_->GetTechniqueByName("Second"), nullptr);
  EXPECT_EQ(effect_->GetTechniqueByName("first"), nullptr) << "names are case-sensitive";
  EXPECT_EQ(effect_->GetTechniqueByName("Third"), nullptr);
  UINT passes = 0;
  ASSERT_EQ(effect_->Begin(&passes, 0), D3D_OK);
  EXPECT_EQ(passes, 2u);
  EXPECT_EQ(effect_->Begin(&passes, 0), D3DERR_INVALIDCALL) << "already begun";
  EXPECT_EQ(effect_->BeginPass(2), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->End(), D3D_OK);
  EXPECT_EQ(effect_->BeginPass(0), D3DERR_INVALIDCALL) << "not begun";
}

TEST_F(Effect, PassesSetTheirStatesAndEndRestoresWhatWasThere) {
  ASSERT_EQ(Load(kValidEffect), D3D_OK) << errors_;
  IDirect3DTexture9* previous = MakeTexture();
  ASSERT_EQ(device_->SetTexture(1, previous), D3D_OK);
  ASSERT_EQ(device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW), D3D_OK);
  IDirect3DTexture9* mask = MakeTexture();
  ASSERT_EQ(effect_->SetTexture("mask", mask), D3D_OK);

  UINT passes = 0;
  ASSERT_EQ(effect_->Begin(&passes, 0), D3D_OK);
  ASSERT_EQ(effect_->BeginPass(0), D3D_OK);
  EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), DWORD(TRUE));
  EXPECT_EQ(RenderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_SRCALPHA));
  EXPECT_EQ(RenderState(D3DRS_DESTBLEND), DWORD(D3DBLEND_INVSRCALPHA));
  EXPECT_EQ(RenderState(D3DRS_CULLMODE), DWORD(D3DCULL_CW)) << "pass 0 leaves culling alone";
  EXPECT_EQ(SamplerState(0, D3DSAMP_MINFILTER), DWORD(D3DTEXF_LINEAR));
  EXPECT_EQ(SamplerState(0, D3DSAMP_ADDRESSU), DWORD(D3DTADDRESS_CLAMP));
  EXPECT_EQ(SamplerState(0, D3DSAMP_MAGFILTER), DWORD(D3DTEXF_POINT));
  EXPECT_EQ(BoundTexture(1), mask) << "the second texture parameter takes stage 1";
  IDirect3DShaderProgram9* program = device_->GetShaderProgram();
  ASSERT_NE(program, nullptr);
  EXPECT_EQ(d3d9::RecordedVertexSource(program), "void main() { /* vertex */ }");
  EXPECT_EQ(d3d9::RecordedFragmentSource(program), "void main() {}");
  ASSERT_EQ(effect_->EndPass(), D3D_OK);
  ASSERT_EQ(effect_->BeginPass(1), D3D_OK);
  EXPECT_EQ(RenderState(D3DRS_CULLMODE), DWORD(D3DCULL_NONE));
  ASSERT_EQ(effect_->EndPass(), D3D_OK);
  ASSERT_EQ(effect_->End(), D3D_OK);

  EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), DWORD(FALSE));
  EXPECT_EQ(RenderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_ONE));
  EXPECT_EQ(RenderState(D3DRS_DESTBLEND), DWORD(D3DBLEND_ZERO));
  EXPECT_EQ(RenderState(D3DRS_CULLMODE), DWORD(D3DCULL_CW));
  EXPECT_EQ(SamplerState(0, D3DSAMP_MINFILTER), DWORD(D3DTEXF_POINT));
  EXPECT_EQ(SamplerState(0, D3DSAMP_ADDRESSU), DWORD(D3DTADDRESS_WRAP));
  EXPECT_EQ(BoundTexture(1), previous);
  EXPECT_EQ(device_->GetShaderProgram(), nullptr);

  // Without saving, the pass's states stay.
  ASSERT_EQ(effect_->Begin(&passes, D3DXFX_DONOTSAVESTATE), D3D_OK);
  ASSERT_EQ(effect_->BeginPass(1), D3D_OK);
  ASSERT_EQ(effect_->EndPass(), D3D_OK);
  ASSERT_EQ(effect_->End(), D3D_OK);
  EXPECT_EQ(RenderState(D3DRS_CULLMODE), DWORD(D3DCULL_NONE));
  mask->Release();
  previous->Release();
}

TEST_F(Effect, TexturesReachTheDeviceAtCommitChangesAndDrawsSeeThePass) {
  ASSERT_EQ(Load(kValidEffect), D3D_OK) << errors_;
  IDirect3DTexture9* texture = MakeTexture();
  IDirect3DVertexBuffer9* buffer = nullptr;
  ASSERT_EQ(device_->CreateVertexBuffer(3 * 20, 0, 0, D3DPOOL_MANAGED, &buffer, nullptr), D3D_OK);
  ASSERT_EQ(device_->SetStreamSource(0, buffer, 0, 20), D3D_OK);
  ASSERT_EQ(device_->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1), D3D_OK);
  ASSERT_EQ(device_->BeginScene(), D3D_OK);
  d3d9::Recording().ClearCalls();

  UINT passes = 0;
  ASSERT_EQ(effect_->Begin(&passes, 0), D3D_OK);
  ASSERT_EQ(effect_->BeginPass(0), D3D_OK);
  ASSERT_EQ(effect_->SetTexture("texture_0", texture), D3D_OK);
  EXPECT_EQ(BoundTexture(0), nullptr) << "not before CommitChanges";
  ASSERT_EQ(effect_->CommitChanges(), D3D_OK);
  EXPECT_EQ(BoundTexture(0), texture);
  EXPECT_EQ(effect_->SetTexture("texture_1", texture), D3DERR_INVALIDCALL);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  const d3d9::DrawState draw = *d3d9::Recording().Calls().back().draw;
  EXPECT_EQ(draw.texture, texture);
  EXPECT_NE(draw.program, nullptr);
  EXPECT_EQ(draw.renderStates.at(D3DRS_ALPHABLENDENABLE), DWORD(TRUE));
  ASSERT_EQ(effect_->EndPass(), D3D_OK);
  ASSERT_EQ(effect_->End(), D3D_OK);
  EXPECT_EQ(BoundTexture(0), nullptr);

  std::vector<std::string> effectCalls;
  for (const d3d9::RecordedCall& call : d3d9::Recording().Calls()) {
    if (call.name.rfind("Effect.", 0) == 0) effectCalls.push_back(call.name);
  }
  EXPECT_EQ(effectCalls,
            (std::vector<std::string>{"Effect.Begin", "Effect.BeginPass", "Effect.SetTexture",
                                      "Effect.CommitChanges", "Effect.SetTexture", "Effect.EndPass",
                                      "Effect.End"}));
  ASSERT_EQ(device_->EndScene(), D3D_OK);

  // The effect holds its own reference to the texture.
  EXPECT_EQ(texture->Release(), 1u);
  D3DSURFACE_DESC description{};
  EXPECT_EQ(texture->GetLevelDesc(0, &description), D3D_OK);
  buffer->Release();
}

TEST_F(Effect, TheGuiEffectHasTheGuiTechniqueAndBlendsWithoutDepthOrCulling) {
  ASSERT_EQ(LoadPath(ORVELL_SOURCE_DIR "/data/gui.fx"), D3D_OK) << errors_;
  EXPECT_NE(effect_->GetTechniqueByName("GUI"), nullptr);
  UINT passes = 0;
  ASSERT_EQ(effect_->Begin(&passes, 0), D3D_OK);
  ASSERT_EQ(passes, 1u);
  ASSERT_EQ(effect_->BeginPass(0), D3D_OK);
  EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), DWORD(TRUE));
  EXPECT_EQ(RenderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_SRCALPHA));
  EXPECT_EQ(RenderState(D3DRS_DESTBLEND), DWORD(D3DBLEND_INVSRCALPHA));
  EXPECT_EQ(RenderState(D3DRS_CULLMODE), DWORD(D3DCULL_NONE));
  EXPECT_EQ(RenderState(D3DRS_ZENABLE), DWORD(D3DZB_FALSE));
  EXPECT_EQ(effect_->SetTexture("texture_0", nullptr), D3D_OK);
  ASSERT_EQ(effect_->EndPass(), D3D_OK);
  ASSERT_EQ(effect_->End(), D3D_OK);
  EXPECT_EQ(RenderState(D3DRS_ZENABLE), DWORD(D3DZB_TRUE)) << "End restores depth testing";
}

TEST_F(Effect, MalformedFilesFailNamingTheLine) {
  const std::string shaders = "vertexshader v = R\"(x)\";\npixelshader p = R\"(y)\";\n";
  const std::string pass = "VertexShader = v; PixelShader = p;";
  ExpectError(shaders + "technique T {\n pass {\n" + pass + "\nAlphaBlend = TRUE;\n }\n}", 6,
              "unknown render state 'AlphaBlend'");
  ExpectError(shaders + "technique T { pass {\n" + pass + "\nCullMode = SRCALPHA; } }", 5,
              "'SRCALPHA' is not a value of CullMode");
  ExpectError(shaders + "technique T { pass {\n" + pass + "\nZEnable = FALSE\n} }", 6,
              "expected ';', found '}'");
  ExpectError(shaders + "texture t { MinFilter = NONE; }\ntechnique T { pass { " + pass + " } }", 3,
              "'NONE' is not a value of MinFilter");
  ExpectError(shaders + "texture t { Wrap = CLAMP; }", 3, "unknown sampler state 'Wrap'");
  ExpectError(shaders + "texture t;\ntexture\nt;", 5, "texture 't' twice");
  ExpectError(shaders + "technique T {\n pass { VertexShader = w; PixelShader = p; }\n}", 4,
              "no vertexshader named 'w'");
  ExpectError(shaders + "technique T {\n pass { VertexShader = p; PixelShader = p; }\n}", 4,
              "no vertexshader named 'p'");
  ExpectError(shaders + "technique T {\n pass {\n VertexShader = v;\n }\n}", 4,
              "a pass needs both a VertexShader and a PixelShader");
  ExpectError(shaders + "technique T {\n}", 3, "technique 'T' has no pass");
  ExpectError(shaders, 3, "the file declares no technique");
  ExpectError("", 1, "the file declares no technique");
  ExpectError("technique T { pass { /* never closed\n\n", 1,
              "comment opened with /* is never closed");
  ExpectError("\nvertexshader v = R\"(void main() {}\n\n", 2,
              "shader source opened with R\"( is never closed with )\"");
  ExpectError("texture t;\nsampler s;", 2,
              "expected texture, vertexshader, pixelshader or technique, found 'sampler'");
  ExpectError("texture t;\n\ntexture \x01;", 3, "unexpected byte 0x01");
  ExpectError("texture t; #define X", 1, "unexpected character '#'");
}

TEST_F(Effect, CountsLinesInEveryLineEndingConvention) {
  for (const std::string newline : {"\n", "\r\n", "\r"}) {
    ExpectError("// comment" + newline + "texture t;" + newline + newline + "texture {", 4,
                "expected a texture name, found '{'");
  }
}

TEST_F(Effect, ShaderCompileFailuresNameThePass) {
  d3d9::Recording().FailOnce("CreateShaderProgram");
  EXPECT_EQ(Load(kValidEffect), D3DXERR_INVALIDDATA);
  EXPECT_EQ(errors_.rfind(path_ + "(8): technique First, pass P0: ", 0), 0u) << errors_;
}

TEST_F(Effect, EveryTruncationOfAValidFileFailsCleanlyUnlessItEndsAfterATechnique) {
  const std::regex message(
      std::regex_replace(path_, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)") +
      R"(\((\d+)\): .+)");
  const std::size_t firstTechniqueEnd = kValidEffect.find("}\ntechnique Second") + 1;
  for (std::size_t length = 0; length < kValidEffect.size(); ++length) {
    const HRESULT result = Load(kValidEffect.substr(0, length));
    if (length == firstTechniqueEnd || length == firstTechniqueEnd + 1) {
      EXPECT_EQ(result, D3D_OK) << "length " << length << ": " << errors_;
      continue;
    }
    ASSERT_EQ(result, D3DXERR_INVALIDDATA) << "length " << length;
    std::smatch match;
    ASSERT_TRUE(std::regex_match(errors_, match, message)) << errors_;
    const int line = std::stoi(match[1]);
    EXPECT_GE(line, 1);
    EXPECT_LE(line, 14);
  }
  EXPECT_EQ(Load(kValidEffect), D3D_OK) << errors_;
}

TEST_F(Effect, BinaryGarbageFailsWithAMessage) {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<std::size_t> length(0, 400);
  for (int round = 0; round < 300; ++round) {
    std::string garbage(length(random), '\0');
    for (char& c : garbage) c = char(byte(random));
    // Half of the files start like a real one, so the parser gets past the first token.
    if (round % 2) garbage = kValidEffect.substr(0, 120) + garbage;
    ASSERT_EQ(Load(garbage), D3DXERR_INVALIDDATA) << "round " << round;
    EXPECT_EQ(errors_.rfind(path_ + "(", 0), 0u) << errors_;
  }
}

TEST_F(Effect, MissingFilesAndUnsupportedArgumentsFail) {
  EXPECT_EQ(LoadPath(testing::TempDir() + "/no_such.fx"), D3DERR_NOTFOUND);
  EXPECT_EQ(effect_, nullptr);
  EXPECT_NE(errors_.find("no_such.fx"), std::string::npos);
  std::ofstream(path_) << kValidEffect;
  const int macro = 0;
  EXPECT_EQ(D3DXCreateEffectFromFileW(device_, path_.c_str(), &macro, nullptr, 0, nullptr, &effect_,
                                      nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_, nullptr);
  d3d9::Recording().FailOnce("D3DXCreateEffectFromFileW", D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(LoadPath(path_), D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(LoadPath(path_), D3D_OK);
  EXPECT_EQ(d3d9::Recording().Calls().back().name, "D3DXCreateEffectFromFileW");
  EXPECT_EQ(d3d9::Recording().Calls().back().text, path_);
}

}  // namespace
