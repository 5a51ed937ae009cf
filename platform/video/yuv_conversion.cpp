// Fixed point with 8 fractional bits for luma and 10 for chroma, which also divides the sum of
// four pixels by four; both round to nearest.
#include "platform/video/yuv_conversion.h"

#include <cstddef>

namespace video {

namespace {

void LumaRow(const std::uint8_t* rgba, int width, std::uint8_t* luma) {
  for (int x = 0; x < width; ++x) {
    const std::uint8_t* pixel = rgba + 4 * x;
    luma[x] = std::uint8_t((66 * pixel[0] + 129 * pixel[1] + 25 * pixel[2] + (16 << 8) + 128) >> 8);
  }
}

void ChromaRow(const std::uint8_t* upper, const std::uint8_t* lower, int width, std::uint8_t* cb,
               std::uint8_t* cr) {
  for (int x = 0; x < width / 2; ++x) {
    const std::uint8_t* a = upper + 8 * x;
    const std::uint8_t* b = lower + 8 * x;
    const int red = a[0] + a[4] + b[0] + b[4];
    const int green = a[1] + a[5] + b[1] + b[5];
    const int blue = a[2] + a[6] + b[2] + b[6];
    cb[x] = std::uint8_t((-38 * red - 74 * green + 112 * blue + (128 << 10) + 512) >> 10);
    cr[x] = std::uint8_t((112 * red - 94 * green - 18 * blue + (128 << 10) + 512) >> 10);
  }
}

}  // namespace

void RgbaToYuv420(const std::uint8_t* rgba, int width, int height, const Yuv420Picture& picture) {
  const std::size_t stride = std::size_t(width) * 4;
  for (int y = 0; y < height; y += 2) {
    const std::uint8_t* upper = rgba + std::size_t(height - 1 - y) * stride;
    const std::uint8_t* lower = upper - stride;
    std::uint8_t* luma = picture.planes[0] + std::ptrdiff_t(y) * picture.strides[0];
    LumaRow(upper, width, luma);
    LumaRow(lower, width, luma + picture.strides[0]);
    ChromaRow(upper, lower, width, picture.planes[1] + std::ptrdiff_t(y / 2) * picture.strides[1],
              picture.planes[2] + std::ptrdiff_t(y / 2) * picture.strides[2]);
  }
}

}  // namespace video
