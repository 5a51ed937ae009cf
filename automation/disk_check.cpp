// The checker's passes over a disk, in the order the show opens its files: the effect and the font
// (the GUI renderer), the three shared pictures, disk.cfg and every song (the global
// initialization), then each song played through offline to time it and to see what the
// equalizer will show of it.
#include "automation/disk_check.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>
#include <system_error>
#include <vector>

#include "automation/disk_layout.h"
#include "automation/disk_templates.h"
#include "content/disk_config.h"
#include "content/global_initialization_scene.h"
#include "graphics/font_layout.h"
#include "platform/bass/bass.h"
#include "platform/bass/offline_output.h"
#include "platform/d3d9/recording_device.h"
#include "platform/d3dx/d3dx9.h"
#include "platform/d3dx/effect_parser.h"
#include "platform/os/platform.h"
#include "visualizers/equalizer.h"

namespace fs = std::filesystem;

namespace {

// A song's equalizer is too dark below this many lit cells on average, of its 192.
constexpr double kQuietCells = 24.0;
// Magnitudes below this in every bin of every sample: nothing is heard.
constexpr float kSilentMagnitude = 1e-5f;
// The checker listens to at most this much of a song.
constexpr double kLongestSong = 30 * 60;
// The show's pass: 20 ms of sound; its analyzers sample every second pass.
constexpr unsigned kPassFrames = 882;
constexpr double kOutputRate = 44100.0;

class Report {
 public:
  explicit Report(std::string folder) : folder_(std::move(folder)) {
    while (folder_.size() > 1 && folder_.back() == '/') folder_.pop_back();
  }

  void Error(const std::string& file, int line, const std::string& what, const std::string& does,
             const std::string& fix) {
    Print(file, line, "error", what, does, fix);
    ++errors;
  }
  void Warning(const std::string& file, int line, const std::string& what, const std::string& does,
               const std::string& fix) {
    Print(file, line, "warning", what, does, fix);
    ++warnings;
  }

  int errors = 0;
  int warnings = 0;

 private:
  void Print(const std::string& file, int line, const char* kind, const std::string& what,
             const std::string& does, const std::string& fix) {
    std::string where = folder_ + "/" + file;
    if (line > 0) where += ":" + std::to_string(line);
    std::printf("%s: %s: %s \u2014 %s \u2014 %s\n", where.c_str(), kind, what.c_str(), does.c_str(),
                fix.c_str());
  }

