// The batch renderer on the recording device: buffers, sorting, texture runs and the mesh pass.
#include <cstdint>
#include <cstring>
#include <filesystem>

#include "platform/d3dx/d3dx9.h"
#include "tests/graphics/recording_fixture.h"

namespace {

class GuiRendererTest : public RecordingDeviceTest {
 protected:
  void SetUp() override {
    RecordingDeviceTest::SetUp();
    Open();
    renderer = GuiRenderer::Instance();
    ASSERT_NE(renderer->Effect(), nullptr);
    ASSERT_NE(renderer->FontTexture(), nullptr);
    Log().ClearCalls();
  }
  void Queue(int count, IDirect3DTexture9* texture, float z = 1.0f) {
    for (int i = 0; i < count; ++i) {
      renderer->QueueQuad({1, 1, 1, 1, 0, 0, 1, 1, float(i) * 0.001f, 0, 0.1f, 0.1f, texture, z});
    }
  }
  std::vector<const d3d9::RecordedCall*> Draws() {
    return Log().CallsNamed("DrawIndexedPrimitive");
  }
  IDirect3DTexture9* A() { return renderer->FontTexture(); }
  IDirect3DVertexBuffer9* MeshBuffer(UINT bytes) {
    IDirect3DVertexBuffer9* buffer = nullptr;
    GraphicsDevice::Existing()->device->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, 0,
                                                           D3DPOOL_MANAGED, &buffer, nullptr);
    buffers.push_back(buffer);
    return buffer;
  }
  void TearDown() override {
    for (auto* buffer : buffers) buffer->Release();
    RecordingDeviceTest::TearDown();
  }
  std::vector<IDirect3DVertexBuffer9*> buffers;

  GuiRenderer* renderer = nullptr;
};

TEST_F(GuiRendererTest, AFrameWithoutQuadsBeginsNoPass) {
  renderer->Render();
  EXPECT_EQ(Log().Count("Effect.Begin"), 0u);
  EXPECT_EQ(Log().Count("CreateVertexBuffer"), 0u);
  EXPECT_TRUE(Draws().empty());
}

TEST_F(GuiRendererTest, TextureRunsGiveOneDrawEach) {
  renderer->QueueQuad({1, 1, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1, A(), 1});
  renderer->QueueQuad({1, 1, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1, A(), 1});
  renderer->QueueQuad({1, 1, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1, nullptr, 1});
  renderer->QueueQuad({1, 1, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1, A(), 1});
  renderer->Render();
  auto draws = Draws();
  ASSERT_EQ(draws.size(), 3u);
  // type, base vertex, minimum index, vertex count (the whole buffer), start index, triangles
  EXPECT_EQ(draws[0]->numbers, (std::vector<double>{D3DPT_TRIANGLELIST, 0, 0, 16, 0, 4}));
  EXPECT_EQ(draws[1]->numbers, (std::vector<double>{D3DPT_TRIANGLELIST, 0, 0, 16, 12, 2}));
  EXPECT_EQ(draws[2]->numbers, (std::vector<double>{D3DPT_TRIANGLELIST, 0, 0, 16, 18, 2}));
  EXPECT_EQ(draws[0]->draw->texture, A());
  EXPECT_EQ(draws[1]->draw->texture, nullptr);
  EXPECT_EQ(draws[2]->draw->texture, A());
  EXPECT_EQ(draws[0]->draw->stride, 36u);
  EXPECT_TRUE(renderer->QueuedQuads().empty());
  // The runs are not carried into the next frame.
  Queue(1, nullptr);
  renderer->Render();
  ASSERT_EQ(Draws().size(), 4u);
  EXPECT_EQ(Draws()[3]->numbers, (std::vector<double>{D3DPT_TRIANGLELIST, 0, 0, 16, 0, 2}));
}

TEST_F(GuiRendererTest, VerticesFollowTheQuadsCornersAndColour) {
  renderer->QueueQuad(
      {0.1f, 0.2f, 0.3f, 0.4f, 0.25f, 0.5f, 0.75f, 1.0f, -0.5f, -0.25f, 0.5f, 0.25f, A(), 1.0f});
  renderer->Render();
  auto bytes = d3d9::RecordedBytes(renderer->VertexBuffer());
  ASSERT_GE(bytes.size(), 4 * sizeof(GuiVertex));
  GuiVertex v[4];
  std::memcpy(v, bytes.data(), sizeof v);
  const float expected[4][5] = {{-0.5f, -0.25f, 0.25f, 1.0f},
                                {-0.5f, 0.0f, 0.25f, 0.5f},
                                {0.0f, 0.0f, 0.75f, 0.5f},
                                {0.0f, -0.25f, 0.75f, 1.0f}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(v[i].x, expected[i][0]) << i;
    EXPECT_FLOAT_EQ(v[i].y, expected[i][1]) << i;
    EXPECT_FLOAT_EQ(v[i].u, expected[i][2]) << i;
    EXPECT_FLOAT_EQ(v[i].v, expected[i][3]) << i;
    EXPECT_FLOAT_EQ(v[i].z, 1.0f);
    EXPECT_FLOAT_EQ(v[i].a, 0.4f);
  }
  auto indices = d3d9::RecordedBytes(renderer->IndexBuffer());
  ASSERT_EQ(indices.size(), 12u);
  std::uint16_t index[6];
  std::memcpy(index, indices.data(), sizeof index);
  EXPECT_EQ(std::vector<std::uint16_t>(index, index + 6),
            (std::vector<std::uint16_t>{0, 1, 2, 0, 2, 3}));
}

