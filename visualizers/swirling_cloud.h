// SwirlingCloud: the intro's background effect. Six cloud rings, each larger than the last, turn
// clockwise at their own speeds at one depth in front of the viewer; a black veil over them and
// over every quad of the frame fades the scene in from black and out to black with its fade.
#pragma once

#include "content/visualizer.h"
#include "graphics/graphics_device.h"
#include "visualizers/mesh_buffer.h"

class SwirlingCloud : public Visualizer, public DeviceResourceOwner {
 public:
  static constexpr int kRings = 6;

  // Sets the projection, makes the ring and veil buffers, and draws the rings' start angles from
  // the random generator seeded with the calendar time in seconds.
  explicit SwirlingCloud(Scene* owner);
  ~SwirlingCloud() override;

  // Uses first only: the scene's fade, 0 to 1; the veil's opacity is 1 − first.
  void Draw(const float* spectrum, const std::uint8_t* beats, float sampleTime,
            float sampleInterval, float first, float second) override;

  void ReleaseDeviceResources() override;
  void RecreateDeviceResources() override;

  float angles[kRings];  // each ring's turn in degrees, [0, 360); advances once per call

 private:
  MeshBuffer ring_;  // the cloud-ring picture on a 4 × 4 square, written once
  MeshBuffer veil_;  // the same square in one colour, rewritten every call
};
