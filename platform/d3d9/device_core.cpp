// The device's states, bindings and argument checks, shared by the OpenGL and the recording
// device, and the Direct3D object's checks around its adapter queries.
#include "platform/d3d9/device_core.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>

namespace d3d9::detail {

namespace {

struct Range {
  DWORD first;
  DWORD last;
};

const std::map<D3DRENDERSTATETYPE, Range>& RenderStateRanges() {
  static const std::map<D3DRENDERSTATETYPE, Range> ranges = {
      {D3DRS_ZENABLE, {D3DZB_FALSE, D3DZB_TRUE}},
      {D3DRS_ZWRITEENABLE, {FALSE, TRUE}},
      {D3DRS_SRCBLEND, {D3DBLEND_ZERO, D3DBLEND_INVDESTCOLOR}},
      {D3DRS_DESTBLEND, {D3DBLEND_ZERO, D3DBLEND_INVDESTCOLOR}},
      {D3DRS_CULLMODE, {D3DCULL_NONE, D3DCULL_CCW}},
      {D3DRS_ZFUNC, {D3DCMP_NEVER, D3DCMP_ALWAYS}},
      {D3DRS_ALPHABLENDENABLE, {FALSE, TRUE}},
      {D3DRS_LIGHTING, {FALSE, TRUE}},
  };
  return ranges;
}

const std::map<D3DSAMPLERSTATETYPE, Range>& SamplerStateRanges() {
  static const std::map<D3DSAMPLERSTATETYPE, Range> ranges = {
      {D3DSAMP_ADDRESSU, {D3DTADDRESS_WRAP, D3DTADDRESS_CLAMP}},
      {D3DSAMP_ADDRESSV, {D3DTADDRESS_WRAP, D3DTADDRESS_CLAMP}},
      {D3DSAMP_MAGFILTER, {D3DTEXF_POINT, D3DTEXF_LINEAR}},
      {D3DSAMP_MINFILTER, {D3DTEXF_POINT, D3DTEXF_LINEAR}},
      {D3DSAMP_MIPFILTER, {D3DTEXF_NONE, D3DTEXF_LINEAR}},
  };
  return ranges;
}

bool InRange(DWORD value, Range range) {
  return value >= range.first && value <= range.last;
}

D3DMATRIX Identity() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

UINT ElementBytes(BYTE type) {
  switch (type) {
    case D3DDECLTYPE_FLOAT1:
      return 4;
    case D3DDECLTYPE_FLOAT2:
      return 8;
    case D3DDECLTYPE_FLOAT3:
      return 12;
    case D3DDECLTYPE_FLOAT4:
      return 16;
    case D3DDECLTYPE_D3DCOLOR:
      return 4;
    default:
      return 0;
  }
}

// The element list an FVF stands for; empty if we do not support the FVF.
std::vector<D3DVERTEXELEMENT9> FvfLayout(DWORD fvf) {
  if (!(fvf & D3DFVF_XYZ) || (fvf & ~(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1))) return {};
  std::vector<D3DVERTEXELEMENT9> layout = {
      {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0}};
  WORD offset = 12;
  if (fvf & D3DFVF_DIFFUSE) {
    layout.push_back(
        {0, offset, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0});
    offset += 4;
  }
  if (fvf & D3DFVF_TEX1) {
    layout.push_back(
        {0, offset, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0});
  }
  return layout;
}

UINT VerticesOf(D3DPRIMITIVETYPE type, UINT primitiveCount) {
  return type == D3DPT_TRIANGLELIST ? primitiveCount * 3 : primitiveCount + 2;
}

}  // namespace

// ---- Call ---------------------------------------------------------------------------------------

Call::Call(Recorder* recorder, std::string name) : recorder_(recorder) {
  if (recorder_) entry_.name = std::move(name);
}

Call& Call::Number(double value) {
  if (recorder_) entry_.numbers.push_back(value);
  return *this;
}

Call& Call::Object(const void* object) {
  if (recorder_) entry_.objects.push_back(object);
  return *this;
}

Call& Call::Text(std::string text) {
  if (recorder_) entry_.text = std::move(text);
  return *this;
}

std::optional<HRESULT> Call::Injected() {
  if (!recorder_) return std::nullopt;
  return recorder_->InjectedFailure(entry_.name);
}

HRESULT Call::Return(HRESULT result) {
  if (recorder_) {
    entry_.result = result;
    recorder_->Record(std::move(entry_));
  }
  return result;
}

// ---- Resources ----------------------------------------------------------------------------------

template <class Interface>
Resource<Interface>::Resource(DeviceCore& device, D3DPOOL pool) : device_(&device), pool_(pool) {
  device_->AddRef();
  if (pool_ == D3DPOOL_DEFAULT) device_->CountDefaultPoolResource(+1);
}

template <class Interface>
Resource<Interface>::~Resource() {
  device_->Unbind(this);
  if (pool_ == D3DPOOL_DEFAULT) device_->CountDefaultPoolResource(-1);
  device_->Release();
}

template <class Interface>
Recorder* Resource<Interface>::TraceRecorder() const {
  return device_->recorder();
}

template <class Interface>
Buffer<Interface>::Buffer(DeviceCore& device, UINT bytes, DWORD usage, D3DPOOL pool,
                          D3DFORMAT indexFormat, std::unique_ptr<BufferStorage> storage)
    : Resource<Interface>(device, pool),
      bytes_(bytes),
      usage_(usage),
      indexFormat_(indexFormat),
      storage_(std::move(storage)) {}

template <class Interface>
const char* Buffer<Interface>::KindName() const {
  return std::is_same_v<Interface, IDirect3DVertexBuffer9> ? "VertexBuffer" : "IndexBuffer";
}

template <class Interface>
HRESULT Buffer<Interface>::Lock(UINT offset, UINT size, void** data, DWORD flags) {
  Call call(this->TraceRecorder(), std::string(KindName()) + ".Lock");
  call.Object(static_cast<Interface*>(this)).Number(offset).Number(size).Number(flags);
  if (auto failure = call.Injected()) {
    if (data) *data = nullptr;
    return call.Return(*failure);
  }
  const UINT total = UINT(bytes_.size());
  const bool discard = flags & D3DLOCK_DISCARD;
  if (!data || locked_ || offset > total || (flags & ~D3DLOCK_DISCARD) ||
      (discard && !(usage_ & D3DUSAGE_DYNAMIC))) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  if (size == 0) size = total - offset;
  if (size > total - offset) return call.Return(D3DERR_INVALIDCALL);
  locked_ = true;
  discarding_ = discard;
  lockOffset_ = offset;
  lockSize_ = size;
  *data = bytes_.data() + offset;
  return call.Return(D3D_OK);
}

template <class Interface>
HRESULT Buffer<Interface>::Unlock() {
  Call call(this->TraceRecorder(), std::string(KindName()) + ".Unlock");
  call.Object(static_cast<Interface*>(this));
  if (auto failure = call.Injected()) return call.Return(*failure);
  if (!locked_) return call.Return(D3DERR_INVALIDCALL);
  locked_ = false;
  if (storage_) storage_->Upload(bytes_, lockOffset_, lockSize_, discarding_);
  return call.Return(D3D_OK);
}

VertexDeclaration::VertexDeclaration(DeviceCore& device, std::vector<D3DVERTEXELEMENT9> elements)
    : Resource(device, D3DPOOL_MANAGED), elements_(std::move(elements)) {}

Texture::Texture(DeviceCore& device, UINT width, UINT height, std::vector<BYTE> pixels,
                 std::unique_ptr<TextureStorage> storage)
    : Resource(device, D3DPOOL_MANAGED),
      width_(width),
      height_(height),
      pixels_(std::move(pixels)),
      storage_(std::move(storage)) {}

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* description) {
  if (level != 0 || !description) return D3DERR_INVALIDCALL;
  *description = {D3DFMT_A8R8G8B8, D3DRTYPE_TEXTURE, 0, D3DPOOL_MANAGED, D3DMULTISAMPLE_NONE, 0,
                  width_,          height_};
  return D3D_OK;
}

