// Device creation choices and the lost-device protocol.
#include <cstring>

#include "graphics/device_frame_graphics.h"
#include "tests/graphics/recording_fixture.h"

namespace {

using GraphicsDeviceTest = RecordingDeviceTest;

const d3d9::RecordedCall* Only(const std::vector<const d3d9::RecordedCall*>& calls) {
  EXPECT_EQ(calls.size(), 1u);
  return calls.empty() ? nullptr : calls[0];
}

TEST_F(GraphicsDeviceTest, WindowedModeLeavesTheBackBufferToTheWindow) {
  GraphicsDevice* device = Open(1280, 720, 0);
  const D3DPRESENT_PARAMETERS& p = device->presentParameters;
  EXPECT_EQ(p.Windowed, TRUE);
  EXPECT_EQ(p.BackBufferWidth, 0u);
  EXPECT_EQ(p.BackBufferHeight, 0u);
  EXPECT_EQ(p.FullScreen_RefreshRateInHz, 0u);
  EXPECT_EQ(p.BackBufferFormat, D3DFMT_X8R8G8B8);
  EXPECT_EQ(p.BackBufferCount, 1u);
  EXPECT_EQ(p.SwapEffect, D3DSWAPEFFECT_DISCARD);
  EXPECT_EQ(p.EnableAutoDepthStencil, TRUE);
  EXPECT_EQ(p.AutoDepthStencilFormat, D3DFMT_D24X8);
  EXPECT_EQ(p.PresentationInterval, D3DPRESENT_INTERVAL_DEFAULT);
  EXPECT_EQ(device->width, 1280);
  EXPECT_EQ(device->height, 720);
  EXPECT_FLOAT_EQ(device->Aspect(), 1280.0f / 720.0f);
}

TEST_F(GraphicsDeviceTest, FullScreenAsksForTheModeItself) {
  GraphicsDevice* device = GraphicsDevice::Instance(800, 600, 75, 1);
  const D3DPRESENT_PARAMETERS& p = device->presentParameters;
  EXPECT_EQ(p.Windowed, FALSE);
  EXPECT_EQ(p.BackBufferWidth, 800u);
  EXPECT_EQ(p.BackBufferHeight, 600u);
  EXPECT_EQ(p.FullScreen_RefreshRateInHz, 75u);
}

TEST(VertexProcessingChoice, HardwareFromPixelShaderOneOneWithVertexCaps) {
  D3DCAPS9 caps{};
  caps.VertexProcessingCaps = 1;
  caps.PixelShaderVersion = D3DPS_VERSION(1, 0);
  EXPECT_EQ(ChooseVertexProcessing(caps), D3DCREATE_SOFTWARE_VERTEXPROCESSING);
  caps.PixelShaderVersion = D3DPS_VERSION(1, 1);
  EXPECT_EQ(ChooseVertexProcessing(caps), D3DCREATE_HARDWARE_VERTEXPROCESSING);
  caps.PixelShaderVersion = D3DPS_VERSION(3, 0);
  EXPECT_EQ(ChooseVertexProcessing(caps), D3DCREATE_HARDWARE_VERTEXPROCESSING);
  caps.VertexProcessingCaps = 0;
  EXPECT_EQ(ChooseVertexProcessing(caps), D3DCREATE_SOFTWARE_VERTEXPROCESSING);
  EXPECT_EQ(ChooseVertexProcessing(D3DCAPS9{}), D3DCREATE_SOFTWARE_VERTEXPROCESSING);
}

TEST_F(GraphicsDeviceTest, CreationAsksOnlyWhetherNoMultisamplingWorks) {
  Open();
  auto questions = Log().CallsNamed("CheckDeviceMultiSampleType");
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0]->numbers[4], double(D3DMULTISAMPLE_NONE));
  EXPECT_EQ(questions[0]->numbers[3], double(TRUE));  // windowed, whatever the mode
  const d3d9::RecordedCall* create = Only(Log().CallsNamed("CreateDevice"));
  ASSERT_NE(create, nullptr);
  EXPECT_EQ(create->numbers[2], double(D3DCREATE_HARDWARE_VERTEXPROCESSING));
}

TEST_F(GraphicsDeviceTest, TwoSamplesOnlyWhenNoneIsRefusedAndTwoAccepted) {
  d3d9::Recording().adapter.multiSampleTypes = {D3DMULTISAMPLE_2_SAMPLES};
  GraphicsDevice* device = Open();
  EXPECT_EQ(Log().Count("CheckDeviceMultiSampleType"), 2u);
  EXPECT_EQ(device->presentParameters.MultiSampleType, D3DMULTISAMPLE_2_SAMPLES);
}

TEST_F(GraphicsDeviceTest, SoftwareProcessingOnOldAdapters) {
  d3d9::Recording().adapter.caps.PixelShaderVersion = D3DPS_VERSION(1, 0);
  Open();
  const d3d9::RecordedCall* create = Only(Log().CallsNamed("CreateDevice"));
  ASSERT_NE(create, nullptr);
  EXPECT_EQ(create->numbers[2], double(D3DCREATE_SOFTWARE_VERTEXPROCESSING));
}

TEST_F(GraphicsDeviceTest, AFailedDeviceIsReportedAndEndsTheShow) {
  d3d9::Recording().FailAlways("CreateDevice");
  DeviceFrameGraphics graphics;
  testing::internal::CaptureStderr();
  EXPECT_EQ(graphics.CreateDevice(640, 480, 60, 0), nullptr);
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("Orvell: Failed to create Direct3D Device"), std::string::npos) << said;
}

TEST_F(GraphicsDeviceTest, LostDeviceWaitsThenResetsWithAnUntouchedCopy) {
  GraphicsDevice* device = Open();
  DeviceFrameGraphics graphics;
  graphics.CreateRenderer();
  D3DPRESENT_PARAMETERS stored = device->presentParameters;

  Log().LoseDevice();
  EXPECT_FALSE(graphics.DrawFrame());  // Present fails
  EXPECT_FALSE(graphics.RecoverDevice());
  EXPECT_EQ(Log().Count("Reset"), 0u);
  Log().MakeResettable();
  Log().ClearCalls();
  EXPECT_TRUE(graphics.RecoverDevice());
  EXPECT_EQ(Log().Count("Reset"), 1u);
  EXPECT_EQ(std::memcmp(&stored, &device->presentParameters, sizeof stored), 0);
  EXPECT_EQ(Log().loss(), d3d9::Recorder::Loss::kNone);
  // The renderer let go of its device objects before the reset and made them again after it.
  auto calls = Log().Calls();
  std::size_t reset = 0, effect = 0, declaration = 0;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].name == "Reset") reset = i;
    if (calls[i].name == "D3DXCreateEffectFromFileW") effect = i;
    if (calls[i].name == "CreateVertexDeclaration") declaration = i;
  }
  EXPECT_GT(effect, reset);
  EXPECT_GT(declaration, reset);
  EXPECT_TRUE(graphics.DrawFrame());
}

}  // namespace
