// The intro scenes on the recording device: the chain as the show builds it, with a stand-in for
// the global initialization, and frames stepped by hand so a test can set the timer and the keys
// and read what one update queued.
#pragma once

#include <memory>
#include <vector>

#include "app/frame_timer.h"
#include "app/scene_manager.h"
#include "content/global_initialization_scene.h"
#include "content/player_state.h"
#include "platform/d3dx/d3dx9.h"
#include "scenes/intro/intro_scene.h"
#include "scenes/intro/presents_scene.h"
#include "scenes/intro/qel_corp.h"
#include "scenes/intro/qel_scene.h"
#include "scenes/player/main_scene.h"
#include "scenes/scene_chain.h"
#include "tests/graphics/recording_fixture.h"

namespace intro_test {

class NoScene : public Scene {
 public:
  void Update() override {}
};

// 0 a stand-in, 1 logo, 2 captions, 3 presents, 4 intro, 5 player, linked as the show links them.
inline std::vector<std::unique_ptr<Scene>> IntroChain() {
  return BuildSceneChainFrom(std::make_unique<NoScene>());
}

class IntroSceneTest : public RecordingDeviceTest {
 protected:
  void TearDown() override {
    manager->scenes.clear();
    manager->startedIndex = manager->currentIndex = 0;
    FrameTimer::Destroy();
    PlayerState& textures = *PlayerState::Instance();
    for (IDirect3DTexture9* texture :
         {textures.titleAtlas, textures.creditsTexture, textures.cloudRing}) {
      if (texture) texture->Release();
    }
    PlayerState::Destroy();
    RecordingDeviceTest::TearDown();
  }

  // The device in a mode, the renderer, the shared pictures and the chain, with the logo shown.
  void OpenShow(int width = 1024, int height = 768) {
    IDirect3DDevice9* device = Open(width, height)->device;
    GuiRenderer::Instance();
    PlayerState& textures = *PlayerState::Instance();
    ASSERT_EQ(D3DXCreateTextureFromFileW(device, "data/tit.png", &textures.titleAtlas), D3D_OK);
    ASSERT_EQ(D3DXCreateTextureFromFileW(device, "data/credits.png", &textures.creditsTexture),
              D3D_OK);
    ASSERT_EQ(D3DXCreateTextureFromFileW(device, "data/cloudring.png", &textures.cloudRing),
              D3D_OK);
    UseDiskTitleAtlas();
    manager->scenes = IntroChain();
    StartScene(1);
  }

  // As the frame loop starts a scene that a hand-over asked for.
  void StartScene(std::uint32_t index) {
    manager->scenes[index]->Start();
    manager->startedIndex = manager->currentIndex = index;
  }

  // The timer as the scenes of the next update see it; the queues emptied as after a render.
  void Frame(float totalSeconds, float deltaSeconds = 0.02f) {
    FrameTimer* timer = FrameTimer::Instance();
    timer->totalSeconds = totalSeconds;
    timer->deltaSeconds = deltaSeconds;
    GuiRenderer::Instance()->DiscardQueued();
  }

  // A key that was down at the last snapshot and is up now.
  void Release(int virtualKey) {
    InputState* input = InputState::Instance();
    input->previousKeys[virtualKey] = 1;
    input->keys[virtualKey] = 0;
  }
  void Hold(int virtualKey) {
    InputState* input = InputState::Instance();
    input->previousKeys[virtualKey] = input->keys[virtualKey] = 1;
  }

  const std::vector<QuadCommand>& Quads() { return GuiRenderer::Instance()->QueuedQuads(); }
  const std::vector<MeshCommand>& Meshes() { return GuiRenderer::Instance()->QueuedMeshes(); }

  QelCorp& logo() { return static_cast<QelCorp&>(*manager->scenes[1]); }
  QelScene& captions() { return static_cast<QelScene&>(*manager->scenes[2]); }
  PresentsScene& presents() { return static_cast<PresentsScene&>(*manager->scenes[3]); }
  IntroScene& intro() { return static_cast<IntroScene&>(*manager->scenes[4]); }

  SceneManager* manager = SceneManager::Instance();
};

// A quad's place, size, texture rectangle and alpha; colour is white for every intro quad.
struct ExpectedQuad {
  float x, y, w, h;
  TexRect picture;
  float alpha;
};

inline void ExpectQuad(const QuadCommand& quad, const ExpectedQuad& expected) {
  EXPECT_NEAR(quad.x, expected.x, 1e-6);
  EXPECT_NEAR(quad.y, expected.y, 1e-6);
  EXPECT_NEAR(quad.w, expected.w, 1e-6);
  EXPECT_NEAR(quad.h, expected.h, 1e-6);
  EXPECT_EQ(quad.texLeft, expected.picture.left);
  EXPECT_EQ(quad.texTop, expected.picture.top);
  EXPECT_EQ(quad.texRight, expected.picture.right);
  EXPECT_EQ(quad.texBottom, expected.picture.bottom);
  EXPECT_EQ(quad.r, 1.0f);
  EXPECT_EQ(quad.g, 1.0f);
  EXPECT_EQ(quad.b, 1.0f);
  EXPECT_NEAR(quad.a, expected.alpha, 1e-5);
  EXPECT_EQ(quad.texture, PlayerState::Instance()->titleAtlas);
  EXPECT_EQ(quad.z, 1.0f);
}

}  // namespace intro_test
