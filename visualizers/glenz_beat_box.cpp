// The glenz cube: its geometry and motion tables, built once from their formulas; the per-call
// pulses, phases and world matrix; the dynamic vertex buffer that survives device resets.
#include "visualizers/glenz_beat_box.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>

#include "graphics/gui_renderer.h"
#include "platform/d3dx/d3dx9.h"

namespace {

using Vertex = GlenzBeatBox::Vertex;
static_assert(sizeof(Vertex) == GlenzBeatBox::kVertexBytes, "the buffer's layout is FVF 0x42");

constexpr float kPulse = 2.0f;
constexpr float kPulseDecay = 0.2f;
constexpr float kDegreesToRadians = 0.017453292f;

// A face: where its (a, b) plane coordinates go in 3-D, its apex's axis and side, and its edges.
struct Face {
  int axis;           // the axis the face is perpendicular to: 0 x, 1 y, 2 z
  float side;         // −1 or +1
  int axisA, axisB;   // the 3-D axes of the plane coordinates a and b
  float edges[4][4];  // a0, b0 → a1, b1
};

constexpr Face kFaces[6] = {
    {2, -1, 0, 1, {{-1, 1, 1, 1}, {1, 1, 1, -1}, {1, -1, -1, -1}, {-1, -1, -1, 1}}},
    {1, 1, 0, 2, {{-1, 1, 1, 1}, {1, 1, 1, -1}, {1, -1, -1, -1}, {-1, -1, -1, 1}}},
    {0, 1, 1, 2, {{1, -1, 1, 1}, {1, 1, -1, 1}, {-1, 1, -1, -1}, {-1, -1, 1, -1}}},
    {1, -1, 0, 2, {{1, -1, -1, -1}, {-1, -1, -1, 1}, {-1, 1, 1, 1}, {1, 1, 1, -1}}},
    {0, -1, 1, 2, {{1, 1, 1, -1}, {1, -1, -1, -1}, {-1, -1, -1, 1}, {-1, 1, 1, 1}}},
    {2, 1, 0, 1, {{1, 1, -1, 1}, {-1, 1, -1, -1}, {-1, -1, 1, -1}, {1, -1, 1, 1}}},
};

// The first and third triangle of a face, and the second and fourth.
constexpr D3DCOLOR kLight = D3DCOLOR_ARGB(191, 124, 135, 132);
constexpr D3DCOLOR kDark = D3DCOLOR_ARGB(127, 46, 73, 71);

float& Axis(Vertex& v, int axis) {
  return axis == 0 ? v.x : (axis == 1 ? v.y : v.z);
}

Vertex PlanePoint(const Face& face, float a, float b, D3DCOLOR colour) {
  Vertex v{0, 0, 0, colour};
  Axis(v, face.axis) = face.side;
  Axis(v, face.axisA) = a;
  Axis(v, face.axisB) = b;
  return v;
}

std::array<Vertex, GlenzBeatBox::kVertices> BuildBox() {
  std::array<Vertex, GlenzBeatBox::kVertices> box{};
  int n = 0;
  for (const Face& face : kFaces) {
    for (int t = 0; t < 4; ++t) {
      D3DCOLOR colour = t % 2 == 0 ? kLight : kDark;
      const float* e = face.edges[t];
      box[n++] = PlanePoint(face, 0, 0, colour);
      box[n++] = PlanePoint(face, e[0], e[1], colour);
      box[n++] = PlanePoint(face, e[2], e[3], colour);
    }
  }
  return box;
}

// Entry i is the nearest integer to 1024 + 1024 · g(θ) / G, θ = 2π · i / 1024, G the largest |g|.
using Table = std::array<std::int32_t, GlenzBeatBox::kTableSize>;
Table BuildTable(int m, double sm, int n, double sn) {
  std::array<double, GlenzBeatBox::kTableSize> g{};
  double largest = 0.0;
  for (int i = 0; i < GlenzBeatBox::kTableSize; ++i) {
    double theta = 2.0 * std::numbers::pi * i / GlenzBeatBox::kTableSize;
    g[std::size_t(i)] = sm * std::sin(m * theta) + sn * std::sin(n * theta);
    largest = std::max(largest, std::abs(g[std::size_t(i)]));
  }
  Table table{};
  for (int i = 0; i < GlenzBeatBox::kTableSize; ++i) {
    table[std::size_t(i)] =
        std::int32_t(std::lround(1024.0 + 1024.0 * g[std::size_t(i)] / largest));
  }
  return table;
}

// x: sin 3θ − sin θ; y: sin θ + sin 3θ; z: sin 3θ + sin 5θ; pitch: sin 5θ − sin 3θ;
// yaw: sin 9θ − sin 7θ; roll: sin 7θ + sin 9θ.
const std::array<Table, 6>& Tables() {
  static const std::array<Table, 6> tables = {BuildTable(3, 1, 1, -1), BuildTable(1, 1, 3, 1),
                                              BuildTable(3, 1, 5, 1),  BuildTable(5, 1, 3, -1),
                                              BuildTable(9, 1, 7, -1), BuildTable(7, 1, 9, 1)};
  return tables;
}

enum Channel { kX, kY, kZ, kPitch, kYaw, kRoll };

float Entry(Channel channel, float phase) {
  return float(Tables()[channel][std::size_t(int(phase))]) / 2048.0f;
}

}  // namespace

