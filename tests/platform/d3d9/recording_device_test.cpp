// The recording device: its log, failure injection, device loss, Reset's rules, buffers' bytes,
// the adapter it reports and the argument checks it shares with the OpenGL device.
#include "platform/d3d9/recording_device.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/d3d9/d3d9.h"

namespace {

D3DPRESENT_PARAMETERS Windowed() {
  D3DPRESENT_PARAMETERS parameters{};
  parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
  parameters.BackBufferCount = 1;
  parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
  parameters.Windowed = TRUE;
  parameters.EnableAutoDepthStencil = TRUE;
  parameters.AutoDepthStencilFormat = D3DFMT_D24X8;
  return parameters;
}

class RecordingDevice : public testing::Test {
 protected:
  void SetUp() override {
    d3d9::UseRecordingDevice(true);
    direct3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_TRUE(direct3d_);
    D3DPRESENT_PARAMETERS parameters = Windowed();
    ASSERT_EQ(direct3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                      D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &device_),
              D3D_OK);
    recorder_ = d3d9::RecorderOf(device_);
    ASSERT_EQ(recorder_, &d3d9::Recording());
    recorder_->ClearCalls();
  }

  void TearDown() override {
    if (device_) device_->Release();
    if (direct3d_) direct3d_->Release();
    d3d9::UseRecordingDevice(false);
  }

  IDirect3DVertexBuffer9* Buffer(UINT bytes, DWORD usage = D3DUSAGE_DYNAMIC,
                                 D3DPOOL pool = D3DPOOL_DEFAULT) {
    IDirect3DVertexBuffer9* buffer = nullptr;
    EXPECT_EQ(device_->CreateVertexBuffer(bytes, usage, 0, pool, &buffer, nullptr), D3D_OK);
    return buffer;
  }

  void Fill(IDirect3DVertexBuffer9* buffer, const void* bytes, UINT size) {
    void* data = nullptr;
    ASSERT_EQ(buffer->Lock(0, size, &data, 0), D3D_OK);
    std::memcpy(data, bytes, size);
    ASSERT_EQ(buffer->Unlock(), D3D_OK);
  }

  const d3d9::RecordedCall& Last() const { return recorder_->Calls().back(); }

  IDirect3D9* direct3d_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
  d3d9::Recorder* recorder_ = nullptr;
};

TEST_F(RecordingDevice, LogsEveryCallWithItsArgumentsAndResult) {
  ASSERT_EQ(device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
  EXPECT_EQ(Last().name, "SetRenderState");
  EXPECT_EQ(Last().numbers, (std::vector<double>{D3DRS_CULLMODE, D3DCULL_NONE}));
  EXPECT_EQ(Last().result, D3D_OK);

  ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER,
                           D3DCOLOR_ARGB(0xFF, 1, 2, 3), 0.25f, 0),
            D3D_OK);
  EXPECT_EQ(Last().name, "Clear");
  EXPECT_EQ(Last().numbers, (std::vector<double>{0, 3, double(0xFF010203u), 0.25, 0}));

  D3DMATRIX world{};
  world._41 = 7.5f;
  ASSERT_EQ(device_->SetTransform(D3DTS_WORLD, &world), D3D_OK);
  ASSERT_TRUE(Last().matrix.has_value());
  EXPECT_EQ(Last().matrix->_41, 7.5f);

  EXPECT_EQ(device_->SetSamplerState(8, D3DSAMP_MINFILTER, D3DTEXF_LINEAR), D3DERR_INVALIDCALL);
  EXPECT_EQ(Last().name, "SetSamplerState");
  EXPECT_EQ(Last().result, D3DERR_INVALIDCALL) << "refused calls are logged with their result";
  EXPECT_EQ(recorder_->Count("SetRenderState"), 1u);
  EXPECT_EQ(recorder_->CallsNamed("Clear").size(), 1u);
}

