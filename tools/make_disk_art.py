#!/usr/bin/python3
# Draws the demo disk's pictures: font.png, tit.png, credits.png and cloudring.png, every one in the
# disk's visual language (tools/disk_style.py) and every rectangle the program cuts out at its exact
# texels with clear texels around it. Same bytes on every run.
"""Usage: make_disk_art.py [OUTPUT_DIR]   (default: the data/ folder of this checkout)

The track list panel carries the song titles: they are read from disk.cfg in the output folder
(or, when it has none, from this checkout's data/disk.cfg), so run this after the songs change."""

import math
import sys
from dataclasses import dataclass
from pathlib import Path

import numpy as np
from PIL import Image, ImageChops, ImageDraw, ImageFilter

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parent))
import disk_style as style  # noqa: E402
from disk_style import (AMBER, CYAN, ICE, MIST, NIGHT, STEEL, WHITE, blank, glow,  # noqa: E402
                        glowing_text, over, panel, rounded_mask, scaled, solid, text_mask, well)
from png import write_png_bytes  # noqa: E402

ROOT = Path(__file__).resolve().parent.parent
ATLAS_WIDTH, ATLAS_HEIGHT = 2048, 1024
CREDITS_SIZE = 1024
CLOUD_RING_SIZE = 512


# ---------------------------------------------------------------------------------------------
# Where the program cuts every picture, and where it shows it.


@dataclass(frozen=True)
class Rect:
    name: str      # as data/README.md lists it
    left: float    # texels; right and bottom exclusive and possibly fractional
    top: float
    right: float
    bottom: float

    def texels(self):
        """(left, top, right, bottom) of the texels the rectangle touches: a fractional edge takes
        in the texel it cuts."""
        return (math.floor(self.left), math.floor(self.top), math.ceil(self.right), math.ceil(self.bottom))

    def size(self):
        l, t, r, b = self.texels()
        return r - l, b - t

    def described(self):
        l, t, r, b = self.texels()
        return f"{l}, {t}, {r - l} × {b - t}"


def from_coordinates(name, coords, texels):
    """A rectangle given as normalized (left, top, right, bottom) together with its texels (left,
    top, width, height); both forms are kept so that a slip in either one shows."""
    left, top = coords[0] * ATLAS_WIDTH, coords[1] * ATLAS_HEIGHT
    right, bottom = coords[2] * ATLAS_WIDTH, coords[3] * ATLAS_HEIGHT
    if (left, top, right - left, bottom - top) != texels:
        raise ValueError(f"{name}: {coords} is not the texel box {texels}")
    return Rect(name, left, top, right, bottom)


def from_texels(name, texels):
    x, y, w, h = texels
    return Rect(name, x, y, x + w, y + h)


def from_units(name, left, top, right, bottom):
    """A player-screen rectangle in 1/1024 of a texture coordinate: two texel columns, one row."""
    return Rect(name, left * 2, top, right * 2, bottom)


LOGO = from_coordinates("logo", (0.63232421875, 0.4423828125, 0.78271484375, 0.5673828125), (1295, 453, 308, 128))
BACKGROUND = from_coordinates("background strip", (0.95458984375, 0.0263671875, 0.98583984375, 0.771484375),
                              (1955, 27, 64, 763))
CAPTIONS = [
    from_coordinates("caption 1", (0.796875, 0.4521484375, 0.93798828125, 0.4931640625), (1632, 463, 289, 42)),
    from_coordinates("caption 2", (0.83837890625, 0.3916015625, 0.9365234375, 0.4384765625), (1717, 401, 201, 48)),
    from_coordinates("caption 3", (0.7216796875, 0.33203125, 0.93408203125, 0.3740234375), (1478, 340, 435, 43)),
]
CLOSING = from_coordinates("closing picture", (0.5908203125, 0.595703125, 0.8837890625, 0.9814453125),
                           (1210, 610, 600, 395))
PRESENTS = from_coordinates("presents caption", (0.37548828125, 0.5986328125, 0.43212890625, 0.6298828125),
                            (769, 613, 116, 32))
FRAME = from_units("frame picture", 0, 0, 382.5, 610)
PREVIOUS = from_units("previous button", 618.5, 253, 636, 289)
STOP = from_units("stop button", 639.5, 253, 657, 289)
PLAY = from_units("play button", 661.5, 253, 679, 289)
NEXT = from_units("next button", 683, 253, 700.5, 289)
# Its bottom edge is the texture coordinate 0.2626459, not a whole unit: the last row is cut.
LOUDER = from_units("louder button", 704.5, 253, 722, 0.2626459 * 1024)
SOFTER = from_units("softer button", 704.5, 272, 722, 289)
INFO_PANEL = from_units("information panel", 616, 4, 720.5, 219)
INFO_TAB = from_units("information tab", 618, 298, 722, 320)
PICTURE_PANEL = from_units("picture panel", 385.5, 274, 613, 517)
CREDITS_PANEL = from_units("credits panel", 385, 3, 612.5, 246)
TRACK_LIST_PANEL = from_units("track list panel", 734, 4, 961.5, 317)
BEAT_SPOT = from_coordinates("beat spot", (0.609375, 0.3583984375, 0.6396484375, 0.4189453125), (1248, 367, 62, 62))
EQUALIZER_CELL = from_coordinates("equalizer cell", (0.6533203125, 0.2275390625, 0.666015625, 0.2353515625),
                                  (1338, 233, 26, 8))
TITLE = from_texels("title picture", (440, 680, 730, 300))

ATLAS_RECTS = [LOGO, BACKGROUND, *CAPTIONS, CLOSING, PRESENTS, FRAME, PREVIOUS, STOP, PLAY, NEXT, LOUDER,
               SOFTER, INFO_PANEL, INFO_TAB, PICTURE_PANEL, CREDITS_PANEL, TRACK_LIST_PANEL, BEAT_SPOT,
               EQUALIZER_CELL, TITLE]

# The hot areas are buttons drawn with every texture coordinate 0: this texel, and with wrapping
# filters the other three corners, must stay clear, or every hot area would show as a solid box.
HOT_AREA_TEXELS = [(0, 0), (ATLAS_WIDTH - 1, 0), (0, ATLAS_HEIGHT - 1), (ATLAS_WIDTH - 1, ATLAS_HEIGHT - 1)]

