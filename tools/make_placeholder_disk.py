#!/usr/bin/python3
# Draws the placeholder pictures of the demo disk: font.png, tit.png, credits.png and cloudring.png.
# Every rectangle the scenes cut out is filled flat, bordered and named at its exact texels, so a
# layout mistake shows at a glance until the real artwork replaces these. Same bytes on every run.
"""Usage: make_placeholder_disk.py [OUTPUT_DIR]   (default: the data/ folder of this checkout)"""

import math
import sys
from dataclasses import dataclass
from pathlib import Path

from PIL import Image, ImageChops, ImageDraw, ImageFont

# DejaVu Sans Bold from Debian's fonts-dejavu-core (Bitstream Vera licence, DejaVu changes public
# domain): the glyphs of font.png and the labels of the other pictures are rendered from it.
FONT_FILE = Path("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf")

ATLAS_WIDTH, ATLAS_HEIGHT = 2048, 1024
CREDITS_SIZE = 1024
CLOUD_RING_SIZE = 256


# ---------------------------------------------------------------------------------------------
# Rectangles


@dataclass(frozen=True)
class Rect:
    name: str      # as the README lists it
    label: str     # what is written in it
    kind: str      # picks the colour
    left: float    # texels; right and bottom exclusive and possibly fractional
    top: float
    right: float
    bottom: float

    def texels(self):
        """The texels the rectangle touches, as (left, top, right, bottom), right and bottom
        exclusive: a fractional edge takes in the texel it cuts."""
        return (math.floor(self.left), math.floor(self.top),
                math.ceil(self.right), math.ceil(self.bottom))

    def described(self):
        l, t, r, b = self.texels()
        return f"{l}, {t}, {r - l} × {b - t}"

    def described_for_label(self):
        """The texel box, breakable only between position and size (no-break spaces elsewhere)."""
        l, t, r, b = self.texels()
        return f"{l},\u00a0{t}, {r - l}\u00a0×\u00a0{b - t}"


def from_coordinates(name, label, kind, coords, texels):
    """A rectangle given as normalized (left, top, right, bottom) on the atlas together with its
    texels (left, top, width, height); both forms are kept so that a slip in either one shows."""
    left, top = coords[0] * ATLAS_WIDTH, coords[1] * ATLAS_HEIGHT
    right, bottom = coords[2] * ATLAS_WIDTH, coords[3] * ATLAS_HEIGHT
    if (left, top, right - left, bottom - top) != texels:
        raise ValueError(f"{name}: {coords} is not the texel box {texels}")
    return Rect(name, label, kind, left, top, right, bottom)


def from_texels(name, label, kind, texels):
    x, y, w, h = texels
    return Rect(name, label, kind, x, y, x + w, y + h)


def from_units(name, label, kind, left, top, right, bottom):
    """A rectangle in 1/1024 of a texture coordinate: two texel columns and one texel row each."""
    scale_x, scale_y = ATLAS_WIDTH / 1024, ATLAS_HEIGHT / 1024
    return Rect(name, label, kind, left * scale_x, top * scale_y, right * scale_x, bottom * scale_y)