TEST_F(RecordingDevice, DrawsRecordWhatWasBoundAndTheStatesInForce) {
  IDirect3DVertexBuffer9* buffer = Buffer(6 * 16);
  IDirect3DTexture9* texture = nullptr;
  const BYTE texel[4] = {1, 2, 3, 4};
  ASSERT_EQ(device_->CreateTextureFromRgba(1, 1, texel, &texture), D3D_OK);
  D3DMATRIX world{};
  world._11 = world._22 = world._33 = world._44 = 2.0f;
  ASSERT_EQ(device_->SetTransform(D3DTS_WORLD, &world), D3D_OK);
  ASSERT_EQ(device_->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
  ASSERT_EQ(device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR), D3D_OK);
  ASSERT_EQ(device_->SetTexture(0, texture), D3D_OK);
  ASSERT_EQ(device_->SetStreamSource(0, buffer, 0, 16), D3D_OK);
  ASSERT_EQ(device_->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE), D3D_OK);

  EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3DERR_INVALIDCALL)
      << "drawing outside BeginScene/EndScene";
  ASSERT_EQ(device_->BeginScene(), D3D_OK);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  ASSERT_TRUE(Last().draw.has_value());
  const d3d9::DrawState& draw = *Last().draw;
  EXPECT_EQ(draw.streamBuffer, buffer);
  EXPECT_EQ(draw.stride, 16u);
  EXPECT_EQ(draw.fvf, D3DFVF_XYZ | D3DFVF_DIFFUSE);
  EXPECT_EQ(draw.declaration, nullptr);
  EXPECT_EQ(draw.texture, texture);
  EXPECT_EQ(draw.world._11, 2.0f);
  EXPECT_EQ(draw.projection._11, 1.0f) << "transforms start as identity";
  EXPECT_EQ(draw.renderStates.at(D3DRS_LIGHTING), DWORD(FALSE));
  EXPECT_EQ(draw.renderStates.at(D3DRS_CULLMODE), DWORD(D3DCULL_CCW));
  EXPECT_EQ(draw.samplerStates.at(D3DSAMP_MAGFILTER), DWORD(D3DTEXF_LINEAR));
  EXPECT_EQ(draw.samplerStates.at(D3DSAMP_MINFILTER), DWORD(D3DTEXF_POINT));

  // Two triangles need six vertices of 16 bytes; a third would read past the buffer.
  EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 3), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 2, 2), D3D_OK);

  // A released texture no longer counts as bound.
  texture->Release();
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  EXPECT_EQ(Last().draw->texture, nullptr);
  ASSERT_EQ(device_->EndScene(), D3D_OK);
  buffer->Release();
}

TEST_F(RecordingDevice, IndexedDrawsCheckEveryIndexAgainstTheDeclaredRange) {
  IDirect3DVertexBuffer9* vertices = Buffer(4 * 20);
  ASSERT_EQ(device_->SetStreamSource(0, vertices, 0, 20), D3D_OK);
  ASSERT_EQ(device_->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1), D3D_OK);
  IDirect3DIndexBuffer9* indices = nullptr;
  ASSERT_EQ(device_->CreateIndexBuffer(12, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT,
                                       &indices, nullptr),
            D3D_OK);
  const WORD quad[6] = {0, 1, 2, 0, 2, 4};  // 4 is one past the last vertex
  void* data = nullptr;
  ASSERT_EQ(indices->Lock(0, 0, &data, 0), D3D_OK);
  std::memcpy(data, quad, sizeof quad);
  ASSERT_EQ(indices->Unlock(), D3D_OK);
  ASSERT_EQ(device_->SetIndices(indices), D3D_OK);
  ASSERT_EQ(device_->BeginScene(), D3D_OK);

  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 1), D3D_OK);
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL)
      << "index 4 lies outside the 4 vertices declared";
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 5, 0, 2), D3DERR_INVALIDCALL)
      << "5 vertices declared but the buffer holds 4";
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 1, 0, 3, 0, 1), D3D_OK);
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 3, 2), D3DERR_INVALIDCALL)
      << "indices 3 to 8 run past the index buffer's 6";
  ASSERT_EQ(indices->Lock(0, 0, &data, 0), D3D_OK);
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 1), D3DERR_INVALIDCALL)
      << "drawing from a locked index buffer";
  ASSERT_EQ(indices->Unlock(), D3D_OK);
  ASSERT_EQ(device_->EndScene(), D3D_OK);
  indices->Release();
  vertices->Release();
}

