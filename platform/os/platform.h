// What our platform layer adds to the Win32 subset: starting and stopping the windowing system,
// batch mode, the virtual clock of record mode, and where the disk's "data/" folder lies.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/os/win32.h"

namespace os {

// Starts the windowing system for the life of the object and shuts it down (windows, cursors and
// all) when destroyed. Move-only; one at a time.
class Platform {
 public:
  // headless: run without a display (record mode); SDL's offscreen driver is used when there is
  // no display. Without headless, a missing display is an error: SDL would otherwise fall back to
  // an invisible driver and play on unseen.
  static std::unique_ptr<Platform> Open(bool headless, std::string* error);
  ~Platform();
  Platform(const Platform&) = delete;
  Platform& operator=(const Platform&) = delete;

  // The windowing system's driver in use ("x11", "wayland", "offscreen").
  const char* VideoDriver() const;

 private:
  Platform() = default;
};

// Batch mode never blocks on a person: message boxes print and return.
void SetBatchMode(bool batch);
bool BatchMode();

// The virtual clock: GetTickCount reads it, Sleep returns at once, and only SleepForFrame moves
// it, by exactly one frame. Used by record mode and by tests. Set it to any start value, for
// example just below the 32-bit wrap.
void UseVirtualClock(DWORD startTick, DWORD frameMilliseconds);
void UseRealClock();
bool VirtualClockInUse();

// The frame limiter's wait: sleeps the given milliseconds on the real clock; on the virtual clock
// advances it by exactly one frame instead, whatever the argument, and then runs the frame step.
void SleepForFrame(DWORD milliseconds);
// Work that belongs to each frame of virtual time, such as rendering that frame's sound.
void SetVirtualFrameStep(std::function<void()> step);

// The calendar time in seconds that seeds the random generator; a fixed value once overridden
// (--seed), so that a run can be repeated.
std::int64_t CalendarTime();
void OverrideCalendarTime(std::int64_t seconds);

// The folder that paths beginning with "data/" refer to (default "data", relative to the working
// directory).
void SetDataFolder(const std::string& folder);
std::string ResolveDataPath(const std::string& path);
// Whether path names a regular file (after symbolic links). The disk's files are opened only when
// it does: opening a named pipe waits for a writer for ever, and a device may never end.
bool IsRegularFile(const std::string& path);

}  // namespace os
