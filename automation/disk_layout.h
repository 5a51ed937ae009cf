// Where the show cuts its pictures: every rectangle of the title atlas and of the credits picture,
// in texels of the grid each picture is laid out on, with the name a disk maker knows it by. The
// disk checker and the disk templates read them from here.
#pragma once

#include <span>

enum class LayoutPicture { kTitleAtlas, kCredits };

struct LayoutRect {
  const char* name;
  LayoutPicture picture;
  // Texels of the picture's layout grid (2048 × 1024 for the atlas, 1024 × 1024 for the
  // credits); right and bottom exclusive, and fractional where the show cuts a texel.
  float left, top, right, bottom;
  // Its outermost texels may repeat beyond it: the background strip is stretched over the
  // whole screen and carries a margin of its own edge colours.
  bool edgeMargin = false;

  float Width() const { return right - left; }
  float Height() const { return bottom - top; }
};

// The grid the show's texture coordinates were laid out on.
struct LayoutGrid {
  int width, height;
};
constexpr LayoutGrid kTitleAtlasGrid{2048, 1024};
constexpr LayoutGrid kCreditsGrid{1024, 1024};

// The atlas's pictures, buttons and captions, the roto-zoom's title picture among them.
std::span<const LayoutRect> TitleAtlasRects();
// The eighteen credit sprites of the intro's roto-zoom, "credit 1" to "credit 18".
std::span<const LayoutRect> CreditsRects();

// The track list panel's rows: the first column holds songs 1 to 17, the second the rest, and
// there are 32 rows in all.
constexpr int kTrackListFirstColumnRows = 17;
constexpr int kTrackListRows = 32;