# Entries 0 to 17 of the roto-zoom sprites, on the credits picture's 1024-texel grid, each with the
# small line above and the large line it reads: the makers by role, then greetings and goodbyes.
CREDITS = [
    ((4, 4, 178, 86), "WE ARE", "ORVELL"),
    ((192, 4, 276, 86), "CODE", "MIRA KESTREL"),
    ((480, 4, 358, 86), "CODE", "BRAM OKAFOR"),
    ((4, 100, 272, 86), "MUSIC", "TOMAS VEY"),
    ((290, 100, 294, 86), "GRAPHICS", "INES HALLORAN"),
    ((592, 100, 282, 86), "TESTING", "NOOR LINDQVIST"),
    ((4, 196, 318, 86), "FONT", "INES HALLORAN"),
    ((336, 196, 184, 86), "MADE IN", "C++20"),
    ((530, 196, 298, 86), "SIX SONGS", "COMPOSED AS CODE"),
    ((4, 292, 212, 86), "GREETINGS TO", "TRACKERS"),
    ((224, 292, 228, 86), "GREETINGS TO", "NIGHT OWLS"),
    ((466, 292, 550, 86), "FROM ALL OF ORVELL TEAM", "THANK YOU FOR LISTENING"),
    ((4, 388, 296, 88), "GREETINGS TO", "DEMO CODERS"),
    ((304, 388, 426, 88), "GREETINGS TO", "THE LAST TRAM DRIVER"),
    ((4, 486, 314, 88), "SOUND ENGINE", "BRAM OKAFOR"),
    ((322, 488, 164, 82), "STAY", "TUNED"),
    ((498, 486, 262, 88), "KEEP IT", "LOUD"),
    ((774, 486, 240, 86), "SEE YOU ON", "THE NEXT DISK"),
]
CREDIT_RECTS = [from_texels(f"credit {i + 1}", texels) for i, (texels, _, _) in enumerate(CREDITS)]

# Screen placements (x, y, w, h at 4:3) of the player's pictures and of what sits on them.
FRAME_ON_SCREEN = (-0.78, -0.75, 1.494140625, 1.5885417)
PANEL_ON_SCREEN = (-0.235, -0.429, 0.888671875, 0.6328125)
OPENERS = [("CREDITS", (-0.635, -0.72, 0.08, 0.041666668)),
           ("PICTURE", (-0.55, -0.72, 0.084, 0.041666668)),
           ("TRACK LIST", (0.44, -0.72, 0.68, 0.069445334))]
CLOSER = (0.61, 0.15, 0.023, 0.23)
INFO_PANEL_ON_SCREEN = (-0.71, -0.30229166, 0.408203125, 0.2099609375 * 2.6666667)  # rolled out
TITLE_BOX = (-0.65, -0.43, 0.35, 0.05 * 4 / 3)  # the marquee's window; its glyphs are s · aspect high
PREVIOUS_KEY = (-0.693359375, -0.5130208, 0.068359375, 0.09375)  # the leftmost of the keys
EQUALIZER = (-0.215, -0.421875, 15 * 0.053 + 0.05078125, 11 * 0.022 + 0.020833334)
BEAT_SPOTS = [(-0.73, -0.4), (0.2, -0.59), (-0.3, 0.7), (0.42, -0.11), (-0.73, -0.75), (-0.8125, 0.465)]
BEAT_SPOT_SIZE = (0.12109375, 0.16145834)
TRACK_ROW_SIZE = (0.32, 0.02)


def track_row_positions():
    """Bottom-left corner of the hot row of each of the 32 songs the track list has room for."""
    rows = []
    for i in range(32):
        x = -0.17 if i <= 16 else 0.22
        y = 0.09 - 0.03 * i if i <= 16 else 0.09 - 0.03 * (i - 17)
        rows.append((x, -0.39 if i == 31 else y))
    return rows


def screen_to_picture(placement, on_screen, picture_size):
    """The box (left, top, right, bottom), in texels of a picture of picture_size drawn at
    on_screen, that lies under the screen rectangle placement."""
    x, y, w, h = placement
    sx, sy, sw, sh = on_screen
    pw, ph = picture_size
    return ((x - sx) / sw * pw, (sy + sh - (y + h)) / sh * ph,
            (x + w - sx) / sw * pw, (sy + sh - y) / sh * ph)


def in_frame(placement):
    return screen_to_picture(placement, FRAME_ON_SCREEN, FRAME.size())


def read_song_titles(out):
    """The titles of disk.cfg: a count, then four lines a song (type, file, title, information)."""
    config = out / "disk.cfg"
    if not config.exists():
        config = ROOT / "data" / "disk.cfg"
    lines = config.read_bytes().decode("latin-1").replace("\r\n", "\n").split("\n")
    count = int(lines[0].split()[0])
    return [lines[3 + 4 * i] for i in range(count)]


# ---------------------------------------------------------------------------------------------
# Small pieces


def beat_spot():
    """A lamp's light: a white core in a cyan glow that fades to nothing at the square's edge."""
    w, h = BEAT_SPOT.size()
    y, x = np.mgrid[0:h, 0:w]
    r = np.hypot(x + 0.5 - w / 2, y + 0.5 - h / 2) / (w / 2)
    core = np.exp(-(r / 0.16) ** 2)
    halo = np.exp(-(r / 0.42) ** 2) * np.clip((1 - r) / 0.25, 0, 1)
    alpha = np.clip(core + 0.75 * halo, 0, 1)
    mix = np.clip(core * 1.6, 0, 1)[..., None]
    colour = np.array(WHITE) * mix + np.array(CYAN) * (1 - mix)
    data = np.dstack([colour, alpha * 255])
    return Image.fromarray(np.round(data).astype(np.uint8), "RGBA")


def equalizer_cell():
    """One lamp of the spectrum: a white pill, brighter at the top, that the program tints by row."""
    w, h = EQUALIZER_CELL.size()
    mask = rounded_mask(w, h, (0.5, 0.5, w - 0.5, h - 0.5), 2.5)
    cell = style.vertical_gradient(w, h, [(0.0, (255, 255, 255, 255)), (1.0, (200, 214, 222, 255))])
    cell.putalpha(mask)
    return cell


