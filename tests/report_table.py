"""Prints the rows of a list table of an HTML page as a browser reads them.

Reads the page (argv[1], bytes taken as Latin-1 so that every byte comes
back as it was) and finds the first table with a heading row (cells of class
"colname").  Prints every further row of that table, one line a row: the
cells separated by a tab, each cell its text with white space collapsed
(entities resolved, no-break spaces as blanks) and, when it holds a link,
the byte 0x1F and the link's address.
"""
import sys
from html.parser import HTMLParser


class Table(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.depth = 0          # nesting of tables
        self.found_depth = 0    # depth of the list table, 0 while not found
        self.done = False
        self.rows = []
        self.row = None         # [heading?, [cells]]
        self.cell = None        # [text, href]

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "table":
            self.depth += 1
        if self.done:
            return
        if tag == "tr":
            self.row = [False, []]
        elif tag in ("td", "th") and self.row is not None:
            self.cell = ["", None]
            if (a.get("class") or "").lower() == "colname":
                self.row[0] = True
        elif tag == "a" and self.cell is not None and self.cell[1] is None:
            self.cell[1] = a.get("href") or ""

    def handle_endtag(self, tag):
        if tag in ("td", "th") and self.cell is not None and self.row is not None:
            self.row[1].append(self.cell)
            self.cell = None
        elif tag == "tr" and self.row is not None and not self.done:
            heading, cells = self.row
            self.row = None
            if heading and not self.found_depth:
                self.found_depth = self.depth
            elif self.found_depth and self.depth == self.found_depth:
                self.rows.append(cells)
        if tag == "table":
            if self.found_depth and self.depth == self.found_depth:
                self.done = True
            self.depth -= 1

    def handle_data(self, data):
        if self.cell is not None:
            self.cell[0] += data


def main():
    with open(sys.argv[1], "rb") as f:
        page = f.read().decode("latin-1")
    t = Table()
    t.feed(page)
    t.close()
    out = []
    for cells in t.rows:
        texts = []
        for text, href in cells:
            text = " ".join(text.replace("\xa0", " ").split())
            texts.append(text if href is None else text + "\x1f" + href)
        out.append("\t".join(texts))
    sys.stdout.buffer.write(("\n".join(out) + ("\n" if out else "")).encode("latin-1"))


main()
