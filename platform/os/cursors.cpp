// Cursors and icons: the program's own from its embedded resources, and the system arrow.
#include <SDL2/SDL.h>

#include "platform/os/resources.h"
#include "platform/os/window_system.h"

using os::WindowSystem;

namespace {
// Handles carry the resource id they were loaded from.
template <typename Handle>
Handle HandleOf(int id) {
  return reinterpret_cast<Handle>(std::uintptr_t(id));
}
template <typename Handle>
int IdOf(Handle handle) {
  return int(reinterpret_cast<std::uintptr_t>(handle));
}
}  // namespace

HCURSOR LoadCursorW(HINSTANCE instance, int resourceId) {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return nullptr;
  auto& cursors = WindowSystem::Get().cursors;
  int key = instance ? resourceId : -resourceId;  // the system's ids and ours never mix
  if (!cursors.count(key)) {
    SDL_Cursor* cursor = nullptr;
    if (!instance) {
      if (resourceId != IDC_ARROW) return nullptr;
      cursor = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    } else {
      auto images = os::FindResources(resourceId);
      if (images.empty()) return nullptr;
      os::SdlSurfacePtr surface = os::DecodeResourceImage(images[0]->bytes, images[0]->size);
      if (surface) {
        cursor = SDL_CreateColorCursor(surface.get(), images[0]->hotSpotX, images[0]->hotSpotY);
      }
    }
    if (!cursor) return nullptr;
    cursors[key].reset(cursor);
  }
  return HandleOf<HCURSOR>(key);
}

HICON LoadIconW(HINSTANCE instance, int resourceId) {
  if (!instance) return nullptr;
  auto& icons = WindowSystem::Get().icons;
  if (!icons.count(resourceId)) {
    std::vector<os::SdlSurfacePtr> images;
    for (const os::EmbeddedResource* image : os::FindResources(resourceId)) {
      if (auto surface = os::DecodeResourceImage(image->bytes, image->size)) {
        images.push_back(std::move(surface));
      }
    }
    if (images.empty()) return nullptr;
    icons[resourceId] = std::move(images);
  }
  return HandleOf<HICON>(resourceId);
}

HCURSOR SetCursor(HCURSOR cursor) {
  auto& system = WindowSystem::Get();
  HCURSOR previous = system.currentCursor;
  if (cursor == previous) return previous;
  auto found = system.cursors.find(IdOf(cursor));
  if (found != system.cursors.end()) SDL_SetCursor(found->second.get());
  system.currentCursor = cursor;
  return previous;
}
