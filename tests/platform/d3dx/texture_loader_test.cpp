// D3DXCreateTextureFromFileW on the recording device with image files written by the test: size
// and pixels, TGA by its extension, "data/" paths, files that are missing or do not decode, and
// files decoded ahead.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/d3d9/frame_capture.h"
#include "platform/d3d9/recording_device.h"
#include "platform/d3dx/d3dx9.h"
#include "platform/os/platform.h"

namespace {

class TextureLoader : public testing::Test {
 protected:
  void SetUp() override {
    d3d9::UseRecordingDevice(true);
    direct3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_TRUE(direct3d_);
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.Windowed = TRUE;
    ASSERT_EQ(direct3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr,
                                      D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &device_),
              D3D_OK);
  }

  void TearDown() override {
    if (device_) device_->Release();
    if (direct3d_) direct3d_->Release();
    os::SetDataFolder("data");
    d3d9::UseRecordingDevice(false);
  }

  static std::string TempPath(const std::string& name) { return testing::TempDir() + "/" + name; }

  static void WriteFile(const std::string& path, const std::vector<BYTE>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }

  IDirect3D9* direct3d_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
};

// 3 × 2 pixels, each different, with one half-transparent.
const std::vector<BYTE> kPixels = {255, 0,  0,  255, 0,  255, 0,  255, 0,   0,   255, 255,
                                   10,  20, 30, 128, 40, 50,  60, 255, 200, 100, 0,   255};

TEST_F(TextureLoader, LoadsAPngAtItsOwnSizeWithItsPixels) {
  const std::string path = TempPath("three_by_two.png");
  std::string error;
  ASSERT_TRUE(d3d9::WritePng({3, 2, kPixels}, path, &error)) << error;
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileW(device_, path.c_str(), &texture), D3D_OK);
  D3DSURFACE_DESC description{};
  ASSERT_EQ(texture->GetLevelDesc(0, &description), D3D_OK);
  EXPECT_EQ(description.Width, 3u);
  EXPECT_EQ(description.Height, 2u);
  EXPECT_EQ(description.Pool, D3DPOOL_MANAGED);
  const std::span<const BYTE> pixels = d3d9::RecordedPixels(texture);
  EXPECT_EQ(std::vector<BYTE>(pixels.begin(), pixels.end()), kPixels);
  const d3d9::RecordedCall& call = d3d9::Recording().Calls().back();
  EXPECT_EQ(call.name, "D3DXCreateTextureFromFileW");
  EXPECT_EQ(call.text, path);
  EXPECT_EQ(call.objects.back(), texture);
  texture->Release();
}

TEST_F(TextureLoader, ReadsTgaByItsExtensionAndDataPathsFromTheDataFolder) {
  // Uncompressed 32-bit TGA, top row first (descriptor 0x28), pixels as B, G, R, A.
  std::vector<BYTE> tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 32, 0x28};
  for (std::size_t i = 0; i < kPixels.size(); i += 4) {
    tga.insert(tga.end(), {kPixels[i + 2], kPixels[i + 1], kPixels[i], kPixels[i + 3]});
  }
  WriteFile(TempPath("picture.tga"), tga);
  os::SetDataFolder(testing::TempDir());
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileW(device_, "data/picture.tga", &texture), D3D_OK);
  const std::span<const BYTE> pixels = d3d9::RecordedPixels(texture);
  EXPECT_EQ(std::vector<BYTE>(pixels.begin(), pixels.end()), kPixels);
  texture->Release();
}

TEST_F(TextureLoader, FilesDecodedAheadLoadAsWithoutAndServeOnlyTheFirstLoad) {
  std::string error;
  ASSERT_TRUE(d3d9::WritePng({3, 2, kPixels}, TempPath("ahead.png"), &error)) << error;
  os::SetDataFolder(testing::TempDir());
  d3dx::PrefetchImageFiles({"data/ahead.png", "data/absent.png"});

  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileW(device_, "data/ahead.png", &texture), D3D_OK);
  std::span<const BYTE> pixels = d3d9::RecordedPixels(texture);
  EXPECT_EQ(std::vector<BYTE>(pixels.begin(), pixels.end()), kPixels);
  texture->Release();
  EXPECT_EQ(D3DXCreateTextureFromFileW(device_, "data/absent.png", &texture), D3DERR_NOTFOUND);
  EXPECT_EQ(texture, nullptr);

  // A later load of the same file reads it again, as it is now.
  std::vector<BYTE> repainted(kPixels.rbegin(), kPixels.rend());
  ASSERT_TRUE(d3d9::WritePng({3, 2, repainted}, TempPath("ahead.png"), &error)) << error;
  ASSERT_EQ(D3DXCreateTextureFromFileW(device_, "data/ahead.png", &texture), D3D_OK);
  pixels = d3d9::RecordedPixels(texture);
  EXPECT_EQ(std::vector<BYTE>(pixels.begin(), pixels.end()), repainted);
  texture->Release();
}

