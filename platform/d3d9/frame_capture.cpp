// Frame readback from the OpenGL device and PNG files of frames through SDL_image.
#include "platform/d3d9/frame_capture.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>

#include <algorithm>

#include "platform/d3d9/device_core.h"
#include "platform/os/window_system.h"

namespace d3d9 {

HRESULT CaptureFrame(IDirect3DDevice9* device, FrameImage* image) {
  if (!device || !image) return D3DERR_INVALIDCALL;
  return detail::CaptureGlFrame(device, image);
}

std::unique_ptr<FrameReader> FrameReader::Open(IDirect3DDevice9* device) {
  return device ? detail::OpenGlFrameReader(device) : nullptr;
}

bool WritePng(const FrameImage& image, const std::string& path, std::string* error) {
  if (image.width == 0 || image.height == 0 ||
      image.rgba.size() != std::size_t(image.width) * image.height * 4) {
    *error = "the image is empty or its pixels do not match its size";
    return false;
  }
  // SDL only reads the pixels here, whatever the pointer's constness says.
  os::SdlSurfacePtr surface(SDL_CreateRGBSurfaceWithFormatFrom(
      const_cast<BYTE*>(image.rgba.data()), int(image.width), int(image.height), 32,
      int(image.width) * 4, SDL_PIXELFORMAT_RGBA32));
  if (!surface || IMG_SavePNG(surface.get(), path.c_str()) != 0) {
    *error = "cannot write " + path + ": " + SDL_GetError();
    return false;
  }
  return true;
}

bool ReadPng(const std::string& path, FrameImage* image, std::string* error) {
  os::SdlSurfacePtr loaded(IMG_Load(path.c_str()));
  if (!loaded) {
    *error = "cannot read " + path + ": " + IMG_GetError();
    return false;
  }
  os::SdlSurfacePtr rgba(SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_RGBA32, 0));
  if (!rgba) {
    *error = "cannot convert " + path + ": " + SDL_GetError();
    return false;
  }
  image->width = UINT(rgba->w);
  image->height = UINT(rgba->h);
  const std::size_t row = std::size_t(rgba->w) * 4;
  image->rgba.resize(row * std::size_t(rgba->h));
  const auto* pixels = static_cast<const BYTE*>(rgba->pixels);
  for (int y = 0; y < rgba->h; ++y) {
    std::copy_n(pixels + std::size_t(y) * std::size_t(rgba->pitch), row,
                image->rgba.data() + std::size_t(y) * row);
  }
  return true;
}

}  // namespace d3d9