DWORD Texture::GetLevelCount() {
  return 1;
}

ShaderProgram::ShaderProgram(DeviceCore& device, std::string vertexSource,
                             std::string fragmentSource, UINT samplerCount,
                             std::unique_ptr<ProgramStorage> storage)
    : Resource(device, D3DPOOL_MANAGED),
      vertexSource_(std::move(vertexSource)),
      fragmentSource_(std::move(fragmentSource)),
      samplerCount_(samplerCount),
      storage_(std::move(storage)) {}

template class Resource<IDirect3DVertexBuffer9>;
template class Resource<IDirect3DIndexBuffer9>;
template class Resource<IDirect3DVertexDeclaration9>;
template class Resource<IDirect3DTexture9>;
template class Resource<IDirect3DShaderProgram9>;
template class Buffer<IDirect3DVertexBuffer9>;
template class Buffer<IDirect3DIndexBuffer9>;

int InputLocation(BYTE usage, BYTE usageIndex) {
  if (usage == D3DDECLUSAGE_POSITION && usageIndex == 0) return 0;
  if (usage == D3DDECLUSAGE_TEXCOORD && usageIndex < 8) return 1 + usageIndex;
  if (usage == D3DDECLUSAGE_COLOR && usageIndex < 2) return kColourLocation + usageIndex;
  return -1;
}

