// Fuzz target: an image file of any kind loaded as a texture on the recording device, whose
// pixels must be exactly those of the size it reports.
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "fuzz/headless_graphics.h"
#include "platform/d3d9/recording_device.h"
#include "platform/d3dx/d3dx9.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  IDirect3DDevice9* device = fuzz::HeadlessGraphics()->device;
  // ".tga": every format with a signature is still found by it, and TGA, which has none, is tried
  // last.
  static fuzz::ScratchFile file("tga");
  const std::string& path = file.Write(data, size);

  IDirect3DTexture9* texture = nullptr;
  if (SUCCEEDED(D3DXCreateTextureFromFileW(device, path.c_str(), &texture))) {
    D3DSURFACE_DESC description{};
    if (FAILED(texture->GetLevelDesc(0, &description)) ||
        d3d9::RecordedPixels(texture).size() !=
            std::size_t(description.Width) * description.Height * 4) {
      std::abort();
    }
    texture->Release();
  }
  fuzz::ForgetRecordedCalls();
  return 0;
}
