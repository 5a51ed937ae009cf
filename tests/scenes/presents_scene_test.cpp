// The presents scene: its caption, and the closing picture it draws again over its own background
// while the captions scene fades out under it, down to a negative alpha that shows nothing.
#include <gtest/gtest.h>

#include <vector>

#include "app/release_and_clear.h"
#include "graphics/device_frame_graphics.h"
#include "platform/d3d9/frame_capture.h"
#include "platform/os/win32.h"
#include "scenes/intro/intro_rules.h"
#include "tests/scenes/intro_fixture.h"
#include "tests/support/frame_callback.h"

namespace intro_test {
namespace {

constexpr TexRect kPresentsCaption{0.37548828125f, 0.5986328125f, 0.43212890625f, 0.6298828125f};

ExpectedQuad Caption(float k, float alpha) {
  return {-0.1f / k, -0.05f, 0.2265625f / k, 0.083333336f, kPresentsCaption, alpha};
}
ExpectedQuad ClosingPicture(float alpha) {
  return {-0.6f, -0.5f, 1.171875f, 1.0286459f, kClosingPicture, alpha};
}

class PresentsSceneTest : public IntroSceneTest {
 protected:
  // The captions scene fully shown until its cue at 35 seconds, then the presents scene started.
  void HandOverFromCaptions() {
    OpenShow();
    StartScene(2);
    Frame(10.04f, 1.0f);
    captions().Update();
    Frame(35.02f);
    captions().Update();
    ASSERT_EQ(manager->currentIndex, 3u);
    StartScene(3);
  }
  // One pass of the cross-fade: both scenes updated in list order.
  void CrossFadeFrame(float t) {
    Frame(t);
    captions().Update();
    presents().Update();
  }
};

TEST_F(PresentsSceneTest, ThePictureFadesOutAtTwiceTheCrossFadesPace) {
  HandOverFromCaptions();
  int redraws = 0;
  for (int n = 1; n <= 50; ++n) {
    CrossFadeFrame(35.02f + 0.02f * float(n));
    SCOPED_TRACE(testing::Message() << "pass " << n << " of the cross-fade");
    // The captions' background and picture first, then ours over them.
    ASSERT_GE(Quads().size(), 4u);
    ExpectQuad(Quads()[2], {-1.0f, -1.0f, 2.0f, 2.0f, kBackgroundStrip, 1.0f});
    float s = 0.02f * float(n);
    ExpectQuad(Quads()[3], Caption(1.0f, s));
    if (!presents().fadingIn) {
      EXPECT_EQ(Quads().size(), 4u) << "no redraw once faded in";
      continue;
    }
    ASSERT_EQ(Quads().size(), 5u);
    ExpectQuad(Quads()[4], ClosingPicture(1.0f - 2.0f * s));
    ++redraws;
  }
  // The last pass of the fade-in ends it before drawing, so at most one pass lacks the redraw.
  EXPECT_GE(redraws, 49);
}

TEST_F(PresentsSceneTest, ALongFirstFrameNeverRedrawsThePicture) {
  HandOverFromCaptions();
  Frame(36.1f, 1.08f);
  presents().Update();
  EXPECT_FALSE(presents().fadingIn);
  ASSERT_EQ(Quads().size(), 2u);
  ExpectQuad(Quads()[1], Caption(1.0f, 1.0f));
}

TEST_F(PresentsSceneTest, ASkipDuringTheFadeInStopsTheRedrawAtOnce) {
  HandOverFromCaptions();
  for (int n = 1; n <= 10; ++n) CrossFadeFrame(35.02f + 0.02f * float(n));
  EXPECT_NEAR(presents().fade, 0.2f, 1e-5);
  // The captions scene, fading out but updated first, sees the release and leaves the showing
  // scene, this one, before its own update: no redraw in this pass, and the caption fades out
  // from where it stood.
  Release(VK_SPACE);
  CrossFadeFrame(35.24f);
  EXPECT_EQ(manager->currentIndex, 5u);
  EXPECT_TRUE(presents().fadingOut);
  ASSERT_EQ(Quads().size(), 4u);
  ExpectQuad(Quads()[3], Caption(1.0f, 0.18f));
  InputState::Instance()->previousKeys[VK_SPACE] = 0;
  StartScene(5);
  CrossFadeFrame(35.26f);
  ASSERT_EQ(Quads().size(), 4u);
  ExpectQuad(Quads()[3], Caption(1.0f, 0.16f));
}

TEST_F(PresentsSceneTest, WithTheCaptionsGoneTheRedrawsAlphaIsMinusTheFade) {
  OpenShow(1280, 720);
  StartScene(3);
  Frame(44.0f, 0.3f);
  presents().Update();
  ASSERT_EQ(Quads().size(), 3u);
  ExpectQuad(Quads()[1], Caption(4.0f / 3.0f, 0.3f));
  EXPECT_NEAR(Quads()[2].a, -0.3f, 1e-6);
  // At exactly 44 seconds no hand-over yet.
  EXPECT_EQ(manager->currentIndex, 3u);
}

// On the OpenGL device: the picture at a negative alpha leaves the frame as it was.
TEST(PresentsSceneGl, ANegativeAlphaDrawsNothing) {
  std::string error;
  auto platform = os::Platform::Open(true, &error);
  ASSERT_TRUE(platform) << error;
  os::SetBatchMode(true);
  os::SetDataFolder(std::string(ORVELL_SOURCE_DIR) + "/data");

  DeviceFrameGraphics graphics;
  ASSERT_NE(graphics.CreateDevice(160, 120, 60, 0), nullptr) << "no OpenGL device";
  graphics.CreateRenderer();
  std::vector<d3d9::FrameImage> frames;
  FrameCallback capture([&frames](IDirect3DDevice9* device) {
    frames.emplace_back();
    EXPECT_EQ(d3d9::CaptureFrame(device, &frames.back()), D3D_OK);
  });
  graphics.SendFramesTo(&capture);
  ASSERT_EQ(D3DXCreateTextureFromFileW(GraphicsDevice::Existing()->device, "data/tit.png",
                                       &PlayerState::Instance()->titleAtlas),
            D3D_OK);
  UseDiskTitleAtlas();
  for (float alpha : {0.0f, -0.5f, -1.0f, 0.5f}) {
    DrawBackground(1.0f);
    DrawClosingPicture(alpha);
    ASSERT_TRUE(graphics.DrawFrame());
  }
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(frames[1].rgba, frames[0].rgba) << "alpha -0.5 changed the frame";
  EXPECT_EQ(frames[2].rgba, frames[0].rgba) << "alpha -1 changed the frame";
  EXPECT_NE(frames[3].rgba, frames[0].rgba) << "alpha 0.5 should show the picture";

  ReleaseAndClear(PlayerState::Instance()->titleAtlas);
  graphics.Destroy();
  os::SetBatchMode(false);
}

}  // namespace
}  // namespace intro_test
