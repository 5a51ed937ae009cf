// The cloud rings, their turning, and the veil.
#include "visualizers/swirling_cloud.h"

#include <cstdlib>

#include "content/player_state.h"
#include "graphics/gui_renderer.h"
#include "platform/d3dx/d3dx9.h"
#include "platform/os/platform.h"

namespace {

constexpr DWORD kRingFvf = D3DFVF_XYZ | D3DFVF_TEX1;
constexpr DWORD kVeilFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;

struct RingVertex {
  float x, y, z, u, v;
};
struct VeilVertex {
  float x, y, z;
  D3DCOLOR colour;
};

// A 4 × 4 square centred on the origin, as two clockwise triangles, with the whole picture on it.
constexpr RingVertex kSquare[6] = {{-2, 2, 0, 0, 0}, {2, 2, 0, 1, 0},  {2, -2, 0, 1, 1},
                                   {-2, 2, 0, 0, 0}, {2, -2, 0, 1, 1}, {-2, -2, 0, 0, 1}};

constexpr float kRadiansPerDegree = 0.017453292f;

}  // namespace

SwirlingCloud::SwirlingCloud(Scene* owner)
    : Visualizer(owner), ring_(sizeof kSquare, kRingFvf), veil_(sizeof(VeilVertex) * 6, kVeilFvf) {
  MeshBuffer::SetProjection();
  ring_.Write(kSquare);
  // Seeded like the sprites: two effects made in the same second start from the same point of
  // the generator's sequence.
  std::srand(unsigned(os::CalendarTime()));
  for (float& angle : angles) angle = float(std::rand() % 360);
  if (GraphicsDevice* graphics = GraphicsDevice::Existing()) graphics->AddResourceOwner(this);
}

SwirlingCloud::~SwirlingCloud() {
  if (GraphicsDevice* graphics = GraphicsDevice::Existing()) graphics->RemoveResourceOwner(this);
}

void SwirlingCloud::Draw(const float*, const std::uint8_t*, float, float, float first, float) {
  GuiRenderer* renderer = GuiRenderer::Instance();
  IDirect3DTexture9* cloudRing = PlayerState::Instance()->cloudRing;
  for (int i = 0; i < kRings; ++i) {
    // 4, 7, 10 ... 19 units wide at depth 5, where the screen shows about 4.14 units of height.
    float scale = 1.0f + 0.75f * float(i);
    D3DXMATRIX turn, size, place;
    D3DXMatrixRotationZ(&turn, -angles[i] * kRadiansPerDegree);
    D3DXMatrixScaling(&size, scale, scale, scale);
    D3DXMatrixTranslation(&place, 0.0f, 0.0f, 5.0f);
    renderer->QueueMesh(
        {ring_.get(), sizeof(RingVertex), 2, kRingFvf, turn * size * place, cloudRing});
    // Ring i turns (i + 1)/16 of a degree a call; the excess over a full turn is dropped.
    angles[i] += float(i + 1) * 0.0625f;
    if (angles[i] >= 360.0f) angles[i] = 0.0f;
  }

  // Opacity 1 − fade as a byte, truncated: a half-faded scene lies under 127, not 128.
  D3DCOLOR black = D3DCOLOR(int((1.0f - first) * 255.0f)) << 24;
  VeilVertex veil[6];
  for (int v = 0; v < 6; ++v) veil[v] = {kSquare[v].x, kSquare[v].y, 0.0f, black};
  veil_.Write(veil);
  // In the near plane the square covers the whole screen. Drawn after every quad of the frame,
  // the veil darkens other scenes' quads too, and only meshes queued after it stay bright.
  D3DXMATRIX place;
  D3DXMatrixTranslation(&place, 0.0f, 0.0f, 2.0f);
  renderer->QueueMesh({veil_.get(), sizeof(VeilVertex), 2, kVeilFvf, place, nullptr});
}

void SwirlingCloud::ReleaseDeviceResources() {
  ring_.Release();
  veil_.Release();
}

void SwirlingCloud::RecreateDeviceResources() {
  MeshBuffer::SetProjection();
  ring_.Create();
  ring_.Write(kSquare);
  veil_.Create();
}
