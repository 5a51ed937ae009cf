// The Direct3D object and device on OpenGL 3.3 core: an SDL GL context on the program's window,
// a back buffer in a framebuffer object that Present blits to the window, built-in shaders for the
// fixed-function vertex formats, and the display modes from SDL.
#include <SDL2/SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstdio>
#include <utility>

#include "platform/d3d9/device_core.h"
#include "platform/d3d9/frame_capture.h"
#include "platform/os/window_system.h"

namespace d3d9::detail {

namespace {

// Debug builds stop at the first GL error, naming the call after which GL reported it.
void CheckGl([[maybe_unused]] const char* where) {
#ifndef NDEBUG
  for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
    std::fprintf(stderr, "d3d9: OpenGL error 0x%04X after %s\n", error, where);
    assert(!"OpenGL reported an error; the line above names the call that caused it");
  }
#endif
}

// Move-only owners of GL names.
template <class Deleter>
class GlName {
 public:
  GlName() = default;
  explicit GlName(GLuint name) : name_(name) {}
  GlName(GlName&& other) noexcept : name_(std::exchange(other.name_, 0)) {}
  GlName& operator=(GlName&& other) noexcept {
    if (this != &other) {
      Free();
      name_ = std::exchange(other.name_, 0);
    }
    return *this;
  }
  ~GlName() { Free(); }
  GLuint get() const { return name_; }

 private:
  void Free() {
    if (name_) Deleter{}(name_);
    name_ = 0;
  }
  GLuint name_ = 0;
};

struct DeleteBuffer {
  void operator()(GLuint name) const { glDeleteBuffers(1, &name); }
};
struct DeleteTexture {
  void operator()(GLuint name) const { glDeleteTextures(1, &name); }
};
struct DeleteRenderbuffer {
  void operator()(GLuint name) const { glDeleteRenderbuffers(1, &name); }
};
struct DeleteFramebuffer {
  void operator()(GLuint name) const { glDeleteFramebuffers(1, &name); }
};
struct DeleteVertexArray {
  void operator()(GLuint name) const { glDeleteVertexArrays(1, &name); }
};
struct DeleteSampler {
  void operator()(GLuint name) const { glDeleteSamplers(1, &name); }
};
struct DeleteShader {
  void operator()(GLuint name) const { glDeleteShader(name); }
};
struct DeleteProgram {
  void operator()(GLuint name) const { glDeleteProgram(name); }
};

struct DeleteContext {
  void operator()(void* context) const { SDL_GL_DeleteContext(context); }
};
using ContextPtr = std::unique_ptr<void, DeleteContext>;

template <class Deleter, class Generator>
GlName<Deleter> Generated(Generator generate) {
  GLuint name = 0;
  generate(1, &name);
  return GlName<Deleter>(name);
}

GlName<DeleteShader> CompileShader(GLenum stage, const char* source, std::string* log) {
  GlName<DeleteShader> shader(glCreateShader(stage));
  glShaderSource(shader.get(), 1, &source, nullptr);
  glCompileShader(shader.get());
  GLint compiled = GL_FALSE;
  glGetShaderiv(shader.get(), GL_COMPILE_STATUS, &compiled);
  if (compiled) return shader;
  GLint length = 0;
  glGetShaderiv(shader.get(), GL_INFO_LOG_LENGTH, &length);
  std::string text(std::size_t(std::max(length, 1)), '\0');
  glGetShaderInfoLog(shader.get(), GLsizei(text.size()), nullptr, text.data());
  *log = std::string(stage == GL_VERTEX_SHADER ? "vertex shader: " : "fragment shader: ") +
         text.c_str();
  return {};
}

// Links a program; a null name and the compiler's log on failure.
GlName<DeleteProgram> LinkProgram(const char* vertexSource, const char* fragmentSource,
                                  std::string* log) {
  GlName<DeleteShader> vertex = CompileShader(GL_VERTEX_SHADER, vertexSource, log);
  if (!vertex.get()) return {};
  GlName<DeleteShader> fragment = CompileShader(GL_FRAGMENT_SHADER, fragmentSource, log);
  if (!fragment.get()) return {};
  GlName<DeleteProgram> program(glCreateProgram());
  glAttachShader(program.get(), vertex.get());
  glAttachShader(program.get(), fragment.get());
  glLinkProgram(program.get());
  GLint linked = GL_FALSE;
  glGetProgramiv(program.get(), GL_LINK_STATUS, &linked);
  if (linked) return program;
  GLint length = 0;
  glGetProgramiv(program.get(), GL_INFO_LOG_LENGTH, &length);
  std::string text(std::size_t(std::max(length, 1)), '\0');
  glGetProgramInfoLog(program.get(), GLsizei(text.size()), nullptr, text.data());
  *log = std::string("link: ") + text.c_str();
  return {};
}

// The fixed-function stage as the program uses it: pos · World · View · Projection, then D3D's
// clip z (0..w) mapped to GL's (−w..w). Stage 0 with its default operations: colour = texture ×
// diffuse, alpha = texture alpha; without a texture the diffuse colour passes through. A vertex
// without a diffuse colour reads opaque white. With LIGHTING on and no lights, Direct3D lights a
// vertex with ambient 0 and emissive 0: black, with the diffuse alpha (the default material's 0
// when the vertex has no colour, which the draw feeds as the constant colour).
constexpr const char* kFixedVertexShader = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec2 texcoord;
layout(location = 9) in vec4 diffuse;
uniform mat4 world;
uniform mat4 view;
uniform mat4 projection;
uniform bool lighting;
out vec2 uv;
out vec4 colour;
void main() {
  vec4 clip = projection * (view * (world * vec4(position, 1.0)));
  gl_Position = vec4(clip.xy, 2.0 * clip.z - clip.w, clip.w);
  uv = texcoord;
  colour = lighting ? vec4(0.0, 0.0, 0.0, diffuse.a) : diffuse;
}
)";

