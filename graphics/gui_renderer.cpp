// Creation, the per-frame build and render, and reset handling of the GUI renderer.
#include "graphics/gui_renderer.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "app/release_and_clear.h"
#include "app/show_message.h"

namespace {
std::unique_ptr<GuiRenderer> instance;

IDirect3DDevice9* Device() {
  GraphicsDevice* graphics = GraphicsDevice::Existing();
  return graphics ? graphics->device : nullptr;
}

const D3DVERTEXELEMENT9 kGuiVertexElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    {0, 20, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    D3DDECL_END()};
}  // namespace

GuiRenderer::GuiRenderer() {
  CreateDeviceObjects();
  IDirect3DDevice9* device = Device();
  if (!device || FAILED(D3DXCreateTextureFromFileW(device, "data/font.png", &fontTexture_))) {
    fontTexture_ = nullptr;
    ShowMessage("Failed to create default font");
    PostQuitMessage(0);
  }
  if (GraphicsDevice* graphics = GraphicsDevice::Existing()) graphics->AddResourceOwner(this);
}

GuiRenderer* GuiRenderer::Instance() {
  // The constructor is private, out of make_unique's reach.
  if (!instance) instance.reset(new GuiRenderer());
  return instance.get();
}

GuiRenderer* GuiRenderer::Existing() {
  return instance.get();
}

void GuiRenderer::Destroy() {
  if (!instance) return;
  if (GraphicsDevice* graphics = GraphicsDevice::Existing())
    graphics->RemoveResourceOwner(instance.get());
  ReleaseAndClear(instance->fontTexture_);
  ReleaseAndClear(instance->vertexDeclaration_);
  ReleaseAndClear(instance->vertexBuffer_);
  ReleaseAndClear(instance->indexBuffer_);
  ReleaseAndClear(instance->effect_);
  instance.reset();
}

void GuiRenderer::CreateDeviceObjects() {
  IDirect3DDevice9* device = Device();
  if (!device || FAILED(device->CreateVertexDeclaration(kGuiVertexElements, &vertexDeclaration_))) {
    vertexDeclaration_ = nullptr;
    ShowMessage("Failed to create vertex declaration");
  }
  ID3DXBuffer* errors = nullptr;
  if (!device || FAILED(D3DXCreateEffectFromFileW(device, "data/gui.fx", nullptr, nullptr, 0,
                                                  nullptr, &effect_, &errors))) {
    effect_ = nullptr;
    if (errors) {
      std::fprintf(stderr, "%s\n", static_cast<const char*>(errors->GetBufferPointer()));
    }
    ShowMessage("Failed to create effect gui.fx");
  }
  ReleaseAndClear(errors);
  // The renderer never selects a technique: drawing runs the effect's first, which must be this.
  technique_ = effect_ ? effect_->GetTechniqueByName("GUI") : nullptr;
  if (!technique_) ShowMessage("No such technique GUI in gui.fx");
}

void GuiRenderer::QueueQuad(const QuadCommand& quad) {
  // Greatest z first, equal z in queue order. Every quad of the show has depth 1, so the quad
  // nearly always goes to the end: one comparison where sorting at render time would cost
  // n log n, and the queue can be handed out in drawing order at any time.
  if (quadQueue_.empty() || quadQueue_.back().z >= quad.z) {
    quadQueue_.push_back(quad);
    return;
  }
  auto after =
      std::upper_bound(quadQueue_.begin(), quadQueue_.end(), quad,
                       [](const QuadCommand& a, const QuadCommand& b) { return a.z > b.z; });
  quadQueue_.insert(after, quad);
}

void GuiRenderer::QueueMesh(const MeshCommand& mesh) {
  meshQueue_.push_back(mesh);
}

void GuiRenderer::ReleaseDeviceResources() {
  ReleaseAndClear(vertexBuffer_);
  ReleaseAndClear(indexBuffer_);
  ReleaseAndClear(vertexDeclaration_);
  ReleaseAndClear(effect_);
  vertexCapacity_ = 0;
}

void GuiRenderer::RecreateDeviceResources() {
  vertexCapacity_ = 0;
  CreateDeviceObjects();
}

