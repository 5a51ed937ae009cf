// The frame timer on GetTickCount.
#include "app/frame_timer.h"

#include <memory>

#include "platform/os/win32.h"

namespace {
std::unique_ptr<FrameTimer> instance;

float SecondsBetween(std::uint32_t from, std::uint32_t to) {
  return float(std::int32_t(to - from) / 1000.0);
}
}  // namespace

FrameTimer::FrameTimer() : startTick(GetTickCount()), lastTick(startTick) {}

FrameTimer* FrameTimer::Instance() {
  if (!instance) instance = std::make_unique<FrameTimer>();
  return instance.get();
}

void FrameTimer::Destroy() {
  instance.reset();
}

void FrameTimer::Update() {
  std::uint32_t now = GetTickCount();
  totalSeconds = SecondsBetween(startTick, now);
  deltaSeconds = SecondsBetween(lastTick, now);
  lastTick = now;
}