constexpr const char* kFixedFragmentShader = R"(#version 330 core
uniform sampler2D stage0;
uniform bool textured;
in vec2 uv;
in vec4 colour;
out vec4 fragment;
void main() {
  if (textured) {
    vec4 texel = texture(stage0, uv);
    fragment = vec4(texel.rgb * colour.rgb, texel.a);
  } else {
    fragment = colour;
  }
}
)";

GLenum BlendFactor(DWORD blend) {
  switch (blend) {
    case D3DBLEND_ZERO:
      return GL_ZERO;
    case D3DBLEND_ONE:
      return GL_ONE;
    case D3DBLEND_SRCCOLOR:
      return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
      return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
      return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
      return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
      return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
      return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
      return GL_DST_COLOR;
    default:
      return GL_ONE_MINUS_DST_COLOR;
  }
}

GLenum CompareFunction(DWORD compare) {
  static const GLenum functions[] = {GL_NEVER,   GL_LESS,     GL_EQUAL,  GL_LEQUAL,
                                     GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
  return functions[compare - D3DCMP_NEVER];
}

GLint AddressMode(DWORD address) {
  switch (address) {
    case D3DTADDRESS_MIRROR:
      return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
      return GL_CLAMP_TO_EDGE;
    default:
      return GL_REPEAT;
  }
}

GLint Filter(DWORD filter) {
  return filter == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST;
}

class GlTexture;

class GlDevice final : public DeviceCore {
 public:
  // A device with a GL 3.3 core context on the window; D3DERR_NOTAVAILABLE without one.
  static HRESULT Open(SDL_Window* window, DeviceCore** device);
  ~GlDevice() override;

  void MakeCurrent() {
    if (SDL_GL_GetCurrentContext() != context_.get()) SDL_GL_MakeCurrent(window_, context_.get());
  }
  HRESULT Capture(FrameImage* image);
  // Takes the back buffer's colour buffer, holding the frame drawn so far, in exchange for
  // *colour, which is made at the back buffer's size when *width × *height is not it; both then
  // give the colour buffer's size. Drawing goes on into the new one (every frame clears it
  // first); the next Present shows nothing, the frame being the video's.
  void ExchangeColourBuffer(GlName<DeleteRenderbuffer>* colour, UINT* width, UINT* height);

 protected:
  HRESULT ApplyPresentation(D3DPRESENT_PARAMETERS* parameters) override;
  void ClearTarget(DWORD flags, D3DCOLOR colour, float z) override;
  HRESULT PresentFrame() override;
  HRESULT NewBufferStorage(UINT bytes, std::unique_ptr<BufferStorage>* storage) override;
  HRESULT NewTextureStorage(UINT width, UINT height, const BYTE* rgba,
                            std::unique_ptr<TextureStorage>* storage) override;
  HRESULT NewProgramStorage(const char* vertexSource, const char* fragmentSource,
                            const std::vector<std::string>& samplerNames,
                            std::unique_ptr<ProgramStorage>* storage, std::string* errors) override;
  void Draw(const DrawRequest& request) override;

 private:
  GlDevice(SDL_Window* window, ContextPtr context);
  bool CreateObjects();
  void ApplyRenderStates();
  void BindStage(UINT stage, bool programSet);
  void BindVertexInputs(bool programSet);

  SDL_Window* window_;
  Uint32 windowId_;
  ContextPtr context_;  // declared before every GL name, so it goes last
  GlName<DeleteFramebuffer> framebuffer_;
  GlName<DeleteRenderbuffer> colourBuffer_;
  GlName<DeleteRenderbuffer> depthBuffer_;
  // Since the colour buffer was last handed over, nothing was presented.
  bool presentHandedOver_ = false;
  GlName<DeleteVertexArray> vertexArray_;
  std::array<GlName<DeleteSampler>, D3DMAX_TEXTURE_STAGES> samplers_;
  std::unique_ptr<GlTexture> white_;  // what a program reads from a stage without a texture
  GlName<DeleteProgram> fixedFunction_;
  GLint worldLocation_ = -1;
  GLint viewLocation_ = -1;
  GLint projectionLocation_ = -1;
  GLint lightingLocation_ = -1;
  GLint texturedLocation_ = -1;
  GLint maxTextureSize_ = 0;
  UINT width_ = 0;
  UINT height_ = 0;
};

class GlBuffer final : public BufferStorage {
 public:
  GlBuffer(GlDevice& device, UINT bytes)
      : device_(device), name_(Generated<DeleteBuffer>(glGenBuffers)) {
    glBindBuffer(GL_COPY_WRITE_BUFFER, name_.get());
    glBufferData(GL_COPY_WRITE_BUFFER, bytes, nullptr, GL_DYNAMIC_DRAW);
    CheckGl("glBufferData");
  }
  ~GlBuffer() override { device_.MakeCurrent(); }

  void Upload(const std::vector<BYTE>& bytes, UINT offset, UINT size, bool discard) override {
    device_.MakeCurrent();
    glBindBuffer(GL_COPY_WRITE_BUFFER, name_.get());
    if (discard) {
      // New storage for the whole buffer: draws still reading the old contents need not finish.
      glBufferData(GL_COPY_WRITE_BUFFER, GLsizeiptr(bytes.size()), bytes.data(), GL_DYNAMIC_DRAW);
    } else if (size > 0) {
      glBufferSubData(GL_COPY_WRITE_BUFFER, offset, size, bytes.data() + offset);
    }
    CheckGl("buffer upload");
  }
  GLuint name() const { return name_.get(); }

 private:
  GlDevice& device_;
  GlName<DeleteBuffer> name_;
};

class GlTexture final : public TextureStorage {
 public:
  GlTexture(GlDevice& device, UINT width, UINT height, const BYTE* rgba)
      : device_(device), name_(Generated<DeleteTexture>(glGenTextures)) {
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, name_.get());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // Rows go up top row first, so D3D's v = 0 (the top) is GL's t = 0: no flip anywhere.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, GLsizei(width), GLsizei(height), 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, rgba);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    CheckGl("glTexImage2D");
  }
  ~GlTexture() override { device_.MakeCurrent(); }
  GLuint name() const { return name_.get(); }

 private:
  GlDevice& device_;
  GlName<DeleteTexture> name_;
};

