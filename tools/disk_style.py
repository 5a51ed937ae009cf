"""The demo disk's visual language, shared by the disk's pictures and the program's resources: one
palette (a harbour at night: navy glass, cyan light, one amber accent), one typeface (Bebas Neue
from Debian's fonts-bebas-neue) and the panel, bevel, glow and emblem every picture is built from.
Everything here is deterministic: the same Debian packages draw the same pixels."""
import math
from pathlib import Path

import numpy as np
from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

FONT_DIR = Path("/usr/share/fonts/opentype/bebas-neue")
FONT_PACKAGE = "fonts-bebas-neue"

# The palette, (r, g, b).
NIGHT = (6, 10, 24)          # the deepest ground, behind everything
DEEP = (12, 20, 46)          # panel bodies
STEEL = (30, 48, 88)         # rims and bevels
MIST = (70, 104, 150)        # dim lines and labels
CYAN = (64, 208, 220)        # the disk's light
ICE = (182, 240, 246)        # bright cyan, text on dark
WHITE = (244, 252, 255)
AMBER = (255, 178, 72)       # the one warm accent: the play button, the emblem's dot, taglines


def font(size, weight="Bold"):
    return ImageFont.truetype(str(FONT_DIR / f"BebasNeue-{weight}.otf"), size,
                              layout_engine=ImageFont.Layout.BASIC)


def fonts_installed():
    return (FONT_DIR / "BebasNeue-Bold.otf").exists()


# ---------------------------------------------------------------------------------------------
# Layers: RGBA images the size of what they are pasted into.


def blank(w, h):
    return Image.new("RGBA", (w, h), (0, 0, 0, 0))


def solid(mask, colour, opacity=1.0):
    """A layer of one colour whose alpha is the mask (an "L" image) times opacity."""
    layer = Image.new("RGBA", mask.size, tuple(colour) + (0,))
    layer.putalpha(mask.point(lambda v: round(v * opacity)))
    return layer


def over(base, layer, at=(0, 0)):
    """layer composited over base in place, at the given offset."""
    base.alpha_composite(layer, dest=(round(at[0]), round(at[1])))
    return base


def glow(mask, radius, colour, opacity):
    """A soft halo around the mask: its blurred shape in colour."""
    pad = int(radius * 3)
    big = Image.new("L", (mask.width + 2 * pad, mask.height + 2 * pad), 0)
    big.paste(mask, (pad, pad))
    big = big.filter(ImageFilter.GaussianBlur(radius)).crop((pad, pad, pad + mask.width, pad + mask.height))
    return solid(big, colour, opacity)


def vertical_gradient(w, h, stops):
    """RGBA image whose rows blend between stops: [(position 0..1, (r, g, b, a)), ...]."""
    positions = np.array([p for p, _ in stops])
    colours = np.array([c for _, c in stops], dtype=np.float64)
    t = (np.arange(h) + 0.5) / h
    rows = np.stack([np.interp(t, positions, colours[:, i]) for i in range(4)], axis=1)
    data = np.repeat(rows[:, None, :], w, axis=1)
    return Image.fromarray(np.clip(np.round(data), 0, 255).astype(np.uint8), "RGBA")


def rounded_mask(w, h, box, radius, supersample=4):
    """An "L" mask of size (w, h), opaque inside box = (left, top, right, bottom) with rounded
    corners, antialiased; coordinates may be fractional."""
    s = supersample
    big = Image.new("L", (w * s, h * s), 0)
    l, t, r, b = box
    radius = max(0.0, min(radius, (r - l) / 2 - 0.5, (b - t) / 2 - 0.5))
    ImageDraw.Draw(big).rounded_rectangle((l * s, t * s, r * s - 1, b * s - 1), radius * s, fill=255)
    return big.reduce(s)


def ring_mask(size, centre, outer, inner, supersample=4):
    """An antialiased annulus of radii inner..outer around centre, in a square of size."""
    s = supersample
    big = Image.new("L", (size[0] * s, size[1] * s), 0)
    draw = ImageDraw.Draw(big)
    cx, cy = centre[0] * s, centre[1] * s
    draw.ellipse((cx - outer * s, cy - outer * s, cx + outer * s, cy + outer * s), fill=255)
    if inner > 0:
        draw.ellipse((cx - inner * s, cy - inner * s, cx + inner * s, cy + inner * s), fill=0)
    return big.reduce(s)


