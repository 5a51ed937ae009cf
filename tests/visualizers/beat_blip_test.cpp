// BeatBlip's levels: a beat lights a spot fully, no beat fades it by 0.05 a call (dipping below
// zero once), the scene's fade and panel transition cap it, and all six spots are queued every
// call.
#include "visualizers/beat_blip.h"

#include "tests/graphics/recording_fixture.h"

namespace {

class BeatBlipTest : public RecordingDeviceTest {
 protected:
  void SetUp() override {
    RecordingDeviceTest::SetUp();
    Open();
    renderer = GuiRenderer::Instance();
  }
  // One call; returns the six quads it queued.
  std::vector<QuadCommand> Call(std::initializer_list<int> beatBands, float first = 1.0f,
                                float second = 1.0f) {
    std::uint8_t beats[6] = {};
    for (int band : beatBands) beats[band] = 1;
    renderer->DiscardQueued();
    blip.Draw(spectrum, beats, 0.0f, 0.04f, first, second);
    return renderer->QueuedQuads();
  }
  GuiRenderer* renderer = nullptr;
  BeatBlip blip{nullptr};
  float spectrum[256] = {};
};

TEST_F(BeatBlipTest, ABeatInOneBandLightsOnlyItsSpot) {
  auto quads = Call({3}, 0.8f, 1.0f);
  ASSERT_EQ(quads.size(), 6u);
  for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(quads[std::size_t(i)].a, i == 3 ? 0.8f : 0.0f) << i;
  EXPECT_FLOAT_EQ(blip.levels[3], 1.0f);
  // Spot 3 sits at (0.42, −0.11), 62 × 62 texels of the atlas.
  EXPECT_FLOAT_EQ(quads[3].x, 0.42f);
  EXPECT_FLOAT_EQ(quads[3].y, -0.11f);
  EXPECT_FLOAT_EQ(quads[3].w, 0.12109375f);
  EXPECT_FLOAT_EQ(quads[3].h, 0.16145834f);
  EXPECT_FLOAT_EQ(quads[3].texLeft, 0.609375f);
  EXPECT_FLOAT_EQ(quads[3].texBottom, 0.4189453125f);
}

TEST_F(BeatBlipTest, ALevelFadesBelowZeroForOneCallThenRestsAtZero) {
  blip.levels[0] = 0.03f;
  auto quads = Call({});
  EXPECT_NEAR(blip.levels[0], -0.02f, 1e-7);
  EXPECT_NEAR(quads[0].a, -0.02f, 1e-7);
  Call({});
  EXPECT_EQ(blip.levels[0], 0.0f);
}

TEST_F(BeatBlipTest, FullLevelFadesOutInTwentyCalls) {
  Call({5});
  int calls = 0;
  while (blip.levels[5] > 0.0f && calls < 100) {
    Call({});
    ++calls;
  }
  EXPECT_GE(calls, 20);
  EXPECT_LE(calls, 21);
}

TEST_F(BeatBlipTest, ZeroTransitionHidesEverySpotWhateverTheBeats) {
  auto quads = Call({0, 1, 2, 3, 4, 5}, 1.0f, 0.0f);
  ASSERT_EQ(quads.size(), 6u);
  for (const auto& quad : quads) EXPECT_LE(quad.a, 0.0f);
}

TEST_F(BeatBlipTest, WideModesDivideXAndWidthByTheAspectFactor) {
  GraphicsDevice::Existing()->width = 1366;
  const float k = 1366.0f / (768.0f / 768.0f) / 1024.0f;
  auto quads = Call({});
  EXPECT_FLOAT_EQ(quads[5].x, -0.8125f / k);
  EXPECT_FLOAT_EQ(quads[5].w, 0.12109375f / k);
  EXPECT_FLOAT_EQ(quads[5].h, 0.16145834f);
}

}  // namespace