// ---- Device -------------------------------------------------------------------------------------

bool ValidPresentParameters(const D3DPRESENT_PARAMETERS& p) {
  const bool format = p.BackBufferFormat == D3DFMT_X8R8G8B8 ||
                      p.BackBufferFormat == D3DFMT_A8R8G8B8 ||
                      (p.Windowed && p.BackBufferFormat == D3DFMT_UNKNOWN);
  const bool size = p.Windowed || (p.BackBufferWidth > 0 && p.BackBufferHeight > 0);
  const bool depth = !p.EnableAutoDepthStencil || p.AutoDepthStencilFormat == D3DFMT_D24X8;
  const bool interval = p.PresentationInterval == D3DPRESENT_INTERVAL_DEFAULT ||
                        p.PresentationInterval == D3DPRESENT_INTERVAL_ONE ||
                        p.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE;
  const bool multiSample =
      p.MultiSampleType == D3DMULTISAMPLE_NONE || p.MultiSampleType == D3DMULTISAMPLE_2_SAMPLES;
  return format && size && depth && interval && multiSample && p.BackBufferCount <= 3 &&
         p.SwapEffect == D3DSWAPEFFECT_DISCARD && p.MultiSampleQuality == 0 &&
         (!p.Windowed || p.FullScreen_RefreshRateInHz == 0);
}

HRESULT DeviceCore::Initialize(const D3DPRESENT_PARAMETERS& parameters) {
  D3DPRESENT_PARAMETERS applied = parameters;
  HRESULT result = ApplyPresentation(&applied);
  if (FAILED(result)) return result;
  presentation_ = applied;
  SetDefaultStates();
  return D3D_OK;
}

