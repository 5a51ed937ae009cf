// The subset of Direct3D 9 the program calls, with Direct3D's names and numeric values: the
// Direct3D object and its adapter queries, the device, buffers, vertex declarations and textures.
// Built on OpenGL 3.3 core; a second implementation, the recording device, draws nothing and logs
// every call (recording_device.h). Everything here runs on the thread that created the device.
#pragma once

#include <cstdint>
#include <string>

#include "platform/os/win32.h"

using HRESULT = LONG;
using ULONG = std::uint32_t;
using INT = int;

constexpr bool FAILED(HRESULT result) {
  return result < 0;
}
constexpr bool SUCCEEDED(HRESULT result) {
  return result >= 0;
}

constexpr HRESULT D3D_OK = 0;
constexpr HRESULT D3DERR_NOTFOUND = HRESULT(0x88760866u);
constexpr HRESULT D3DERR_DEVICELOST = HRESULT(0x88760868u);
constexpr HRESULT D3DERR_DEVICENOTRESET = HRESULT(0x88760869u);
constexpr HRESULT D3DERR_NOTAVAILABLE = HRESULT(0x8876086Au);
constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = HRESULT(0x8876017Cu);
constexpr HRESULT D3DERR_INVALIDCALL = HRESULT(0x8876086Cu);

constexpr UINT D3D_SDK_VERSION = 32;
constexpr UINT D3DADAPTER_DEFAULT = 0;

enum D3DFORMAT : DWORD {
  D3DFMT_UNKNOWN = 0,
  D3DFMT_A8R8G8B8 = 21,
  D3DFMT_X8R8G8B8 = 22,
  D3DFMT_D24X8 = 77,
  D3DFMT_INDEX16 = 101,
  D3DFMT_INDEX32 = 102,
};

enum D3DMULTISAMPLE_TYPE : DWORD {
  D3DMULTISAMPLE_NONE = 0,
  D3DMULTISAMPLE_2_SAMPLES = 2,
};

enum D3DSWAPEFFECT : DWORD { D3DSWAPEFFECT_DISCARD = 1 };
enum D3DDEVTYPE : DWORD { D3DDEVTYPE_HAL = 1 };
enum D3DRESOURCETYPE : DWORD { D3DRTYPE_TEXTURE = 3 };

constexpr DWORD D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x20;
constexpr DWORD D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x40;

constexpr DWORD D3DPS_VERSION(DWORD major, DWORD minor) {
  return 0xFFFF0000u | (major << 8) | minor;
}
constexpr DWORD D3DVS_VERSION(DWORD major, DWORD minor) {
  return 0xFFFE0000u | (major << 8) | minor;
}

// Presentation intervals: DEFAULT and ONE wait for the vertical blank, IMMEDIATE does not.
constexpr UINT D3DPRESENT_INTERVAL_DEFAULT = 0;
constexpr UINT D3DPRESENT_INTERVAL_ONE = 1;
constexpr UINT D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000u;

struct D3DDISPLAYMODE {
  UINT Width;        // pixels
  UINT Height;       // pixels
  UINT RefreshRate;  // Hz; 0 when the display does not say
  D3DFORMAT Format;
};

struct D3DPRESENT_PARAMETERS {
  UINT BackBufferWidth;   // 0 in windowed mode: the window's drawable size
  UINT BackBufferHeight;  // 0 in windowed mode: the window's drawable size
  D3DFORMAT BackBufferFormat;
  UINT BackBufferCount;
  D3DMULTISAMPLE_TYPE MultiSampleType;
  DWORD MultiSampleQuality;
  D3DSWAPEFFECT SwapEffect;
  HWND hDeviceWindow;  // null: the focus window given to CreateDevice
  BOOL Windowed;
  BOOL EnableAutoDepthStencil;
  D3DFORMAT AutoDepthStencilFormat;
  DWORD Flags;
  UINT FullScreen_RefreshRateInHz;
  UINT PresentationInterval;
};

struct D3DCAPS9 {
  D3DDEVTYPE DeviceType;
  UINT AdapterOrdinal;
  DWORD VertexProcessingCaps;  // nonzero when vertices are transformed in hardware
  DWORD PixelShaderVersion;    // D3DPS_VERSION(major, minor)
  DWORD VertexShaderVersion;   // D3DVS_VERSION(major, minor)
  DWORD MaxTextureWidth;       // texels
  DWORD MaxTextureHeight;      // texels
};

