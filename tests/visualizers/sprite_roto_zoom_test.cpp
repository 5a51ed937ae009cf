// The sprite sequence: the random order of the credits and its seed, each step's zoom and turn at
// the sample times that matter, the calls that end a step, the sprites' shapes, the end of the
// sequence and a device reset.
#include "visualizers/sprite_roto_zoom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <span>

#include "tests/visualizers/effect_fixture.h"
#include "visualizers/swirling_cloud.h"

namespace effect_test {
namespace {

struct SpriteVertex {
  float x, y, z, u, v;
};

std::vector<SpriteVertex> SpriteVertices(IDirect3DVertexBuffer9* buffer) {
  std::span<const BYTE> bytes = d3d9::RecordedBytes(buffer);
  std::vector<SpriteVertex> vertices(bytes.size() / sizeof(SpriteVertex));
  std::memcpy(vertices.data(), bytes.data(), vertices.size() * sizeof(SpriteVertex));
  return vertices;
}

// A sprite as two triangles with half-width a and half-height b on a texture rectangle.
void ExpectSprite(const std::vector<SpriteVertex>& vertices, float a, float b, float left,
                  float top, float right, float bottom) {
  const SpriteVertex expected[6] = {{-a, b, 0, left, top},     {a, b, 0, right, top},
                                    {a, -b, 0, right, bottom}, {-a, b, 0, left, top},
                                    {a, -b, 0, right, bottom}, {-a, -b, 0, left, bottom}};
  ASSERT_EQ(vertices.size(), 6u);
  for (int v = 0; v < 6; ++v) {
    SCOPED_TRACE(testing::Message() << "vertex " << v);
    EXPECT_FLOAT_EQ(vertices[std::size_t(v)].x, expected[v].x);
    EXPECT_FLOAT_EQ(vertices[std::size_t(v)].y, expected[v].y);
    EXPECT_EQ(vertices[std::size_t(v)].z, 0.0f);
    EXPECT_FLOAT_EQ(vertices[std::size_t(v)].u, expected[v].u);
    EXPECT_FLOAT_EQ(vertices[std::size_t(v)].v, expected[v].v);
  }
}

// The credits on their 1024-texel picture: left, top, width, height.
constexpr int kCredits[18][4] = {{4, 4, 178, 86},     {192, 4, 276, 86},   {480, 4, 358, 86},
                                 {4, 100, 272, 86},   {290, 100, 294, 86}, {592, 100, 282, 86},
                                 {4, 196, 318, 86},   {336, 196, 184, 86}, {530, 196, 298, 86},
                                 {4, 292, 212, 86},   {224, 292, 228, 86}, {466, 292, 550, 86},
                                 {4, 388, 296, 88},   {304, 388, 426, 88}, {4, 486, 314, 88},
                                 {322, 488, 164, 82}, {498, 486, 262, 88}, {774, 486, 240, 86}};

class SpriteRotoZoomTest : public EffectTest {
 protected:
  // One call at sample time T; the mesh it queued, if any.
  std::vector<MeshCommand> DrawAt(SpriteRotoZoom& sprites, float sampleTime) {
    sprites.Draw(nullptr, nullptr, sampleTime, 0.04f, 1.0f, 0.0f);
    return TakeMeshes();
  }
  // The scale and turn drawn at sample time T.
  TurnScaleMove WorldAt(SpriteRotoZoom& sprites, float sampleTime) {
    auto meshes = DrawAt(sprites, sampleTime);
    EXPECT_EQ(meshes.size(), 1u) << "at " << sampleTime;
    return meshes.empty() ? TurnScaleMove{} : Decompose(meshes[0].world);
  }
};

TEST_F(SpriteRotoZoomTest, TheTitleComesFirstThenEveryCreditOnce) {
  SpriteRotoZoom sprites(nullptr);
  EXPECT_EQ(sprites.order[0], 18);
  std::vector<int> credits(sprites.order + 1, sprites.order + 19);
  std::sort(credits.begin(), credits.end());
  std::vector<int> all(18);
  std::iota(all.begin(), all.end(), 0);
  EXPECT_EQ(credits, all);
  EXPECT_EQ(sprites.step, 0);
  EXPECT_TRUE(sprites.firstCall);
}

TEST_F(SpriteRotoZoomTest, EffectsMadeInTheSameSecondShareTheGeneratorsSequence) {
  SwirlingCloud cloud(nullptr);
  SpriteRotoZoom sprites(nullptr);
  SpriteRotoZoom again(nullptr);
  // Both start from the seed: the cloud's six angles are its first six numbers mod 360, and the
  // credits the same numbers mod 18, a divisor of 360. This seed's first six differ mod 18, so
  // none of them is drawn again.
  std::srand(unsigned(kSeed));
  for (float angle : cloud.angles) EXPECT_EQ(angle, float(std::rand() % 360));
  for (int i = 0; i < 6; ++i) EXPECT_EQ(sprites.order[1 + i], int(cloud.angles[i]) % 18) << i;
  EXPECT_TRUE(std::equal(sprites.order, sprites.order + 19, again.order));
}

TEST_F(SpriteRotoZoomTest, TheTitleSpinsInHoldsAndSpinsPast) {
  SpriteRotoZoom sprites(nullptr);
  auto first = DrawAt(sprites, 0.0f);
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].texture, PlayerState::Instance()->titleAtlas);
  EXPECT_EQ(first[0].stride, 20u);
  EXPECT_EQ(first[0].primitiveCount, 2u);
  EXPECT_EQ(first[0].fvf, 0x102u);
  TurnScaleMove world = Decompose(first[0].world);
  EXPECT_NEAR(world.scale, 2.0f / 9.0f, 1e-6);
  EXPECT_NEAR(world.degrees, 0.0f, 1e-4);
  EXPECT_EQ(world.z, 2.0f);

