// What the OpenGL device and the recording device share: reference counting, the call log, the
// device's states and bindings, and every argument check, over a backend that either draws with
// OpenGL or draws nothing. Internal to platform/d3d9 and platform/d3dx.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/recording_device.h"

namespace d3d9 {
struct FrameImage;
class FrameReader;
}  // namespace d3d9

namespace d3d9::detail {

// Builds one log entry and hands it to the recorder; without a recorder it does nothing.
class Call {
 public:
  Call(Recorder* recorder, std::string name);
  bool Recording() const { return recorder_ != nullptr; }
  Call& Number(double value);
  Call& Object(const void* object);
  Call& Text(std::string text);
  RecordedCall& Entry() { return entry_; }
  // A failure the recorder was told to inject into this call.
  std::optional<HRESULT> Injected();
  // Logs the call with its result and returns the result.
  HRESULT Return(HRESULT result);

 private:
  Recorder* recorder_;
  RecordedCall entry_;
};

// Direct3D's reference counting; every Release is logged as "<kind>.Release" with the count left.
template <class Interface>
class Counted : public Interface {
 public:
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override {
    ULONG left = --references_;
    Call(TraceRecorder(), std::string(KindName()) + ".Release")
        .Object(static_cast<Interface*>(this))
        .Return(HRESULT(left));
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual Recorder* TraceRecorder() const = 0;
  virtual const char* KindName() const = 0;

 private:
  ULONG references_ = 1;
};

class DeviceCore;

// A device's object: holds a reference to its device, and unbinds itself from the device when it
// goes. Default-pool objects are counted, since Reset needs all of them gone.
template <class Interface>
class Resource : public Counted<Interface> {
 public:
  Resource(DeviceCore& device, D3DPOOL pool);
  ~Resource() override;
  Resource(const Resource&) = delete;
  Resource& operator=(const Resource&) = delete;

  DeviceCore& device() const { return *device_; }

 protected:
  Recorder* TraceRecorder() const override;

 private:
  DeviceCore* device_;
  D3DPOOL pool_;
};

// The backend's copy of a buffer, a texture or a shader program (the OpenGL object); the
// recording device has none.
class BufferStorage {
 public:
  virtual ~BufferStorage() = default;
  // Makes the backend's copy equal to bytes; discard: the old contents may be dropped.
  virtual void Upload(const std::vector<BYTE>& bytes, UINT offset, UINT size, bool discard) = 0;
};
class TextureStorage {
 public:
  virtual ~TextureStorage() = default;
};
class ProgramStorage {
 public:
  virtual ~ProgramStorage() = default;
};

// Vertex and index buffers keep their bytes in memory: Lock hands out that memory, Unlock hands
// the written range to the backend.
template <class Interface>
class Buffer final : public Resource<Interface> {
 public:
  Buffer(DeviceCore& device, UINT bytes, DWORD usage, D3DPOOL pool, D3DFORMAT indexFormat,
         std::unique_ptr<BufferStorage> storage);
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
  HRESULT Unlock() override;

  const std::vector<BYTE>& bytes() const { return bytes_; }
  D3DFORMAT indexFormat() const { return indexFormat_; }  // index buffers only
  BufferStorage* storage() const { return storage_.get(); }
  bool locked() const { return locked_; }

 protected:
  const char* KindName() const override;

 private:
  std::vector<BYTE> bytes_;
  DWORD usage_;
  D3DFORMAT indexFormat_;
  std::unique_ptr<BufferStorage> storage_;
  bool locked_ = false;
  bool discarding_ = false;
  UINT lockOffset_ = 0;
  UINT lockSize_ = 0;
};
using VertexBuffer = Buffer<IDirect3DVertexBuffer9>;
using IndexBuffer = Buffer<IDirect3DIndexBuffer9>;

class VertexDeclaration final : public Resource<IDirect3DVertexDeclaration9> {
 public:
  VertexDeclaration(DeviceCore& device, std::vector<D3DVERTEXELEMENT9> elements);
  const std::vector<D3DVERTEXELEMENT9>& elements() const { return elements_; }

 protected:
  const char* KindName() const override { return "VertexDeclaration"; }

