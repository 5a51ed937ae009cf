// The rectangles as the scenes and visualizers pass them, in texels: atlas coordinates given in
// units of 1/1024 are two texels across and one down per unit.
#include "automation/disk_layout.h"

namespace {

constexpr LayoutRect Atlas(const char* name, float left, float top, float width, float height,
                           bool edgeMargin = false) {
  return {name, LayoutPicture::kTitleAtlas, left, top, left + width, top + height, edgeMargin};
}

constexpr LayoutRect Credit(const char* name, float left, float top, float width, float height) {
  return {name, LayoutPicture::kCredits, left, top, left + width, top + height};
}

constexpr LayoutRect kTitleAtlas[] = {
    Atlas("logo", 1295, 453, 308, 128),
    Atlas("background strip", 1955, 27, 64, 763, true),
    Atlas("caption 1", 1632, 463, 289, 42),
    Atlas("caption 2", 1717, 401, 201, 48),
    Atlas("caption 3", 1478, 340, 435, 43),
    Atlas("closing picture", 1210, 610, 600, 395),
    Atlas("presents caption", 769, 613, 116, 32),
    Atlas("frame picture", 0, 0, 765, 610),
    Atlas("previous button", 1237, 253, 35, 36),
    Atlas("stop button", 1279, 253, 35, 36),
    Atlas("play button", 1323, 253, 35, 36),
    Atlas("next button", 1366, 253, 35, 36),
    // Its bottom edge is texture coordinate 0.2626459, inside row 268.
    Atlas("louder button", 1409, 253, 35, 0.2626459f * 1024 - 253),
    Atlas("softer button", 1409, 272, 35, 17),
    // Rolled out; the bottom edge moves up with the roll.
    Atlas("information panel", 1232, 4, 209, 215),
    Atlas("information tab", 1236, 298, 208, 22),
    Atlas("picture panel", 771, 274, 455, 243),
    Atlas("credits panel", 770, 3, 455, 243),
    Atlas("track list panel", 1468, 4, 455, 313),
    Atlas("beat spot", 1248, 367, 62, 62),
    Atlas("equalizer cell", 1338, 233, 26, 8),
    Atlas("title picture", 440, 680, 730, 300),
};

constexpr LayoutRect kCredits[] = {
    Credit("credit 1", 4, 4, 178, 86),      Credit("credit 2", 192, 4, 276, 86),
    Credit("credit 3", 480, 4, 358, 86),    Credit("credit 4", 4, 100, 272, 86),
    Credit("credit 5", 290, 100, 294, 86),  Credit("credit 6", 592, 100, 282, 86),
    Credit("credit 7", 4, 196, 318, 86),    Credit("credit 8", 336, 196, 184, 86),
    Credit("credit 9", 530, 196, 298, 86),  Credit("credit 10", 4, 292, 212, 86),
    Credit("credit 11", 224, 292, 228, 86), Credit("credit 12", 466, 292, 550, 86),
    Credit("credit 13", 4, 388, 296, 88),   Credit("credit 14", 304, 388, 426, 88),
    Credit("credit 15", 4, 486, 314, 88),   Credit("credit 16", 322, 488, 164, 82),
    Credit("credit 17", 498, 486, 262, 88), Credit("credit 18", 774, 486, 240, 86),
};

}  // namespace

std::span<const LayoutRect> TitleAtlasRects() {
  return kTitleAtlas;
}

std::span<const LayoutRect> CreditsRects() {
  return kCredits;
}
