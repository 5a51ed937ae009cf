// The captions scene: the background's fade-in, each caption strip's drift, growth and alpha
// schedule, and the closing picture that stays opaque while the scene fades out.
#include <gtest/gtest.h>

#include <vector>

#include "platform/os/win32.h"
#include "scenes/intro/intro_rules.h"
#include "tests/scenes/intro_fixture.h"

namespace intro_test {
namespace {

constexpr TexRect kCaption1{0.796875f, 0.4521484375f, 0.93798828125f, 0.4931640625f};
constexpr TexRect kCaption2{0.83837890625f, 0.3916015625f, 0.9365234375f, 0.4384765625f};
constexpr TexRect kCaption3{0.7216796875f, 0.33203125f, 0.93408203125f, 0.3740234375f};

ExpectedQuad Background(float alpha) {
  return {-1.0f, -1.0f, 2.0f, 2.0f, kBackgroundStrip, alpha};
}

class QelSceneTest : public IntroSceneTest {
 protected:
  // The captions scene started at its cue and fully faded in.
  void OpenCaptions(int width = 1024, int height = 768) {
    OpenShow(width, height);
    StartScene(2);
    Frame(10.04f, 1.0f);
    captions().Update();
  }
  void ExpectFrame(float t, const std::vector<ExpectedQuad>& afterBackground) {
    SCOPED_TRACE(testing::Message() << "t = " << t);
    Frame(t);
    captions().Update();
    ASSERT_EQ(Quads().size(), afterBackground.size() + 1);
    ExpectQuad(Quads()[0], Background(1.0f));
    for (std::size_t i = 0; i < afterBackground.size(); ++i) {
      ExpectQuad(Quads()[i + 1], afterBackground[i]);
    }
  }
};

TEST_F(QelSceneTest, EachStripDriftsGrowsAndFadesInItsOwnSeconds) {
  OpenCaptions();
  // s seconds after its base time a strip lies at x = s/40 − x0, w = (s/300 + w0)·4 and
  // h = (s/600 + 0.025)·8/3; values worked out by hand.
  ExpectFrame(10.98f, {});
  ExpectFrame(11.0f, {{-0.64f, 0.5f, 0.56f, 0.0666667f, kCaption1, 0.0f}});
  ExpectFrame(11.5f, {{-0.6275f, 0.5f, 0.5666667f, 0.0688889f, kCaption1, 0.5f}});
  ExpectFrame(12.0f, {{-0.615f, 0.5f, 0.5733333f, 0.0711111f, kCaption1, 1.0f}});
  ExpectFrame(13.0f, {{-0.59f, 0.5f, 0.5866667f, 0.0755556f, kCaption1, 1.0f}});
  ExpectFrame(15.0f, {{-0.54f, 0.5f, 0.6133333f, 0.0844444f, kCaption1, 1.0f},
                      {-0.27f, 0.0f, 0.36f, 0.0666667f, kCaption2, 0.0f}});
  ExpectFrame(15.25f, {{-0.53375f, 0.5f, 0.6166667f, 0.0855556f, kCaption1, 0.75f},
                       {-0.26375f, 0.0f, 0.3633333f, 0.0677778f, kCaption2, 0.25f}});
  ExpectFrame(16.0f, {{-0.245f, 0.0f, 0.3733333f, 0.0711111f, kCaption2, 1.0f}});
  ExpectFrame(17.0f, {{-0.22f, 0.0f, 0.3866667f, 0.0755556f, kCaption2, 1.0f}});
  ExpectFrame(19.5f, {{-0.1575f, 0.0f, 0.42f, 0.0866667f, kCaption2, 0.5f},
                      {-0.0375f, -0.5f, 0.8466667f, 0.0688889f, kCaption3, 0.5f}});
  ExpectFrame(21.0f, {{0.0f, -0.5f, 0.8666667f, 0.0755556f, kCaption3, 1.0f}});
  ExpectFrame(23.5f, {{0.0625f, -0.5f, 0.9f, 0.0866667f, kCaption3, 0.5f}});
  // Only the background from 24 to 25 seconds, 25 included.
  ExpectFrame(24.0f, {});
  ExpectFrame(25.0f, {});
}

TEST_F(QelSceneTest, TheClosingPictureFadesInAndStaysOpaqueWhileTheSceneFadesOut) {
  OpenCaptions();
  const ExpectedQuad picture{-0.6f, -0.5f, 1.171875f, 1.0286459f, kClosingPicture, 0.0f};
  auto withAlpha = [&](float alpha) {
    ExpectedQuad quad = picture;
    quad.alpha = alpha;
    return quad;
  };
  ExpectFrame(25.5f, {withAlpha(0.5f)});
  ExpectFrame(30.0f, {withAlpha(1.0f)});
  ExpectFrame(35.02f, {withAlpha(1.0f)});
  ASSERT_TRUE(captions().fadingOut);
  StartScene(3);
  Frame(35.5f, 0.48f);
  captions().Update();
  EXPECT_NEAR(captions().fade, 0.52f, 1e-6);
  ASSERT_EQ(Quads().size(), 2u);
  ExpectQuad(Quads()[0], Background(1.0f));
  ExpectQuad(Quads()[1], withAlpha(1.0f));
}

TEST_F(QelSceneTest, TheClosingPictureKeepsItsProportionsOnAWideMode) {
  OpenCaptions(1280, 720);  // 16:9, k = 4/3
  Frame(30.0f);
  captions().Update();
  ASSERT_EQ(Quads().size(), 2u);
  ExpectQuad(Quads()[1], {-0.45f, -0.5f, 0.87890625f, 1.0286459f, kClosingPicture, 1.0f});
}

TEST_F(QelSceneTest, TheBackgroundFadesInOnlyUntilTheSceneIsLeft) {
  OpenShow();
  StartScene(2);
  Frame(10.04f, 0.3f);
  captions().Update();
  ASSERT_EQ(Quads().size(), 1u);
  ExpectQuad(Quads()[0], Background(0.3f));
  // Left during its fade-in: the background is opaque at once while the scene fades out.
  Release(VK_SPACE);
  Frame(10.06f);
  captions().Update();
  EXPECT_EQ(manager->currentIndex, 5u);
  InputState::Instance()->previousKeys[VK_SPACE] = 0;
  Frame(10.08f);
  captions().Update();
  EXPECT_TRUE(captions().fadingOut);
  ExpectQuad(Quads()[0], Background(1.0f));
}

TEST_F(QelSceneTest, AfterASkipOnlyTheHoldPhaseFollowsTheFade) {
  OpenCaptions();
  Release(VK_ESCAPE);
  Frame(11.5f);
  captions().Update();
  ASSERT_EQ(manager->currentIndex, 5u);
  InputState::Instance()->previousKeys[VK_ESCAPE] = 0;
  StartScene(5);
  // Rising: the strip keeps its time-based alpha while the scene fades.
  Frame(11.7f, 0.2f);
  captions().Update();
  EXPECT_NEAR(captions().fade, 0.8f, 1e-6);
  ASSERT_EQ(Quads().size(), 2u);
  EXPECT_NEAR(Quads()[1].a, 0.7f, 1e-5);
  // Holding: the strip fades with the scene.
  Frame(12.2f, 0.5f);
  captions().Update();
  ASSERT_EQ(Quads().size(), 2u);
  EXPECT_NEAR(Quads()[1].a, 0.3f, 1e-5);
  EXPECT_TRUE(captions().active);
}

TEST_F(QelSceneTest, AStripFadingOutKeepsItsTimeBasedAlphaAfterASkip) {
  OpenCaptions();
  Release(VK_SPACE);
  Frame(14.6f);
  captions().Update();
  InputState::Instance()->previousKeys[VK_SPACE] = 0;
  StartScene(5);
  Frame(15.0f, 0.4f);
  captions().Update();
  EXPECT_NEAR(captions().fade, 0.6f, 1e-6);
  ASSERT_EQ(Quads().size(), 3u);
  EXPECT_NEAR(Quads()[1].a, 1.0f, 1e-6) << "strip 1 from its fifth second on: 16 - t";
  EXPECT_NEAR(Quads()[2].a, 0.0f, 1e-6) << "strip 2 in its first second: t - 15";
}

}  // namespace
}  // namespace intro_test
