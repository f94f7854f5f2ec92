"""Compares a drawn label with a printed page: the label must stand at the
page's top-left corner, one pixel per dot. Prints "match" or the first
difference."""
import sys

from PIL import Image

drawn = Image.open(sys.argv[1]).convert("L")
page = Image.open(sys.argv[2]).convert("L")
w, h = drawn.size
if page.size[0] < w or page.size[1] < h:
    print(f"page {page.size} smaller than label {drawn.size}")
    sys.exit(1)
a = drawn.load()
b = page.load()
for y in range(h):
    for x in range(w):
        if abs(a[x, y] - b[x, y]) > 2:
            print(f"differs at ({x}, {y}): drawn {a[x, y]}, printed {b[x, y]}")
            sys.exit(1)
print("match")
