// The glenz cube: its geometry and motion tables, the pulse and phase steps with the wrap to
// exactly 0, the bytes written to its buffer, the world matrix, the mesh it queues, and its buffer
// and projection surviving a device reset.
#include "visualizers/glenz_beat_box.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/d3dx/d3dx9.h"
#include "tests/graphics/recording_fixture.h"

namespace {

class GlenzBeatBoxTest : public RecordingDeviceTest {
 protected:
  void SetUp() override {
    RecordingDeviceTest::SetUp();
    Open();
    renderer = GuiRenderer::Instance();
    box = std::make_unique<GlenzBeatBox>(nullptr);
  }
  void TearDown() override {
    box.reset();
    RecordingDeviceTest::TearDown();
  }
  void Call(std::initializer_list<int> beatBands = {}) {
    std::uint8_t beats[6] = {};
    for (int band : beatBands) beats[band] = 1;
    float spectrum[256] = {};
    renderer->DiscardQueued();
    box->Draw(spectrum, beats, 0.0f, 0.04f, 1.0f, 1.0f);
  }
  // What the buffer holds now.
  std::vector<GlenzBeatBox::Vertex> Buffer() {
    auto bytes = d3d9::RecordedBytes(box->VertexBuffer());
    std::vector<GlenzBeatBox::Vertex> vertices(bytes.size() / sizeof(GlenzBeatBox::Vertex));
    std::memcpy(vertices.data(), bytes.data(), vertices.size() * sizeof(GlenzBeatBox::Vertex));
    return vertices;
  }
  GuiRenderer* renderer = nullptr;
  std::unique_ptr<GlenzBeatBox> box;
};

TEST_F(GlenzBeatBoxTest, TheBoxIsACubeOfTwentyFourTrianglesAroundFaceApexes) {
  const GlenzBeatBox::Vertex* v = GlenzBeatBox::RestVertices();
  // Face z = −1: apex (0, 0, −1), first edge (−1, 1) → (1, 1).
  EXPECT_EQ(v[0].x, 0.0f);
  EXPECT_EQ(v[0].z, -1.0f);
  EXPECT_EQ(v[1].x, -1.0f);
  EXPECT_EQ(v[1].y, 1.0f);
  EXPECT_EQ(v[2].x, 1.0f);
  EXPECT_EQ(v[2].y, 1.0f);
  // Face x = +1, first edge (y, z) (1, −1) → (1, 1).
  EXPECT_EQ(v[24].x, 1.0f);
  EXPECT_EQ(v[25].y, 1.0f);
  EXPECT_EQ(v[25].z, -1.0f);
  EXPECT_EQ(v[26].x, 1.0f);
  EXPECT_EQ(v[26].z, 1.0f);
  // Face z = +1, last edge (x, y) (1, −1) → (1, 1).
  EXPECT_EQ(v[69].z, 1.0f);
  EXPECT_EQ(v[70].x, 1.0f);
  EXPECT_EQ(v[70].y, -1.0f);
  EXPECT_EQ(v[71].y, 1.0f);
  for (int face = 0; face < 6; ++face) {
    for (int t = 0; t < 4; ++t) {
      D3DCOLOR expected =
          t % 2 == 0 ? D3DCOLOR_ARGB(191, 124, 135, 132) : D3DCOLOR_ARGB(127, 46, 73, 71);
      for (int i = 0; i < 3; ++i) EXPECT_EQ(v[face * 12 + t * 3 + i].colour, expected);
      // Every edge point lies on the cube's surface, every apex at a face centre.
      const auto& apex = v[face * 12 + t * 3];
      EXPECT_EQ(std::abs(apex.x) + std::abs(apex.y) + std::abs(apex.z), 1.0f);
      for (int i = 1; i < 3; ++i) {
        const auto& p = v[face * 12 + t * 3 + i];
        EXPECT_EQ(std::abs(p.x) + std::abs(p.y) + std::abs(p.z), 3.0f);
      }
    }
  }
}

TEST_F(GlenzBeatBoxTest, MotionTablesSpanZeroTo2048AroundTheirCurves) {
  for (int channel = 0; channel < 6; ++channel) {
    const std::int32_t* table = GlenzBeatBox::MotionTable(channel);
    auto [low, high] = std::minmax_element(table, table + 1024);
    EXPECT_EQ(*low, 0) << channel;
    EXPECT_EQ(*high, 2048) << channel;
    EXPECT_EQ(table[0], 1024) << channel;  // every curve is 0 at θ = 0
  }
  // x follows sin 3θ − sin θ, largest magnitude 2: −2 at θ = π/2, 2 at 3π/2, 0 at π and π/4, and
  // at π/8 sin(3π/8) − sin(π/8) = 0.5412, so 1024 + 1024 · 0.5412 / 2 rounds to 1301.
  const std::int32_t* x = GlenzBeatBox::MotionTable(0);
  EXPECT_EQ(x[64], 1301);
  EXPECT_EQ(x[128], 1024);
  EXPECT_EQ(x[256], 0);
  EXPECT_EQ(x[512], 1024);
  EXPECT_EQ(x[768], 2048);
}

TEST_F(GlenzBeatBoxTest, ConstructionMakesTheBufferAndTheProjection) {
  box.reset();
  Log().ClearCalls();
  box = std::make_unique<GlenzBeatBox>(nullptr);
  auto creates = Log().CallsNamed("CreateVertexBuffer");
  ASSERT_EQ(creates.size(), 1u);
  EXPECT_EQ(creates[0]->numbers[0], 1152.0);
  EXPECT_EQ(creates[0]->numbers[1], double(D3DUSAGE_DYNAMIC));
  EXPECT_EQ(creates[0]->numbers[2], 0x42);
  EXPECT_EQ(creates[0]->numbers[3], double(D3DPOOL_DEFAULT));
  auto transforms = Log().CallsNamed("SetTransform");
  ASSERT_EQ(transforms.size(), 1u);
  EXPECT_EQ(transforms[0]->numbers[0], double(D3DTS_PROJECTION));
  D3DXMATRIX expected;
  D3DXMatrixPerspectiveFovLH(&expected, 0.7853982f, 1024.0f / 768.0f, 2.0f, 100.0f);
  EXPECT_EQ(std::memcmp(&*transforms[0]->matrix, &expected, sizeof expected), 0);
}

TEST_F(GlenzBeatBoxTest, ABeatPushesItsFaceOutAndTheHeightFallsByAFifthPerCall) {
  Call({2});
  EXPECT_EQ(box->pulses[2], 2.0f);
  EXPECT_EQ(box->phases[2], 2.0f) << "1 + 2 · 0.5";
  EXPECT_EQ(box->phases[0], 1.0f);
  EXPECT_EQ(box->phases[3], 0.25f);
  auto vertices = Buffer();
  ASSERT_EQ(vertices.size(), 72u);
  for (int t = 0; t < 4; ++t) EXPECT_EQ(vertices[24 + t * 3].x, 3.0f) << "apex of face x = +1";
  EXPECT_EQ(vertices[0].z, -1.0f) << "other faces stay flat";

  float height = 2.0f, phase = 2.0f;
  for (int call = 0; call < 9; ++call) {
    Call();
    height -= 0.2f;
    phase += height * 0.5f + 1.0f;
    EXPECT_FLOAT_EQ(box->pulses[2], height) << call;
    EXPECT_FLOAT_EQ(box->phases[2], phase) << call;
    EXPECT_FLOAT_EQ(Buffer()[24].x, 1.0f + height) << call;
  }
  // Ten calls after the beat the pulse has run out (a float rest of 0.2 steps may leave it a hair
  // either side of zero for one call); the next call holds it at 0.
  Call();
  EXPECT_NEAR(box->pulses[2], 0.0f, 1e-5);
  Call();
  EXPECT_EQ(box->pulses[2], 0.0f);
}

TEST_F(GlenzBeatBoxTest, RotationPhasesMoveAQuarterPlusAnEighthOfThePulse) {
  Call({4});
  EXPECT_EQ(box->phases[4], 0.25f + 2.0f * 0.125f);
  EXPECT_EQ(Buffer()[48].x, -3.0f) << "apex of face x = −1";
  Call({0, 5});
  EXPECT_EQ(Buffer()[0].z, -3.0f);
  EXPECT_EQ(Buffer()[60].z, 3.0f);
  EXPECT_EQ(Buffer()[12].y, 1.0f);
}

TEST_F(GlenzBeatBoxTest, APhasePastTheTableWrapsToExactlyZero) {
  box->phases[0] = 1023.5f;
  box->phases[5] = 1023.875f;
  Call();
  EXPECT_EQ(box->phases[0], 0.0f);
  EXPECT_EQ(box->phases[5], 0.0f);
  box->phases[1] = 1022.5f;
  Call();
  EXPECT_EQ(box->phases[1], 1023.5f);
}

TEST_F(GlenzBeatBoxTest, TheWorldTurnsTheBoxPushesItAwayAndLetsItWander) {
  // After the step: x at table entry 256, where sin 3θ − sin θ is at its lowest, so x = −20; y and
  // z at entry 0, the middle of their ranges (3.5 and 7.5); the yaw at entry 256, where
  // sin 9θ − sin 7θ peaks, a full turn; pitch and roll at entry 0, half a turn each. Half turns
  // about z and x leave a half turn about y: x and z flipped.
  box->phases[0] = 255;
  box->phases[1] = 1023;
  box->phases[2] = 1023;
  box->phases[3] = 255.75f;
  box->phases[4] = 1023.75f;
  box->phases[5] = 1023.75f;
  Call();
  const float expected[4][4] = {{-1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, -1, 0}, {-20, 3.5f, 57.5f, 1}};
  ASSERT_EQ(renderer->QueuedMeshes().size(), 1u);
  const MeshCommand& mesh = renderer->QueuedMeshes()[0];
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(mesh.world.m[i][j], expected[i][j], 1e-5) << i << j;
  }
  EXPECT_EQ(mesh.vertexBuffer, box->VertexBuffer());
  EXPECT_EQ(mesh.stride, 16u);
  EXPECT_EQ(mesh.primitiveCount, 24u);
  EXPECT_EQ(mesh.fvf, 0x42u);
  EXPECT_EQ(mesh.texture, nullptr);
}

