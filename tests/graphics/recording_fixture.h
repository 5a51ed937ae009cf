// A graphics device on the recording device: the real window and device record, a device that
// logs every call instead of drawing, and the repository's data folder.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/input_state.h"
#include "graphics/drawing_operations.h"
#include "graphics/graphics_device.h"
#include "graphics/gui_renderer.h"
#include "platform/d3d9/recording_device.h"
#include "platform/os/platform.h"

class RecordingDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    platform_ = os::Platform::Open(true, &error);
    ASSERT_TRUE(platform_) << error;
    os::SetBatchMode(true);
    os::SetDataFolder(std::string(ORVELL_SOURCE_DIR) + "/data");
    d3d9::UseRecordingDevice(true);
  }
  void TearDown() override {
    GuiRenderer::Destroy();
    GraphicsDevice::Destroy();
    InputState::Destroy();
    d3d9::UseRecordingDevice(false);
    os::SetBatchMode(false);
    platform_.reset();
  }
  // The device record in a mode; the recorder's log starts empty after creation.
  GraphicsDevice* Open(int width = 1024, int height = 768, int fullScreen = 0) {
    GraphicsDevice* device = GraphicsDevice::Instance(width, height, 60, fullScreen);
    EXPECT_NE(device->device, nullptr);
    return device;
  }
  d3d9::Recorder& Log() { return d3d9::Recording(); }

 private:
  std::unique_ptr<os::Platform> platform_;
};
