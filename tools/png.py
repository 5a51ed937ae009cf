"""Minimal deterministic PNG writer (RGBA, 8 bits per channel) on the standard library alone: no
metadata, every row unfiltered, zlib at level 9, so the bytes depend on the pixels alone."""
import struct
import zlib


def write_png_bytes(path, width, height, rgba):
    """rgba: width × height × 4 bytes, rows from the top."""
    stride = width * 4
    if len(rgba) != stride * height:
        raise ValueError(f"{len(rgba)} bytes are not {width} × {height} RGBA pixels")
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        raw += rgba[y * stride:(y + 1) * stride]

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def write_png(path, width, height, pixels):
    """pixels: a list of rows, each a list of (r, g, b, a) tuples of 0..255."""
    write_png_bytes(path, width, height, bytes(v for row in pixels for px in row for v in px))
