// GlobalInitializationScene: a scene only in form. Its constructor loads everything the show
// shares — the hand cursor, the title atlas, cloud-ring and credits textures, data/disk.cfg and
// every song — starts the audio output and the first song; its destructor frees the music and
// stops the output. It is never started, so it is never updated.
#pragma once

#include <string>

#include "app/scene.h"
#include "platform/os/win32.h"

class GlobalInitializationScene : public Scene {
 public:
  GlobalInitializationScene();
  ~GlobalInitializationScene() override;
  void Update() override {}

  // Starts decoding the three pictures and opening the songs the constructor loads, to have them
  // ready by then: called once the platform is open, so that this happens while the window and
  // the device are created.
  static void Prefetch();
};

// The module load flags for a music file: 32-bit float mixing, ramping, note reset on position
// change, no interpolation, stop on a backward jump, and FastTracker 2 style when the name ends in
// ".XM" exactly, ProTracker 1 style otherwise.
DWORD ModuleLoadFlags(const std::string& path);

// Points the title-atlas drawing operations at the atlas in PlayerState; the constructor does it,
// and a test that fills PlayerState's pictures without loading calls it too.
void UseDiskTitleAtlas();
