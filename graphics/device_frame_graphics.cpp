// Device creation, recovery, the drawing step and teardown for the frame loop.
#include "graphics/device_frame_graphics.h"

#include <chrono>
#include <cstdio>

#include "graphics/graphics_device.h"
#include "graphics/gui_renderer.h"
#include "platform/d3d9/frame_capture.h"

void DeviceFrameGraphics::RecordFrames(const std::string& folder, int everyNth) {
  recordFolder_ = folder;
  recordEvery_ = everyNth > 0 ? everyNth : 1;
}

HWND DeviceFrameGraphics::CreateDevice(int width, int height, int refreshRate, int fullScreen) {
  GraphicsDevice* graphics = GraphicsDevice::Instance(width, height, refreshRate, fullScreen);
  if (!graphics->window) {
    // The window is the one thing the show cannot do without; say so rather than stop dead.
    MessageBoxW(nullptr, "Failed to create the main window", "Orvell", MB_OK);
    return nullptr;
  }
  // Without the Direct3D object or the device nothing could be drawn; the messages were shown.
  return graphics->device ? graphics->window : nullptr;
}

void DeviceFrameGraphics::CreateRenderer() {
  GuiRenderer::Instance();
}

bool DeviceFrameGraphics::RecoverDevice() {
  GraphicsDevice* graphics = GraphicsDevice::Instance();
  if (graphics->device->TestCooperativeLevel() != D3DERR_DEVICENOTRESET) {
    Sleep(100);
    return false;
  }
  // A failed Reset shows again at the next Present, which starts another recovery.
  graphics->ResetDevice();
  return true;
}

bool DeviceFrameGraphics::DrawFrame() {
  std::uint64_t pass = pass_++;
  presentSeconds_.reset();
  IDirect3DDevice9* device = GraphicsDevice::Instance()->device;
  if (!device || FAILED(device->BeginScene())) return true;
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  GuiRenderer::Instance()->Render();
  device->EndScene();
  if (!recordFolder_.empty() && pass % std::uint64_t(recordEvery_) == 0) {
    d3d9::FrameImage frame;
    std::string error;
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06llu.png", static_cast<unsigned long long>(pass));
    if (FAILED(d3d9::CaptureFrame(device, &frame)) ||
        !d3d9::WritePng(frame, recordFolder_ + name, &error)) {
      std::fprintf(stderr, "orvell: cannot write frame %llu: %s\n",
                   static_cast<unsigned long long>(pass), error.c_str());
    }
  }
  HRESULT presented = device->Present(nullptr, nullptr, nullptr, nullptr);
  // libstdc++'s steady clock is CLOCK_MONOTONIC.
  presentSeconds_ =
      std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  return SUCCEEDED(presented);
}

void DeviceFrameGraphics::Destroy() {
  GraphicsDevice::Destroy();
  GuiRenderer::Destroy();
}
