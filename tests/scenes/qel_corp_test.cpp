// The makers' logo: where it lies on 4:3 and wider modes, its fade, and the skip keys.
#include <gtest/gtest.h>

#include "platform/os/win32.h"
#include "tests/scenes/intro_fixture.h"

namespace intro_test {
namespace {

constexpr TexRect kLogo{0.63232421875f, 0.4423828125f, 0.78271484375f, 0.5673828125f};

using QelCorpTest = IntroSceneTest;

TEST_F(QelCorpTest, TheLogoIsCentredTexelForTexelAndFadesIn) {
  OpenShow();
  Frame(0.5f, 0.5f);
  logo().Update();
  ASSERT_EQ(Quads().size(), 1u);
  // 308 × 128 texels as as many pixels of 1024 × 768.
  ExpectQuad(Quads()[0], {-0.30078125f, -0.16666667f, 0.6015625f, 0.33333334f, kLogo, 0.5f});
}

TEST_F(QelCorpTest, OnAWideModeOnlyXAndWidthShrink) {
  OpenShow(1680, 1050);  // 16:10, k = 1.2
  Frame(2.0f, 1.0f);
  logo().Update();
  ASSERT_EQ(Quads().size(), 1u);
  ExpectQuad(Quads()[0],
             {-0.30078125f / 1.2f, -0.16666667f, 0.6015625f / 1.2f, 0.33333334f, kLogo, 1.0f});
}

TEST_F(QelCorpTest, ASkipKeyCountsOnlyWhenReleased) {
  OpenShow();
  for (int key : {VK_SPACE, VK_ESCAPE}) {
    Hold(key);
    Frame(3.0f);
    logo().Update();
    EXPECT_EQ(manager->currentIndex, 1u) << "held key " << key;
    EXPECT_FALSE(logo().fadingOut);
  }
  Hold(VK_SPACE);
  Release(VK_ESCAPE);
  Frame(3.02f);
  logo().Update();
  EXPECT_EQ(manager->currentIndex, 5u);
  EXPECT_TRUE(logo().fadingOut);
}

}  // namespace
}  // namespace intro_test
