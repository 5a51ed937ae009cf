// GlenzBeatBox: a translucent two-tone cube that tumbles along looping paths in front of the
// viewer. Each face belongs to a frequency band: a beat pushes the face's centre out into a
// pyramid that sinks back over ten calls and briefly speeds up the motion that band drives.
#pragma once

#include <cstdint>

#include "content/visualizer.h"
#include "graphics/graphics_device.h"
#include "platform/d3d9/d3d9.h"
#include "visualizers/mesh_buffer.h"

class GlenzBeatBox : public Visualizer, public DeviceResourceOwner {
 public:
  static constexpr int kVertices = 72;  // 6 faces × 4 triangles × 3
  static constexpr int kTableSize = 1024;
  static constexpr std::uint32_t kVertexBytes = 16;                   // x, y, z floats, ARGB colour
  static constexpr std::uint32_t kFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;  // 0x42

  struct Vertex {
    float x, y, z;
    D3DCOLOR colour;
  };

  // Creates the vertex buffer, sets the device's projection and registers for device resets;
  // without a device it draws nothing.
  explicit GlenzBeatBox(Scene* owner);
  ~GlenzBeatBox() override;

  // Uses beats only: steps the pulses and phases, rewrites the box and queues it as a mesh.
  void Draw(const float* spectrum, const std::uint8_t* beats, float sampleTime,
            float sampleInterval, float first, float second) override;

  // The vertex buffer goes before a reset; after it the buffer and the projection come back.
  void ReleaseDeviceResources() override;
  void RecreateDeviceResources() override;

  // The cube at rest: 24 triangles, face by face (z = −1, y = +1, x = +1, y = −1, x = −1,
  // z = +1), each triangle (apex, edge start, edge end).
  static const Vertex* RestVertices();
  // The motion table of a channel: 0 x, 1 y, 2 z, 3 pitch, 4 yaw, 5 roll; 1024 entries, 0 to 2048.
  static const std::int32_t* MotionTable(int channel);

  float pulses[6] = {};  // how far each band's apex is pushed out, 0 to 2
  float phases[6] = {};  // indices into the motion tables: x, y, z, yaw, pitch, roll; [0, 1024)
  Vertex vertices[kVertices];  // as last written to the buffer
  D3DMATRIX world{};           // as last queued

  // Null without a device or when creation failed.
  IDirect3DVertexBuffer9* VertexBuffer() const { return buffer_.get(); }

 private:
  MeshBuffer buffer_;
};
