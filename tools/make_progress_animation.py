#!/usr/bin/env python3
"""Draws the progress animation (a sheet travelling from a workstation to an archive) and writes it
as resources/generated/ProgressAnimation.cpp: a PNG strip of its frames side by side, as bytes.

Run from the repository root: tools/make_progress_animation.py
"""
import struct
import zlib
from pathlib import Path

FRAMES = 16
WIDTH, HEIGHT = 272, 60
FRAME_MS = 80

BACKGROUND = (240, 240, 240)
OUTLINE = (60, 70, 90)
SCREEN = (90, 150, 220)
CASE = (200, 205, 215)
DISK = (120, 170, 120)
DISK_TOP = (160, 210, 160)
SHEET = (255, 255, 255)
LINES = (150, 150, 160)
TRAIL = (170, 180, 200)


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = [[BACKGROUND] * width for _ in range(height)]

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(self.height, y1)):
            row = self.pixels[y]
            for x in range(max(0, x0), min(self.width, x1)):
                row[x] = colour

    def frame(self, x0, y0, x1, y1, fill, outline=OUTLINE):
        self.rect(x0, y0, x1, y1, outline)
        self.rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, fill)

    def ellipse(self, cx, cy, rx, ry, colour):
        for y in range(max(0, cy - ry), min(self.height, cy + ry + 1)):
            for x in range(max(0, cx - rx), min(self.width, cx + rx + 1)):
                if ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0:
                    self.pixels[y][x] = colour


def workstation(canvas):
    canvas.frame(8, 8, 58, 42, SCREEN)
    canvas.rect(12, 12, 54, 14, (150, 190, 240))
    canvas.rect(28, 42, 38, 48, OUTLINE)
    canvas.frame(16, 48, 50, 53, CASE)


def archive(canvas):
    cx, rx, ry = 238, 22, 6
    for top in (12, 26, 40):
        canvas.ellipse(cx, top + 12, rx, ry, OUTLINE)
        canvas.rect(cx - rx, top, cx + rx + 1, top + 12, OUTLINE)
        canvas.rect(cx - rx + 1, top, cx + rx, top + 12, DISK)
        canvas.ellipse(cx, top, rx, ry, OUTLINE)
        canvas.ellipse(cx, top, rx - 1, ry - 1, DISK_TOP)


def sheet(canvas, x, y):
    canvas.frame(x, y, x + 18, y + 24, SHEET)
    for line in range(4):
        canvas.rect(x + 3, y + 5 + line * 4, x + 15, y + 6 + line * 4, LINES)


def draw(index):
    canvas = Canvas(WIDTH, HEIGHT)
    workstation(canvas)
    archive(canvas)
    start, end = 64, 200
    x = start + (end - start) * index // (FRAMES - 1)
    for dot in range(start, x - 6, 10):
        canvas.rect(dot, 29, dot + 5, 32, TRAIL)
    # The sheet rises a little and comes down again on its way.
    lift = (index * (FRAMES - 1 - index) * 4) // ((FRAMES - 1) ** 2 // 4 + 1)
    sheet(canvas, x, 18 - lift // 2)
    return canvas


def png(rows, width, height):
    raw = b"".join(b"\x00" + bytes(c for pixel in row for c in pixel) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    frames = [draw(i) for i in range(FRAMES)]
    rows = [sum((frame.pixels[y] for frame in frames), []) for y in range(HEIGHT)]
    data = png(rows, WIDTH * FRAMES, HEIGHT)
    lines = [
        "// Made by tools/make_progress_animation.py; do not edit.",
        '#include "resources/Tables.h"',
        "",
        "namespace resources {",
        "namespace {",
        "",
        "constexpr unsigned char kPng[] = {",
    ]
    for offset in range(0, len(data), 16):
        lines.append("    " + " ".join(f"0x{b:02x}," for b in data[offset:offset + 16]))
    lines += [
        "};",
        "",
        "}  // namespace",
        "",
        f"const platform::AnimationResource kProgressAnimation = {{6035, kPng, sizeof kPng, {FRAMES}, "
        f"{FRAME_MS}}};",
        "",
        "}  // namespace resources",
        "",
    ]
    out = Path(__file__).resolve().parent.parent / "resources" / "generated" / "ProgressAnimation.cpp"
    out.write_text("\n".join(lines))
    print(f"{out}: {FRAMES} frames of {WIDTH} x {HEIGHT}, {len(data)} bytes of PNG")


if __name__ == "__main__":
    main()
