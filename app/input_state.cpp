// The input record and its per-frame snapshot.
#include "app/input_state.h"

#include <cstring>
#include <memory>

namespace {
std::unique_ptr<InputState> instance;
}

InputState* InputState::Instance() {
  if (!instance) instance = std::make_unique<InputState>();
  return instance.get();
}

void InputState::Destroy() {
  instance.reset();
}

void InputState::Snapshot() {
  std::memcpy(previousKeys, keys, sizeof keys);
  std::memcpy(previousButtons, buttons, sizeof buttons);
}

bool InputState::KeyReleased(int virtualKey) const {
  return previousKeys[virtualKey & 0xFF] && !keys[virtualKey & 0xFF];
}

bool InputState::KeyPressed(int virtualKey) const {
  return !previousKeys[virtualKey & 0xFF] && keys[virtualKey & 0xFF];
}