 private:
  std::vector<D3DVERTEXELEMENT9> elements_;
};

class Texture final : public Resource<IDirect3DTexture9> {
 public:
  // pixels: kept only by devices without a backend copy (the recording device).
  Texture(DeviceCore& device, UINT width, UINT height, std::vector<BYTE> pixels,
          std::unique_ptr<TextureStorage> storage);
  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* description) override;
  DWORD GetLevelCount() override;

  const std::vector<BYTE>& pixels() const { return pixels_; }
  TextureStorage* storage() const { return storage_.get(); }

 protected:
  const char* KindName() const override { return "Texture"; }

 private:
  UINT width_;
  UINT height_;
  std::vector<BYTE> pixels_;
  std::unique_ptr<TextureStorage> storage_;
};

class ShaderProgram final : public Resource<IDirect3DShaderProgram9> {
 public:
  ShaderProgram(DeviceCore& device, std::string vertexSource, std::string fragmentSource,
                UINT samplerCount, std::unique_ptr<ProgramStorage> storage);
  const std::string& vertexSource() const { return vertexSource_; }
  const std::string& fragmentSource() const { return fragmentSource_; }
  UINT samplerCount() const { return samplerCount_; }
  ProgramStorage* storage() const { return storage_.get(); }

 protected:
  const char* KindName() const override { return "ShaderProgram"; }

 private:
  std::string vertexSource_;
  std::string fragmentSource_;
  UINT samplerCount_;
  std::unique_ptr<ProgramStorage> storage_;
};

// Shader input location of a declaration usage (see D3DDECLUSAGE), or -1 if we have none for it.
int InputLocation(BYTE usage, BYTE usageIndex);
constexpr int kInputLocations = 11;
constexpr int kColourLocation = 9;

// Everything a draw depends on.
struct Bindings {
  std::map<D3DRENDERSTATETYPE, DWORD> renderStates;
  std::array<std::map<D3DSAMPLERSTATETYPE, DWORD>, D3DMAX_TEXTURE_STAGES> samplerStates;
  D3DMATRIX world{}, view{}, projection{};
  std::array<Texture*, D3DMAX_TEXTURE_STAGES> textures{};
  VertexBuffer* stream = nullptr;
  UINT streamOffset = 0;
  UINT stride = 0;
  IndexBuffer* indices = nullptr;
  DWORD fvf = 0;
  VertexDeclaration* declaration = nullptr;
  std::vector<D3DVERTEXELEMENT9> layout;  // of the FVF or the declaration, without the end mark
  ShaderProgram* program = nullptr;
};

// One draw, checked: vertices [first, first + count) of the stream, or count indices from
// startIndex with baseVertex added.
struct DrawRequest {
  D3DPRIMITIVETYPE type;
  bool indexed;
  UINT first;
  UINT count;
  INT baseVertex;
};

class DeviceCore : public Counted<IDirect3DDevice9> {
 public:
  HRESULT TestCooperativeLevel() override;
  HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) override;
  HRESULT Present(const void* sourceRect, const void* destRect, HWND overrideWindow,
                  const void* dirtyRegion) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Clear(DWORD count, const void* rects, DWORD flags, D3DCOLOR colour, float z,
                DWORD stencil) override;
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
  HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override;
  HRESULT SetTexture(DWORD stage, IDirect3DTexture9* texture) override;
  HRESULT GetTexture(DWORD stage, IDirect3DTexture9** texture) override;
  HRESULT CreateVertexBuffer(UINT bytes, DWORD usage, DWORD fvf, D3DPOOL pool,
                             IDirect3DVertexBuffer9** buffer, void* sharedHandle) override;
  HRESULT CreateIndexBuffer(UINT bytes, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer9** buffer, void* sharedHandle) override;
  HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                  IDirect3DVertexDeclaration9** declaration) override;
  HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) override;
  HRESULT SetFVF(DWORD fvf) override;
  HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offsetBytes,
                          UINT stride) override;
  HRESULT SetIndices(IDirect3DIndexBuffer9* buffer) override;
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex,
                               UINT numVertices, UINT startIndex, UINT primitiveCount) override;
  HRESULT CreateTextureFromRgba(UINT width, UINT height, const BYTE* rgba,
                                IDirect3DTexture9** texture) override;
  HRESULT CreateShaderProgram(const char* vertexSource, const char* fragmentSource,
                              const char* const* samplerNames, UINT samplerCount,
                              IDirect3DShaderProgram9** program, std::string* errors) override;
  HRESULT SetShaderProgram(IDirect3DShaderProgram9* program) override;
  IDirect3DShaderProgram9* GetShaderProgram() override;

  // Sets up the back buffer for the first time; the factory calls it right after construction.
  HRESULT Initialize(const D3DPRESENT_PARAMETERS& parameters);
  Recorder* recorder() const { return recorder_; }
  // Called by a resource as it goes.
  void Unbind(const IUnknown* object);
  void CountDefaultPoolResource(int change) { defaultPoolResources_ += change; }

 protected:
  explicit DeviceCore(Recorder* recorder) : recorder_(recorder) {}
  Recorder* TraceRecorder() const override { return recorder_; }
  const char* KindName() const override { return "Device"; }
  const Bindings& bindings() const { return bindings_; }

  // The backend. ApplyPresentation (re)creates the back buffer and the display mode and fills in
  // a zero back-buffer size with the size it chose.
  virtual HRESULT ApplyPresentation(D3DPRESENT_PARAMETERS* parameters) = 0;
  virtual void ClearTarget(DWORD flags, D3DCOLOR colour, float z) = 0;
  virtual HRESULT PresentFrame() = 0;
  virtual HRESULT NewBufferStorage(UINT bytes, std::unique_ptr<BufferStorage>* storage) = 0;
  virtual HRESULT NewTextureStorage(UINT width, UINT height, const BYTE* rgba,
                                    std::unique_ptr<TextureStorage>* storage) = 0;
  virtual HRESULT NewProgramStorage(const char* vertexSource, const char* fragmentSource,
                                    const std::vector<std::string>& samplerNames,
                                    std::unique_ptr<ProgramStorage>* storage,
                                    std::string* errors) = 0;
  virtual void Draw(const DrawRequest& request) = 0;

 private:
  void SetDefaultStates();
  DrawState CurrentDrawState() const;
  HRESULT CheckDraw(D3DPRIMITIVETYPE type, UINT primitiveCount, UINT* vertexCount) const;
  HRESULT CheckVertexRange(INT first, UINT count) const;

  Recorder* recorder_;
  D3DPRESENT_PARAMETERS presentation_{};
  Bindings bindings_;
  bool inScene_ = false;
  int defaultPoolResources_ = 0;
};

