#!/usr/bin/python3
# Checks the committed placeholder pictures of data/: regenerating them gives the same bytes, the
# font's glyphs stay inside what the text layout shows of each cell, and every rectangle of the
# atlas and the credits picture sits at its texels with nothing drawn outside the rectangles.
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

from PIL import Image, ImageChops, ImageDraw

ROOT = Path(__file__).resolve().parents[2]
DATA = ROOT / "data"
GENERATOR = ROOT / "tools" / "make_placeholder_disk.py"
PICTURES = ["font.png", "tit.png", "credits.png", "cloudring.png"]

sys.dont_write_bytecode = True  # importing the generator must leave no cache in the source tree
sys.path.insert(0, str(GENERATOR.parent))
import make_placeholder_disk as generator  # noqa: E402

# What the text layout trims off each side of a cell, space to Z, written out here again so that a
# slip in the generator's copy cannot hide itself.
TRIM = [
    0.40, 0.35, 0.40, 0.10, 0.36, 0.25, 0.31, 0.43,  # space ! " # $ % & '
    0.42, 0.42, 0.36, 0.32, 0.44, 0.37, 0.44, 0.39,  # ( ) * + , - . /
    0.37, 0.41, 0.37, 0.37, 0.37, 0.37, 0.37, 0.37,  # 0 to 7
    0.37, 0.37, 0.42, 0.40, 0.31, 0.29, 0.31, 0.37,  # 8 9 : ; < = > ?
    0.25, 0.36, 0.36, 0.37, 0.36, 0.38, 0.39, 0.37,  # @ A to G
    0.36, 0.42, 0.39, 0.36, 0.39, 0.31, 0.36, 0.36,  # H to O
    0.37, 0.36, 0.36, 0.36, 0.37, 0.36, 0.37, 0.30,  # P to W
    0.37, 0.38, 0.37,                                # X Y Z
]
HIDDEN_TOP = 0.008  # of a cell's height, never shown


def load(name):
    with Image.open(DATA / name) as image:
        image.load()
        return image


class Reproducible(unittest.TestCase):
    def test_regenerating_gives_the_committed_bytes(self):
        with tempfile.TemporaryDirectory() as out:
            subprocess.run([sys.executable, str(GENERATOR), out], check=True)
            for name in PICTURES:
                with self.subTest(picture=name):
                    same = (Path(out) / name).read_bytes() == (DATA / name).read_bytes()
                    self.assertTrue(same, f"data/{name} differs from what the generator writes: regenerate it")


