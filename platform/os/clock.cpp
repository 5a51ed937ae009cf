// The tick counter on the real clock or on the virtual clock of record mode.
#include <chrono>
#include <ctime>
#include <optional>
#include <thread>

#include "platform/os/platform.h"

namespace {
struct VirtualClock {
  bool inUse = false;
  DWORD now = 0;
  DWORD frame = 20;
};
VirtualClock virtualClock;
std::optional<std::int64_t> calendarOverride;
std::function<void()> virtualFrameStep;
}  // namespace

namespace os {

void UseVirtualClock(DWORD startTick, DWORD frameMilliseconds) {
  virtualClock = {true, startTick, frameMilliseconds};
}

void UseRealClock() {
  virtualClock.inUse = false;
}

bool VirtualClockInUse() {
  return virtualClock.inUse;
}

void SleepForFrame(DWORD milliseconds) {
  if (virtualClock.inUse) {
    virtualClock.now += virtualClock.frame;
    if (virtualFrameStep) virtualFrameStep();
  } else {
    Sleep(milliseconds);
  }
}

void SetVirtualFrameStep(std::function<void()> step) {
  virtualFrameStep = std::move(step);
}

std::int64_t CalendarTime() {
  return calendarOverride ? *calendarOverride : std::int64_t(std::time(nullptr));
}

void OverrideCalendarTime(std::int64_t seconds) {
  calendarOverride = seconds;
}

}  // namespace os

DWORD GetTickCount() {
  if (virtualClock.inUse) return virtualClock.now;
  // Like the system's counter: milliseconds since boot, wrapping after about 49.7 days.
  auto sinceBoot = std::chrono::steady_clock::now().time_since_epoch();
  return DWORD(std::chrono::duration_cast<std::chrono::milliseconds>(sinceBoot).count());
}

void Sleep(DWORD milliseconds) {
  if (virtualClock.inUse || milliseconds == 0) return;
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
