#!/usr/bin/python3
"""Writes the fuzz targets' seed inputs to fuzz/seeds/TARGET: tiny, valid examples of every kind
of file the program reads (a few KB each, so that mutating them stays fast), plus the near misses
that lead the fuzzer into the readers' error paths. Deterministic: running it again gives the
same bytes. Needs python3-numpy, python3-pil, flac and vorbis-tools."""
import io
import math
import os
import struct
import subprocess
import sys
import tempfile
import wave

import numpy as np
from PIL import Image

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools"))
from tracker_files import (ModCell, ModSample, XmCell, XmInstrument, XmSample,  # noqa: E402
                           write_mod, write_xm)

SEEDS = os.path.join(ROOT, "fuzz", "seeds")


def put(target, name, data):
    folder = os.path.join(SEEDS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data.encode("latin-1") if isinstance(data, str) else data)


def disk_configs():
    put("disk_config", "two_songs.cfg",
        "2\nmod\nfirst.mod\nFirst Song\nA line of information about it.\n"
        "stream\nsecond.ogg\nSecond Song\nMore text.\nCredits line one\n\nCredits line three\n")
    put("disk_config", "crlf_and_words.cfg",
        "  \r\n 3 songs on this disk\r\nmod\r\na.XM\r\n\r\ninfo\r\nstream\r\nb.wav\r\nB\r\n")
    put("disk_config", "count_without_line_end.cfg", "1")
    put("disk_config", "negative_count.cfg", "-7\nmod\nx.mod\nX\nY\n")
    put("disk_config", "not_a_number.cfg", "two\nmod\n")
    put("disk_config", "huge_count.cfg", "2000000000\nstream \n\xff\xfe\x01\x7f\nTITLE\n")


def quantised(value, scale):
    """The two bytes the font layout target reads back as value (in [-scale, scale))."""
    raw = max(0, min(65535, round(value / scale * 32768) + 32768))
    return struct.pack("<H", raw)


def font_layouts():
    def layout(size, x, y, clip, scroll, box_width, box_height, box_scroll, alpha, text):
        numbers = [(size, 1), (x, 2), (y, 2), (clip, 2), (scroll, 4), (box_width, 2),
                   (box_height, 2), (box_scroll, 4), (alpha, 1)]
        return b"".join(quantised(v, s) for v, s in numbers) + text

    put("font_layout", "title.bin",
        layout(0.05, -0.9, 0.8, 0.5, 0.1, 0.3, 0.4, -0.5, 1.0, b"Now playing: First Light"))
    put("font_layout", "wrapped_info.bin",
        layout(0.05, 0.1, 0.2, 0.3, 0.0, 0.3, 0.5, 0.5, 0.8,
               b"A four-channel ProTracker module in A minor at 125 beats a minute:\n\n"
               b"kick, snare and hats share one channel."))
    put("font_layout", "credits.bin",
        layout(0.033, -0.75, 0.9, 0.75, 2.0, 0.75, 1.2, 1.0, 1.0,
               b"CREDITS\n\nmusic  graphics  code\n" + bytes(range(1, 256))))
    put("font_layout", "long_word.bin",
        layout(0.2, 0.99, -1.0, 0.01, -3.0, 0.05, 0.01, 3.9, 0.5, b"X" * 200 + b" y"))


EFFECT = """// A cut-down GUI effect.
texture texture_0 { MinFilter = LINEAR; MagFilter = POINT; AddressU = CLAMP; AddressV = WRAP; }
texture spare;
vertexshader vs = R"(#version 330 core
layout(location = 0) in vec3 position;
void main() { gl_Position = vec4(position, 1.0); }
)";
pixelshader ps = R"(#version 330 core
uniform sampler2D texture_0;
out vec4 colour;
void main() { colour = texture(texture_0, vec2(0.5)); }
)";
/* two techniques, the first runs */
technique GUI {
  pass P0 { VertexShader = vs; PixelShader = ps; AlphaBlendEnable = TRUE; SrcBlend = SRCALPHA;
            DestBlend = INVSRCALPHA; ZEnable = FALSE; ZWriteEnable = false; CullMode = NONE; }
  pass { VertexShader = vs; PixelShader = ps; ZFunc = LESSEQUAL; Lighting = FALSE; }
}
technique Other { pass P0 { VertexShader = vs; PixelShader = ps; MipFilter = NONE; } }
"""


def effects():
    put("effect", "two_techniques.fx", EFFECT)
    put("effect", "syntax_error.fx", EFFECT.replace("pass P0 {", "pass P0 ", 1))
    put("effect", "unknown_shader.fx", EFFECT.replace("PixelShader = ps;", "PixelShader = qs;", 1))
    put("effect", "unterminated.fx", 'texture t; vertexshader vs = R"(void main() {} /* ')


