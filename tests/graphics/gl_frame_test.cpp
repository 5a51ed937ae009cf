// One whole frame on the OpenGL device: atlas quads, bitmap text and an untextured translucent
// mesh drawn through the real renderer, effect and font, written as record mode writes frames,
// and checked pixel by pixel.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "app/release_and_clear.h"
#include "graphics/device_frame_graphics.h"
#include "graphics/drawing_operations.h"
#include "graphics/font_layout.h"
#include "graphics/graphics_device.h"
#include "graphics/gui_renderer.h"
#include "platform/d3d9/frame_capture.h"
#include "platform/d3dx/d3dx9.h"
#include "platform/os/platform.h"
#include "tests/support/frame_callback.h"

namespace {

struct Pixel {
  int r, g, b;
};

Pixel At(const d3d9::FrameImage& image, int x, int y) {
  const BYTE* p = &image.rgba[(std::size_t(y) * image.width + std::size_t(x)) * 4];
  return {p[0], p[1], p[2]};
}

struct MeshVertex {
  float x, y, z;
  D3DCOLOR colour;
};

TEST(GlFrame, AtlasTextAndTranslucentMeshLandWhereTheyShould) {
  std::string error;
  auto platform = os::Platform::Open(true, &error);
  ASSERT_TRUE(platform) << error;
  os::SetBatchMode(true);
  os::SetDataFolder(std::string(ORVELL_SOURCE_DIR) + "/data");
  std::string folder = ::testing::TempDir() + "orvell-gl-frame";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);

  DeviceFrameGraphics graphics;
  ASSERT_NE(graphics.CreateDevice(400, 300, 60, 0), nullptr) << "no OpenGL device";
  graphics.CreateRenderer();
  // Captured and written between drawing and presenting, as record mode does.
  FrameCallback capture([&](IDirect3DDevice9* drawn) {
    d3d9::FrameImage image;
    ASSERT_EQ(d3d9::CaptureFrame(drawn, &image), D3D_OK);
    ASSERT_TRUE(d3d9::WritePng(image, folder + "/frame-000000.png", &error)) << error;
  });
  graphics.SendFramesTo(&capture);
  IDirect3DDevice9* device = GraphicsDevice::Existing()->device;
  GuiRenderer* renderer = GuiRenderer::Instance();
  ASSERT_NE(renderer->Effect(), nullptr);
  ASSERT_NE(renderer->FontTexture(), nullptr);
  static IDirect3DTexture9* titleAtlas = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileW(device, "data/tit.png", &titleAtlas), D3D_OK);
  GuiRenderer::Instance()->SetTitleAtlasSource([] { return titleAtlas; });

  // The logo's rectangle over the left half of the screen, half transparent on its right half.
  const TexRect logo{1295 / 2048.0f, 453 / 1024.0f, 1603 / 2048.0f, 581 / 1024.0f};
  DrawAtlasQuad(-1, -1, 1, 2, logo.left, logo.top, logo.right, logo.bottom);
  DrawTextLine({1, 1, 1, 1}, "HI", 0.5f, 0.1f, 0.2f);

  // A red square at half opacity over the bottom right quarter, two triangles of either winding.
  const D3DCOLOR red = D3DCOLOR_ARGB(128, 255, 0, 0);
  const MeshVertex square[6] = {{0.1f, -0.9f, 0.5f, red}, {0.1f, -0.1f, 0.5f, red},
                                {0.9f, -0.1f, 0.5f, red}, {0.1f, -0.9f, 0.5f, red},
                                {0.9f, -0.9f, 0.5f, red}, {0.9f, -0.1f, 0.5f, red}};
  IDirect3DVertexBuffer9* buffer = nullptr;
  ASSERT_EQ(
      device->CreateVertexBuffer(sizeof square, D3DUSAGE_WRITEONLY, D3DFVF_XYZ | D3DFVF_DIFFUSE,
                                 D3DPOOL_MANAGED, &buffer, nullptr),
      D3D_OK);
  void* bytes = nullptr;
  ASSERT_EQ(buffer->Lock(0, 0, &bytes, 0), D3D_OK);
  std::memcpy(bytes, square, sizeof square);
  buffer->Unlock();
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  renderer->QueueMesh(
      {buffer, sizeof(MeshVertex), 2, D3DFVF_XYZ | D3DFVF_DIFFUSE, identity, nullptr});

  ASSERT_TRUE(graphics.DrawFrame());
  d3d9::FrameImage frame, atlas;
  ASSERT_TRUE(d3d9::ReadPng(folder + "/frame-000000.png", &frame, &error)) << error;
  ASSERT_TRUE(d3d9::ReadPng(std::string(ORVELL_SOURCE_DIR) + "/data/tit.png", &atlas, &error));
  ASSERT_EQ(frame.width, 400u);
  ASSERT_EQ(frame.height, 300u);

  // The atlas quad: the logo's middle texel in the middle of the left half.
  Pixel expected = At(atlas, 1295 + 154, 453 + 64);
  Pixel seen = At(frame, 100, 150);
  EXPECT_NEAR(seen.r, expected.r, 2);
  EXPECT_NEAR(seen.g, expected.g, 2);
  EXPECT_NEAR(seen.b, expected.b, 2);

  // The text: white pixels inside the glyphs' box (x 0.1 to 0.3, y 0.2 to 0.7), none above it.
  int white = 0;
  for (int y = 45; y < 120; ++y) {
    for (int x = 220; x < 260; ++x) {
      Pixel p = At(frame, x, y);
      if (p.r > 240 && p.g > 240 && p.b > 240) ++white;
    }
  }
  EXPECT_GT(white, 50);
  Pixel above = At(frame, 240, 20);
  EXPECT_EQ(above.r + above.g + above.b, 0);

  // The mesh: half red over black, once, whichever way each triangle winds.
  for (auto [x, y] : {std::pair{260, 200}, std::pair{340, 250}, std::pair{300, 280}}) {
    Pixel p = At(frame, x, y);
    EXPECT_NEAR(p.r, 128, 3) << x << "," << y;
    EXPECT_EQ(p.g, 0);
    EXPECT_EQ(p.b, 0);
  }
  EXPECT_EQ(At(frame, 390, 200).r, 0);

  buffer->Release();
  ReleaseAndClear(titleAtlas);
  graphics.Destroy();
}

}  // namespace
