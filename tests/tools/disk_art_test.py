#!/usr/bin/python3
# Checks the demo disk's pictures in data/ and the program's resources: regenerating them gives the
# committed bytes, the font's glyphs stay inside what the text layout shows of each cell, every
# rectangle the program cuts out holds a picture with clear texels around it, and the track list
# carries the songs of disk.cfg on the rows that its hot areas cover.
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

import numpy as np
from PIL import Image

ROOT = Path(__file__).resolve().parents[2]
DATA = ROOT / "data"
TOOLS = ROOT / "tools"
PICTURES = ["font.png", "tit.png", "credits.png", "cloudring.png"]
RESOURCES = ["icon-16.png", "icon-32.png", "icon-48.png", "icon-256.png", "setup-logo.png", "hand-cursor.png"]

sys.dont_write_bytecode = True  # importing the generator must leave no cache in the source tree
sys.path.insert(0, str(TOOLS))
import make_disk_art as generator  # noqa: E402

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


def load(path):
    with Image.open(path) as image:
        image.load()
        return image.convert("RGBA")


def alpha_of(path):
    return np.asarray(load(path))[..., 3]


def song_titles():
    lines = (DATA / "disk.cfg").read_bytes().decode("latin-1").replace("\r\n", "\n").split("\n")
    return [lines[3 + 4 * i] for i in range(int(lines[0].split()[0]))]


class Reproducible(unittest.TestCase):
    def test_regenerating_the_pictures_gives_the_committed_bytes(self):
        with tempfile.TemporaryDirectory() as out:
            shutil.copy(DATA / "disk.cfg", out)
            subprocess.run([sys.executable, str(TOOLS / "make_disk_art.py"), out], check=True)
            for name in PICTURES:
                with self.subTest(picture=name):
                    same = (Path(out) / name).read_bytes() == (DATA / name).read_bytes()
                    self.assertTrue(same, f"data/{name} differs from what the generator writes: regenerate it")

    def test_regenerating_the_resources_gives_the_committed_bytes(self):
        with tempfile.TemporaryDirectory() as out:
            subprocess.run([sys.executable, str(TOOLS / "make_resources.py"), out], check=True)
            for name in RESOURCES:
                with self.subTest(resource=name):
                    same = (Path(out) / name).read_bytes() == (ROOT / "resources" / name).read_bytes()
                    self.assertTrue(same, f"resources/{name} differs from what the generator writes")


