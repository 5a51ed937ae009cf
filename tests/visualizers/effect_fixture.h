// The intro's mesh effects on the recording device: the device in a mode with the renderer and the
// shared pictures, a fixed calendar time for the random generator, and readers for what a Draw
// queued.
#pragma once

#include <cmath>
#include <vector>

#include "content/global_initialization_scene.h"
#include "content/player_state.h"
#include "platform/d3dx/d3dx9.h"
#include "tests/graphics/recording_fixture.h"

namespace effect_test {

class EffectTest : public RecordingDeviceTest {
 protected:
  static constexpr std::int64_t kSeed = 1234567;

  void SetUp() override {
    RecordingDeviceTest::SetUp();
    device = Open()->device;
    GuiRenderer::Instance();
    PlayerState& textures = *PlayerState::Instance();
    ASSERT_EQ(D3DXCreateTextureFromFileW(device, "data/tit.png", &textures.titleAtlas), D3D_OK);
    ASSERT_EQ(D3DXCreateTextureFromFileW(device, "data/credits.png", &textures.creditsTexture),
              D3D_OK);
    ASSERT_EQ(D3DXCreateTextureFromFileW(device, "data/cloudring.png", &textures.cloudRing),
              D3D_OK);
    UseDiskTitleAtlas();
    os::OverrideCalendarTime(kSeed);
  }
  void TearDown() override {
    PlayerState& textures = *PlayerState::Instance();
    for (IDirect3DTexture9* texture :
         {textures.titleAtlas, textures.creditsTexture, textures.cloudRing}) {
      texture->Release();
    }
    PlayerState::Destroy();
    RecordingDeviceTest::TearDown();
  }

  // The meshes queued since the last call.
  std::vector<MeshCommand> TakeMeshes() {
    std::vector<MeshCommand> meshes = GuiRenderer::Instance()->QueuedMeshes();
    GuiRenderer::Instance()->DiscardQueued();
    return meshes;
  }

  // The perspective every effect draws under at 1024 × 768: 45° up, aspect 4/3, planes 2 and 100.
  void ExpectProjection() {
    D3DMATRIX projection{};
    ASSERT_EQ(device->GetTransform(D3DTS_PROJECTION, &projection), D3D_OK);
    const float expected[4][4] = {{1.8106602f, 0, 0, 0},
                                  {0, 2.4142137f, 0, 0},
                                  {0, 0, 100.0f / 98.0f, 1},
                                  {0, 0, -200.0f / 98.0f, 0}};
    for (int r = 0; r < 4; ++r) {
      for (int c = 0; c < 4; ++c) EXPECT_NEAR(projection.m[r][c], expected[r][c], 1e-5) << r << c;
    }
  }

  IDirect3DDevice9* device = nullptr;
};

// A world matrix made of a turn about z, a uniform scale and a move along z, read back.
struct TurnScaleMove {
  float degrees, scale, z;
};
inline TurnScaleMove Decompose(const D3DMATRIX& world) {
  const float kDegreesPerRadian = 57.29578f;
  return {std::atan2(world.m[0][1], world.m[0][0]) * kDegreesPerRadian, world.m[2][2],
          world.m[3][2]};
}

}  // namespace effect_test