TEST_F(TextureLoader, MissingAndUndecodableFilesFailWithoutATexture) {
  IDirect3DTexture9* texture = nullptr;
  EXPECT_EQ(D3DXCreateTextureFromFileW(device_, TempPath("nowhere.png").c_str(), &texture),
            D3DERR_NOTFOUND);
  EXPECT_EQ(texture, nullptr);

  WriteFile(TempPath("garbage.png"), {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 1, 2, 3});
  EXPECT_EQ(D3DXCreateTextureFromFileW(device_, TempPath("garbage.png").c_str(), &texture),
            D3DXERR_INVALIDDATA);
  EXPECT_EQ(texture, nullptr);

  // The first half of a real PNG.
  std::string error;
  ASSERT_TRUE(d3d9::WritePng({3, 2, kPixels}, TempPath("whole.png"), &error)) << error;
  std::ifstream whole(TempPath("whole.png"), std::ios::binary);
  std::vector<BYTE> bytes((std::istreambuf_iterator<char>(whole)),
                          std::istreambuf_iterator<char>());
  bytes.resize(bytes.size() / 2);
  WriteFile(TempPath("half.png"), bytes);
  EXPECT_EQ(D3DXCreateTextureFromFileW(device_, TempPath("half.png").c_str(), &texture),
            D3DXERR_INVALIDDATA);
  EXPECT_EQ(texture, nullptr);

  d3d9::Recording().FailOnce("CreateTextureFromRgba", D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(D3DXCreateTextureFromFileW(device_, TempPath("whole.png").c_str(), &texture),
            D3DERR_OUTOFVIDEOMEMORY)
      << "the device's refusal comes through";
  EXPECT_EQ(texture, nullptr);
}

TEST_F(TextureLoader, AbsurdDeclaredSizesAndOtherFormatsFailBeforeDecoding) {
  // Each header declares a picture far beyond any texture in a few bytes; decoding one would try
  // to allocate gigabytes.
  const std::vector<std::pair<std::string, std::vector<BYTE>>> files = {
      {"wide.png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0,
                    0x01, 0,   0,   0,   0,    0,    1,    8,    6, 0, 0, 0,  0,   0,   0,   0}},
      {"tall.tga", {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFA, 0xFF, 0xF9, 0xFF, 24, 0, 4, 100}},
      // Top row first: the height is negative.
      {"deep.bmp", {'B', 'M', 0, 0, 0, 0, 0, 0,    0,    0,    54,   0, 0, 0,  40,
                    0,   0,   0, 1, 0, 0, 0, 0x00, 0x00, 0xFF, 0xFF, 1, 0, 24, 0}},
      // A comment segment before the frame header, which declares 60000 × 60000.
      {"huge.jpg", {0xFF, 0xD8, 0xFF, 0xFE, 0,    4,    'h', 'i', 0xFF, 0xC0, 0,
                    11,   8,    0xEA, 0x60, 0xEA, 0x60, 1,   1,   0x11, 0}},
      {"empty.png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D',
                     'R',  0,   0,   0,   0,    0,    0,    0,    1, 8, 6, 0,  0,   0}},
      // A 1 × 1 GIF: SDL_image reads it, but it is not a format the program takes.
      {"dot.gif", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0,   0, 0, ',', 0,
                   0,   0,   0,   1,   0,   1,   0, 0, 2, 2, 'L', 1, 0, ';'}},
  };
  for (const auto& [name, bytes] : files) {
    WriteFile(TempPath(name), bytes);
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(D3DXCreateTextureFromFileW(device_, TempPath(name).c_str(), &texture),
              D3DXERR_INVALIDDATA)
        << name;
    EXPECT_EQ(texture, nullptr) << name;
  }
}

}  // namespace
