// ID3DXEffect over our effect files: one shader program per pass, texture parameters on their own
// stages, and the save and restore of every device state a technique touches.
#include <fstream>
#include <iterator>
#include <set>

#include "platform/d3d9/device_core.h"
#include "platform/d3dx/d3dx9.h"
#include "platform/d3dx/effect_parser.h"
#include "platform/os/platform.h"

namespace {

using d3d9::detail::Call;

class TextBuffer final : public d3d9::detail::Counted<ID3DXBuffer> {
 public:
  explicit TextBuffer(const std::string& text) : bytes_(text.begin(), text.end()) {
    bytes_.push_back('\0');
  }
  void* GetBufferPointer() override { return bytes_.data(); }
  DWORD GetBufferSize() override { return DWORD(bytes_.size()); }

 protected:
  d3d9::Recorder* TraceRecorder() const override { return nullptr; }
  const char* KindName() const override { return "Buffer"; }

 private:
  std::vector<char> bytes_;
};

// Where a technique leaves the device when End restores it.
struct SavedStates {
  std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> renderStates;
  std::vector<std::pair<D3DSAMPLERSTATETYPE, DWORD>> samplerStates[D3DMAX_TEXTURE_STAGES];
  std::vector<IDirect3DTexture9*> textures;  // one reference each, by stage
  IDirect3DShaderProgram9* program = nullptr;
};

class Effect final : public d3d9::detail::Counted<ID3DXEffect> {
 public:
  Effect(IDirect3DDevice9* device, d3dx::EffectDescription description,
         std::vector<std::vector<IDirect3DShaderProgram9*>> programs)
      : device_(device),
        description_(std::move(description)),
        programs_(std::move(programs)),
        textures_(description_.textures.size(), nullptr) {
    device_->AddRef();
  }

  ~Effect() override {
    ReleaseSaved();
    for (IDirect3DTexture9* texture : textures_) {
      if (texture) texture->Release();
    }
    for (auto& technique : programs_) {
      for (IDirect3DShaderProgram9* program : technique) program->Release();
    }
    device_->Release();
  }

  D3DXHANDLE GetTechniqueByName(const char* name) override {
    Call call(TraceRecorder(), "Effect.GetTechniqueByName");
    call.Object(static_cast<ID3DXEffect*>(this)).Text(name ? name : "");
    if (call.Injected() || !name) {
      call.Return(D3DERR_INVALIDCALL);
      return nullptr;
    }
    for (const d3dx::EffectTechnique& technique : description_.techniques) {
      if (technique.name == name) {
        call.Return(D3D_OK);
        return technique.name.c_str();
      }
    }
    call.Return(D3DERR_NOTFOUND);
    return nullptr;
  }

  HRESULT Begin(UINT* passes, DWORD flags) override {
    Call call(TraceRecorder(), "Effect.Begin");
    call.Object(static_cast<ID3DXEffect*>(this)).Number(flags);
    if (auto failure = call.Injected()) return call.Return(*failure);
    if (begun_ || (flags & ~D3DXFX_DONOTSAVESTATE)) return call.Return(D3DERR_INVALIDCALL);
    if (!(flags & D3DXFX_DONOTSAVESTATE)) Save();
    begun_ = true;
    if (passes) *passes = UINT(Technique().passes.size());
    return call.Return(D3D_OK);
  }

  HRESULT BeginPass(UINT pass) override {
    Call call(TraceRecorder(), "Effect.BeginPass");
    call.Object(static_cast<ID3DXEffect*>(this)).Number(pass);
    if (auto failure = call.Injected()) return call.Return(*failure);
    if (!begun_ || passActive_ || pass >= Technique().passes.size()) {
      return call.Return(D3DERR_INVALIDCALL);
    }
    const d3dx::EffectPass& description = Technique().passes[pass];
    device_->SetShaderProgram(programs_[0][pass]);
    for (const auto& [state, value] : description.renderStates) {
      device_->SetRenderState(state, value);
    }
    for (std::size_t stage = 0; stage < description_.textures.size(); ++stage) {
      for (const auto& [state, value] : description_.textures[stage].samplerStates) {
        device_->SetSamplerState(DWORD(stage), state, value);
      }
    }
    ApplyTextures();
    passActive_ = true;
    return call.Return(D3D_OK);
  }