void DeviceCore::SetDefaultStates() {
  Bindings fresh;
  fresh.renderStates = {
      {D3DRS_ZENABLE, presentation_.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE},
      {D3DRS_ZWRITEENABLE, TRUE},
      {D3DRS_SRCBLEND, D3DBLEND_ONE},
      {D3DRS_DESTBLEND, D3DBLEND_ZERO},
      {D3DRS_CULLMODE, D3DCULL_CCW},
      {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
      {D3DRS_ALPHABLENDENABLE, FALSE},
      {D3DRS_LIGHTING, TRUE},
  };
  for (auto& sampler : fresh.samplerStates) {
    sampler = {{D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP},
               {D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP},
               {D3DSAMP_MAGFILTER, D3DTEXF_POINT},
               {D3DSAMP_MINFILTER, D3DTEXF_POINT},
               {D3DSAMP_MIPFILTER, D3DTEXF_NONE}};
  }
  fresh.world = fresh.view = fresh.projection = Identity();
  bindings_ = std::move(fresh);
}

void DeviceCore::Unbind(const IUnknown* object) {
  for (auto& texture : bindings_.textures) {
    if (texture && static_cast<const IUnknown*>(texture) == object) texture = nullptr;
  }
  if (bindings_.stream && static_cast<const IUnknown*>(bindings_.stream) == object) {
    bindings_.stream = nullptr;
  }
  if (bindings_.indices && static_cast<const IUnknown*>(bindings_.indices) == object) {
    bindings_.indices = nullptr;
  }
  if (bindings_.declaration && static_cast<const IUnknown*>(bindings_.declaration) == object) {
    bindings_.declaration = nullptr;
    bindings_.layout.clear();
  }
  if (bindings_.program && static_cast<const IUnknown*>(bindings_.program) == object) {
    bindings_.program = nullptr;
  }
}

HRESULT DeviceCore::TestCooperativeLevel() {
  Call call(recorder_, "TestCooperativeLevel");
  if (auto failure = call.Injected()) return call.Return(*failure);
  if (recorder_ && recorder_->loss() == Recorder::Loss::kLost) {
    return call.Return(D3DERR_DEVICELOST);
  }
  if (recorder_ && recorder_->loss() == Recorder::Loss::kResettable) {
    return call.Return(D3DERR_DEVICENOTRESET);
  }
  return call.Return(D3D_OK);
}

HRESULT DeviceCore::Reset(D3DPRESENT_PARAMETERS* parameters) {
  Call call(recorder_, "Reset");
  if (parameters && call.Recording()) call.Entry().presentParameters = *parameters;
  if (auto failure = call.Injected()) return call.Return(*failure);
  if (!parameters || !ValidPresentParameters(*parameters)) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  if (recorder_ && recorder_->loss() == Recorder::Loss::kLost) {
    return call.Return(D3DERR_DEVICELOST);
  }
  if (defaultPoolResources_ > 0) return call.Return(D3DERR_INVALIDCALL);
  D3DPRESENT_PARAMETERS applied = *parameters;
  HRESULT result = ApplyPresentation(&applied);
  if (FAILED(result)) return call.Return(result);
  *parameters = applied;
  presentation_ = applied;
  inScene_ = false;
  SetDefaultStates();
  if (recorder_) recorder_->EndLoss();
  return call.Return(D3D_OK);
}

HRESULT DeviceCore::Present(const void* sourceRect, const void* destRect, HWND overrideWindow,
                            const void* dirtyRegion) {
  Call call(recorder_, "Present");
  call.Object(sourceRect).Object(destRect).Object(overrideWindow).Object(dirtyRegion);
  if (auto failure = call.Injected()) return call.Return(*failure);
  if (sourceRect || destRect || overrideWindow || dirtyRegion || inScene_) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  if (recorder_ && recorder_->loss() != Recorder::Loss::kNone) {
    return call.Return(D3DERR_DEVICELOST);
  }
  return call.Return(PresentFrame());
}

HRESULT DeviceCore::BeginScene() {
  Call call(recorder_, "BeginScene");
  if (auto failure = call.Injected()) return call.Return(*failure);
  if (inScene_) return call.Return(D3DERR_INVALIDCALL);
  inScene_ = true;
  return call.Return(D3D_OK);
}

HRESULT DeviceCore::EndScene() {
  Call call(recorder_, "EndScene");
  if (auto failure = call.Injected()) return call.Return(*failure);
  if (!inScene_) return call.Return(D3DERR_INVALIDCALL);
  inScene_ = false;
  return call.Return(D3D_OK);
}

HRESULT DeviceCore::Clear(DWORD count, const void* rects, DWORD flags, D3DCOLOR colour, float z,
                          DWORD stencil) {
  Call call(recorder_, "Clear");
  call.Number(count).Object(rects).Number(flags).Number(colour).Number(z).Number(stencil);
  if (auto failure = call.Injected()) return call.Return(*failure);
  const DWORD known = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER;
  if (count != 0 || rects || !(flags & known) || (flags & ~known) || !(z >= 0.0f && z <= 1.0f) ||
      ((flags & D3DCLEAR_ZBUFFER) && !presentation_.EnableAutoDepthStencil)) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  ClearTarget(flags, colour, z);
  return call.Return(D3D_OK);
}

namespace {
D3DMATRIX* TransformSlot(Bindings& bindings, D3DTRANSFORMSTATETYPE state) {
  switch (state) {
    case D3DTS_WORLD:
      return &bindings.world;
    case D3DTS_VIEW:
      return &bindings.view;
    case D3DTS_PROJECTION:
      return &bindings.projection;
  }
  return nullptr;
}
}  // namespace

HRESULT DeviceCore::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
  Call call(recorder_, "SetTransform");
  call.Number(state);
  if (matrix) call.Entry().matrix = *matrix;
  if (auto failure = call.Injected()) return call.Return(*failure);
  D3DMATRIX* slot = TransformSlot(bindings_, state);
  if (!slot || !matrix) return call.Return(D3DERR_INVALIDCALL);
  *slot = *matrix;
  return call.Return(D3D_OK);
}

HRESULT DeviceCore::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
  Call call(recorder_, "GetTransform");
  call.Number(state);
  if (auto failure = call.Injected()) return call.Return(*failure);
  D3DMATRIX* slot = TransformSlot(bindings_, state);
  if (!slot || !matrix) return call.Return(D3DERR_INVALIDCALL);
  *matrix = *slot;
  return call.Return(D3D_OK);
}

HRESULT DeviceCore::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  Call call(recorder_, "SetRenderState");
  call.Number(state).Number(value);
  if (auto failure = call.Injected()) return call.Return(*failure);
  auto range = RenderStateRanges().find(state);
  if (range == RenderStateRanges().end() || !InRange(value, range->second)) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  bindings_.renderStates[state] = value;
  return call.Return(D3D_OK);
}

HRESULT DeviceCore::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
  Call call(recorder_, "GetRenderState");
  call.Number(state);
  if (auto failure = call.Injected()) return call.Return(*failure);
  auto found = bindings_.renderStates.find(state);
  if (found == bindings_.renderStates.end() || !value) return call.Return(D3DERR_INVALIDCALL);
  *value = found->second;
  return call.Return(D3D_OK);
}

HRESULT DeviceCore::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  Call call(recorder_, "SetSamplerState");
  call.Number(sampler).Number(type).Number(value);
  if (auto failure = call.Injected()) return call.Return(*failure);
  auto range = SamplerStateRanges().find(type);
  if (sampler >= D3DMAX_TEXTURE_STAGES || range == SamplerStateRanges().end() ||
      !InRange(value, range->second)) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  bindings_.samplerStates[sampler][type] = value;
  return call.Return(D3D_OK);
}

