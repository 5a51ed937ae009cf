// Looks up the embedded resource table.
#include "platform/os/resources.h"

namespace os {

std::vector<const EmbeddedResource*> FindResources(int id) {
  std::vector<const EmbeddedResource*> found;
  for (int i = 0; i < kEmbeddedResourceCount; ++i) {
    if (kEmbeddedResources[i].id == id) found.push_back(&kEmbeddedResources[i]);
  }
  return found;
}

}  // namespace os
