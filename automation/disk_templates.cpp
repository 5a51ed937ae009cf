// Drawing the templates and overlays: flat colours, outlines and labels in a built-in 5 × 7
// bitmap font (the disk's own font may be the one being made), written as PNG files through the
// frame capture's writer.
#include "automation/disk_templates.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <system_error>
#include <vector>

#include "automation/disk_layout.h"
#include "graphics/font_layout.h"

namespace fs = std::filesystem;

namespace {

struct Rgba {
  BYTE r, g, b, a;
};

constexpr Rgba kBackground{24, 30, 38, 255};
constexpr Rgba kRectFill{38, 66, 84, 255};
constexpr Rgba kOutline{96, 215, 255, 255};
constexpr Rgba kFlagged{255, 80, 64, 255};
constexpr Rgba kLabel{240, 244, 248, 255};
constexpr Rgba kShadow{0, 0, 0, 255};
constexpr Rgba kCutAway{74, 30, 40, 255};
constexpr Rgba kGuide{120, 150, 170, 255};

// Rows of five pixels, the highest bit the leftmost.
struct TinyGlyph {
  char c;
  BYTE rows[7];
};
constexpr TinyGlyph kTinyFont[] = {
    {' ', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
    {'!', {0x04, 0x04, 0x04, 0x04, 0x04, 0x00, 0x04}},
    {'"', {0x0A, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00}},
    {'#', {0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A}},
    {'$', {0x04, 0x0F, 0x14, 0x0E, 0x05, 0x1E, 0x04}},
    {'%', {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03}},
    {'&', {0x0C, 0x12, 0x14, 0x08, 0x15, 0x12, 0x0D}},
    {'\'', {0x04, 0x04, 0x08, 0x00, 0x00, 0x00, 0x00}},
    {'(', {0x02, 0x04, 0x08, 0x08, 0x08, 0x04, 0x02}},
    {')', {0x08, 0x04, 0x02, 0x02, 0x02, 0x04, 0x08}},
    {'*', {0x00, 0x04, 0x15, 0x0E, 0x15, 0x04, 0x00}},
    {'+', {0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00}},
    {',', {0x00, 0x00, 0x00, 0x00, 0x0C, 0x04, 0x08}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {'/', {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00}},
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {';', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x04, 0x08}},
    {'<', {0x02, 0x04, 0x08, 0x10, 0x08, 0x04, 0x02}},
    {'=', {0x00, 0x00, 0x1F, 0x00, 0x1F, 0x00, 0x00}},
    {'>', {0x08, 0x04, 0x02, 0x01, 0x02, 0x04, 0x08}},
    {'?', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x00, 0x04}},
    {'@', {0x0E, 0x11, 0x17, 0x15, 0x17, 0x10, 0x0F}},
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04}},
    {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'x', {0x00, 0x00, 0x11, 0x0A, 0x04, 0x0A, 0x11}},
};

const TinyGlyph* TinyGlyphOf(char c) {
  for (const TinyGlyph& glyph : kTinyFont) {
    if (glyph.c == c) return &glyph;
  }
  return nullptr;
}

// Every coordinate is in texels of the image and clipped to it.
class Canvas {
 public:
  explicit Canvas(d3d9::FrameImage& image) : image_(image) {}

  static d3d9::FrameImage Blank(UINT width, UINT height, Rgba colour) {
    d3d9::FrameImage image{width, height, std::vector<BYTE>(std::size_t(width) * height * 4)};
    for (std::size_t i = 0; i < image.rgba.size(); i += 4) {
      image.rgba[i] = colour.r;
      image.rgba[i + 1] = colour.g;
      image.rgba[i + 2] = colour.b;
      image.rgba[i + 3] = colour.a;
    }
    return image;
  }

  // The picture laid over an opaque background, so that its clear parts read as background.
  static d3d9::FrameImage Flattened(const d3d9::FrameImage& picture) {
    d3d9::FrameImage image = Blank(picture.width, picture.height, kBackground);
    for (std::size_t i = 0; i < image.rgba.size(); i += 4) {
      const int alpha = picture.rgba[i + 3];
      for (int k = 0; k < 3; ++k) {
        image.rgba[i + k] =
            BYTE((picture.rgba[i + k] * alpha + image.rgba[i + k] * (255 - alpha)) / 255);
      }
    }
    return image;
  }

