# Reads a CSV file with Python's csv module (";" between cells, double
# quotes) and prints every record as the hexadecimal bytes of its cells,
# separated by commas, one a line.
import csv
import sys

with open(sys.argv[1], newline="", encoding="latin-1") as f:
    for row in csv.reader(f, delimiter=";", quotechar='"'):
        print(",".join(cell.encode("latin-1").hex() for cell in row))
