// The equalizer's cells: truncation of a bin's level to whole cells, the decay by four times the
// sample interval clamped at zero, the alpha cap by the scene's fade and transition, and the 192
// quads of every call.
#include "visualizers/equalizer.h"

#include "tests/graphics/recording_fixture.h"

namespace {

class EqualizerTest : public RecordingDeviceTest {
 protected:
  void SetUp() override {
    RecordingDeviceTest::SetUp();
    Open();
    renderer = GuiRenderer::Instance();
  }
  const std::vector<QuadCommand>& Call(float sampleInterval = 0.04f, float first = 1.0f,
                                       float second = 1.0f) {
    std::uint8_t beats[6] = {};
    renderer->DiscardQueued();
    equalizer.Draw(spectrum, beats, 0.0f, sampleInterval, first, second);
    return renderer->QueuedQuads();
  }
  int LitCells(int column) const {
    int lit = 0;
    for (float cell : equalizer.cells[column]) lit += cell == 1.0f ? 1 : 0;
    return lit;
  }
  GuiRenderer* renderer = nullptr;
  Equalizer equalizer{nullptr};
  float spectrum[256] = {};
};

TEST_F(EqualizerTest, LevelsAreTruncatedToWholeCells) {
  spectrum[0] = 0.17f;   // 11.9 cells
  spectrum[1] = 0.172f;  // 12.04
  spectrum[2] = 5.0f;
  spectrum[3] = 1.0f / 70.0f * 0.99f;
  spectrum[4] = 1.0f / 70.0f * 1.01f;
  spectrum[16] = 1.0f;  // beyond the sixteen columns
  Call();
  EXPECT_EQ(LitCells(0), 11);
  EXPECT_EQ(equalizer.cells[0][11], 0.0f);
  EXPECT_EQ(LitCells(1), 12);
  EXPECT_EQ(LitCells(2), 12);
  EXPECT_EQ(LitCells(3), 0);
  EXPECT_EQ(LitCells(4), 1);
  EXPECT_EQ(LitCells(5), 0);
}

TEST_F(EqualizerTest, DecayIsClampedAtZeroAndCellsAboveTheLevelKeepFading) {
  spectrum[0] = 1.0f;
  Call();
  equalizer.cells[1][0] = 0.1f;
  spectrum[0] = 0.05f;  // 3 cells
  Call(0.04f);          // d = 0.16
  EXPECT_EQ(equalizer.cells[1][0], 0.0f) << "0.1 − 0.16 is clamped, not −0.06";
  EXPECT_EQ(equalizer.cells[0][2], 1.0f);
  EXPECT_FLOAT_EQ(equalizer.cells[0][3], 1.0f - 0.16f);
  EXPECT_FLOAT_EQ(equalizer.cells[0][11], 1.0f - 0.16f);
}

TEST_F(EqualizerTest, AllCellsAreQueuedWithTheirRowColoursAndCappedAlpha) {
  spectrum[0] = 1.0f;
  Call();
  equalizer.cells[0][11] = 0.3f;
  spectrum[0] = 0.0f;
  const auto& quads = Call(0.0f, 0.5f, 1.0f);
  ASSERT_EQ(quads.size(), 192u);
  // Column 0's bottom cell first, then upwards, then column 1: quad 12c + j is row j of column c.
  struct Cell {
    int quad;
    float x, y, r, g, b;
  };
  const Cell worked[] = {{0, -0.215f, -0.421875f, 0.62f, 0.76f, 0.76f},
                         {11, -0.215f, -0.179875f, 1.0f, 1.0f, 1.0f},
                         {17, -0.162f, -0.311875f, 0.79f, 0.87f, 0.87f},
                         {104, 0.209f, -0.245875f, 0.89f, 0.94f, 0.94f},
                         {191, 0.58f, -0.179875f, 1.0f, 1.0f, 1.0f}};
  for (const Cell& cell : worked) {
    const QuadCommand& quad = quads[std::size_t(cell.quad)];
    EXPECT_FLOAT_EQ(quad.x, cell.x) << cell.quad;
    EXPECT_FLOAT_EQ(quad.y, cell.y) << cell.quad;
    EXPECT_EQ(quad.r, cell.r) << cell.quad;
    EXPECT_EQ(quad.g, cell.g) << cell.quad;
    EXPECT_EQ(quad.b, cell.b) << cell.quad;
  }
  EXPECT_FLOAT_EQ(quads[0].a, 0.5f);
  EXPECT_FLOAT_EQ(quads[11].a, 0.3f);
  EXPECT_FLOAT_EQ(quads[12].a, 0.0f);
  EXPECT_FLOAT_EQ(quads[191].w, 0.05078125f);
  EXPECT_FLOAT_EQ(quads[191].h, 0.020833334f);
  EXPECT_FLOAT_EQ(quads[191].texLeft, 0.6533203125f);
  EXPECT_FLOAT_EQ(quads[191].texBottom, 0.2353515625f);
}

TEST_F(EqualizerTest, ALongFirstIntervalClearsEveryCellBeforeTheRise) {
  equalizer.cells[7][5] = 1.0f;
  spectrum[3] = 0.03f;  // 2 cells
  Call(12.5f);
  EXPECT_EQ(equalizer.cells[7][5], 0.0f);
  EXPECT_EQ(LitCells(3), 2);
}

}  // namespace
