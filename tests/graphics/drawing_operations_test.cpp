// Atlas quads, sprite meshes and the image button's hover, press and release.
#include "graphics/drawing_operations.h"

#include "tests/graphics/recording_fixture.h"

namespace {

class ImageButtonTest : public RecordingDeviceTest {
 protected:
  void SetUp() override {
    RecordingDeviceTest::SetUp();
    Open(1000, 1000);
    renderer = GuiRenderer::Instance();
    input = InputState::Instance();
  }
  // Pixel (px, py) of the 1000 × 1000 window; the button spans x 0..0.2, y 0..0.2, that is pixels
  // 500..600 across and 400..500 down.
  bool Frame(int px, int py, bool down) {
    input->Snapshot();
    input->mouseX = px;
    input->mouseY = py;
    input->buttons[0] = down ? 1 : 0;
    bool clicked = ImageButton(7, 0.0f, 0.0f, 0.2f, 0.2f, 1, 1, 1, 1, normal, hover, pressed);
    lastPicture = renderer->QueuedQuads().back().texLeft;
    renderer->DiscardQueued();
    return clicked;
  }
  GuiRenderer* renderer = nullptr;
  InputState* input = nullptr;
  const TexRect normal{0.1f, 0, 0, 0}, hover{0.2f, 0, 0, 0}, pressed{0.3f, 0, 0, 0};
  float lastPicture = 0;
};

TEST_F(ImageButtonTest, HoverPressReleaseClicksOnTheReleaseFrameOnly) {
  EXPECT_FALSE(Frame(550, 450, false));
  EXPECT_FLOAT_EQ(lastPicture, 0.2f);
  EXPECT_EQ(GuiRenderer::Instance()->ImageButtons().cursorOverButton, 1);
  EXPECT_FALSE(Frame(550, 450, true));
  EXPECT_FLOAT_EQ(lastPicture, 0.3f);
  EXPECT_FALSE(Frame(560, 450, true));
  EXPECT_TRUE(Frame(560, 450, false));
  EXPECT_EQ(GuiRenderer::Instance()->ImageButtons().activeId, 0);
  EXPECT_EQ(GuiRenderer::Instance()->ImageButtons().hotId, 0);
  EXPECT_FALSE(Frame(560, 450, false));
}

TEST_F(ImageButtonTest, ReleasedOutsideNoClickAndThePressedLookStays) {
  Frame(550, 450, false);
  Frame(550, 450, true);
  EXPECT_FALSE(Frame(100, 100, true));
  EXPECT_FALSE(Frame(100, 100, false));
  EXPECT_FLOAT_EQ(lastPicture, 0.3f);
  EXPECT_EQ(GuiRenderer::Instance()->ImageButtons().activeId, 7);
}

TEST_F(ImageButtonTest, DraggingOntoTheButtonPressesNothing) {
  Frame(100, 100, true);
  EXPECT_FALSE(Frame(550, 450, true));
  EXPECT_FLOAT_EQ(lastPicture, 0.1f);
  EXPECT_FALSE(Frame(550, 450, false));
}

TEST_F(ImageButtonTest, TheEdgeIsOutside) {
  EXPECT_FALSE(Frame(500, 450, false));  // exactly x
  EXPECT_FLOAT_EQ(lastPicture, 0.1f);
  EXPECT_FALSE(Frame(550, 500, false));  // exactly y
  EXPECT_FLOAT_EQ(lastPicture, 0.1f);
  EXPECT_EQ(GuiRenderer::Instance()->ImageButtons().cursorOverButton, 0);
}

using AtlasQuadTest = RecordingDeviceTest;

TEST_F(AtlasQuadTest, AtlasQuadsCutTheTitleAtlasAtDepthOne) {
  Open();
  auto* atlas = reinterpret_cast<IDirect3DTexture9*>(std::uintptr_t(0x1234));
  GuiRenderer::Instance()->SetTitleAtlasSource(
      [] { return reinterpret_cast<IDirect3DTexture9*>(std::uintptr_t(0x1234)); });
  DrawAtlasQuad(-1, -1, 2, 2, 0.1f, 0.2f, 0.3f, 0.4f);
  DrawAtlasQuadTinted(0, 0, 1, 1, 0, 0, 1, 1, 0.5f, 0.25f, 0.125f, 0.75f);
  const auto& quads = GuiRenderer::Instance()->QueuedQuads();
  ASSERT_EQ(quads.size(), 2u);
  EXPECT_EQ(quads[0].texture, atlas);
  EXPECT_FLOAT_EQ(quads[0].a, 1.0f);
  EXPECT_FLOAT_EQ(quads[0].texBottom, 0.4f);
  EXPECT_FLOAT_EQ(quads[1].g, 0.25f);
  EXPECT_FLOAT_EQ(quads[1].a, 0.75f);
  EXPECT_FLOAT_EQ(quads[1].z, 1.0f);
  GuiRenderer::Instance()->DiscardQueued();
}

TEST_F(AtlasQuadTest, SpriteMeshesAreTwoTexturedTriangles) {
  Open();
  D3DMATRIX world{};
  world._11 = 2;
  QueueSpriteMesh(nullptr, nullptr, world);
  const auto& meshes = GuiRenderer::Instance()->QueuedMeshes();
  ASSERT_EQ(meshes.size(), 1u);
  EXPECT_EQ(meshes[0].stride, 20u);
  EXPECT_EQ(meshes[0].primitiveCount, 2u);
  EXPECT_EQ(meshes[0].fvf, 0x102u);
  EXPECT_EQ(meshes[0].world._11, 2.0f);
}

}  // namespace
