// The checker's and the templates' table of rectangles against the show itself: every title-atlas
// rectangle a recorded run draws, through the whole intro and every panel of the player, is one
// of the table's, and every one of the table's is drawn.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <set>

#include "automation/disk_layout.h"
#include "tests/support/program_run.h"

namespace {

struct TexRect {
  float left, top, right, bottom;
  bool operator<(const TexRect& other) const {
    return std::tie(left, top, right, bottom) <
           std::tie(other.left, other.top, other.right, other.bottom);
  }
};

// The texture rectangle of every queued quad drawn from the atlas in a trace line.
void CollectAtlasRects(const std::string& line, std::set<TexRect>* rects) {
  for (std::size_t at = line.find(",\"tit\","); at != std::string::npos;
       at = line.find(",\"tit\",", at + 1)) {
    const std::size_t open = line.rfind('[', at);
    float values[12];
    const char* p = line.c_str() + open + 1;
    for (float& value : values) {
      char* end = nullptr;
      value = std::strtof(p, &end);
      p = end + 1;
    }
    rects->insert({values[4], values[5], values[6], values[7]});
  }
}

bool Near(float a, float b) {
  return std::fabs(a - b) < 1e-6f;
}

TEST(DiskLayout, TheShowDrawsEveryAtlasRectangleOfTheTableAndNoOther) {
  const std::string folder = FreshFolder("run");
  // At 320 × 240: close the information panel, then open the picture panel, the track list from
  // it, and the credits with R.
  {
    std::ofstream script(folder + "/script.txt");
    script << "81 click 80 93\n83 click 79 204\n85 click 285 202\n87 key press R\n";
  }
  ProgramRun run = RunOrvell(
      {"--record", folder + "/out", "--record-every", "100000", "--mode", "320x240", "--duration",
       "89", "--script", folder + "/script.txt", "--trace", folder + "/trace.jsonl"},
      "", 300);
  ASSERT_EQ(run.exitStatus, 0) << run.err;

  std::set<TexRect> drawn;
  std::ifstream trace(folder + "/trace.jsonl");
  for (std::string line; std::getline(trace, line);) CollectAtlasRects(line, &drawn);
  ASSERT_FALSE(drawn.empty());

  const float w = float(kTitleAtlasGrid.width), h = float(kTitleAtlasGrid.height);
  std::set<std::string> seen;
  for (const TexRect& rect : drawn) {
    // The hot areas are drawn from texel (0, 0) alone.
    if (rect.left == 0 && rect.top == 0 && rect.right == 0 && rect.bottom == 0) continue;
    const LayoutRect* match = nullptr;
    for (const LayoutRect& layout : TitleAtlasRects()) {
      // The information panel's bottom edge moves up as it rolls in.
      const bool rolls = std::string(layout.name) == "information panel";
      if (Near(rect.left, layout.left / w) && Near(rect.top, layout.top / h) &&
          Near(rect.right, layout.right / w) &&
          (Near(rect.bottom, layout.bottom / h) || (rolls && rect.bottom < layout.bottom / h))) {
        match = &layout;
      }
    }
    ASSERT_NE(match, nullptr) << "a rectangle the table lacks: " << rect.left * w << ", "
                              << rect.top * h << " to " << rect.right * w << ", "
                              << rect.bottom * h;
    seen.insert(match->name);
  }
  for (const LayoutRect& layout : TitleAtlasRects()) {
    // The roto-zoom's title picture is a mesh, whose texture coordinates the trace leaves out.
    if (std::string(layout.name) == "title picture") continue;
    EXPECT_TRUE(seen.count(layout.name)) << layout.name << " never drawn";
  }
}

}  // namespace
