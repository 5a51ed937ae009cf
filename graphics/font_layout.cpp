// Glyph rectangles, trims and the three layouts.
#include "graphics/font_layout.h"

#include <algorithm>

#include "graphics/graphics_device.h"
#include "graphics/gui_renderer.h"

namespace {

constexpr unsigned char kFirst = ' ';
constexpr unsigned char kLast = 'Z';
constexpr float kCellTop = 0.008f;  // the top of every cell is never shown

// Per character from ' ' to 'Z', eight a font row.
constexpr float kGlyphTrim[59] = {
    0.40f, 0.35f, 0.40f, 0.10f, 0.36f, 0.25f, 0.31f, 0.43f,  // space ! " # $ % & '
    0.42f, 0.42f, 0.36f, 0.32f, 0.44f, 0.37f, 0.44f, 0.39f,  // ( ) * + , - . /
    0.37f, 0.41f, 0.37f, 0.37f, 0.37f, 0.37f, 0.37f, 0.37f,  // 0 1 2 3 4 5 6 7
    0.37f, 0.37f, 0.42f, 0.40f, 0.31f, 0.29f, 0.31f, 0.37f,  // 8 9 : ; < = > ?
    0.25f, 0.36f, 0.36f, 0.37f, 0.36f, 0.38f, 0.39f, 0.37f,  // @ A B C D E F G
    0.36f, 0.42f, 0.39f, 0.36f, 0.39f, 0.31f, 0.36f, 0.36f,  // H I J K L M N O
    0.37f, 0.36f, 0.36f, 0.36f, 0.37f, 0.36f, 0.37f, 0.30f,  // P Q R S T U V W
    0.37f, 0.38f, 0.37f};                                    // X Y Z

// Letters as the "C" locale's toupper makes them, whatever locale the process runs in.
unsigned char Upper(unsigned char c) {
  return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
}

bool InFont(unsigned char c) {
  return c >= kFirst && c <= kLast;
}

struct Glyph {
  float width;  // at the requested size
  float texLeft, texTop, texRight, texBottom;
  int row;
};

// The glyph of an upper-cased character in the font.
Glyph GlyphOf(unsigned char c, float size) {
  int index = c - kFirst;
  int column = index % 8;
  int row = index / 8;
  float trim = kGlyphTrim[index];
  return {size * (1.0f - 2.0f * trim),  (float(column) + trim) / 8.0f,
          float(row) / 8.0f + kCellTop, (float(column) + 1.0f - trim) / 8.0f,
          float(row + 1) / 8.0f,        row};
}

// Every glyph of every layout passes here, so the frame's division applies to all alike.
void QueueGlyph(const TextFrame& frame, const Colour& colour, float x, float y, float w, float h,
                float texLeft, float texTop, float texRight, float texBottom) {
  GuiRenderer* renderer = GuiRenderer::Instance();
  renderer->QueueQuad({colour.r, colour.g, colour.b, colour.a, texLeft, texTop, texRight, texBottom,
                       x / frame.divisor, y, w / frame.divisor, h, renderer->FontTexture(), 1.0f});
}

// The word-wrapping walk shared by drawing and measuring: calls place(c, X, Y) for every glyph
// laid out and stops when place returns false. Returns the final Y.
template <typename Place>
float LayOutBox(std::string_view text, float size, float boxWidth, float startY, Place place) {
  float x = 0.0f;
  float y = startY;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = Upper(static_cast<unsigned char>(text[i]));
    if (!place.BeforeCharacter(y)) break;
    if (c == '\n') {
      y -= size;
      x = 0.0f;
      continue;
    }
    if (c == ' ') {
      float word = 0.0f;
      for (std::size_t j = i + 1; j < text.size() && text[j] != ' '; ++j) {
        word += GlyphAdvance(static_cast<unsigned char>(text[j]), size);
      }
      if (x + word > boxWidth) {
        y -= size;
        x = 0.0f;
        continue;
      }
    }
    if (!InFont(c)) continue;
    place.Glyph(c, x, y);
    x += GlyphOf(c, size).width;
  }
  return y;
}

struct MeasureOnly {
  bool BeforeCharacter(float) const { return true; }
  void Glyph(unsigned char, float, float) const {}
};

}  // namespace