ATLAS_RECTS = [
    # The logo scenes; the background strip is stretched over the whole screen by every scene after
    # the logo, the player screen's included.
    from_coordinates("logo", "LOGO", "logo",
                     (0.63232421875, 0.4423828125, 0.78271484375, 0.5673828125), (1295, 453, 308, 128)),
    from_coordinates("background strip", "BACKGROUND", "background",
                     (0.95458984375, 0.0263671875, 0.98583984375, 0.771484375), (1955, 27, 64, 763)),
    from_coordinates("caption 1", "CAPTION 1", "caption",
                     (0.796875, 0.4521484375, 0.93798828125, 0.4931640625), (1632, 463, 289, 42)),
    from_coordinates("caption 2", "CAPTION 2", "caption",
                     (0.83837890625, 0.3916015625, 0.9365234375, 0.4384765625), (1717, 401, 201, 48)),
    from_coordinates("caption 3", "CAPTION 3", "caption",
                     (0.7216796875, 0.33203125, 0.93408203125, 0.3740234375), (1478, 340, 435, 43)),
    from_coordinates("closing picture", "CLOSING PICTURE", "closing",
                     (0.5908203125, 0.595703125, 0.8837890625, 0.9814453125), (1210, 610, 600, 395)),
    # The presents scene.
    from_coordinates("presents caption", "PRESENTS", "presents",
                     (0.37548828125, 0.5986328125, 0.43212890625, 0.6298828125), (769, 613, 116, 32)),
    # The player screen.
    from_units("frame picture", "FRAME", "frame", 0, 0, 382.5, 610),
    from_units("previous button", "PREV", "button", 618.5, 253, 636, 289),
    from_units("stop button", "STOP", "button", 639.5, 253, 657, 289),
    from_units("play button", "PLAY", "button", 661.5, 253, 679, 289),
    from_units("next button", "NEXT", "button", 683, 253, 700.5, 289),
    # The bottom edge is the texture coordinate 0.2626459, not a whole unit.
    from_units("louder button", "VOL+", "volume", 704.5, 253, 722, 0.2626459 * 1024),
    from_units("softer button", "VOL-", "volume", 704.5, 272, 722, 289),
    # Fully rolled out; the rolling panel shows its top part only, down to 26 when nearly closed.
    from_units("information panel", "INFO PANEL", "info", 616, 4, 720.5, 219),
    from_units("information tab", "INFO TAB", "info", 618, 298, 722, 320),
    from_units("picture panel", "PICTURE PANEL", "picture panel", 385.5, 274, 613, 517),
    from_units("credits panel", "CREDITS PANEL", "credits panel", 385, 3, 612.5, 246),
    from_units("track list panel", "TRACK LIST PANEL", "track list panel", 734, 4, 961.5, 317),
    # The visualizers: the beat spots and equalizer cells of the player screen, the title sprite
    # that opens the intro's roto-zoom.
    from_coordinates("beat spot", "BEAT SPOT", "spot",
                     (0.609375, 0.3583984375, 0.6396484375, 0.4189453125), (1248, 367, 62, 62)),
    from_coordinates("equalizer cell", "EQ", "cell",
                     (0.6533203125, 0.2275390625, 0.666015625, 0.2353515625), (1338, 233, 26, 8)),
    from_texels("title picture", "TITLE", "title", (440, 680, 730, 300)),
]

# The hot areas are buttons drawn with every texture coordinate 0: this texel, and with wrapping
# filters the other three corners, must stay clear, or every hot area would show as a solid box.
HOT_AREA_TEXELS = [(0, 0), (ATLAS_WIDTH - 1, 0), (0, ATLAS_HEIGHT - 1), (ATLAS_WIDTH - 1, ATLAS_HEIGHT - 1)]

# Entries 0 to 17 of the roto-zoom sprites, on the credits picture's 1024-texel grid.
CREDIT_RECTS = [
    from_texels(f"credit {i + 1}", f"CREDIT {i + 1}", "credit", texels)
    for i, texels in enumerate([
        (4, 4, 178, 86), (192, 4, 276, 86), (480, 4, 358, 86), (4, 100, 272, 86),
        (290, 100, 294, 86), (592, 100, 282, 86), (4, 196, 318, 86), (336, 196, 184, 86),
        (530, 196, 298, 86), (4, 292, 212, 86), (224, 292, 228, 86), (466, 292, 550, 86),
        (4, 388, 296, 88), (304, 388, 426, 88), (4, 486, 314, 88), (322, 488, 164, 82),
        (498, 486, 262, 88), (774, 486, 240, 86),
    ])
]