class FontLayout(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.font = load("font.png")
        cls.cell = cls.font.width // 8

    def ink(self, index):
        """(x, y) within cell index of every pixel with any alpha."""
        left, top = (index % 8) * self.cell, (index // 8) * self.cell
        alpha = self.font.getchannel("A").crop((left, top, left + self.cell, top + self.cell))
        data = alpha.load()
        return [(x, y) for y in range(self.cell) for x in range(self.cell) if data[x, y] > 0]

    def test_is_a_square_grid_of_eight_by_eight_cells(self):
        self.assertEqual(self.font.mode, "RGBA")
        self.assertEqual(self.font.size, (512, 512))

    def test_glyphs_are_white_so_filtering_never_darkens_their_edges(self):
        self.assertEqual(self.font.convert("RGB").getextrema(), ((255, 255), (255, 255), (255, 255)))

    def test_every_glyph_stays_inside_its_trimmed_band(self):
        for i, trim in enumerate(TRIM):
            first, last = trim * self.cell, (1 - trim) * self.cell
            outside = [(x, y) for x, y in self.ink(i) if x < first or x + 1 > last]
            with self.subTest(char=chr(32 + i)):
                self.assertEqual(outside, [], f"ink outside columns {first:.2f} to {last:.2f}")

    def test_no_glyph_reaches_into_the_hidden_top_of_its_cell(self):
        for i in range(len(TRIM)):
            hidden = [(x, y) for x, y in self.ink(i) if y < HIDDEN_TOP * self.cell]
            with self.subTest(char=chr(32 + i)):
                self.assertEqual(hidden, [])

    def test_every_character_but_space_has_a_glyph_and_the_rest_are_empty(self):
        for i in range(64):
            with self.subTest(cell=i):
                if 0 < i < len(TRIM):
                    self.assertNotEqual(self.ink(i), [], f"{chr(32 + i)!r} has no glyph")
                else:
                    self.assertEqual(self.ink(i), [])

    def test_glyphs_are_centred_in_their_cells(self):
        for i in range(1, len(TRIM)):
            xs = [x for x, _ in self.ink(i)]
            centre = (min(xs) + max(xs) + 1) / 2
            with self.subTest(char=chr(32 + i)):
                self.assertLessEqual(abs(centre - self.cell / 2), 1.0)


def rect_mask(size, rects):
    mask = Image.new("L", size, 0)
    draw = ImageDraw.Draw(mask)
    for rect in rects:
        left, top, right, bottom = rect.texels()
        draw.rectangle((left, top, right - 1, bottom - 1), fill=255)
    return mask


class PictureLayout(unittest.TestCase):
    def check_rectangles(self, picture, rects, clear_texels=()):
        image = load(picture)
        alpha = image.getchannel("A")
        inside = rect_mask(image.size, rects)
        stray = ImageChops.multiply(alpha, ImageChops.invert(inside)).getbbox()
        self.assertIsNone(stray, f"{picture}: something is drawn outside every rectangle, within {stray}")

        pixels = image.load()
        for rect in rects:
            left, top, right, bottom = rect.texels()
            with self.subTest(picture=picture, rect=rect.name):
                self.assertTrue(0 <= left < right <= image.width and 0 <= top < bottom <= image.height)
                others = rect_mask(image.size, [r for r in rects if r is not rect]).load()
                # The one-texel border lies exactly on the box's edge texels...
                edge = ([(x, top) for x in range(left, right)] + [(x, bottom - 1) for x in range(left, right)]
                        + [(left, y) for y in range(top, bottom)] + [(right - 1, y) for y in range(top, bottom)])
                border = pixels[left + 1, top]
                for texel in edge:
                    if texel not in clear_texels:
                        self.assertEqual(pixels[texel], border, f"border texel {texel}")
                # ...and the texels just outside it belong to nothing.
                around = ([(x, top - 1) for x in range(left, right)] + [(x, bottom) for x in range(left, right)]
                          + [(left - 1, y) for y in range(top, bottom)] + [(right, y) for y in range(top, bottom)])
                for x, y in around:
                    if 0 <= x < image.width and 0 <= y < image.height and not others[x, y]:
                        self.assertEqual(pixels[x, y][3], 0, f"texel {(x, y)} next to the box is drawn")
                # The fill inside the border carries a label in another colour.
                interior = image.crop((left + 1, top + 1, right - 1, bottom - 1))
                self.assertGreater(len(interior.getcolors(1 << 16)), 1, "no label")

    def test_rectangles_do_not_overlap(self):
        for rects in (generator.ATLAS_RECTS, generator.CREDIT_RECTS):
            for i, a in enumerate(rects):
                for b in rects[i + 1:]:
                    al, at, ar, ab = a.texels()
                    bl, bt, br, bb = b.texels()
                    with self.subTest(a=a.name, b=b.name):
                        self.assertFalse(al < br and bl < ar and at < bb and bt < ab)

    def test_atlas_holds_each_rectangle_at_its_texels(self):
        self.assertEqual(load("tit.png").size, (2048, 1024))
        self.check_rectangles("tit.png", generator.ATLAS_RECTS, set(generator.HOT_AREA_TEXELS))

    def test_hot_areas_texel_and_the_corners_it_can_blend_with_are_clear(self):
        image = load("tit.png")
        for texel in [(0, 0), (2047, 0), (0, 1023), (2047, 1023)]:
            with self.subTest(texel=texel):
                self.assertEqual(image.getpixel(texel)[3], 0)

    def test_credits_picture_holds_each_sprite_at_its_texels(self):
        self.assertEqual(load("credits.png").size, (1024, 1024))
        self.assertEqual(len(generator.CREDIT_RECTS), 18)
        self.check_rectangles("credits.png", generator.CREDIT_RECTS)

    def test_cloud_ring_fades_out_before_the_edges_of_its_square(self):
        ring = load("cloudring.png").getchannel("A")
        w, h = ring.size
        self.assertEqual(w, h)
        edges = [ring.crop(box) for box in ((0, 0, w, 1), (0, h - 1, w, h), (0, 0, 1, h), (w - 1, 0, w, h))]
        self.assertEqual([edge.getextrema()[1] for edge in edges], [0, 0, 0, 0])
        self.assertEqual(ring.getpixel((w // 2, h // 2)), 0, "a ring, not a disc")
        self.assertGreater(ring.getextrema()[1], 200)

    def test_readme_lists_every_rectangle_with_its_texels(self):
        readme = (DATA / "README.md").read_text(encoding="utf-8")
        for rect in generator.ATLAS_RECTS + generator.CREDIT_RECTS:
            with self.subTest(rect=rect.name):
                self.assertIn(f"| {rect.name} | {rect.described()} |", readme)


if __name__ == "__main__":
    unittest.main()
