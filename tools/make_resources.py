#!/usr/bin/python3
"""Usage: make_resources.py [OUTPUT_DIR]   (default: the resources/ folder of this checkout)

Draws the program's own resources in the demo disk's visual language: the icon (16 and 32 pixels
for the window and the setup dialog, 48 and 256 for the desktop), the setup dialog's 114 × 64 logo
and the hand cursor. Same bytes on every run."""
import sys
from pathlib import Path

from PIL import Image

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parent))
import disk_style as style  # noqa: E402
from disk_style import AMBER, CYAN, ICE, NIGHT, WHITE, blank, over  # noqa: E402
from png import write_png_bytes  # noqa: E402

ROOT = Path(__file__).resolve().parent.parent


def icon(size):
    """The emblem on a tile of the disk's night glass. Small icons get a thicker ring and no glow,
    so that the ring still reads as one at 16 pixels."""
    small = size <= 32
    layer = blank(size, size)
    inset = 0 if small else size / 32
    tile = style.panel(size, size, (inset, inset, size - inset, size - inset), radius=size * 0.22,
                       top=(28, 46, 90), bottom=(8, 14, 34), opacity=1.0, rim=not small)
    over(layer, tile)
    mark = style.emblem(round(size * (0.84 if small else 0.86)), thickness=0.3 if small else 0.2, dot=True,
                        halo=not small)
    over(layer, mark, ((size - mark.width) // 2, (size - mark.height) // 2))
    return layer


def setup_logo(w=114, h=64):
    """The setup dialog's picture: the disk's name over night glass and what it is beneath; opaque,
    as the dialog shows it on its own ground."""
    layer = Image.new("RGBA", (w, h), NIGHT + (255,))
    over(layer, style.panel(w, h, (0, 0, w, h), radius=0, top=(24, 40, 80), bottom=(6, 10, 26), opacity=1.0,
                            rim=False))
    mark, _ = style.wordmark(40)
    fitted = style.scaled(mark, (w - 8, round(mark.height * (w - 8) / mark.width)))
    over(layer, fitted, (4, 4))
    tag, _ = style.text_mask("MUSIC DISK", 13, "Bold", 13 * 0.25)
    tagline = style.glowing_text(tag, AMBER, AMBER, radius=1.0, halo_opacity=0.3, pad=2)
    over(layer, tagline, ((w - tagline.width) // 2, h - 8 - tagline.height + 2))
    return layer


# A pointing hand; X is the outline, o the fill, c the cuff. Its hot spot is the finger's tip:
# column 6, row 0 (resources/CMakeLists.txt gives it).
HAND = [
    "......XX..........",
    ".....XooX.........",
    ".....XooX.........",
    ".....XooX.........",
    ".....XooXXX.......",
    ".....XooXooXXX....",
    ".....XooXooXooXX..",
    "..XX.XooXooXooXoX.",
    ".XooXXooooooooXooX",
    ".XoooXoooooooooooX",
    "..XooooooooooooooX",
    "...XoooooooooooooX",
    "...XooooooooooooX.",
    "....XoooooooooooX.",
    "....XooooooooooX..",
    ".....XccccccccccX..",
    ".....XXXXXXXXXXXX..",
]


def hand_cursor(size=32):
    """White with a navy outline, shaded towards the palm, a cyan cuff: crisp pixels, no blur."""
    layer = blank(size, size)
    pixels = layer.load()
    rows = len(HAND)
    for y, line in enumerate(HAND):
        for x, ch in enumerate(line):
            if ch == "X":
                pixels[x, y] = NIGHT + (255,)
            elif ch == "o":
                t = y / rows
                pixels[x, y] = tuple(round(a * (1 - t * 0.6) + b * t * 0.6) for a, b in zip(WHITE, ICE)) + (255,)
            elif ch == "c":
                pixels[x, y] = CYAN + (255,)
    return layer


def save(image, path):
    write_png_bytes(path, image.width, image.height, image.convert("RGBA").tobytes())


def main(argv):
    if len(argv) > 2:
        sys.exit(__doc__)
    out = Path(argv[1]) if len(argv) == 2 else ROOT / "resources"
    if not style.fonts_installed():
        sys.exit(f"{style.FONT_DIR} is missing: install Debian's {style.FONT_PACKAGE} (tools/install-deps.sh)")
    out.mkdir(parents=True, exist_ok=True)
    for size in (16, 32, 48, 256):
        save(icon(size), out / f"icon-{size}.png")
    save(setup_logo(), out / "setup-logo.png")
    save(hand_cursor(), out / "hand-cursor.png")


if __name__ == "__main__":
    main(sys.argv)
