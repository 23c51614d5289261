# Reads a table file with Python's csv module (a blank between fields,
# single quotes around texts, doubled quotes inside) and prints every record
# as the hexadecimal bytes of its fields, separated by commas, one a line.
import csv
import sys

with open(sys.argv[1], newline=None, encoding="latin-1") as f:
    next(f)  # the version line
    for row in csv.reader(f, delimiter=" ", quotechar="'"):
        print(",".join(field.encode("latin-1").hex() for field in row))
