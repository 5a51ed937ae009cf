// MainScene's construction and the order of the steps of its frame.
#include "scenes/player/main_scene.h"

#include <algorithm>

#include "app/input_state.h"
#include "content/player_state.h"
#include "graphics/drawing_operations.h"
#include "graphics/gui_renderer.h"
#include "platform/bass/bass.h"
#include "platform/os/win32.h"
#include "scenes/player/playback_controls.h"
#include "scenes/player/player_layout.h"
#include "visualizers/beat_blip.h"
#include "visualizers/equalizer.h"
#include "visualizers/glenz_beat_box.h"

MainScene::MainScene() : analyzer(std::make_unique<SpectrumAnalyzer>(this)) {
  active = false;
  analyzer->visualizers.push_back(std::make_unique<Equalizer>(this));
  analyzer->visualizers.push_back(std::make_unique<BeatBlip>(this));
  analyzer->visualizers.push_back(std::make_unique<GlenzBeatBox>(this));
}

void MainScene::Leave() {
  fadingOut = true;
  fade = 1.0f;
  fadingIn = false;
}

void MainScene::StepQuittingFadeOut() {
  if (!fadingOut) return;
  bool ended = StepFadeOut();
  if (!quitting) return;
  // The output volume follows the fade down once the fade falls below it.
  DWORD faded = DWORD(std::max(fade, 0.0f) * 100.0f);
  BASS_SetVolume(std::min(BASS_GetVolume(), faded));
  if (ended) {
    // The song is stopped for good: no longer meant to play, so that the end-of-song step of this
    // same frame does not start the next one for the last moments of the run.
    if (Song* song = CurrentSong()) BASS_ChannelStop(song->handle);
    PlayerState::Instance()->playing = false;
    Sleep(10);
    BASS_SetVolume(savedVolume);
  }
}

void MainScene::DrawBackdrop(bool fadingOutThisPass) {
  const float k = LayoutAspectFactor();
  // The background covers the whole screen on any mode and is not faded in; it fades out with
  // the scene down to the pass that ends the fade-out, so the show ends on a black frame.
  DrawPicture(-1.0f, -1.0f, 2.0f, 2.0f, AtlasUnits(977.5f, 27, 1009.5f, 790),
              fadingOutThisPass ? fade : 1.0f);
  DrawPicture(-0.78f / k, -0.75f, 1.494140625f / k, 1.5885417f, AtlasUnits(0, 0, 382.5f, 610),
              fade);
}

void MainScene::Update() {
  // Without a device nothing is drawn and no renderer is made; the cursor stays the arrow.
  if (GuiRenderer* renderer = GuiRenderer::Existing()) {
    renderer->ImageButtons().cursorOverButton = 0;
  }
  StepFadeIn();
  const bool fadingOutThisPass = fadingOut;
  StepQuittingFadeOut();
  AdvanceAtSongEnd();
  DrawBackdrop(fadingOutThisPass);
  informationPanel.Step(fade);
  TransportControls(fade);
  overlayPanels.StepControls();
  if (PlayerState::Instance()->playing && overlayPanels.VisualizersRun()) {
    analyzer->Update(fade, overlayPanels.panelTransition);
  }
  overlayPanels.Step(fade);
  VolumeButtons(fade);
  titleLine.Step(fade);

  if (InputState::Instance()->KeyReleased(VK_ESCAPE) && !quitting) {
    Leave();
    quitting = true;
    savedVolume = BASS_GetVolume();
  }

  const PlayerState* player = PlayerState::Instance();
  const GuiRenderer* renderer = GuiRenderer::Existing();
  SetCursor(renderer && renderer->ImageButtons().cursorOverButton
                ? player->handCursor
                : LoadCursorW(nullptr, IDC_ARROW));
}
