// The drawing operations the scenes call every frame: rectangles of the title atlas, image
// buttons, sprite meshes. Each queues commands with the GUI renderer; nothing draws at once.
// Positions and sizes are screen coordinates (x −1 left to 1 right, y −1 bottom to 1 top; a
// rectangle is its bottom-left corner, width and height); every quad has z = 1, so quads are drawn
// in the order queued.
#pragma once

#include <cstdint>

#include "platform/d3d9/d3d9.h"

// The state every image button shares. Ids are nonzero and unique per button.
struct ImageButtonState {
  std::int32_t hotId = 0;             // the button under the mouse
  std::int32_t activeId = 0;          // the button being pressed
  std::int32_t cursorOverButton = 0;  // set while the mouse hovers a button with the left button up

  static ImageButtonState& Get();
};

// Where the atlas operations find the title atlas. The atlas is loaded with the disk and kept in
// its record, a layer above this one, so the loader hands down a reader of it; without one, or
// with null, atlas quads carry no texture.
using TextureSource = IDirect3DTexture9* (*)();
void SetTitleAtlasSource(TextureSource source);

// A texture rectangle: left, top, right, bottom in texture coordinates.
struct TexRect {
  float left, top, right, bottom;
};

void DrawAtlasQuad(float x, float y, float w, float h, float texLeft, float texTop, float texRight,
                   float texBottom);
void DrawAtlasQuadTinted(float x, float y, float w, float h, float texLeft, float texTop,
                         float texRight, float texBottom, float r, float g, float b, float a);

// An immediate-mode button from the title atlas, drawn with the normal, hover or pressed picture.
// True in the frame in which the left button comes up over the button after being pressed on it.
bool ImageButton(std::int32_t id, float x, float y, float w, float h, float r, float g, float b,
                 float a, const TexRect& normal, const TexRect& hover, const TexRect& pressed);

// Queues the caller's buffer of two triangles (six vertices of position x, y, z and texture u, v;
// FVF XYZ|TEX1, stride 20) as a mesh under the world matrix.
void QueueSpriteMesh(IDirect3DVertexBuffer9* vertexBuffer, IDirect3DTexture9* texture,
                     const D3DMATRIX& world);