const Vertex* GlenzBeatBox::RestVertices() {
  static const std::array<Vertex, kVertices> box = BuildBox();
  return box.data();
}

const std::int32_t* GlenzBeatBox::MotionTable(int channel) {
  return Tables()[std::size_t(channel)].data();
}

GlenzBeatBox::GlenzBeatBox(Scene* owner)
    : Visualizer(owner), buffer_(kVertices * kVertexBytes, kFvf) {
  std::memcpy(vertices, RestVertices(), sizeof vertices);
  Tables();
  MeshBuffer::SetProjection();
  if (GraphicsDevice* graphics = GraphicsDevice::Existing()) graphics->AddResourceOwner(this);
}

GlenzBeatBox::~GlenzBeatBox() {
  if (GraphicsDevice* graphics = GraphicsDevice::Existing()) graphics->RemoveResourceOwner(this);
}

void GlenzBeatBox::ReleaseDeviceResources() {
  buffer_.Release();
}

void GlenzBeatBox::RecreateDeviceResources() {
  buffer_.Create();
  MeshBuffer::SetProjection();
}

void GlenzBeatBox::Draw(const float*, const std::uint8_t* beats, float, float, float, float) {
  for (int i = 0; i < 6; ++i) {
    float& pulse = pulses[i];
    if (beats[i]) {
      pulse = kPulse;
    } else if (pulse > 0.0f) {
      pulse -= kPulseDecay;
    } else {
      pulse = 0.0f;
    }
    float& phase = phases[i];
    phase += i < 3 ? pulse * 0.5f + 1.0f : pulse * 0.125f + 0.25f;
    if (phase >= float(kTableSize)) phase = 0.0f;
  }

  // Every face's four apex copies (the first vertex of each triangle) move along its normal.
  for (int face = 0; face < 6; ++face) {
    const Face& f = kFaces[face];
    float apex = f.side * (1.0f + pulses[face]);
    for (int t = 0; t < 4; ++t) Axis(vertices[face * 12 + t * 3], f.axis) = apex;
  }

  float x = Entry(kX, phases[0]) * 40.0f - 20.0f;
  float y = Entry(kY, phases[1]) * 13.0f - 3.0f;
  float z = Entry(kZ, phases[2]) * 25.0f - 5.0f;
  float yaw = Entry(kYaw, phases[3]) * 360.0f * kDegreesToRadians;
  float pitch = Entry(kPitch, phases[4]) * 360.0f * kDegreesToRadians;
  float roll = Entry(kRoll, phases[5]) * 360.0f * kDegreesToRadians;

  D3DXMATRIX rotation, push, wander, turned;
  D3DXMatrixRotationYawPitchRoll(&rotation, yaw, pitch, roll);
  D3DXMatrixTranslation(&push, 0.0f, 0.0f, 50.0f);
  D3DXMatrixTranslation(&wander, x, y, z);
  D3DXMatrixMultiply(&turned, &rotation, &push);
  D3DXMATRIX result;
  D3DXMatrixMultiply(&result, &turned, &wander);
  world = result;

  if (!buffer_.Write(vertices)) return;
  GuiRenderer::Instance()->QueueMesh({buffer_.get(), kVertexBytes, 24, kFvf, world, nullptr});
}
