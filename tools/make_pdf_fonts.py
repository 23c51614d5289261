#!/usr/bin/env python3
"""Builds the fonts that KALMITOR embeds in its PDF printouts.

  CourierNewL2  Type 1, from Nimbus Mono PS Regular (Debian fonts-urw-base35,
                AGPL-3 with the font exception)
  ArialL2       Type 1, from Nimbus Sans Regular (the same package)
  Cyrylica      TrueType, from Linux Libertine Regular (Debian
                fonts-linuxlibertine, GPL-2+ with the font exception / OFL-1.1)

The two Type 1 fonts are renamed, re-encoded to the PDF text code page
(ISO-8859-2 at 0xA0-0xFF, the Windows punctuation at 0x80-0x9F, ASCII below)
and cut down to the glyphs that encoding reaches.  Cyrylica is the subset of
Greek and Cyrillic letters at the one-byte codes the page builder writes,
converted to TrueType outlines, with its ToUnicode map.

The result is a C++ source file holding each font-file stream body exactly as
the PDF writer copies it into a document, plus the Cyrylica widths.

usage: make_pdf_fonts.py --mono NimbusMonoPS-Regular.t1 --sans NimbusSans-Regular.t1
                         --libertine LinLibertine_R.otf --out pdf_fonts_data.cpp
"""

import argparse
import io
import re
import sys
import zlib

# --- Type 1 ------------------------------------------------------------------

EEXEC_KEY = 55665
CHARSTRING_KEY = 4330


def t1_decrypt(data, key, skip):
    r = key
    out = bytearray()
    for c in data:
        out.append(c ^ (r >> 8))
        r = ((c + r) * 52845 + 22719) & 0xFFFF
    return bytes(out[skip:])


def t1_encrypt(plain, key):
    r = key
    out = bytearray()
    for p in plain:
        c = p ^ (r >> 8)
        out.append(c)
        r = ((c + r) * 52845 + 22719) & 0xFFFF
    return bytes(out)


STANDARD_ENCODING = {
    32: "space", 33: "exclam", 34: "quotedbl", 35: "numbersign", 36: "dollar", 37: "percent",
    38: "ampersand", 39: "quoteright", 40: "parenleft", 41: "parenright", 42: "asterisk",
    43: "plus", 44: "comma", 45: "hyphen", 46: "period", 47: "slash", 58: "colon",
    59: "semicolon", 60: "less", 61: "equal", 62: "greater", 63: "question", 64: "at",
    91: "bracketleft", 92: "backslash", 93: "bracketright", 94: "asciicircum",
    95: "underscore", 96: "quoteleft", 123: "braceleft", 124: "bar", 125: "braceright",
    126: "asciitilde", 161: "exclamdown", 162: "cent", 163: "sterling", 164: "fraction",
    165: "yen", 166: "florin", 167: "section", 168: "currency", 169: "quotesingle",
    170: "quotedblleft", 171: "guillemotleft", 172: "guilsinglleft", 173: "guilsinglright",
    174: "fi", 175: "fl", 177: "endash", 178: "dagger", 179: "daggerdbl",
    180: "periodcentered", 182: "paragraph", 183: "bullet", 184: "quotesinglbase",
    185: "quotedblbase", 186: "quotedblright", 187: "guillemotright", 188: "ellipsis",
    189: "perthousand", 191: "questiondown", 193: "grave", 194: "acute", 195: "circumflex",
    196: "tilde", 197: "macron", 198: "breve", 199: "dotaccent", 200: "dieresis", 202: "ring",
    203: "cedilla", 205: "hungarumlaut", 206: "ogonek", 207: "caron", 208: "emdash", 225: "AE",
    227: "ordfeminine", 232: "Lslash", 233: "Oslash", 234: "OE", 235: "ordmasculine",
    241: "ae", 245: "dotlessi", 248: "lslash", 249: "oslash", 250: "oe", 251: "germandbls",
}
for _i in range(10):
    STANDARD_ENCODING[48 + _i] = ["zero", "one", "two", "three", "four", "five", "six",
                                  "seven", "eight", "nine"][_i]
for _i in range(26):
    STANDARD_ENCODING[65 + _i] = chr(65 + _i)
    STANDARD_ENCODING[97 + _i] = chr(97 + _i)


