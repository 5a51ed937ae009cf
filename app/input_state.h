// The polled input: what the window procedure recorded of keys and mouse, and a snapshot of keys
// and buttons taken once per frame, so that scenes can tell presses and releases.
#pragma once

#include <cstdint>

struct InputState {
  // The record, created cleared on first call.
  static InputState* Instance();
  static void Destroy();

  // Copies keys into previousKeys and buttons into previousButtons; once per frame, before the
  // message pump.
  void Snapshot();

  // Down at the last snapshot and up now.
  bool KeyReleased(int virtualKey) const;
  // Up at the last snapshot and down now.
  bool KeyPressed(int virtualKey) const;

  std::int32_t mouseX = 0;  // client pixels, from the last WM_MOUSEMOVE
  std::int32_t mouseY = 0;
  std::int32_t mouseDeltaX = 0;  // between the last two WM_MOUSEMOVE messages only
  std::int32_t mouseDeltaY = 0;
  std::uint8_t keys[256] = {};  // by virtual-key code, 1 while down
  std::uint8_t previousKeys[256] = {};
  std::uint8_t previousButtons[3] = {};
  std::uint8_t buttons[3] = {};  // [0] left, [1] never set, [2] right
};
