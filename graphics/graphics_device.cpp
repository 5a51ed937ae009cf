// Window and device creation and teardown.
#include "graphics/graphics_device.h"

#include <memory>

#include "app/window.h"

namespace {
std::unique_ptr<GraphicsDevice> instance;
}

GraphicsDevice* GraphicsDevice::Instance(int width, int height, int refreshRate, int fullScreen) {
  if (!instance) {
    instance = std::make_unique<GraphicsDevice>();
    instance->width = width;
    instance->height = height;
    instance->refreshRate = refreshRate;
    instance->fullScreen = fullScreen;
    instance->window = CreateMainWindow(width, height, fullScreen);
    if (instance->window) instance->InitDirect3D();
  }
  return instance.get();
}

GraphicsDevice* GraphicsDevice::Instance() { return instance.get(); }

void GraphicsDevice::Destroy() {
  if (!instance) return;
  UnregisterClassW(kWindowClassName, GetModuleHandleW(nullptr));
  instance.reset();
}

void GraphicsDevice::InitDirect3D() {
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
}
