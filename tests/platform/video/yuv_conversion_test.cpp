#include "platform/video/yuv_conversion.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

using Rgba = std::array<std::uint8_t, 4>;
constexpr Rgba kWhite = {255, 255, 255, 255};
constexpr Rgba kBlack = {0, 0, 0, 255};
constexpr Rgba kRed = {255, 0, 0, 255};

// A 4 × 4 picture stored bottom up, as the device reads it back: its upper half white on the
// left, its lower half red on the left, black on the right throughout. The planes are wider than
// the picture, and what lies beyond it must stay untouched.
TEST(YuvConversion, ConvertsBottomUpRowsIntoPaddedPlanes) {
  std::vector<std::uint8_t> rgba;
  for (int storedRow = 0; storedRow < 4; ++storedRow) {
    const Rgba& left = storedRow < 2 ? kRed : kWhite;
    for (const Rgba& pixel : {left, left, kBlack, kBlack})
      rgba.insert(rgba.end(), pixel.begin(), pixel.end());
  }
  constexpr std::uint8_t kUntouched = 7;
  std::vector<std::uint8_t> luma(6 * 4, kUntouched), cb(3 * 2, kUntouched), cr(3 * 2, kUntouched);
  video::RgbaToYuv420(rgba.data(), 4, 4, {{luma.data(), cb.data(), cr.data()}, {6, 3, 3}});

  EXPECT_EQ(luma, (std::vector<std::uint8_t>{235, 235, 16, 16, 7, 7, 235, 235, 16, 16, 7, 7,  //
                                             82,  82,  16, 16, 7, 7, 82,  82,  16, 16, 7, 7}));
  EXPECT_EQ(cb, (std::vector<std::uint8_t>{128, 128, 7, 90, 128, 7}));
  EXPECT_EQ(cr, (std::vector<std::uint8_t>{128, 128, 7, 240, 128, 7}));
}

}  // namespace
