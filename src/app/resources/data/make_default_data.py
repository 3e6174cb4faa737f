#!/usr/bin/env python3
"""Writes the example data set the window starts with.

default_time.txt   1201 times 0..1200 (lines 0-2 bare, later lines end in a tab)
default_data.txt   1201 readings, each followed by a tab: flat at 50 up to time 100, then a
                   rising S-shaped curve through the reference readings below, never
                   decreasing, at most five significant digits
default_model.txt  1201 numbers with three decimals and a tab: a noisy copy of the curve,
                   replaced by the computed model as soon as the window starts

Run it from this folder: python3 make_default_data.py
"""

import math
import random

# (time, reading) the curve passes through exactly.
REFERENCE = [
    (0, 50.0), (100, 50.0), (101, 50.015), (102, 50.058), (103, 50.128), (120, 55.537),
    (150, 83.768), (200, 175.22), (300, 440.52), (400, 696.99), (500, 893.7),
    (600, 1033.3), (700, 1129.8), (800, 1196.1), (900, 1241.4), (1000, 1272.4),
    (1100, 1293.6), (1200, 1308.1),
]


def monotone_slopes(xs, ys):
    """Fritsch-Carlson slopes: a cubic Hermite curve through the points that never turns back."""
    n = len(xs)
    secants = [(ys[i + 1] - ys[i]) / (xs[i + 1] - xs[i]) for i in range(n - 1)]
    slopes = [secants[0]] + [
        0.0 if secants[i - 1] * secants[i] <= 0 else (secants[i - 1] + secants[i]) / 2
        for i in range(1, n - 1)
    ] + [secants[-1]]
    for i, d in enumerate(secants):
        if d == 0:
            slopes[i] = slopes[i + 1] = 0.0
            continue
        a, b = slopes[i] / d, slopes[i + 1] / d
        r = a * a + b * b
        if r > 9:
            t = 3 / math.sqrt(r)
            slopes[i], slopes[i + 1] = t * a * d, t * b * d
    return slopes


def curve(t, xs, ys, ms):
    i = max(k for k in range(len(xs) - 1) if xs[k] <= t) if t < xs[-1] else len(xs) - 2
    h = xs[i + 1] - xs[i]
    s = (t - xs[i]) / h
    h00 = 2 * s**3 - 3 * s**2 + 1
    h10 = s**3 - 2 * s**2 + s
    h01 = -2 * s**3 + 3 * s**2
    h11 = s**3 - s**2
    return h00 * ys[i] + h10 * h * ms[i] + h01 * ys[i + 1] + h11 * h * ms[i + 1]


def five_digits(v):
    """Shortest text of v rounded to five significant digits."""
    text = f"{float(f'{v:.5g}'):.10f}".rstrip("0").rstrip(".")
    return text


def main():
    xs = [float(x) for x, _ in REFERENCE]
    ys = [y for _, y in REFERENCE]
    ms = monotone_slopes(xs, ys)
    readings = [five_digits(curve(float(t), xs, ys, ms)) for t in range(1201)]

    values = [float(r) for r in readings]
    assert all(b >= a for a, b in zip(values, values[1:])), "readings must never decrease"
    for x, y in REFERENCE:
        assert values[int(x)] == y, (x, values[int(x)], y)

    with open("default_time.txt", "w", newline="\n") as f:
        for t in range(1201):
            f.write(f"{t}\n" if t < 3 else f"{t}\t\n")
    with open("default_data.txt", "w", newline="\n") as f:
        f.writelines(f"{r}\t\n" for r in readings)

    # A scattered copy of the curve, rising from about 78; fixed seed, so the file is stable.
    rng = random.Random(1201)
    model = [f"{85.193:.3f}", f"{81.096:.3f}", f"{79.109:.3f}"]
    for t in range(3, 1200):
        base = 78 + (values[t] - 50) * (1308 - 78) / (1308.1 - 50)
        model.append(f"{base + rng.uniform(-3, 3):.3f}")
    model.append("1307.865")
    with open("default_model.txt", "w", newline="\n") as f:
        f.writelines(f"{m}\t\n" for m in model)


if __name__ == "__main__":
    main()
