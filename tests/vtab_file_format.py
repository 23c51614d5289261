# Writes two table files from the rules of the file format alone, for the
# loader to read: Transakcje.dat (every field kind, a version line) and
# Kody_poczt.dat (texts only, no version line).  Next to each it writes
# <table>.expect: one line per record, the values the loader must give, each
# field as hexadecimal bytes (texts: their bytes; characters: the byte;
# integers: the decimal text; numbers: the text of the double).
#
# The format: a version line (any text, up to its line end), then one record a
# line, every field preceded by one blank:
#   unsigned, int, time   decimal, a minus sign for negative values
#   double                two decimals, a full stop ("%4.2f")
#   character             the byte itself; a blank, tab, CR, LF or NUL as a
#                         backslash and s, t, r, n or 0
#   text                  in single quotes, a quote inside written twice,
#                         leading blanks and tabs dropped; may hold line breaks
# Every LF is written as CR LF.
import os
import sys

ESCAPES = {b" ": b"\\s", b"\t": b"\\t", b"\r": b"\\r", b"\n": b"\\n", b"\0": b"\\0"}


def text_field(value):
    value = value.lstrip(b" \t")
    return b"'" + value.replace(b"'", b"''") + b"'", value


def char_field(value):
    return ESCAPES.get(value, value), value


def number_field(value):
    text = b"%4.2f" % value
    return text, repr(float(text)).encode()


def int_field(value):
    text = b"%d" % value
    return text, text


TRANSAKCJE = "z s t t g s z z z t c c g z i"

transakcje = [
    [1, b"FV 1/2024", 1704067200, 1705276800, 1230.5, b"", 12, 1, 2, 1704067200, b"T", b"N", 1230.5, 3, 0],
    [2, b"  it's \xB3adny", -86400, 4102444800, -0.004, b"two\nlines\nof notes\n", 4294967295, 2, 1, 0,
     b" ", b"\n", 99999999999.99, 0, -2147483648],
    [3, b"'" * 3, 0, 253402300799, 1e15, b"x" * 5000 + b"'" + b"\r\n" * 3, 0, 1, 1, 5, b"\\", b"\0", -1.5, 7,
     2147483647],
    [4, b"", 1, 2, 0.125, b"\t\ttabs first", 1, 1, 1, 1, b"\xE5", b"'", 0.0, 1, -1],
]

KODY_POCZT = "s s"

kody_poczt = [
    [b"00-001", b"Miasto Pierwsze"],
    [b"12-345", b"W\xF3lka 'G\xF3rna'"],
    [b"99-999", b""],
]


def write(directory, name, kinds, records, header):
    lines = []
    expect = []
    for record in records:
        fields = []
        values = []
        for kind, value in zip(kinds.split(), record):
            if kind == "s":
                field, back = text_field(value)
            elif kind == "c":
                field, back = char_field(value)
            elif kind == "g":
                field, back = number_field(value)
            else:
                field, back = int_field(value)
            fields.append(b" " + field)
            values.append(back.hex())
        lines.append(b"".join(fields) + b"\n")
        expect.append(",".join(values) + "\n")
    body = (b"KALMITOR 1.0 http://example.invalid/\n" if header else b"") + b"".join(lines)
    with open(os.path.join(directory, name + ".dat"), "wb") as f:
        f.write(body.replace(b"\n", b"\r\n"))
    with open(os.path.join(directory, name + ".expect"), "w") as f:
        f.write("".join(expect))


write(sys.argv[1], "Transakcje", TRANSAKCJE, transakcje, True)
write(sys.argv[1], "Kody_poczt", KODY_POCZT, kody_poczt, False)