class GlProgram final : public ProgramStorage {
 public:
  GlProgram(GlDevice& device, GlName<DeleteProgram> name)
      : device_(device), name_(std::move(name)) {}
  ~GlProgram() override { device_.MakeCurrent(); }
  GLuint name() const { return name_.get(); }

 private:
  GlDevice& device_;
  GlName<DeleteProgram> name_;
};

GlDevice::GlDevice(SDL_Window* window, ContextPtr context)
    : DeviceCore(nullptr),
      window_(window),
      windowId_(SDL_GetWindowID(window)),
      context_(std::move(context)) {}

GlDevice::~GlDevice() {
  MakeCurrent();
}

HRESULT GlDevice::Open(SDL_Window* window, DeviceCore** device) {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  ContextPtr context(SDL_GL_CreateContext(window));
  if (!context || SDL_GL_MakeCurrent(window, context.get()) != 0 || !epoxy_is_desktop_gl() ||
      epoxy_gl_version() < 33) {
    return D3DERR_NOTAVAILABLE;
  }
  auto* created = new GlDevice(window, std::move(context));
  if (!created->CreateObjects()) {
    created->Release();
    return D3DERR_NOTAVAILABLE;
  }
  *device = created;
  return D3D_OK;
}

bool GlDevice::CreateObjects() {
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize_);
  vertexArray_ = Generated<DeleteVertexArray>(glGenVertexArrays);
  glBindVertexArray(vertexArray_.get());
  for (auto& sampler : samplers_) sampler = Generated<DeleteSampler>(glGenSamplers);
  const BYTE white[4] = {255, 255, 255, 255};
  white_ = std::make_unique<GlTexture>(*this, 1, 1, white);
  std::string log;
  fixedFunction_ = LinkProgram(kFixedVertexShader, kFixedFragmentShader, &log);
  if (!fixedFunction_.get()) return false;
  const GLuint program = fixedFunction_.get();
  worldLocation_ = glGetUniformLocation(program, "world");
  viewLocation_ = glGetUniformLocation(program, "view");
  projectionLocation_ = glGetUniformLocation(program, "projection");
  lightingLocation_ = glGetUniformLocation(program, "lighting");
  texturedLocation_ = glGetUniformLocation(program, "textured");
  glUseProgram(program);
  glUniform1i(glGetUniformLocation(program, "stage0"), 0);
  framebuffer_ = Generated<DeleteFramebuffer>(glGenFramebuffers);
  CheckGl("device objects");
  return true;
}