// Row-vector convention: a point transforms as v · M, translation in the last row.
struct D3DMATRIX {
  union {
    struct {
      float _11, _12, _13, _14;
      float _21, _22, _23, _24;
      float _31, _32, _33, _34;
      float _41, _42, _43, _44;
    };
    float m[4][4];
  };
};

// D3DCOLOR is 0xAARRGGBB; in vertex memory its bytes lie B, G, R, A.
using D3DCOLOR = DWORD;
constexpr D3DCOLOR D3DCOLOR_ARGB(DWORD a, DWORD r, DWORD g, DWORD b) {
  return ((a & 0xFF) << 24) | ((r & 0xFF) << 16) | ((g & 0xFF) << 8) | (b & 0xFF);
}

// Default-pool resources must all be released before Reset; managed ones survive it.
enum D3DPOOL : DWORD {
  D3DPOOL_DEFAULT = 0,
  D3DPOOL_MANAGED = 1,
};

struct D3DSURFACE_DESC {
  D3DFORMAT Format;
  D3DRESOURCETYPE Type;
  DWORD Usage;
  D3DPOOL Pool;
  D3DMULTISAMPLE_TYPE MultiSampleType;
  DWORD MultiSampleQuality;
  UINT Width;   // texels
  UINT Height;  // texels
};

// Vertex declarations.
struct D3DVERTEXELEMENT9 {
  WORD Stream;  // 0xFF ends the list
  WORD Offset;  // bytes from the start of the vertex
  BYTE Type;    // D3DDECLTYPE
  BYTE Method;  // D3DDECLMETHOD
  BYTE Usage;   // D3DDECLUSAGE
  BYTE UsageIndex;
};
enum D3DDECLTYPE : BYTE {
  D3DDECLTYPE_FLOAT1 = 0,
  D3DDECLTYPE_FLOAT2 = 1,
  D3DDECLTYPE_FLOAT3 = 2,
  D3DDECLTYPE_FLOAT4 = 3,
  D3DDECLTYPE_D3DCOLOR = 4,  // 4 bytes B, G, R, A, read as normalised (r, g, b, a)
  D3DDECLTYPE_UNUSED = 17,
};
enum D3DDECLMETHOD : BYTE { D3DDECLMETHOD_DEFAULT = 0 };
// Each usage feeds a fixed shader input location, for our built-in shaders and effect programs
// alike: POSITION0 → location 0, TEXCOORD0..7 → 1..8, COLOR0..1 → 9..10. Other usages are refused.
enum D3DDECLUSAGE : BYTE {
  D3DDECLUSAGE_POSITION = 0,
  D3DDECLUSAGE_TEXCOORD = 5,
  D3DDECLUSAGE_COLOR = 10,
};
constexpr D3DVERTEXELEMENT9 D3DDECL_END() {
  return {0xFF, 0, D3DDECLTYPE_UNUSED, 0, 0, 0};
}

// Flexible vertex formats: position first, then the diffuse colour, then one 2-D texture
// coordinate. D3DFVF_XYZ is required; other bits are refused.
constexpr DWORD D3DFVF_XYZ = 0x002;
constexpr DWORD D3DFVF_DIFFUSE = 0x040;
constexpr DWORD D3DFVF_TEX1 = 0x100;

enum D3DPRIMITIVETYPE : DWORD {
  D3DPT_TRIANGLELIST = 4,
  D3DPT_TRIANGLESTRIP = 5,
};

enum D3DTRANSFORMSTATETYPE : DWORD {
  D3DTS_VIEW = 2,
  D3DTS_PROJECTION = 3,
  D3DTS_WORLD = 256,
};

// The render states we implement; others are refused. Defaults as in Direct3D: ZENABLE is TRUE
// only with an auto depth-stencil, ZWRITEENABLE TRUE, SRCBLEND ONE, DESTBLEND ZERO, CULLMODE CCW,
// ZFUNC LESSEQUAL, ALPHABLENDENABLE FALSE, LIGHTING TRUE.
enum D3DRENDERSTATETYPE : DWORD {
  D3DRS_ZENABLE = 7,
  D3DRS_ZWRITEENABLE = 14,
  D3DRS_SRCBLEND = 19,
  D3DRS_DESTBLEND = 20,
  D3DRS_CULLMODE = 22,
  D3DRS_ZFUNC = 23,
  D3DRS_ALPHABLENDENABLE = 27,
  D3DRS_LIGHTING = 137,
};