class FontLayout(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        font = load(DATA / "font.png")
        cls.size = font.size
        cls.alpha = np.asarray(font)[..., 3]
        cls.rgb = np.asarray(font)[..., :3]
        cls.cell = font.width // 8

    def ink(self, index):
        """(xs, ys) within cell index of every pixel with any alpha."""
        left, top = (index % 8) * self.cell, (index // 8) * self.cell
        ys, xs = np.nonzero(self.alpha[top:top + self.cell, left:left + self.cell])
        return xs, ys

    def test_is_a_square_grid_of_eight_by_eight_cells_of_white(self):
        self.assertEqual(self.size, (512, 512))
        self.assertTrue((self.rgb == 255).all(), "glyphs are white, so filtering never darkens their edges")

    def test_every_glyph_stays_inside_its_trimmed_band(self):
        for i, trim in enumerate(TRIM):
            xs, _ = self.ink(i)
            first, last = trim * self.cell, (1 - trim) * self.cell
            with self.subTest(char=chr(32 + i)):
                self.assertFalse(((xs < first) | (xs + 1 > last)).any(),
                                 f"ink outside columns {first:.2f} to {last:.2f}")

    def test_no_glyph_reaches_into_the_hidden_top_of_its_cell(self):
        for i in range(len(TRIM)):
            _, ys = self.ink(i)
            with self.subTest(char=chr(32 + i)):
                self.assertFalse((ys < HIDDEN_TOP * self.cell).any())

    def test_every_character_but_space_has_a_glyph_and_the_other_cells_are_empty(self):
        for i in range(64):
            xs, _ = self.ink(i)
            with self.subTest(cell=i):
                self.assertEqual(len(xs) > 0, 0 < i < len(TRIM))

    def test_glyphs_are_centred_and_capitals_share_a_baseline(self):
        bottoms = []
        for i in range(1, len(TRIM)):
            xs, ys = self.ink(i)
            with self.subTest(char=chr(32 + i)):
                self.assertLessEqual(abs((xs.min() + xs.max() + 1) / 2 - self.cell / 2), 1.0)
            if chr(32 + i) in "EFHIKLMNTZ":  # flat-bottomed capitals
                bottoms.append(ys.max())
        self.assertLessEqual(max(bottoms) - min(bottoms), 1)


def rect_mask(shape, rects, margin=0):
    mask = np.zeros(shape, bool)
    for rect in rects:
        l, t, r, b = rect.texels()
        mask[max(0, t - margin):b + margin, max(0, l - margin):r + margin] = True
    return mask


class PictureLayout(unittest.TestCase):
    def check_rectangles(self, alpha, rects, allowed=None):
        """Each rectangle holds something visible; nothing is drawn outside the rectangles (and
        the allowed texels), so every rectangle is surrounded by clear texels."""
        inside = rect_mask(alpha.shape, rects) | (allowed if allowed is not None else False)
        stray = np.argwhere((alpha > 0) & ~inside)
        self.assertEqual(len(stray), 0, f"drawn outside every rectangle, at (row, column) {stray[:5].tolist()}")
        for rect in rects:
            l, t, r, b = rect.texels()
            with self.subTest(rect=rect.name):
                self.assertTrue(0 <= l < r <= alpha.shape[1] and 0 <= t < b <= alpha.shape[0])
                self.assertGreater((alpha[t:b, l:r] > 127).mean(), 0.01, "nearly empty")

    def test_rectangles_do_not_touch(self):
        for rects in (generator.ATLAS_RECTS, generator.CREDIT_RECTS):
            for i, a in enumerate(rects):
                for b in rects[i + 1:]:
                    al, at, ar, ab = a.texels()
                    bl, bt, br, bb = b.texels()
                    with self.subTest(a=a.name, b=b.name):
                        # One texel of gutter at least, so linear filtering never mixes the two.
                        self.assertFalse(al <= br and bl <= ar and at <= bb and bt <= ab)

    def test_atlas_holds_each_rectangle_at_its_texels_with_clear_gutters(self):
        alpha = alpha_of(DATA / "tit.png")
        self.assertEqual(alpha.shape, (1024, 2048))
        # The background strip alone is framed by one texel of its own edge colours: it is stretched
        # over the whole screen, and its outermost texels would otherwise fade into the gutter.
        margin = rect_mask(alpha.shape, [generator.BACKGROUND], margin=1)
        self.check_rectangles(alpha, generator.ATLAS_RECTS, margin)

    def test_background_strip_is_the_same_in_every_column_and_opaque(self):
        l, t, r, b = generator.BACKGROUND.texels()
        strip = np.asarray(load(DATA / "tit.png"))[t - 1:b + 1, l - 1:r + 1]
        self.assertTrue((strip == strip[:, :1]).all(), "a column differs: stretching would smear it")
        self.assertTrue((strip[..., 3] == 255).all())

    def test_hot_areas_texel_and_the_corners_it_can_blend_with_are_clear(self):
        alpha = alpha_of(DATA / "tit.png")
        for row, column in [(0, 0), (0, 2047), (1023, 0), (1023, 2047)]:
            with self.subTest(texel=(column, row)):
                self.assertEqual(alpha[row, column], 0)

    def test_credits_picture_holds_each_sprite_at_its_texels(self):
        alpha = alpha_of(DATA / "credits.png")
        self.assertEqual(alpha.shape, (1024, 1024))
        self.assertEqual(len(generator.CREDIT_RECTS), 18)
        self.check_rectangles(alpha, generator.CREDIT_RECTS)

    def test_cloud_ring_is_a_ring_that_fades_out_before_the_edges_of_its_square(self):
        ring = alpha_of(DATA / "cloudring.png")
        h, w = ring.shape
        self.assertEqual(w, h)
        self.assertEqual([ring[0].max(), ring[-1].max(), ring[:, 0].max(), ring[:, -1].max()], [0, 0, 0, 0])
        self.assertEqual(ring[h // 2 - 4:h // 2 + 4, w // 2 - 4:w // 2 + 4].max(), 0, "a ring, not a disc")
        self.assertGreater(ring.max(), 200)

    def test_readme_lists_every_rectangle_with_its_texels(self):
        readme = (DATA / "README.md").read_text(encoding="utf-8")
        for rect in generator.ATLAS_RECTS + generator.CREDIT_RECTS:
            with self.subTest(rect=rect.name):
                self.assertIn(f"| {rect.name} | {rect.described()} |", readme)


class TrackList(unittest.TestCase):
    """The rows are clicked where the track list's hot areas lie on screen; the panel picture is
    squeezed into the same screen rectangle as the other panels, so each hot row is mapped back
    into the panel's texels here, independently of the generator."""

    PANEL_X, PANEL_Y, PANEL_W, PANEL_H = -0.235, -0.429, 0.888671875, 0.6328125

    def row_box(self, i, width, height):
        x = -0.17 if i <= 16 else 0.22
        y = -0.39 if i == 31 else 0.09 - 0.03 * (i if i <= 16 else i - 17)
        top = (self.PANEL_Y + self.PANEL_H - (y + 0.02)) / self.PANEL_H * height
        bottom = (self.PANEL_Y + self.PANEL_H - y) / self.PANEL_H * height
        left = (x - self.PANEL_X) / self.PANEL_W * width
        return left, top, left + 0.32 / self.PANEL_W * width, bottom

    def test_each_song_title_sits_on_its_hot_row_and_nowhere_else(self):
        atlas = np.asarray(load(DATA / "tit.png")).astype(int)
        panel = atlas[4:317, 1468:1923]  # units (734, 4)-(961.5, 317)
        height, width = panel.shape[:2]
        # Lettering: light, opaque pixels (the panel's glass and row bars are dark).
        ink = (panel[..., 3] > 200) & (panel[..., :3].min(axis=2) > 150)
        titles = song_titles()
        pitch = 0.03 / self.PANEL_H * height
        first_row_top = self.row_box(0, width, height)[1]
        claimed = np.zeros_like(ink)
        spans = []
        for i in range(32):
            left, top, right, bottom = self.row_box(i, width, height)
            centre = (top + bottom) / 2
            rows = slice(round(centre - pitch / 2), round(centre + pitch / 2))
            columns = slice(round(left) - 4, round(right) + 4)
            ys, xs = np.nonzero(ink[rows, columns])
            with self.subTest(row=i):
                if i < len(titles):
                    claimed[rows, columns] = True
                    self.assertGreater(len(ys), 40, "no title on the row")
                    ink_centre = rows.start + (ys.min() + ys.max() + 1) / 2
                    self.assertLess(abs(ink_centre - centre), 2.5, "the title is off its hot row")
                    spans.append(xs.max() - xs.min())
                else:
                    self.assertEqual(len(ys), 0, "lettering on a row without a song")
        below_head = ink.copy()
        below_head[:round(first_row_top - pitch / 2)] = False
        self.assertFalse((below_head & ~claimed).any(), "lettering outside the songs' rows")
        longest = max(range(len(titles)), key=lambda i: len(titles[i]))
        self.assertEqual(max(range(len(spans)), key=spans.__getitem__), longest)


class Resources(unittest.TestCase):
    def test_sizes_and_the_setup_logo_is_opaque(self):
        for name in RESOURCES:
            image = load(ROOT / "resources" / name)
            with self.subTest(resource=name):
                size = re.match(r"icon-(\d+)", name)
                if size:
                    self.assertEqual(image.size, (int(size[1]),) * 2)
                elif name == "setup-logo.png":
                    self.assertEqual(image.size, (114, 64))
                    self.assertEqual(np.asarray(image)[..., 3].min(), 255)
                else:
                    self.assertEqual(image.size, (32, 32))

    def test_hand_cursor_points_with_its_hot_spot(self):
        listing = (ROOT / "resources" / "CMakeLists.txt").read_text()
        x, y = map(int, re.search(r"137 hand \S+ (\d+) (\d+)", listing).groups())
        alpha = alpha_of(ROOT / "resources" / "hand-cursor.png")
        self.assertEqual(alpha[y, x], 255, "the hot spot is on the hand")
        rows = np.nonzero(alpha.max(axis=1))[0]
        self.assertEqual(rows.min(), y, "the hot spot is the topmost point: the finger's tip")


if __name__ == "__main__":
    unittest.main()