TEST_F(GuiRendererTest, GreaterDepthIsDrawnFirstAndEqualDepthKeepsQueueOrder) {
  renderer->QueueQuad({1, 1, 1, 1, 0, 0, 1, 1, 0.1f, 0, 1, 1, A(), 1.0f});
  renderer->QueueQuad({1, 1, 1, 1, 0, 0, 1, 1, 0.2f, 0, 1, 1, A(), 1.0f});
  renderer->QueueQuad({1, 1, 1, 1, 0, 0, 1, 1, 0.3f, 0, 1, 1, nullptr, 2.0f});
  renderer->Render();
  auto bytes = d3d9::RecordedBytes(renderer->VertexBuffer());
  GuiVertex v[12];
  std::memcpy(v, bytes.data(), sizeof v);
  EXPECT_FLOAT_EQ(v[0].x, 0.3f);
  EXPECT_FLOAT_EQ(v[4].x, 0.1f);
  EXPECT_FLOAT_EQ(v[8].x, 0.2f);
  EXPECT_EQ(Draws().size(), 2u);
}

TEST_F(GuiRendererTest, IndexWidthSwitchesAtSixtyFiveThousandFiveHundredThirtySixVertices) {
  Queue(16383, A());
  renderer->Render();
  auto first = Log().CallsNamed("CreateIndexBuffer");
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0]->numbers[0], 16383.0 * 12);
  EXPECT_EQ(first[0]->numbers[2], double(D3DFMT_INDEX16));
  Queue(16384, A());
  renderer->Render();
  auto second = Log().CallsNamed("CreateIndexBuffer");
  ASSERT_EQ(second.size(), 2u);
  EXPECT_EQ(second[1]->numbers[0], 16384.0 * 24);
  EXPECT_EQ(second[1]->numbers[2], double(D3DFMT_INDEX32));
  EXPECT_EQ(renderer->VertexCapacity(), 65536);
  EXPECT_EQ(Draws().back()->numbers[5], 32768.0);
}

TEST_F(GuiRendererTest, SmallerFramesReuseTheBuffersAndDrawAgainstTheirWholeCapacity) {
  Queue(10, A());
  renderer->Render();
  Queue(3, A());
  renderer->Render();
  EXPECT_EQ(Log().Count("CreateVertexBuffer"), 1u);
  EXPECT_EQ(Log().Count("CreateIndexBuffer"), 1u);
  EXPECT_EQ(Draws().back()->numbers[3], 40.0);
  EXPECT_EQ(Draws().back()->numbers[5], 6.0);
}

TEST_F(GuiRendererTest, AFailedBufferSkipsTheFrameAndTheNextTriesAgain) {
  Log().FailOnce("CreateVertexBuffer");
  testing::internal::CaptureStderr();
  Queue(2, A());
  renderer->Render();
  EXPECT_NE(testing::internal::GetCapturedStderr().find("Failed to create a vertex buffer"),
            std::string::npos);
  EXPECT_TRUE(Draws().empty());
  EXPECT_TRUE(renderer->QueuedQuads().empty());
  Queue(2, A());
  renderer->Render();
  EXPECT_EQ(Draws().size(), 1u);
}

TEST_F(GuiRendererTest, AFailedGrowthLeavesNoCapacityForASmallerFrameToTrust) {
  Queue(2, A());
  renderer->Render();
  testing::internal::CaptureStderr();
  for (const char* create : {"CreateVertexBuffer", "CreateIndexBuffer"}) {
    // The old buffers go before the bigger ones are made; after a failure nothing is left.
    Log().FailOnce(create);
    Queue(50, A());
    renderer->Render();
    EXPECT_EQ(renderer->VertexCapacity(), 0) << create;
    std::size_t draws = Draws().size();
    Queue(1, A());
    renderer->Render();
    EXPECT_EQ(Draws().size(), draws + 1) << create;
    EXPECT_EQ(renderer->VertexCapacity(), 4) << create;
  }
  testing::internal::GetCapturedStderr();
}

