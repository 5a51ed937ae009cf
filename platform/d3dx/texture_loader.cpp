// D3DXCreateTextureFromFileW: image files decoded by SDL_image into managed RGBA8 textures. The
// size a file's header declares is checked before anything is decoded, so that a few bytes
// cannot make the decoder allocate gigabytes. Files named to PrefetchImageFiles are decoded
// ahead on a thread of their own; the texture is still created when it is asked for.
#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>

#include <strings.h>
#include <cstdint>
#include <cstring>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/d3d9/device_core.h"
#include "platform/d3dx/d3dx9.h"
#include "platform/os/platform.h"
#include "platform/os/prefetch.h"
#include "platform/os/window_system.h"

namespace {

// The largest side of a texture Direct3D 9 hardware takes (the recording device's caps too).
constexpr std::uint32_t kMaxImageSide = 8192;

using Decoder = SDL_Surface* (*)(SDL_RWops*);

struct CloseRw {
  void operator()(SDL_RWops* file) const { SDL_RWclose(file); }
};

struct ImageHeader {
  Decoder decode;
  std::uint32_t width, height;
};

std::uint32_t BigEndian16(const Uint8* p) {
  return std::uint32_t(p[0]) << 8 | p[1];
}
std::uint32_t BigEndian32(const Uint8* p) {
  return BigEndian16(p) << 16 | BigEndian16(p + 2);
}
std::uint32_t LittleEndian16(const Uint8* p) {
  return std::uint32_t(p[1]) << 8 | p[0];
}
std::uint32_t LittleEndian32(const Uint8* p) {
  return LittleEndian16(p + 2) << 16 | LittleEndian16(p);
}

// A JPEG's size is in its first start-of-frame segment, after any number of others.
std::optional<ImageHeader> ReadJpegSize(SDL_RWops* file) {
  Uint8 marker[4];
  while (SDL_RWread(file, marker, 1, 2) == 2 && marker[0] == 0xFF) {
    const Uint8 kind = marker[1];
    if (kind == 0xD8 || (kind >= 0xD0 && kind <= 0xD7) || kind == 0x01 || kind == 0xFF) {
      if (kind == 0xFF) SDL_RWseek(file, -1, RW_SEEK_CUR);  // fill byte
      continue;                                             // no length follows
    }
    if (SDL_RWread(file, marker + 2, 1, 2) != 2) break;
    const std::uint32_t length = BigEndian16(marker + 2);
    const bool frame = kind >= 0xC0 && kind <= 0xCF && kind != 0xC4 && kind != 0xC8 && kind != 0xCC;
    if (frame) {
      Uint8 size[5];
      if (length < 7 || SDL_RWread(file, size, 1, 5) != 5) break;
      return ImageHeader{IMG_LoadJPG_RW, BigEndian16(size + 3), BigEndian16(size + 1)};
    }
    if (kind == 0xDA || kind == 0xD9 || length < 2 ||
        SDL_RWseek(file, Sint64(length) - 2, RW_SEEK_CUR) < 0) {
      break;
    }
  }
  return std::nullopt;
}

// The decoder for the file's format (PNG, JPEG and BMP by their signature; TGA, which has none,
// when the name says so) and the size its header declares; nothing for any other file.
std::optional<ImageHeader> ReadHeader(SDL_RWops* file, bool tgaByName) {
  Uint8 head[26] = {};
  const std::size_t got = SDL_RWread(file, head, 1, sizeof head);
  std::optional<ImageHeader> header;
  if (got >= 24 && std::memcmp(head, "\x89PNG\r\n\x1a\n", 8) == 0) {
    header = ImageHeader{IMG_LoadPNG_RW, BigEndian32(head + 16), BigEndian32(head + 20)};
  } else if (got >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) {
    SDL_RWseek(file, 2, RW_SEEK_SET);
    header = ReadJpegSize(file);
  } else if (got >= 26 && head[0] == 'B' && head[1] == 'M') {
    // The oldest header holds 16-bit sizes; the later ones 32-bit, the height negative for
    // rows stored top first.
    const bool core = LittleEndian32(head + 14) == 12;
    const auto height = std::int32_t(LittleEndian32(head + 22));
    header = core
                 ? ImageHeader{IMG_LoadBMP_RW, LittleEndian16(head + 18), LittleEndian16(head + 20)}
                 : ImageHeader{IMG_LoadBMP_RW, LittleEndian32(head + 18),
                               height < 0 ? 0u - std::uint32_t(height) : std::uint32_t(height)};
  } else if (got >= 18 && tgaByName) {
    header = ImageHeader{IMG_LoadTGA_RW, LittleEndian16(head + 12), LittleEndian16(head + 14)};
  }
  SDL_RWseek(file, 0, RW_SEEK_SET);
  return header;
}

// An image file decoded to tightly packed RGBA8 rows, or why it could not be.
struct DecodedImage {
  HRESULT result = D3D_OK;
  UINT width = 0, height = 0;
  std::vector<BYTE> pixels;
};

DecodedImage Failure(HRESULT result) {
  DecodedImage image;
  image.result = result;
  return image;
}

DecodedImage Decode(const std::string& resolved) {
  std::unique_ptr<SDL_RWops, CloseRw> file(
      os::IsRegularFile(resolved) ? SDL_RWFromFile(resolved.c_str(), "rb") : nullptr);
  if (!file) return Failure(D3DERR_NOTFOUND);
  const std::size_t dot = resolved.find_last_of('.');
  const bool tgaByName =
      dot != std::string::npos && strcasecmp(resolved.c_str() + dot, ".tga") == 0;
  const std::optional<ImageHeader> header = ReadHeader(file.get(), tgaByName);
  if (!header || header->width == 0 || header->height == 0 || header->width > kMaxImageSide ||
      header->height > kMaxImageSide) {
    return Failure(D3DXERR_INVALIDDATA);
  }
  os::SdlSurfacePtr decoded(header->decode(file.get()));
  if (!decoded) return Failure(D3DXERR_INVALIDDATA);
  // Most PNGs decode to RGBA8 already; a conversion would only copy the pixels once more.
  os::SdlSurfacePtr converted;
  const SDL_Surface* rgba = decoded.get();
  if (decoded->format->format != SDL_PIXELFORMAT_RGBA32 || SDL_MUSTLOCK(decoded.get())) {
    converted.reset(SDL_ConvertSurfaceFormat(decoded.get(), SDL_PIXELFORMAT_RGBA32, 0));
    if (!converted) return Failure(D3DXERR_INVALIDDATA);
    rgba = converted.get();
  }
  DecodedImage image{D3D_OK, UINT(rgba->w), UINT(rgba->h), {}};
  const std::size_t row = std::size_t(rgba->w) * 4;
  image.pixels.reserve(row * std::size_t(rgba->h));
  for (int y = 0; y < rgba->h; ++y) {
    const auto* source = static_cast<const BYTE*>(rgba->pixels) + std::size_t(y) * rgba->pitch;
    image.pixels.insert(image.pixels.end(), source, source + row);
  }
  return image;
}

// Decodes started ahead, by resolved path.
os::Prefetch<DecodedImage>& Ahead() {
  static os::Prefetch<DecodedImage> prefetched;
  return prefetched;
}

}  // namespace

