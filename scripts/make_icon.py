#!/usr/bin/python3
"""Draws the tray icon of ORVIPrintService: a label printer with a label
coming out, as 48, 32 and 16 pixel RGBA PNGs in the folder given.

Usage: make_icon.py OUTDIR   (writes tray_48.png, tray_32.png, tray_16.png)
Needs Debian's python3-pil."""
import os
import sys

from PIL import Image, ImageDraw

SCALE = 8  # drawn large, then scaled down for smooth edges


def draw(size):
    s = size * SCALE
    img = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    u = s / 16.0
    # printer body
    d.rounded_rectangle([1 * u, 5 * u, 15 * u, 12 * u], radius=1.5 * u,
                        fill=(32, 96, 176, 255), outline=(16, 48, 96, 255), width=max(1, int(0.5 * u)))
    # paper slot
    d.rectangle([3 * u, 9 * u, 13 * u, 10 * u], fill=(16, 48, 96, 255))
    # label coming out, with two printed lines
    d.rectangle([4 * u, 9.5 * u, 12 * u, 15 * u], fill=(250, 250, 250, 255),
                outline=(120, 120, 120, 255), width=max(1, int(0.4 * u)))
    d.rectangle([5 * u, 11.5 * u, 11 * u, 12.2 * u], fill=(40, 40, 40, 255))
    d.rectangle([5 * u, 13.2 * u, 9 * u, 13.9 * u], fill=(40, 40, 40, 255))
    # roll of labels on top
    d.ellipse([4 * u, 1 * u, 12 * u, 6 * u], fill=(240, 160, 32, 255), outline=(150, 90, 10, 255),
              width=max(1, int(0.4 * u)))
    return img.resize((size, size), Image.LANCZOS)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for size in (48, 32, 16):
        draw(size).save(os.path.join(out, "tray_%d.png" % size))


if __name__ == "__main__":
    main()