  HRESULT CommitChanges() override {
    Call call(TraceRecorder(), "Effect.CommitChanges");
    call.Object(static_cast<ID3DXEffect*>(this));
    if (auto failure = call.Injected()) return call.Return(*failure);
    if (!passActive_) return call.Return(D3DERR_INVALIDCALL);
    ApplyTextures();
    return call.Return(D3D_OK);
  }

  HRESULT EndPass() override {
    Call call(TraceRecorder(), "Effect.EndPass");
    call.Object(static_cast<ID3DXEffect*>(this));
    if (auto failure = call.Injected()) return call.Return(*failure);
    if (!passActive_) return call.Return(D3DERR_INVALIDCALL);
    passActive_ = false;
    return call.Return(D3D_OK);
  }

  HRESULT End() override {
    Call call(TraceRecorder(), "Effect.End");
    call.Object(static_cast<ID3DXEffect*>(this));
    if (auto failure = call.Injected()) return call.Return(*failure);
    if (!begun_ || passActive_) return call.Return(D3DERR_INVALIDCALL);
    Restore();
    begun_ = false;
    return call.Return(D3D_OK);
  }

  HRESULT SetTexture(D3DXHANDLE parameter, IDirect3DTexture9* texture) override {
    Call call(TraceRecorder(), "Effect.SetTexture");
    call.Object(static_cast<ID3DXEffect*>(this)).Object(texture).Text(parameter ? parameter : "");
    if (auto failure = call.Injected()) return call.Return(*failure);
    std::size_t index = 0;
    while (parameter && index < description_.textures.size() &&
           description_.textures[index].name != parameter) {
      ++index;
    }
    if (!parameter || index == description_.textures.size()) {
      return call.Return(D3DERR_INVALIDCALL);
    }
    if (texture) texture->AddRef();
    if (textures_[index]) textures_[index]->Release();
    textures_[index] = texture;
    return call.Return(D3D_OK);
  }

 protected:
  d3d9::Recorder* TraceRecorder() const override { return d3d9::RecorderOf(device_); }
  const char* KindName() const override { return "Effect"; }

 private:
  // The technique Begin runs: the first in the file.
  const d3dx::EffectTechnique& Technique() const { return description_.techniques[0]; }

  void ApplyTextures() {
    for (std::size_t stage = 0; stage < textures_.size(); ++stage) {
      device_->SetTexture(DWORD(stage), textures_[stage]);
    }
  }

  void Save() {
    std::set<D3DRENDERSTATETYPE> touched;
    for (const d3dx::EffectPass& pass : Technique().passes) {
      for (const auto& [state, value] : pass.renderStates) touched.insert(state);
    }
    for (D3DRENDERSTATETYPE state : touched) {
      DWORD value = 0;
      if (SUCCEEDED(device_->GetRenderState(state, &value))) {
        saved_.renderStates.emplace_back(state, value);
      }
    }
    for (std::size_t stage = 0; stage < description_.textures.size(); ++stage) {
      for (const auto& [state, value] : description_.textures[stage].samplerStates) {
        DWORD current = 0;
        if (SUCCEEDED(device_->GetSamplerState(DWORD(stage), state, &current))) {
          saved_.samplerStates[stage].emplace_back(state, current);
        }
      }
      IDirect3DTexture9* texture = nullptr;
      device_->GetTexture(DWORD(stage), &texture);
      saved_.textures.push_back(texture);
    }
    saved_.program = device_->GetShaderProgram();
    if (saved_.program) saved_.program->AddRef();
    saving_ = true;
  }