namespace d3dx {

void PrefetchImageFiles(const std::vector<std::string>& paths) {
  std::vector<os::Prefetch<DecodedImage>::Job> jobs;
  for (const std::string& path : paths) {
    std::string resolved = os::ResolveDataPath(path);
    jobs.push_back({resolved, [resolved] { return Decode(resolved); }});
  }
  // SDL keeps a failed decode's error text per thread and frees it only when asked, since the
  // decoding thread is not one of SDL's own.
  Ahead().Start(std::move(jobs), SDL_TLSCleanup);
}

}  // namespace d3dx

HRESULT D3DXCreateTextureFromFileW(IDirect3DDevice9* device, const char* path,
                                   IDirect3DTexture9** texture) {
  d3d9::detail::Call call(d3d9::RecorderOf(device), "D3DXCreateTextureFromFileW");
  call.Object(device).Text(path ? path : "");
  if (texture) *texture = nullptr;
  if (auto failure = call.Injected()) return call.Return(*failure);
  if (!device || !path || !texture) return call.Return(D3DERR_INVALIDCALL);
  const std::string resolved = os::ResolveDataPath(path);
  std::optional<std::future<DecodedImage>> ahead = Ahead().Take(resolved);
  const DecodedImage image = ahead ? ahead->get() : Decode(resolved);
  if (FAILED(image.result)) return call.Return(image.result);
  HRESULT result =
      device->CreateTextureFromRgba(image.width, image.height, image.pixels.data(), texture);
  if (SUCCEEDED(result)) call.Object(*texture);
  return call.Return(result);
}
