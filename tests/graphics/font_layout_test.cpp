// Text layout: advances, glyph rectangles, clipping and word wrapping, with the exact numbers.
#include "graphics/font_layout.h"

#include "tests/graphics/recording_fixture.h"

namespace {

class FontLayoutTest : public RecordingDeviceTest {
 protected:
  void SetUp() override {
    RecordingDeviceTest::SetUp();
    Open(1024, 768);
    renderer = GuiRenderer::Instance();
  }
  std::vector<QuadCommand> Take() {
    std::vector<QuadCommand> quads = renderer->QueuedQuads();
    renderer->DiscardQueued();
    return quads;
  }
  GuiRenderer* renderer = nullptr;
  const Colour white{1, 1, 1, 1};
};

TEST_F(FontLayoutTest, LineAdvancesByTrimmedWidths) {
  TextExtent extent = DrawTextLine(white, "Ab 1", 0.1f, 0.0f, 0.0f);
  auto quads = Take();
  ASSERT_EQ(quads.size(), 4u);
  const float widths[4] = {0.028f, 0.028f, 0.02f, 0.018f};
  float x = 0.0f;
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(quads[i].w, widths[i], 1e-6) << i;
    EXPECT_NEAR(quads[i].x, x, 1e-6) << i;
    EXPECT_FLOAT_EQ(quads[i].h, 0.1f);
    EXPECT_EQ(quads[i].texture, renderer->FontTexture());
    x += widths[i];
  }
  EXPECT_NEAR(extent.width, 0.094f, 1e-6);
  EXPECT_FLOAT_EQ(extent.height, 0.1f * (1024.0f / 768.0f));
  // The lower-case b is drawn from B's cell: column 2, row 4.
  EXPECT_FLOAT_EQ(quads[1].texLeft, (2 + 0.36f) / 8);
  EXPECT_FLOAT_EQ(quads[1].texRight, (3 - 0.36f) / 8);
  EXPECT_FLOAT_EQ(quads[1].texTop, 4.0f / 8 + 0.008f);
  EXPECT_FLOAT_EQ(quads[1].texBottom, 5.0f / 8);
}

TEST_F(FontLayoutTest, LineStopsPastTheRightEdgeOfTheScreen) {
  TextExtent extent = DrawTextLine(white, "HELLO", 0.1f, 1.01f, 0.0f);
  EXPECT_TRUE(Take().empty());
  EXPECT_EQ(extent.width, 0.0f);
  // The pen is checked before each glyph, so the one that starts left of the edge is drawn.
  DrawTextLine(white, "HELLO", 0.1f, 0.98f, 0.0f);
  EXPECT_EQ(Take().size(), 1u);
}

TEST_F(FontLayoutTest, CharactersAboveZAreSkippedWithoutAdvance) {
  TextExtent extent = DrawTextLine(white, "A_{}\x7f\xe9~B", 0.1f, 0.0f, 0.0f);
  EXPECT_EQ(Take().size(), 2u);
  EXPECT_NEAR(extent.width, 0.056f, 1e-6);
  EXPECT_NEAR(MeasureTextLine("A_{}B", 0.1f), 0.056f, 1e-6);
  EXPECT_EQ(MeasureTextLine("", 0.1f), 0.0f);
}

TEST_F(FontLayoutTest, BoxWithoutSpacesOrLineFeedsMeasuresZero) {
  EXPECT_EQ(MeasureTextBox(std::string(500, 'W'), 0.05f, 0.1f), 0.0f);
  EXPECT_FLOAT_EQ(MeasureTextBox("A\nB\n\nC", 0.05f, 0.3f), -0.15f);
}

TEST_F(FontLayoutTest, WordsBreakAtTheSpaceWhenTheNextDoesNotFit) {
  EXPECT_FLOAT_EQ(MeasureTextBox("AAAA BBBB", 0.05f, 0.1f), -0.05f);
  EXPECT_EQ(MeasureTextBox("AAAA BBBB", 0.05f, 0.3f), 0.0f);

  DrawTextBox("AAAA BBBB", 0.05f, 0.1f, 1.0f, 0.05f, white, 0.0f, 0.5f);
  auto wrapped = Take();
  ASSERT_EQ(wrapped.size(), 8u);  // the space is dropped
  EXPECT_FLOAT_EQ(wrapped[4].x, 0.0f);
  EXPECT_FLOAT_EQ(wrapped[4].y, wrapped[0].y - 0.05f);

  DrawTextBox("AAAA BBBB", 0.05f, 0.3f, 1.0f, 0.05f, white, 0.0f, 0.5f);
  auto oneLine = Take();
  ASSERT_EQ(oneLine.size(), 9u);
  EXPECT_NEAR(oneLine[4].w, 0.01f, 1e-6);  // the space, drawn
  EXPECT_NEAR(oneLine[5].x, 0.066f, 1e-6);
  EXPECT_FLOAT_EQ(oneLine[5].y, oneLine[0].y);
}

