// Reading back the frame being drawn, and PNG files of frames: what record mode writes each pass
// and what tests compare against golden images.
#pragma once

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

// Writes an RGBA PNG; false with a reason when the file cannot be written.
bool WritePng(const FrameImage& image, const std::string& path, std::string* error);
// Reads any PNG into RGBA8; false with a reason when it is missing or unreadable.
bool ReadPng(const std::string& path, FrameImage* image, std::string* error);

}  // namespace d3d9
