#!/usr/bin/env python3
"""Writes the six 768-byte palette files (256 entries of R, G, B; entry 0 is the cold end).

Each palette is a piecewise-linear ramp through key colours in RGB. The key colours rise in
luminance from end to end, so every palette reads cold-to-hot as dark-to-bright.
Usage: gen_palettes.py [output folder]   (default: resources/RGB_Map_Data)
"""
import os
import sys

RAMPS = {
    # black through red and orange to white
    "lut_1": [(0.00, (0, 0, 0)), (0.38, (190, 16, 0)), (0.72, (255, 150, 0)), (1.00, (255, 255, 255))],
    # dark blue through magenta to white
    "lut_2": [(0.00, (8, 0, 72)), (0.50, (200, 0, 200)), (0.78, (255, 120, 220)), (1.00, (255, 255, 255))],
    # near black through blue and violet to white
    "lut_3": [(0.00, (8, 8, 14)), (0.35, (20, 40, 200)), (0.70, (150, 70, 230)), (1.00, (255, 255, 255))],
    # dark blue through yellow-green to pale orange
    "lut_4": [(0.00, (10, 20, 110)), (0.50, (170, 210, 40)), (1.00, (255, 215, 160))],
    # black through orange to white
    "lut_5": [(0.00, (0, 0, 0)), (0.55, (255, 140, 0)), (1.00, (255, 255, 255))],
}


def ramp(keys):
    table = bytearray()
    for i in range(256):
        t = i / 255.0
        for (t0, c0), (t1, c1) in zip(keys, keys[1:]):
            if t <= t1:
                f = (t - t0) / (t1 - t0)
                table += bytes(round(a + (b - a) * f) for a, b in zip(c0, c1))
                break
    return table


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "resources", "RGB_Map_Data")
    os.makedirs(out, exist_ok=True)
    tables = {name: ramp(keys) for name, keys in RAMPS.items()}
    tables["lut_12"] = bytearray(v for i in range(256) for v in (i, i, i))
    for name, table in tables.items():
        assert len(table) == 768, name
        with open(os.path.join(out, name + ".dat"), "wb") as f:
            f.write(table)


if __name__ == "__main__":
    main()
