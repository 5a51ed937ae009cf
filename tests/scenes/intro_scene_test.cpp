// The intro scene: its own analyzer with the cloud and then the sprites, what one frame queues,
// and its end: a fade to black after the 79-second cue, then the player screen.
#include <gtest/gtest.h>

#include <span>

#include "platform/os/win32.h"
#include "scenes/intro/intro_rules.h"
#include "tests/scenes/intro_fixture.h"
#include "visualizers/sprite_roto_zoom.h"
#include "visualizers/swirling_cloud.h"

namespace intro_test {
namespace {

// The alpha byte of each of the veil's six vertices (position, then a B, G, R, A colour).
std::vector<int> VeilAlphas(const MeshCommand& veil) {
  std::span<const BYTE> bytes = d3d9::RecordedBytes(veil.vertexBuffer);
  std::vector<int> alphas;
  for (std::size_t v = 0; v + 16 <= bytes.size(); v += 16) alphas.push_back(bytes[v + 15]);
  return alphas;
}

class IntroTest : public IntroSceneTest {
 protected:
  void StartIntro() {
    OpenShow();
    StartScene(4);
  }
};

TEST_F(IntroTest, ItsAnalyzerDrivesTheCloudAndThenTheSprites) {
  OpenShow();
  IntroScene& scene = intro();
  EXPECT_EQ(scene.analyzer.owner, &scene);
  ASSERT_EQ(scene.analyzer.visualizers.size(), 2u);
  EXPECT_NE(dynamic_cast<SwirlingCloud*>(scene.analyzer.visualizers[0].get()), nullptr);
  EXPECT_NE(dynamic_cast<SpriteRotoZoom*>(scene.analyzer.visualizers[1].get()), nullptr);
  for (const auto& visualizer : scene.analyzer.visualizers) EXPECT_EQ(visualizer->scene, &scene);
  EXPECT_FALSE(scene.active);
}

TEST_F(IntroTest, AFrameDrawsTheBackgroundThenRingsVeilAndSprite) {
  StartIntro();
  Frame(44.04f);
  intro().Update();
  ASSERT_EQ(Quads().size(), 1u);
  ExpectQuad(Quads()[0], {-1.0f, -1.0f, 2.0f, 2.0f, kBackgroundStrip, 1.0f});

  const PlayerState& textures = *PlayerState::Instance();
  ASSERT_EQ(Meshes().size(), 8u);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Meshes()[std::size_t(i)].texture, textures.cloudRing);
  const MeshCommand& veil = Meshes()[6];
  EXPECT_EQ(veil.texture, nullptr);
  EXPECT_EQ(veil.fvf, DWORD(D3DFVF_XYZ | D3DFVF_DIFFUSE));
  // Two hundredths into the fade-in: (1 − 0.02) · 255 = 249.9, truncated.
  EXPECT_EQ(VeilAlphas(veil), std::vector<int>(6, 249));
  // The sprite comes after the veil, so the fade does not darken it.
  EXPECT_EQ(Meshes()[7].texture, textures.titleAtlas);
  EXPECT_EQ(Meshes()[7].fvf, DWORD(D3DFVF_XYZ | D3DFVF_TEX1));
}

TEST_F(IntroTest, AfterTheCueItFadesToBlackAndOnlyThenHandsOver) {
  StartIntro();
  Frame(45.1f, 1.06f);
  intro().Update();
  ASSERT_EQ(intro().fade, 1.0f);
  Frame(79.0f);
  intro().Update();
  EXPECT_FALSE(intro().fadingOut) << "the cue is strictly after 79 seconds";
  // The cue's frame starts the fade-out and tests no skip key.
  Release(VK_SPACE);
  Frame(79.02f);
  intro().Update();
  EXPECT_TRUE(intro().fadingOut);
  EXPECT_EQ(manager->currentIndex, 4u);
  InputState::Instance()->previousKeys[VK_SPACE] = 0;

  float t = 79.02f;
  while (intro().active) {
    t += 0.02f;
    Frame(t);
    intro().Update();
    ASSERT_LT(t, 80.1f) << "the fade-out lasts one second";
  }
  EXPECT_EQ(manager->currentIndex, 5u);
  EXPECT_FALSE(intro().fadingOut);
  EXPECT_EQ(intro().fade, 0.0f);
  // The last frame is still drawn, wholly under the black veil.
  ASSERT_EQ(Quads().size(), 1u);
  ASSERT_EQ(Meshes().size(), 8u);
  EXPECT_EQ(VeilAlphas(Meshes()[6]), std::vector<int>(6, 255));
}

TEST_F(IntroTest, ASkipHandsOverAtOnceAndTheFadeOutsEndLeavesThePlayerAlone) {
  StartIntro();
  Frame(50.0f, 1.0f);
  intro().Update();
  Release(VK_ESCAPE);
  Frame(50.02f);
  intro().Update();
  ASSERT_EQ(manager->currentIndex, 5u);
  EXPECT_TRUE(intro().fadingOut);
  InputState::Instance()->previousKeys[VK_ESCAPE] = 0;
  StartScene(5);
  auto& player = static_cast<MainScene&>(*manager->scenes[5]);
  float t = 50.02f;
  while (intro().active) {
    t += 0.02f;
    Frame(t);
    intro().Update();
    player.Update();
  }
  EXPECT_EQ(manager->startedIndex, 5u);
  EXPECT_FALSE(player.fadingOut);
}

}  // namespace
}  // namespace intro_test
