// The recording device: a second implementation of the Direct3D subset that lives in memory, draws
// nothing and logs every call with its arguments, so that graphics code can be tested without a
// display or OpenGL. It can be told to fail any call and to lose the device. D3DX works on it too:
// textures from files know their size, effects are parsed, and the effect's calls join the log.
#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/d3d9/d3d9.h"

namespace d3d9 {

// What was current when a draw ran.
struct DrawState {
  IDirect3DVertexBuffer9* streamBuffer = nullptr;  // stream 0
  UINT streamOffset = 0;                           // bytes
  UINT stride = 0;                                 // bytes
  IDirect3DIndexBuffer9* indices = nullptr;
  DWORD fvf = 0;                                       // 0 while a declaration is set
  IDirect3DVertexDeclaration9* declaration = nullptr;  // null while an FVF is set
  IDirect3DShaderProgram9* program = nullptr;          // an effect pass's program, or null
  IDirect3DTexture9* texture = nullptr;                // stage 0
  D3DMATRIX world{}, view{}, projection{};
  std::map<D3DRENDERSTATETYPE, DWORD> renderStates;    // every implemented state
  std::map<D3DSAMPLERSTATETYPE, DWORD> samplerStates;  // sampler 0, every implemented state
};

// One call. Names are the method names for the device and the Direct3D object ("SetRenderState",
// "CreateDevice"), "VertexBuffer.Lock", "IndexBuffer.Unlock", "Texture.Release", "Effect.BeginPass"
// and so on for the other objects, and the function name for D3DX ("D3DXCreateEffectFromFileW").
struct RecordedCall {
  std::string name;
  // Numeric arguments in call order (enumerations, counts, flags, colours, floats), exact for
  // every 32-bit integer and every float.
  std::vector<double> numbers;
  // Object arguments in call order; for a method of a buffer, texture, declaration or effect the
  // object called on comes first, and a successful Create call appends the object it made. Null
  // where null was passed.
  std::vector<const void*> objects;
  std::string text;                 // a file path, technique or parameter name
  std::optional<D3DMATRIX> matrix;  // SetTransform
  std::optional<DrawState> draw;    // DrawPrimitive, DrawIndexedPrimitive
  std::optional<D3DPRESENT_PARAMETERS> presentParameters;  // CreateDevice, Reset: as passed in
  std::vector<D3DVERTEXELEMENT9> elements;  // CreateVertexDeclaration, without the end mark
  // What the call returned; GetAdapterModeCount and the Releases return their count here.
  HRESULT result = D3D_OK;
};

// The adapter the recording Direct3D object reports.
struct RecordingAdapter {
  std::vector<D3DDISPLAYMODE> modes;  // in D3DFMT_X8R8G8B8, reported in this order
  D3DDISPLAYMODE desktop{1024, 768, 60, D3DFMT_X8R8G8B8};
  D3DCAPS9 caps{D3DDEVTYPE_HAL, 0, 1, D3DPS_VERSION(3, 0), D3DVS_VERSION(3, 0), 8192, 8192};
  // CheckDeviceMultiSampleType answers D3D_OK for these and D3DERR_NOTAVAILABLE for the rest.
  std::vector<D3DMULTISAMPLE_TYPE> multiSampleTypes{D3DMULTISAMPLE_NONE};
  // The back-buffer size of a windowed device created with width and height 0.
  UINT windowWidth = 1024;
  UINT windowHeight = 768;
};

// The log, the failure rules, the adapter and the loss state shared by every recording object.
class Recorder {
 public:
  RecordingAdapter adapter;

  const std::vector<RecordedCall>& Calls() const { return calls_; }
  std::vector<const RecordedCall*> CallsNamed(std::string_view name) const;
  std::size_t Count(std::string_view name) const;
  void ClearCalls() { calls_.clear(); }

  // The named call (as in RecordedCall::name) returns error without any effect; it is still
  // logged, with that result. FailOnce covers the next such call only.
  void FailOnce(const std::string& name, HRESULT error = D3DERR_INVALIDCALL);
  void FailAlways(const std::string& name, HRESULT error = D3DERR_INVALIDCALL);
  void StopFailing(const std::string& name);

  // Device loss. After LoseDevice, Present fails with D3DERR_DEVICELOST and TestCooperativeLevel
  // and Reset answer D3DERR_DEVICELOST; after MakeResettable, TestCooperativeLevel answers
  // D3DERR_DEVICENOTRESET and a Reset that succeeds ends the loss.
  void LoseDevice();
  void MakeResettable();

  // For the recording objects and D3DX: the failure to inject for a call, consuming a FailOnce.
  std::optional<HRESULT> InjectedFailure(const std::string& name);
  // Appends a call and returns its result.
  HRESULT Record(RecordedCall call);

  enum class Loss { kNone, kLost, kResettable };
  Loss loss() const { return loss_; }
  void EndLoss() { loss_ = Loss::kNone; }

 private:
  std::vector<RecordedCall> calls_;
  std::map<std::string, HRESULT> failOnce_;
  std::map<std::string, HRESULT> failAlways_;
  Loss loss_ = Loss::kNone;
};

// Chooses what Direct3DCreate9 returns from now on: the recording implementation (true) or the
// OpenGL one (false). Choosing the recording device starts its recorder afresh: empty log, no
// failure rules, no loss, the default adapter (no modes).
void UseRecordingDevice(bool recording);
bool RecordingDeviceInUse();

// The recorder every recording object writes to.
Recorder& Recording();
// The recorder behind a recording device; null for an OpenGL device or null.
Recorder* RecorderOf(IDirect3DDevice9* device);

// What Lock and Unlock left in a buffer (of either device).
std::span<const BYTE> RecordedBytes(IDirect3DVertexBuffer9* buffer);
std::span<const BYTE> RecordedBytes(IDirect3DIndexBuffer9* buffer);
// The pixels a recording texture was created from (RGBA8, top row first); empty for textures of
// the OpenGL device, which keeps them in GL only.
std::span<const BYTE> RecordedPixels(IDirect3DTexture9* texture);
// The GLSL sources a shader program (of either device) was created from.
std::string RecordedVertexSource(IDirect3DShaderProgram9* program);
std::string RecordedFragmentSource(IDirect3DShaderProgram9* program);

}  // namespace d3d9