def symbol(kind, size, colour):
    """A transport symbol, as a layer of size (w, h), drawn large and averaged down."""
    w, h = size
    s = 8
    mask = Image.new("L", (w * s, h * s), 0)
    draw = ImageDraw.Draw(mask)
    cx, cy = w * s / 2, h * s / 2
    u = min(w, h) * s / 2  # half the symbol's extent
    if kind == "play":
        draw.polygon([(cx - 0.45 * u, cy - 0.55 * u), (cx + 0.6 * u, cy), (cx - 0.45 * u, cy + 0.55 * u)], fill=255)
    elif kind == "stop":
        draw.rectangle((cx - 0.42 * u, cy - 0.42 * u, cx + 0.42 * u, cy + 0.42 * u), fill=255)
    elif kind in ("previous", "next"):
        sign = -1 if kind == "previous" else 1
        tip = cx + sign * 0.5 * u
        base = cx - sign * 0.45 * u
        draw.polygon([(base, cy - 0.5 * u), (tip, cy), (base, cy + 0.5 * u)], fill=255)
        bar = tip + sign * 0.04 * u
        draw.rectangle((min(bar, bar + sign * 0.18 * u), cy - 0.5 * u, max(bar, bar + sign * 0.18 * u),
                        cy + 0.5 * u), fill=255)
    elif kind in ("louder", "softer"):
        # A speaker and a plus or minus beside it, as large as the short key allows.
        v = h * s / 2
        sx = cx - 0.2 * w * s
        draw.rectangle((sx - 0.75 * v, cy - 0.35 * v, sx - 0.2 * v, cy + 0.35 * v), fill=255)
        draw.polygon([(sx - 0.3 * v, cy - 0.35 * v), (sx + 0.45 * v, cy - 0.95 * v), (sx + 0.45 * v, cy + 0.95 * v),
                      (sx - 0.3 * v, cy + 0.35 * v)], fill=255)
        px, arm, bar = cx + 0.22 * w * s, 0.8 * v, 0.2 * v
        draw.rectangle((px - arm, cy - bar, px + arm, cy + bar), fill=255)
        if kind == "louder":
            draw.rectangle((px - bar, cy - arm, px + bar, cy + arm), fill=255)
    mask = mask.reduce(s)
    layer = blank(w, h)
    over(layer, glow(mask, 1.2, colour, 0.5))
    over(layer, solid(mask, colour))
    return layer


def button(rect, kind):
    """A raised key with its symbol; play is the one lit amber."""
    w, h = rect.size()
    layer = panel(w, h, (0.5, 0.5, w - 0.5, h - 0.5), radius=min(6, h / 3), top=(40, 62, 108), bottom=(16, 26, 58),
                  opacity=0.97, rim=False)
    colour = AMBER if kind == "play" else ICE
    inset = 7 if h > 20 else 3
    sym = symbol(kind, (w - 2 * inset, h - 2 * inset), colour)
    return over(layer, sym, (inset, inset))


def label(text, cap, colour=ICE, weight="Bold", tracking_em=0.08, halo=CYAN, halo_opacity=0.45, shadow=0.0):
    """A line of the typeface at cap height cap (in pixels), as a layer padded for its glow."""
    mask, _ = text_mask(text, round(cap / 0.7), weight, tracking_em * cap / 0.7)
    return glowing_text(mask, colour, halo, radius=max(1.0, cap / 6), halo_opacity=halo_opacity, shadow=shadow)


def place_centred(base, layer, centre):
    over(base, layer, (round(centre[0] - layer.width / 2), round(centre[1] - layer.height / 2)))


def chevron(size, up, colour):
    w, h = size
    s = 8
    mask = Image.new("L", (w * s, h * s), 0)
    draw = ImageDraw.Draw(mask)
    y0, y1 = (h * 0.68, h * 0.32) if up else (h * 0.32, h * 0.68)
    draw.line([(w * 0.15 * s, y0 * s), (w * 0.5 * s, y1 * s), (w * 0.85 * s, y0 * s)], fill=255,
              width=round(1.6 * s), joint="curve")
    return solid(mask.reduce(s), colour)


def header_bar(w, h, title, up):
    """The information panel's head, which is also its tab: its name and the way it rolls. The
    tab (rolling up) is a whole bar; the open panel's head runs on into the panel's body."""
    bottom = h - 0.5 if up else h + 8
    layer = panel(w, h, (0.5, 0.5, w - 0.5, bottom), radius=6, top=(44, 70, 118), bottom=(26, 42, 80),
                  opacity=0.97, rim=False)
    text = label(title, 9, ICE)
    over(layer, text, (7, round(h / 2 - text.height / 2)))
    over(layer, chevron((14, 10), up, ICE), (w - 22, round(h / 2 - 5)))
    return layer.crop((0, 0, w, h))


def close_mark(layer, box, s=1):
    """The close cross at a panel's upper right, where the hot area that closes it lies; s is the
    scale the panel is drawn at."""
    l, t, r, b = box
    k = 8
    side = round(16 * s)  # the cross and its glow, around the box's centre
    x0, y0 = round((l + r) / 2 - side / 2), round((t + b) / 2 - side / 2)
    mask = Image.new("L", (side * k, side * k), 0)
    draw = ImageDraw.Draw(mask)
    cx, cy, arm = ((l + r) / 2 - x0) * k, ((t + b) / 2 - y0) * k, 4 * s * k
    draw.line([(cx - arm, cy - arm), (cx + arm, cy + arm)], fill=255, width=round(1.7 * s * k))
    draw.line([(cx - arm, cy + arm), (cx + arm, cy - arm)], fill=255, width=round(1.7 * s * k))
    mask = mask.reduce(k)
    over(layer, glow(mask, 1.5 * s, CYAN, 0.6), (x0, y0))
    over(layer, solid(mask, ICE), (x0, y0))


# ---------------------------------------------------------------------------------------------
# The night harbour: the disk's one scene, on the closing picture and the picture panel.


