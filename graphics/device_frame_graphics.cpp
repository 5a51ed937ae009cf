// Device creation, drawing and teardown for the frame loop.
#include "graphics/device_frame_graphics.h"

#include "graphics/graphics_device.h"

HWND DeviceFrameGraphics::CreateDevice(int width, int height, int refreshRate, int fullScreen) {
  GraphicsDevice* device = GraphicsDevice::Instance(width, height, refreshRate, fullScreen);
  if (!device->window) {
    MessageBoxW(nullptr, "Failed to create the main window", "Orvell", MB_OK);
  }
  return device->window;
}

void DeviceFrameGraphics::CreateRenderer() {}

bool DeviceFrameGraphics::RecoverDevice() { return true; }

bool DeviceFrameGraphics::DrawFrame() { return true; }

void DeviceFrameGraphics::Destroy() { GraphicsDevice::Destroy(); }
