// The player screen's layout convention and the drawing it is made of. Positions are screen
// coordinates; every x and width of the 4:3 layout is divided by the aspect factor k, at the call
// site for pictures and buttons, by the text helpers for text. Atlas rectangles are given in units
// of 1/1024 of a texture coordinate. Without a graphics device record (a test of the scene logic
// alone) nothing is queued and no button is clicked.
#pragma once

#include <cstdint>
#include <string_view>

#include "graphics/drawing_operations.h"
#include "graphics/graphics_device.h"

// An atlas rectangle from units of 1/1024: (left, top)-(right, bottom).
constexpr TexRect AtlasUnits(float left, float top, float right, float bottom) {
  return {left / 1024.0f, top / 1024.0f, right / 1024.0f, bottom / 1024.0f};
}

// A title-atlas picture in white at the alpha.
void DrawPicture(float x, float y, float w, float h, const TexRect& atlas, float alpha);
// A button with one picture for all three looks, white at the alpha; true on a completed click.
bool PictureButton(std::int32_t id, float x, float y, float w, float h, const TexRect& atlas,
                   float alpha);
// An invisible hot area: a button drawn from the atlas's clear top-left texel in opaque white.
bool HotArea(std::int32_t id, float x, float y, float w, float h);

// The bitmap-font text operations, white at the alpha. Unlike the pictures, text takes its x
// and widths as on 4:3, undivided: it is laid out as on a 4:3 mode and its glyphs are then divided
// by k, so that it wraps, clips and stays in its boxes on every mode as it does on 4:3.
void DrawPlayerTextLine(std::string_view text, float size, float x, float y, float alpha);
void DrawPlayerTextClipped(std::string_view text, float size, float clipWidth, float scroll,
                           float left, float y, float alpha);
void DrawPlayerTextBox(std::string_view text, float size, float boxWidth, float boxHeight,
                       float scroll, float left, float top, float alpha);

// Down in both the previous and the current key snapshot.
bool KeyHeld(int virtualKey);
