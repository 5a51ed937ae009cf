// SpriteRotoZoom: the intro's foreground effect. One sprite in the middle of the screen: first the
// title picture spins and zooms in, holds, and spins and zooms past the viewer; then the eighteen
// credit sprites, in a random order, each zoom in and rush past. 35 seconds in all, then nothing.
#pragma once

#include "content/visualizer.h"
#include "graphics/graphics_device.h"
#include "visualizers/mesh_buffer.h"

class SpriteRotoZoom : public Visualizer, public DeviceResourceOwner {
 public:
  static constexpr int kSteps = 19;         // the title, then the eighteen credits
  static constexpr int kTitlePicture = 18;  // the sprite index of the title picture

  // Fixes the order of the credits from the random generator seeded with the calendar time in
  // seconds, sets the projection and prepares the title's sprite. The sequence starts at the
  // first Draw, not here.
  explicit SpriteRotoZoom(Scene* owner);
  ~SpriteRotoZoom() override;

  // Uses sampleTime only: the sprites move when the analyzer takes a new sample.
  void Draw(const float* spectrum, const std::uint8_t* beats, float sampleTime,
            float sampleInterval, float first, float second) override;

  void ReleaseDeviceResources() override;
  void RecreateDeviceResources() override;

  int order[kSteps];       // the sprite shown at each step: the title, then a permutation of 0..17
  int step = 0;            // the step showing; kSteps once finished
  bool firstCall = true;   // no Draw yet
  float stepStart = 0.0f;  // the sampleTime at which the current step began

 private:
  // Writes the current step's sprite into the buffer: one world unit per 1024 texels.
  void PrepareStep();

  MeshBuffer sprite_;
};