TEST_F(FontLayoutTest, BoxCutsGlyphsAtItsTopAndBottom) {
  // Size 0.1, box 0.1 high at top 0: line 0 sits with its bottom 0.05 below the top (scroll
  // 0.05), half above the box; line 1 reaches 0.05 below the box's bottom.
  DrawTextBox("A\nB", 0.1f, 1.0f, 0.1f, 0.05f, white, 0.0f, 0.0f);
  auto quads = Take();
  ASSERT_EQ(quads.size(), 2u);
  EXPECT_NEAR(quads[0].y, -0.05f, 1e-6);
  EXPECT_NEAR(quads[0].h, 0.05f, 1e-6);
  EXPECT_NEAR(quads[0].texTop, 4.0f / 8 + 0.008f + 0.5f / 8, 1e-6);
  EXPECT_NEAR(quads[0].texBottom, 5.0f / 8, 1e-6);
  EXPECT_NEAR(quads[1].y, -0.1f, 1e-6);
  EXPECT_NEAR(quads[1].h, 0.05f, 1e-6);
  EXPECT_NEAR(quads[1].texBottom, 5.0f / 8 - 0.5f / 8, 1e-6);
}

TEST_F(FontLayoutTest, BoxStopsOnceLinesPassItsBottomAndSkipsLinesAboveIt) {
  // Lines of 0.125 run from 0.125 above the box's top down; the box is 0.25 high.
  DrawTextBox("A\nB\nC\nD\nE\nF", 0.125f, 1.0f, 0.25f, -0.125f, white, 0.0f, 0.0f);
  auto quads = Take();
  // A's bottom lies above the top edge: not queued. B and E touch the edges and are queued with
  // no height; C and D fill the box. F's line starts below the box: the layout stops.
  ASSERT_EQ(quads.size(), 4u);
  EXPECT_FLOAT_EQ(quads[0].texLeft, (2 + 0.36f) / 8);  // B
  EXPECT_EQ(quads[0].h, 0.0f);
  EXPECT_EQ(quads[1].y, -0.125f);
  EXPECT_EQ(quads[1].h, 0.125f);
  EXPECT_EQ(quads[2].y, -0.25f);
  EXPECT_EQ(quads[3].y, -0.25f);
  EXPECT_EQ(quads[3].h, 0.0f);
}

TEST_F(FontLayoutTest, ClippedLineInsideTheWindowIsUncut) {
  TextExtent extent = DrawTextClipped(white, "AB", 0.1f, 0.5f, 0.0f, -0.2f, 0.3f);
  auto quads = Take();
  ASSERT_EQ(quads.size(), 2u);
  EXPECT_FLOAT_EQ(quads[0].x, -0.2f);
  EXPECT_NEAR(quads[1].x, -0.2f + 0.028f, 1e-6);
  EXPECT_FLOAT_EQ(quads[0].texRight, (1 + 1 - 0.36f) / 8);
  EXPECT_FLOAT_EQ(quads[0].h, 0.1f * 1024.0f / 768.0f);
  EXPECT_NEAR(extent.width, 0.056f, 1e-6);
}

TEST_F(FontLayoutTest, ClippedLineCutsTheLastGlyphAtTheWindowsRightEdge) {
  TextExtent extent = DrawTextClipped(white, "AAA", 0.1f, 0.07f, 0.0f, 0.0f, 0.0f);
  auto quads = Take();
  ASSERT_EQ(quads.size(), 3u);
  EXPECT_NEAR(quads[2].w, 0.014f, 1e-6);
  float left = (1 + 0.36f) / 8, right = (2 - 0.36f) / 8;
  EXPECT_NEAR(quads[2].texRight, left + 0.5f * (right - left), 1e-6);
  EXPECT_NEAR(extent.width, 0.07f, 1e-6);
}

TEST_F(FontLayoutTest, ClippedLineScrolledLeftCutsAtTheWindowsLeftEdge) {
  DrawTextClipped(white, "AAA", 0.1f, 1.0f, 0.042f, 0.1f, 0.0f);
  auto quads = Take();
  // The first glyph lies wholly left of the window; the second is cut in half.
  ASSERT_EQ(quads.size(), 2u);
  EXPECT_FLOAT_EQ(quads[0].x, 0.1f);
  EXPECT_NEAR(quads[0].w, 0.014f, 1e-6);
  float left = (1 + 0.36f) / 8, right = (2 - 0.36f) / 8;
  EXPECT_NEAR(quads[0].texLeft, left + 0.5f * (right - left), 1e-6);
  EXPECT_NEAR(quads[1].x, 0.1f + 0.014f, 1e-6);
}

TEST(GlyphTrims, TableCoversTheFontAndOnlyIt) {
  EXPECT_FLOAT_EQ(GlyphTrim(' '), 0.40f);
  EXPECT_FLOAT_EQ(GlyphTrim('#'), 0.10f);
  EXPECT_FLOAT_EQ(GlyphTrim('I'), 0.42f);
  EXPECT_FLOAT_EQ(GlyphTrim('W'), 0.30f);
  EXPECT_FLOAT_EQ(GlyphTrim('Z'), 0.37f);
  EXPECT_EQ(GlyphTrim('['), 0.0f);
  EXPECT_NEAR(GlyphAdvance('w', 0.1f), 0.04f, 1e-6);
  EXPECT_EQ(GlyphAdvance('\n', 0.1f), 0.0f);
}

}  // namespace
