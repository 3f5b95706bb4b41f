#!/usr/bin/env python3
"""Writes the atmospheric transmittance tables tau_L.DAT and tau_H.DAT (4,504 bytes each).

Layout (little-endian), as read by read_tau:
  0  "TAU1"; 4 uint16 distance count 17; 6 uint16 humidity count 11; 8 uint16 temperature
  count 12; 10 int16 first air temperature -20 degC; 12 uint16 step 10 degC; 14 reserved;
  16 uint16 tau[temperature][humidity][distance] * 16384, distance d_k = (0.5 k)^2 m,
  humidity 0.1 j.
Model (two bands, exponential in sqrt(distance) and the square root of the water vapour):
  tau = X exp(-sqrt(d)(a1 + b1 sqrt(w))) + (1 - X) exp(-sqrt(d)(a2 + b2 sqrt(w)))
  w   = h exp(1.5587 + 0.06939 t - 0.00027816 t^2 + 0.00000068455 t^3)
Usage: gen_tau_tables.py [output folder]   (default: resources/dat)
"""
import math
import os
import struct
import sys

BANDS = {
    "tau_L": (1.9, 0.006569, -0.002276, 0.012620, -0.00667),
    "tau_H": (1.6, 0.007100, -0.002500, 0.013800, -0.00720),
}
DISTANCES, HUMIDITIES, TEMPERATURES = 17, 11, 12
FIRST_TEMPERATURE, TEMPERATURE_STEP = -20, 10


def transmittance(band, humidity, air, distance):
    x, a1, b1, a2, b2 = band
    w = humidity * math.exp(1.5587 + 0.06939 * air - 0.00027816 * air ** 2 + 0.00000068455 * air ** 3)
    rd, rw = math.sqrt(distance), math.sqrt(w)
    tau = x * math.exp(-rd * (a1 + b1 * rw)) + (1 - x) * math.exp(-rd * (a2 + b2 * rw))
    return min(1.0, max(0.0, tau))


def table(band):
    data = bytearray(b"TAU1")
    data += struct.pack("<HHHhHH", DISTANCES, HUMIDITIES, TEMPERATURES, FIRST_TEMPERATURE, TEMPERATURE_STEP, 0)
    for t in range(TEMPERATURES):
        air = FIRST_TEMPERATURE + t * TEMPERATURE_STEP
        for h in range(HUMIDITIES):
            for d in range(DISTANCES):
                tau = transmittance(band, h / (HUMIDITIES - 1), air, (0.5 * d) ** 2)
                data += struct.pack("<H", round(tau * 16384))
    assert len(data) == 4504
    return data


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "resources", "dat")
    os.makedirs(out, exist_ok=True)
    for name, band in BANDS.items():
        with open(os.path.join(out, name + ".DAT"), "wb") as f:
            f.write(table(band))


if __name__ == "__main__":
    main()
