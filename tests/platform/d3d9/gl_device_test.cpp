// The OpenGL device in a real (headless) GL context: quads through gui.fx and the GUI's vertex
// declaration, fixed-function meshes under a perspective projection, Direct3D's culling and depth,
// Reset, and frame readback to PNG.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/frame_capture.h"
#include "platform/d3d9/recording_device.h"
#include "platform/d3dx/d3dx9.h"
#include "platform/os/platform.h"

namespace {

constexpr UINT kWidth = 64;
constexpr UINT kHeight = 48;

struct GuiVertex {
  float x, y, z;
  float u, v;
  float r, g, b, a;
};

struct MeshVertex {
  float x, y, z;
  D3DCOLOR colour;
};

struct Rgb {
  int r, g, b;
};

D3DPRESENT_PARAMETERS Parameters(UINT width, UINT height) {
  D3DPRESENT_PARAMETERS parameters{};
  parameters.BackBufferWidth = width;
  parameters.BackBufferHeight = height;
  parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
  parameters.BackBufferCount = 1;
  parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
  parameters.Windowed = TRUE;
  parameters.EnableAutoDepthStencil = TRUE;
  parameters.AutoDepthStencilFormat = D3DFMT_D24X8;
  return parameters;
}

class GlDevice : public testing::Test {
 protected:
  void SetUp() override {
    d3d9::UseRecordingDevice(false);
    std::string error;
    platform_ = os::Platform::Open(true, &error);
    ASSERT_TRUE(platform_) << "no windowing system for the GL device: " << error;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.lpszClassName = "d3d9test";
    ASSERT_NE(RegisterClassExW(&windowClass), 0);
    window_ = CreateWindowExW(0, "d3d9test", "d3d9 test", WS_POPUP, 0, 0, int(kWidth), int(kHeight),
                              nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window_) << "cannot create a window";
    direct3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_TRUE(direct3d_) << "Direct3DCreate9 failed although the windowing system is open";
    D3DPRESENT_PARAMETERS parameters = Parameters(kWidth, kHeight);
    HRESULT result =
        direct3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_,
                                D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device_);
    ASSERT_EQ(result, D3D_OK) << "no OpenGL 3.3 core context could be created on a "
                              << platform_->VideoDriver() << " window";
  }

  void TearDown() override {
    for (IUnknown* object : owned_) object->Release();
    if (device_) device_->Release();
    if (direct3d_) direct3d_->Release();
  }

  template <class T>
  T* Own(T* object) {
    owned_.push_back(object);
    return object;
  }

  IDirect3DTexture9* MakeTexture(UINT width, UINT height, const std::vector<BYTE>& rgba) {
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(device_->CreateTextureFromRgba(width, height, rgba.data(), &texture), D3D_OK);
    return Own(texture);
  }

  template <class Vertex>
  IDirect3DVertexBuffer9* MakeBuffer(const std::vector<Vertex>& vertices) {
    const UINT bytes = UINT(vertices.size() * sizeof(Vertex));
    IDirect3DVertexBuffer9* buffer = nullptr;
    EXPECT_EQ(device_->CreateVertexBuffer(bytes, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0,
                                          D3DPOOL_DEFAULT, &buffer, nullptr),
              D3D_OK);
    void* data = nullptr;
    EXPECT_EQ(buffer->Lock(0, 0, &data, D3DLOCK_DISCARD), D3D_OK);
    std::memcpy(data, vertices.data(), bytes);
    EXPECT_EQ(buffer->Unlock(), D3D_OK);
    return Own(buffer);
  }

  d3d9::FrameImage Capture() {
    d3d9::FrameImage image;
    EXPECT_EQ(d3d9::CaptureFrame(device_, &image), D3D_OK);
    return image;
  }

  // The pixel at column x, row y from the top.
  static Rgb Pixel(const d3d9::FrameImage& image, UINT x, UINT y) {
    const BYTE* p = &image.rgba[(std::size_t(y) * image.width + x) * 4];
    return {p[0], p[1], p[2]};
  }

  void DrawMesh(IDirect3DVertexBuffer9* buffer, UINT triangles, const D3DMATRIX& world) {
    ASSERT_EQ(device_->SetTransform(D3DTS_WORLD, &world), D3D_OK);
    ASSERT_EQ(device_->SetStreamSource(0, buffer, 0, sizeof(MeshVertex)), D3D_OK);
    ASSERT_EQ(device_->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE), D3D_OK);
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, triangles), D3D_OK);
  }

  std::unique_ptr<os::Platform> platform_;
  HWND window_ = nullptr;
  IDirect3D9* direct3d_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
  std::vector<IUnknown*> owned_;
};