# Screen placements (x, y, w, h in screen units at 4:3) that the frame picture and the track list
# panel are drawn at, so the words their real art carries can be marked where the hot areas are.
FRAME_ON_SCREEN = (-0.78, -0.75, 1.494140625, 1.5885417)
FRAME_HOT_AREAS = [("CREDITS", (-0.635, -0.72, 0.08, 0.041666668)),
                   ("PICTURE", (-0.55, -0.72, 0.084, 0.041666668)),
                   ("TRACKS", (0.44, -0.72, 0.68, 0.069445334))]
PANEL_ON_SCREEN = (-0.235, -0.429, 0.888671875, 0.6328125)
TRACK_ROW_SIZE = (0.32, 0.02)


def track_row_positions():
    """Bottom-left corner of the hot row of each of the 32 songs the track list has room for."""
    rows = []
    for i in range(32):
        x = -0.17 if i <= 16 else 0.22
        y = 0.09 - 0.03 * i if i <= 16 else 0.09 - 0.03 * (i - 17)
        rows.append((x, -0.39 if i == 31 else y))
    return rows


def screen_to_picture(rect, on_screen, placement):
    """The texel box, inside a picture drawn at on_screen, under a screen rectangle."""
    x, y, w, h = placement
    sx, sy, sw, sh = on_screen
    left, top, right, bottom = rect.left, rect.top, rect.right, rect.bottom
    px = (right - left) / sw
    py = (bottom - top) / sh
    return (left + (x - sx) * px, top + (sy + sh - (y + h)) * py,
            left + (x + w - sx) * px, top + (sy + sh - y) * py)


# ---------------------------------------------------------------------------------------------
# Drawing

# Fill (r, g, b, a): translucent where the real art will be translucent over the screen below it.
KIND_COLOURS = {
    "background": (36, 52, 104, 255),
    "frame": (28, 104, 116, 150),
    "logo": (196, 104, 28, 255),
    "caption": (118, 58, 160, 200),
    "closing": (146, 46, 46, 255),
    "presents": (168, 56, 128, 200),
    "button": (36, 136, 60, 255),
    "volume": (108, 138, 28, 255),
    "info": (66, 86, 132, 176),
    "picture panel": (150, 118, 36, 176),
    "credits panel": (52, 116, 160, 176),
    "track list panel": (78, 140, 86, 176),
    "spot": (228, 196, 36, 200),
    "cell": (236, 236, 236, 255),
    "title": (168, 36, 88, 232),
    "credit": (92, 64, 168, 208),
}

_fonts = {}


def font(size):
    if size not in _fonts:
        _fonts[size] = ImageFont.truetype(str(FONT_FILE), size, layout_engine=ImageFont.Layout.BASIC)
    return _fonts[size]


def border_colour(fill):
    r, g, b, _ = fill
    return (min(255, r + 90), min(255, g + 90), min(255, b + 90), 255)


def text_colour(fill):
    r, g, b, _ = fill
    return (16, 16, 16, 255) if 0.3 * r + 0.59 * g + 0.11 * b > 150 else (255, 255, 255, 255)


def wrap(words, fnt, width):
    lines = []
    for word in words:
        if lines and fnt.getlength(lines[-1] + " " + word) <= width:
            lines[-1] += " " + word
        else:
            lines.append(word)
    return lines


