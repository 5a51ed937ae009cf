// Start-up and orderly shutdown of the fuzz targets' headless graphics.
#include "fuzz/headless_graphics.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "graphics/gui_renderer.h"
#include "platform/d3d9/recording_device.h"
#include "platform/os/platform.h"

namespace fuzz {
namespace {

// The windowing system is opened once and deliberately never shut down: shutting it down unloads
// the GL driver it loaded for the hidden window, and LeakSanitizer could then no longer tell the
// driver's one leaked block from a leak of ours. A global keeps it reachable.
os::Platform* platform = nullptr;

class Graphics {
 public:
  Graphics() {
    std::string error;
    platform = os::Platform::Open(true, &error).release();
    if (!platform) {
      std::fprintf(stderr, "fuzz: no windowing system: %s\n", error.c_str());
      std::abort();
    }
    os::SetBatchMode(true);
    os::SetDataFolder(ORVELL_DATA_DIR);
    d3d9::UseRecordingDevice(true);
    device_ = GraphicsDevice::Instance(1024, 768, 60, 0);
    GuiRenderer::Instance();
  }
  ~Graphics() {
    GuiRenderer::Destroy();
    GraphicsDevice::Destroy();
    d3d9::UseRecordingDevice(false);
  }
  Graphics(const Graphics&) = delete;
  Graphics& operator=(const Graphics&) = delete;

  GraphicsDevice* Device() const { return device_; }

 private:
  GraphicsDevice* device_ = nullptr;
};

}  // namespace

GraphicsDevice* HeadlessGraphics() {
  static Graphics graphics;
  return graphics.Device();
}

void ForgetRecordedCalls() {
  d3d9::Recording().ClearCalls();
}

}  // namespace fuzz