HRESULT GlDevice::ApplyPresentation(D3DPRESENT_PARAMETERS* parameters) {
  if (parameters->MultiSampleType != D3DMULTISAMPLE_NONE) return D3DERR_INVALIDCALL;
  MakeCurrent();
  if (parameters->Windowed) {
    if (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) SDL_SetWindowFullscreen(window_, 0);
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(window_, &width, &height);
    if (parameters->BackBufferWidth == 0) parameters->BackBufferWidth = UINT(width);
    if (parameters->BackBufferHeight == 0) parameters->BackBufferHeight = UINT(height);
  } else {
    SDL_DisplayMode wanted{SDL_PIXELFORMAT_RGB888, int(parameters->BackBufferWidth),
                           int(parameters->BackBufferHeight),
                           int(parameters->FullScreen_RefreshRateInHz), nullptr};
    SDL_DisplayMode closest;
    const int display = std::max(SDL_GetWindowDisplayIndex(window_), 0);
    if (!SDL_GetClosestDisplayMode(display, &wanted, &closest) ||
        SDL_SetWindowDisplayMode(window_, &closest) != 0 ||
        SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN) != 0) {
      return D3DERR_NOTAVAILABLE;
    }
  }
  const UINT width = parameters->BackBufferWidth;
  const UINT height = parameters->BackBufferHeight;
  if (width == 0 || height == 0 || width > UINT(maxTextureSize_) ||
      height > UINT(maxTextureSize_)) {
    return D3DERR_INVALIDCALL;
  }
  colourBuffer_ = Generated<DeleteRenderbuffer>(glGenRenderbuffers);
  glBindRenderbuffer(GL_RENDERBUFFER, colourBuffer_.get());
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, GLsizei(width), GLsizei(height));
  depthBuffer_ = Generated<DeleteRenderbuffer>(glGenRenderbuffers);
  glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer_.get());
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, GLsizei(width), GLsizei(height));
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_.get());
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                            colourBuffer_.get());
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                            depthBuffer_.get());
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  glViewport(0, 0, GLsizei(width), GLsizei(height));
  width_ = width;
  height_ = height;
  // Some drivers cannot wait for the vertical blank; the frames are then just not paced by it.
  SDL_GL_SetSwapInterval(parameters->PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);
  CheckGl("back buffer");
  return D3D_OK;
}

