#!/usr/bin/env python3
"""Draws the small images that the pages show, into data/img/.

  cal.gif          16 x 16  the calendar button beside every date field
  minisprzet.jpg   18 x 16  the link from a repair to its equipment
  favicon.ico      16 and 32 the browser tab icon (the mark of the top bar)

The server serves a request for /name.gif, .jpg, .png or .ico from the img
directory.  Everything is drawn here with straight shapes in the colours of
the style sheet; no outside picture is used.

Needs python3-pil.  The outputs are committed; run this again only to change
them:  python3 tools/make_web_images.py [img directory]
"""
import os
import sys

from PIL import Image, ImageDraw

NAVY = (23, 53, 94)
BLUE = (31, 95, 174)
AMBER = (242, 169, 59)
WHITE = (255, 255, 255)
GREY = (190, 201, 213)


def calendar():
    """A page of a wall calendar: blue binding bar, two rings, a day grid."""
    img = Image.new("RGBA", (16, 16), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.rectangle([1, 2, 14, 14], fill=WHITE, outline=NAVY)
    d.rectangle([1, 2, 14, 5], fill=BLUE, outline=NAVY)
    d.line([4, 0, 4, 3], fill=NAVY)
    d.line([11, 0, 11, 3], fill=NAVY)
    for row in range(3):
        for col in range(4):
            x, y = 3 + col * 3, 7 + row * 2
            d.point([(x, y), (x + 1, y)], fill=AMBER if (row, col) == (1, 2) else NAVY)
    # GIF: one transparent palette entry for the corners.
    pal = img.convert("RGB").convert("P", palette=Image.ADAPTIVE, colors=15)
    mask = img.getchannel("A").point(lambda a: 255 if a < 128 else 0)
    pal.paste(15, mask=mask)
    return pal


def wrench(d, cx, cy, r, handle, width, colour, background):
    """A wrench lying at 45 degrees: its open head centred at (cx, cy) with
    radius r, the handle running down to the left for handle pixels."""
    k = 0.7071
    d.line([cx - handle * k, cy + handle * k, cx, cy], fill=colour, width=width)
    d.ellipse([cx - r, cy - r, cx + r, cy + r], fill=colour)
    # The jaw: a slot from the head's middle out towards the upper right.
    half = r * 0.33
    a, b = r * 0.1, r * 1.3
    ax, ay = k, -k          # along the slot
    px, py = k, k           # across it
    d.polygon([(cx + ax * a + px * half, cy + ay * a + py * half),
               (cx + ax * b + px * half, cy + ay * b + py * half),
               (cx + ax * b - px * half, cy + ay * b - py * half),
               (cx + ax * a - px * half, cy + ay * a - py * half)], fill=background)


def equipment():
    """A small wrench over a light tile."""
    tile = (228, 235, 243)
    img = Image.new("RGB", (18, 16), WHITE)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle([0, 0, 17, 15], radius=3, fill=tile, outline=GREY)
    wrench(d, 11.5, 5.5, 3.6, 9, 3, NAVY, tile)
    return img


def mark(size):
    """The top bar's mark: an amber tile with a navy wrench."""
    s = size / 24.0
    img = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.rounded_rectangle([s, s, 23 * s, 23 * s], radius=5 * s, fill=AMBER)
    wrench(d, 14.5 * s, 9.5 * s, 4.6 * s, 11 * s, max(2, round(3 * s)), NAVY, AMBER)
    return img


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    out = argv[1] if len(argv) > 1 else os.path.join(here, os.pardir, "data", "img")
    os.makedirs(out, exist_ok=True)
    calendar().save(os.path.join(out, "cal.gif"), transparency=15)
    equipment().save(os.path.join(out, "minisprzet.jpg"), "JPEG", quality=95)
    mark(32).save(os.path.join(out, "favicon.ico"), sizes=[(16, 16), (32, 32)])


if __name__ == "__main__":
    main(sys.argv)
