// Fuzz target: the text layouts with any text, size, position, box and scroll, queued on the GUI
// renderer and rendered on the recording device. The input's first 18 bytes are the numbers,
// the rest is the text.
#include <cstdint>

#include "fuzz/fuzz_input.h"
#include "fuzz/headless_graphics.h"
#include "graphics/font_layout.h"
#include "graphics/gui_renderer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  GraphicsDevice* graphics = fuzz::HeadlessGraphics();
  fuzz::InputReader input(data, size);
  const float textSize = input.Float(1.0f);
  const float x = input.Float(2.0f);
  const float y = input.Float(2.0f);
  const float clipWidth = input.Float(2.0f);
  const float scroll = input.Float(4.0f);
  const float boxWidth = input.Float(2.0f);
  const float boxHeight = input.Float(2.0f);
  const float boxScroll = input.Float(4.0f);
  const float alpha = input.Float(1.0f);
  const std::string_view text = input.Rest();
  const Colour colour{1.0f, 0.5f, 0.25f, alpha};

  DrawTextLine(colour, text, textSize, x, y);
  DrawTextClipped(colour, text, textSize, clipWidth, scroll, x, y);
  MeasureTextLine(text, textSize);
  DrawTextBox(text, textSize, boxWidth, boxHeight, boxScroll, colour, x, y);
  MeasureTextBox(text, textSize, boxWidth);

  graphics->device->BeginScene();
  GuiRenderer::Instance()->Render();
  graphics->device->EndScene();
  fuzz::ForgetRecordedCalls();
  return 0;
}
