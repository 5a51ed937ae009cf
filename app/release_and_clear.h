// The one way the program lets go of a Direct3D or D3DX object it holds a reference to.
#pragma once

// Releases the object if there is one and clears the reference, so a second call does nothing.
template <typename T>
void ReleaseAndClear(T*& object) {
  if (object) object->Release();
  object = nullptr;
}