HRESULT DeviceCore::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
  Call call(recorder_, "GetSamplerState");
  call.Number(sampler).Number(type);
  if (auto failure = call.Injected()) return call.Return(*failure);
  if (sampler >= D3DMAX_TEXTURE_STAGES || !value) return call.Return(D3DERR_INVALIDCALL);
  auto found = bindings_.samplerStates[sampler].find(type);
  if (found == bindings_.samplerStates[sampler].end()) return call.Return(D3DERR_INVALIDCALL);
  *value = found->second;
  return call.Return(D3D_OK);
}

HRESULT DeviceCore::SetTexture(DWORD stage, IDirect3DTexture9* texture) {
  Call call(recorder_, "SetTexture");
  call.Number(stage).Object(texture);
  if (auto failure = call.Injected()) return call.Return(*failure);
  auto* ours = static_cast<Texture*>(texture);
  if (stage >= D3DMAX_TEXTURE_STAGES || (ours && &ours->device() != this)) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  bindings_.textures[stage] = ours;
  return call.Return(D3D_OK);
}

HRESULT DeviceCore::GetTexture(DWORD stage, IDirect3DTexture9** texture) {
  Call call(recorder_, "GetTexture");
  call.Number(stage);
  if (auto failure = call.Injected()) return call.Return(*failure);
  if (stage >= D3DMAX_TEXTURE_STAGES || !texture) return call.Return(D3DERR_INVALIDCALL);
  *texture = bindings_.textures[stage];
  if (*texture) (*texture)->AddRef();
  return call.Return(D3D_OK);
}

HRESULT DeviceCore::CreateVertexBuffer(UINT bytes, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       IDirect3DVertexBuffer9** buffer, void* sharedHandle) {
  Call call(recorder_, "CreateVertexBuffer");
  call.Number(bytes).Number(usage).Number(fvf).Number(pool);
  if (buffer) *buffer = nullptr;
  if (auto failure = call.Injected()) return call.Return(*failure);
  const DWORD known = D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC;
  if (!buffer || bytes == 0 || sharedHandle || (usage & ~known) ||
      (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED) ||
      (pool == D3DPOOL_MANAGED && (usage & D3DUSAGE_DYNAMIC)) ||
      (fvf != 0 && FvfLayout(fvf).empty())) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  std::unique_ptr<BufferStorage> storage;
  HRESULT result = NewBufferStorage(bytes, &storage);
  if (FAILED(result)) return call.Return(result);
  *buffer = new VertexBuffer(*this, bytes, usage, pool, D3DFMT_UNKNOWN, std::move(storage));
  call.Object(*buffer);
  return call.Return(D3D_OK);
}

HRESULT DeviceCore::CreateIndexBuffer(UINT bytes, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DIndexBuffer9** buffer, void* sharedHandle) {
  Call call(recorder_, "CreateIndexBuffer");
  call.Number(bytes).Number(usage).Number(format).Number(pool);
  if (buffer) *buffer = nullptr;
  if (auto failure = call.Injected()) return call.Return(*failure);
  const DWORD known = D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC;
  if (!buffer || bytes == 0 || sharedHandle || (usage & ~known) ||
      (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) ||
      (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED) ||
      (pool == D3DPOOL_MANAGED && (usage & D3DUSAGE_DYNAMIC))) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  std::unique_ptr<BufferStorage> storage;
  HRESULT result = NewBufferStorage(bytes, &storage);
  if (FAILED(result)) return call.Return(result);
  *buffer = new IndexBuffer(*this, bytes, usage, pool, format, std::move(storage));
  call.Object(*buffer);
  return call.Return(D3D_OK);
}

HRESULT DeviceCore::CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                            IDirect3DVertexDeclaration9** declaration) {
  constexpr int kMaxElements = 64;
  Call call(recorder_, "CreateVertexDeclaration");
  std::vector<D3DVERTEXELEMENT9> list;
  bool terminated = false;
  for (int i = 0; elements && i < kMaxElements; ++i) {
    if (elements[i].Stream == 0xFF) {
      terminated = true;
      break;
    }
    list.push_back(elements[i]);
  }
  if (call.Recording()) call.Entry().elements = list;
  if (declaration) *declaration = nullptr;
  if (auto failure = call.Injected()) return call.Return(*failure);
  if (!declaration || !terminated || list.empty()) return call.Return(D3DERR_INVALIDCALL);
  bool locationUsed[kInputLocations] = {};
  for (const D3DVERTEXELEMENT9& element : list) {
    int location = InputLocation(element.Usage, element.UsageIndex);
    if (element.Stream != 0 || ElementBytes(element.Type) == 0 ||
        element.Method != D3DDECLMETHOD_DEFAULT || location < 0 || locationUsed[location]) {
      return call.Return(D3DERR_INVALIDCALL);
    }
    locationUsed[location] = true;
  }
  *declaration = new VertexDeclaration(*this, std::move(list));
  call.Object(*declaration);
  return call.Return(D3D_OK);
}

