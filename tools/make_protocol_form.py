#!/usr/bin/env python3
"""Draws the blank vehicle intake form that the intake protocol prints over.

  data/img/protokol_przyjecia_pojazdu_ZELWARN.JPG   1211 x 1713, RGB JPEG

The protocol writes its texts at fixed places of this picture (in its own
pixels): the workshop's and the client's data, the vehicle's data, the
checked parts of the gas installation, further arrangements, the recorded
faults, the expected price and two signatures.  Each field is a labelled box
whose text area starts where the protocol writes.  The lettering is Nimbus
Sans from fonts-urw-base35; the picture is ours.

Needs python3-pil.  The output is committed; run this again only to change
it:  python3 tools/make_protocol_form.py [data directory]
"""

import os
import sys

from PIL import Image, ImageDraw, ImageFont

W, H = 1211, 1713
BLACK, GREY, WHITE = (0, 0, 0), (120, 120, 120), (255, 255, 255)
FONT = "/usr/share/fonts/type1/urw-base35/NimbusSans-Regular.t1"
BOLD = "/usr/share/fonts/type1/urw-base35/NimbusSans-Bold.t1"

# Labelled boxes: label, left, top, right, bottom (pixels).  The protocol's
# text starts a little below each box's label.
BOXES = [
    ("Dane zakładu", 60, 400, 840, 520),
    ("Data przyjęcia", 860, 400, 1150, 520),
    ("Marka i model", 60, 530, 470, 615),
    ("Pojemność silnika", 480, 530, 840, 615),
    ("Kod silnika", 860, 530, 1150, 615),
    ("Rok produkcji", 60, 625, 470, 710),
    ("Stan licznika", 480, 625, 840, 710),
    ("Numer rejestracyjny", 860, 625, 1150, 710),
    ("Dane klienta", 60, 720, 650, 820),
    ("Numer kontaktowy", 660, 720, 1150, 820),
]
PARTS = ["STEROWNIK", "REDUKTOR", "WTRYSKIWACZ", "WIELOZAWÓR", "ZBIORNIK", "INNE"]


def main():
    data = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data")
    img = Image.new("RGB", (W, H), WHITE)
    d = ImageDraw.Draw(img)
    title = ImageFont.truetype(BOLD, 44)
    label = ImageFont.truetype(FONT, 20)
    head = ImageFont.truetype(BOLD, 24)

    d.rectangle([30, 30, W - 31, H - 31], outline=BLACK, width=3)
    text = "PROTOKÓŁ PRZYJĘCIA POJAZDU"
    box = d.textbbox((0, 0), text, font=title)
    d.text(((W - (box[2] - box[0])) // 2, 150), text, font=title, fill=BLACK)
    d.text((60, 230), "do montażu lub serwisu instalacji gazowej", font=head, fill=GREY)
    d.line([60, 300, W - 60, 300], fill=BLACK, width=2)

    for name, l, t, r, b in BOXES:
        d.rectangle([l, t, r, b], outline=BLACK, width=2)
        d.text((l + 8, t + 4), name, font=label, fill=GREY)

    d.text((60, 845), "Sprawdzone elementy instalacji:", font=head, fill=BLACK)
    for i, part in enumerate(PARTS):
        y = 880 + 50 * i
        d.rectangle([60, y, 90, y + 30], outline=BLACK, width=2)
        d.text((110, y + 4), part, font=label, fill=BLACK)
        d.line([300, y + 34, W - 60, y + 34], fill=GREY, width=1)

    d.text((60, 1230), "Inne ustalenia:", font=head, fill=BLACK)
    for i in range(3):
        d.line([60, 1320 + 50 * i, W - 60, 1320 + 50 * i], fill=GREY, width=1)

    d.rectangle([60, 1470, 640, 1600], outline=BLACK, width=2)
    d.text((68, 1474), "Uwagi", font=label, fill=GREY)
    d.rectangle([660, 1470, 1150, 1600], outline=BLACK, width=2)
    d.text((668, 1474), "Zarejestrowane błędy", font=label, fill=GREY)
    d.rectangle([660, 1610, 1150, 1660], outline=BLACK, width=2)
    d.text((668, 1614), "Przewidywana cena", font=label, fill=GREY)

    d.line([60, 1670, 560, 1670], fill=BLACK, width=1)
    d.text((60, 1600), "Podpis montażysty", font=label, fill=GREY)
    d.text((700, 1675), "Podpis osoby oddającej pojazd", font=label, fill=GREY)

    out = os.path.join(data, "img", "protokol_przyjecia_pojazdu_ZELWARN.JPG")
    img.save(out, "JPEG", quality=75, subsampling=0, optimize=False)


if __name__ == "__main__":
    main()
