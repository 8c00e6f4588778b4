#!/usr/bin/env python3
"""Times Pillow's Lanczos resize on the smooth-resize benchmark shapes.

Prints one line per case: "<sw>x<sh>-><dw>x<dh> <output megapixels per second>",
the median over the repetitions (argv[1], default 50). Only the resize is timed.
"""
import random
import statistics
import sys
import time

from PIL import Image

CASES = [
    ((550, 232), (275, 116)),
    ((2750, 1160), (275, 116)),
    ((21, 17), (275, 116)),
    ((4000, 3000), (1000, 750)),
]


def picture(width, height):
    rng = random.Random(width * 7919 + height)
    return Image.frombytes("RGB", (width, height), rng.randbytes(width * height * 3))


def main():
    repetitions = int(sys.argv[1]) if len(sys.argv) > 1 else 50
    lanczos = getattr(Image, "Resampling", Image).LANCZOS
    for (sw, sh), (dw, dh) in CASES:
        img = picture(sw, sh)
        img.resize((dw, dh), lanczos)  # warm-up
        times = []
        for _ in range(repetitions):
            start = time.perf_counter()
            img.resize((dw, dh), lanczos)
            times.append(time.perf_counter() - start)
        rate = dw * dh / statistics.median(times) / 1e6
        print(f"{sw}x{sh}->{dw}x{dh} {rate:.3f}", flush=True)


if __name__ == "__main__":
    main()
