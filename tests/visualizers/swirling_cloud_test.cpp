// The cloud swirl: its buffers and projection, the rings' sizes, turns and wrap, the veil's
// opacity, and how it follows the device through a reset.
#include "visualizers/swirling_cloud.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <span>

#include "tests/visualizers/effect_fixture.h"

namespace effect_test {
namespace {

struct RingVertex {
  float x, y, z, u, v;
};

std::vector<RingVertex> RingVertices(IDirect3DVertexBuffer9* buffer) {
  std::span<const BYTE> bytes = d3d9::RecordedBytes(buffer);
  std::vector<RingVertex> vertices(bytes.size() / sizeof(RingVertex));
  std::memcpy(vertices.data(), bytes.data(), vertices.size() * sizeof(RingVertex));
  return vertices;
}

// The veil's six colours, 0xAARRGGBB.
std::vector<D3DCOLOR> VeilColours(IDirect3DVertexBuffer9* buffer) {
  std::span<const BYTE> bytes = d3d9::RecordedBytes(buffer);
  std::vector<D3DCOLOR> colours;
  for (std::size_t v = 0; v + 16 <= bytes.size(); v += 16) {
    D3DCOLOR colour;
    std::memcpy(&colour, &bytes[v + 12], 4);
    colours.push_back(colour);
  }
  return colours;
}

using SwirlingCloudTest = EffectTest;

TEST_F(SwirlingCloudTest, CreationSetsTheProjectionAndWritesTheRingSquareOnce) {
  SwirlingCloud cloud(nullptr);
  ExpectProjection();
  auto created = Log().CallsNamed("CreateVertexBuffer");
  ASSERT_EQ(created.size(), 2u);
  EXPECT_EQ(created[0]->numbers, (std::vector<double>{120, D3DUSAGE_DYNAMIC, 0x102, 0}));
  EXPECT_EQ(created[1]->numbers, (std::vector<double>{96, D3DUSAGE_DYNAMIC, 0x42, 0}));
  auto locks = Log().CallsNamed("VertexBuffer.Lock");
  ASSERT_EQ(locks.size(), 1u);
  EXPECT_EQ(locks[0]->numbers, (std::vector<double>{0, 120, 0}));

  cloud.Draw(nullptr, nullptr, 0, 0, 1.0f, 0);
  auto meshes = TakeMeshes();
  ASSERT_EQ(meshes.size(), 7u);
  auto square = RingVertices(meshes[0].vertexBuffer);
  const RingVertex expected[6] = {{-2, 2, 0, 0, 0}, {2, 2, 0, 1, 0},  {2, -2, 0, 1, 1},
                                  {-2, 2, 0, 0, 0}, {2, -2, 0, 1, 1}, {-2, -2, 0, 0, 1}};
  ASSERT_EQ(square.size(), 6u);
  for (int v = 0; v < 6; ++v) {
    EXPECT_EQ(std::memcmp(&square[std::size_t(v)], &expected[v], sizeof(RingVertex)), 0) << v;
  }
}

TEST_F(SwirlingCloudTest, SixRingsGrowOutwardAtDepthFiveAndTurnClockwise) {
  SwirlingCloud cloud(nullptr);
  for (int i = 0; i < 6; ++i) cloud.angles[i] = 20.0f * float(i + 1);
  cloud.Draw(nullptr, nullptr, 0, 0, 1.0f, 0);
  auto meshes = TakeMeshes();
  ASSERT_EQ(meshes.size(), 7u);
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(testing::Message() << "ring " << i);
    const MeshCommand& ring = meshes[std::size_t(i)];
    EXPECT_EQ(ring.vertexBuffer, meshes[0].vertexBuffer);
    EXPECT_EQ(ring.texture, PlayerState::Instance()->cloudRing);
    EXPECT_EQ(ring.stride, 20u);
    EXPECT_EQ(ring.primitiveCount, 2u);
    EXPECT_EQ(ring.fvf, 0x102u);
    TurnScaleMove world = Decompose(ring.world);
    EXPECT_NEAR(world.scale, 1.0f + 0.75f * float(i), 1e-6);
    EXPECT_FLOAT_EQ(world.z, 5.0f);
    // The angle enters negated: x turns towards −y, clockwise on screen.
    EXPECT_NEAR(world.degrees, -20.0f * float(i + 1), 1e-3);
    // Ring i advances (i + 1)/16 of a degree per call.
    EXPECT_FLOAT_EQ(cloud.angles[i], 20.0f * float(i + 1) + 0.0625f * float(i + 1));
  }
}

TEST_F(SwirlingCloudTest, ATurnPastFullWrapsToExactlyZero) {
  SwirlingCloud cloud(nullptr);
  cloud.angles[5] = 359.9f;     // steps 0.375 a call
  cloud.angles[0] = 359.9375f;  // reaches 360 exactly
  cloud.angles[1] = 359.75f;    // reaches 359.875, not yet
  cloud.Draw(nullptr, nullptr, 0, 0, 1.0f, 0);
  EXPECT_EQ(cloud.angles[5], 0.0f);
  EXPECT_EQ(cloud.angles[0], 0.0f);
  EXPECT_EQ(cloud.angles[1], 359.875f);
}

TEST_F(SwirlingCloudTest, TheVeilIsBlackWithTheSceneFadesComplementTruncated) {
  SwirlingCloud cloud(nullptr);
  for (auto [fade, alpha] : {std::pair{1.0f, 0u}, std::pair{0.0f, 255u}, std::pair{0.5f, 127u},
                             std::pair{0.02f, 249u}}) {
    SCOPED_TRACE(testing::Message() << "fade " << fade);
    cloud.Draw(nullptr, nullptr, 0, 0, fade, 0);
    auto meshes = TakeMeshes();
    ASSERT_EQ(meshes.size(), 7u);
    const MeshCommand& veil = meshes[6];
    EXPECT_EQ(veil.texture, nullptr);
    EXPECT_EQ(veil.stride, 16u);
    EXPECT_EQ(veil.primitiveCount, 2u);
    EXPECT_EQ(veil.fvf, 0x42u);
    TurnScaleMove world = Decompose(veil.world);
    EXPECT_EQ(world.degrees, 0.0f);
    EXPECT_EQ(world.scale, 1.0f);
    EXPECT_EQ(world.z, 2.0f);
    EXPECT_EQ(VeilColours(veil.vertexBuffer), std::vector<D3DCOLOR>(6, alpha << 24));
    // The ring's square, corner for corner, in the near plane.
    std::span<const BYTE> bytes = d3d9::RecordedBytes(veil.vertexBuffer);
    ASSERT_EQ(bytes.size(), 96u);
    const float corners[6][2] = {{-2, 2}, {2, 2}, {2, -2}, {-2, 2}, {2, -2}, {-2, -2}};
    for (int v = 0; v < 6; ++v) {
      float position[3];
      std::memcpy(position, &bytes[std::size_t(v) * 16], sizeof position);
      EXPECT_EQ(position[0], corners[v][0]);
      EXPECT_EQ(position[1], corners[v][1]);
      EXPECT_EQ(position[2], 0.0f);
    }
  }
}

TEST_F(SwirlingCloudTest, StartAnglesAreWholeDegreesFromTheCalendarSeed) {
  SwirlingCloud cloud(nullptr);
  std::srand(unsigned(kSeed));
  for (float angle : cloud.angles) EXPECT_EQ(angle, float(std::rand() % 360));
  os::OverrideCalendarTime(kSeed + 1);
  SwirlingCloud later(nullptr);
  EXPECT_NE(std::vector<float>(later.angles, later.angles + 6),
            std::vector<float>(cloud.angles, cloud.angles + 6));
}

TEST_F(SwirlingCloudTest, ADeviceResetTakesTheBuffersAndGivesThemBackWithTheProjection) {
  auto cloud = std::make_unique<SwirlingCloud>(nullptr);
  GraphicsDevice* graphics = GraphicsDevice::Existing();
  ASSERT_EQ(graphics->ResetDevice(), D3D_OK) << "a default-pool buffer was left behind";
  ExpectProjection();
  cloud->Draw(nullptr, nullptr, 0, 0, 0.5f, 0);
  auto meshes = TakeMeshes();
  ASSERT_EQ(meshes.size(), 7u);
  EXPECT_EQ(RingVertices(meshes[0].vertexBuffer).size(), 6u);
  EXPECT_EQ(RingVertices(meshes[0].vertexBuffer)[1].x, 2.0f);
  EXPECT_EQ(VeilColours(meshes[6].vertexBuffer), std::vector<D3DCOLOR>(6, 127u << 24));
  // Gone effects are no longer asked: a reset after destruction touches nothing of theirs.
  cloud.reset();
  EXPECT_EQ(graphics->ResetDevice(), D3D_OK);
}

}  // namespace
}  // namespace effect_test
