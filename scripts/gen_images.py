#!/usr/bin/env python3
"""Draws the view's small interface images (cursors, thermometer and slider marks, title-bar
icons, palette strips) as PNG files under resources/image. Shapes are rasterised with 4 x 4
supersampling; the palette strips come from the palette files, hot at the top.
Usage: gen_images.py [resources folder]   (default: resources next to this script)
"""
import math
import os
import struct
import sys
import zlib

SS = 4  # supersampling per axis


def write_png(path, width, height, pixels):
    """pixels: list of rows of (r, g, b, a)."""
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in pixels)
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(png)


def render(width, height, shapes):
    """shapes: list of (coverage(x, y) -> bool, (r, g, b, a)); later shapes paint over earlier."""
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            r = g = b = a = 0.0
            for sy in range(SS):
                for sx in range(SS):
                    px, py = x + (sx + 0.5) / SS, y + (sy + 0.5) / SS
                    colour = None
                    for inside, c in shapes:
                        if inside(px, py):
                            colour = c
                    if colour:
                        r += colour[0] * colour[3]
                        g += colour[1] * colour[3]
                        b += colour[2] * colour[3]
                        a += colour[3]
            n = SS * SS
            if a > 0:
                row.append((round(r / a), round(g / a), round(b / a), round(a / n)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r, w):
    return lambda x, y: (r - w) ** 2 <= (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def segment(x0, y0, x1, y1, w):
    def inside(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
        return math.hypot(x - (x0 + t * dx), y - (y0 + t * dy)) <= w / 2
    return inside


WHITE, BLACK = (255, 255, 255, 255), (0, 0, 0, 255)
RED, BLUE, CYAN, GREY = (230, 40, 40, 255), (40, 110, 240, 255), (0, 160, 208, 255), (208, 208, 208, 255)


def cross_cursor(extra):
    shapes = [(segment(16, 2, 16, 30, 3), BLACK), (segment(2, 16, 30, 16, 3), BLACK),
              (segment(16, 3, 16, 29, 1.2), WHITE), (segment(3, 16, 29, 16, 1.2), WHITE)]
    return shapes + extra


def images():
    out = {}
    out["common/cursor/pointCursor"] = (32, 32, cross_cursor([(ring(16, 16, 6, 2.4), BLACK), (ring(16, 16, 5.4, 1.2), WHITE)]))
    out["common/cursor/rectCursor"] = (32, 32, cross_cursor([(rect(20, 20, 31, 31), BLACK), (rect(21.5, 21.5, 29.5, 29.5), (0, 0, 0, 0)),
                                                              (rect(21, 21, 30, 22), WHITE), (rect(21, 29, 30, 30), WHITE),
                                                              (rect(21, 21, 22, 30), WHITE), (rect(29, 21, 30, 30), WHITE)]))
    out["common/cursor/polygonCursor"] = (32, 32, cross_cursor([(segment(21, 30, 26, 20, 2.4), BLACK), (segment(26, 20, 31, 30, 2.4), BLACK),
                                                                 (segment(21, 30, 31, 30, 2.4), BLACK), (segment(21, 30, 26, 20, 1), WHITE),
                                                                 (segment(26, 20, 31, 30, 1), WHITE), (segment(21, 30, 31, 30, 1), WHITE)]))
    out["common/TitleBar/play"] = (24, 24, [(polygon([(8, 5), (19, 12), (8, 19)]), WHITE)])
    out["common/TitleBar/pause"] = (24, 24, [(rect(7, 5, 10.5, 19), WHITE), (rect(13.5, 5, 17, 19), WHITE)])
    out["Veltrace/TitleBar/winClose"] = (28, 28, [(segment(8, 8, 20, 20, 2), WHITE), (segment(20, 8, 8, 20, 2), WHITE)])
    out["Veltrace/Thermometer/tempIcon"] = (14, 14, [(circle(7, 9.5, 4), RED), (rect(5.5, 1, 8.5, 8), WHITE), (rect(6.3, 3, 7.7, 8), RED)])
    out["Veltrace/Thermometer/redTriangle"] = (9, 13, [(polygon([(9, 0), (9, 13), (0, 6.5)]), RED)])
    out["Veltrace/Thermometer/blueTriangle"] = (9, 13, [(polygon([(9, 0), (9, 13), (0, 6.5)]), BLUE)])
    out["Veltrace/Thermometer/triangleUp"] = (13, 10, [(polygon([(0, 0), (13, 5), (0, 10)]), WHITE)])
    out["Veltrace/Thermometer/triangleDown"] = (13, 10, [(polygon([(0, 0), (13, 5), (0, 10)]), WHITE)])
    out["Veltrace/Thermometer/point"] = (18, 18, [(circle(9, 9, 7.5), BLACK), (circle(9, 9, 6), WHITE), (circle(9, 9, 3), CYAN)])
    out["Veltrace/Thermometer/triangleLeft"] = (10, 13, [(polygon([(10, 0), (10, 13), (0, 13), (0, 5)]), GREY)])
    out["Veltrace/Thermometer/triangleRight"] = (10, 13, [(polygon([(0, 0), (10, 5), (10, 13), (0, 13)]), GREY)])
    out["Veltrace/Thermometer/triangleLeftSel"] = (10, 13, [(polygon([(10, 0), (10, 13), (0, 13), (0, 5)]), CYAN)])
    out["Veltrace/Thermometer/triangleRightSel"] = (10, 13, [(polygon([(0, 0), (10, 5), (10, 13), (0, 13)]), CYAN)])
    # Main window: logo, title-bar buttons, connection state, language flags.
    accent = (0, 170, 255, 255)
    out["Orvik/icons/LOGO"] = (150, 30, [(circle(15, 15, 12), accent), (circle(15, 15, 8), (0, 21, 42, 255)),
                                        (circle(15, 15, 4), (255, 120, 0, 255)),
                                        (rect(34, 9, 38, 21), WHITE), (rect(42, 9, 46, 21), WHITE)])
    out["Orvik/TitleBar/winMin"] = (24, 24, [(rect(6, 15, 18, 17), WHITE)])
    out["Orvik/TitleBar/maxSr"] = (24, 24, [(rect(6, 6, 18, 18), WHITE), (rect(7.5, 8.5, 16.5, 16.5), (0, 0, 0, 0))])
    out["Orvik/TitleBar/winMax"] = (24, 24, [(rect(8, 5, 19, 16), WHITE), (rect(9.5, 7, 17.5, 14.5), (0, 0, 0, 0)),
                                             (rect(5, 8, 16, 19), WHITE), (rect(6.5, 10, 14.5, 17.5), (0, 0, 0, 0))])
    out["Orvik/TitleBar/winClose"] = (24, 24, [(segment(7, 7, 17, 17, 2), WHITE), (segment(17, 7, 7, 17, 2), WHITE)])
    out["common/TitleBar/connect"] = (16, 16, [(circle(8, 8, 6), (40, 200, 90, 255))])
    out["common/TitleBar/disconnect"] = (16, 16, [(circle(8, 8, 6), (150, 150, 150, 255))])
    out["country/chinese"] = (23, 23, [(rect(1, 5, 22, 18), (222, 41, 16, 255)), (circle(6, 9, 2.2), (255, 222, 0, 255))])
    out["country/english"] = (23, 23, [(rect(1, 5, 22, 18), (1, 33, 105, 255)), (rect(1, 10, 22, 13), WHITE),
                                       (rect(10, 5, 13, 18), WHITE), (rect(1, 11, 22, 12), (200, 16, 46, 255)),
                                       (rect(11, 5, 12, 18), (200, 16, 46, 255))])
    out["country/spalish"] = (23, 23, [(rect(1, 5, 22, 18), (170, 21, 27, 255)), (rect(1, 8.5, 22, 14.5), (241, 191, 0, 255))])
    return out


def palette_icon(lut_path, size=28):
    with open(lut_path, "rb") as f:
        lut = f.read()
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            inside = (x - size / 2 + 0.5) ** 2 + (y - size / 2 + 0.5) ** 2 <= (size / 2 - 1) ** 2
            i = 255 - y * 255 // (size - 1)
            row.append((lut[3 * i], lut[3 * i + 1], lut[3 * i + 2], 255) if inside else (0, 0, 0, 0))
        rows.append(row)
    return rows


def palette_strip(lut_path, height=256, width=6):
    with open(lut_path, "rb") as f:
        lut = f.read()
    rows = []
    for y in range(height):
        i = 255 - y * 255 // (height - 1)
        rows.append([(lut[3 * i], lut[3 * i + 1], lut[3 * i + 2], 255)] * width)
    return rows


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")
    for name, (w, h, shapes) in images().items():
        write_png(os.path.join(root, "image", name + ".png"), w, h, render(w, h, shapes))
    for n, lut in ((1, "lut_1"), (2, "lut_3"), (3, "lut_12")):
        write_png(os.path.join(root, "image", "bgPictures", "tempRange%d.png" % n), 6, 256,
                  palette_strip(os.path.join(root, "RGB_Map_Data", lut + ".dat")))
        write_png(os.path.join(root, "image", "Orvik", "icons", "palette%d%d.png" % (n, n)), 28, 28,
                  palette_icon(os.path.join(root, "RGB_Map_Data", lut + ".dat")))


if __name__ == "__main__":
    main()