HRESULT DeviceCore::SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) {
  Call call(recorder_, "SetVertexDeclaration");
  call.Object(declaration);
  if (auto failure = call.Injected()) return call.Return(*failure);
  auto* ours = static_cast<VertexDeclaration*>(declaration);
  if (ours && &ours->device() != this) return call.Return(D3DERR_INVALIDCALL);
  bindings_.declaration = ours;
  bindings_.fvf = 0;
  bindings_.layout = ours ? ours->elements() : std::vector<D3DVERTEXELEMENT9>{};
  return call.Return(D3D_OK);
}

HRESULT DeviceCore::SetFVF(DWORD fvf) {
  Call call(recorder_, "SetFVF");
  call.Number(fvf);
  if (auto failure = call.Injected()) return call.Return(*failure);
  std::vector<D3DVERTEXELEMENT9> layout = FvfLayout(fvf);
  if (layout.empty()) return call.Return(D3DERR_INVALIDCALL);
  bindings_.declaration = nullptr;
  bindings_.fvf = fvf;
  bindings_.layout = std::move(layout);
  return call.Return(D3D_OK);
}

HRESULT DeviceCore::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offsetBytes,
                                    UINT stride) {
  Call call(recorder_, "SetStreamSource");
  call.Number(stream).Object(buffer).Number(offsetBytes).Number(stride);
  if (auto failure = call.Injected()) return call.Return(*failure);
  auto* ours = static_cast<VertexBuffer*>(buffer);
  if (stream != 0 ||
      (ours && (&ours->device() != this || stride == 0 || offsetBytes > ours->bytes().size()))) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  bindings_.stream = ours;
  bindings_.streamOffset = ours ? offsetBytes : 0;
  bindings_.stride = ours ? stride : 0;
  return call.Return(D3D_OK);
}

HRESULT DeviceCore::SetIndices(IDirect3DIndexBuffer9* buffer) {
  Call call(recorder_, "SetIndices");
  call.Object(buffer);
  if (auto failure = call.Injected()) return call.Return(*failure);
  auto* ours = static_cast<IndexBuffer*>(buffer);
  if (ours && &ours->device() != this) return call.Return(D3DERR_INVALIDCALL);
  bindings_.indices = ours;
  return call.Return(D3D_OK);
}

HRESULT DeviceCore::CheckDraw(D3DPRIMITIVETYPE type, UINT primitiveCount, UINT* vertexCount) const {
  if (!inScene_ || (type != D3DPT_TRIANGLELIST && type != D3DPT_TRIANGLESTRIP) ||
      primitiveCount == 0 || primitiveCount > 0x3FFFFFFF || bindings_.layout.empty() ||
      !bindings_.stream || bindings_.stream->locked()) {
    return D3DERR_INVALIDCALL;
  }
  *vertexCount = VerticesOf(type, primitiveCount);
  return D3D_OK;
}

HRESULT DeviceCore::CheckVertexRange(INT first, UINT count) const {
  UINT vertexBytes = 0;
  for (const D3DVERTEXELEMENT9& element : bindings_.layout) {
    vertexBytes = std::max(vertexBytes, UINT(element.Offset + ElementBytes(element.Type)));
  }
  if (first < 0 || count == 0) return D3DERR_INVALIDCALL;
  const std::uint64_t last = std::uint64_t(first) + count - 1;
  const std::uint64_t end =
      bindings_.streamOffset + last * bindings_.stride + std::uint64_t(vertexBytes);
  return end <= bindings_.stream->bytes().size() ? D3D_OK : D3DERR_INVALIDCALL;
}

DrawState DeviceCore::CurrentDrawState() const {
  DrawState state;
  state.streamBuffer = bindings_.stream;
  state.streamOffset = bindings_.streamOffset;
  state.stride = bindings_.stride;
  state.indices = bindings_.indices;
  state.fvf = bindings_.fvf;
  state.declaration = bindings_.declaration;
  state.program = bindings_.program;
  state.texture = bindings_.textures[0];
  state.world = bindings_.world;
  state.view = bindings_.view;
  state.projection = bindings_.projection;
  state.renderStates = bindings_.renderStates;
  state.samplerStates = bindings_.samplerStates[0];
  return state;
}

