// MainScene: the player screen. It draws the disk's artwork, the transport and volume buttons, the
// information panel, the overlay panels and the title line, feeds its visualizers while music
// plays, and stays until Escape is released; then it fades picture and sound out, stops the song,
// restores the output volume and goes inactive, which ends the show.
#pragma once

#include <cstdint>
#include <memory>

#include "app/scene.h"
#include "content/analyzer.h"
#include "scenes/player/information_panel.h"
#include "scenes/player/overlay_panels.h"

class MainScene : public FadingScene {
 public:
  // Inactive; builds the analyzer with an Equalizer, a BeatBlip and a GlenzBeatBox, in that order.
  MainScene();

  // The fade-out always starts from full, even when the fade-in had not finished.
  void Leave() override;
  // One frame of the player screen, steps 1 to 15.
  void Update() override;

  bool quitting = false;          // Escape was released; the fade-out also lowers the volume
  std::uint32_t savedVolume = 0;  // the output volume when quitting began, restored at the end
  std::unique_ptr<SpectrumAnalyzer> analyzer;
  InformationPanel informationPanel;
  TitleLine titleLine;
  OverlayPanels overlayPanels;

 private:
  void StepQuittingFadeOut();
  void DrawBackdrop(bool fadingOutThisPass);
};
