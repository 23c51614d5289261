#!/usr/bin/env python3
"""Writes the label template data/etykiety_towarow0.dbf.

The goods list's button "Oznaczone do DBF" copies this dBASE III table to
etykiety_towarow.dbf and writes the marked goods over its placeholder texts,
one goods a record, for the label program that prints the shelf and price
labels.  Every record holds the seven placeholders, each in a character field
of exactly its width:

    NAZWA     50  the goods' name
    CENA       7  gross sale price in whole units
    CENA_ZAK   7  gross last purchase price
    PKWIU     14  PKWiU
    KOD       14  the goods' code
    RFID      14  rfid
    OPIS      32  description

The table has LABELS records (one A4 sheet of 3 x 8 labels), code page 852
(language driver 0x64), and a fixed date in its header, so that the script
always writes the same bytes.

    tools/make_label_template.py [directory [labels]]
        (default: data/ next to tools/, LABELS labels)
"""
import os
import struct
import sys

LABELS = 24
DATE = (2024 - 1900, 1, 1)
LANGUAGE_DRIVER_CP852 = 0x64

FIELDS = [
    ("NAZWA", "NAZWA_NAZWA_NAZWA_NAZWA_NAZWA_NAZWA_NAZWA_NAZWA555"),
    ("CENA", "CENA111"),
    ("CENA_ZAK", "CENA222"),
    ("PKWIU", "KOD1_KOD1_KOD1"),
    ("KOD", "KOD2_KOD2_KOD2"),
    ("RFID", "KOD3_KOD3_KOD3"),
    ("OPIS", "OPIS_OPIS_OPIS_OPIS_OPIS_OPIS333"),
]


def table(labels=LABELS):
    header_len = 32 + 32 * len(FIELDS) + 1
    record_len = 1 + sum(len(p) for _, p in FIELDS)
    out = bytearray()
    out += struct.pack("<B3BIHH", 0x03, *DATE, labels, header_len, record_len)
    out += bytes(17) + bytes([LANGUAGE_DRIVER_CP852]) + bytes(2)
    for name, placeholder in FIELDS:
        out += name.encode("ascii").ljust(11, b"\0")
        out += b"C" + bytes(4) + bytes([len(placeholder), 0]) + bytes(14)
    out += b"\r"
    assert len(out) == header_len
    record = b" " + b"".join(p.encode("ascii") for _, p in FIELDS)
    assert len(record) == record_len
    out += record * labels
    out += b"\x1a"
    return bytes(out)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data")
    labels = int(sys.argv[2]) if len(sys.argv) > 2 else LABELS
    with open(os.path.join(target, "etykiety_towarow0.dbf"), "wb") as f:
        f.write(table(labels))


if __name__ == "__main__":
    main()