HRESULT DeviceCore::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
  Call call(recorder_, "DrawPrimitive");
  call.Number(type).Number(startVertex).Number(primitiveCount);
  if (call.Recording()) call.Entry().draw = CurrentDrawState();
  if (auto failure = call.Injected()) return call.Return(*failure);
  UINT vertexCount = 0;
  if (FAILED(CheckDraw(type, primitiveCount, &vertexCount)) ||
      startVertex > UINT(std::numeric_limits<INT>::max()) ||
      FAILED(CheckVertexRange(INT(startVertex), vertexCount))) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  Draw({type, false, startVertex, vertexCount, 0});
  return call.Return(D3D_OK);
}

HRESULT DeviceCore::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex,
                                         UINT numVertices, UINT startIndex, UINT primitiveCount) {
  Call call(recorder_, "DrawIndexedPrimitive");
  call.Number(type).Number(baseVertex).Number(minIndex).Number(numVertices).Number(startIndex);
  call.Number(primitiveCount);
  if (call.Recording()) call.Entry().draw = CurrentDrawState();
  if (auto failure = call.Injected()) return call.Return(*failure);
  UINT indexCount = 0;
  if (FAILED(CheckDraw(type, primitiveCount, &indexCount)) || !bindings_.indices ||
      bindings_.indices->locked() || numVertices == 0 ||
      std::int64_t(baseVertex) + minIndex > std::numeric_limits<INT>::max() ||
      FAILED(CheckVertexRange(baseVertex + INT(minIndex), numVertices))) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  // Every index must lie in the range the caller declared, which was checked against the stream;
  // the GPU would otherwise read outside the vertex buffer.
  const std::vector<BYTE>& bytes = bindings_.indices->bytes();
  const bool wide = bindings_.indices->indexFormat() == D3DFMT_INDEX32;
  const UINT indexBytes = wide ? 4 : 2;
  if (std::uint64_t(startIndex) + indexCount > bytes.size() / indexBytes) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  for (UINT i = startIndex; i < startIndex + indexCount; ++i) {
    DWORD index = 0;
    if (wide) {
      std::memcpy(&index, &bytes[i * 4], 4);
    } else {
      WORD shortIndex;
      std::memcpy(&shortIndex, &bytes[i * 2], 2);
      index = shortIndex;
    }
    if (index < minIndex || index - minIndex >= numVertices) {
      return call.Return(D3DERR_INVALIDCALL);
    }
  }
  Draw({type, true, startIndex, indexCount, baseVertex});
  return call.Return(D3D_OK);
}

HRESULT DeviceCore::CreateTextureFromRgba(UINT width, UINT height, const BYTE* rgba,
                                          IDirect3DTexture9** texture) {
  constexpr UINT kMaxSize = 16384;
  Call call(recorder_, "CreateTextureFromRgba");
  call.Number(width).Number(height);
  if (texture) *texture = nullptr;
  if (auto failure = call.Injected()) return call.Return(*failure);
  if (!texture || !rgba || width == 0 || height == 0 || width > kMaxSize || height > kMaxSize) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  std::unique_ptr<TextureStorage> storage;
  HRESULT result = NewTextureStorage(width, height, rgba, &storage);
  if (FAILED(result)) return call.Return(result);
  std::vector<BYTE> pixels;
  if (!storage) pixels.assign(rgba, rgba + std::size_t(width) * height * 4);
  *texture = new Texture(*this, width, height, std::move(pixels), std::move(storage));
  call.Object(*texture);
  return call.Return(D3D_OK);
}

HRESULT DeviceCore::CreateShaderProgram(const char* vertexSource, const char* fragmentSource,
                                        const char* const* samplerNames, UINT samplerCount,
                                        IDirect3DShaderProgram9** program, std::string* errors) {
  Call call(recorder_, "CreateShaderProgram");
  call.Number(samplerCount);
  if (program) *program = nullptr;
  if (auto failure = call.Injected()) return call.Return(*failure);
  if (!program || !vertexSource || !fragmentSource || samplerCount > D3DMAX_TEXTURE_STAGES ||
      (samplerCount > 0 && !samplerNames)) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  std::vector<std::string> names(samplerNames, samplerNames + samplerCount);
  std::unique_ptr<ProgramStorage> storage;
  std::string log;
  HRESULT result = NewProgramStorage(vertexSource, fragmentSource, names, &storage, &log);
  if (FAILED(result)) {
    if (errors) *errors = log;
    return call.Return(result);
  }
  *program =
      new ShaderProgram(*this, vertexSource, fragmentSource, samplerCount, std::move(storage));
  call.Object(*program);
  return call.Return(D3D_OK);
}

HRESULT DeviceCore::SetShaderProgram(IDirect3DShaderProgram9* program) {
  Call call(recorder_, "SetShaderProgram");
  call.Object(program);
  if (auto failure = call.Injected()) return call.Return(*failure);
  auto* ours = static_cast<ShaderProgram*>(program);
  if (ours && &ours->device() != this) return call.Return(D3DERR_INVALIDCALL);
  bindings_.program = ours;
  return call.Return(D3D_OK);
}

