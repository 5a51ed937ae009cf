// MainScene's frame.
#include "scenes/player/main_scene.h"

#include "app/input_state.h"
#include "platform/os/win32.h"

void MainScene::Leave() {
  fadingOut = true;
  fade = 1.0f;
  fadingIn = false;
}

void MainScene::Update() {
  StepFade();
  if (InputState::Instance()->KeyReleased(VK_ESCAPE) && !quitting) {
    Leave();
    quitting = true;
  }
}
