// Writes the renderer's queues into a trace line.
#include "automation/render_trace.h"

#include "content/player_state.h"
#include "graphics/gui_renderer.h"

namespace {

void TextureName(JsonLine& line, const IDirect3DTexture9* texture) {
  if (!texture) {
    line.Null();
    return;
  }
  const PlayerState* shared = PlayerState::Instance();
  const GuiRenderer* renderer = GuiRenderer::Existing();
  if (texture == shared->titleAtlas) {
    line.String("tit");
  } else if (texture == shared->cloudRing) {
    line.String("cloudring");
  } else if (texture == shared->creditsTexture) {
    line.String("credits");
  } else if (renderer && texture == renderer->FontTexture()) {
    line.String("font");
  } else {
    line.String("other");
  }
}

}  // namespace

void TraceQueuedDrawing(JsonLine& line) {
  const GuiRenderer* renderer = GuiRenderer::Existing();
  line.Key("quads").BeginArray();
  // The renderer keeps its queue in drawing order.
  if (renderer) {
    for (const QuadCommand& q : renderer->QueuedQuads()) {
      line.BeginArray();
      for (float value :
           {q.x, q.y, q.w, q.h, q.texLeft, q.texTop, q.texRight, q.texBottom, q.r, q.g, q.b, q.a}) {
        line.Number(value);
      }
      TextureName(line, q.texture);
      line.Number(q.z);
      line.EndArray();
    }
  }
  line.EndArray();

  line.Key("meshes").BeginArray();
  if (renderer) {
    for (const MeshCommand& mesh : renderer->QueuedMeshes()) {
      line.BeginObject();
      line.Key("texture");
      TextureName(line, mesh.texture);
      line.Key("fvf").Integer(mesh.fvf);
      line.Key("stride").Integer(mesh.stride);
      line.Key("primitives").Integer(mesh.primitiveCount);
      line.Key("world").BeginArray();
      for (const auto& row : mesh.world.m) {
        for (float value : row) line.Number(value);
      }
      line.EndArray();
      line.EndObject();
    }
  }
  line.EndArray();
}