void ExpectRgb(Rgb actual, Rgb expected, int tolerance, const char* where) {
  EXPECT_NEAR(actual.r, expected.r, tolerance) << where;
  EXPECT_NEAR(actual.g, expected.g, tolerance) << where;
  EXPECT_NEAR(actual.b, expected.b, tolerance) << where;
}

// Quad with corners (x0, y0) bottom-left and (x1, y1) top-right in the GUI renderer's layout.
void AppendQuad(std::vector<GuiVertex>* vertices, float x0, float y0, float x1, float y1, float r,
                float g, float b, float a) {
  vertices->push_back({x0, y0, 1, 0, 1, r, g, b, a});
  vertices->push_back({x0, y1, 1, 0, 0, r, g, b, a});
  vertices->push_back({x1, y1, 1, 1, 0, r, g, b, a});
  vertices->push_back({x1, y0, 1, 1, 1, r, g, b, a});
}

TEST_F(GlDevice, DrawsGuiQuadsThroughTheEffectWithTexturesColoursAndBlending) {
  ID3DXEffect* effect = nullptr;
  ID3DXBuffer* errors = nullptr;
  os::SetDataFolder(ORVELL_SOURCE_DIR "/data");
  HRESULT loaded = D3DXCreateEffectFromFileW(device_, "data/gui.fx", nullptr, nullptr, 0, nullptr,
                                             &effect, &errors);
  ASSERT_EQ(loaded, D3D_OK) << (errors ? static_cast<const char*>(errors->GetBufferPointer())
                                       : "no message");
  Own(effect);

  const D3DVERTEXELEMENT9 elements[] = {
      {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
      {0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
      {0, 20, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
      D3DDECL_END()};
  IDirect3DVertexDeclaration9* declaration = nullptr;
  ASSERT_EQ(device_->CreateVertexDeclaration(elements, &declaration), D3D_OK);
  Own(declaration);

  // Quad 0: left half, opaque red, no texture. Quad 1: top-right quadrant, a 2 × 2 texture of
  // four colours. Quad 2: bottom-left quadrant, half-transparent white over the red. Quad 3:
  // bottom-right quadrant, a one-texel texture tinted by the vertex colour.
  std::vector<GuiVertex> vertices;
  AppendQuad(&vertices, -1, -1, 0, 1, 1, 0, 0, 1);
  AppendQuad(&vertices, 0, 0, 1, 1, 1, 1, 1, 1);
  AppendQuad(&vertices, -1, -1, 0, 0, 1, 1, 1, 0.5f);
  AppendQuad(&vertices, 0, -1, 1, 0, 0.5f, 1, 1, 1);
  IDirect3DVertexBuffer9* buffer = MakeBuffer(vertices);
  IDirect3DIndexBuffer9* indices = nullptr;
  ASSERT_EQ(device_->CreateIndexBuffer(4 * 6 * 2, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                       D3DPOOL_DEFAULT, &indices, nullptr),
            D3D_OK);
  Own(indices);
  void* data = nullptr;
  ASSERT_EQ(indices->Lock(0, 0, &data, 0), D3D_OK);
  auto* index = static_cast<WORD*>(data);
  for (WORD quad = 0; quad < 4; ++quad) {
    const WORD first = WORD(quad * 4);
    const WORD pattern[6] = {first, WORD(first + 1), WORD(first + 2),
                             first, WORD(first + 2), WORD(first + 3)};
    std::memcpy(index + quad * 6, pattern, sizeof pattern);
  }
  ASSERT_EQ(indices->Unlock(), D3D_OK);

  IDirect3DTexture9* corners = MakeTexture(2, 2,
                                           {255, 0, 0, 255, 0, 255, 0, 255,      // top: red, green
                                            0, 0, 255, 255, 255, 255, 0, 255});  // blue, yellow
  IDirect3DTexture9* tint = MakeTexture(1, 1, {200, 100, 50, 255});
  IDirect3DTexture9* batches[4] = {nullptr, corners, nullptr, tint};

  ASSERT_EQ(device_->BeginScene(), D3D_OK);
  ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
  UINT passes = 0;
  ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
  ASSERT_EQ(passes, 1u);
  ASSERT_EQ(device_->SetVertexDeclaration(declaration), D3D_OK);
  ASSERT_EQ(device_->SetStreamSource(0, buffer, 0, sizeof(GuiVertex)), D3D_OK);
  ASSERT_EQ(device_->SetIndices(indices), D3D_OK);
  ASSERT_EQ(effect->BeginPass(0), D3D_OK);
  for (UINT quad = 0; quad < 4; ++quad) {
    ASSERT_EQ(effect->SetTexture("texture_0", batches[quad]), D3D_OK);
    ASSERT_EQ(effect->CommitChanges(), D3D_OK);
    ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 16, quad * 6, 2), D3D_OK);
  }
  ASSERT_EQ(effect->EndPass(), D3D_OK);
  ASSERT_EQ(effect->End(), D3D_OK);
  const d3d9::FrameImage frame = Capture();
  ASSERT_EQ(device_->EndScene(), D3D_OK);
  EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

  ASSERT_EQ(frame.width, kWidth);
  ASSERT_EQ(frame.height, kHeight);
  // Left half red, its edge exactly at the centre column.
  ExpectRgb(Pixel(frame, 0, 0), {255, 0, 0}, 0, "top-left corner");
  ExpectRgb(Pixel(frame, 31, 10), {255, 0, 0}, 0, "last red column");
  // The texture's top row is at the top of the quad, its left column at the left.
  ExpectRgb(Pixel(frame, 32, 0), {255, 0, 0}, 0, "texel (0, 0)");
  ExpectRgb(Pixel(frame, 63, 0), {0, 255, 0}, 0, "texel (1, 0)");
  ExpectRgb(Pixel(frame, 32, 23), {0, 0, 255}, 0, "texel (0, 1)");
  ExpectRgb(Pixel(frame, 63, 23), {255, 255, 0}, 0, "texel (1, 1)");
  // Half-transparent white over red.
  ExpectRgb(Pixel(frame, 10, 40), {255, 128, 128}, 1, "blended quad");
  ExpectRgb(Pixel(frame, 10, 23), {255, 0, 0}, 0, "row above the blended quad");
  // Texture × vertex colour.
  ExpectRgb(Pixel(frame, 50, 40), {100, 100, 50}, 1, "tinted texel");
  for (std::size_t i = 3; i < frame.rgba.size(); i += 4) ASSERT_EQ(frame.rgba[i], 255);
}

TEST_F(GlDevice, DrawsFixedFunctionMeshesUnderPerspectiveWithDepthAndLighting) {
  D3DXMATRIX projection;
  D3DXMatrixPerspectiveFovLH(&projection, 1.5707964f, float(kWidth) / float(kHeight), 1.0f, 100.0f);
  ASSERT_EQ(device_->SetTransform(D3DTS_PROJECTION, &projection), D3D_OK);
  // A 2 × 2 square around the origin, both triangles clockwise as seen.
  auto square = [this](D3DCOLOR colour) {
    return MakeBuffer<MeshVertex>({{-1, -1, 0, colour},
                                   {-1, 1, 0, colour},
                                   {1, 1, 0, colour},
                                   {-1, -1, 0, colour},
                                   {1, 1, 0, colour},
                                   {1, -1, 0, colour}});
  };
  IDirect3DVertexBuffer9* near = square(D3DCOLOR_ARGB(255, 0x20, 0x40, 0xC0));
  IDirect3DVertexBuffer9* far = square(D3DCOLOR_ARGB(255, 255, 255, 255));
  IDirect3DVertexBuffer9* veil = square(D3DCOLOR_ARGB(128, 0, 0, 0));
  D3DXMATRIX atFive, atTen, nearPlane, wide;
  D3DXMatrixTranslation(&atFive, 0, 0, 5);
  D3DXMatrixTranslation(&atTen, 2, 0, 10);
  D3DXMatrixTranslation(&nearPlane, 0, 0, 1);
  D3DXMatrixScaling(&wide, 0.5f, 1, 1);

  ASSERT_EQ(device_->BeginScene(), D3D_OK);
  ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
  // Lit with no lights: black. The program turns lighting off; here it is still on.
  DrawMesh(near, 2, atTen);
  const Rgb lit = Pixel(Capture(), 38, 24);
  ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER,
                           D3DCOLOR_ARGB(0, 9, 9, 9), 1.0f, 0),
            D3D_OK);
  ASSERT_EQ(device_->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
  // Near first, then a far square behind it that overlaps its right edge: depth keeps the near.
  DrawMesh(near, 2, atFive);
  DrawMesh(far, 2, atTen);
  const d3d9::FrameImage meshes = Capture();
  // A translucent black veil, half as wide, in the near plane itself.
  ASSERT_EQ(device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE), D3D_OK);
  ASSERT_EQ(device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA), D3D_OK);
  ASSERT_EQ(device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA), D3D_OK);
  DrawMesh(veil, 2, wide * nearPlane);
  const d3d9::FrameImage veiled = Capture();
  ASSERT_EQ(device_->EndScene(), D3D_OK);

  ExpectRgb(lit, {0, 0, 0}, 0, "lit mesh without lights");
  // With a 90° vertical field of view and aspect 4:3, x lands at 0.75 · x / z and y at y / z.
  // The near square (z 5) spans columns 27.2..36.8 and rows 19.2..28.8.
  const Rgb nearColour{0x20, 0x40, 0xC0};
  ExpectRgb(Pixel(meshes, 32, 24), nearColour, 0, "centre of the near square");
  ExpectRgb(Pixel(meshes, 27, 24), nearColour, 0, "left edge of the near square");
  ExpectRgb(Pixel(meshes, 26, 24), {9, 9, 9}, 0, "left of the near square");
  ExpectRgb(Pixel(meshes, 32, 19), nearColour, 0, "top edge of the near square");
  ExpectRgb(Pixel(meshes, 32, 18), {9, 9, 9}, 0, "above the near square");
  // The far square (x 1..3 at z 10) spans columns 34.4..39.2: hidden where the near one is.
  ExpectRgb(Pixel(meshes, 35, 24), nearColour, 0, "far square behind the near one");
  ExpectRgb(Pixel(meshes, 38, 24), {255, 255, 255}, 0, "far square beside the near one");
  ExpectRgb(Pixel(meshes, 40, 24), {9, 9, 9}, 0, "right of the far square");
  // The veil (x ±0.5 at z 1) spans columns 20..44 and every row.
  ExpectRgb(Pixel(veiled, 20, 5), {4, 4, 4}, 1, "veil over the background");
  ExpectRgb(Pixel(veiled, 32, 24), {0x10, 0x20, 0x60}, 1, "veil over the near square");
  ExpectRgb(Pixel(veiled, 50, 5), {9, 9, 9}, 0, "right of the veil");
}

