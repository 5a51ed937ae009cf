// The batch renderer through which everything on screen is drawn. Scenes queue quads (textured,
// coloured rectangles in screen coordinates: x −1 left to 1 right, y −1 bottom to 1 top) and
// meshes (a caller's vertex buffer under a world matrix) during their updates; the frame loop
// renders both queues once per frame: the quads sorted by depth in one vertex buffer, drawn
// through data/gui.fx with one draw per texture run, then the meshes with the fixed pipeline.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/graphics_device.h"
#include "platform/d3d9/d3d9.h"
#include "platform/d3dx/d3dx9.h"

// The quad pass's vertex: 36 bytes.
struct GuiVertex {
  float x, y, z;
  float u, v;
  float r, g, b, a;
};

struct QuadCommand {
  float r, g, b, a;            // written into all four vertices; callers fade by lowering a
  float texLeft, texTop;       // texture coordinate of the top-left corner
  float texRight, texBottom;   // of the bottom-right corner
  float x, y;                  // bottom-left corner
  float w, h;                  // top edge at y + h
  IDirect3DTexture9* texture;  // not owned; must live until the frame is rendered
  float z;                     // sort key, greatest drawn first; the z of all four vertices
};

struct MeshCommand {
  IDirect3DVertexBuffer9* vertexBuffer;  // not owned; a triangle list from vertex 0
  std::uint32_t stride;                  // bytes per vertex
  std::uint32_t primitiveCount;          // triangles
  std::uint32_t fvf;
  D3DMATRIX world;
  IDirect3DTexture9* texture;  // null: drawn two-sided, back faces first, like tinted glass
};

// The state every image button shares, process-wide in the renderer's record. Ids are nonzero and
// unique per button.
struct ImageButtonState {
  std::int32_t hotId = 0;             // the button under the mouse
  std::int32_t activeId = 0;          // the button being pressed
  std::int32_t cursorOverButton = 0;  // set while the mouse hovers a button with the left button up
};

// One run of quads with the same texture in the sorted queue.
struct QuadBatch {
  std::uint32_t first;
  IDirect3DTexture9* texture;
};

class GuiRenderer : public DeviceResourceOwner {
 public:
  // The renderer; the first call creates it on the graphics device, with the default font.
  static GuiRenderer* Instance();
  // The renderer once created, else null.
  static GuiRenderer* Existing();
  // Releases the font texture and the device objects and frees the renderer.
  static void Destroy();

  // Queues the quad in drawing order: after every queued quad of greater or equal z.
  void QueueQuad(const QuadCommand& quad);
  void QueueMesh(const MeshCommand& mesh);
  // Draws and empties both queues; between BeginScene and EndScene.
  void Render();
  // Empties both queues without drawing them (tests and benchmarks look at one update's queue).
  void DiscardQueued();

  // Around a device reset: the buffers, declaration and effect go, and come back afterwards (the
  // buffers at the next render that has quads).
  void ReleaseDeviceResources() override;
  void RecreateDeviceResources() override;

  // What the scenes queued this frame, the quads in the order they will be drawn.
  const std::vector<QuadCommand>& QueuedQuads() const { return quadQueue_; }
  const std::vector<MeshCommand>& QueuedMeshes() const { return meshQueue_; }
  IDirect3DTexture9* FontTexture() const { return fontTexture_; }
  ImageButtonState& ImageButtons() { return imageButtons_; }
  const ImageButtonState& ImageButtons() const { return imageButtons_; }

  // Where the atlas operations find the title atlas. The atlas is loaded with the disk and kept in
  // its record, a layer above this one, so the loader hands down a reader of it; without one, or
  // when it reads null, atlas quads carry no texture.
  using TextureSource = IDirect3DTexture9* (*)();
  void SetTitleAtlasSource(TextureSource source) { titleAtlasSource_ = source; }
  IDirect3DTexture9* TitleAtlas() const {
    return titleAtlasSource_ ? titleAtlasSource_() : nullptr;
  }
  // The device objects of the quad pass, null while not made.
  const ID3DXEffect* Effect() const { return effect_; }
  IDirect3DVertexBuffer9* VertexBuffer() const { return vertexBuffer_; }
  IDirect3DIndexBuffer9* IndexBuffer() const { return indexBuffer_; }
  std::int32_t VertexCapacity() const { return vertexCapacity_; }  // vertices, 4 a quad

 private:
  // Creates the device objects and loads the default font; a missing font ends the run.
  GuiRenderer();
  void CreateDeviceObjects();
  // Fills the buffers from the queue; false when they could not be made.
  bool Build();
  void DrawQuads();
  void DrawMeshes();

  std::int32_t vertexCapacity_ = 0;  // vertices the buffers hold, 4 a quad
  std::int32_t vertexStride_ = 0;
  IDirect3DVertexBuffer9* vertexBuffer_ = nullptr;
  IDirect3DIndexBuffer9* indexBuffer_ = nullptr;
  IDirect3DVertexDeclaration9* vertexDeclaration_ = nullptr;
  D3DPRIMITIVETYPE primitiveType_ = D3DPT_TRIANGLELIST;
  std::vector<QuadCommand> quadQueue_;
  std::vector<MeshCommand> meshQueue_;
  ID3DXEffect* effect_ = nullptr;
  D3DXHANDLE technique_ = nullptr;
  std::vector<QuadBatch> batches_;
  IDirect3DTexture9* fontTexture_ = nullptr;
  ImageButtonState imageButtons_;
  TextureSource titleAtlasSource_ = nullptr;
};