void GlDevice::ClearTarget(DWORD flags, D3DCOLOR colour, float z) {
  MakeCurrent();
  GLbitfield mask = 0;
  if (flags & D3DCLEAR_TARGET) {
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(float((colour >> 16) & 0xFF) / 255.0f, float((colour >> 8) & 0xFF) / 255.0f,
                 float(colour & 0xFF) / 255.0f, float(colour >> 24) / 255.0f);
    mask |= GL_COLOR_BUFFER_BIT;
  }
  if (flags & D3DCLEAR_ZBUFFER) {
    // GL's clear obeys the depth mask; Direct3D's ignores ZWRITEENABLE. Draws set it again.
    glDepthMask(GL_TRUE);
    glClearDepth(z);
    mask |= GL_DEPTH_BUFFER_BIT;
  }
  glClear(mask);
  CheckGl("Clear");
}

HRESULT GlDevice::PresentFrame() {
  if (!os::WindowFromSdlId(windowId_)) return D3DERR_DEVICELOST;
  // A frame handed over goes to a video, made without a display: the window is off screen, and
  // copying the frame into it would cost the software rasterizer a pass over every pixel.
  if (std::exchange(presentHandedOver_, false)) return D3D_OK;
  MakeCurrent();
  int width = 0, height = 0;
  SDL_GL_GetDrawableSize(window_, &width, &height);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_.get());
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  const bool sameSize = UINT(width) == width_ && UINT(height) == height_;
  glBlitFramebuffer(0, 0, GLint(width_), GLint(height_), 0, 0, width, height, GL_COLOR_BUFFER_BIT,
                    sameSize ? GL_NEAREST : GL_LINEAR);
  SDL_GL_SwapWindow(window_);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_.get());
  CheckGl("Present");
  return D3D_OK;
}

HRESULT GlDevice::NewBufferStorage(UINT bytes, std::unique_ptr<BufferStorage>* storage) {
  MakeCurrent();
  *storage = std::make_unique<GlBuffer>(*this, bytes);
  return D3D_OK;
}

HRESULT GlDevice::NewTextureStorage(UINT width, UINT height, const BYTE* rgba,
                                    std::unique_ptr<TextureStorage>* storage) {
  if (width > UINT(maxTextureSize_) || height > UINT(maxTextureSize_)) {
    return D3DERR_INVALIDCALL;
  }
  MakeCurrent();
  *storage = std::make_unique<GlTexture>(*this, width, height, rgba);
  return D3D_OK;
}