def shrink(mask, pixels):
    """The mask eroded by whole pixels (a min filter), for insets that follow rounded corners."""
    return mask.filter(ImageFilter.MinFilter(2 * pixels + 1)) if pixels > 0 else mask


# ---------------------------------------------------------------------------------------------
# Panels: the disk's one kind of surface. A body of navy glass, a one-pixel dark outline, a light
# bevel along its top inside edge and a thin cyan line inset from the rim.


def panel(w, h, box=None, radius=8, top=(22, 36, 72), bottom=DEEP, opacity=0.92, rim=True,
          recessed=False):
    """A panel layer of size (w, h) filling box (default: the whole layer)."""
    box = box or (0, 0, w, h)
    outline = rounded_mask(w, h, box, radius)
    l, t, r, b = box
    body = vertical_gradient(w, h, [(t / h, top + (255,)), (b / h, bottom + (255,))])
    body.putalpha(shrink(outline, 1).point(lambda v: round(v * opacity)))
    layer = solid(outline, NIGHT, min(1.0, opacity + 0.05))
    over(layer, body)
    inner = shrink(outline, 1)
    # The bevel: light catches the top edge of a raised panel and the bottom edge of a sunken one,
    # fading along the sides between them.
    edge = ImageChops.subtract(inner, shrink(inner, 1))
    ramp = vertical_gradient(w, h, [(t / h, (0, 0, 0, 255)), (b / h, (0, 0, 0, 0))]).getchannel("A")
    lit, shade = (ImageChops.invert(ramp), ramp) if recessed else (ramp, ImageChops.invert(ramp))
    over(layer, solid(ImageChops.multiply(edge, shade), (0, 0, 0), 0.5))
    over(layer, solid(ImageChops.multiply(edge, lit), ICE, 0.5))
    if rim:
        line = ImageChops.subtract(shrink(outline, 3), shrink(outline, 4))
        over(layer, solid(line, CYAN, 0.28))
    return layer


def well(w, h, box, radius=5, opacity=0.9):
    """A sunken display well: darker than a panel, lit along its lower edge."""
    return panel(w, h, box, radius, top=(3, 6, 16), bottom=(10, 18, 38), opacity=opacity, rim=False,
                 recessed=True)


# ---------------------------------------------------------------------------------------------
# Text


def text_mask(text, size, weight="Bold", tracking=0.0):
    """An "L" mask tightly around the ink of text, with tracking (extra advance per letter, in
    pixels); also returns the baseline's row within the mask."""
    fnt = font(size, weight)
    advances = [fnt.getlength(c) + tracking for c in text]
    width = math.ceil(sum(advances) - tracking) + size
    ascent, descent = fnt.getmetrics()
    canvas = Image.new("L", (width + 2 * size, ascent + descent + 2 * size), 0)
    draw = ImageDraw.Draw(canvas)
    x = float(size)
    for c, advance in zip(text, advances):
        draw.text((x, size + ascent), c, font=fnt, fill=255, anchor="ls")
        x += advance
    ink = canvas.getbbox()
    return canvas.crop(ink), size + ascent - ink[1]


def fitted_text_mask(text, box_w, box_h, weight="Bold", tracking_em=0.0, largest=400):
    """The largest text whose ink fits box_w × box_h (sizes searched downwards)."""
    size = largest
    while size > 4:
        mask, _ = text_mask(text, size, weight, tracking_em * size)
        if mask.width <= box_w and mask.height <= box_h:
            return mask
        size = int(size * 0.95) if size > 40 else size - 1
    raise ValueError(f"{text!r} does not fit {box_w} × {box_h}")


