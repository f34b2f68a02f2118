#!/usr/bin/env python3
"""Draws the skins' images and the program icon as PNG files.

Pure standard library: shapes are drawn from signed distances with
anti-aliased edges and written with a small zlib PNG writer. Run from the
repository root; it rewrites Skin/*.png and res/icon_101.png.
"""
import math
import os
import struct
import zlib


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[(0.0, 0.0, 0.0, 0.0) for _ in range(w)] for _ in range(h)]

    def blend(self, x, y, color, coverage):
        if coverage <= 0:
            return
        r, g, b, a = color
        a *= min(1.0, coverage)
        dr, dg, db, da = self.px[y][x]
        out_a = a + da * (1 - a)
        if out_a <= 0:
            return
        mix = lambda s, d: (s * a + d * da * (1 - a)) / out_a
        self.px[y][x] = (mix(r, dr), mix(g, dg), mix(b, db), out_a)

    def shade(self, sdf, color_at):
        """Fills where sdf(x, y) < 0, with a one-pixel soft edge."""
        for y in range(self.h):
            for x in range(self.w):
                d = sdf(x + 0.5, y + 0.5)
                cov = max(0.0, min(1.0, 0.5 - d))
                if cov > 0:
                    self.blend(x, y, color_at(x + 0.5, y + 0.5), cov)

    def save(self, path):
        raw = bytearray()
        for row in self.px:
            raw.append(0)
            for r, g, b, a in row:
                raw += bytes(int(round(max(0, min(1, c)) * 255)) for c in (r, g, b, a))
        def chunk(tag, data):
            c = struct.pack(">I", len(data)) + tag + data
            return c + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)
        png = b"\x89PNG\r\n\x1a\n"
        png += chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0))
        png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
        png += chunk(b"IEND", b"")
        with open(path, "wb") as f:
            f.write(png)


def rgb(hex_color, alpha=1.0):
    v = int(hex_color.lstrip("#"), 16)
    return ((v >> 16 & 255) / 255, (v >> 8 & 255) / 255, (v & 255) / 255, alpha)


def mix(c1, c2, t):
    return tuple(a + (b - a) * t for a, b in zip(c1, c2))


