// The subset of D3DX 9 the program calls: matrix construction with D3DX's formulas, textures from
// image files, and effects in our own effect file format (described below). Works on the OpenGL
// device and on the recording device alike. Paths are UTF-8; paths beginning with "data/" are
// looked up in the disk's data folder.
#pragma once

#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"

constexpr HRESULT D3DXERR_INVALIDDATA = HRESULT(0x88760B59u);

// ---- Matrices: row-vector convention (v · M), left-handed. Every function returns out. --------

struct D3DXMATRIX : D3DMATRIX {
  D3DXMATRIX() : D3DMATRIX{} {}
  D3DXMATRIX(const D3DMATRIX& matrix) : D3DMATRIX(matrix) {}
  D3DXMATRIX(float m11, float m12, float m13, float m14, float m21, float m22, float m23, float m24,
             float m31, float m32, float m33, float m34, float m41, float m42, float m43,
             float m44);

  float& operator()(UINT row, UINT column) { return m[row][column]; }
  float operator()(UINT row, UINT column) const { return m[row][column]; }
  // this · other: first this transform, then other.
  D3DXMATRIX operator*(const D3DMATRIX& other) const;
  D3DXMATRIX& operator*=(const D3DMATRIX& other);
  bool operator==(const D3DXMATRIX& other) const;
};

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out);
// out = a · b; out may be a or b.
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DMATRIX* a, const D3DMATRIX* b);
// fovy: vertical field of view in radians; aspect: width / height; zn, zf: near and far planes.
// ys = cot(fovy / 2), xs = ys / aspect:
// [xs 0 0 0; 0 ys 0 0; 0 0 zf/(zf−zn) 1; 0 0 −zn·zf/(zf−zn) 0].
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn,
                                       float zf);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float x, float y, float z);
// Radians; [c s 0 0; −s c 0 0; 0 0 1 0; 0 0 0 1].
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle);
// Radians: roll about z first, then pitch about x, then yaw about y: Rz(roll) · Rx(pitch) ·
// Ry(yaw).
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll);

// ---- Buffers ------------------------------------------------------------------------------------

// A block of bytes D3DX hands out; compile errors are NUL-terminated text.
class ID3DXBuffer : public IUnknown {
 public:
  virtual void* GetBufferPointer() = 0;
  virtual DWORD GetBufferSize() = 0;
};

// ---- Textures -----------------------------------------------------------------------------------

// Loads a PNG, JPEG, BMP or TGA file at its own size into a managed-pool A8R8G8B8 texture (images
// without alpha are opaque). PNG, JPEG and BMP are told by their signature, TGA by the file name's
// ".tga". D3DERR_NOTFOUND for a missing file, D3DXERR_INVALIDDATA for one that does not decode,
// is of another format, or whose header declares a side of 0 or more than 8192 pixels (refused
// before anything is decoded).
HRESULT D3DXCreateTextureFromFileW(IDirect3DDevice9* device, const char* path,
                                   IDirect3DTexture9** texture);

namespace d3dx {
// Starts decoding the image files at paths (relative to the disk's data folder, as the load takes
// them) on a thread of its own, in the order given, so that a D3DXCreateTextureFromFileW of one
// of them later only waits for what is left of its decoding and creates the texture. Each decode
// serves the first load of its file; the result is the same as without.
void PrefetchImageFiles(const std::vector<std::string>& paths);
}  // namespace d3dx

