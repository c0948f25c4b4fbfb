#!/usr/bin/env python3
"""Draws the desktop program's icon set as small PNG files (standard library only).

Run from this folder: python3 make_icons.py. The PNGs are committed and built
into the program as Qt resources (../tabulox.qrc); rerun after changing a drawing.
"""
import struct
import zlib


class Canvas:
    def __init__(self, width, height):
        self.w, self.h = width, height
        self.px = [[(0, 0, 0, 0)] * width for _ in range(height)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, fill=None, line=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                edge = x in (x0, x1) or y in (y0, y1)
                if edge and line:
                    self.set(x, y, line)
                elif fill:
                    self.set(x, y, fill)

    def line(self, x0, y0, x1, y1, c):
        n = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(n + 1):
            self.set(round(x0 + (x1 - x0) * i / n), round(y0 + (y1 - y0) * i / n), c)

    def disc(self, cx, cy, r, fill, line=None):
        for y in range(self.h):
            for x in range(self.w):
                d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
                if d <= r - 0.5:
                    self.set(x, y, fill)
                elif line and d <= r + 0.5:
                    self.set(x, y, line)

    def save(self, name):
        raw = b"".join(b"\0" + b"".join(struct.pack("4B", *p) for p in row) for row in self.px)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0))
        png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
        with open(name, "wb") as f:
            f.write(png)


INK = (40, 40, 60, 255)
PAPER = (255, 255, 255, 255)
GREEN = (30, 150, 60, 255)
RED = (200, 40, 40, 255)
BLUE = (40, 90, 200, 255)
YELLOW = (240, 200, 60, 255)
GREY = (150, 150, 150, 255)
NAVY = (20, 30, 110, 255)


def page(c, x0=3, y0=1, x1=12, y1=14):
    c.rect(x0, y0, x1, y1, PAPER, INK)
    for y in range(y0 + 3, y1 - 1, 2):
        c.line(x0 + 2, y, x1 - 2, y, GREY)


def sheet(c, x0, y0, x1, y1):
    c.rect(x0, y0, x1, y1, PAPER, GREEN)
    for y in range(y0 + 3, y1, 3):
        c.line(x0, y, x1, y, GREEN)
    c.line((x0 + x1) // 2, y0, (x0 + x1) // 2, y1, GREEN)


def options():
    c = Canvas(16, 16)
    c.disc(8, 8, 6, GREY, INK)
    c.disc(8, 8, 2.5, PAPER, INK)
    for x, y in ((8, 1), (8, 15), (1, 8), (15, 8)):
        c.rect(x - 1, y - 1, x + 1, y + 1, GREY, INK)
    return c


def contents():
    c = Canvas(16, 16)
    c.rect(2, 2, 13, 13, BLUE, NAVY)
    c.line(8, 4, 8, 5, PAPER)
    c.line(8, 7, 8, 11, PAPER)
    return c


def paste():
    c = Canvas(16, 16)
    c.rect(2, 2, 11, 14, (190, 140, 80, 255), INK)
    c.rect(5, 1, 8, 3, GREY, INK)
    page(c, 7, 6, 14, 15)
    return c


def convert():
    c = Canvas(16, 16)
    sheet(c, 0, 2, 6, 13)
    c.line(7, 8, 10, 8, BLUE)
    c.line(9, 6, 10, 8, BLUE)
    c.line(9, 10, 10, 8, BLUE)
    page(c, 11, 2, 15, 13)
    return c


def blank():
    return Canvas(16, 16)


def add_file():
    c = Canvas(16, 16)
    page(c, 2, 1, 11, 14)
    c.rect(9, 9, 15, 15, GREEN)
    c.line(12, 10, 12, 14, PAPER)
    c.line(10, 12, 14, 12, PAPER)
    return c


def add_dir():
    c = Canvas(16, 16)
    c.rect(1, 3, 6, 5, YELLOW, INK)
    c.rect(1, 5, 13, 13, YELLOW, INK)
    c.rect(9, 9, 15, 15, GREEN)
    c.line(12, 10, 12, 14, PAPER)
    c.line(10, 12, 14, 12, PAPER)
    return c


def view_log():
    c = Canvas(16, 16)
    page(c, 2, 1, 11, 14)
    c.disc(11, 10, 3.5, PAPER, BLUE)
    c.line(13, 12, 15, 14, BLUE)
    return c


def state(kind):
    c = Canvas(16, 16)
    sheet(c, 1, 1, 10, 14)
    if kind == 1:
        c.disc(11, 11, 4.5, GREEN)
        c.line(9, 11, 10, 12, PAPER)
        c.line(10, 12, 13, 9, PAPER)
    elif kind == 2:
        c.disc(11, 11, 4.5, RED)
        c.line(9, 9, 13, 13, PAPER)
        c.line(13, 9, 9, 13, PAPER)
    return c


def app_icon():
    c = Canvas(32, 32)
    sheet(c, 2, 4, 16, 27)
    c.line(17, 16, 21, 16, NAVY)
    c.line(19, 13, 21, 16, NAVY)
    c.line(19, 19, 21, 16, NAVY)
    c.rect(22, 4, 30, 27, PAPER, INK)
    for y in range(8, 26, 3):
        c.line(24, y, 28, y, GREY)
    return c


def about_strip():
    """Four 32-pixel frames: a text page sliding out of a worksheet."""
    c = Canvas(128, 32)
    for f in range(4):
        x = 32 * f
        sheet(c, x + 2, 6, x + 15, 27)
        shift = 3 * f
        c.rect(x + 14 + shift // 2, 6 + 2 * (3 - f), x + 25 + shift // 2, 27 - 2 * (3 - f), PAPER, INK)
        for y in range(10 + 2 * (3 - f), 26 - 2 * (3 - f), 3):
            c.line(x + 16 + shift // 2, y, x + 23 + shift // 2, y, BLUE)
    return c


if __name__ == "__main__":
    for i, draw in enumerate((options, contents, paste, convert, blank, add_file, add_dir, view_log)):
        draw().save(f"menu{i}.png")
    for kind in range(3):
        state(kind).save(f"state{kind}.png")
    app_icon().save("tabulox.png")
    about_strip().save("aniabout.png")