TextFrame DeviceTextFrame() {
  const GraphicsDevice* device = GraphicsDevice::Existing();
  return {device ? device->Aspect() : 1.0f, 1.0f};
}

TextFrame FourByThreeTextFrame() {
  return {4.0f / 3.0f, LayoutAspectFactor()};
}

float GlyphTrim(unsigned char c) {
  return InFont(c) ? kGlyphTrim[c - kFirst] : 0.0f;
}

float GlyphAdvance(unsigned char c, float size) {
  c = Upper(c);
  return InFont(c) ? GlyphOf(c, size).width : 0.0f;
}

TextExtent DrawTextLine(const Colour& colour, std::string_view text, float size, float x, float y,
                        const TextFrame& frame) {
  float advance = 0.0f;
  for (unsigned char raw : text) {
    if (x + advance > 1.0f) break;
    unsigned char c = Upper(raw);
    if (!InFont(c)) continue;
    Glyph g = GlyphOf(c, size);
    QueueGlyph(frame, colour, x + advance, y, g.width, size, g.texLeft, g.texTop, g.texRight,
               g.texBottom);
    advance += g.width;
  }
  return {advance / frame.divisor, size * frame.aspect};
}

TextExtent DrawTextClipped(const Colour& colour, std::string_view text, float size, float clipWidth,
                           float scroll, float left, float y, const TextFrame& frame) {
  const float height = size * frame.aspect;
  float advance = 0.0f;
  float pen = -scroll;  // relative to the window's left edge
  for (unsigned char raw : text) {
    if (left + pen > 1.0f) break;
    unsigned char c = Upper(raw);
    if (!InFont(c)) continue;
    if (pen > clipWidth) break;

    Glyph g = GlyphOf(c, size);
    float room = clipWidth - (pen + g.width);
    float visible = g.width + std::min(room, 0.0f);
    float f = visible / g.width;
    float texLeft = g.texLeft;
    float texRight = (1.0f - f) * g.texLeft + f * g.texRight;
    float x = left + pen;
    float width = visible;

    float before = advance;
    advance += visible;
    pen = advance - scroll;
    if (pen < 0.0f) continue;  // wholly left of the window
    if (before < scroll && visible > 0.0f) {
      float visibleLeft = visible - (scroll - before);
      float f2 = visibleLeft / visible;
      texLeft = f2 * texLeft + (1.0f - f2) * texRight;
      x = left;
      width = visibleLeft;
    }
    if (width > 0.0f)
      QueueGlyph(frame, colour, x, y, width, height, texLeft, g.texTop, texRight, g.texBottom);
  }
  return {advance / frame.divisor, height};
}

float MeasureTextLine(std::string_view text, float size) {
  float advance = 0.0f;
  for (unsigned char c : text) advance += GlyphAdvance(c, size);
  return advance;
}

void DrawTextBox(std::string_view text, float size, float boxWidth, float boxHeight, float scroll,
                 const Colour& colour, float left, float top, const TextFrame& frame) {
  struct Draw {
    float size, boxHeight, left, top;
    const TextFrame& frame;
    const Colour& colour;
    bool BeforeCharacter(float y) const { return y + size * frame.aspect >= -boxHeight; }
    void Glyph(unsigned char c, float x, float y) const {
      if (!(y <= 0.0f && y + size >= -boxHeight)) return;
      ::Glyph g = GlyphOf(c, size);
      float above = std::max(y + size, 0.0f);
      float below = std::min(y + boxHeight, 0.0f);
      float texTop = float(g.row) / 8.0f + kCellTop + std::max((y + size) / size, 0.0f) / 8.0f;
      float texBottom = float(g.row + 1) / 8.0f + std::min((y + boxHeight) / size, 0.0f) / 8.0f;
      QueueGlyph(frame, colour, left + x, top + y - below, g.width, size + below - above, g.texLeft,
                 texTop, g.texRight, texBottom);
    }
  } draw{size, boxHeight, left, top, frame, colour};
  LayOutBox(text, size, boxWidth, -scroll, draw);
}

float MeasureTextBox(std::string_view text, float size, float boxWidth) {
  return LayOutBox(text, size, boxWidth, 0.0f, MeasureOnly{});
}