  int Width() const { return int(image_.width); }
  int Height() const { return int(image_.height); }

  void Put(int x, int y, Rgba colour) {
    if (x < 0 || y < 0 || x >= Width() || y >= Height()) return;
    BYTE* p = &image_.rgba[(std::size_t(y) * image_.width + std::size_t(x)) * 4];
    p[0] = colour.r;
    p[1] = colour.g;
    p[2] = colour.b;
    p[3] = 255;
  }

  // Right and bottom exclusive.
  void Fill(int left, int top, int right, int bottom, Rgba colour) {
    for (int y = std::max(top, 0); y < std::min(bottom, Height()); ++y) {
      for (int x = std::max(left, 0); x < std::min(right, Width()); ++x) Put(x, y, colour);
    }
  }

  // On the box's outermost texels, so that the line shows exactly what is cut out.
  void Outline(int left, int top, int right, int bottom, Rgba colour) {
    Fill(left, top, right, top + 1, colour);
    Fill(left, bottom - 1, right, bottom, colour);
    Fill(left, top, left + 1, bottom, colour);
    Fill(right - 1, top, right, bottom, colour);
  }

  void Circle(float centreX, float centreY, float radius, Rgba colour) {
    const int steps = int(radius * 8) + 8;
    for (int i = 0; i < steps; ++i) {
      const double angle = 2 * std::numbers::pi * i / steps;
      Put(int(std::floor(centreX + radius * std::cos(angle))),
          int(std::floor(centreY + radius * std::sin(angle))), colour);
    }
  }

  static int TextWidth(const std::string& text, int scale) {
    return text.empty() ? 0 : int(text.size()) * 6 * scale - scale;
  }
  static int LineHeight(int scale) { return 9 * scale; }

  // Capitals, digits and the "x" of sizes, with a shadow below and to the right.
  void Text(int x, int y, const std::string& text, int scale, Rgba colour) {
    for (int pass = 0; pass < 2; ++pass) {
      const int offset = pass == 0 ? scale : 0;
      int pen = x + offset;
      for (char c : text) {
        if (const TinyGlyph* glyph = TinyGlyphOf(c)) {
          for (int row = 0; row < 7; ++row) {
            for (int column = 0; column < 5; ++column) {
              if (glyph->rows[row] & (0x10 >> column)) {
                Fill(pen + column * scale, y + offset + row * scale, pen + (column + 1) * scale,
                     y + offset + (row + 1) * scale, pass == 0 ? kShadow : colour);
              }
            }
          }
        }
        pen += 6 * scale;
      }
    }
  }

 private:
  d3d9::FrameImage& image_;
};

std::string TexelNumber(float value) {
  char text[32];
  if (std::fabs(value - std::round(value)) < 0.001f) {
    std::snprintf(text, sizeof text, "%d", int(std::lround(value)));
  } else {
    std::snprintf(text, sizeof text, "%.1f", double(value));
  }
  return text;
}

