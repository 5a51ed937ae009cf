// Atlas quads, image buttons and sprite meshes.
#include "graphics/drawing_operations.h"

#include "app/input_state.h"
#include "graphics/graphics_device.h"
#include "graphics/gui_renderer.h"

void DrawAtlasQuadTinted(float x, float y, float w, float h, float texLeft, float texTop,
                         float texRight, float texBottom, float r, float g, float b, float a) {
  GuiRenderer* renderer = GuiRenderer::Instance();
  QuadCommand quad{
      r, g, b, a, texLeft, texTop, texRight, texBottom, x, y, w, h, renderer->TitleAtlas(), 1.0f};
  renderer->QueueQuad(quad);
}

void DrawAtlasQuad(float x, float y, float w, float h, float texLeft, float texTop, float texRight,
                   float texBottom) {
  DrawAtlasQuadTinted(x, y, w, h, texLeft, texTop, texRight, texBottom, 1.0f, 1.0f, 1.0f, 1.0f);
}

bool ImageButton(std::int32_t id, float x, float y, float w, float h, float r, float g, float b,
                 float a, const TexRect& normal, const TexRect& hover, const TexRect& pressed) {
  const InputState* input = InputState::Instance();
  const GraphicsDevice* device = GraphicsDevice::Existing();
  ImageButtonState& state = GuiRenderer::Instance()->ImageButtons();

  float mx = (float(input->mouseX) / float(device->width) - 0.5f) * 2.0f;
  float my = (float(input->mouseY) / float(device->height) - 0.5f) * -2.0f;
  bool inside = x < mx && mx < x + w && y < my && my < y + h;
  bool down = input->buttons[0] != 0;

  if (!down && inside) {
    state.hotId = id;
    state.cursorOverButton = 1;
  }
  // A press counts only on a button that was hot before it: dragging onto one presses nothing.
  if (state.hotId == id) {
    if (inside && down) state.activeId = id;
    if (!inside) state.hotId = 0;
  }

  const TexRect& picture = state.activeId == id ? pressed : (state.hotId == id ? hover : normal);
  DrawAtlasQuadTinted(x, y, w, h, picture.left, picture.top, picture.right, picture.bottom, r, g, b,
                      a);

  if (state.activeId == id && !down && input->previousButtons[0] && inside) {
    state.activeId = 0;
    state.hotId = 0;
    return true;
  }
  return false;
}

void QueueSpriteMesh(IDirect3DVertexBuffer9* vertexBuffer, IDirect3DTexture9* texture,
                     const D3DMATRIX& world) {
  MeshCommand mesh{vertexBuffer, 20, 2, D3DFVF_XYZ | D3DFVF_TEX1, world, texture};
  GuiRenderer::Instance()->QueueMesh(mesh);
}
