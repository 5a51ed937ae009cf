// Creation, writing and release of an effect's vertex buffer; the effects' projection.
#include "visualizers/mesh_buffer.h"

#include <cstring>

#include "app/release_and_clear.h"
#include "graphics/graphics_device.h"
#include "platform/d3dx/d3dx9.h"

namespace {
IDirect3DDevice9* Device() {
  const GraphicsDevice* graphics = GraphicsDevice::Existing();
  return graphics ? graphics->device : nullptr;
}
}  // namespace

MeshBuffer::MeshBuffer(UINT bytes, DWORD fvf) : bytes_(bytes), fvf_(fvf) {
  Create();
}

MeshBuffer::~MeshBuffer() {
  Release();
}

void MeshBuffer::Release() {
  ReleaseAndClear(buffer_);
}

void MeshBuffer::Create() {
  Release();
  IDirect3DDevice9* device = Device();
  if (!device || FAILED(device->CreateVertexBuffer(bytes_, D3DUSAGE_DYNAMIC, fvf_, D3DPOOL_DEFAULT,
                                                   &buffer_, nullptr))) {
    buffer_ = nullptr;
  }
}

bool MeshBuffer::Write(const void* vertices) {
  void* bytes = nullptr;
  if (!buffer_ || FAILED(buffer_->Lock(0, bytes_, &bytes, 0))) return false;
  std::memcpy(bytes, vertices, bytes_);
  buffer_->Unlock();
  return true;
}

void MeshBuffer::SetProjection() {
  IDirect3DDevice9* device = Device();
  if (!device) return;
  D3DXMATRIX projection;
  D3DXMatrixPerspectiveFovLH(&projection, 0.7853982f, GraphicsDevice::Existing()->Aspect(), 2.0f,
                             100.0f);
  device->SetTransform(D3DTS_PROJECTION, &projection);
}