std::string Upper(std::string text) {
  for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// A rectangle in texels of the picture being drawn on.
struct Box {
  int left, top, right, bottom;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

Box ScaledBox(const LayoutRect& rect, LayoutGrid grid, const Canvas& canvas) {
  const float sx = float(canvas.Width()) / float(grid.width);
  const float sy = float(canvas.Height()) / float(grid.height);
  return {int(std::floor(rect.left * sx)), int(std::floor(rect.top * sy)),
          int(std::ceil(rect.right * sx)), int(std::ceil(rect.bottom * sy))};
}

// Outlines every rectangle and labels it with its name and size, inside it where the label fits,
// else with a number inside or beside it that the legend at legendX, legendY explains.
void DrawRectangles(Canvas& canvas, std::span<const LayoutRect> rects, LayoutGrid grid, bool fill,
                    const std::set<std::string>& flagged, int legendX, int legendY,
                    const std::vector<std::string>& notes) {
  std::vector<std::string> legend;
  for (const LayoutRect& rect : rects) {
    const Box box = ScaledBox(rect, grid, canvas);
    if (fill) canvas.Fill(box.left, box.top, box.right, box.bottom, kRectFill);
    canvas.Outline(box.left, box.top, box.right, box.bottom,
                   flagged.count(rect.name) ? kFlagged : kOutline);
  }
  for (const LayoutRect& rect : rects) {
    const Box box = ScaledBox(rect, grid, canvas);
    const std::string name = Upper(rect.name);
    const std::string size = TexelNumber(rect.Width()) + "x" + TexelNumber(rect.Height());
    bool placed = false;
    for (int scale = 2; scale >= 1 && !placed; --scale) {
      const int pad = 2 * scale + 1;
      const int line = Canvas::LineHeight(scale);
      const int twoLines = std::max(Canvas::TextWidth(name, scale), Canvas::TextWidth(size, scale));
      if (twoLines + 2 * pad <= box.Width() && 2 * line + pad <= box.Height()) {
        canvas.Text(box.left + pad, box.top + pad, name, scale, kLabel);
        canvas.Text(box.left + pad, box.top + pad + line, size, scale, kLabel);
        placed = true;
      } else if (Canvas::TextWidth(name + " " + size, scale) + 2 * pad <= box.Width() &&
                 line + pad <= box.Height()) {
        canvas.Text(box.left + pad, box.top + pad, name + " " + size, scale, kLabel);
        placed = true;
      }
    }
    if (placed) continue;
    const std::string number = std::to_string(legend.size() + 1);
    legend.push_back(number + "  " + name + " " + size);
    const int scale = Canvas::TextWidth(number, 2) + 4 <= box.Width() && 18 <= box.Height() ? 2 : 1;
    if (Canvas::TextWidth(number, scale) + 2 <= box.Width() && 7 * scale + 1 <= box.Height()) {
      canvas.Text(box.left + 2, box.top + 1, number, scale, kLabel);
    } else {
      canvas.Text(box.right + 2, box.top, number, 1, kLabel);
    }
  }
  const float sx = float(canvas.Width()) / float(grid.width);
  const float sy = float(canvas.Height()) / float(grid.height);
  int y = int(float(legendY) * sy);
  const int x = int(float(legendX) * sx);
  for (const std::string& line : legend) {
    canvas.Text(x, y, line, 2, kLabel);
    y += Canvas::LineHeight(2);
  }
  if (!legend.empty()) y += Canvas::LineHeight(2);
  for (const std::string& line : notes) {
    canvas.Text(x, y, line, 2, kGuide);
    y += Canvas::LineHeight(2);
  }
}

const std::vector<std::string> kAtlasNotes = {
    "TEXELS ON A 2048x1024 GRID.",      "KEEP ONE CLEAR TEXEL AROUND",   "EVERY PICTURE.",
    "TEXEL (0,0) AND THE FOUR CORNERS", "STAY CLEAR: THE HOT AREAS ARE", "DRAWN FROM THEM.",
};
const std::vector<std::string> kCreditsNotes = {
    "CREDIT SPRITES ON A 1024x1024 GRID, SHOWN ONE BY ONE IN A RANDOM ORDER.",
    "KEEP ONE CLEAR TEXEL AROUND EVERY SPRITE.",
};
// Below the frame picture and left of the title picture, where the atlas holds nothing.
constexpr int kAtlasLegendX = 8, kAtlasLegendY = 626;
constexpr int kCreditsLegendX = 8, kCreditsLegendY = 600;

// The font's 8 × 8 cells of " " to "Z": each glyph is shown only between its trims and below the
// top 0.008 of its cell; with a picture, only the band edges and cell borders are drawn over it.
void DrawFontCells(Canvas& canvas, bool blank) {
  const float cellWidth = float(canvas.Width()) / 8.0f;
  const float cellHeight = float(canvas.Height()) / 8.0f;
  for (int i = 0; i < 64; ++i) {
    const int column = i % 8, row = i / 8;
    const float x0 = float(column) * cellWidth, y0 = float(row) * cellHeight;
    const Box cell{int(std::lround(x0)), int(std::lround(y0)), int(std::lround(x0 + cellWidth)),
                   int(std::lround(y0 + cellHeight))};
    if (i >= 59) {
      if (blank) canvas.Text(cell.left + 4, cell.top + 4, "-", 1, kGuide);
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(32 + i);
    const float trim = GlyphTrim(c);
    const float bandLeft = x0 + trim * cellWidth, bandRight = x0 + (1.0f - trim) * cellWidth;
    const float bandTop = y0 + 0.008f * cellHeight;
    const Box band{int(std::lround(bandLeft)), int(std::ceil(bandTop)), int(std::lround(bandRight)),
                   cell.bottom};
    if (blank) {
      canvas.Fill(cell.left, cell.top, cell.right, cell.bottom, kCutAway);
      canvas.Fill(band.left, band.top, band.right, band.bottom, kRectFill);
      const std::string shown = c == ' ' ? "SP" : std::string(1, char(c));
      const int scale = c == ' ' ? 2 : 3;
      canvas.Text((band.left + band.right - Canvas::TextWidth(shown, scale)) / 2,
                  cell.top + (cell.Height() - 7 * scale) / 2 - 4, shown, scale, kLabel);
      const std::string width = TexelNumber(bandRight - bandLeft);
      canvas.Text((cell.left + cell.right - Canvas::TextWidth(width, 1)) / 2, cell.bottom - 10,
                  width, 1, kGuide);
    } else {
      canvas.Text(cell.left + 2, cell.top + 2, c == ' ' ? "SP" : std::string(1, char(c)), 1,
                  kOutline);
    }
    canvas.Fill(band.left, cell.top, band.left + 1, cell.bottom, kOutline);
    canvas.Fill(band.right - 1, cell.top, band.right, cell.bottom, kOutline);
    canvas.Outline(cell.left, cell.top, cell.right, cell.bottom, kGuide);
  }
}

void DrawCloudRing(Canvas& canvas) {
  const float size = float(canvas.Width());
  canvas.Outline(0, 0, canvas.Width(), canvas.Height(), kOutline);
  canvas.Circle(size / 2, size / 2, size / 2 - 1, kOutline);
  canvas.Fill(int(size / 2) - 8, int(size / 2), int(size / 2) + 8, int(size / 2) + 1, kGuide);
  canvas.Fill(int(size / 2), int(size / 2) - 8, int(size / 2) + 1, int(size / 2) + 8, kGuide);
  const std::vector<std::string> lines = {
      "CLOUD RING " + std::to_string(canvas.Width()) + "x" + std::to_string(canvas.Height()),
      "",
      "THE WHOLE SQUARE IS DRAWN ON",
      "EACH OF SIX RINGS, LARGER AND",
      "LARGER, EACH TURNING ON ITS OWN.",
      "",
      "KEEP THE PICTURE INSIDE THE",
      "CIRCLE AND CLEAR AT ITS EDGE,",
      "AND LEAVE GAPS THAT LET THE",
      "RINGS BEHIND IT SHOW.",
  };
  int y = int(size / 2) - 140;
  for (const std::string& line : lines) {
    canvas.Text((canvas.Width() - Canvas::TextWidth(line, 2)) / 2, y, line, 2, kLabel);
    y += line.empty() ? 10 : Canvas::LineHeight(2);
  }
}

bool Write(const d3d9::FrameImage& image, const fs::path& path, std::string* error) {
  return d3d9::WritePng(image, path.string(), error);
}

}  // namespace

bool WriteTemplates(const std::string& folder, std::string* error) {
  std::error_code failure;
  fs::create_directories(folder, failure);
  if (failure) {
    *error = "cannot create " + folder + ": " + failure.message();
    return false;
  }
  const fs::path out(folder);
  const std::set<std::string> none;

  d3d9::FrameImage atlas =
      Canvas::Blank(kTitleAtlasGrid.width, kTitleAtlasGrid.height, kBackground);
  Canvas atlasCanvas(atlas);
  DrawRectangles(atlasCanvas, TitleAtlasRects(), kTitleAtlasGrid, true, none, kAtlasLegendX,
                 kAtlasLegendY, kAtlasNotes);

  d3d9::FrameImage credits = Canvas::Blank(kCreditsGrid.width, kCreditsGrid.height, kBackground);
  Canvas creditsCanvas(credits);
  DrawRectangles(creditsCanvas, CreditsRects(), kCreditsGrid, true, none, kCreditsLegendX,
                 kCreditsLegendY, kCreditsNotes);

  d3d9::FrameImage font = Canvas::Blank(512, 512, kBackground);
  Canvas fontCanvas(font);
  DrawFontCells(fontCanvas, true);

  d3d9::FrameImage ring = Canvas::Blank(512, 512, kBackground);
  Canvas ringCanvas(ring);
  DrawCloudRing(ringCanvas);

  return Write(atlas, out / "tit-template.png", error) &&
         Write(credits, out / "credits-template.png", error) &&
         Write(font, out / "font-template.png", error) &&
         Write(ring, out / "cloudring-template.png", error);
}

bool WritePictureOverlays(const DiskPictures& pictures, const std::string& folder,
                          std::string* error) {
  std::error_code failure;
  fs::create_directories(folder, failure);
  if (failure) {
    *error = "cannot create " + folder + ": " + failure.message();
    return false;
  }
  const fs::path out(folder);
  if (!pictures.titleAtlas.rgba.empty()) {
    d3d9::FrameImage atlas = Canvas::Flattened(pictures.titleAtlas);
    Canvas canvas(atlas);
    DrawRectangles(canvas, TitleAtlasRects(), kTitleAtlasGrid, false, pictures.flagged,
                   kAtlasLegendX, kAtlasLegendY, {});
    if (!Write(atlas, out / "tit-rectangles.png", error)) return false;
  }
  if (!pictures.credits.rgba.empty()) {
    d3d9::FrameImage credits = Canvas::Flattened(pictures.credits);
    Canvas canvas(credits);
    DrawRectangles(canvas, CreditsRects(), kCreditsGrid, false, pictures.flagged, kCreditsLegendX,
                   kCreditsLegendY, {});
    if (!Write(credits, out / "credits-rectangles.png", error)) return false;
  }
  if (!pictures.font.rgba.empty()) {
    d3d9::FrameImage font = Canvas::Flattened(pictures.font);
    Canvas canvas(font);
    DrawFontCells(canvas, false);
    if (!Write(font, out / "font-cells.png", error)) return false;
  }
  return true;
}

int WriteNewDisk(const std::string& folder, const std::string& sourceFolder) {
  auto fail = [](const std::string& message) {
    std::fprintf(stderr, "orvell: %s\n", message.c_str());
    return 1;
  };
  std::error_code failure;
  if (!fs::is_directory(sourceFolder, failure)) {
    return fail("there is no disk to copy: " + sourceFolder +
                " is not a folder (name the disk to start from with --data DIR)");
  }
  const fs::path target(folder);
  if (fs::exists(target, failure) &&
      (!fs::is_directory(target, failure) || !fs::is_empty(target, failure))) {
    return fail(folder + " already exists and is not empty; give --new-disk a new folder");
  }
  fs::create_directories(target, failure);
  if (failure) return fail("cannot create " + folder + ": " + failure.message());
  for (const fs::directory_entry& entry : fs::directory_iterator(sourceFolder, failure)) {
    // The demo disk's README describes how its own pictures and songs were made.
    if (entry.path().filename() == "README.md") continue;
    fs::copy(entry.path(), target / entry.path().filename(), fs::copy_options::recursive, failure);
    if (failure) {
      return fail("cannot copy " + entry.path().string() + " into " + folder + ": " +
                  failure.message());
    }
  }
  if (failure) return fail("cannot read " + sourceFolder + ": " + failure.message());
  // An installed disk is read-only; the copy is the maker's to edit.
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(target, failure)) {
    fs::permissions(entry.path(),
                    entry.is_directory() ? fs::perms::owner_all : fs::perms::owner_write,
                    fs::perm_options::add, failure);
  }
  std::string error;
  if (!WriteTemplates((target / "templates").string(), &error)) return fail(error);
  std::printf(
      "Wrote a new disk to %s, a copy of %s.\n"
      "  Play it:   orvell --data %s\n"
      "  Check it:  orvell --check --data %s\n"
      "Templates of its pictures, every rectangle the show cuts out outlined and labelled, are in\n"
      "%s/templates.\n",
      folder.c_str(), sourceFolder.c_str(), folder.c_str(), folder.c_str(), folder.c_str());
  return 0;
}