// ---- Effects ------------------------------------------------------------------------------------
//
// Effect files are our own format, not D3DX's HLSL effects. A file declares texture parameters,
// GLSL shaders and techniques made of passes:
//
//   // comments run to the end of the line; /* block comments */ too
//   texture texture_0 { MinFilter = LINEAR; MagFilter = LINEAR; AddressU = CLAMP; }
//   vertexshader gui_vs = R"( ...GLSL 330 core source... )";
//   pixelshader gui_ps = R"( ...GLSL 330 core source... )";
//   technique GUI {
//     pass P0 {
//       VertexShader = gui_vs;
//       PixelShader = gui_ps;
//       AlphaBlendEnable = TRUE;
//       SrcBlend = SRCALPHA;
//     }
//   }
//
// - Names are identifiers ([A-Za-z_][A-Za-z0-9_]*), case-sensitive and unique per kind. Keywords,
//   state names and state values are case-insensitive.
// - `texture NAME;` or `texture NAME { SAMPLERSTATE = VALUE; ... }` declares a texture parameter.
//   Texture parameters take texture stages 0, 1, ... in the order declared; the GLSL uniform
//   `sampler2D NAME` reads the parameter of that name. The sampler states listed are set on that
//   stage during every pass: AddressU, AddressV (WRAP, MIRROR, CLAMP); MagFilter, MinFilter,
//   MipFilter (NONE, POINT, LINEAR). A parameter set to null reads opaque white.
// - `vertexshader NAME = R"(SOURCE)";` and `pixelshader NAME = R"(SOURCE)";` hold GLSL 330 core
//   source verbatim between R"( and the first )". Vertex inputs take the locations of the vertex
//   declaration's usages: POSITION0 location 0, TEXCOORD0..7 1..8, COLOR0..1 9..10. Positions
//   go out in GL clip space as written; a shader that wants Direct3D's z range maps it itself.
// - `technique NAME { pass [NAME] { ... } ... }` with at least one pass. A pass names one vertex
//   and one pixel shader (VertexShader = NAME; PixelShader = NAME;) and sets render states:
//   ZEnable, ZWriteEnable, AlphaBlendEnable, Lighting (TRUE, FALSE); ZFunc (NEVER, LESS, EQUAL,
//   LESSEQUAL, GREATER, NOTEQUAL, GREATEREQUAL, ALWAYS); SrcBlend, DestBlend (ZERO, ONE, SRCCOLOR,
//   INVSRCCOLOR, SRCALPHA, INVSRCALPHA, DESTALPHA, INVDESTALPHA, DESTCOLOR, INVDESTCOLOR);
//   CullMode (NONE, CW, CCW).
// - The first technique in the file is the one Begin runs.
//
// A file that breaks these rules, or whose GLSL does not compile, fails to load with the message
// "PATH(LINE): what is wrong" in the errors buffer.

using D3DXHANDLE = const char*;

// Begin flag: do not save and restore the device states.
constexpr DWORD D3DXFX_DONOTSAVESTATE = 0x1;

class ID3DXEffect : public IUnknown {
 public:
  // The handle of the technique of that name, or null.
  virtual D3DXHANDLE GetTechniqueByName(const char* name) = 0;
  // Starts the current technique and reports its pass count. Unless flags hold
  // D3DXFX_DONOTSAVESTATE, saves every device state its passes set (render states, the textures
  // and sampler states of its parameters' stages, the shader program) for End to restore.
  virtual HRESULT Begin(UINT* passes, DWORD flags) = 0;
  // Sets the pass's shader program, render states, parameter textures and sampler states.
  virtual HRESULT BeginPass(UINT pass) = 0;
  // Applies parameters set since BeginPass to the device.
  virtual HRESULT CommitChanges() = 0;
  virtual HRESULT EndPass() = 0;
  virtual HRESULT End() = 0;
  // parameter: a texture parameter's name (or a handle naming it). The effect keeps a reference to
  // the texture until it is replaced or the effect is released. Inside a pass it reaches the
  // device at CommitChanges.
  virtual HRESULT SetTexture(D3DXHANDLE parameter, IDirect3DTexture9* texture) = 0;
};

// Loads an effect file (format above). defines, include and pool must be null; flags are
// ignored. D3DERR_NOTFOUND for a missing file; D3DXERR_INVALIDDATA when it does not parse or
// compile, with the reason in *errors when errors is not null.
HRESULT D3DXCreateEffectFromFileW(IDirect3DDevice9* device, const char* path, const void* defines,
                                  void* include, DWORD flags, void* pool, ID3DXEffect** effect,
                                  ID3DXBuffer** errors);