  world = WorldAt(sprites, 0.5f);  // a quarter turn clockwise: x towards −y
  EXPECT_NEAR(world.scale, 2.0f / 7.0f, 1e-6);
  EXPECT_NEAR(world.degrees, -90.0f, 1e-3);
  world = WorldAt(sprites, 1.0f);  // half a turn
  EXPECT_NEAR(world.scale, 0.4f, 1e-6);
  EXPECT_NEAR(std::abs(world.degrees), 180.0f, 1e-3);
  world = WorldAt(sprites, 2.0f);
  EXPECT_NEAR(world.scale, 2.0f, 1e-6);
  EXPECT_NEAR(world.degrees, 0.0f, 1e-4);
  world = WorldAt(sprites, 6.0f);
  EXPECT_NEAR(world.scale, 2.0f, 1e-6);
  EXPECT_NEAR(world.degrees, 0.0f, 1e-4);
  world = WorldAt(sprites, 6.5f);
  EXPECT_NEAR(world.scale, 6.0f, 1e-5);
  EXPECT_NEAR(world.degrees, -90.0f, 1e-3);
  EXPECT_EQ(sprites.step, 0);
}

TEST_F(SpriteRotoZoomTest, TheCallThatEndsAStepDrawsNothing) {
  SpriteRotoZoom sprites(nullptr);
  DrawAt(sprites, 44.04f);
  EXPECT_EQ(sprites.stepStart, 44.04f);
  EXPECT_EQ(DrawAt(sprites, 51.0f).size(), 1u);
  EXPECT_TRUE(DrawAt(sprites, 51.08f).empty());
  EXPECT_EQ(sprites.step, 1);
  EXPECT_EQ(sprites.stepStart, 51.08f);
  // The next sprite from the following call on, at the scale its own time gives.
  auto next = DrawAt(sprites, 51.12f);
  ASSERT_EQ(next.size(), 1u);
  EXPECT_EQ(next[0].texture, PlayerState::Instance()->creditsTexture);
  float d = 51.12f - 51.08f;
  EXPECT_NEAR(Decompose(next[0].world).scale, 2.0f / (9.0f - 10.571428f * d), 1e-5);
}

TEST_F(SpriteRotoZoomTest, ACreditZoomsInDropsToTwoAndRushesPast) {
  SpriteRotoZoom sprites(nullptr);
  DrawAt(sprites, 0.0f);
  DrawAt(sprites, 7.0f);  // ends the title
  ASSERT_EQ(sprites.step, 1);
  // Sample times measured from the step's start.
  sprites.stepStart = 0.0f;
  TurnScaleMove world = WorldAt(sprites, 0.7f);
  EXPECT_NEAR(world.scale, 1.25f, 1e-5);
  EXPECT_NEAR(world.degrees, 0.0f, 1e-4);
  EXPECT_NEAR(WorldAt(sprites, 0.77f).scale, 2.0f / (9.0f - 10.571428f * 0.77f), 1e-4);
  EXPECT_GT(WorldAt(sprites, 0.7777777f).scale, 2.57f);
  EXPECT_NEAR(WorldAt(sprites, 0.7777778f).scale, 2.0f, 1e-5);
  EXPECT_NEAR(WorldAt(sprites, 1.5f).scale, 2.0f * (15.428572f * 1.5f - 11.0f), 1e-4);
  EXPECT_NEAR(WorldAt(sprites, 1.5555555f).scale, 26.0f, 1e-4);
  EXPECT_TRUE(DrawAt(sprites, 1.5555556f).empty());
  EXPECT_EQ(sprites.step, 2);
}

