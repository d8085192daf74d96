#!/usr/bin/env python3
"""Writes the PNG seeds of the picture fuzz targets (run once; they are committed).

fuzz/corpus/level/ gets small pictures, each a different way PNG pictures are stored, so the decoder
target runs thousands of times a second; fuzz/corpus/level_play/ gets two of the level's size
(2400 x 600) and the real level picture, so that mutations reach the game itself.
"""
import pathlib
import shutil
import struct
import zlib

HERE = pathlib.Path(__file__).resolve().parent
OUT = HERE / "corpus" / "level"
PLAY = HERE / "corpus" / "level_play"


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(width, height, colour_type, rows, bit_depth=8, interlace=0, extra=()):
    """rows: the raw scanlines, each without its filter byte (filter 0 is added)."""
    header = struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, interlace)
    raw = b"".join(b"\x00" + r for r in rows)
    chunks = [chunk(b"IHDR", header), *extra, chunk(b"IDAT", zlib.compress(raw, 9)), chunk(b"IEND", b"")]
    return b"\x89PNG\r\n\x1a\n" + b"".join(chunks)


def level(sky, ground, floor_row):
    """A level-sized picture: sky above `floor_row`, ground below (RGB)."""
    return png(2400, 600, 2, [bytes(ground if y >= floor_row else sky) * 2400 for y in range(600)])


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    PLAY.mkdir(parents=True, exist_ok=True)
    seeds = {
        "rgb_1x1.png": png(1, 1, 2, [b"\xff\x00\x00"]),
        "rgba_3x2.png": png(3, 2, 6, [bytes(range(12)), bytes(range(100, 112))]),
        "grey_4x4.png": png(4, 4, 0, [bytes([0, 85, 170, 255])] * 4),
        "grey_alpha_2x2.png": png(2, 2, 4, [b"\x10\x80\x20\xff"] * 2),
        "grey16_2x2.png": png(2, 2, 0, [b"\x12\x34\xab\xcd"] * 2, bit_depth=16),
        "palette_4x2.png": png(4, 2, 3, [b"\x00\x01\x02\x01", b"\x02\x01\x00\x00"],
                               extra=[chunk(b"PLTE", b"\x00\x00\x00\xff\xff\xff\x40\x80\xc0")]),
        "grey1_8x2.png": png(8, 2, 0, [b"\xa5", b"\x5a"], bit_depth=1),
        "interlaced_rgb_2x2.png": png(2, 2, 2, [b"\x00\x01\x02\x03\x04\x05", b"\x06\x07\x08\x09\x0a\x0b"],
                                      interlace=1),
        "level_floor.png": level(b"\x00\x00\x00", b"\x80\x60\x40", 400),
        "level_solid.png": level(b"\x30\x90\x30", b"\x30\x90\x30", 600),
    }
    for name, data in seeds.items():
        ((PLAY if name.startswith("level_") else OUT) / name).write_bytes(data)
    shutil.copyfile(HERE.parent / "assets" / "level.png", PLAY / "real_level.png")


if __name__ == "__main__":
    main()