def latin2_encoding():
    """The code -> glyph name map of the two Latin-2 fonts."""
    enc = {}
    ascii_names = (
        "space exclam quotedbl numbersign dollar percent ampersand quotesingle parenleft "
        "parenright asterisk plus comma hyphen period slash zero one two three four five six "
        "seven eight nine colon semicolon less equal greater question at").split()
    for i, n in enumerate(ascii_names):
        enc[32 + i] = n
    for i in range(26):
        enc[65 + i] = chr(65 + i)
        enc[97 + i] = chr(97 + i)
    for code, n in zip(range(91, 97), "bracketleft backslash bracketright asciicircum underscore grave".split()):
        enc[code] = n
    for code, n in zip(range(123, 127), "braceleft bar braceright asciitilde".split()):
        enc[code] = n
    windows = {
        130: "quotesinglbase", 131: "florin", 132: "quotedblbase", 133: "ellipsis",
        134: "dagger", 135: "daggerdbl", 136: "circumflex", 137: "perthousand", 138: "Scaron",
        139: "guilsinglleft", 140: "OE", 145: "quoteleft", 146: "quoteright",
        147: "quotedblleft", 148: "quotedblright", 149: "bullet", 150: "endash", 151: "emdash",
        152: "tilde", 153: "trademark", 154: "scaron", 155: "guilsinglright", 156: "oe",
        159: "Ydieresis",
    }
    enc.update(windows)
    latin2 = (
        "space Aogonek breve Lslash currency Lcaron Sacute section dieresis Scaron Scedilla "
        "Tcaron Zacute hyphen Zcaron Zdotaccent degree aogonek ogonek lslash acute lcaron sacute "
        "caron cedilla scaron scedilla tcaron zacute hungarumlaut zcaron zdotaccent Racute Aacute "
        "Acircumflex Abreve Adieresis Lacute Cacute Ccedilla Ccaron Eacute Eogonek Edieresis "
        "Ecaron Iacute Icircumflex Dcaron Dcroat Nacute Ncaron Oacute Ocircumflex Ohungarumlaut "
        "Odieresis multiply Rcaron Uring Uacute Uhungarumlaut Udieresis Yacute Tcommaaccent "
        "germandbls racute aacute acircumflex abreve adieresis lacute cacute ccedilla ccaron "
        "eacute eogonek edieresis ecaron iacute icircumflex dcaron dcroat nacute ncaron oacute "
        "ocircumflex ohungarumlaut odieresis divide rcaron uring uacute uhungarumlaut udieresis "
        "yacute tcommaaccent dotaccent").split()
    assert len(latin2) == 96
    for i, n in enumerate(latin2):
        enc[160 + i] = n
    return enc


def seac_refs(charstring, len_iv):
    """Glyph names a charstring borrows through seac (accented characters)."""
    cs = t1_decrypt(charstring, CHARSTRING_KEY, len_iv)
    stack = []
    i = 0
    refs = []
    while i < len(cs):
        b = cs[i]
        if b >= 32:
            if b <= 246:
                stack.append(b - 139)
                i += 1
            elif b <= 250:
                stack.append((b - 247) * 256 + cs[i + 1] + 108)
                i += 2
            elif b <= 254:
                stack.append(-(b - 251) * 256 - cs[i + 1] - 108)
                i += 2
            else:
                stack.append(int.from_bytes(cs[i + 1:i + 5], "big", signed=True))
                i += 5
        elif b == 12:
            if cs[i + 1] == 6 and len(stack) >= 2:
                refs += [STANDARD_ENCODING.get(stack[-2]), STANDARD_ENCODING.get(stack[-1])]
            stack = []
            i += 2
        else:
            stack = []
            i += 1
    return [r for r in refs if r]


