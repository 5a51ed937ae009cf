// The visualizers' aspect factor.
#include "visualizers/aspect_factor.h"

#include "graphics/graphics_device.h"

float VisualizerAspectFactor() {
  const GraphicsDevice* device = GraphicsDevice::Instance();
  if (!device || device->height == 0) return 1.0f;
  return float(device->width) / (float(device->height) / 768.0f) / 1024.0f;
}
