// The recording device: the shared device core with a backend that keeps everything in memory
// and draws nothing, the recorder behind it, and the switch that makes Direct3DCreate9 choose it.
#include "platform/d3d9/recording_device.h"

#include <algorithm>

#include "platform/d3d9/device_core.h"

namespace d3d9 {

namespace {
bool recordingChosen = false;
}  // namespace

std::vector<const RecordedCall*> Recorder::CallsNamed(std::string_view name) const {
  std::vector<const RecordedCall*> found;
  for (const RecordedCall& call : calls_) {
    if (call.name == name) found.push_back(&call);
  }
  return found;
}

std::size_t Recorder::Count(std::string_view name) const {
  return std::size_t(std::count_if(calls_.begin(), calls_.end(),
                                   [&](const RecordedCall& call) { return call.name == name; }));
}

void Recorder::FailOnce(const std::string& name, HRESULT error) {
  failOnce_[name] = error;
}
void Recorder::FailAlways(const std::string& name, HRESULT error) {
  failAlways_[name] = error;
}

void Recorder::StopFailing(const std::string& name) {
  failOnce_.erase(name);
  failAlways_.erase(name);
}

void Recorder::LoseDevice() {
  loss_ = Loss::kLost;
}

void Recorder::MakeResettable() {
  if (loss_ == Loss::kLost) loss_ = Loss::kResettable;
}

std::optional<HRESULT> Recorder::InjectedFailure(const std::string& name) {
  if (auto once = failOnce_.find(name); once != failOnce_.end()) {
    HRESULT error = once->second;
    failOnce_.erase(once);
    return error;
  }
  if (auto always = failAlways_.find(name); always != failAlways_.end()) return always->second;
  return std::nullopt;
}

HRESULT Recorder::Record(RecordedCall call) {
  calls_.push_back(std::move(call));
  return calls_.back().result;
}

namespace detail {
namespace {

class RecordingDevice final : public DeviceCore {
 public:
  explicit RecordingDevice(Recorder& recorder) : DeviceCore(&recorder) {}

 protected:
  HRESULT ApplyPresentation(D3DPRESENT_PARAMETERS* parameters) override {
    const auto& supported = recorder()->adapter.multiSampleTypes;
    if (std::find(supported.begin(), supported.end(), parameters->MultiSampleType) ==
        supported.end()) {
      return D3DERR_INVALIDCALL;
    }
    if (parameters->Windowed && parameters->BackBufferWidth == 0) {
      parameters->BackBufferWidth = recorder()->adapter.windowWidth;
    }
    if (parameters->Windowed && parameters->BackBufferHeight == 0) {
      parameters->BackBufferHeight = recorder()->adapter.windowHeight;
    }
    return D3D_OK;
  }
  void ClearTarget(DWORD, D3DCOLOR, float) override {}
  HRESULT PresentFrame() override { return D3D_OK; }
  HRESULT NewBufferStorage(UINT, std::unique_ptr<BufferStorage>*) override { return D3D_OK; }
  HRESULT NewTextureStorage(UINT, UINT, const BYTE*, std::unique_ptr<TextureStorage>*) override {
    return D3D_OK;
  }
  HRESULT NewProgramStorage(const char*, const char*, const std::vector<std::string>&,
                            std::unique_ptr<ProgramStorage>*, std::string*) override {
    return D3D_OK;
  }
  void Draw(const DrawRequest&) override {}
};

class RecordingDirect3D final : public Direct3DCore {
 public:
  explicit RecordingDirect3D(Recorder& recorder) : Direct3DCore(&recorder), recorder_(recorder) {}

 protected:
  std::vector<D3DDISPLAYMODE> Modes() override { return recorder_.adapter.modes; }
  HRESULT DesktopMode(D3DDISPLAYMODE* mode) override {
    *mode = recorder_.adapter.desktop;
    return D3D_OK;
  }
  D3DCAPS9 Caps() override { return recorder_.adapter.caps; }
  bool SupportsMultiSample(D3DMULTISAMPLE_TYPE type) override {
    const auto& supported = recorder_.adapter.multiSampleTypes;
    return std::find(supported.begin(), supported.end(), type) != supported.end();
  }
  HRESULT NewDevice(HWND, DeviceCore** device) override {
    *device = new RecordingDevice(recorder_);
    return D3D_OK;
  }

 private:
  Recorder& recorder_;
};

}  // namespace

IDirect3D9* NewRecordingDirect3D(Recorder& recorder) {
  return new RecordingDirect3D(recorder);
}

}  // namespace detail

void UseRecordingDevice(bool recording) {
  recordingChosen = recording;
  if (recording) Recording() = Recorder();
}

bool RecordingDeviceInUse() {
  return recordingChosen;
}

Recorder& Recording() {
  static Recorder recorder;
  return recorder;
}

Recorder* RecorderOf(IDirect3DDevice9* device) {
  return device ? static_cast<detail::DeviceCore*>(device)->recorder() : nullptr;
}

std::span<const BYTE> RecordedBytes(IDirect3DVertexBuffer9* buffer) {
  if (!buffer) return {};
  return static_cast<detail::VertexBuffer*>(buffer)->bytes();
}

std::span<const BYTE> RecordedBytes(IDirect3DIndexBuffer9* buffer) {
  if (!buffer) return {};
  return static_cast<detail::IndexBuffer*>(buffer)->bytes();
}

std::span<const BYTE> RecordedPixels(IDirect3DTexture9* texture) {
  if (!texture) return {};
  return static_cast<detail::Texture*>(texture)->pixels();
}

std::string RecordedVertexSource(IDirect3DShaderProgram9* program) {
  return program ? static_cast<detail::ShaderProgram*>(program)->vertexSource() : std::string();
}

std::string RecordedFragmentSource(IDirect3DShaderProgram9* program) {
  return program ? static_cast<detail::ShaderProgram*>(program)->fragmentSource() : std::string();
}

}  // namespace d3d9
