// The shared texture references.
#include "graphics/shared_textures.h"

SharedTextures& SharedTextures::Get() {
  static SharedTextures textures;
  return textures;
}
