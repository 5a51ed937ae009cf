// Reading back the frame being drawn, and PNG files of frames: what record mode writes each pass
// and what tests compare against golden images.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"

namespace d3d9 {

// RGBA8 pixels, 4 bytes a pixel, top row first.
struct FrameImage {
  UINT width = 0;
  UINT height = 0;
  std::vector<BYTE> rgba;
};

// Reads the back buffer as drawn so far (call it before Present) at its own size, whatever the
// window's. Alpha is 255 everywhere: the back buffer is X8R8G8B8 and what blending left in alpha
// is not part of the picture. D3DERR_NOTAVAILABLE on the recording device, which draws nothing.
HRESULT CaptureFrame(IDirect3DDevice9* device, FrameImage* image);

// Reads frames back without making the frame wait for it: Start keeps the frame drawn so far
// (call it before Present, after the frame's last draw) and returns at once; Take later hands
// over the oldest frame kept and not yet taken, which waits least once two newer ones have been
// kept. At most three frames are pending. Main thread; destroy the reader before the device.
class FrameReader {
 public:
  // Null on the recording device, which draws nothing.
  static std::unique_ptr<FrameReader> Open(IDirect3DDevice9* device);
  virtual ~FrameReader() = default;

  // Keeps the frame drawn so far; does nothing while three frames are pending.
  virtual void Start() = 0;
  virtual std::size_t Pending() const = 0;
  // Copies the oldest pending frame into rgba: the back buffer's width × height pixels, 4 bytes
  // each, rows bottom up, alpha as blending left it. False when none is pending, or when bytes is
  // not the frame's size (the frame is dropped all the same).
  virtual bool Take(BYTE* rgba, std::size_t bytes) = 0;
};

// Writes an RGBA PNG; false with a reason when the file cannot be written.
bool WritePng(const FrameImage& image, const std::string& path, std::string* error);
// Reads any PNG into RGBA8; false with a reason when it is missing or unreadable.
bool ReadPng(const std::string& path, FrameImage* image, std::string* error);

}  // namespace d3d9
