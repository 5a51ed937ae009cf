// The program's resources (icon, setup logo, hand cursor), compiled into the executable from
// resources/ by cmake/embed_resources.cmake.
#pragma once

#include <cstddef>
#include <vector>

namespace os {

struct EmbeddedResource {
  int id;
  const char* name;
  const unsigned char* bytes;  // a PNG file
  std::size_t size;
  int hotSpotX;  // cursors only
  int hotSpotY;
};

extern const EmbeddedResource kEmbeddedResources[];
extern const int kEmbeddedResourceCount;

// Every image stored under the id, in table order (an icon holds its sizes, largest first).
std::vector<const EmbeddedResource*> FindResources(int id);

}  // namespace os