bool GuiRenderer::Build() {
  IDirect3DDevice9* device = Device();
  const auto n = std::int32_t(quadQueue_.size());
  if (vertexCapacity_ < 4 * n) {
    ReleaseAndClear(vertexBuffer_);
    ReleaseAndClear(indexBuffer_);
    // Until both are made again the buffers hold nothing; a later, smaller frame must not skip
    // their creation and lock a buffer that is gone.
    vertexCapacity_ = 0;
    if (FAILED(device->CreateVertexBuffer(UINT(sizeof(GuiVertex) * 4 * n),
                                          D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT,
                                          &vertexBuffer_, nullptr))) {
      vertexBuffer_ = nullptr;
      ShowMessage("Failed to create a vertex buffer");
      return false;
    }
    bool small = 4 * n < 65536;
    UINT indexBytes = UINT(n) * 6 * (small ? 2 : 4);
    if (FAILED(device->CreateIndexBuffer(indexBytes, D3DUSAGE_WRITEONLY,
                                         small ? D3DFMT_INDEX16 : D3DFMT_INDEX32, D3DPOOL_DEFAULT,
                                         &indexBuffer_, nullptr))) {
      indexBuffer_ = nullptr;
      ShowMessage(small ? "Failed to create a 16bit index buffer"
                 : "Failed to create a 32bit index buffer");
      return false;
    }
    void* indices = nullptr;
    if (SUCCEEDED(indexBuffer_->Lock(0, 0, &indices, 0))) {
      for (std::uint32_t k = 0; k < std::uint32_t(n); ++k) {
        const std::uint32_t pattern[6] = {4 * k, 4 * k + 1, 4 * k + 2, 4 * k, 4 * k + 2, 4 * k + 3};
        for (int i = 0; i < 6; ++i) {
          if (small) {
            static_cast<std::uint16_t*>(indices)[6 * k + i] = std::uint16_t(pattern[i]);
          } else {
            static_cast<std::uint32_t*>(indices)[6 * k + i] = pattern[i];
          }
        }
      }
      indexBuffer_->Unlock();
    }
    vertexCapacity_ = 4 * n;
  }

  void* locked = nullptr;
  if (FAILED(vertexBuffer_->Lock(0, 0, &locked, D3DLOCK_DISCARD))) return false;
  auto* vertices = static_cast<GuiVertex*>(locked);
  for (std::uint32_t i = 0; i < std::uint32_t(n); ++i) {
    const QuadCommand& q = quadQueue_[i];
    if (i == 0 || q.texture != quadQueue_[i - 1].texture) batches_.push_back({i, q.texture});
    GuiVertex* v = vertices + 4 * i;
    v[0] = {q.x, q.y, q.z, q.texLeft, q.texBottom, q.r, q.g, q.b, q.a};
    v[1] = {q.x, q.y + q.h, q.z, q.texLeft, q.texTop, q.r, q.g, q.b, q.a};
    v[2] = {q.x + q.w, q.y + q.h, q.z, q.texRight, q.texTop, q.r, q.g, q.b, q.a};
    v[3] = {q.x + q.w, q.y, q.z, q.texRight, q.texBottom, q.r, q.g, q.b, q.a};
  }
  batches_.push_back({std::uint32_t(n), quadQueue_.back().texture});
  vertexBuffer_->Unlock();
  vertexStride_ = sizeof(GuiVertex);
  return true;
}

void GuiRenderer::DrawQuads() {
  IDirect3DDevice9* device = Device();
  UINT passes = 0;
  if (!effect_ || FAILED(effect_->Begin(&passes, 0))) return;
  device->SetVertexDeclaration(vertexDeclaration_);
  device->SetStreamSource(0, vertexBuffer_, 0, UINT(vertexStride_));
  device->SetIndices(indexBuffer_);
  for (UINT pass = 0; pass < passes; ++pass) {
    effect_->BeginPass(pass);
    for (std::size_t b = 0; b + 1 < batches_.size(); ++b) {
      effect_->SetTexture("texture_0", batches_[b].texture);
      effect_->CommitChanges();
      UINT quads = batches_[b + 1].first - batches_[b].first;
      if (FAILED(device->DrawIndexedPrimitive(primitiveType_, 0, 0, UINT(vertexCapacity_),
                                              6 * batches_[b].first, 2 * quads))) {
        ShowMessage("Failed to render graphical user interface");
      }
    }
    effect_->EndPass();
  }
  effect_->End();
}

void GuiRenderer::DrawMeshes() {
  IDirect3DDevice9* device = Device();
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  for (const MeshCommand& mesh : meshQueue_) {
    device->SetTransform(D3DTS_WORLD, &mesh.world);
    device->SetTexture(0, mesh.texture);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    device->SetStreamSource(0, mesh.vertexBuffer, 0, mesh.stride);
    device->SetFVF(mesh.fvf);
    if (mesh.texture) {
      device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, mesh.primitiveCount);
    } else {
      // Faces turned away first, then the faces towards the viewer over them.
      device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
      device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, mesh.primitiveCount);
      device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
      device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, mesh.primitiveCount);
    }
  }
}

void GuiRenderer::Render() {
  if (!quadQueue_.empty() && Device() && Build()) DrawQuads();
  quadQueue_.clear();
  batches_.clear();
  if (!meshQueue_.empty() && Device()) DrawMeshes();
  meshQueue_.clear();
}

void GuiRenderer::DiscardQueued() {
  quadQueue_.clear();
  meshQueue_.clear();
}