TEST_F(GlDevice, CullsCounterClockwiseFacesByDefaultAndFollowsTheCullMode) {
  ASSERT_EQ(device_->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
  const D3DCOLOR white = D3DCOLOR_ARGB(255, 255, 255, 255);
  // Identity transforms: positions are clip coordinates. Left triangle clockwise on screen,
  // right triangle counter-clockwise.
  IDirect3DVertexBuffer9* triangles = MakeBuffer<MeshVertex>({{-0.9f, -0.5f, 0.5f, white},
                                                              {-0.7f, 0.5f, 0.5f, white},
                                                              {-0.5f, -0.5f, 0.5f, white},
                                                              {0.5f, -0.5f, 0.5f, white},
                                                              {0.9f, -0.5f, 0.5f, white},
                                                              {0.7f, 0.5f, 0.5f, white}});
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  auto drawWith = [&](DWORD cullMode, bool setIt) {
    if (setIt) {
      EXPECT_EQ(device_->SetRenderState(D3DRS_CULLMODE, cullMode), D3D_OK);
    }
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
    DrawMesh(triangles, 2, identity);
    const d3d9::FrameImage frame = Capture();
    // Centroids: (−0.7, −0.17) and (0.7, −0.17) → columns 9 and 54, row 28.
    return std::make_pair(Pixel(frame, 9, 28).r, Pixel(frame, 54, 28).r);
  };
  ASSERT_EQ(device_->BeginScene(), D3D_OK);
  EXPECT_EQ(drawWith(0, false), std::make_pair(255, 0)) << "default cull mode";
  EXPECT_EQ(drawWith(D3DCULL_CW, true), std::make_pair(0, 255)) << "D3DCULL_CW";
  EXPECT_EQ(drawWith(D3DCULL_NONE, true), std::make_pair(255, 255)) << "D3DCULL_NONE";
  EXPECT_EQ(drawWith(D3DCULL_CCW, true), std::make_pair(255, 0)) << "D3DCULL_CCW";
  ASSERT_EQ(device_->EndScene(), D3D_OK);
}

TEST_F(GlDevice, ResetResizesTheBackBufferOnceDefaultPoolBuffersAreGone) {
  IDirect3DVertexBuffer9* buffer = nullptr;
  ASSERT_EQ(device_->CreateVertexBuffer(64, D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, &buffer, nullptr),
            D3D_OK);
  IDirect3DTexture9* texture = MakeTexture(1, 1, {1, 2, 3, 4});
  D3DPRESENT_PARAMETERS smaller = Parameters(32, 16);
  EXPECT_EQ(device_->Reset(&smaller), D3DERR_INVALIDCALL);
  buffer->Release();
  EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
  ASSERT_EQ(device_->Reset(&smaller), D3D_OK);
  D3DSURFACE_DESC description{};
  EXPECT_EQ(texture->GetLevelDesc(0, &description), D3D_OK) << "managed textures survive Reset";

  ASSERT_EQ(device_->BeginScene(), D3D_OK);
  ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_ARGB(0, 10, 20, 30), 1.0f, 0),
            D3D_OK);
  const d3d9::FrameImage frame = Capture();
  ASSERT_EQ(device_->EndScene(), D3D_OK);
  EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  ASSERT_EQ(frame.width, 32u);
  ASSERT_EQ(frame.height, 16u);
  ExpectRgb(Pixel(frame, 31, 15), {10, 20, 30}, 0, "cleared pixel after Reset");

  D3DPRESENT_PARAMETERS windowSized = Parameters(0, 0);
  ASSERT_EQ(device_->Reset(&windowSized), D3D_OK);
  EXPECT_EQ(windowSized.BackBufferWidth, kWidth) << "a windowed back buffer of size 0 takes the "
                                                    "window's";
  EXPECT_EQ(windowSized.BackBufferHeight, kHeight);
}