TEST_F(RecordingDevice, RefusesStateValuesItCannotHonour) {
  EXPECT_EQ(device_->SetRenderState(D3DRS_CULLMODE, 4), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetRenderState(D3DRENDERSTATETYPE(8), 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetFVF(D3DFVF_XYZ | 0x10), D3DERR_INVALIDCALL) << "normals are not ours";
  EXPECT_EQ(device_->SetFVF(D3DFVF_DIFFUSE), D3DERR_INVALIDCALL) << "no position";
  DWORD cull = 0;
  ASSERT_EQ(device_->GetRenderState(D3DRS_CULLMODE, &cull), D3D_OK);
  EXPECT_EQ(cull, DWORD(D3DCULL_CCW)) << "a refused value changes nothing";

  const D3DVERTEXELEMENT9 twoPositions[] = {
      {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
      {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
      D3DDECL_END()};
  IDirect3DVertexDeclaration9* declaration = nullptr;
  EXPECT_EQ(device_->CreateVertexDeclaration(twoPositions, &declaration), D3DERR_INVALIDCALL);
  EXPECT_EQ(declaration, nullptr);
  EXPECT_EQ(Last().elements.size(), 2u);
}

TEST_F(RecordingDevice, StatesStartAtDirect3DsDefaults) {
  auto state = [this](D3DRENDERSTATETYPE type) {
    DWORD value = 0xDEAD;
    EXPECT_EQ(device_->GetRenderState(type, &value), D3D_OK);
    return value;
  };
  EXPECT_EQ(state(D3DRS_ZENABLE), DWORD(D3DZB_TRUE)) << "with an auto depth-stencil";
  EXPECT_EQ(state(D3DRS_ZWRITEENABLE), DWORD(TRUE));
  EXPECT_EQ(state(D3DRS_ZFUNC), DWORD(D3DCMP_LESSEQUAL));
  EXPECT_EQ(state(D3DRS_LIGHTING), DWORD(TRUE));
  EXPECT_EQ(state(D3DRS_CULLMODE), DWORD(D3DCULL_CCW));
  EXPECT_EQ(state(D3DRS_ALPHABLENDENABLE), DWORD(FALSE));
  EXPECT_EQ(state(D3DRS_SRCBLEND), DWORD(D3DBLEND_ONE));
  EXPECT_EQ(state(D3DRS_DESTBLEND), DWORD(D3DBLEND_ZERO));
  DWORD value = 0;
  ASSERT_EQ(device_->GetSamplerState(3, D3DSAMP_ADDRESSV, &value), D3D_OK);
  EXPECT_EQ(value, DWORD(D3DTADDRESS_WRAP));
  ASSERT_EQ(device_->GetSamplerState(3, D3DSAMP_MINFILTER, &value), D3D_OK);
  EXPECT_EQ(value, DWORD(D3DTEXF_POINT));

  D3DPRESENT_PARAMETERS noDepth = Windowed();
  noDepth.EnableAutoDepthStencil = FALSE;
  IDirect3DDevice9* second = nullptr;
  ASSERT_EQ(direct3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                    &noDepth, &second),
            D3D_OK);
  ASSERT_EQ(second->GetRenderState(D3DRS_ZENABLE, &value), D3D_OK);
  EXPECT_EQ(value, DWORD(D3DZB_FALSE)) << "without an auto depth-stencil";
  EXPECT_EQ(second->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
  second->Release();
}

TEST_F(RecordingDevice, InjectedFailuresHitTheNamedCallOnceOrUntilStopped) {
  recorder_->FailOnce("CreateVertexBuffer", D3DERR_OUTOFVIDEOMEMORY);
  IDirect3DVertexBuffer9* buffer = reinterpret_cast<IDirect3DVertexBuffer9*>(1);
  EXPECT_EQ(device_->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &buffer, nullptr),
            D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(buffer, nullptr);
  EXPECT_EQ(Last().result, D3DERR_OUTOFVIDEOMEMORY);
  ASSERT_EQ(device_->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &buffer, nullptr), D3D_OK);
  ASSERT_NE(buffer, nullptr);

  recorder_->FailAlways("VertexBuffer.Lock");
  void* data = nullptr;
  EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(buffer->Unlock(), D3DERR_INVALIDCALL) << "the failed locks locked nothing";
  recorder_->StopFailing("VertexBuffer.Lock");
  EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
  EXPECT_EQ(buffer->Unlock(), D3D_OK);
  buffer->Release();

  recorder_->FailOnce("GetDeviceCaps");
  D3DCAPS9 caps{};
  EXPECT_EQ(direct3d_->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3DERR_INVALIDCALL);
  EXPECT_EQ(caps.PixelShaderVersion, 0u) << "a failed call writes nothing";
  EXPECT_EQ(direct3d_->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
}

TEST_F(RecordingDevice, ALostDeviceRecoversThroughTheResetProtocol) {
  EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
  recorder_->LoseDevice();
  EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
  EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICELOST);
  D3DPRESENT_PARAMETERS parameters = Windowed();
  EXPECT_EQ(device_->Reset(&parameters), D3DERR_DEVICELOST);
  recorder_->MakeResettable();
  EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
  ASSERT_EQ(device_->Reset(&parameters), D3D_OK);
  EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
  EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST_F(RecordingDevice, ResetWaitsForEveryDefaultPoolBufferAndRestoresDefaults) {
  IDirect3DVertexBuffer9* vertices = Buffer(64);
  IDirect3DIndexBuffer9* indices = nullptr;
  ASSERT_EQ(device_->CreateIndexBuffer(12, 0, D3DFMT_INDEX32, D3DPOOL_DEFAULT, &indices, nullptr),
            D3D_OK);
  IDirect3DVertexBuffer9* managed = Buffer(64, 0, D3DPOOL_MANAGED);
  IDirect3DTexture9* texture = nullptr;
  const BYTE texels[8] = {};
  ASSERT_EQ(device_->CreateTextureFromRgba(2, 1, texels, &texture), D3D_OK);
  ASSERT_EQ(device_->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);

  D3DPRESENT_PARAMETERS parameters = Windowed();
  EXPECT_EQ(device_->Reset(&parameters), D3DERR_INVALIDCALL);
  vertices->Release();
  EXPECT_EQ(device_->Reset(&parameters), D3DERR_INVALIDCALL) << "the index buffer still lives";
  indices->Release();
  ASSERT_EQ(device_->Reset(&parameters), D3D_OK) << "managed resources do not hold Reset up";
  EXPECT_EQ(parameters.BackBufferWidth, d3d9::Recording().adapter.windowWidth);
  EXPECT_EQ(parameters.BackBufferHeight, d3d9::Recording().adapter.windowHeight);
  const auto& reset = recorder_->CallsNamed("Reset");
  ASSERT_EQ(reset.size(), 3u);
  EXPECT_EQ(reset.back()->presentParameters->BackBufferWidth, 0u) << "logged as passed in";

  DWORD lighting = FALSE;
  ASSERT_EQ(device_->GetRenderState(D3DRS_LIGHTING, &lighting), D3D_OK);
  EXPECT_EQ(lighting, DWORD(TRUE));
  D3DSURFACE_DESC description{};
  ASSERT_EQ(texture->GetLevelDesc(0, &description), D3D_OK);
  EXPECT_EQ(description.Width, 2u);
  EXPECT_EQ(description.Pool, D3DPOOL_MANAGED);
  texture->Release();
  managed->Release();
}

TEST_F(RecordingDevice, LockHandsOutTheBufferBytesAndChecksItsRange) {
  IDirect3DVertexBuffer9* buffer = Buffer(16);
  const BYTE first[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  Fill(buffer, first, 16);
  void* data = nullptr;
  ASSERT_EQ(buffer->Lock(12, 0, &data, 0), D3D_OK) << "size 0 locks to the end";
  std::memset(data, 0xEE, 4);
  EXPECT_EQ(buffer->Lock(0, 4, &data, 0), D3DERR_INVALIDCALL) << "already locked";
  ASSERT_EQ(buffer->Unlock(), D3D_OK);
  EXPECT_EQ(Last().name, "VertexBuffer.Unlock");
  EXPECT_EQ(Last().objects.front(), buffer);
  const std::span<const BYTE> bytes = d3d9::RecordedBytes(buffer);
  ASSERT_EQ(bytes.size(), 16u);
  EXPECT_EQ(bytes[11], 12);
  EXPECT_EQ(bytes[12], 0xEE);
  EXPECT_EQ(bytes[15], 0xEE);

  EXPECT_EQ(buffer->Lock(8, 9, &data, 0), D3DERR_INVALIDCALL) << "past the end";
  EXPECT_EQ(buffer->Lock(17, 0, &data, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(buffer->Unlock(), D3DERR_INVALIDCALL) << "nothing is locked";
  IDirect3DVertexBuffer9* fixed = Buffer(16, D3DUSAGE_WRITEONLY);
  EXPECT_EQ(fixed->Lock(0, 0, &data, D3DLOCK_DISCARD), D3DERR_INVALIDCALL)
      << "discarding needs a dynamic buffer";
  EXPECT_EQ(buffer->Lock(0, 0, &data, D3DLOCK_DISCARD), D3D_OK);
  EXPECT_EQ(buffer->Unlock(), D3D_OK);
  fixed->Release();
  buffer->Release();
}

TEST_F(RecordingDevice, ResourcesKeepTheirDeviceAliveAndLogTheirRelease) {
  IDirect3DVertexBuffer9* buffer = Buffer(16);
  EXPECT_EQ(device_->Release(), 1u) << "the buffer holds the device";
  EXPECT_EQ(Last().name, "Device.Release");
  EXPECT_EQ(Last().result, 1);
  EXPECT_EQ(buffer->Release(), 0u);
  EXPECT_EQ(recorder_->CallsNamed("VertexBuffer.Release").back()->objects.front(), buffer);
  EXPECT_EQ(Last().name, "Device.Release") << "the last resource took the device with it";
  EXPECT_EQ(Last().result, 0);
  device_ = nullptr;
}

TEST_F(RecordingDevice, TheAdapterReportsWhatTheTestConfigured) {
  d3d9::RecordingAdapter& adapter = d3d9::Recording().adapter;
  adapter.modes = {{800, 600, 60, D3DFMT_X8R8G8B8}, {1024, 768, 75, D3DFMT_X8R8G8B8}};
  adapter.desktop = {1920, 1080, 75, D3DFMT_X8R8G8B8};
  adapter.caps.VertexProcessingCaps = 0;
  adapter.caps.PixelShaderVersion = D3DPS_VERSION(1, 0);
  adapter.multiSampleTypes = {D3DMULTISAMPLE_2_SAMPLES};

  EXPECT_EQ(direct3d_->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), 2u);
  EXPECT_EQ(direct3d_->GetAdapterModeCount(0, D3DFMT_A8R8G8B8), 0u);
  D3DDISPLAYMODE mode{};
  ASSERT_EQ(direct3d_->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 1, &mode), D3D_OK);
  EXPECT_EQ(mode.Width, 1024u);
  EXPECT_EQ(mode.RefreshRate, 75u);
  EXPECT_EQ(direct3d_->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 2, &mode), D3DERR_INVALIDCALL);
  ASSERT_EQ(direct3d_->GetAdapterDisplayMode(0, &mode), D3D_OK);
  EXPECT_EQ(mode.Width, 1920u);
  D3DCAPS9 caps{};
  ASSERT_EQ(direct3d_->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_EQ(caps.PixelShaderVersion, 0xFFFF0100u);
  EXPECT_EQ(direct3d_->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE,
                                                  D3DMULTISAMPLE_NONE, nullptr),
            D3DERR_NOTAVAILABLE);
  EXPECT_EQ(direct3d_->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE,
                                                  D3DMULTISAMPLE_2_SAMPLES, nullptr),
            D3D_OK);

  D3DPRESENT_PARAMETERS parameters = Windowed();
  parameters.MultiSampleType = D3DMULTISAMPLE_2_SAMPLES;
  IDirect3DDevice9* device = nullptr;
  EXPECT_EQ(direct3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                    &parameters, &device),
            D3DERR_NOTAVAILABLE)
      << "no hardware vertex processing without VertexProcessingCaps";
  ASSERT_EQ(direct3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                    &parameters, &device),
            D3D_OK);
  const d3d9::RecordedCall& created = *recorder_->CallsNamed("CreateDevice").back();
  EXPECT_EQ(created.numbers[2], D3DCREATE_SOFTWARE_VERTEXPROCESSING);
  EXPECT_EQ(created.presentParameters->MultiSampleType, D3DMULTISAMPLE_2_SAMPLES);
  EXPECT_EQ(created.objects.back(), device);
  device->Release();
}

TEST(Direct3DCreate9, WantsSdkVersion32) {
  d3d9::UseRecordingDevice(true);
  EXPECT_EQ(Direct3DCreate9(31), nullptr);
  IDirect3D9* direct3d = Direct3DCreate9(32);
  ASSERT_NE(direct3d, nullptr);
  direct3d->Release();
  d3d9::UseRecordingDevice(false);
}

}  // namespace
