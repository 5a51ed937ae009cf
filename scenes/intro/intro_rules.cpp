// The intro scenes' shared rules.
#include "scenes/intro/intro_rules.h"

#include "app/frame_timer.h"
#include "app/input_state.h"
#include "app/scene_manager.h"
#include "graphics/graphics_device.h"
#include "platform/os/win32.h"

float AspectFactor() {
  const GraphicsDevice* device = GraphicsDevice::Instance();
  if (!device || device->height == 0) return 1.0f;
  return float(device->width) / (float(device->height) / 768.0f) / 1024.0f;
}

bool SkipKeyReleased() {
  const InputState* input = InputState::Instance();
  return input->KeyReleased(VK_ESCAPE) || input->KeyReleased(VK_SPACE);
}

void CueTest(const FadingScene& scene, float cueSeconds, std::uint32_t successor) {
  if (!scene.fadingOut && scene.active && FrameTimer::Instance()->totalSeconds > cueSeconds) {
    SceneManager::Instance()->GoTo(successor);
  } else if (SkipKeyReleased()) {
    SceneManager::Instance()->GoTo(kMainSceneIndex);
  }
}
