// The graphics the fuzz targets draw on: the windowing system without a display, the recording
// device in place of OpenGL, the device record in a 1024 × 768 mode and the GUI renderer with the
// demo disk's font and effect. Made on first use; the renderer and device are released at exit.
#pragma once

#include "graphics/graphics_device.h"

namespace fuzz {

GraphicsDevice* HeadlessGraphics();
// Empties the recording device's call log, which would otherwise grow with every input.
void ForgetRecordedCalls();

}  // namespace fuzz