def value_noise(rng, size, cells):
    """Smooth noise in 0..1 of the given size, from a grid of cells × cells random values."""
    grid = rng.random_sample((cells + 3, cells + 3))
    image = Image.fromarray(np.round(grid * 255).astype(np.uint8), "L")
    big = image.resize((size[0] * (cells + 3) // cells, size[1] * (cells + 3) // cells), Image.Resampling.BICUBIC)
    return np.asarray(big, dtype=np.float64)[: size[1], : size[0]] / 255


def night_harbour(w, h, seed, sign=None, tram=False, moon_at=(0.7, 0.06), boats=0, horizon=0.64,
                  cranes=(0.12, 0.31)):
    """A harbour town at night under a ringed moon, its lights mirrored in the water; moon_at is
    the moon's top left corner and cranes where the quay's cranes stand, in parts of the
    picture, and boats lie moored on the water."""
    rng = np.random.RandomState(seed)
    horizon = round(h * horizon)
    scene = style.vertical_gradient(w, h, [(0.0, (4, 7, 20, 255)), (0.45, (12, 22, 52, 255)),
                                           (horizon / h, (26, 62, 92, 255)), (1.0, (4, 8, 22, 255))])
    # Stars, thinning towards the horizon's haze.
    stars = Image.new("L", (w, h), 0)
    draw = ImageDraw.Draw(stars)
    for _ in range(w * h // 900):
        x, y = rng.randint(0, w), int(horizon * rng.random_sample() ** 1.6)
        draw.point((x, y), fill=int(90 + 160 * rng.random_sample() * (1 - y / horizon)))
    over(scene, solid(stars, ICE))
    # The moon: the emblem's ring, large and hazy.
    moon = style.emblem(round(h * 0.42), thickness=0.22, dot=True, halo=True)
    over(scene, moon, (round(w * moon_at[0]), round(h * moon_at[1])))
    # The town: blocks of houses and warehouses, two cranes, lit windows.
    town = Image.new("L", (w, h), 0)
    windows = Image.new("L", (w, h), 0)
    warm = Image.new("L", (w, h), 0)
    tdraw, wdraw, adraw = ImageDraw.Draw(town), ImageDraw.Draw(windows), ImageDraw.Draw(warm)
    x = -rng.randint(0, 20)
    while x < w:
        bw = rng.randint(18, 52)
        bh = int(h * (0.05 + 0.2 * rng.random_sample() ** 1.5))
        top = horizon - bh
        tdraw.rectangle((x, top, x + bw, horizon), fill=255)
        if rng.random_sample() < 0.35:  # a pitched roof
            tdraw.polygon([(x, top), (x + bw / 2, top - bw * 0.35), (x + bw, top)], fill=255)
        for wy in range(top + 4, horizon - 3, 6):
            for wx in range(x + 3, x + bw - 3, 6):
                if rng.random_sample() < 0.28:
                    (adraw if rng.random_sample() < 0.7 else wdraw).rectangle((wx, wy, wx + 2, wy + 2), fill=235)
        x += bw + rng.randint(-4, 6)
    for cx in (w * c for c in cranes):
        base, top = horizon, horizon - h * 0.34
        tdraw.line([(cx, base), (cx, top)], fill=255, width=3)
        tdraw.line([(cx - w * 0.05, top + 6), (cx + w * 0.16, top + 6)], fill=255, width=3)
        tdraw.line([(cx, top - 8), (cx + w * 0.15, top + 6)], fill=255, width=1)
        tdraw.line([(cx, top - 8), (cx - w * 0.05, top + 6)], fill=255, width=1)
        tdraw.line([(cx + w * 0.12, top + 6), (cx + w * 0.12, top + 40)], fill=255, width=1)
    tram_body = Image.new("L", (w, h), 0)
    if tram:
        # The last tram home along the quay in front of the town, windows warm, lamp lit.
        ty, tx, tw = horizon - 20, round(w * 0.5), 92
        tdraw.line([(0, horizon - 2), (w, horizon - 2)], fill=255, width=3)
        tdraw.line([(0, ty - 14), (w, ty - 14)], fill=255, width=1)
        ImageDraw.Draw(tram_body).line([(tx + 30, ty - 14), (tx + 44, ty)], fill=255, width=1)
        ImageDraw.Draw(tram_body).rounded_rectangle((tx, ty, tx + tw, horizon - 3), 5, fill=255)
        for wx in range(tx + 7, tx + tw - 10, 12):
            adraw.rectangle((wx, ty + 4, wx + 8, ty + 10), fill=255)
        adraw.ellipse((tx + tw - 5, horizon - 9, tx + tw - 1, horizon - 5), fill=255)
    silhouette = solid(town, (3, 6, 16))
    lights = blank(w, h)
    over(lights, glow(warm, 2.0, AMBER, 0.6))
    over(lights, solid(warm, (255, 214, 150)))
    over(lights, glow(windows, 2.0, CYAN, 0.6))
    over(lights, solid(windows, ICE))
    over(scene, silhouette)
    over(scene, solid(tram_body, STEEL))
    over(scene, lights)
    if sign:
        neon = label(sign, max(9, round(h * 0.045)), ICE, halo_opacity=0.9)
        place_centred(scene, neon, (w * 0.4, horizon - h * 0.29))
    # The water: the town upside down, rippled and dimmed, with streaks of light on it.
    above = np.asarray(scene, dtype=np.float64)
    mirrored = above[horizon - (h - horizon):horizon][::-1].copy()
    rows = mirrored.shape[0]
    for y in range(rows):
        shift = int(round(3 * math.sin(y * 0.9) * (0.3 + y / rows)))
        mirrored[y] = np.roll(mirrored[y], shift, axis=0)
    ripple = 0.55 - 0.35 * np.arange(rows)[:, None] / rows
    sea = np.array((6, 16, 34), dtype=np.float64)
    mirrored[..., :3] = mirrored[..., :3] * ripple[..., None] + sea * (1 - ripple[..., None])
    streak = value_noise(rng, (w, rows), 24) * (0.5 + 0.5 * np.sin(np.arange(rows)[:, None] * 2.1))
    mirrored[..., :3] += (np.clip(streak - 0.55, 0, 1) * 90)[..., None] * np.array((0.6, 0.9, 1.0))
    water = Image.fromarray(np.clip(np.round(mirrored), 0, 255).astype(np.uint8), "RGBA")
    water = water.filter(ImageFilter.GaussianBlur(0.7))
    scene.paste(water, (0, horizon))
    line = Image.new("L", (w, h), 0)
    ImageDraw.Draw(line).line([(0, horizon), (w, horizon)], fill=255, width=1)
    over(scene, solid(line, CYAN, 0.35))
    for i in range(boats):
        moored_boat(scene, rng, (w * (i + 0.5 + 0.3 * (rng.random_sample() - 0.5)) / boats,
                                 horizon + (h - horizon) * (0.35 + 0.4 * rng.random_sample())))
    return scene


def moored_boat(scene, rng, at):
    """A fishing boat's dark hull and mast with its riding light, and their shimmer below."""
    x, y = at
    size = 26 + 18 * rng.random_sample()
    hull = Image.new("L", scene.size, 0)
    draw = ImageDraw.Draw(hull)
    draw.polygon([(x - size, y - size * 0.22), (x + size, y - size * 0.3), (x + size * 0.75, y),
                  (x - size * 0.8, y)], fill=255)
    draw.rectangle((x - size * 0.35, y - size * 0.48, x + size * 0.1, y - size * 0.22), fill=255)
    draw.line([(x + size * 0.3, y - size * 0.28), (x + size * 0.3, y - size * 1.6)], fill=255, width=2)
    lamp = Image.new("L", scene.size, 0)
    ImageDraw.Draw(lamp).ellipse((x + size * 0.3 - 2, y - size * 1.6 - 2, x + size * 0.3 + 2, y - size * 1.6 + 2),
                                 fill=255)
    ImageDraw.Draw(lamp).rectangle((x - size * 0.3, y - size * 0.42, x - size * 0.2, y - size * 0.3), fill=255)
    shimmer = Image.new("L", scene.size, 0)
    sdraw = ImageDraw.Draw(shimmer)
    for k in range(1, 6):
        half = size * (0.5 - 0.07 * k)
        sdraw.line([(x - half, y + 3 * k), (x + half, y + 3 * k)], fill=int(200 - 30 * k))
    over(scene, solid(shimmer, CYAN, 0.35))
    over(scene, solid(hull, (2, 4, 12)))
    over(scene, glow(lamp, 2.5, AMBER, 0.8))
    over(scene, solid(lamp, (255, 214, 150)))


def framed(picture, radius=12):
    """A picture inside the disk's rounded frame: clipped to the rounded shape, with the panel's
    rim and bevel laid over it."""
    w, h = picture.size
    box = (1, 1, w - 1, h - 1)
    mask = rounded_mask(w, h, box, radius)
    shaped = picture.copy()
    shaped.putalpha(ImageChops.multiply(picture.getchannel("A"), mask))
    edge = ImageChops.subtract(mask, style.shrink(mask, 2))
    over(shaped, solid(edge, STEEL))
    inner = ImageChops.subtract(style.shrink(mask, 2), style.shrink(mask, 3))
    over(shaped, solid(inner, CYAN, 0.5))
    return shaped


# ---------------------------------------------------------------------------------------------
# The intro's pictures


def logo():
    """The makers' logo: ORVELL with the emblem for its O, TEAM spaced out beneath, on black."""
    w, h = LOGO.size()
    layer = blank(w, h)
    mark, _ = style.wordmark(64)
    if mark.width > w:
        mark = scaled(mark, (w, round(mark.height * w / mark.width)))
    over(layer, mark, ((w - mark.width) // 2, 0))
    team = label("T E A M", 15, AMBER, halo=AMBER, halo_opacity=0.35, tracking_em=0.5)
    place_centred(layer, team, (w / 2, h - 17))
    rule = Image.new("L", (w, h), 0)
    d = ImageDraw.Draw(rule)
    d.line([(24, h - 17), (w / 2 - team.width / 2, h - 17)], fill=255)
    d.line([(w / 2 + team.width / 2, h - 17), (w - 24, h - 17)], fill=255)
    over(layer, solid(rule, CYAN, 0.6))
    return layer


def background_strip():
    """The night sky behind the intro's swirl and around the player, drawn as rows only: the
    program stretches this strip 16 to 30 times across the screen, so nothing changes from one
    column to the next, and any edge between rows would run as a straight line through the
    clouds. So the sky has none: deep blue at the top and the bottom, and a broad glow around the
    middle, where the rings swirl and the player's console sits, that fades out over a third of
    the screen."""
    w, h = BACKGROUND.size()
    t = (np.arange(h) + 0.5) / h
    deep, glow_colour = np.array((3.0, 5.0, 15.0)), np.array((17.0, 36.0, 64.0))
    # The sky lightens a little towards the bottom, as over a town's lights.
    deep = deep + np.outer(np.clip(t - 0.5, 0, 1), (2.0, 4.0, 8.0))
    middle = np.exp(-0.5 * ((t - 0.52) / 0.17) ** 2)[:, None]
    rows = deep + (glow_colour - deep) * middle
    data = np.repeat(np.clip(np.round(rows), 0, 255).astype(np.uint8)[:, None, :], w, axis=1)
    return Image.fromarray(np.dstack([data, np.full((h, w), 255, np.uint8)]), "RGBA")


CAPTION_TEXTS = ["WHEN THE LAST TRAM HAS GONE", "AND THE HARBOUR SLEEPS", "SIX SONGS KEEP THE LIGHTS ON"]
CAPTION_W0 = [0.14, 0.09, 0.21]  # each strip's base width, in quarters of a screen unit


def caption(rect, text, w0):
    """A caption strip: a dark band with cyan edges and its line in the disk's light. The strips
    are shown squeezed upright (42 to 48 texels in about 29 pixels), so each is drawn in its
    proportions on screen two seconds into its hold, then stretched to its texels."""
    w, h = rect.size()
    s = 2.0
    screen_w = (s / 300 + w0) * 4 * 512
    screen_h = (s / 600 + 0.025) * 2.6666667 * 384
    dw, dh = w, round(w * screen_h / screen_w)
    layer = blank(dw, dh)
    ends = np.clip(np.minimum(np.arange(dw) + 0.5, dw - np.arange(dw) - 0.5) / (dw * 0.12), 0, 1)
    fade = Image.fromarray(np.round(np.repeat(ends[None, :], dh, axis=0) * 255).astype(np.uint8), "L")
    over(layer, solid(fade, NIGHT, 0.55))
    lines = Image.new("L", (dw, dh), 0)
    ImageDraw.Draw(lines).line([(0, 0), (dw, 0)], fill=255)
    ImageDraw.Draw(lines).line([(0, dh - 1), (dw, dh - 1)], fill=255)
    over(layer, solid(ImageChops.multiply(lines, fade), CYAN, 0.7))
    mask = style.fitted_text_mask(text, dw - 24, dh - 8, tracking_em=0.08, largest=round(dh * 1.2))
    over(layer, glowing_text(mask, WHITE, CYAN, radius=max(1.0, mask.height / 7), pad=0),
         ((dw - mask.width) // 2, (dh - mask.height) // 2))
    return scaled(layer, (w, h))


def closing_picture():
    w, h = CLOSING.size()
    return framed(night_harbour(w, h, seed=1729, sign="ORVELL TEAM"), radius=16)


def presents():
    w, h = PRESENTS.size()
    layer = blank(w, h)
    mask = style.fitted_text_mask("PRESENTS", w - 14, h - 12, tracking_em=0.18)
    place_centred(layer, glowing_text(mask, WHITE, CYAN, radius=2.5, halo_opacity=0.9, pad=6), (w / 2, h / 2))
    return layer


def title_picture():
    """The roto-zoom's first sprite: the disk's name, large, with its tagline."""
    w, h = TITLE.size()
    layer = blank(w, h)
    mark, baseline = style.wordmark(150)
    shadowed = blank(mark.width + 40, mark.height + 40)
    over(shadowed, glow(mark.getchannel("A"), 10, NIGHT, 0.8), (20, 20))
    over(shadowed, mark, (20, 20))
    if shadowed.width > w - 10:
        shadowed = scaled(shadowed, (w - 10, round(shadowed.height * (w - 10) / shadowed.width)))
    over(layer, shadowed, ((w - shadowed.width) // 2, 0))
    tagline = label("A MUSIC DISK BY ORVELL TEAM", 26, AMBER, halo=AMBER, halo_opacity=0.4, tracking_em=0.3,
                    shadow=0.9)
    place_centred(layer, tagline, (w / 2, h - 34))
    return layer


# ---------------------------------------------------------------------------------------------
# The player screen's pictures


def lamp_socket(layer, centre):
    """Where a beat spot lights up: a dark socket with a faint ring."""
    w, h = layer.size
    ring = style.ring_mask((w, h), centre, 10.5, 8.5)
    disc = style.ring_mask((w, h), centre, 8.5, 0)
    over(layer, solid(disc, NIGHT, 0.9))
    over(layer, solid(ring, MIST, 0.8))


def frame_picture():
    """The player's console: a header with the disk's name, a glass window where the cube floats,
    the information panel's slot, the display and the keys, the spectrum's well and the bar with
    the three panel openers."""
    w, h = FRAME.size()
    layer = panel(w, h, (2, 2, w - 2, h - 2), radius=16, top=(24, 40, 78), bottom=(10, 17, 40), opacity=0.95)

    # The window: the harbour at night seen from the water, the moon rising on the left above the
    # information panel and the cranes on the right, so that the cube, which floats in the
    # window's middle, hangs in open sky.
    window = (14, 58, w - 14, 376)
    view = night_harbour(window[2] - window[0], window[3] - window[1], seed=808, moon_at=(0.05, 0.07), boats=3,
                         horizon=0.6, cranes=(0.66, 0.83))
    hole = rounded_mask(w, h, window, 10)
    inside = blank(w, h)
    inside.paste(view, window[:2])
    inside.putalpha(ImageChops.multiply(inside.getchannel("A"), hole))
    over(layer, inside)
    over(layer, style.panel(w, h, window, 10, top=(4, 8, 20), bottom=(4, 8, 20), opacity=0.0, rim=False,
                            recessed=True))

    # The header: the disk's name and who made it.
    mark, _ = style.wordmark(26)
    over(layer, mark, (22, 29 - mark.height // 2))
    tag = label("A MUSIC DISK  BY  ORVELL TEAM", 9, MIST, halo_opacity=0.0, tracking_em=0.16)
    over(layer, tag, (w - 24 - tag.width, 29 - tag.height // 2))
    rule = Image.new("L", (w, h), 0)
    ImageDraw.Draw(rule).line([(320, 29), (w - 36 - tag.width, 29)], fill=255)
    over(layer, solid(rule, CYAN, 0.35))

    # The information panel's slot, which the panel rolls up out of.
    slot = in_frame((INFO_PANEL_ON_SCREEN[0], INFO_PANEL_ON_SCREEN[1]) + INFO_PANEL_ON_SCREEN[2:])
    over(layer, well(w, h, (slot[0] - 4, slot[1] - 4, slot[2] + 4, slot[3] + 6), radius=8, opacity=0.75))

    # The display and the keys: one sunken well for the "Now playing" line, the title and the keys.
    title = in_frame(TITLE_BOX)
    keys_left = in_frame(PREVIOUS_KEY)
    eq = in_frame(EQUALIZER)
    # On wide screens "Now playing" runs further right (text is not narrowed), so the well does too.
    display = (keys_left[0] - 8, title[1] - 22, eq[0] - 14, keys_left[3] + 6)
    over(layer, well(w, h, display, radius=8))
    glass = (title[0] - 8, title[1] - 20, title[2] + 16, title[3] + 1)
    over(layer, panel(w, h, glass, radius=4, top=(8, 24, 34), bottom=(12, 36, 48), opacity=0.9, rim=False,
                      recessed=True))

    # The spectrum's well, with every cell's place faintly marked.
    over(layer, well(w, h, (eq[0] - 9, eq[1] - 9, eq[2] + 9, eq[3] + 9), radius=8))
    cells = Image.new("L", (w, h), 0)
    cdraw = ImageDraw.Draw(cells)
    for c in range(16):
        for j in range(12):
            l, t, r, b = in_frame((c * 0.053 - 0.215, j * 0.022 - 0.421875, 0.05078125, 0.020833334))
            cdraw.rounded_rectangle((round(l), round(t), round(r) - 1, round(b) - 1), 2, fill=255)
    over(layer, solid(cells, CYAN, 0.09))
    caption_mark = label("SPECTRUM", 8, MIST, halo_opacity=0.0, tracking_em=0.3)
    over(layer, caption_mark, (round(eq[0]) - 4, round(eq[3]) + 12))

    # The bar along the bottom: the panel openers and the keys a listener may like to know.
    bar_top = 562
    rule = Image.new("L", (w, h), 0)
    ImageDraw.Draw(rule).line([(18, bar_top), (w - 18, bar_top)], fill=255)
    over(layer, solid(rule, CYAN, 0.3))
    for name, placement in OPENERS:
        l, t, r, b = in_frame(placement)
        r = min(r, w - 8)
        box = (l + 1, t + 1, r - 1, b - 1)
        over(layer, panel(w, h, box, radius=(b - t) / 2 - 1, top=(52, 84, 138), bottom=(22, 38, 78), opacity=0.97,
                          rim=False))
        shape = rounded_mask(w, h, box, (b - t) / 2 - 1)
        over(layer, solid(ImageChops.subtract(shape, style.shrink(shape, 1)), CYAN, 0.6))
        text = label(name, 8 if b - t < 20 else 11, ICE, tracking_em=0.06)
        place_centred(layer, text, ((box[0] + box[2]) / 2, (box[1] + box[3]) / 2))
    hints = label("LEFT RIGHT  SONGS  ·  ENTER  PLAY/STOP  ·  P  PAUSE  ·  R  CREDITS  ·  T  HIDE  ·  "
                  "ESC  QUIT", 8, MIST, halo_opacity=0.0, tracking_em=0.08)
    left, right = in_frame(OPENERS[1][1])[2] + 20, in_frame(OPENERS[2][1])[0] - 12
    if hints.width > right - left:
        raise ValueError("the keys' hints do not fit between the panel openers")
    over(layer, hints, (round((left + right - hints.width) / 2), 590 - hints.height // 2))

    for x, y in BEAT_SPOTS:
        l, t, r, b = in_frame((x, y) + BEAT_SPOT_SIZE)
        lamp_socket(layer, ((l + r) / 2, (t + b) / 2))
    return layer


def information_panel():
    w, h = INFO_PANEL.size()
    layer = panel(w, h, (0.5, 0.5, w - 0.5, h - 0.5), radius=7, top=(16, 28, 60), bottom=(8, 14, 34), opacity=0.93)
    over(layer, header_bar(w, 22, "SONG INFO", up=False))
    return layer


def information_tab():
    w, h = INFO_TAB.size()
    return header_bar(w, h, "SONG INFO", up=True)


def row_label(text, cap, colour):
    """A track list row's lettering and the margin its glow adds on each side."""
    layer = label(text, cap, colour, halo=colour, tracking_em=0.06, halo_opacity=0.3)
    mask, _ = text_mask(text, round(cap / 0.7), "Bold", 0.06 * cap / 0.7)
    return layer, (layer.width - mask.width) / 2


def overlay_panel(title, subtitle, size, s=1):
    """The body every overlay panel shares: glass, a head with its name, the close cross; size is
    the panel's on screen, drawn s times larger."""
    w, h = size[0] * s, size[1] * s
    layer = panel(w, h, (0.5 * s, 0.5 * s, w - 0.5 * s, h - 0.5 * s), radius=10 * s, top=(18, 30, 64),
                  bottom=(6, 11, 28), opacity=0.94)
    head = label(title, 14 * s, WHITE, tracking_em=0.12, halo_opacity=0.6)
    over(layer, head, (14 * s, 17 * s - head.height // 2))
    sub = label(subtitle, 8 * s, MIST, halo_opacity=0.0, tracking_em=0.2)
    over(layer, sub, (w - 40 * s - sub.width, 17 * s - sub.height // 2))
    rule = Image.new("L", (w, h), 0)
    ImageDraw.Draw(rule).line([(14 * s, HEAD * s), (w - 14 * s, HEAD * s)], fill=255, width=s)
    over(layer, solid(rule, CYAN, 0.35))
    l, t, r, b = screen_to_picture(CLOSER, PANEL_ON_SCREEN, (w, h))
    close_mark(layer, (l, max(t, 0), r, min(b, HEAD * s)), s)
    return layer


HEAD = 32  # rows of an overlay panel's head, on screen


def picture_panel():
    w, h = PICTURE_PANEL.size()
    layer = overlay_panel("THE LAST TRAM HOME", "ORVELL  ·  A MUSIC DISK", (w, h))
    picture = framed(night_harbour(w - 24, h - HEAD - 14, seed=4242, tram=True), radius=8)
    over(layer, picture, (12, HEAD + 6))
    return layer


def watermark(size):
    """The emblem, faint, behind a panel's text."""
    mark = style.emblem(size, thickness=0.16, dot=True, halo=True)
    mark.putalpha(mark.getchannel("A").point(lambda v: v * 10 // 100))
    return mark


def credits_panel():
    w, h = CREDITS_PANEL.size()
    layer = overlay_panel("CREDITS", "ORVELL TEAM", (w, h))
    over(layer, watermark(190), (w - 205, 44))
    return layer


def track_list_panel(titles):
    """The list of songs, drawn in the panel's screen proportions (it is squeezed upright on screen)
    and stretched to its texels, each title on the row that its hot area covers."""
    tw, th = TRACK_LIST_PANEL.size()
    s = 4
    sw, sh = tw, round(PANEL_ON_SCREEN[3] * 384)  # on a 1024 × 768 screen
    W, H = sw * s, sh * s
    big = overlay_panel("TRACK LIST", "CLICK A SONG TO PLAY IT", (sw, sh), s)
    over(big, watermark(150 * s), (W - 175 * s, (HEAD + 30) * s))
    rows = track_row_positions()
    for i, title in enumerate(titles[: len(rows)]):
        l, t, r, b = screen_to_picture(rows[i] + TRACK_ROW_SIZE, PANEL_ON_SCREEN, (W, H))
        bar = rounded_mask(W, H, (l - 2 * s, t - 1.5 * s, r + 2 * s, b + 1.5 * s), 3 * s, supersample=1)
        over(big, solid(bar, CYAN, 0.10))
        centre_y = (t + b) / 2
        # The title stays within its hot area, so that wherever it reads it can be clicked: a long
        # one is narrowed a little, then set smaller.
        number, pad = row_label(f"{i + 1:02d}", 8.5 * s, AMBER)
        over(big, number, (round(l + 2 * s - pad), round(centre_y - number.height / 2)))
        x0 = l + 2 * s + (number.width - 2 * pad) + 4 * s
        room = r - x0
        cap = 8.5 * s
        name, pad = row_label(title.upper(), cap, ICE)
        while name.width - 2 * pad > room / 0.8 and cap > 5 * s:
            cap -= 0.25 * s
            name, pad = row_label(title.upper(), cap, ICE)
        if name.width - 2 * pad > room:
            name = name.resize((round(room + 2 * pad), name.height), Image.Resampling.LANCZOS)
        over(big, name, (round(x0 - pad), round(centre_y - name.height / 2)))
    return big.resize((tw, th), Image.Resampling.LANCZOS)


# ---------------------------------------------------------------------------------------------
# The credits picture and the cloud ring


def credit_sprite(rect, role, name):
    """One sprite of the credits roll: the role small and amber, the name large in the disk's
    light, with a dark halo that keeps both readable over the bright clouds."""
    w, h = rect.size()
    layer = blank(w, h)
    margin = 7
    role_mask = style.fitted_text_mask(role, w - 2 * margin, 18, weight="Bold", tracking_em=0.2, largest=26)
    name_mask = style.fitted_text_mask(name, w - 2 * margin, 40, tracking_em=0.06, largest=58)
    gap = 5
    top = (h - role_mask.height - gap - name_mask.height) // 2
    role_layer = glowing_text(role_mask, AMBER, AMBER, radius=2, halo_opacity=0.35, shadow=0.9, pad=margin)
    over(layer, role_layer, ((w - role_layer.width) // 2, top - margin))
    name_layer = blank(name_mask.width + 2 * margin, name_mask.height + 2 * margin)
    padded = Image.new("L", name_layer.size, 0)
    padded.paste(name_mask, (margin, margin))
    over(name_layer, glow(padded, 3, NIGHT, 0.95))
    over(name_layer, glow(padded, 2.5, CYAN, 0.8))
    over(name_layer, style.chrome(padded))
    over(layer, name_layer, ((w - name_layer.width) // 2, top + role_mask.height + gap - margin))
    return layer


def credits_picture():
    image = blank(CREDITS_SIZE, CREDITS_SIZE)
    for rect, (_, role, name) in zip(CREDIT_RECTS, CREDITS):
        l, t, _, _ = rect.texels()
        over(image, credit_sprite(rect, role, name), (l, t))
    return image


def cloud_ring():
    """A soft ring of cloud, denser in three swirling arms so that its turn shows, with wisps that
    let the rings behind it through: six of them turn over each other in the intro."""
    size = CLOUD_RING_SIZE
    rng = np.random.RandomState(9001)
    noise = sum(value_noise(rng, (size, size), cells) * weight
                for cells, weight in ((4, 0.4), (8, 0.3), (16, 0.18), (32, 0.12)))
    y, x = np.mgrid[0:size, 0:size]
    dx, dy = (x + 0.5 - size / 2) / (size / 2), (y + 0.5 - size / 2) / (size / 2)
    r, angle = np.hypot(dx, dy), np.arctan2(dy, dx)
    ring = np.exp(-((r - 0.62) / 0.18) ** 2)
    arms = 0.5 + 0.5 * np.sin(3 * angle + 7 * r + 4 * noise)
    # Wisps with gaps between them: six copies over each other must still let the night through.
    density = ring * arms * np.clip((noise - 0.33) * 2.6, 0, 1)
    density *= np.clip((0.97 - r) / 0.1, 0, 1)  # nothing reaches the square's edge
    alpha = np.clip(density * 1.1, 0, 0.8)
    light = np.clip(density * 1.6, 0, 1)[..., None]
    colour = np.array(ICE) * light + np.array((50, 120, 170)) * (1 - light)
    data = np.dstack([colour, alpha * 255])
    return Image.fromarray(np.round(data).astype(np.uint8), "RGBA")


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

SUPERSAMPLE = 4
CAP_HEIGHT = 42           # cell rows: the capitals' height
BASELINE = 52             # cell row of the baseline; the tallest glyph stays clear of the hidden top
SIDE_MARGIN = 2.75        # cell columns kept clear inside the trimmed band on each side
# A cell is shown about 4/3 as wide as it is high (its width and height are both the character
# size, in screen units of unequal length), so glyphs are drawn this much narrower.
CONDENSE = 0.78
EMBOLDEN = 1.2            # cell pixels added around each stroke: the cell is shown 3 times smaller


def glyph_cell(char, trim):
    """One 64 × 64 alpha cell: the character centred, as wide as its trimmed band allows."""
    s = SUPERSAMPLE
    big = FONT_CELL * s
    size = round(CAP_HEIGHT / 0.7 * s)
    canvas = Image.new("L", (3 * big, big), 0)
    ImageDraw.Draw(canvas).text((big, BASELINE * s), char, font=style.font(size), fill=255, anchor="ls",
                                stroke_width=round(EMBOLDEN * s), stroke_fill=255)
    cell = Image.new("L", (big, big), 0)
    ink = canvas.getbbox()
    if ink is not None:
        left, _, right, _ = ink
        room = math.floor(s * (FONT_CELL * (1 - 2 * trim) - 2 * SIDE_MARGIN))
        width = min(round((right - left) * CONDENSE), room)
        glyph = canvas.crop((left, 0, right, big)).resize((width, big), Image.Resampling.BOX)
        cell.paste(glyph, ((big - width) // 2, 0))
    return cell.reduce(s)


def font_picture():
    alpha = Image.new("L", (8 * FONT_CELL, 8 * FONT_CELL), 0)
    for code in range(FIRST_CHAR, LAST_CHAR + 1):
        i = code - FIRST_CHAR
        alpha.paste(glyph_cell(chr(code), GLYPH_TRIM[i]), ((i % 8) * FONT_CELL, (i // 8) * FONT_CELL))
    # White everywhere, so filtering at a glyph's edge never pulls in a dark fringe.
    image = Image.new("RGBA", alpha.size, (255, 255, 255, 0))
    image.putalpha(alpha)
    return image


# ---------------------------------------------------------------------------------------------


def atlas(titles):
    image = blank(ATLAS_WIDTH, ATLAS_HEIGHT)
    pictures = [
        (LOGO, logo()), (BACKGROUND, background_strip()),
        *[(rect, caption(rect, text, w0)) for rect, text, w0 in zip(CAPTIONS, CAPTION_TEXTS, CAPTION_W0)],
        (CLOSING, closing_picture()), (PRESENTS, presents()), (FRAME, frame_picture()),
        (PREVIOUS, button(PREVIOUS, "previous")), (STOP, button(STOP, "stop")), (PLAY, button(PLAY, "play")),
        (NEXT, button(NEXT, "next")), (LOUDER, button(LOUDER, "louder")), (SOFTER, button(SOFTER, "softer")),
        (INFO_PANEL, information_panel()), (INFO_TAB, information_tab()), (PICTURE_PANEL, picture_panel()),
        (CREDITS_PANEL, credits_panel()), (TRACK_LIST_PANEL, track_list_panel(titles)),
        (BEAT_SPOT, beat_spot()), (EQUALIZER_CELL, equalizer_cell()), (TITLE, title_picture()),
    ]
    for rect, picture in pictures:
        if picture.size != rect.size():
            raise ValueError(f"{rect.name} is drawn {picture.size}, not {rect.size()}")
        l, t, _, _ = rect.texels()
        if rect is BACKGROUND:
            # Stretched over the whole screen, the strip's outermost texels are sampled half from
            # their neighbours: a margin of its own edge colours keeps the screen's edges from
            # fading to the gutter's clear.
            image.paste(padded(picture, BACKGROUND_MARGIN), (l - BACKGROUND_MARGIN, t - BACKGROUND_MARGIN))
        image.paste(picture, (l, t))
    # The frame picture starts at the hot areas' texel; the hot areas win it.
    for texel in HOT_AREA_TEXELS:
        image.putpixel(texel, (0, 0, 0, 0))
    return image


BACKGROUND_MARGIN = 1  # texels of the background strip's edge colours around it


def padded(picture, margin):
    """picture with its outermost rows and columns repeated margin times around it."""
    data = np.asarray(picture)
    return Image.fromarray(np.pad(data, ((margin, margin), (margin, margin), (0, 0)), mode="edge"), "RGBA")


def save(image, path):
    write_png_bytes(path, image.width, image.height, image.convert("RGBA").tobytes())


def main(argv):
    if len(argv) > 2:
        sys.exit(__doc__)
    out = Path(argv[1]) if len(argv) == 2 else ROOT / "data"
    if not style.fonts_installed():
        sys.exit(f"{style.FONT_DIR} is missing: install Debian's {style.FONT_PACKAGE} (tools/install-deps.sh)")
    out.mkdir(parents=True, exist_ok=True)
    save(font_picture(), out / "font.png")
    save(atlas(read_song_titles(out)), out / "tit.png")
    save(credits_picture(), out / "credits.png")
    save(cloud_ring(), out / "cloudring.png")


if __name__ == "__main__":
    main(sys.argv)
