// D3DXCreateTextureFromFileW: image files decoded by SDL_image into managed RGBA8 textures.
#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>

#include <algorithm>
#include <vector>

#include "platform/d3d9/device_core.h"
#include "platform/d3dx/d3dx9.h"
#include "platform/os/platform.h"
#include "platform/os/window_system.h"

HRESULT D3DXCreateTextureFromFileW(IDirect3DDevice9* device, const char* path,
                                   IDirect3DTexture9** texture) {
  d3d9::detail::Call call(d3d9::RecorderOf(device), "D3DXCreateTextureFromFileW");
  call.Object(device).Text(path ? path : "");
  if (texture) *texture = nullptr;
  if (auto failure = call.Injected()) return call.Return(*failure);
  if (!device || !path || !texture) return call.Return(D3DERR_INVALIDCALL);
  const std::string resolved = os::ResolveDataPath(path);
  SDL_RWops* file = SDL_RWFromFile(resolved.c_str(), "rb");
  if (!file) return call.Return(D3DERR_NOTFOUND);
  // The extension tells SDL_image the type of formats without a signature, such as TGA.
  const std::size_t dot = resolved.find_last_of('.');
  const std::string extension = dot == std::string::npos ? "" : resolved.substr(dot + 1);
  os::SdlSurfacePtr decoded(IMG_LoadTyped_RW(file, 1, extension.c_str()));
  if (!decoded) return call.Return(D3DXERR_INVALIDDATA);
  os::SdlSurfacePtr rgba(SDL_ConvertSurfaceFormat(decoded.get(), SDL_PIXELFORMAT_RGBA32, 0));
  if (!rgba) return call.Return(D3DXERR_INVALIDDATA);
  const std::size_t row = std::size_t(rgba->w) * 4;
  std::vector<BYTE> pixels(row * std::size_t(rgba->h));
  for (int y = 0; y < rgba->h; ++y) {
    const auto* source = static_cast<const BYTE*>(rgba->pixels) + std::size_t(y) * rgba->pitch;
    std::copy_n(source, row, pixels.data() + std::size_t(y) * row);
  }
  HRESULT result =
      device->CreateTextureFromRgba(UINT(rgba->w), UINT(rgba->h), pixels.data(), texture);
  if (SUCCEEDED(result)) call.Object(*texture);
  return call.Return(result);
}
