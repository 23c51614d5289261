#!/usr/bin/env python3
"""Draws the JPEG images that the PDF printouts embed.

  data/img/LOGO.JPG              the default logo, 140 x 70
  data/img/barcode/start.jpg     interleaved 2 of 5 start pattern, 8 x 50
  data/img/barcode/end.jpg       interleaved 2 of 5 stop pattern, 8 x 50
  data/img/barcode/00.jpg ...    one image per pair of digits 00-99, 28 x 50
  data/img/barcode/1.jpg         one EAN-13 bar, 1 x 40
  data/img/barcode/1a.jpg        one EAN-13 guard bar, 1 x 48

Every image is an 8-bit RGB (three-component) JPEG of exactly that size: the
PDF writer copies the files unchanged as DCTDecode DeviceRGB images and states
these sizes itself.  The interleaved 2 of 5 pieces use a narrow element of 2
pixels and a wide one of 4, so that start, four pairs and stop placed side by
side form one barcode.  The logo's lettering is drawn with Nimbus Sans Bold
from fonts-urw-base35.

Needs python3-pil.  The outputs are committed; run this again only to change
them:  python3 tools/make_pdf_images.py [data directory]
"""

import os
import sys

from PIL import Image, ImageDraw, ImageFont

NARROW, WIDE, HEIGHT = 2, 4, 50
# Bar and space widths of each digit: N narrow, W wide.
I25_DIGITS = ["NNWWN", "WNNNW", "NWNNW", "WWNNN", "NNWNW",
              "WNWNN", "NWWNN", "NNNWW", "WNNWN", "NWNWN"]
BLACK, WHITE = (0, 0, 0), (255, 255, 255)
LOGO_FONT = "/usr/share/fonts/type1/urw-base35/NimbusSans-Bold.t1"


def save(img, path):
    img.save(path, "JPEG", quality=100, subsampling=0, optimize=False)


def bars(elements, height):
    """An image of alternating bars and spaces, starting with a bar."""
    width = sum(elements)
    img = Image.new("RGB", (width, height), WHITE)
    d = ImageDraw.Draw(img)
    x = 0
    for i, w in enumerate(elements):
        if i % 2 == 0:
            d.rectangle([x, 0, x + w - 1, height - 1], fill=BLACK)
        x += w
    return img


def width_of(ch):
    return WIDE if ch == "W" else NARROW


def pair_elements(a, b):
    out = []
    for bar, space in zip(I25_DIGITS[a], I25_DIGITS[b]):
        out += [width_of(bar), width_of(space)]
    return out


def logo(path):
    img = Image.new("RGB", (140, 70), WHITE)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle([2, 2, 137, 67], radius=10, fill=(24, 58, 110))
    d.rounded_rectangle([8, 46, 131, 50], radius=2, fill=(240, 170, 40))
    font = ImageFont.truetype(LOGO_FONT, 21)
    text = "KALMITOR"
    box = d.textbbox((0, 0), text, font=font)
    x = (140 - (box[2] - box[0])) // 2 - box[0]
    d.text((x, 14), text, font=font, fill=WHITE)
    save(img, path)


def main():
    data = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data")
    bdir = os.path.join(data, "img", "barcode")
    os.makedirs(bdir, exist_ok=True)
    logo(os.path.join(data, "img", "LOGO.JPG"))
    save(bars([NARROW] * 4, HEIGHT), os.path.join(bdir, "start.jpg"))
    save(bars([WIDE, NARROW, NARROW], HEIGHT), os.path.join(bdir, "end.jpg"))
    for a in range(10):
        for b in range(10):
            img = bars(pair_elements(a, b), HEIGHT)
            assert img.size == (28, HEIGHT)
            save(img, os.path.join(bdir, f"{a}{b}.jpg"))
    save(Image.new("RGB", (1, 40), BLACK), os.path.join(bdir, "1.jpg"))
    save(Image.new("RGB", (1, 48), BLACK), os.path.join(bdir, "1a.jpg"))


if __name__ == "__main__":
    main()