HRESULT GlDevice::NewProgramStorage(const char* vertexSource, const char* fragmentSource,
                                    const std::vector<std::string>& samplerNames,
                                    std::unique_ptr<ProgramStorage>* storage, std::string* errors) {
  MakeCurrent();
  GlName<DeleteProgram> program = LinkProgram(vertexSource, fragmentSource, errors);
  if (!program.get()) return D3DERR_INVALIDCALL;
  glUseProgram(program.get());
  for (std::size_t stage = 0; stage < samplerNames.size(); ++stage) {
    glUniform1i(glGetUniformLocation(program.get(), samplerNames[stage].c_str()), GLint(stage));
  }
  CheckGl("shader program");
  *storage = std::make_unique<GlProgram>(*this, std::move(program));
  return D3D_OK;
}

void GlDevice::ApplyRenderStates() {
  const auto& states = bindings().renderStates;
  if (states.at(D3DRS_ZENABLE)) {
    glEnable(GL_DEPTH_TEST);
  } else {
    glDisable(GL_DEPTH_TEST);
  }
  glDepthFunc(CompareFunction(states.at(D3DRS_ZFUNC)));
  glDepthMask(states.at(D3DRS_ZWRITEENABLE) ? GL_TRUE : GL_FALSE);
  if (states.at(D3DRS_ALPHABLENDENABLE)) {
    glEnable(GL_BLEND);
  } else {
    glDisable(GL_BLEND);
  }
  glBlendFunc(BlendFactor(states.at(D3DRS_SRCBLEND)), BlendFactor(states.at(D3DRS_DESTBLEND)));
  // Direct3D's front faces are clockwise on screen; GL sees the same winding in window space.
  glFrontFace(GL_CW);
  switch (states.at(D3DRS_CULLMODE)) {
    case D3DCULL_NONE:
      glDisable(GL_CULL_FACE);
      break;
    case D3DCULL_CW:
      glEnable(GL_CULL_FACE);
      glCullFace(GL_FRONT);
      break;
    default:
      glEnable(GL_CULL_FACE);
      glCullFace(GL_BACK);
      break;
  }
}

void GlDevice::BindStage(UINT stage, bool programSet) {
  const Texture* texture = bindings().textures[stage];
  GLuint name = texture ? static_cast<GlTexture*>(texture->storage())->name() : 0;
  if (!texture && programSet) name = white_->name();
  glActiveTexture(GL_TEXTURE0 + stage);
  glBindTexture(GL_TEXTURE_2D, name);
  const auto& states = bindings().samplerStates[stage];
  const GLuint sampler = samplers_[stage].get();
  // One level per texture, so the mip filter has nothing to choose from.
  glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, Filter(states.at(D3DSAMP_MINFILTER)));
  glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, Filter(states.at(D3DSAMP_MAGFILTER)));
  glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, AddressMode(states.at(D3DSAMP_ADDRESSU)));
  glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, AddressMode(states.at(D3DSAMP_ADDRESSV)));
  glBindSampler(stage, sampler);
}

void GlDevice::BindVertexInputs(bool programSet) {
  const Bindings& bound = bindings();
  glBindVertexArray(vertexArray_.get());
  glBindBuffer(GL_ARRAY_BUFFER, static_cast<GlBuffer*>(bound.stream->storage())->name());
  for (GLuint location = 0; location < GLuint(kInputLocations); ++location) {
    glDisableVertexAttribArray(location);
  }
  bool hasColour = false;
  for (const D3DVERTEXELEMENT9& element : bound.layout) {
    const GLuint location = GLuint(InputLocation(element.Usage, element.UsageIndex));
    const auto* pointer =
        reinterpret_cast<const void*>(std::uintptr_t(bound.streamOffset + element.Offset));
    glEnableVertexAttribArray(location);
    if (element.Type == D3DDECLTYPE_D3DCOLOR) {
      // D3DCOLOR lies in memory as B, G, R, A: GL's BGRA size swizzles it to (r, g, b, a).
      glVertexAttribPointer(location, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, GLsizei(bound.stride),
                            pointer);
    } else {
      glVertexAttribPointer(location, element.Type - D3DDECLTYPE_FLOAT1 + 1, GL_FLOAT, GL_FALSE,
                            GLsizei(bound.stride), pointer);
    }
    hasColour = hasColour || location == GLuint(kColourLocation);
  }
  if (!hasColour) {
    const bool unlit = programSet || !bound.renderStates.at(D3DRS_LIGHTING);
    const float value = unlit ? 1.0f : 0.0f;
    glVertexAttrib4f(kColourLocation, value, value, value, value);
  }
}