enum D3DBLEND : DWORD {
  D3DBLEND_ZERO = 1,
  D3DBLEND_ONE = 2,
  D3DBLEND_SRCCOLOR = 3,
  D3DBLEND_INVSRCCOLOR = 4,
  D3DBLEND_SRCALPHA = 5,
  D3DBLEND_INVSRCALPHA = 6,
  D3DBLEND_DESTALPHA = 7,
  D3DBLEND_INVDESTALPHA = 8,
  D3DBLEND_DESTCOLOR = 9,
  D3DBLEND_INVDESTCOLOR = 10,
};

// Front faces are clockwise on screen; CCW (the default) culls counter-clockwise faces.
enum D3DCULL : DWORD {
  D3DCULL_NONE = 1,
  D3DCULL_CW = 2,
  D3DCULL_CCW = 3,
};

enum D3DZBUFFERTYPE : DWORD {
  D3DZB_FALSE = 0,
  D3DZB_TRUE = 1,
};

enum D3DCMPFUNC : DWORD {
  D3DCMP_NEVER = 1,
  D3DCMP_LESS = 2,
  D3DCMP_EQUAL = 3,
  D3DCMP_LESSEQUAL = 4,
  D3DCMP_GREATER = 5,
  D3DCMP_NOTEQUAL = 6,
  D3DCMP_GREATEREQUAL = 7,
  D3DCMP_ALWAYS = 8,
};

// Sampler states; defaults: point filtering, no mip filter, wrap addressing.
enum D3DSAMPLERSTATETYPE : DWORD {
  D3DSAMP_ADDRESSU = 1,
  D3DSAMP_ADDRESSV = 2,
  D3DSAMP_MAGFILTER = 5,
  D3DSAMP_MINFILTER = 6,
  D3DSAMP_MIPFILTER = 7,
};
enum D3DTEXTUREFILTERTYPE : DWORD {
  D3DTEXF_NONE = 0,
  D3DTEXF_POINT = 1,
  D3DTEXF_LINEAR = 2,
};
enum D3DTEXTUREADDRESS : DWORD {
  D3DTADDRESS_WRAP = 1,
  D3DTADDRESS_MIRROR = 2,
  D3DTADDRESS_CLAMP = 3,
};

// Texture stages 0..7 exist; the built-in fixed-function shaders read stage 0 only.
constexpr DWORD D3DMAX_TEXTURE_STAGES = 8;

constexpr DWORD D3DUSAGE_WRITEONLY = 0x8;
constexpr DWORD D3DUSAGE_DYNAMIC = 0x200;

// Lock flags; DISCARD is allowed on dynamic buffers only and gives a fresh buffer to write.
constexpr DWORD D3DLOCK_DISCARD = 0x2000;

constexpr DWORD D3DCLEAR_TARGET = 0x1;
constexpr DWORD D3DCLEAR_ZBUFFER = 0x2;

// Reference counting: a new object has one reference; the last Release deletes it. Resources hold
// a reference to their device, so a device lives until its last resource is released.
class IUnknown {
 public:
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};

class IDirect3DVertexBuffer9 : public IUnknown {
 public:
  // Locks bytes [offset, offset + size) for writing (size 0: to the end). The pointer stays valid
  // until Unlock; the bytes are used by draws only after Unlock.
  virtual HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) = 0;
  virtual HRESULT Unlock() = 0;
};

class IDirect3DIndexBuffer9 : public IUnknown {
 public:
  // As IDirect3DVertexBuffer9::Lock.
  virtual HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) = 0;
  virtual HRESULT Unlock() = 0;
};

class IDirect3DVertexDeclaration9 : public IUnknown {};

// A two-dimensional texture of one level in D3DFMT_A8R8G8B8, always in the managed pool.
class IDirect3DTexture9 : public IUnknown {
 public:
  virtual HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* description) = 0;
  virtual DWORD GetLevelCount() = 0;
};

// Ours, not Direct3D's: a linked GLSL vertex and fragment program, the way an effect pass uses
// them (see D3DXCreateEffectFromFileW). Its sampler uniforms are bound to texture stages.
class IDirect3DShaderProgram9 : public IUnknown {};

