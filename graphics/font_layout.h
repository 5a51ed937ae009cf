// Text in the fixed bitmap font: one line, one line cut to a horizontal window, word-wrapped text
// in a vertically scrolled box, and their measurements. The font texture is a grid of 8 × 8 cells
// holding " " to "Z" in reading order; letters are drawn upper case, every other byte outside
// that range is skipped. Sizes and positions are screen units of the text's frame (below); each
// glyph is one quad.
#pragma once

#include <string_view>

struct Colour {
  float r, g, b, a;
};

struct TextExtent {
  float width;   // advance on screen
  float height;  // character size times the aspect ratio the text is laid out for
};

// How laid-out text meets the screen: the layout is that of a mode of width / height `aspect`
// (the glyph height of a clipped line, the box's stop), and every glyph's x and width is then
// divided by `divisor`. A scene that lays out for 4:3 and divides its x and widths by the aspect
// factor gets text that keeps its 4:3 shape, wrapping and clipping on every mode.
struct TextFrame {
  float aspect;
  float divisor;
};

// The chosen mode as it is: its own aspect ratio, nothing divided.
TextFrame DeviceTextFrame();
// The 4:3 layout (aspect 4/3) divided by the aspect factor k of the chosen mode; at k = 1 the
// same as the device's frame.
TextFrame FourByThreeTextFrame();

// The fraction of a cell's width cut from each side of character c's glyph (c in ' '..'Z').
float GlyphTrim(unsigned char c);
// The advance of character c at size s after upper-casing; 0 for characters the font lacks.
float GlyphAdvance(unsigned char c, float size);

// One line from pen (x, y), the glyphs' bottom edge, stopping once the pen passes the right edge
// of the screen (x = 1 before the frame's division).
TextExtent DrawTextLine(const Colour& colour, std::string_view text, float size, float x, float y,
                        const TextFrame& frame = DeviceTextFrame());

// One line inside the window [left, left + clipWidth], shifted left by scroll; glyphs are cut at
// both edges. Reports the visible advance.
TextExtent DrawTextClipped(const Colour& colour, std::string_view text, float size, float clipWidth,
                           float scroll, float left, float y,
                           const TextFrame& frame = DeviceTextFrame());

// The advance of the whole line, without any stop.
float MeasureTextLine(std::string_view text, float size);

// Word-wrapped text in the box whose top-left corner is (left, top), the first line's bottom
// scroll below the top; glyphs are cut to the box's height. Line feeds break lines.
void DrawTextBox(std::string_view text, float size, float boxWidth, float boxHeight, float scroll,
                 const Colour& colour, float left, float top,
                 const TextFrame& frame = DeviceTextFrame());

// The wrapped text's height: 0 or negative, minus the line breaks times the size.
float MeasureTextBox(std::string_view text, float size, float boxWidth);
