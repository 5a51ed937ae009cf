// The aspect factor the visualizers divide their x positions and widths by, so that a layout made
// for 4:3 keeps its proportions and stays centred on any mode.
#pragma once

// k = (width / height) · 3/4 of the graphics device, computed as width / (height / 768) / 1024;
// 1 without a device record.
float VisualizerAspectFactor();
