// Fuzz target: an effect file in our format loaded on the recording device; one that loads runs
// every pass of its first technique, one that does not must explain why in text.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz/fuzz_input.h"
#include "fuzz/headless_graphics.h"
#include "platform/d3dx/d3dx9.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  IDirect3DDevice9* device = fuzz::HeadlessGraphics()->device;
  static fuzz::ScratchFile file("fx");
  const std::string& path = file.Write(data, size);

  ID3DXEffect* effect = nullptr;
  ID3DXBuffer* errors = nullptr;
  const HRESULT result = D3DXCreateEffectFromFileW(device, path.c_str(), nullptr, nullptr, 0,
                                                   nullptr, &effect, &errors);
  if (SUCCEEDED(result) != (effect != nullptr)) std::abort();
  if (errors) {
    const auto* text = static_cast<const char*>(errors->GetBufferPointer());
    const DWORD length = errors->GetBufferSize();
    if (length == 0 || text[length - 1] != '\0' || std::strlen(text) == 0) std::abort();
    errors->Release();
  }
  if (effect) {
    UINT passes = 0;
    if (SUCCEEDED(effect->Begin(&passes, 0))) {
      for (UINT pass = 0; pass < passes; ++pass) {
        effect->BeginPass(pass);
        effect->SetTexture("texture_0", nullptr);
        effect->CommitChanges();
        effect->EndPass();
      }
      effect->End();
    }
    effect->Release();
  }
  fuzz::ForgetRecordedCalls();
  return 0;
}