def text_mask(lines, width, height, sizes):
    """A greyscale mask of the given size with the lines centred in it, at the largest of sizes
    whose ink fits; None when none does."""
    for size in sizes:
        fnt = font(size)
        wrapped = [part for line in lines for part in wrap(line.split(" "), fnt, width)]
        boxes = [fnt.getbbox(line, anchor="ls") for line in wrapped]
        ascent, descent = fnt.getmetrics()
        pitch = ascent + descent
        ink_top = boxes[0][1]
        ink_bottom = (len(wrapped) - 1) * pitch + boxes[-1][3]
        widest = max(box[2] - box[0] for box in boxes)
        if widest > width or ink_bottom - ink_top > height:
            continue
        mask = Image.new("L", (width, height), 0)
        draw = ImageDraw.Draw(mask)
        baseline = (height - (ink_bottom - ink_top)) // 2 - ink_top
        for line, box in zip(wrapped, boxes):
            draw.text(((width - (box[2] - box[0])) // 2 - box[0], baseline), line, font=fnt, fill=255,
                      anchor="ls")
            baseline += pitch
        return mask
    return None


def label_mask(rect_name, label, coordinates, width, height):
    """The label of a rectangle: its name, with the texel box below when there is room; written
    across, or upwards in a rectangle too narrow for it; the smallest sizes only as a last resort."""
    attempts = [
        (False, [label, coordinates], range(14, 9, -1)),
        (False, [label], range(16, 8, -1)),
        (True, [label, coordinates], range(14, 9, -1)),
        (True, [label], range(16, 8, -1)),
        (False, [label], range(8, 5, -1)),
    ]
    for upwards, lines, sizes in attempts:
        if upwards:
            mask = text_mask(lines, height, width, sizes)
            if mask is not None:
                return mask.transpose(Image.Transpose.ROTATE_90)
        else:
            mask = text_mask(lines, width, height, sizes)
            if mask is not None:
                return mask
    raise ValueError(f"no room for the name of {rect_name}")


def paint_text(image, mask, colour, left, top):
    layer = Image.new("RGBA", mask.size, colour[:3] + (0,))
    layer.putalpha(mask.point(lambda v: v * colour[3] // 255))
    region = image.crop((left, top, left + mask.width, top + mask.height))
    image.paste(Image.alpha_composite(region, layer), (left, top))


def outline(draw, box, colour):
    left, top, right, bottom = box
    draw.rectangle((left, top, right - 1, bottom - 1), outline=colour, width=1)


def paint_rect(image, rect, fill, label_rows=None):
    """Fills the rectangle's texels, borders them one texel wide and writes the label inside the
    border (within its top label_rows rows if given): nothing is drawn outside the rectangle."""
    left, top, right, bottom = rect.texels()
    draw = ImageDraw.Draw(image)
    draw.rectangle((left, top, right - 1, bottom - 1), fill=fill, outline=border_colour(fill), width=1)
    # The text keeps one texel clear of the side borders; it may use every row between the top and
    # bottom ones, as the equalizer cell is only eight texels high.
    inner_w = right - left - 4
    inner_h = (bottom - top if label_rows is None else label_rows) - 2
    if inner_w <= 0 or inner_h <= 0:
        raise ValueError(f"{rect.name} is too small to hold a label")
    mask = label_mask(rect.name, rect.label, rect.described_for_label(), inner_w, inner_h)
    paint_text(image, mask, text_colour(fill), left + 2, top + 1)


def mark_hot_areas(image, frame):
    """Outlines, inside the frame picture, the hot areas that open the overlay panels: the real
    frame carries the words a viewer clicks there."""
    colour = (255, 255, 255, 255)
    draw = ImageDraw.Draw(image)
    fl, ft, fr, fb = frame.texels()
    for label, placement in FRAME_HOT_AREAS:
        l, t, r, b = screen_to_picture(frame, FRAME_ON_SCREEN, placement)
        box = (max(fl + 1, round(l)), max(ft + 1, round(t)), min(fr - 1, round(r)), min(fb - 1, round(b)))
        outline(draw, box, colour)
        mask = text_mask([label], box[2] - box[0] - 4, box[3] - box[1] - 2, range(11, 6, -1))
        paint_text(image, mask, colour, box[0] + 2, box[1] + 1)


def mark_track_rows(image, panel):
    """Outlines, inside the track list panel, the hot row of every song: the real panel carries
    the song names there."""
    colour = (255, 255, 255, 255)
    draw = ImageDraw.Draw(image)
    for i, (x, y) in enumerate(track_row_positions()):
        l, t, r, b = screen_to_picture(panel, PANEL_ON_SCREEN, (x, y) + TRACK_ROW_SIZE)
        box = (round(l), round(t), round(r), round(b))
        outline(draw, box, colour)
        mask = text_mask([f"SONG {i + 1}"], box[2] - box[0] - 4, box[3] - box[1] - 2, range(9, 5, -1))
        paint_text(image, mask, colour, box[0] + 2, box[1] + 1)


def make_atlas():
    image = Image.new("RGBA", (ATLAS_WIDTH, ATLAS_HEIGHT), (0, 0, 0, 0))
    by_name = {rect.name: rect for rect in ATLAS_RECTS}
    track_list = by_name["track list panel"]
    # The track list's name goes above its first song row, clear of the rows.
    first_row = screen_to_picture(track_list, PANEL_ON_SCREEN, track_row_positions()[0] + TRACK_ROW_SIZE)
    for rect in ATLAS_RECTS:
        rows = math.floor(first_row[1]) - 2 - rect.texels()[1] if rect is track_list else None
        paint_rect(image, rect, KIND_COLOURS[rect.kind], rows)
    mark_hot_areas(image, by_name["frame picture"])
    mark_track_rows(image, track_list)
    # The frame picture starts at the hot areas' texel; the hot areas win it.
    for texel in HOT_AREA_TEXELS:
        image.putpixel(texel, (0, 0, 0, 0))
    return image


def make_credits():
    image = Image.new("RGBA", (CREDITS_SIZE, CREDITS_SIZE), (0, 0, 0, 0))
    for rect in CREDIT_RECTS:
        left, top, right, bottom = rect.texels()
        fill = KIND_COLOURS[rect.kind]
        draw = ImageDraw.Draw(image)
        draw.rectangle((left, top, right - 1, bottom - 1), fill=fill, outline=border_colour(fill), width=1)
        # The sprites are seen large, rushing at the viewer: the name as big as it goes, and the
        # texel box in small print below it.
        width, name_rows, box_rows = right - left - 8, bottom - top - 26, 20
        name = text_mask([rect.label.replace(" ", "\u00a0")], width, name_rows, range(48, 9, -1))
        box = text_mask([rect.described().replace(" ", "\u00a0")], width, box_rows, range(14, 9, -1))
        paint_text(image, name, text_colour(fill), left + 4, top + 3)
        paint_text(image, box, text_colour(fill), left + 4, top + 3 + name_rows)
    return image


def make_cloud_ring():
    """A soft white ring whose density swirls around it in three arms, so that its turning shows."""
    size = CLOUD_RING_SIZE
    image = Image.new("RGBA", (size, size), (255, 255, 255, 0))
    centre = (size - 1) / 2
    pixels = image.load()
    for y in range(size):
        for x in range(size):
            dx, dy = (x - centre) / centre, (y - centre) / centre
            r = math.hypot(dx, dy)
            ring = math.exp(-((r - 0.62) / 0.17) ** 2)
            swirl = 0.55 + 0.45 * math.sin(3 * math.atan2(dy, dx) + 5 * r)
            fade = min(1.0, max(0.0, (1.0 - r) / 0.08))  # nothing reaches the square's edge
            pixels[x, y] = (255, 255, 255, round(255 * ring * swirl * fade))
    return image


# ---------------------------------------------------------------------------------------------
# The bitmap font

FONT_CELL = 64
FIRST_CHAR, LAST_CHAR = 32, 90

# Fraction of the cell width the program trims off each side of a glyph, from space to Z.
GLYPH_TRIM = [
    0.40, 0.35, 0.40, 0.10, 0.36, 0.25, 0.31, 0.43,
    0.42, 0.42, 0.36, 0.32, 0.44, 0.37, 0.44, 0.39,
    0.37, 0.41, 0.37, 0.37, 0.37, 0.37, 0.37, 0.37,
    0.37, 0.37, 0.42, 0.40, 0.31, 0.29, 0.31, 0.37,
    0.25, 0.36, 0.36, 0.37, 0.36, 0.38, 0.39, 0.37,
    0.36, 0.42, 0.39, 0.36, 0.39, 0.31, 0.36, 0.36,
    0.37, 0.36, 0.36, 0.36, 0.37, 0.36, 0.37, 0.30,
    0.37, 0.38, 0.37,
]

SUPERSAMPLE = 4           # glyphs are drawn this much larger and averaged down
GLYPH_SIZE = 52           # font size in cell pixels: capitals about 38 high
BASELINE = 50             # cell row; the tallest glyphs stay ten rows clear of the hidden top
SIDE_MARGIN = 1.25        # cell pixels kept clear inside the trimmed band on each side
CONDENSE = 0.6            # every glyph is narrowed at least this much: the trims leave little room
THICKEN = SUPERSAMPLE     # narrowing thins the upright strokes; widen them again by one pixel


def glyph_cell(char, trim):
    """One 64 × 64 alpha cell: the character centred, as wide as its trimmed band allows."""
    big = FONT_CELL * SUPERSAMPLE
    canvas = Image.new("L", (3 * big, big), 0)
    ImageDraw.Draw(canvas).text((big, BASELINE * SUPERSAMPLE), char, font=font(GLYPH_SIZE * SUPERSAMPLE),
                                fill=255, anchor="ls")
    cell = Image.new("L", (big, big), 0)
    ink = canvas.getbbox()
    if ink is not None:
        left, _, right, _ = ink
        room = math.floor(SUPERSAMPLE * (FONT_CELL * (1 - 2 * trim) - 2 * SIDE_MARGIN)) - THICKEN
        width = min(round((right - left) * CONDENSE), room)
        glyph = canvas.crop((left, 0, right, big)).resize((width, big), Image.Resampling.BOX)
        thick = Image.new("L", (width + THICKEN, big), 0)
        for shift in range(THICKEN + 1):
            shifted = Image.new("L", thick.size, 0)
            shifted.paste(glyph, (shift, 0))
            thick = ImageChops.lighter(thick, shifted)
        cell.paste(thick, ((big - thick.width) // 2, 0))
    return cell.reduce(SUPERSAMPLE)


def make_font():
    alpha = Image.new("L", (8 * FONT_CELL, 8 * FONT_CELL), 0)
    for code in range(FIRST_CHAR, LAST_CHAR + 1):
        i = code - FIRST_CHAR
        alpha.paste(glyph_cell(chr(code), GLYPH_TRIM[i]), ((i % 8) * FONT_CELL, (i // 8) * FONT_CELL))
    # White everywhere, so filtering at a glyph's edge never pulls in a dark fringe.
    image = Image.new("RGBA", alpha.size, (255, 255, 255, 0))
    image.putalpha(alpha)
    return image


# ---------------------------------------------------------------------------------------------


def save(image, path):
    # No metadata chunks and a fixed compression level: the bytes depend on the pixels alone.
    image.save(path, format="PNG", optimize=False, compress_level=9)


def main(argv):
    if len(argv) > 2:
        sys.exit(__doc__)
    out = Path(argv[1]) if len(argv) == 2 else Path(__file__).resolve().parent.parent / "data"
    if not FONT_FILE.exists():
        sys.exit(f"{FONT_FILE} is missing: install Debian's fonts-dejavu-core (tools/install-deps.sh)")
    out.mkdir(parents=True, exist_ok=True)
    save(make_font(), out / "font.png")
    save(make_atlas(), out / "tit.png")
    save(make_credits(), out / "credits.png")
    save(make_cloud_ring(), out / "cloudring.png")


if __name__ == "__main__":
    main(sys.argv)