IDirect3DShaderProgram9* DeviceCore::GetShaderProgram() {
  return bindings_.program;
}

// ---- Direct3D object ----------------------------------------------------------------------------

HRESULT Direct3DCore::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
  Call call(recorder_, "GetAdapterDisplayMode");
  call.Number(adapter);
  if (auto failure = call.Injected()) return call.Return(*failure);
  if (adapter != D3DADAPTER_DEFAULT || !mode) return call.Return(D3DERR_INVALIDCALL);
  return call.Return(DesktopMode(mode));
}

UINT Direct3DCore::GetAdapterModeCount(UINT adapter, D3DFORMAT format) {
  Call call(recorder_, "GetAdapterModeCount");
  call.Number(adapter).Number(format);
  if (call.Injected()) return UINT(call.Return(0));
  if (adapter != D3DADAPTER_DEFAULT || format != D3DFMT_X8R8G8B8) return UINT(call.Return(0));
  return UINT(call.Return(HRESULT(Modes().size())));
}

HRESULT Direct3DCore::EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT index,
                                       D3DDISPLAYMODE* mode) {
  Call call(recorder_, "EnumAdapterModes");
  call.Number(adapter).Number(format).Number(index);
  if (auto failure = call.Injected()) return call.Return(*failure);
  if (adapter != D3DADAPTER_DEFAULT || !mode) return call.Return(D3DERR_INVALIDCALL);
  if (format != D3DFMT_X8R8G8B8) return call.Return(D3DERR_NOTAVAILABLE);
  std::vector<D3DDISPLAYMODE> modes = Modes();
  if (index >= modes.size()) return call.Return(D3DERR_INVALIDCALL);
  *mode = modes[index];
  return call.Return(D3D_OK);
}

HRESULT Direct3DCore::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) {
  Call call(recorder_, "GetDeviceCaps");
  call.Number(adapter).Number(type);
  if (auto failure = call.Injected()) return call.Return(*failure);
  if (adapter != D3DADAPTER_DEFAULT || type != D3DDEVTYPE_HAL || !caps) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  *caps = Caps();
  return call.Return(D3D_OK);
}

HRESULT Direct3DCore::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format,
                                                 BOOL windowed, D3DMULTISAMPLE_TYPE multiSample,
                                                 DWORD* quality) {
  Call call(recorder_, "CheckDeviceMultiSampleType");
  call.Number(adapter).Number(type).Number(format).Number(windowed).Number(multiSample);
  call.Object(quality);
  if (auto failure = call.Injected()) return call.Return(*failure);
  if (adapter != D3DADAPTER_DEFAULT || type != D3DDEVTYPE_HAL) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  if ((format != D3DFMT_X8R8G8B8 && format != D3DFMT_A8R8G8B8) ||
      !SupportsMultiSample(multiSample)) {
    return call.Return(D3DERR_NOTAVAILABLE);
  }
  if (quality) *quality = 1;
  return call.Return(D3D_OK);
}

HRESULT Direct3DCore::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviour,
                                   D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) {
  Call call(recorder_, "CreateDevice");
  call.Number(adapter).Number(type).Number(behaviour).Object(focusWindow);
  if (parameters && call.Recording()) call.Entry().presentParameters = *parameters;
  if (device) *device = nullptr;
  if (auto failure = call.Injected()) return call.Return(*failure);
  const DWORD processing =
      behaviour & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING);
  if (!device || !parameters || adapter != D3DADAPTER_DEFAULT || type != D3DDEVTYPE_HAL ||
      behaviour != processing ||
      (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING &&
       processing != D3DCREATE_HARDWARE_VERTEXPROCESSING) ||
      !ValidPresentParameters(*parameters)) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  if (processing == D3DCREATE_HARDWARE_VERTEXPROCESSING && Caps().VertexProcessingCaps == 0) {
    return call.Return(D3DERR_NOTAVAILABLE);
  }
  if (!SupportsMultiSample(parameters->MultiSampleType)) return call.Return(D3DERR_INVALIDCALL);
  DeviceCore* created = nullptr;
  HWND window = parameters->hDeviceWindow ? parameters->hDeviceWindow : focusWindow;
  HRESULT result = NewDevice(window, &created);
  if (FAILED(result)) return call.Return(result);
  result = created->Initialize(*parameters);
  if (FAILED(result)) {
    created->Release();
    return call.Return(result);
  }
  *device = created;
  call.Object(created);
  return call.Return(D3D_OK);
}

}  // namespace d3d9::detail
