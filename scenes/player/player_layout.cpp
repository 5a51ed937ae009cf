// The player screen's drawing helpers.
#include "scenes/player/player_layout.h"

#include "app/input_state.h"
#include "graphics/font_layout.h"
#include "graphics/graphics_device.h"

namespace {

bool CanDraw() {
  return GraphicsDevice::Existing() != nullptr;
}

constexpr TexRect kClearTexel{0.0f, 0.0f, 0.0f, 0.0f};

}  // namespace

void DrawPicture(float x, float y, float w, float h, const TexRect& atlas, float alpha) {
  if (!CanDraw()) return;
  DrawAtlasQuadTinted(x, y, w, h, atlas.left, atlas.top, atlas.right, atlas.bottom, 1.0f, 1.0f,
                      1.0f, alpha);
}

bool PictureButton(std::int32_t id, float x, float y, float w, float h, const TexRect& atlas,
                   float alpha) {
  if (!CanDraw()) return false;
  return ImageButton(id, x, y, w, h, 1.0f, 1.0f, 1.0f, alpha, atlas, atlas, atlas);
}

bool HotArea(std::int32_t id, float x, float y, float w, float h) {
  if (!CanDraw()) return false;
  return ImageButton(id, x, y, w, h, 1.0f, 1.0f, 1.0f, 1.0f, kClearTexel, kClearTexel, kClearTexel);
}

void DrawPlayerTextLine(std::string_view text, float size, float x, float y, float alpha) {
  if (!CanDraw()) return;
  DrawTextLine({1.0f, 1.0f, 1.0f, alpha}, text, size, x, y, FourByThreeTextFrame());
}

void DrawPlayerTextClipped(std::string_view text, float size, float clipWidth, float scroll,
                           float left, float y, float alpha) {
  if (!CanDraw()) return;
  DrawTextClipped({1.0f, 1.0f, 1.0f, alpha}, text, size, clipWidth, scroll, left, y,
                  FourByThreeTextFrame());
}

void DrawPlayerTextBox(std::string_view text, float size, float boxWidth, float boxHeight,
                       float scroll, float left, float top, float alpha) {
  if (!CanDraw()) return;
  DrawTextBox(text, size, boxWidth, boxHeight, scroll, {1.0f, 1.0f, 1.0f, alpha}, left, top,
              FourByThreeTextFrame());
}

bool KeyHeld(int virtualKey) {
  const InputState* input = InputState::Instance();
  return input->keys[virtualKey] && input->previousKeys[virtualKey];
}