void GlDevice::Draw(const DrawRequest& request) {
  MakeCurrent();
  const Bindings& bound = bindings();
  ApplyRenderStates();
  const bool programSet = bound.program != nullptr;
  if (programSet) {
    glUseProgram(static_cast<GlProgram*>(bound.program->storage())->name());
    for (UINT stage = 0; stage < bound.program->samplerCount(); ++stage) {
      BindStage(stage, true);
    }
  } else {
    glUseProgram(fixedFunction_.get());
    // Row-vector matrices go up unchanged: GL reads them as the transposes, so M * v in GLSL
    // is v · M in Direct3D's terms.
    glUniformMatrix4fv(worldLocation_, 1, GL_FALSE, &bound.world.m[0][0]);
    glUniformMatrix4fv(viewLocation_, 1, GL_FALSE, &bound.view.m[0][0]);
    glUniformMatrix4fv(projectionLocation_, 1, GL_FALSE, &bound.projection.m[0][0]);
    glUniform1i(lightingLocation_, bound.renderStates.at(D3DRS_LIGHTING) ? 1 : 0);
    glUniform1i(texturedLocation_, bound.textures[0] ? 1 : 0);
    BindStage(0, false);
  }
  BindVertexInputs(programSet);
  const GLenum mode = request.type == D3DPT_TRIANGLELIST ? GL_TRIANGLES : GL_TRIANGLE_STRIP;
  if (request.indexed) {
    const bool wide = bound.indices->indexFormat() == D3DFMT_INDEX32;
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, static_cast<GlBuffer*>(bound.indices->storage())->name());
    const auto* offset =
        reinterpret_cast<const void*>(std::uintptr_t(request.first) * (wide ? 4 : 2));
    glDrawElementsBaseVertex(mode, GLsizei(request.count),
                             wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT, offset,
                             request.baseVertex);
  } else {
    glDrawArrays(mode, GLint(request.first), GLsizei(request.count));
  }
  CheckGl("draw");
}

HRESULT GlDevice::Capture(FrameImage* image) {
  MakeCurrent();
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_.get());
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  const std::size_t row = std::size_t(width_) * 4;
  std::vector<BYTE> bottomUp(row * height_);
  glReadPixels(0, 0, GLsizei(width_), GLsizei(height_), GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
  CheckGl("glReadPixels");
  image->width = width_;
  image->height = height_;
  image->rgba.resize(bottomUp.size());
  for (UINT y = 0; y < height_; ++y) {
    std::copy_n(&bottomUp[(height_ - 1 - y) * row], row, &image->rgba[y * row]);
  }
  for (std::size_t i = 3; i < image->rgba.size(); i += 4) image->rgba[i] = 255;
  return D3D_OK;
}

void GlDevice::ExchangeColourBuffer(GlName<DeleteRenderbuffer>* colour, UINT* width, UINT* height) {
  MakeCurrent();
  if (*width != width_ || *height != height_) {
    glBindRenderbuffer(GL_RENDERBUFFER, colour->get());
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, GLsizei(width_), GLsizei(height_));
    *width = width_;
    *height = height_;
  }
  std::swap(*colour, colourBuffer_);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_.get());
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                            colourBuffer_.get());
  presentHandedOver_ = true;
  CheckGl("exchanging the colour buffer");
}

// Three colour buffers taken from the device in turn, each read back two passes after it was
// drawn. Reading the back buffer at once would wait for the frame to be finished, which on a
// software rasterizer keeps the next frame from being set up meanwhile, and a copy on the GPU
// costs that rasterizer as much as a frame; a frame two passes old is finished and costs a copy
// into memory.
class GlFrameReader final : public FrameReader {
 public:
  explicit GlFrameReader(GlDevice& device) : device_(device) {
    device_.MakeCurrent();
    reading_ = Generated<DeleteFramebuffer>(glGenFramebuffers);
    for (Slot& slot : slots_) slot.colour = Generated<DeleteRenderbuffer>(glGenRenderbuffers);
  }
  ~GlFrameReader() override { device_.MakeCurrent(); }

