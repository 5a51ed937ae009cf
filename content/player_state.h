// The player's one program-wide record, the loaded disk: the song table read from data/disk.cfg,
// the selected song, whether it is meant to play, the volume step, the credits, the hand cursor
// and the pictures several scenes share.
#pragma once

#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/os/win32.h"

struct Song {
  DWORD handle = 0;          // the song's module or stream; 0 when it failed to load
  std::string title;         // shown after "Now playing"
  float titleWidth = 0.0f;   // at character size 0.05; decides whether the title scrolls
  float titleOffset = 0.0f;  // the title marquee's offset
  std::string infoText;      // shown in the information panel
  float infoHeight = 0.0f;   // wrapped at size 0.05 in a 0.3 box: 0 or negative
  float infoScroll = 0.5f;   // 0.5: the first line enters at the bottom of the box
};

struct PlayerState {
  // The record, created empty on first call.
  static PlayerState* Instance();
  static void Destroy();

  int songCount = 0;
  std::vector<Song> songs;  // songCount entries, in file order, never reordered
  int currentSong = 0;      // 0 to songCount − 1 once loading is done (0 with no songs)
  bool playing = false;
  int volumeStep = 0;               // output volume in tenths, 0 to 10
  float infoScrollSpeed = -0.035f;  // screen units per second
  std::string creditsText;
  float creditsHeight = 0.0f;  // wrapped at size 0.033 in a 0.75 box: 0 or negative
  HCURSOR handCursor = nullptr;
  IDirect3DTexture9* titleAtlas = nullptr;      // data/tit.png, 2048 × 1024 texels
  IDirect3DTexture9* cloudRing = nullptr;       // data/cloudring.png
  IDirect3DTexture9* creditsTexture = nullptr;  // data/credits.png, the credit sprites
};