  std::string folder_;
};

std::string DataPath(const std::string& file) {
  return os::ResolveDataPath("data/" + file);
}

// Why the show cannot open the file, or empty when it can.
std::string FileProblem(const std::string& path) {
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (!fs::exists(status)) {
    return fs::is_symlink(fs::symlink_status(path, error)) ? "is a link to nothing" : "is missing";
  }
  if (!os::IsRegularFile(path)) {
    return fs::is_directory(status) ? "is a folder, not a file"
                                    : "is not a regular file (a pipe or a device)";
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::string("cannot be read (") + std::strerror(errno) + ")";
  return {};
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

std::string Plural(int n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

std::string Texels(float value) {
  char text[32];
  if (std::fabs(value - std::round(value)) < 0.001f) {
    std::snprintf(text, sizeof text, "%d", int(std::lround(value)));
  } else {
    std::snprintf(text, sizeof text, "%.2f", double(value));
  }
  return text;
}

std::string PlayingTime(double seconds) {
  const long total = std::lround(seconds);
  char text[32];
  if (total >= 3600) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  }
  return text;
}

// ---- The devices: OpenGL to compile the effect's shaders, the recording device for pictures. ---

struct Devices {
  std::unique_ptr<os::Platform> platform;
  HWND window = nullptr;
  IDirect3D9* glDirect3d = nullptr;
  IDirect3DDevice9* gl = nullptr;
  IDirect3D9* recordingDirect3d = nullptr;
  IDirect3DDevice9* recording = nullptr;  // keeps every texture's pixels

  ~Devices() {
    for (IUnknown* object :
         std::initializer_list<IUnknown*>{gl, glDirect3d, recording, recordingDirect3d}) {
      if (object) object->Release();
    }
    d3d9::UseRecordingDevice(false);
  }
};

IDirect3DDevice9* CreateDevice(IDirect3D9* direct3d, HWND window) {
  D3DPRESENT_PARAMETERS parameters{};
  parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
  parameters.BackBufferCount = 1;
  parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
  parameters.Windowed = TRUE;
  parameters.EnableAutoDepthStencil = TRUE;
  parameters.AutoDepthStencilFormat = D3DFMT_D24X8;
  IDirect3DDevice9* device = nullptr;
  if (!direct3d ||
      FAILED(direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                    D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &device))) {
    return nullptr;
  }
  return device;
}

// A hidden window on the windowing system's headless driver when there is no display.
void OpenDevices(Devices* devices) {
  std::string error;
  devices->platform = os::Platform::Open(true, &error);
  if (devices->platform) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = "orvell-check";
    RegisterClassExW(&windowClass);
    devices->window = CreateWindowExW(0, "orvell-check", "Orvell", WS_POPUP, 0, 0, 64, 64, nullptr,
                                      nullptr, windowClass.hInstance, nullptr);
  }
  if (devices->window) {
    devices->glDirect3d = Direct3DCreate9(D3D_SDK_VERSION);
    devices->gl = CreateDevice(devices->glDirect3d, devices->window);
  }
  d3d9::UseRecordingDevice(true);
  devices->recordingDirect3d = Direct3DCreate9(D3D_SDK_VERSION);
  devices->recording = CreateDevice(devices->recordingDirect3d, devices->window);
}

// ---- gui.fx -------------------------------------------------------------------------------------

// The loader names the pass whose shaders did not compile, and the compiler the line within the
// shader ("0:9(2): error: ..."); the line in gui.fx is that line counted from the shader's R"(.
int ShaderLineInFile(const std::string& message, int passLine) {
  std::ifstream file(DataPath("gui.fx"), std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  d3dx::EffectDescription description;
  d3dx::ParseError error;
  std::smatch shaderLine;
  if (!d3dx::ParseEffect(text, &description, &error) ||
      !std::regex_search(message, shaderLine, std::regex(R"(\b0:(\d+))"))) {
    return passLine;
  }
  const bool vertex = message.find("vertex shader: ") != std::string::npos;
  for (const d3dx::EffectTechnique& technique : description.techniques) {
    for (const d3dx::EffectPass& pass : technique.passes) {
      if (pass.line != passLine) continue;
      const d3dx::EffectShader& shader =
          description.shaders[vertex ? pass.vertexShader : pass.pixelShader];
      return shader.line + std::stoi(shaderLine[1].str()) - 1;
    }
  }
  return passLine;
}

void CheckEffect(const Devices& devices, Report& report) {
  const char* does =
      "the show says \"Failed to create effect gui.fx\" and draws none of its pictures, buttons "
      "and texts";
  const char* fix = "copy gui.fx from a new disk (orvell --new-disk DIR), or mend it";
  const std::string problem = FileProblem(DataPath("gui.fx"));
  if (!problem.empty()) {
    report.Error("gui.fx", 0, "the file " + problem, does, fix);
    return;
  }
  IDirect3DDevice9* device = devices.gl ? devices.gl : devices.recording;
  if (!devices.gl) {
    report.Warning("gui.fx", 0, "its shaders were not compiled: there is no OpenGL here",
                   "the show compiles them when it starts",
                   "run --check on a machine that runs the show to check them too");
  }
  ID3DXEffect* effect = nullptr;
  ID3DXBuffer* errors = nullptr;
  const char* path = "data/gui.fx";
  if (FAILED(D3DXCreateEffectFromFileW(device, path, nullptr, nullptr, 0, nullptr, &effect,
                                       &errors))) {
    // "data/gui.fx(LINE): what is wrong", the compiler's log on the lines after it.
    std::string text = errors ? static_cast<const char*>(errors->GetBufferPointer()) : "";
    if (errors) errors->Release();
    int line = 0;
    const std::string head = std::string(path) + "(";
    if (text.rfind(head, 0) == 0) {
      const std::size_t close = text.find("): ", head.size());
      if (close != std::string::npos) {
        line = std::atoi(text.c_str() + head.size());
        text = text.substr(close + 3);
      }
    }
    line = ShaderLineInFile(text, line);
    // The compiler's own positions and line breaks, once the line is known, only get in the way.
    text = std::regex_replace(text, std::regex(R"(\b0:\d+(\(\d+\))?: (error: )?)"), "");
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    text = std::regex_replace(text, std::regex(R"(\s*\n\s*)"), "; ");
    report.Error("gui.fx", line, text.empty() ? "the effect does not load" : text, does, fix);
    return;
  }
  if (!effect->GetTechniqueByName("GUI")) {
    report.Error("gui.fx", 0, "the effect has no technique named GUI",
                 "the show says \"No such technique GUI in gui.fx\" and draws with the effect's "
                 "first technique",
                 "name the technique GUI, first in the file");
  }
  effect->Release();
}

// ---- Pictures -----------------------------------------------------------------------------------

struct Picture {
  const char* file;
  const char* withoutIt;  // what the show does when it does not load
};

constexpr Picture kFont{"font.png", "the show says \"Failed to create default font\" and ends"};
constexpr Picture kTitleAtlas{
    "tit.png", "every picture, button and caption of the show is drawn as a white box"};
constexpr Picture kCloudRing{"cloudring.png", "the intro's cloud rings are drawn as white squares"};
constexpr Picture kCredits{"credits.png", "the intro's credit sprites are drawn as white boxes"};

// The picture as the show's loader decodes it; empty when it does not load.
d3d9::FrameImage LoadPicture(const Devices& devices, const Picture& picture, Report& report) {
  const char* fix =
      "put a PNG, JPEG, BMP or TGA picture there (orvell --new-disk DIR writes the demo disk's, "
      "and templates to draw on)";
  const std::string problem = FileProblem(DataPath(picture.file));
  if (!problem.empty()) {
    report.Error(picture.file, 0, std::string("the file ") + problem, picture.withoutIt, fix);
    return {};
  }
  IDirect3DTexture9* texture = nullptr;
  const HRESULT result =
      devices.recording
          ? D3DXCreateTextureFromFileW(devices.recording,
                                       ("data/" + std::string(picture.file)).c_str(), &texture)
          : D3DERR_INVALIDCALL;
  if (FAILED(result)) {
    report.Error(picture.file, 0,
                 "the file does not decode as a PNG, JPEG, BMP or TGA picture of at most 8192 "
                 "texels a side",
                 picture.withoutIt, fix);
    return {};
  }
  D3DSURFACE_DESC description{};
  texture->GetLevelDesc(0, &description);
  const std::span<const BYTE> pixels = d3d9::RecordedPixels(texture);
  d3d9::FrameImage image{description.Width, description.Height, {pixels.begin(), pixels.end()}};
  texture->Release();
  return image;
}

BYTE AlphaAt(const d3d9::FrameImage& image, int x, int y) {
  return image.rgba[(std::size_t(y) * image.width + std::size_t(x)) * 4 + 3];
}

// Whether any texel of [left, right) × [top, bottom), clipped to the image, is not transparent.
bool AnyVisible(const d3d9::FrameImage& image, int left, int top, int right, int bottom) {
  for (int y = std::max(top, 0); y < std::min(bottom, int(image.height)); ++y) {
    for (int x = std::max(left, 0); x < std::min(right, int(image.width)); ++x) {
      if (AlphaAt(image, x, y) != 0) return true;
    }
  }
  return false;
}

// False (and a warning) when the picture is not laid out on the grid's size.
bool CheckGridSize(const d3d9::FrameImage& image, const Picture& picture, LayoutGrid grid,
                   const char* templateName, Report& report) {
  if (int(image.width) == grid.width && int(image.height) == grid.height) return true;
  const std::string what = "the picture is " + std::to_string(image.width) + " \u00d7 " +
                           std::to_string(image.height) + " texels, not " +
                           std::to_string(grid.width) + " \u00d7 " + std::to_string(grid.height);
  const std::string fix = std::string("lay it out on ") + std::to_string(grid.width) + " \u00d7 " +
                          std::to_string(grid.height) + " (" + templateName +
                          " shows every rectangle)";
  if (std::uint64_t(image.width) * std::uint64_t(grid.height) ==
      std::uint64_t(image.height) * std::uint64_t(grid.width)) {
    report.Warning(picture.file, 0, what,
                   "its rectangles still find their pictures, but at 1024 \u00d7 768 no longer "
                   "one texel to a pixel, so they show blurred",
                   fix);
    return true;
  }
  report.Warning(picture.file, 0, what,
                 "the show cuts its rectangles at fixed fractions of the picture, so each shows "
                 "a part of something else, stretched",
                 fix);
  return false;
}

// Every rectangle holds something and keeps it inside, with a clear texel around it.
void CheckRectangles(const d3d9::FrameImage& image, const Picture& picture,
                     std::span<const LayoutRect> rects, LayoutGrid grid, const char* templateName,
                     Report& report, std::set<std::string>* flagged) {
  const float sx = float(image.width) / float(grid.width);
  const float sy = float(image.height) / float(grid.height);
  for (const LayoutRect& rect : rects) {
    const int left = int(std::floor(rect.left * sx)), top = int(std::floor(rect.top * sy));
    const int right = int(std::ceil(rect.right * sx)), bottom = int(std::ceil(rect.bottom * sy));
    const std::string name = Quoted(rect.name) + " rectangle (texels " + Texels(rect.left) + ", " +
                             Texels(rect.top) + ", " + Texels(rect.Width()) + " \u00d7 " +
                             Texels(rect.Height()) + ")";
    if (!AnyVisible(image, left, top, right, bottom)) {
      report.Warning(picture.file, 0, "the " + name + " is fully transparent",
                     std::string("nothing shows where the show draws the ") + rect.name,
                     std::string("draw it inside that rectangle (") + templateName + ")");
      flagged->insert(rect.name);
      continue;
    }
    const int d = rect.edgeMargin ? 2 : 1;
    const bool outside = AnyVisible(image, left - d, top - d, right + d, top - d + 1) ||
                         AnyVisible(image, left - d, bottom + d - 1, right + d, bottom + d) ||
                         AnyVisible(image, left - d, top - d, left - d + 1, bottom + d) ||
                         AnyVisible(image, right + d - 1, top - d, right + d, bottom + d);
    if (outside) {
      report.Warning(picture.file, 0, "the " + name + " has picture right outside its edge",
                     "the show cuts the picture at that edge and its filtering blends in what "
                     "lies beyond, so the edge shows cut off or with a seam",
                     "keep each picture inside its rectangle, with one clear texel around it");
      flagged->insert(rect.name);
    }
  }
}

void CheckAtlas(const d3d9::FrameImage& image, Report& report, std::set<std::string>* flagged) {
  if (!CheckGridSize(image, kTitleAtlas, kTitleAtlasGrid, "templates/tit-template.png", report)) {
    return;
  }
  CheckRectangles(image, kTitleAtlas, TitleAtlasRects(), kTitleAtlasGrid,
                  "templates/tit-template.png", report, flagged);
  const int w = int(image.width), h = int(image.height);
  if (AlphaAt(image, 0, 0) || AlphaAt(image, w - 1, 0) || AlphaAt(image, 0, h - 1) ||
      AlphaAt(image, w - 1, h - 1)) {
    report.Warning(kTitleAtlas.file, 0, "a corner texel is not fully transparent",
                   "the hot areas (the panel openers and closers, the track list's rows, the "
                   "information panel's toggle) are drawn from texel (0, 0), which filtering "
                   "mixes with the other corners, so they show as boxes",
                   "keep texel (0, 0) and the other three corners clear");
  }
}

void CheckCreditsPicture(const d3d9::FrameImage& image, Report& report,
                         std::set<std::string>* flagged) {
  if (!CheckGridSize(image, kCredits, kCreditsGrid, "templates/credits-template.png", report)) {
    return;
  }
  CheckRectangles(image, kCredits, CreditsRects(), kCreditsGrid, "templates/credits-template.png",
                  report, flagged);
}

std::string CharacterList(const std::vector<char>& characters) {
  std::string list;
  for (std::size_t i = 0; i < characters.size(); ++i) {
    if (i) list += i + 1 == characters.size() ? " and " : ", ";
    list += Quoted(std::string(1, characters[i]));
  }
  return list;
}

// Each glyph lies in its cell's band: between the trims, below the top 0.008 of the cell.
void CheckFontPicture(const d3d9::FrameImage& image, Report& report) {
  const int w = int(image.width), h = int(image.height);
  if (w != h || w % 8 || h % 8) {
    report.Warning(kFont.file, 0,
                   "the picture is " + std::to_string(w) + " \u00d7 " + std::to_string(h) +
                       " texels, which does not cut into 8 \u00d7 8 square cells of whole texels",
                   "the show cuts it into 8 \u00d7 8 equal cells all the same, so glyphs come out "
                   "stretched or with their neighbours' edges",
                   "make it square, its side a multiple of 8 (the demo disk's is 512)");
  }
  const float cellWidth = float(w) / 8.0f, cellHeight = float(h) / 8.0f;
  std::vector<char> empty, outside;
  for (int c = '!'; c <= 'Z'; ++c) {
    const int index = c - ' ', column = index % 8, row = index / 8;
    const float trim = GlyphTrim(static_cast<unsigned char>(c));
    const float x0 = float(column) * cellWidth, y0 = float(row) * cellHeight;
    const int cellLeft = int(std::lround(x0)), cellRight = int(std::lround(x0 + cellWidth));
    const int cellTop = int(std::lround(y0)), cellBottom = int(std::lround(y0 + cellHeight));
    // Texels wholly outside the band.
    const int bandLeft = int(std::floor(x0 + trim * cellWidth));
    const int bandRight = int(std::ceil(x0 + (1.0f - trim) * cellWidth));
    const int bandTop = int(std::floor(y0 + 0.008f * cellHeight));
    if (!AnyVisible(image, cellLeft, cellTop, cellRight, cellBottom)) {
      empty.push_back(char(c));
    } else if (AnyVisible(image, cellLeft, cellTop, bandLeft, cellBottom) ||
               AnyVisible(image, bandRight, cellTop, cellRight, cellBottom) ||
               AnyVisible(image, cellLeft, cellTop, cellRight, bandTop)) {
      outside.push_back(char(c));
    }
  }
  if (!empty.empty()) {
    report.Warning(kFont.file, 0, "the cells of " + CharacterList(empty) + " are empty",
                   "those characters show as gaps in every text",
                   "draw them in their cells (templates/font-template.png)");
  }
  if (!outside.empty()) {
    report.Warning(kFont.file, 0,
                   "the glyphs of " + CharacterList(outside) + " reach outside their bands",
                   "the show shows each glyph only between its cell's trims, so their sides are "
                   "cut off",
                   "keep each glyph between the lines of templates/font-template.png");
  }
}

void CheckCloudRing(const d3d9::FrameImage& image, Report& report) {
  if (image.width == image.height) return;
  report.Warning(kCloudRing.file, 0,
                 "the picture is " + std::to_string(image.width) + " \u00d7 " +
                     std::to_string(image.height) + " texels, not square",
                 "the show draws it whole on square rings, so it comes out stretched",
                 "make it square (the demo disk's is 512 \u00d7 512)");
}

// ---- disk.cfg and the songs ---------------------------------------------------------------------

// How a byte or UTF-8 sequence the font lacks is named in a message.
std::string CharacterName(const std::string& text, std::size_t at, std::size_t* length) {
  const auto c = static_cast<unsigned char>(text[at]);
  const std::size_t expected = c < 0x80         ? 1
                               : (c >> 5) == 6  ? 2
                               : (c >> 4) == 14 ? 3
                               : (c >> 3) == 30 ? 4
                                                : 0;
  bool valid = expected > 0 && at + expected <= text.size();
  for (std::size_t i = 1; valid && i < expected; ++i) {
    valid = (static_cast<unsigned char>(text[at + i]) & 0xC0) == 0x80;
  }
  *length = valid ? expected : 1;
  char name[48];
  if (!valid) {
    std::snprintf(name, sizeof name, "byte 0x%02X (not UTF-8)", c);
  } else if (c == '\t') {
    return "the tab";
  } else if (c < 32 || c == 127) {
    std::snprintf(name, sizeof name, "control character 0x%02X", c);
  } else {
    return Quoted(text.substr(at, expected));
  }
  return name;
}

// The characters of one line of text that the font cannot show, each named once with the column
// (in characters) where it first appears.
void CheckTextCharacters(const std::string& text, int line, const char* shownAs, Report& report) {
  std::vector<std::string> names;
  std::string list;
  int column = 0;
  for (std::size_t at = 0; at < text.size();) {
    ++column;
    std::size_t length = 1;
    const auto c = static_cast<unsigned char>(text[at]);
    if (c < 0x80 && GlyphAdvance(c, 1.0f) > 0.0f) {
      ++at;
      continue;
    }
    const std::string name = CharacterName(text, at, &length);
    at += length;
    if (std::find(names.begin(), names.end(), name) != names.end()) continue;
    names.push_back(name);
    list += (list.empty() ? "" : ", ") + name + " (column " + std::to_string(column) + ")";
  }
  if (names.empty()) return;
  report.Warning("disk.cfg", line, std::string("the font has no ") + list + " in this " + shownAs,
                 "the show leaves " + std::string(names.size() == 1 ? "it" : "them") +
                     " out and closes up the gap",
                 "use letters (lower case shows as upper case), digits, the space and "
                 "! \" # $ % & ' ( ) * + , - . / : ; < = > ? @");
}

struct TypeAdvice {
  std::string what;
  std::string fix;
};

std::string Lower(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

TypeAdvice AdviseType(const std::string& type) {
  const std::string lineShape =
      "each song takes exactly four lines (type, file name, title, information text): look for "
      "a line missing or extra above";
  if (type.empty()) return {"the type line is empty", lineShape};
  const std::size_t first = type.find_first_not_of(" \t\r");
  const std::string trimmed = first == std::string::npos
                                  ? ""
                                  : type.substr(first, type.find_last_not_of(" \t\r") + 1 - first);
  const std::string lower = Lower(trimmed);
  const std::string what = "the type " + Quoted(type) + " is neither \"mod\" nor \"stream\"";
  if (trimmed == "mod" || trimmed == "stream") {
    return {what + ": it has a space, tab or carriage return around it",
            "remove it: the type line is compared exactly, to its last character"};
  }
  if (lower == "mod" || lower == "stream") {
    return {what + ": it is compared in lower case", "write " + Quoted(lower)};
  }
  for (const char* near : {"module", "modules", "mods", "music", "tracker", "xm", "it", "s3m",
                           "protracker", "fasttracker"}) {
    if (lower == near) return {what, "a tracker module's type is \"mod\""};
  }
  for (const char* near : {"streams", "audio", "sound", "wav", "ogg", "flac", "mp3", "opus",
                           "sample", "song", "file"}) {
    if (lower == near) return {what, "a sound file's type is \"stream\""};
  }
  if (trimmed.find('.') != std::string::npos) {
    return {what + "; it looks like a file name", lineShape};
  }
  return {what, "write \"mod\" for a tracker module or \"stream\" for a sound file"};
}

struct SongFigures {
  double seconds = 0;
  double averageCells = 0;  // lit equalizer cells per analyzer sample
  bool silent = true;
  bool tooLong = false;
};

// The cells the equalizer lights at once for one spectrum sample.
int LitCells(const float* spectrum) {
  int lit = 0;
  for (int c = 0; c < Equalizer::kColumns; ++c) {
    const float level = spectrum[c] * Equalizer::kCellsPerUnit;
    lit += level >= float(Equalizer::kRows) ? Equalizer::kRows : (level >= 1.0f ? int(level) : 0);
  }
  return lit;
}

// Plays the song from its start to its end on the offline output, sampling its spectrum as the
// show's analyzers do, every 0.04 s.
SongFigures PlayThrough(DWORD handle) {
  SongFigures figures;
  BASS_ChannelPlay(handle, TRUE);
  const auto longest = std::uint64_t(kLongestSong * kOutputRate / kPassFrames);
  std::uint64_t passes = 0, samples = 0, cells = 0;
  while (BASS_ChannelIsActive(handle) == BASS_ACTIVE_PLAYING) {
    if (passes == longest) {
      figures.tooLong = true;
      break;
    }
    bass::RenderOfflineFrames(kPassFrames);
    if (++passes % 2) continue;
    float spectrum[256] = {};
    BASS_ChannelGetData(handle, spectrum, BASS_DATA_FFT512);
    cells += std::uint64_t(LitCells(spectrum));
    ++samples;
    if (*std::max_element(std::begin(spectrum), std::end(spectrum)) >= kSilentMagnitude) {
      figures.silent = false;
    }
  }
  BASS_ChannelStop(handle);
  figures.seconds = double(passes) * kPassFrames / kOutputRate;
  figures.averageCells = samples ? double(cells) / double(samples) : 0.0;
  return figures;
}

bool IsXmModule(const std::string& path) {
  char head[17] = {};
  std::ifstream file(path, std::ios::binary);
  file.read(head, sizeof head);
  return file && std::memcmp(head, "Extended Module: ", sizeof head) == 0;
}

struct Songs {
  int listed = 0;
  int failed = 0;
  double seconds = 0;
};

// One entry's song: loaded as the show loads it, then played through.
void CheckSong(const std::string& type, const std::string& file, int line, Songs* songs,
               Report& report) {
  const std::string skipped =
      "the show says \"Failed to load music file. Sorry.\" when it starts and skips the song";
  const std::string shown = "music/" + file;
  auto failed = [&](const std::string& what, const std::string& fix) {
    report.Error("disk.cfg", line, what, skipped, fix);
    ++songs->failed;
  };
  if (file.empty()) {
    failed("the file name line is empty",
           "each song takes exactly four lines (type, file name, title, information text)");
    return;
  }
  if (!StaysInMusicFolder(file)) {
    failed("the file name " + Quoted(file) + " leaves the music folder",
           "put the file in music/ and name it from there");
    return;
  }
  const std::string path = "data/music/" + file;
  const std::string problem = FileProblem(os::ResolveDataPath(path));
  if (!problem.empty()) {
    failed(shown + " " + problem,
           "put the file in music/, or correct its name (names are "
           "case-sensitive)");
    return;
  }
  const bool module = type == "mod";
  DWORD handle = module ? BASS_MusicLoad(FALSE, path.c_str(), 0, 0, ModuleLoadFlags(path), 0)
                        : BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_SAMPLE_FLOAT);
  if (!handle) {
    const std::string reason = bass::LastLoadError();
    // Loaded by the other kind's loader, it would play: the type is what is wrong.
    DWORD other = module ? BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_SAMPLE_FLOAT)
                         : BASS_MusicLoad(FALSE, path.c_str(), 0, 0, ModuleLoadFlags(path), 0);
    BASS_MusicFree(other);
    failed(shown + " does not load as " + (module ? "a tracker module" : "a sound file") + ": " +
               reason,
           other ? (module ? "it is a sound file: make its type \"stream\""
                           : "it is a tracker module: make its type \"mod\"")
                 : "replace it with a file that plays (modules: what libopenmpt reads; streams: "
                   "WAV, FLAC, Ogg Vorbis, Opus, MP3)");
    return;
  }
  if (module && file.size() >= 3 && Lower(file.substr(file.size() - 3)) == ".xm") {
    if (file.compare(file.size() - 3, 3, ".XM") != 0) {
      report.Warning("disk.cfg", line,
                     Quoted(file) + " ends in \"" + file.substr(file.size() - 3) +
                         "\", not in upper-case \".XM\"",
                     "the show plays it ProTracker-style (with ProTracker 1's quirks)",
                     "name it with \".XM\" to play it FastTracker-style");
    } else if (!IsXmModule(os::ResolveDataPath(path))) {
      report.Warning("disk.cfg", line,
                     Quoted(file) + " ends in upper-case \".XM\" but is not a FastTracker 2 module",
                     "the show plays it FastTracker-style (with FastTracker 2's quirks)",
                     "give it the ending of its own format");
    }
  }
  const SongFigures figures = PlayThrough(handle);
  BASS_MusicFree(handle);
  songs->seconds += figures.seconds;
  if (figures.tooLong) {
    report.Warning("disk.cfg", line, shown + " plays for more than " + PlayingTime(kLongestSong),
                   "the show plays it to its end; the check listened to its first " +
                       PlayingTime(kLongestSong) + " only",
                   "check that it does not loop back, which libopenmpt ends only at a row "
                   "already played");
  }
  char cells[64];
  std::snprintf(cells, sizeof cells, "%.1f", figures.averageCells);
  if (figures.silent) {
    report.Warning("disk.cfg", line, shown + " is silent (" + PlayingTime(figures.seconds) + ")",
                   "nothing is heard and the equalizer, the beat spots and the cube stay still "
                   "while it plays",
                   "check that the file holds the song");
  } else if (figures.averageCells < kQuietCells) {
    report.Warning("disk.cfg", line,
                   shown + " is so quiet that the equalizer lights " + cells +
                       " of its 192 cells on average (fewer than 24)",
                   "the equalizer stays dark while it plays",
                   "master it louder: the equalizer shows the lowest 16 bins of the spectrum, up "
                   "to about 1.4 kHz");
  }
}

void CheckConfiguration(Report& report, Songs* songs) {
  const std::string problem = FileProblem(DataPath("disk.cfg"));
  if (!problem.empty()) {
    report.Error("disk.cfg", 0, "the file " + problem, "the show has no songs and plays silence",
                 "write a disk.cfg: the number of songs, then four lines a song (orvell "
                 "--new-disk DIR writes the demo disk's)");
    return;
  }
  DiskConfig config;
  config.Open(DataPath("disk.cfg"));
  const int count = config.ReadSongCount();
  if (config.Failed()) {
    // The failed reader reads nothing more; a second one fetches the line for the message.
    const int line = config.LineNumber();
    DiskConfig again;
    again.Open(DataPath("disk.cfg"));
    std::string first;
    for (int i = 0; i < line; ++i) first = again.ReadLine();
    report.Error("disk.cfg", line,
                 first.empty() ? "the file holds no song count"
                               : "the first line " + Quoted(first) + " is not a number",
                 "the show reads no songs and plays silence",
                 "begin the file with the number of songs on a line of its own");
    return;
  }
  const int countLine = std::max(1, config.LineNumber() - 1);
  const std::size_t present = config.EntriesLeft();
  const int songCount = SaneSongCount(count, present);
  if (count <= 0) {
    report.Error("disk.cfg", countLine, "the song count is " + std::to_string(count),
                 "the show has no songs and plays silence",
                 "give the number of songs the file lists");
  } else if (count > kTrackListRows) {
    report.Warning("disk.cfg", countLine,
                   "the disk lists " + std::to_string(count) + " songs; the track list has " +
                       std::to_string(kTrackListRows) + " rows",
                   "songs " + std::to_string(kTrackListRows + 1) +
                       " and up have no row to click: only the arrow keys and the transport "
                       "buttons reach them",
                   "keep to 32 songs, or say in the texts how to reach the others");
  } else if (count > kTrackListFirstColumnRows) {
    report.Warning("disk.cfg", countLine,
                   "the disk lists " + std::to_string(count) +
                       " songs; the track list's first "
                       "column has " +
                       std::to_string(kTrackListFirstColumnRows) + " rows",
                   "songs " + std::to_string(kTrackListFirstColumnRows + 1) +
                       " and up are clicked in the second column",
                   "put their titles in the second column of the track list panel picture");
  }
  songs->listed = songCount;
  const int entries = std::min(songCount, int(present));
  for (int i = 0; i < entries; ++i) {
    const int typeLine = config.LineNumber();
    const std::string type = config.ReadLine();
    const int fileLine = config.LineNumber();
    const std::string file = config.ReadLine();
    const int titleLine = config.LineNumber();
    const std::string title = config.ReadLine();
    if (type == "mod" || type == "stream") {
      CheckSong(type, file, fileLine, songs, report);
    } else {
      const TypeAdvice advice = AdviseType(type);
      report.Error("disk.cfg", typeLine, advice.what,
                   "the show says \"Unsupported song type\" and \"Failed to load music file. "
                   "Sorry.\" when it starts, and skips the song",
                   advice.fix);
      ++songs->failed;
    }
    CheckTextCharacters(title, titleLine, "title", report);
    const int infoLine = config.LineNumber();
    CheckTextCharacters(config.ReadLine(), infoLine, "information text", report);
  }
  if (songCount > entries) {
    report.Error("disk.cfg", countLine,
                 "the count says " + Plural(count, "song") + " but the file describes " +
                     std::to_string(entries),
                 "the show says \"Unsupported song type\" and \"Failed to load music file. "
                 "Sorry.\" for each missing one, skips them, and has no credits text",
                 "make the count " + std::to_string(entries) + ", or add the missing songs");
    songs->failed += songCount - entries;
  }
  int line = config.LineNumber();
  const std::string credits = config.ReadRest();
  for (std::size_t start = 0; start < credits.size(); ++line) {
    const std::size_t end = credits.find('\n', start);
    CheckTextCharacters(credits.substr(start, end - start), line, "credits line", report);
    start = end + 1;
  }
}

}  // namespace