def round_rect(x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hw, hh = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r
    def sdf(x, y):
        qx, qy = abs(x - cx) - hw, abs(y - cy) - hh
        outside = math.hypot(max(qx, 0), max(qy, 0))
        return outside + min(max(qx, qy), 0) - r
    return sdf


def segment(ax, ay, bx, by, width):
    def sdf(x, y):
        px, py, dx, dy = x - ax, y - ay, bx - ax, by - ay
        t = max(0.0, min(1.0, (px * dx + py * dy) / (dx * dx + dy * dy)))
        return math.hypot(px - dx * t, py - dy * t) - width / 2
    return sdf


def ring(sdf, width):
    return lambda x, y: abs(sdf(x, y)) - width / 2


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ellipse_ring(cx, cy, rx, ry, angle, width):
    ca, sa = math.cos(angle), math.sin(angle)
    def sdf(x, y):
        u = (x - cx) * ca + (y - cy) * sa
        v = -(x - cx) * sa + (y - cy) * ca
        f = (u / rx) ** 2 + (v / ry) ** 2 - 1
        grad = math.hypot(2 * u / rx ** 2, 2 * v / ry ** 2) or 1e-6
        return abs(f / grad) - width / 2
    return sdf


def solid(color):
    return lambda x, y: color


def glyph(kind, color, size=(24, 24)):
    """Caption button glyphs, centred in a square image; the skins place it
    in the middle of the button with dest."""
    c = Canvas(*size)
    cx, cy = size[0] / 2, size[1] / 2
    s = 5.0  # half size of the glyph
    if kind == "close":
        c.shade(segment(cx - s, cy - s, cx + s, cy + s, 1.4), solid(color))
        c.shade(segment(cx - s, cy + s, cx + s, cy - s, 1.4), solid(color))
    elif kind == "min":
        c.shade(segment(cx - s, cy, cx + s, cy, 1.3), solid(color))
    elif kind == "max":
        c.shade(ring(round_rect(cx - s, cy - s, cx + s, cy + s, 1.0), 1.2), solid(color))
    elif kind == "restore":
        c.shade(ring(round_rect(cx - s + 2.5, cy - s - 0.5, cx + s + 0.5, cy + s - 2.5, 1.0), 1.2), solid(color))
        # The front window hides the back window's lines behind it.
        front = round_rect(cx - s - 0.5, cy - s + 2, cx + s - 2, cy + s + 0.5, 1.0)
        for y in range(c.h):
            for x in range(c.w):
                if front(x + 0.5, y + 0.5) < 0.5:
                    c.px[y][x] = (0, 0, 0, 0)
        c.shade(ring(round_rect(cx - s - 0.5, cy - s + 2.5, cx + s - 2.5, cy + s + 0.5, 1.0), 1.2), solid(color))
    return c


def program_icon(size):
    c = Canvas(size, size)
    k = size / 48.0
    top, bottom = rgb("#5B6CF9"), rgb("#1D9BF0")
    c.shade(round_rect(2 * k, 2 * k, 46 * k, 46 * k, 11 * k),
            lambda x, y: mix(top, bottom, (x + y) / (2 * size)))
    white = rgb("#FFFFFF")
    # A planet with an orbit and a satellite: the "orbital" of the name. The
    # far half of the orbit passes behind the planet, the near half in front.
    orbit = ellipse_ring(24 * k, 24 * k, 17 * k, 7 * k, -0.5, 2.2 * k)
    ca, sa = math.cos(-0.5), math.sin(-0.5)
    def near(x, y):
        return -(x - 24 * k) * sa + (y - 24 * k) * ca > 0
    ring_color = rgb("#FFFFFF", 0.85)
    c.shade(lambda x, y: orbit(x, y) if not near(x, y) else 1, solid(ring_color))
    c.shade(circle(24 * k, 24 * k, 8 * k), lambda x, y: mix(white, rgb("#DCE6FF"), (y / size)))
    c.shade(lambda x, y: orbit(x, y) if near(x, y) else 1, solid(ring_color))
    c.shade(circle(37.5 * k, 15.5 * k, 3.2 * k), solid(rgb("#FFD166")))
    return c


def download_icon():
    # Drawn at 64x52 so it shrinks cleanly into the 32x26 icon cell.
    c = Canvas(64, 52)
    blue = rgb("#2F6FED")
    c.shade(round_rect(14, 2, 50, 50, 7), lambda x, y: mix(rgb("#E8F0FE"), rgb("#D6E4FD"), y / 52))
    c.shade(ring(round_rect(14, 2, 50, 50, 7), 2.0), solid(rgb("#9DB9F5")))
    c.shade(segment(32, 12, 32, 34, 4.0), solid(blue))
    c.shade(segment(23, 26, 32, 35, 4.0), solid(blue))
    c.shade(segment(41, 26, 32, 35, 4.0), solid(blue))
    c.shade(segment(22, 42, 42, 42, 4.0), solid(blue))
    return c


def progress_fore():
    # A vertical gradient: the bar stretches it sideways, the control rounds
    # its ends.
    c = Canvas(4, 16)
    c.shade(lambda x, y: -1, lambda x, y: mix(rgb("#4C8DF6"), rgb("#2563EB"), y / 16))
    return c


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    skin = os.path.join(root, "Skin")
    res = os.path.join(root, "res")
    os.makedirs(skin, exist_ok=True)
    os.makedirs(res, exist_ok=True)
    program_icon(48).save(os.path.join(res, "icon_101.png"))
    program_icon(18).save(os.path.join(skin, "logo_small.png"))
    download_icon().save(os.path.join(skin, "downlist_app.png"))
    progress_fore().save(os.path.join(skin, "progress_fore.png"))
    tones = {"light": "#D1D5DB", "dark": "#4B5563", "white": "#FFFFFF"}
    for kind in ("close", "min", "max", "restore"):
        for tone, color in tones.items():
            if kind != "close" and tone == "white":
                continue
            glyph(kind, rgb(color)).save(os.path.join(skin, f"caption_{kind}_{tone}.png"))


if __name__ == "__main__":
    main()