def images():
    y, x = np.mgrid[0:6, 0:5]
    rgba = np.stack([x * 50, y * 40, (x + y) * 20, 255 - x * y * 8], axis=-1).astype(np.uint8)
    picture = Image.fromarray(rgba, "RGBA")

    def encoded(image, fmt, **options):
        out = io.BytesIO()
        image.save(out, fmt, **options)
        return out.getvalue()

    put("texture_loader", "rgba.png", encoded(picture, "PNG"))
    put("texture_loader", "grey.png", encoded(picture.convert("L"), "PNG"))
    put("texture_loader", "palette.png",
        encoded(picture.convert("RGB").convert("P", palette=Image.ADAPTIVE, colors=8), "PNG"))
    put("texture_loader", "rgb.bmp", encoded(picture.convert("RGB"), "BMP"))
    put("texture_loader", "rgba.tga", encoded(picture, "TGA"))
    put("texture_loader", "rle.tga", encoded(picture.convert("RGB"), "TGA", compression="tga_rle"))
    put("texture_loader", "rgb.jpg", encoded(picture.convert("RGB"), "JPEG", quality=80))


def sine_bytes(length, period, amplitude):
    t = np.arange(length)
    return np.round(amplitude * np.sin(2 * np.pi * t / period)).astype(np.int16)


def modules():
    wave8 = ModSample("sine", sine_bytes(64, 32, 100).astype(np.int8), loop_start=0, loop_length=64)
    rows = [[ModCell() for _ in range(4)] for _ in range(64)]
    rows[0][0] = ModCell(note=24, sample=1)
    rows[4][1] = ModCell(note=28, sample=1, effect=0xC, param=32)
    rows[8][2] = ModCell(effect=0xF, param=3)
    rows[12][3] = ModCell(effect=0xD, param=0)  # pattern break: the song is 13 rows long
    put("module_loader", "four_channels.mod", write_mod("seed", 4, [wave8], [rows], [0]))

    rows6 = [[ModCell() for _ in range(6)] for _ in range(64)]
    rows6[0][5] = ModCell(note=12, sample=1, effect=0xA, param=0x01)
    rows6[2][0] = ModCell(effect=0xB, param=0)  # jump back: stops the song
    put("module_loader", "six_channels.mod", write_mod("seed6", 6, [wave8], [rows6], [0]))

    sample = XmSample(sine_bytes(64, 32, 12000), loop_length=64)
    instrument = XmInstrument("sine", sample, envelope=[(0, 64), (4, 32), (8, 0)], sustain=1,
                              fadeout=512, vibrato=(0, 2, 4, 8))
    xm_rows = [[XmCell() for _ in range(2)] for _ in range(8)]
    xm_rows[0][0] = XmCell(note=49, instrument=1, volume=0x50)
    xm_rows[2][1] = XmCell(note=52, instrument=1, effect=0x4, param=0x44)
    xm_rows[6][0] = XmCell(note=97)
    put("module_loader", "two_channels.xm",
        write_xm("seed", 2, [instrument], [xm_rows], [0, 0], 3, 125))


def samples(rate, seconds, channels):
    frames = int(rate * seconds)
    t = np.arange(frames) / rate
    sine = np.sin(2 * np.pi * 440 * t) * 0.5
    return np.repeat(sine[:, None], channels, axis=1)


def pcm_wav(rate, channels, width, seconds):
    out = io.BytesIO()
    with wave.open(out, "wb") as w:
        w.setnchannels(channels)
        w.setsampwidth(width)
        w.setframerate(rate)
        data = samples(rate, seconds, channels)
        if width == 1:
            w.writeframes(np.round(data * 127 + 128).astype(np.uint8).tobytes())
        else:
            w.writeframes(np.round(data * 32767).astype("<i2").tobytes())
    return out.getvalue()


def float_wav(rate, channels, seconds):
    data = samples(rate, seconds, channels).astype("<f4").tobytes()
    fmt = struct.pack("<HHIIHH", 3, channels, rate, rate * channels * 4, channels * 4, 32)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    body += b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def streams():
    put("stream_loader", "mono_8bit_11025.wav", pcm_wav(11025, 1, 1, 0.1))
    put("stream_loader", "stereo_16bit_22050.wav", pcm_wav(22050, 2, 2, 0.02))
    put("stream_loader", "four_channels_float_48000.wav", float_wav(48000, 4, 0.005))
    with tempfile.TemporaryDirectory() as scratch:
        source = os.path.join(scratch, "source.wav")
        with open(source, "wb") as f:
            f.write(pcm_wav(8000, 2, 2, 0.1))
        flac = os.path.join(scratch, "out.flac")
        subprocess.run(["flac", "-s", "-f", "--no-padding", "--no-seektable", "-o", flac, source],
                       check=True)
        ogg = os.path.join(scratch, "out.ogg")
        subprocess.run(["oggenc", "-Q", "--serial", "1", "-q", "-1", "-o", ogg, source],
                       check=True)
        for name, path in (("stereo_8000.flac", flac), ("stereo_8000.ogg", ogg)):
            with open(path, "rb") as f:
                put("stream_loader", name, f.read())


def main():
    disk_configs()
    font_layouts()
    effects()
    images()
    modules()
    streams()


if __name__ == "__main__":
    main()