// The checks CreateDevice and Reset share.
bool ValidPresentParameters(const D3DPRESENT_PARAMETERS& parameters);

class Direct3DCore : public Counted<IDirect3D9> {
 public:
  HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override;
  UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) override;
  HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT index,
                           D3DDISPLAYMODE* mode) override;
  HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override;
  HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format, BOOL windowed,
                                     D3DMULTISAMPLE_TYPE multiSample, DWORD* quality) override;
  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviour,
                       D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) override;

 protected:
  explicit Direct3DCore(Recorder* recorder) : recorder_(recorder) {}
  Recorder* TraceRecorder() const override { return recorder_; }
  const char* KindName() const override { return "Direct3D"; }

  virtual std::vector<D3DDISPLAYMODE> Modes() = 0;
  virtual HRESULT DesktopMode(D3DDISPLAYMODE* mode) = 0;
  virtual D3DCAPS9 Caps() = 0;
  virtual bool SupportsMultiSample(D3DMULTISAMPLE_TYPE type) = 0;
  // A device on the window, not yet initialized.
  virtual HRESULT NewDevice(HWND window, DeviceCore** device) = 0;

 private:
  Recorder* recorder_;
};

// The two Direct3D objects.
IDirect3D9* NewGlDirect3D();
IDirect3D9* NewRecordingDirect3D(Recorder& recorder);
// Reads the OpenGL device's back buffer; D3DERR_NOTAVAILABLE for the recording device.
HRESULT CaptureGlFrame(IDirect3DDevice9* device, FrameImage* image);
// Null unless the device is the OpenGL device.
std::unique_ptr<FrameReader> OpenGlFrameReader(IDirect3DDevice9* device);

}  // namespace d3d9::detail