def glowing_text(mask, colour=WHITE, halo=CYAN, radius=None, halo_opacity=0.75, shadow=0.0, pad=None):
    """Text in the disk's light: a cyan halo under the letters, optionally a dark shadow that keeps
    them readable over bright ground. Returns a layer padded by pad on each side."""
    radius = radius or max(1.0, mask.height / 9)
    pad = pad if pad is not None else math.ceil(radius * 2.5)
    padded = Image.new("L", (mask.width + 2 * pad, mask.height + 2 * pad), 0)
    padded.paste(mask, (pad, pad))
    layer = blank(*padded.size)
    if shadow:
        over(layer, glow(padded, radius * 0.6, NIGHT, shadow))
    over(layer, glow(padded, radius, halo, halo_opacity))
    over(layer, solid(padded, colour))
    return layer


def chrome(mask, top=WHITE, middle=ICE, bottom=CYAN):
    """Letters filled with a vertical chrome ramp: white at the top through ice to cyan."""
    ramp = vertical_gradient(mask.width, mask.height,
                             [(0.0, top + (255,)), (0.48, middle + (255,)), (0.52, (120, 214, 230, 255)),
                              (1.0, bottom + (255,))])
    ramp.putalpha(mask)
    return ramp


def scaled(image, size):
    """image resized to size with a high-quality filter (pictures drawn in screen proportions and
    fitted to the texels the program stretches back)."""
    return image.resize(size, Image.Resampling.LANCZOS, reducing_gap=None)


# ---------------------------------------------------------------------------------------------
# The emblem: a ring of light with one amber point on it, the disk and its music in one mark. The
# first letter of ORVELL is drawn as this ring wherever the name is set large.


def emblem(size, thickness=0.2, dot=True, halo=True):
    """A square layer of side size with the emblem centred in it."""
    s = 4
    c = size * s / 2
    outer = size * s * (0.36 if halo else 0.5)
    inner = outer * (1 - thickness * 1.6)
    big = Image.new("L", (size * s, size * s), 0)
    draw = ImageDraw.Draw(big)
    draw.ellipse((c - outer, c - outer, c + outer, c + outer), fill=255)
    draw.ellipse((c - inner, c - inner, c + inner, c + inner), fill=0)
    ring = big.reduce(s)
    layer = blank(size, size)
    if halo:
        over(layer, glow(ring, size / 20, CYAN, 0.9))
    over(layer, chrome(ring, WHITE, ICE, CYAN))
    if dot:
        # The amber point sits on the ring at two o'clock.
        angle = math.radians(-35)
        mid = (outer + inner) / 2
        dx, dy = c + mid * math.cos(angle), c + mid * math.sin(angle)
        rad = (outer - inner) * 0.62
        point = Image.new("L", (size * s, size * s), 0)
        ImageDraw.Draw(point).ellipse((dx - rad, dy - rad, dx + rad, dy + rad), fill=255)
        point = point.reduce(s)
        if halo:
            over(layer, glow(point, size / 16, AMBER, 0.9))
        over(layer, solid(point, AMBER))
    return layer


def wordmark(cap_height, tracking_em=0.05, halo=True):
    """"ORVELL" set in the typeface, chrome on a cyan halo, with the emblem standing in for its O;
    returns the layer and the row of its baseline."""
    size = round(cap_height / 0.7)
    rest, baseline = text_mask("RVELL", size, "Bold", tracking_em * size)
    ring_side = round(rest.height * 1.04)
    gap = round(tracking_em * size + cap_height * 0.06)
    pad = math.ceil(cap_height / 6) if halo else 0
    top = (ring_side - rest.height) // 2
    w, h = ring_side + gap + rest.width + 2 * pad, ring_side + 2 * pad
    letters = Image.new("L", (w, h), 0)
    letters.paste(rest, (pad + ring_side + gap, pad + top))
    ring = emblem(ring_side, thickness=0.17, halo=False)
    shape = letters.copy()
    shape.paste(ImageChops.lighter(shape.crop((pad, pad, pad + ring_side, pad + ring_side)),
                                   ring.getchannel("A")), (pad, pad))
    layer = blank(w, h)
    if halo:
        over(layer, glow(shape, cap_height / 14, CYAN, 0.8))
    over(layer, chrome(letters))
    over(layer, ring, (pad, pad))
    return layer, pad + top + baseline
