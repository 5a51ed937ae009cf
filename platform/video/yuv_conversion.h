// The show's RGBA frames as the 4:2:0 pictures H.264 carries: BT.601's coefficients in limited
// range (Y 16–235, chroma 16–240), each chroma sample the mean of its 2 × 2 pixels. Written for
// the compiler to vectorize, since a frame a pass at 1920 × 1080 is most of the export's work
// beside the encoder.
#pragma once

#include <cstdint>

namespace video {

struct Yuv420Picture {
  std::uint8_t* planes[3];  // Y, then U (Cb) and V (Cr) at half the width and height
  int strides[3];
};

// rgba: width × height pixels of 4 bytes, rows bottom up (as OpenGL reads them); width and
// height even. Alpha is ignored.
void RgbaToYuv420(const std::uint8_t* rgba, int width, int height, const Yuv420Picture& picture);

}  // namespace video
