// The graphics device record: the main window, the Direct3D object and device, the presentation
// parameters the device was made and is reset with, and the display mode chosen at start-up.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/os/win32.h"

// An owner of default-pool resources outside the GUI renderer. Direct3D resets a device only once
// every such resource is released, so owners register to release theirs before a reset and make
// them again (with any transform they set) after it.
class DeviceResourceOwner {
 public:
  virtual ~DeviceResourceOwner() = default;
  virtual void ReleaseDeviceResources() = 0;
  virtual void RecreateDeviceResources() = 0;
};

struct GraphicsDevice {
  // The record, created on first call with the mode; later calls return it as it is.
  static GraphicsDevice* Instance(int width, int height, int refreshRate, int fullScreen);
  // The record once created, else null: code that runs without a window (the scene logic under
  // test) draws nothing then.
  static GraphicsDevice* Existing();
  // Releases the device, then the Direct3D object, unregisters the window class, frees the record.
  static void Destroy();

  // Stores the mode, creates the main window and then the device on it (InitDirect3D). Failures
  // leave window or device null after a message.
  GraphicsDevice(int width, int height, int refreshRate, int fullScreen);

  // Creates the Direct3D object and the device, then shows the window.
  void InitDirect3D();

  // Resets a lost device: every registered owner releases, the device is reset with a copy of
  // presentParameters, every owner recreates. Returns Reset's result.
  HRESULT ResetDevice();
  void AddResourceOwner(DeviceResourceOwner* owner);
  void RemoveResourceOwner(DeviceResourceOwner* owner);

  // width / height of the chosen mode in single precision: the aspect ratio everywhere.
  float Aspect() const { return float(width) / float(height); }

  HWND window = nullptr;
  IDirect3D9* direct3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  D3DPRESENT_PARAMETERS presentParameters{};
  std::int32_t width;
  std::int32_t height;
  std::int32_t refreshRate;
  std::int32_t fullScreen;

 private:
  std::vector<DeviceResourceOwner*> owners_;
};

// The layout factor k = (width / height) · 3/4 of the chosen mode, computed as
// width / (height / 768) / 1024: the scenes lay out for 4:3 and divide every x position and width
// by it, so the layout keeps its proportions and stays centred. 1 without a device record.
float LayoutAspectFactor();

// The behaviour flag for a device on an adapter with these capabilities: hardware vertex
// processing from pixel shader 1.1 on with vertex processing capabilities, else software.
DWORD ChooseVertexProcessing(const D3DCAPS9& caps);