  void Restore() {
    if (!saving_) return;
    device_->SetShaderProgram(saved_.program);
    for (const auto& [state, value] : saved_.renderStates) device_->SetRenderState(state, value);
    for (std::size_t stage = 0; stage < saved_.textures.size(); ++stage) {
      for (const auto& [state, value] : saved_.samplerStates[stage]) {
        device_->SetSamplerState(DWORD(stage), state, value);
      }
      device_->SetTexture(DWORD(stage), saved_.textures[stage]);
    }
    ReleaseSaved();
  }

  void ReleaseSaved() {
    for (IDirect3DTexture9* texture : saved_.textures) {
      if (texture) texture->Release();
    }
    if (saved_.program) saved_.program->Release();
    saved_ = {};
    saving_ = false;
  }

  IDirect3DDevice9* device_;
  d3dx::EffectDescription description_;
  std::vector<std::vector<IDirect3DShaderProgram9*>> programs_;  // by technique and pass
  std::vector<IDirect3DTexture9*> textures_;                     // by stage, one reference each
  SavedStates saved_;
  bool saving_ = false;
  bool begun_ = false;
  bool passActive_ = false;
};

HRESULT Fail(Call& call, HRESULT result, const std::string& message, ID3DXBuffer** errors) {
  if (errors) *errors = new TextBuffer(message);
  return call.Return(result);
}

}  // namespace

HRESULT D3DXCreateEffectFromFileW(IDirect3DDevice9* device, const char* path, const void* defines,
                                  void* include, DWORD flags, void* pool, ID3DXEffect** effect,
                                  ID3DXBuffer** errors) {
  Call call(d3d9::RecorderOf(device), "D3DXCreateEffectFromFileW");
  call.Object(device).Number(flags).Text(path ? path : "");
  if (effect) *effect = nullptr;
  if (errors) *errors = nullptr;
  if (auto failure = call.Injected()) return call.Return(*failure);
  if (!device || !path || !effect || defines || include || pool) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  const std::string resolved = os::ResolveDataPath(path);
  std::ifstream file;
  if (os::IsRegularFile(resolved)) file.open(resolved, std::ios::binary);
  if (!file.is_open()) {
    return Fail(call, D3DERR_NOTFOUND, std::string(path) + ": cannot open", errors);
  }
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());

  d3dx::EffectDescription description;
  d3dx::ParseError parseError;
  if (!d3dx::ParseEffect(text, &description, &parseError)) {
    return Fail(
        call, D3DXERR_INVALIDDATA,
        std::string(path) + "(" + std::to_string(parseError.line) + "): " + parseError.message,
        errors);
  }

  std::vector<const char*> samplerNames;
  for (const d3dx::TextureParameter& texture : description.textures) {
    samplerNames.push_back(texture.name.c_str());
  }
  std::vector<std::vector<IDirect3DShaderProgram9*>> programs;
  auto releasePrograms = [&programs] {
    for (auto& technique : programs) {
      for (IDirect3DShaderProgram9* program : technique) program->Release();
    }
  };
  for (const d3dx::EffectTechnique& technique : description.techniques) {
    programs.emplace_back();
    for (const d3dx::EffectPass& pass : technique.passes) {
      IDirect3DShaderProgram9* program = nullptr;
      std::string log;
      HRESULT result = device->CreateShaderProgram(
          description.shaders[pass.vertexShader].source.c_str(),
          description.shaders[pass.pixelShader].source.c_str(), samplerNames.data(),
          UINT(samplerNames.size()), &program, &log);
      if (FAILED(result)) {
        releasePrograms();
        return Fail(call, D3DXERR_INVALIDDATA,
                    std::string(path) + "(" + std::to_string(pass.line) + "): technique " +
                        technique.name + ", pass " + pass.name + ": " + log,
                    errors);
      }
      programs.back().push_back(program);
    }
  }
  *effect = new Effect(device, std::move(description), std::move(programs));
  call.Object(*effect);
  return call.Return(D3D_OK);
}
