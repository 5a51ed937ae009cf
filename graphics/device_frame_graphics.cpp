// Device creation, recovery, the drawing step and teardown for the frame loop.
#include "graphics/device_frame_graphics.h"

#include <chrono>

#include "app/show_message.h"
#include "graphics/graphics_device.h"
#include "graphics/gui_renderer.h"

HWND DeviceFrameGraphics::CreateDevice(int width, int height, int refreshRate, int fullScreen) {
  GraphicsDevice* graphics = GraphicsDevice::Instance(width, height, refreshRate, fullScreen);
  if (!graphics->window) {
    // The window is the one thing the show cannot do without; say so rather than stop dead.
    ShowMessage("Failed to create the main window");
    return nullptr;
  }
  // Without the Direct3D object or the device nothing could be drawn; the messages were shown.
  return graphics->device ? graphics->window : nullptr;
}

void DeviceFrameGraphics::CreateRenderer() {
  GuiRenderer::Instance();
}

bool DeviceFrameGraphics::RecoverDevice() {
  GraphicsDevice* graphics = GraphicsDevice::Existing();
  if (graphics->device->TestCooperativeLevel() != D3DERR_DEVICENOTRESET) {
    Sleep(100);
    return false;
  }
  // A failed Reset shows again at the next Present, which starts another recovery.
  graphics->ResetDevice();
  return true;
}

bool DeviceFrameGraphics::DrawFrame() {
  const std::uint64_t pass = pass_++;
  presentSeconds_.reset();
  IDirect3DDevice9* device = GraphicsDevice::Existing()->device;
  if (!device || FAILED(device->BeginScene())) return true;
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  GuiRenderer::Instance()->Render();
  device->EndScene();
  if (sink_) sink_->FrameDrawn(pass, device);
  HRESULT presented = device->Present(nullptr, nullptr, nullptr, nullptr);
  // libstdc++'s steady clock is CLOCK_MONOTONIC.
  presentSeconds_ =
      std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  return SUCCEEDED(presented);
}

bool DeviceFrameGraphics::Windowed() const {
  const GraphicsDevice* graphics = GraphicsDevice::Existing();
  return graphics && graphics->fullScreen == 0;
}

void DeviceFrameGraphics::Destroy() {
  GraphicsDevice* graphics = GraphicsDevice::Existing();
  if (sink_ && graphics && graphics->device) sink_->DeviceClosing(graphics->device);
  GraphicsDevice::Destroy();
  GuiRenderer::Destroy();
}