TEST_F(GlDevice, AnEffectWhoseGlslDoesNotCompileFailsNamingThePassAndTheStage) {
  const std::string path = testing::TempDir() + "/broken.fx";
  std::ofstream(path) << "vertexshader v = R\"(#version 330 core\nvoid main() {})\";\n"
                         "pixelshader p = R\"(#version 330 core\nvoid main() { oops; })\";\n"
                         "technique T {\n  pass Only { VertexShader = v; PixelShader = p; }\n}\n";
  ID3DXEffect* effect = nullptr;
  ID3DXBuffer* errors = nullptr;
  EXPECT_EQ(D3DXCreateEffectFromFileW(device_, path.c_str(), nullptr, nullptr, 0, nullptr, &effect,
                                      &errors),
            D3DXERR_INVALIDDATA);
  EXPECT_EQ(effect, nullptr);
  ASSERT_NE(errors, nullptr);
  const std::string message = static_cast<const char*>(errors->GetBufferPointer());
  errors->Release();
  EXPECT_EQ(message.rfind(path + "(6): technique T, pass Only: fragment shader: ", 0), 0u)
      << message;
  EXPECT_NE(message.find("oops"), std::string::npos) << "the compiler's own words follow";
}

TEST_F(GlDevice, WritesTheCapturedFrameAsAPngThatReadsBackTheSame) {
  ASSERT_EQ(device_->BeginScene(), D3D_OK);
  ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_ARGB(0, 200, 100, 0), 1.0f, 0),
            D3D_OK);
  const d3d9::FrameImage frame = Capture();
  ASSERT_EQ(device_->EndScene(), D3D_OK);
  const std::string path = testing::TempDir() + "/captured_frame.png";
  std::string error;
  ASSERT_TRUE(d3d9::WritePng(frame, path, &error)) << error;
  d3d9::FrameImage read;
  ASSERT_TRUE(d3d9::ReadPng(path, &read, &error)) << error;
  EXPECT_EQ(read.width, frame.width);
  EXPECT_EQ(read.height, frame.height);
  EXPECT_EQ(read.rgba, frame.rgba);
  ExpectRgb(Pixel(read, 5, 5), {200, 100, 0}, 0, "read back");
  EXPECT_EQ(read.rgba[3], 255) << "alpha is forced opaque although the clear colour had 0";
}

}  // namespace