int CheckDisk(const std::string& folder, const std::string& picturesFolder) {
  std::error_code error;
  if (fs::is_directory(folder, error)) fs::directory_iterator listing(folder, error);
  if (error || !fs::is_directory(folder)) {
    std::printf(
        "%s: error: cannot read the folder%s \u2014 the show would find none of its "
        "files \u2014 give --data the folder that holds disk.cfg\n",
        folder.c_str(), error ? (": " + error.message()).c_str() : "");
    return 2;
  }
  os::SetBatchMode(true);
  os::SetDataFolder(folder);
  Report report(folder);
  Devices devices;
  OpenDevices(&devices);

  CheckEffect(devices, report);
  DiskPictures pictures;
  pictures.font = LoadPicture(devices, kFont, report);
  if (!pictures.font.rgba.empty()) CheckFontPicture(pictures.font, report);
  pictures.titleAtlas = LoadPicture(devices, kTitleAtlas, report);
  if (!pictures.titleAtlas.rgba.empty()) CheckAtlas(pictures.titleAtlas, report, &pictures.flagged);
  const d3d9::FrameImage ring = LoadPicture(devices, kCloudRing, report);
  if (!ring.rgba.empty()) CheckCloudRing(ring, report);
  pictures.credits = LoadPicture(devices, kCredits, report);
  if (!pictures.credits.rgba.empty()) {
    CheckCreditsPicture(pictures.credits, report, &pictures.flagged);
  }

  // The sound goes nowhere: the offline output mixes only when told and writes to no device.
  Songs songs;
  if (bass::UseOfflineOutput("/dev/null") && BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
    CheckConfiguration(report, &songs);
    BASS_Free();
  } else {
    std::fprintf(stderr, "orvell: cannot start the offline audio output to check the songs\n");
    return 2;
  }

  if (!picturesFolder.empty()) {
    std::string message;
    if (!WritePictureOverlays(pictures, picturesFolder, &message)) {
      std::fprintf(stderr, "orvell: %s\n", message.c_str());
    }
  }
  std::string summary = Plural(songs.listed, "song");
  if (songs.failed) summary += " (" + std::to_string(songs.failed) + " do not load)";
  summary += ", " + PlayingTime(songs.seconds) + " playing time, " +
             Plural(report.errors, "error") + ", " + Plural(report.warnings, "warning");
  std::printf("%s\n", summary.c_str());
  return report.errors ? 1 : 0;
}