class IDirect3DDevice9 : public IUnknown {
 public:
  // D3D_OK, D3DERR_DEVICELOST while lost, D3DERR_DEVICENOTRESET once Reset can succeed.
  virtual HRESULT TestCooperativeLevel() = 0;
  // Fails with D3DERR_INVALIDCALL while a default-pool buffer of this device exists. Writes the
  // back-buffer size actually used into the parameters. Every state returns to its default.
  virtual HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) = 0;
  // All four arguments must be null, and the scene ended. D3DERR_DEVICELOST when the window is
  // gone.
  virtual HRESULT Present(const void* sourceRect, const void* destRect, HWND overrideWindow,
                          const void* dirtyRegion) = 0;
  virtual HRESULT BeginScene() = 0;
  virtual HRESULT EndScene() = 0;
  // Whole back buffer only: count must be 0 and rects null. colour ARGB, z in [0, 1]. Ignores
  // ZWRITEENABLE, as Direct3D does.
  virtual HRESULT Clear(DWORD count, const void* rects, DWORD flags, D3DCOLOR colour, float z,
                        DWORD stencil) = 0;

  virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) = 0;
  virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) = 0;
  virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
  virtual HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) = 0;
  // sampler 0..7.
  virtual HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) = 0;
  virtual HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) = 0;
  // stage 0..7; null unbinds. The device does not keep the texture alive.
  virtual HRESULT SetTexture(DWORD stage, IDirect3DTexture9* texture) = 0;
  // Adds a reference to the returned texture, as Direct3D does.
  virtual HRESULT GetTexture(DWORD stage, IDirect3DTexture9** texture) = 0;

  virtual HRESULT CreateVertexBuffer(UINT bytes, DWORD usage, DWORD fvf, D3DPOOL pool,
                                     IDirect3DVertexBuffer9** buffer, void* sharedHandle) = 0;
  // format D3DFMT_INDEX16 or D3DFMT_INDEX32.
  virtual HRESULT CreateIndexBuffer(UINT bytes, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                    IDirect3DIndexBuffer9** buffer, void* sharedHandle) = 0;
  // Elements up to D3DDECL_END(), stream 0 only, FLOAT1..4 or D3DCOLOR, usages as above.
  virtual HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                          IDirect3DVertexDeclaration9** declaration) = 0;
  // The declaration and the FVF replace each other: the last one set describes the vertices.
  virtual HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) = 0;
  virtual HRESULT SetFVF(DWORD fvf) = 0;
  // stream 0 only; offset and stride in bytes.
  virtual HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offsetBytes,
                                  UINT stride) = 0;
  virtual HRESULT SetIndices(IDirect3DIndexBuffer9* buffer) = 0;
  // Draws only between BeginScene and EndScene; every vertex and index read must lie inside the
  // bound buffers, or the call fails with D3DERR_INVALIDCALL and draws nothing.
  virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) = 0;
  virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex,
                                       UINT numVertices, UINT startIndex, UINT primitiveCount) = 0;

  // Ours, for D3DX. A managed-pool texture from RGBA8 pixels (4 bytes a texel: R, G, B, A), top
  // row first.
  virtual HRESULT CreateTextureFromRgba(UINT width, UINT height, const BYTE* rgba,
                                        IDirect3DTexture9** texture) = 0;
  // Ours, for D3DX. Compiles and links GLSL 330 core sources (the recording device only keeps
  // them). The sampler uniform samplerNames[i] reads texture stage i. On failure, errors gets the
  // compiler's log.
  virtual HRESULT CreateShaderProgram(const char* vertexSource, const char* fragmentSource,
                                      const char* const* samplerNames, UINT samplerCount,
                                      IDirect3DShaderProgram9** program, std::string* errors) = 0;
  // Ours, for D3DX. While a program is set, draws run it instead of the built-in fixed-function
  // shaders, and a stage without a texture reads opaque white. Null returns to fixed function.
  virtual HRESULT SetShaderProgram(IDirect3DShaderProgram9* program) = 0;
  // Without adding a reference.
  virtual IDirect3DShaderProgram9* GetShaderProgram() = 0;
};

class IDirect3D9 : public IUnknown {
 public:
  // Only adapter 0 exists; other adapters fail with D3DERR_INVALIDCALL.
  virtual HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) = 0;
  // Modes of D3DFMT_X8R8G8B8 only (0 for any other format), in the order the display reports them.
  virtual UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) = 0;
  virtual HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT index,
                                   D3DDISPLAYMODE* mode) = 0;
  virtual HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) = 0;
  // quality may be null.
  virtual HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format,
                                             BOOL windowed, D3DMULTISAMPLE_TYPE multiSample,
                                             DWORD* quality) = 0;
  // The window (hDeviceWindow, else focusWindow) must be a window of platform/os. Exactly one of
  // the two vertex-processing flags; hardware needs VertexProcessingCaps. The parameters are only
  // read (Reset is the call that writes the chosen back-buffer size back).
  virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviour,
                               D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) = 0;
};

// Null unless sdkVersion is D3D_SDK_VERSION (32) and the windowing system is open (or the
// recording device is chosen, see recording_device.h).
IDirect3D9* Direct3DCreate9(UINT sdkVersion);