def make_type1(path, name, encoding):
    """(clear text, binary part, trailer) of the renamed, re-encoded subset."""
    data = open(path, "rb").read()
    if data[:1] == b"\x80":
        raise SystemExit(f"{path}: segmented PFB files are not handled; use the .t1 file")
    m = re.search(rb"currentfile eexec\r?\n?", data)
    if not m:
        raise SystemExit(f"{path}: no eexec section")
    clear, rest = data[:m.end()], data[m.end():]
    mark = rest.rfind(b"cleartomark")
    start = mark
    while start > 0 and rest[start - 1:start] in (b"0", b"\r", b"\n"):
        start -= 1
    binary, trailer = rest[:start], rest[start:]
    if re.fullmatch(rb"[0-9A-Fa-f\s]+", binary[:64]):
        binary = bytes.fromhex(re.sub(rb"\s", b"", binary).decode())

    plain = t1_decrypt(binary, EEXEC_KEY, 0)
    seed, private = plain[:4], plain[4:]
    m = re.search(rb"/lenIV\s+(\d+)", private)
    len_iv = int(m.group(1)) if m else 4

    head = re.search(rb"/CharStrings\s+\d+\s+dict\s+dup\s+begin[ \t]*\r?\n?", private)
    pos = head.end()
    entry = re.compile(rb"\s*/(\S+)\s+(\d+)\s+(\S+) ")
    glyphs = {}
    order = []
    while True:
        m = entry.match(private, pos)
        if not m:
            break
        gname = m.group(1).decode()
        n = int(m.group(2))
        data_start = m.end()
        cs = private[data_start:data_start + n]
        m2 = re.compile(rb"\s*(ND|\|-|noaccess def)[ \t]*\r?\n?").match(private, data_start + n)
        glyphs[gname] = (private[pos:m2.end()], cs)
        order.append(gname)
        pos = m2.end()
    tail = private[pos:]
    if not tail.lstrip().startswith(b"end"):
        raise SystemExit(f"{path}: cannot read the CharStrings")

    wanted = set(encoding.values()) | {".notdef"}
    missing = sorted(n for n in wanted if n not in glyphs)
    if missing:
        raise SystemExit(f"{path}: glyphs missing: {' '.join(missing)}")
    for g in list(wanted):
        wanted.update(seac_refs(glyphs[g][1], len_iv))
    kept = [g for g in order if g in wanted]
    body = b"".join(glyphs[g][0] for g in kept)
    nl = b"\r" if b"\r" in head.group(0) else b"\n"
    private = (private[:head.start()] + b"/CharStrings %d dict dup begin" % len(kept) + nl +
               body + tail)
    binary = t1_encrypt(seed + private, EEXEC_KEY)

    clear = clear.decode("latin-1")
    font_name = re.search(r"/FontName\s+/(\S+)\s+def", clear).group(1)
    enc_lines = ["/Encoding 256 array", "0 1 255 {1 index exch /.notdef put} for"]
    enc_lines += [f"dup {c} /{encoding[c]} put" for c in sorted(encoding)]
    enc_lines.append("readonly def")
    clear, n = re.subn(r"/Encoding\s+StandardEncoding\s+def", "\n".join(enc_lines), clear)
    assert n == 1
    clear = re.sub(r"/FontName\s+/\S+\s+def", f"/FontName /{name} def", clear)
    clear = re.sub(r"/FullName\s+\([^)]*\)", f"/FullName ({name})", clear)
    clear = re.sub(r"^%!PS-AdobeFont-1.0: \S+", f"%!PS-AdobeFont-1.0: {name}", clear)
    clear = re.sub(r"/UniqueID\s+\d+\s+def\s*", "", clear)
    clear = re.sub(r"/XUID\s+\[[^\]]*\]\s*(readonly\s+)?def\s*", "", clear)
    clear = clear.replace("\n", f"\n% {name}: {font_name} of (URW)++, renamed and re-encoded for Latin-2\n", 1)
    return clear.encode("latin-1"), binary, trailer


def type1_stream(path, name, padded):
    clear, binary, trailer = make_type1(path, name, latin2_encoding())
    l1, l2, l3 = len(clear), len(binary), len(trailer)
    if padded:
        head = "<</Length %-6d\n/Length1 %-6d\n/Length2 %-6d\n/Length3 %-6d\n>>\nstream\n" % (
            l1 + l2 + l3, l1, l2, l3)
        end = b"endstream\n\n"
    else:
        head = "<</Length %d\n/Length1 %d\n/Length2 %d\n/Length3 %d\n>>\nstream\n" % (
            l1 + l2 + l3, l1, l2, l3)
        end = b"endstream\n"
    return head.encode() + clear + binary + trailer + end


