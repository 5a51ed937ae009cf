// Window and device creation, reset and teardown.
#include "graphics/graphics_device.h"

#include <algorithm>
#include <memory>

#include "app/release_and_clear.h"
#include "app/show_message.h"
#include "app/window.h"

namespace {
std::unique_ptr<GraphicsDevice> instance;
}  // namespace

GraphicsDevice::GraphicsDevice(int width, int height, int refreshRate, int fullScreen)
    : width(width), height(height), refreshRate(refreshRate), fullScreen(fullScreen) {
  window = CreateMainWindow(width, height);
  if (window) InitDirect3D();
}

GraphicsDevice* GraphicsDevice::Instance(int width, int height, int refreshRate, int fullScreen) {
  if (!instance)
    instance = std::make_unique<GraphicsDevice>(width, height, refreshRate, fullScreen);
  return instance.get();
}

GraphicsDevice* GraphicsDevice::Existing() {
  return instance.get();
}

void GraphicsDevice::Destroy() {
  if (!instance) return;
  ReleaseAndClear(instance->device);
  ReleaseAndClear(instance->direct3d);
  UnregisterClassW(kWindowClassName, GetModuleHandleW(nullptr));
  instance.reset();
}

float LayoutAspectFactor() {
  const GraphicsDevice* device = GraphicsDevice::Existing();
  if (!device || device->height == 0) return 1.0f;
  return float(device->width) / (float(device->height) / 768.0f) / 1024.0f;
}

DWORD ChooseVertexProcessing(const D3DCAPS9& caps) {
  bool hardware = caps.VertexProcessingCaps != 0 && caps.PixelShaderVersion >= D3DPS_VERSION(1, 1);
  return hardware ? D3DCREATE_HARDWARE_VERTEXPROCESSING : D3DCREATE_SOFTWARE_VERTEXPROCESSING;
}

void GraphicsDevice::InitDirect3D() {
  direct3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!direct3d) {
    // Nothing that follows can run without the object; the caller ends the run.
    ShowMessage("Please install the correct version of Direct3D 9", window);
    return;
  }
  // A failed query leaves the record zeroed, which asks for software vertex processing.
  D3DCAPS9 caps{};
  if (FAILED(direct3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps))) {
    ShowMessage("Failed to query device capabilities", window);
  }
  DWORD behaviour = ChooseVertexProcessing(caps);

  D3DMULTISAMPLE_TYPE multiSample = D3DMULTISAMPLE_NONE;
  if (FAILED(direct3d->CheckDeviceMultiSampleType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL,
                                                  D3DFMT_X8R8G8B8, TRUE, D3DMULTISAMPLE_NONE,
                                                  nullptr)) &&
      SUCCEEDED(direct3d->CheckDeviceMultiSampleType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL,
                                                     D3DFMT_X8R8G8B8, TRUE,
                                                     D3DMULTISAMPLE_2_SAMPLES, nullptr))) {
    multiSample = D3DMULTISAMPLE_2_SAMPLES;
  }

  presentParameters = {};
  presentParameters.BackBufferWidth = fullScreen ? UINT(width) : 0;
  presentParameters.BackBufferHeight = fullScreen ? UINT(height) : 0;
  presentParameters.BackBufferFormat = D3DFMT_X8R8G8B8;
  presentParameters.BackBufferCount = 1;
  presentParameters.MultiSampleType = multiSample;
  presentParameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
  presentParameters.Windowed = fullScreen ? FALSE : TRUE;
  presentParameters.EnableAutoDepthStencil = TRUE;
  presentParameters.AutoDepthStencilFormat = D3DFMT_D24X8;
  presentParameters.FullScreen_RefreshRateInHz = fullScreen ? UINT(refreshRate) : 0;
  presentParameters.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;

  // Creation may write back into the parameters it is given; the stored record stays as built.
  D3DPRESENT_PARAMETERS parameters = presentParameters;
  if (FAILED(direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, behaviour,
                                    &parameters, &device))) {
    device = nullptr;
    ShowMessage("Failed to create Direct3D Device", window);
  }
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
}

HRESULT GraphicsDevice::ResetDevice() {
  for (DeviceResourceOwner* owner : owners_) owner->ReleaseDeviceResources();
  D3DPRESENT_PARAMETERS parameters = presentParameters;
  HRESULT result = device->Reset(&parameters);
  for (DeviceResourceOwner* owner : owners_) owner->RecreateDeviceResources();
  return result;
}

void GraphicsDevice::AddResourceOwner(DeviceResourceOwner* owner) {
  owners_.push_back(owner);
}

void GraphicsDevice::RemoveResourceOwner(DeviceResourceOwner* owner) {
  owners_.erase(std::remove(owners_.begin(), owners_.end(), owner), owners_.end());
}
