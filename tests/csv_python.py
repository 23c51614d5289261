# Reads a CSV file with Python's csv module (";" between cells unless the
# second argument names another separator, double quotes) and prints every
# record as the hexadecimal bytes of its cells, separated by commas, one a
# line.
import csv
import sys

delimiter = sys.argv[2] if len(sys.argv) > 2 else ";"
with open(sys.argv[1], newline="", encoding="latin-1") as f:
    for row in csv.reader(f, delimiter=delimiter, quotechar='"'):
        print(",".join(cell.encode("latin-1").hex() for cell in row))