# --- Cyrylica ------------------------------------------------------------------

# One-byte code -> character.  The Russian alphabet lies at 0x4B-0x9A; the
# letter U+0445, which falls outside that run, is carried by code 0xD4.
CYRYLICA_RANGES = [
    (0x01, 0x2A, 0x03A5), (0x2B, 0x3C, 0x03D0), (0x3D, 0x43, 0x03F0), (0x44, 0x45, 0x03F8),
    (0x46, 0x46, 0x03FB), (0x47, 0x8E, 0x03FD), (0x8F, 0xA8, 0x0446), (0xA9, 0xAA, 0x0462),
    (0xAB, 0xB0, 0x0472), (0xB1, 0xE5, 0x0490), (0xE6, 0xEB, 0x04C7), (0xEC, 0xF6, 0x04D0),
    (0xF7, 0xFF, 0x04DC),
]
CYRYLICA_X_CODE = 0xD4


def cyrylica_map():
    m = {}
    for first, last, uni in CYRYLICA_RANGES:
        for code in range(first, last + 1):
            m[code] = uni + code - first
    m[CYRYLICA_X_CODE] = 0x0445
    return m


def to_unicode_cmap(codes):
    """A ToUnicode CMap: runs of consecutive codes and characters as bfrange."""
    runs = []
    for code in sorted(codes):
        u = codes[code]
        if runs and runs[-1][1] == code - 1 and runs[-1][2] + (code - runs[-1][0]) == u:
            runs[-1][1] = code
        else:
            runs.append([code, code, u])
    lines = [
        "/CIDInit /ProcSet findresource begin",
        "12 dict begin",
        "begincmap",
        "/CIDSystemInfo",
        "<< /Registry (Adobe)",
        "/Ordering (UCS)",
        "/Supplement 0",
        ">> def",
        "/CMapName /Adobe-Identity-UCS def",
        "/CMapType 2 def",
        "1 begincodespacerange",
        "<00> <FF>",
        "endcodespacerange",
    ]
    for i in range(0, len(runs), 100):
        chunk = runs[i:i + 100]
        lines.append(f"{len(chunk)} beginbfrange")
        lines += [f"<{a:02X}> <{b:02X}> <{u:04X}>" for a, b, u in chunk]
        lines.append("endbfrange")
    lines += [
        "endcmap",
        "CMapName currentdict /CMap defineresource pop",
        "end",
        "end",
    ]
    return ("\n".join(lines) + "\n").encode()