  void Start() override {
    if (pending_ == slots_.size()) return;
    Slot& slot = slots_[(taken_ + pending_) % slots_.size()];
    device_.ExchangeColourBuffer(&slot.colour, &slot.width, &slot.height);
    ++pending_;
  }

  std::size_t Pending() const override { return pending_; }

  bool Take(BYTE* rgba, std::size_t bytes) override {
    if (pending_ == 0) return false;
    Slot& slot = slots_[taken_ % slots_.size()];
    ++taken_;
    --pending_;
    if (bytes != std::size_t(slot.width) * slot.height * 4) return false;
    device_.MakeCurrent();
    GLint drawn = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &drawn);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, reading_.get());
    glFramebufferRenderbuffer(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                              slot.colour.get());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, GLsizei(slot.width), GLsizei(slot.height), GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(drawn));
    CheckGl("reading a frame back");
    return true;
  }

 private:
  struct Slot {
    GlName<DeleteRenderbuffer> colour;
    UINT width = 0;
    UINT height = 0;
  };
  GlDevice& device_;
  GlName<DeleteFramebuffer> reading_;
  std::array<Slot, 3> slots_;
  std::size_t taken_ = 0;
  std::size_t pending_ = 0;
};

class GlDirect3D final : public Direct3DCore {
 public:
  GlDirect3D() : Direct3DCore(nullptr) {}

 protected:
  std::vector<D3DDISPLAYMODE> Modes() override {
    std::vector<D3DDISPLAYMODE> modes;
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
      SDL_DisplayMode mode;
      if (SDL_GetDisplayMode(0, i, &mode) == 0 && SDL_BITSPERPIXEL(mode.format) >= 24) {
        modes.push_back({UINT(mode.w), UINT(mode.h), UINT(mode.refresh_rate), D3DFMT_X8R8G8B8});
      }
    }
    return modes;
  }
  HRESULT DesktopMode(D3DDISPLAYMODE* mode) override {
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) return D3DERR_NOTAVAILABLE;
    *mode = {UINT(desktop.w), UINT(desktop.h), UINT(desktop.refresh_rate), D3DFMT_X8R8G8B8};
    return D3D_OK;
  }
  D3DCAPS9 Caps() override {
    return {D3DDEVTYPE_HAL, 0, 1, D3DPS_VERSION(3, 0), D3DVS_VERSION(3, 0), 8192, 8192};
  }
  bool SupportsMultiSample(D3DMULTISAMPLE_TYPE type) override {
    return type == D3DMULTISAMPLE_NONE;
  }
  HRESULT NewDevice(HWND window, DeviceCore** device) override {
    SDL_Window* sdl = os::SdlWindow(window);
    if (!sdl) return D3DERR_INVALIDCALL;
    return GlDevice::Open(sdl, device);
  }
};

}  // namespace

IDirect3D9* NewGlDirect3D() {
  return SDL_WasInit(SDL_INIT_VIDEO) ? new GlDirect3D() : nullptr;
}

HRESULT CaptureGlFrame(IDirect3DDevice9* device, FrameImage* image) {
  auto* gl = dynamic_cast<GlDevice*>(static_cast<DeviceCore*>(device));
  return gl ? gl->Capture(image) : D3DERR_NOTAVAILABLE;
}

std::unique_ptr<FrameReader> OpenGlFrameReader(IDirect3DDevice9* device) {
  auto* gl = dynamic_cast<GlDevice*>(static_cast<DeviceCore*>(device));
  if (!gl) return nullptr;
  return std::make_unique<GlFrameReader>(*gl);
}

}  // namespace d3d9::detail
