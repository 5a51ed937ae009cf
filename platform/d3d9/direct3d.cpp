// Direct3DCreate9: the one entry point, which hands out the OpenGL or the recording implementation.
#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/device_core.h"
#include "platform/d3d9/recording_device.h"

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
  if (sdkVersion != D3D_SDK_VERSION) return nullptr;
  if (d3d9::RecordingDeviceInUse()) {
    return d3d9::detail::NewRecordingDirect3D(d3d9::Recording());
  }
  return d3d9::detail::NewGlDirect3D();
}
