// The player state record.
#include "content/player_state.h"

#include <memory>

namespace {
std::unique_ptr<PlayerState> instance;
}

PlayerState* PlayerState::Instance() {
  if (!instance) instance = std::make_unique<PlayerState>();
  return instance.get();
}

void PlayerState::Destroy() {
  instance.reset();
}