TEST_F(GuiRendererTest, AFailedDrawIsReportedAndTheNextBatchStillDrawn) {
  Log().FailOnce("DrawIndexedPrimitive");
  Queue(1, A());
  Queue(1, nullptr);
  testing::internal::CaptureStderr();
  renderer->Render();
  EXPECT_NE(
      testing::internal::GetCapturedStderr().find("Failed to render graphical user interface"),
      std::string::npos);
  EXPECT_EQ(Draws().size(), 2u);
}

TEST_F(GuiRendererTest, UntexturedMeshesAreDrawnTwiceBackFacesFirst) {
  D3DMATRIX world{};
  renderer->QueueMesh({MeshBuffer(16 * 36), 16, 12, D3DFVF_XYZ | D3DFVF_DIFFUSE, world, nullptr});
  renderer->QueueMesh({MeshBuffer(20 * 6), 20, 2, D3DFVF_XYZ | D3DFVF_TEX1, world, A()});
  renderer->Render();
  auto draws = Log().CallsNamed("DrawPrimitive");
  ASSERT_EQ(draws.size(), 3u);
  EXPECT_EQ(draws[0]->draw->renderStates.at(D3DRS_CULLMODE), DWORD(D3DCULL_CW));
  EXPECT_EQ(draws[1]->draw->renderStates.at(D3DRS_CULLMODE), DWORD(D3DCULL_CCW));
  EXPECT_EQ(draws[0]->numbers[2], 12.0);
  EXPECT_EQ(draws[2]->draw->texture, A());
  EXPECT_EQ(draws[2]->draw->fvf, DWORD(D3DFVF_XYZ | D3DFVF_TEX1));
  for (const auto* draw : draws) {
    EXPECT_EQ(draw->draw->renderStates.at(D3DRS_LIGHTING), DWORD(FALSE));
    EXPECT_EQ(draw->draw->renderStates.at(D3DRS_ALPHABLENDENABLE), DWORD(TRUE));
    EXPECT_EQ(draw->draw->renderStates.at(D3DRS_SRCBLEND), DWORD(D3DBLEND_SRCALPHA));
    EXPECT_EQ(draw->draw->renderStates.at(D3DRS_DESTBLEND), DWORD(D3DBLEND_INVSRCALPHA));
    EXPECT_EQ(draw->draw->samplerStates.at(D3DSAMP_MAGFILTER), DWORD(D3DTEXF_LINEAR));
  }
  EXPECT_TRUE(renderer->QueuedMeshes().empty());
}

TEST_F(GuiRendererTest, MeshesAreDrawnAfterEveryQuad) {
  D3DMATRIX world{};
  renderer->QueueMesh({MeshBuffer(20 * 6), 20, 2, D3DFVF_XYZ | D3DFVF_TEX1, world, A()});
  Queue(1, A());
  renderer->Render();
  std::size_t quad = 0, mesh = 0;
  for (std::size_t i = 0; i < Log().Calls().size(); ++i) {
    if (Log().Calls()[i].name == "DrawIndexedPrimitive") quad = i;
    if (Log().Calls()[i].name == "DrawPrimitive") mesh = i;
  }
  EXPECT_LT(quad, mesh);
}

TEST_F(GuiRendererTest, WithoutTheEffectNoQuadIsDrawnButTheQueueEmpties) {
  renderer->ReleaseDeviceResources();
  ASSERT_EQ(renderer->Effect(), nullptr);
  Queue(3, A());
  renderer->Render();
  EXPECT_TRUE(Draws().empty());
  EXPECT_TRUE(renderer->QueuedQuads().empty());
}

class GuiRendererDataTest : public RecordingDeviceTest {};

TEST_F(GuiRendererDataTest, AMissingFontEndsTheRunWithItsMessage) {
  std::string folder = ::testing::TempDir() + "orvell-no-font";
  std::filesystem::create_directories(folder);
  os::SetDataFolder(folder);
  Open();
  testing::internal::CaptureStderr();
  GuiRenderer* renderer = GuiRenderer::Instance();
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(renderer->FontTexture(), nullptr);
  EXPECT_EQ(renderer->Effect(), nullptr);
  EXPECT_NE(said.find("Orvell: Failed to create effect gui.fx"), std::string::npos) << said;
  EXPECT_NE(said.find("Orvell: No such technique GUI in gui.fx"), std::string::npos);
  EXPECT_NE(said.find("Orvell: Failed to create default font"), std::string::npos);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_QUIT);
}

}  // namespace
