// The GUI renderer's cost: queueing, building and drawing many quads on the recording device (the
// renderer's own work), and whole player-sized frames on the OpenGL device (Mesa's software
// renderer here), without writing PNGs.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "app/release_and_clear.h"
#include "graphics/device_frame_graphics.h"
#include "graphics/drawing_operations.h"
#include "graphics/font_layout.h"
#include "graphics/graphics_device.h"
#include "graphics/gui_renderer.h"
#include "platform/d3d9/recording_device.h"
#include "platform/d3dx/d3dx9.h"
#include "platform/os/platform.h"

namespace {

// The platform and a device for one benchmark; recording or OpenGL.
class Stage {
 public:
  Stage(bool recording, int width, int height) {
    std::string error;
    platform_ = os::Platform::Open(true, &error);
    os::SetBatchMode(true);
    os::SetDataFolder(std::string(ORVELL_SOURCE_DIR) + "/data");
    d3d9::UseRecordingDevice(recording);
    graphics_.CreateDevice(width, height, 60, 0);
    graphics_.CreateRenderer();
    IDirect3DDevice9* device = GraphicsDevice::Existing()->device;
    if (device) D3DXCreateTextureFromFileW(device, "data/tit.png", &atlas);
    GuiRenderer::Instance()->SetTitleAtlasSource([] { return atlas; });
  }
  ~Stage() {
    ReleaseAndClear(atlas);
    graphics_.Destroy();
    d3d9::UseRecordingDevice(false);
  }
  bool Ready() const { return GraphicsDevice::Existing() && GraphicsDevice::Existing()->device; }
  bool DrawFrame() { return graphics_.DrawFrame(); }

  static inline IDirect3DTexture9* atlas = nullptr;  // data/tit.png

 private:
  std::unique_ptr<os::Platform> platform_;
  DeviceFrameGraphics graphics_;
};

void QueueQuadsInThreeRuns(int count) {
  GuiRenderer* renderer = GuiRenderer::Instance();
  IDirect3DTexture9* textures[3] = {Stage::atlas, renderer->FontTexture(), nullptr};
  for (int i = 0; i < count; ++i) {
    float x = float(i % 100) * 0.02f - 1.0f;
    float y = float(i / 100 % 100) * 0.02f - 1.0f;
    renderer->QueueQuad(
        {1, 1, 1, 0.5f, 0, 0, 0.1f, 0.1f, x, y, 0.02f, 0.02f, textures[i * 3 / count], 1.0f});
  }
}

void BM_QueueBuildDrawQuads(benchmark::State& state) {
  Stage stage(true, 1024, 768);
  if (!stage.Ready()) {
    state.SkipWithError("no recording device");
    return;
  }
  const int quads = int(state.range(0));
  for (auto _ : state) {
    QueueQuadsInThreeRuns(quads);
    stage.DrawFrame();
    d3d9::Recording().ClearCalls();
  }
  // Seconds per quad, printed with an SI prefix ("27.8n" is 27.8 ns).
  state.counters["per_quad"] = benchmark::Counter(
      double(quads), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_QueueBuildDrawQuads)->Arg(10000)->Unit(benchmark::kMicrosecond);

// About what the player screen draws: a full-screen background, the frame picture, panels and
// buttons, two lines of text, equalizer cells and spots, and the cube's meshes.
void BM_PlayerSizedFrameOnGl(benchmark::State& state) {
  Stage stage(false, 1024, 768);
  if (!stage.Ready()) {
    state.SkipWithError("no OpenGL device");
    return;
  }
  IDirect3DDevice9* device = GraphicsDevice::Existing()->device;
  struct Vertex {
    float x, y, z;
    D3DCOLOR colour;
  };
  Vertex triangles[36];
  for (int i = 0; i < 36; ++i) {
    float angle = float(i) * 0.5f;
    triangles[i] = {0.3f * std::cos(angle), 0.3f * std::sin(angle), 0.5f,
                    D3DCOLOR_ARGB(96, 40, 120, 255)};
  }
  IDirect3DVertexBuffer9* mesh = nullptr;
  device->CreateVertexBuffer(sizeof triangles, D3DUSAGE_WRITEONLY, D3DFVF_XYZ | D3DFVF_DIFFUSE,
                             D3DPOOL_MANAGED, &mesh, nullptr);
  void* bytes = nullptr;
  mesh->Lock(0, 0, &bytes, 0);
  std::memcpy(bytes, triangles, sizeof triangles);
  mesh->Unlock();
  D3DXMATRIX world;
  D3DXMatrixIdentity(&world);

  GuiRenderer* renderer = GuiRenderer::Instance();
  IDirect3DTexture9* atlas = Stage::atlas;
  for (auto _ : state) {
    renderer->QueueQuad({1, 1, 1, 1, 0.95f, 0.02f, 0.98f, 0.77f, -1, -1, 2, 2, atlas, 1});
    renderer->QueueQuad({1, 1, 1, 1, 0, 0, 0.37f, 0.6f, -0.78f, -0.75f, 1.5f, 1.59f, atlas, 1});
    for (int i = 0; i < 200; ++i) {
      float x = float(i % 20) * 0.05f - 0.5f;
      float y = float(i / 20) * 0.03f - 0.6f;
      renderer->QueueQuad(
          {1, 1, 1, 0.8f, 0.65f, 0.22f, 0.67f, 0.23f, x, y, 0.04f, 0.02f, atlas, 1});
    }
    DrawTextLine({1, 1, 1, 1}, "NOW PLAYING", 0.05f, -0.6f, 0.6f);
    DrawTextClipped({1, 1, 1, 1}, "A SONG TITLE THAT RUNS LONGER THAN ITS BOX", 0.05f, 0.6f, 0.1f,
                    -0.2f, 0.6f);
    for (int i = 0; i < 60; ++i) {
      renderer->QueueQuad({1, 1, 1, 0.5f, 0.6f, 0.35f, 0.63f, 0.41f, float(i % 6) * 0.2f - 0.6f,
                           float(i / 6) * 0.1f - 0.5f, 0.12f, 0.16f, atlas, 1});
    }
    for (int i = 0; i < 4; ++i)
      renderer->QueueMesh({mesh, sizeof(Vertex), 12, 0x42, world, nullptr});
    stage.DrawFrame();
  }
  state.counters["frames/s"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  mesh->Release();
}
BENCHMARK(BM_PlayerSizedFrameOnGl)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
