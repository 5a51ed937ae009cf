// The sprite sequence: its random order, each step's zoom and turn, and the sprite's vertices.
#include "visualizers/sprite_roto_zoom.h"

#include <algorithm>
#include <cstdlib>

#include "content/player_state.h"
#include "graphics/drawing_operations.h"
#include "platform/d3dx/d3dx9.h"
#include "platform/os/platform.h"

namespace {

constexpr DWORD kSpriteFvf = D3DFVF_XYZ | D3DFVF_TEX1;

struct SpriteVertex {
  float x, y, z, u, v;
};

// Sprites as texels: left, top, width, height. 0 to 17 are the credits on their 1024-texel
// picture, 18 the title on the 2048 × 1024 title atlas.
struct TexelBox {
  int left, top, width, height;
};
constexpr TexelBox kSprites[SpriteRotoZoom::kSteps] = {
    {4, 4, 178, 86},     {192, 4, 276, 86},   {480, 4, 358, 86},   {4, 100, 272, 86},
    {290, 100, 294, 86}, {592, 100, 282, 86}, {4, 196, 318, 86},   {336, 196, 184, 86},
    {530, 196, 298, 86}, {4, 292, 212, 86},   {224, 292, 228, 86}, {466, 292, 550, 86},
    {4, 388, 296, 88},   {304, 388, 426, 88}, {4, 486, 314, 88},   {322, 488, 164, 82},
    {498, 486, 262, 88}, {774, 486, 240, 86}, {440, 680, 730, 300}};

constexpr float kTitleSeconds = 7.0f;
constexpr float kCreditSeconds = 1.5555556f;        // 14/9
constexpr float kCreditZoomInSeconds = 0.7777778f;  // 7/9
constexpr float kRadiansPerDegree = 0.017453292f;

// The title zooms in from 2/9 while turning once, holds at 2 from 2 to 6 seconds, then zooms
// past while turning half a turn. Degrees, before the turn direction is applied.
void TitleMotion(float d, float* scale, float* angle) {
  if (d < 2.0f) {
    *scale = 2.0f / (9.0f - 4.0f * d);
    *angle = 180.0f * d;
  } else if (d < 6.0f) {
    *scale = 2.0f;
    *angle = 0.0f;
  } else {
    *scale = 2.0f * (4.0f * d - 23.0f);
    *angle = (d - 6.0f) * 180.0f;
  }
}

// A credit grows from 2/9 to about 2.571 in 7/9 of a second, drops to 2 and rushes on to 26.
float CreditScale(float d) {
  if (d < kCreditZoomInSeconds) return 2.0f / (9.0f - 10.571428f * d);
  return 2.0f * (15.428572f * d - 11.0f);
}

}  // namespace

SpriteRotoZoom::SpriteRotoZoom(Scene* owner)
    : Visualizer(owner), sprite_(sizeof(SpriteVertex) * 6, kSpriteFvf) {
  order[0] = kTitlePicture;
  std::srand(unsigned(os::CalendarTime()));
  // Each draw is kept unless that credit is placed already, so the order follows the seeded
  // generator draw for draw.
  for (int filled = 1; filled < kSteps;) {
    int r = std::rand() % (kSteps - 1);
    if (std::find(order, order + filled, r) == order + filled) order[filled++] = r;
  }
  MeshBuffer::SetProjection();
  PrepareStep();
  if (GraphicsDevice* graphics = GraphicsDevice::Existing()) graphics->AddResourceOwner(this);
}

SpriteRotoZoom::~SpriteRotoZoom() {
  if (GraphicsDevice* graphics = GraphicsDevice::Existing()) graphics->RemoveResourceOwner(this);
}

void SpriteRotoZoom::PrepareStep() {
  const TexelBox& box = kSprites[order[step]];
  bool title = order[step] == kTitlePicture;
  float across = title ? 2048.0f : 1024.0f;
  float left = float(box.left) / across, right = float(box.left + box.width) / across;
  float top = float(box.top) / 1024.0f, bottom = float(box.top + box.height) / 1024.0f;
  // Half the texture width is the half-width, except on the title atlas, twice as wide in texels.
  float a = title ? right - left : (right - left) / 2.0f;
  float b = (bottom - top) / 2.0f;
  const SpriteVertex vertices[6] = {{-a, b, 0, left, top},     {a, b, 0, right, top},
                                    {a, -b, 0, right, bottom}, {-a, b, 0, left, top},
                                    {a, -b, 0, right, bottom}, {-a, -b, 0, left, bottom}};
  sprite_.Write(vertices);
}

void SpriteRotoZoom::Draw(const float*, const std::uint8_t*, float sampleTime, float, float,
                          float) {
  if (step >= kSteps) return;
  if (firstCall) {
    stepStart = sampleTime;
    firstCall = false;
  }
  float d = sampleTime - stepStart;
  if (d >= (step == 0 ? kTitleSeconds : kCreditSeconds)) {
    // The call that ends a step draws nothing; the next sprite shows from the following call.
    ++step;
    if (step < kSteps) PrepareStep();
    stepStart = sampleTime;
    return;
  }

  float scale = 0.0f, angle = 0.0f;
  if (step == 0) {
    TitleMotion(d, &scale, &angle);
  } else {
    scale = CreditScale(d);
  }
  // Even steps turn clockwise as the viewer sees them.
  if (step % 2 == 0) angle = -angle;
  // In the plane z = 2, the projection's near plane.
  D3DXMATRIX turn, size, place;
  D3DXMatrixRotationZ(&turn, angle * kRadiansPerDegree);
  D3DXMatrixScaling(&size, scale, scale, scale);
  D3DXMatrixTranslation(&place, 0.0f, 0.0f, 2.0f);
  const PlayerState* disk = PlayerState::Instance();
  QueueSpriteMesh(sprite_.get(), step == 0 ? disk->titleAtlas : disk->creditsTexture,
                  turn * size * place);
}

void SpriteRotoZoom::ReleaseDeviceResources() {
  sprite_.Release();
}

void SpriteRotoZoom::RecreateDeviceResources() {
  MeshBuffer::SetProjection();
  sprite_.Create();
  if (step < kSteps) PrepareStep();
}