def make_cyrylica(path):
    from fontTools.ttLib import TTFont, newTable
    from fontTools.subset import Subsetter, Options
    from fontTools.pens.cu2quPen import Cu2QuPen
    from fontTools.pens.ttGlyphPen import TTGlyphPen
    from fontTools.ttLib.tables._c_m_a_p import CmapSubtable

    codes = cyrylica_map()
    font = TTFont(path, recalcTimestamp=False)
    best = font.getBestCmap()
    glyph_of = {code: best.get(u, ".notdef") for code, u in codes.items()}
    glyph_of[0] = ".notdef"

    opts = Options()
    opts.notdef_outline = True
    opts.glyph_names = True
    opts.layout_features = []
    opts.name_IDs = ["*"]
    opts.name_languages = ["*"]
    opts.drop_tables += ["GSUB", "GPOS", "GDEF", "BASE", "JSTF", "DSIG", "FFTM", "kern"]
    sub = Subsetter(opts)
    sub.populate(glyphs=sorted(set(glyph_of.values())))
    sub.subset(font)

    # CFF outlines to TrueType outlines.
    order = font.getGlyphOrder()
    glyph_set = font.getGlyphSet()
    quad = {}
    for g in order:
        pen = TTGlyphPen(glyph_set)
        glyph_set[g].draw(Cu2QuPen(pen, 1.0, reverse_direction=True))
        quad[g] = pen.glyph()
    font["loca"] = newTable("loca")
    glyf = font["glyf"] = newTable("glyf")
    glyf.glyphOrder = order
    glyf.glyphs = quad
    del font["CFF "]
    if "VORG" in font:
        del font["VORG"]
    glyf.compile(font)
    hmtx = font["hmtx"]
    for g, gl in glyf.glyphs.items():
        if hasattr(gl, "xMin"):
            hmtx[g] = (hmtx[g][0], gl.xMin)
    maxp = font["maxp"] = newTable("maxp")
    maxp.tableVersion = 0x00010000
    for attr in ("maxZones",):
        setattr(maxp, attr, 1)
    for attr in ("maxTwilightPoints", "maxStorage", "maxFunctionDefs", "maxInstructionDefs",
                 "maxStackElements", "maxSizeOfInstructions", "maxComponentElements"):
        setattr(maxp, attr, 0)
    post = font["post"]
    post.formatType = 3.0
    font.sfntVersion = "\x00\x01\x00\x00"

    # One-byte codes: (1,0) by code, (3,0) by 0xF000 + code.
    cmap = newTable("cmap")
    cmap.tableVersion = 0
    mac = CmapSubtable.newSubtable(0)
    mac.platformID, mac.platEncID, mac.language = 1, 0, 0
    mac.cmap = {c: glyph_of.get(c, ".notdef") for c in range(256)}
    win = CmapSubtable.newSubtable(4)
    win.platformID, win.platEncID, win.language = 3, 0, 0
    win.cmap = {0xF000 + c: g for c, g in glyph_of.items() if g != ".notdef"}
    cmap.tables = [mac, win]
    font["cmap"] = cmap

    # Widths in thousandths of the font size.
    upm = font["head"].unitsPerEm
    adv = font["hmtx"].metrics
    widths = [round(adv[glyph_of.get(c, ".notdef")][0] * 1000 / upm) for c in range(256)]

    out = io.BytesIO()
    font.save(out)
    ttf = out.getvalue()

    z = zlib.compress(ttf, 9)
    font_body = (b"<</Length %d/Filter/FlateDecode/Length1 %d>>\nstream\n" % (len(z), len(ttf)) +
                 z + b"\nendstream\n")
    cm = zlib.compress(to_unicode_cmap(codes), 9)
    tu_body = b"\n<</Length %d/Filter/FlateDecode>>\nstream\n" % len(cm) + cm + b"\nendstream\n"
    missing = sorted(f"{c:02X}" for c, g in glyph_of.items() if g == ".notdef" and c)
    return font_body, tu_body, widths, missing


# --- output ------------------------------------------------------------------

def c_array(name, data):
    lines = [f"const unsigned char {name}[] = {{"]
    for i in range(0, len(data), 24):
        lines.append("  " + ",".join(str(b) for b in data[i:i + 24]) + ",")
    lines.append("};")
    lines.append(f"const int {name}_len = static_cast<int>(sizeof {name});")
    return "\n".join(lines)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--mono", required=True)
    ap.add_argument("--sans", required=True)
    ap.add_argument("--libertine", required=True)
    ap.add_argument("--out", required=True)
    a = ap.parse_args()

    courier = type1_stream(a.mono, "CourierNewL2", padded=True)
    arial = type1_stream(a.sans, "ArialL2", padded=False)
    cyr, cyr_tu, cyr_widths, cyr_missing = make_cyrylica(a.libertine)

    parts = [
        "// Generated by tools/make_pdf_fonts.py; do not edit.",
        f"// CourierNewL2 from {a.mono}, ArialL2 from {a.sans} (URW++ fonts, AGPL-3 with the",
        "// font exception), Cyrylica from " + a.libertine +
        " (Linux Libertine, GPL-2+ with the font exception / OFL-1.1).",
        '#include "pdf/pdf_fonts.hpp"',
        "",
        c_array("pdf_font_CourierNewL2", courier),
        c_array("pdf_font_ArialL2", arial),
        c_array("pdf_font_Cyrylica", cyr),
        c_array("pdf_font_Cyrylica_ToUnicode", cyr_tu),
        "const int pdf_font_Cyrylica_widths[256] = {" + ",".join(map(str, cyr_widths)) + "};",
        "",
    ]
    with open(a.out + ".tmp", "w") as f:
        f.write("\n".join(parts))
    import os
    os.replace(a.out + ".tmp", a.out)
    if cyr_missing:
        print("make_pdf_fonts: Cyrylica codes without a glyph: " + " ".join(cyr_missing))


if __name__ == "__main__":
    main()
