#!/usr/bin/env python3
"""Draws the skins' images and the program icon as PNG files.

Pure standard library: shapes are drawn from signed distances with
anti-aliased edges and written with a small zlib PNG writer. Run from the
repository root; it rewrites Skin/*.png and res/icon_101.png.

Every skin image is drawn twice: NAME.png at its size in the skins, and
NAME@2x.png at twice that size, which the toolkit draws on screens with two
device pixels to each pixel of the layout, so the images stay sharp there.
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


def glyph(kind, color, k=1):
    """Caption button glyphs, centred in a square image; the skins place it
    in the middle of the button with dest. k scales every length."""
    c = Canvas(24 * k, 24 * k)
    cx, cy = c.w / 2, c.h / 2
    s = 5.0 * k  # half size of the glyph
    if kind == "close":
        c.shade(segment(cx - s, cy - s, cx + s, cy + s, 1.4 * k), solid(color))
        c.shade(segment(cx - s, cy + s, cx + s, cy - s, 1.4 * k), solid(color))
    # Lines lie on whole pixels, so each glyph has pixels of its full colour
    # and keeps its contrast when drawn at 1:1.
    elif kind == "min":
        c.shade(segment(cx - s, cy, cx + s, cy, 2.0 * k), solid(color))
    elif kind == "max":
        e = s - 0.5 * k
        c.shade(ring(round_rect(cx - e, cy - e, cx + e, cy + e, 1.0 * k), 1.2 * k), solid(color))
    elif kind == "restore":
        c.shade(ring(round_rect(cx - s + 2.5 * k, cy - s - 0.5 * k, cx + s + 0.5 * k, cy + s - 2.5 * k,
                                1.0 * k), 1.2 * k), solid(color))
        # The front window hides the back window's lines behind it.
        front = round_rect(cx - s - 0.5 * k, cy - s + 2 * k, cx + s - 2 * k, cy + s + 0.5 * k, 1.0 * k)
        for y in range(c.h):
            for x in range(c.w):
                if front(x + 0.5, y + 0.5) < 0.5 * k:
                    c.px[y][x] = (0, 0, 0, 0)
        c.shade(ring(round_rect(cx - s - 0.5 * k, cy - s + 2.5 * k, cx + s - 2.5 * k, cy + s + 0.5 * k,
                                1.0 * k), 1.2 * k), solid(color))
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


def download_icon(k=1):
    # Drawn at 64x52 so it shrinks cleanly into the 32x26 icon cell.
    c = Canvas(64 * k, 52 * k)
    blue = rgb("#2F6FED")
    c.shade(round_rect(14 * k, 2 * k, 50 * k, 50 * k, 7 * k),
            lambda x, y: mix(rgb("#E8F0FE"), rgb("#D6E4FD"), y / (52 * k)))
    c.shade(ring(round_rect(14 * k, 2 * k, 50 * k, 50 * k, 7 * k), 2.0 * k), solid(rgb("#9DB9F5")))
    for ax, ay, bx, by in ((32, 12, 32, 34), (23, 26, 32, 35), (41, 26, 32, 35), (22, 42, 42, 42)):
        c.shade(segment(ax * k, ay * k, bx * k, by * k, 4.0 * k), solid(blue))
    return c


def progress_fore(k=1):
    # A vertical gradient: the bar stretches it sideways, the control rounds
    # its ends.
    c = Canvas(4 * k, 16 * k)
    c.shade(lambda x, y: -1, lambda x, y: mix(rgb("#4C8DF6"), rgb("#2563EB"), y / (16 * k)))
    return c


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    skin = os.path.join(root, "Skin")
    res = os.path.join(root, "res")
    os.makedirs(skin, exist_ok=True)
    os.makedirs(res, exist_ok=True)
    program_icon(48).save(os.path.join(res, "icon_101.png"))
    for k, suffix in ((1, ""), (2, "@2x")):
        def save(canvas, name):
            canvas.save(os.path.join(skin, f"{name}{suffix}.png"))
        save(program_icon(18 * k), "logo_small")
        save(download_icon(k), "downlist_app")
        save(progress_fore(k), "progress_fore")
        tones = {"light": "#D1D5DB", "dark": "#4B5563", "white": "#FFFFFF"}
        for kind in ("close", "min", "max", "restore"):
            for tone, color in tones.items():
                if kind != "close" and tone == "white":
                    continue
                save(glyph(kind, rgb(color), k), f"caption_{kind}_{tone}")


if __name__ == "__main__":
    main()
