// The intro scenes' shared rules.
#include "scenes/intro/intro_rules.h"

#include "app/frame_timer.h"
#include "app/input_state.h"
#include "app/scene_manager.h"
#include "graphics/graphics_device.h"
#include "platform/os/win32.h"

float TimelineSeconds() {
  return FrameTimer::Instance()->totalSeconds;
}

void DrawLayoutQuad(float x, float y, float w, float h, const TexRect& picture, float alpha) {
  float k = LayoutAspectFactor();
  DrawAtlasQuadTinted(x / k, y, w / k, h, picture.left, picture.top, picture.right, picture.bottom,
                      1.0f, 1.0f, 1.0f, alpha);
}

void DrawBackground(float alpha) {
  const TexRect& strip = kBackgroundStrip;
  DrawAtlasQuadTinted(-1.0f, -1.0f, 2.0f, 2.0f, strip.left, strip.top, strip.right, strip.bottom,
                      1.0f, 1.0f, 1.0f, alpha);
}

void DrawClosingPicture(float alpha) {
  DrawLayoutQuad(-0.6f, -0.5f, 1.171875f, 1.0286459f, kClosingPicture, alpha);
}

bool SkipKeyReleased() {
  const InputState* input = InputState::Instance();
  return input->KeyReleased(VK_ESCAPE) || input->KeyReleased(VK_SPACE);
}

void CueTest(const FadingScene& scene, float cueSeconds, std::uint32_t successor) {
  if (!scene.fadingOut && scene.active && TimelineSeconds() > cueSeconds) {
    SceneManager::Instance()->GoTo(successor);
  } else if (SkipKeyReleased()) {
    SceneManager::Instance()->GoTo(kMainSceneIndex);
  }
}
