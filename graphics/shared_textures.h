// The textures several scenes share, loaded at start-up by the global initialization: the title
// atlas that every picture and button is cut from, the cloud ring and the credit sprites.
#pragma once

#include "platform/d3d9/d3d9.h"

struct SharedTextures {
  static SharedTextures& Get();

  IDirect3DTexture9* titleAtlas = nullptr;  // data/tit.png, 2048 × 1024 texels
  IDirect3DTexture9* cloudRing = nullptr;   // data/cloudring.png
  IDirect3DTexture9* credits = nullptr;     // data/credits.png
};
