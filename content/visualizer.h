// The interface of the audio-reactive effects. A scene's spectrum analyzer calls each of its
// visualizers once per frame, after the analysis; a visualizer keeps its own animation state and
// queues its drawing with the GUI renderer.
#pragma once

#include <cstdint>

class Scene;

class Visualizer {
 public:
  explicit Visualizer(Scene* owner) : scene(owner) {}
  Visualizer(const Visualizer&) = delete;
  Visualizer& operator=(const Visualizer&) = delete;
  virtual ~Visualizer() = default;

  // spectrum: the last sample's 256 magnitudes, lowest frequency first; beats: six flags, bands 0
  // to 5, nonzero for a beat this frame; sampleTime: the timer's total seconds at the last sample;
  // sampleInterval: seconds between the last two samples; first and second: chosen by the scene
  // (both pass their fade as first; the player passes its panel transition as second, the intro
  // 0). The pointers are valid during the call only.
  virtual void Draw(const float* spectrum, const std::uint8_t* beats, float sampleTime,
                    float sampleInterval, float first, float second) = 0;

  Scene* scene;  // the scene whose analyzer owns this; not owned, not read when drawing
};