TEST_F(GlenzBeatBoxTest, WithoutBeatsThePositionStaysInsideItsRange) {
  for (int call = 0; call < 1100; ++call) {
    Call();
    const D3DMATRIX& world = renderer->QueuedMeshes().at(0).world;
    ASSERT_GE(world._41, -20.0f);
    ASSERT_LE(world._41, 20.0f);
    ASSERT_GE(world._42, -3.0f);
    ASSERT_LE(world._42, 10.0f);
    ASSERT_GE(world._43, 45.0f);
    ASSERT_LE(world._43, 70.0f);
  }
  EXPECT_EQ(Buffer()[0].z, -1.0f);
}

TEST_F(GlenzBeatBoxTest, BufferAndProjectionSurviveADeviceReset) {
  GraphicsDevice* device = GraphicsDevice::Existing();
  Log().LoseDevice();
  Log().MakeResettable();
  Log().ClearCalls();
  EXPECT_EQ(device->ResetDevice(), D3D_OK) << "every default-pool buffer was released first";
  EXPECT_NE(box->VertexBuffer(), nullptr);
  auto transforms = Log().CallsNamed("SetTransform");
  ASSERT_FALSE(transforms.empty());
  EXPECT_EQ(transforms.back()->numbers[0], double(D3DTS_PROJECTION));
  Call({1});
  EXPECT_EQ(Buffer()[12].y, 3.0f);
  ASSERT_EQ(renderer->QueuedMeshes().size(), 1u);
}

TEST_F(GlenzBeatBoxTest, ADestroyedBoxNoLongerTakesPartInResets) {
  box.reset();
  Log().LoseDevice();
  Log().MakeResettable();
  Log().ClearCalls();
  EXPECT_EQ(GraphicsDevice::Existing()->ResetDevice(), D3D_OK);
  EXPECT_EQ(Log().Count("CreateVertexBuffer"), 0u)
      << "only the renderer's, made at its next render";
}

TEST(GlenzBeatBoxWithoutDevice, DrawsNothingAndDoesNotFail) {
  GlenzBeatBox box(nullptr);
  std::uint8_t beats[6] = {1, 0, 0, 0, 0, 0};
  box.Draw(nullptr, beats, 0, 0, 0, 0);
  EXPECT_EQ(box.VertexBuffer(), nullptr);
  EXPECT_EQ(box.pulses[0], 2.0f);
}

}  // namespace
