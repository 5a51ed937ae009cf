// The one clock of the show: seconds since the first frame and the length of the last pass, in
// whole milliseconds, from the tick counter.
#pragma once

#include <cstdint>

struct FrameTimer {
  // The timer, created on first call; its clock starts then.
  static FrameTimer* Instance();
  // Frees the timer; the next Instance starts a new one.
  static void Destroy();

  // Starts the clock: both ticks at the current tick count, both second counts 0.
  FrameTimer();

  // Steps the timer; called by the frame loop once per pass. Differences are taken modulo 2^32
  // and read as signed, so the counter's wrap keeps deltaSeconds right.
  void Update();

  std::uint32_t startTick;
  std::uint32_t lastTick;
  float totalSeconds = 0.0f;  // from creation to the last update
  float deltaSeconds = 0.0f;  // between the last two updates
};