TEST_F(SpriteRotoZoomTest, EachSpriteIsOneWorldUnitPer1024Texels) {
  SpriteRotoZoom sprites(nullptr);
  auto title = DrawAt(sprites, 0.0f);
  ASSERT_EQ(title.size(), 1u);
  // The title: 730 × 300 texels from (440, 680) on the 2048 × 1024 atlas.
  ExpectSprite(SpriteVertices(title[0].vertexBuffer), 730.0f / 2048.0f, 150.0f / 1024.0f,
               440.0f / 2048.0f, 680.0f / 1024.0f, 1170.0f / 2048.0f, 980.0f / 1024.0f);
  float t = 7.0f;
  for (int step = 1; step < 19; ++step) {
    DrawAt(sprites, t);  // ends the step before
    ASSERT_EQ(sprites.step, step);
    auto meshes = DrawAt(sprites, t + 0.04f);
    ASSERT_EQ(meshes.size(), 1u);
    SCOPED_TRACE(testing::Message() << "step " << step);
    const int* box = kCredits[sprites.order[step]];
    ExpectSprite(SpriteVertices(meshes[0].vertexBuffer), float(box[2]) / 2048.0f,
                 float(box[3]) / 2048.0f, float(box[0]) / 1024.0f, float(box[1]) / 1024.0f,
                 float(box[0] + box[2]) / 1024.0f, float(box[1] + box[3]) / 1024.0f);
    t += 1.6f;
  }
}

TEST_F(SpriteRotoZoomTest, NineteenStepsInThirtyFiveSecondsThenNothing) {
  SpriteRotoZoom sprites(nullptr);
  float t = 44.04f;
  int silentCalls = 0;
  while (sprites.step < 19) {
    ASSERT_LT(t, 44.04f + 36.0f) << "still at step " << sprites.step;
    if (DrawAt(sprites, t).empty()) ++silentCalls;
    t += 0.04f;
  }
  EXPECT_EQ(silentCalls, 19) << "exactly the call that ends each step draws nothing";
  // Each step ends at the first sample at or past its length, so the whole runs a little over 35.
  EXPECT_GE(t - 0.04f - 44.04f, 35.0f - 1e-3);
  EXPECT_LT(t - 0.04f - 44.04f, 35.0f + 19 * 0.04f);
  for (int i = 0; i < 100; ++i) EXPECT_TRUE(DrawAt(sprites, t + float(i)).empty());
  EXPECT_EQ(sprites.step, 19);
}

TEST_F(SpriteRotoZoomTest, ADeviceResetTakesTheSpriteAndGivesItBackWithTheProjection) {
  auto sprites = std::make_unique<SpriteRotoZoom>(nullptr);
  DrawAt(*sprites, 0.0f);
  DrawAt(*sprites, 7.0f);
  ASSERT_EQ(sprites->step, 1);
  GraphicsDevice* graphics = GraphicsDevice::Existing();
  ASSERT_EQ(graphics->ResetDevice(), D3D_OK) << "a default-pool buffer was left behind";
  ExpectProjection();
  auto meshes = DrawAt(*sprites, 7.04f);
  ASSERT_EQ(meshes.size(), 1u);
  const int* box = kCredits[sprites->order[1]];
  ExpectSprite(SpriteVertices(meshes[0].vertexBuffer), float(box[2]) / 2048.0f,
               float(box[3]) / 2048.0f, float(box[0]) / 1024.0f, float(box[1]) / 1024.0f,
               float(box[0] + box[2]) / 1024.0f, float(box[1] + box[3]) / 1024.0f);
  sprites.reset();
  EXPECT_EQ(graphics->ResetDevice(), D3D_OK);
}

}  // namespace
}  // namespace effect_test
