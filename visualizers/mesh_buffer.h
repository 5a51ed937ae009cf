// The vertex buffer a mesh-drawing visualizer owns, and the projection its meshes are drawn under.
// Such buffers live in the default pool, and Direct3D resets a device only once they are gone, so
// their owner releases them before a reset and creates them again after it.
#pragma once

#include "platform/d3d9/d3d9.h"

class MeshBuffer {
 public:
  // Creates a dynamic default-pool buffer of that many bytes in that vertex format. Without a
  // device, or when creation fails, the buffer stays null and drawing it shows nothing.
  MeshBuffer(UINT bytes, DWORD fvf);
  ~MeshBuffer();
  MeshBuffer(const MeshBuffer&) = delete;
  MeshBuffer& operator=(const MeshBuffer&) = delete;

  // Before a device reset.
  void Release();
  // After a device reset: the same buffer again, its contents undefined until written.
  void Create();
  // Locks the whole buffer, copies its size in bytes from vertices, unlocks; false when there is
  // no buffer or it would not lock, and nothing was written.
  bool Write(const void* vertices);

  IDirect3DVertexBuffer9* get() const { return buffer_; }

  // The projection every mesh effect draws under: vertical field of view π/4, the mode's aspect,
  // near plane 2 (where the flat effects lie, so a square 4 units high covers the screen there),
  // far plane 100.
  static void SetProjection();

 private:
  UINT bytes_;
  DWORD fvf_;
  IDirect3DVertexBuffer9* buffer_ = nullptr;
};
