#!/usr/bin/env python3
"""Writes the table files of a new installation into data/dat/.

Every table of the database gets its file: the rows a workshop needs on its
first day (repair states and kinds, document kinds, its own firm, VAT rates,
a unit, payment forms, a warehouse, the currency, goods types, a country, firm
types and a few postcodes; firm 1 is the workshop itself, firm 2 the retail
customer of new sales), and every other table just the version line (the
postcodes' file has none).  The files are in the program's own form: texts in
Windows-1250, one record a line, CR LF line ends; loading them and saving
them again gives the same bytes.

Goods 1 is a sample model of serviced equipment.  Goods types 1, 2 and 3 are the parts, the services and the equipment taken in
for service: the settings "Typ_towaru_czesci", "Typ_towaru_uslugi" and
"Typ_towaru_do_serwisu" name them by these Ids.

    tools/make_seed_data.py [directory]     (default: data/dat next to tools/)
"""
import os
import sys

VERSION_LINE = b"KALMITOR 1.0 http://kalmitor.example/\n"

# The tables in the order of the database root; False for the postcodes,
# whose file has no version line.
TABLES = [
    ("Firmy", True), ("Firmy_typy", True), ("Formy_platnosci", True),
    ("Jednostki_metryczne", True), ("Magazyny", True), ("Naprawy", True),
    ("Naprawy_przyjmujacy", True), ("Naprawy_wykonawcy", True),
    ("Naprawy_typy", True), ("Naprawy_stany", True), ("Panstwa", True),
    ("Serwis", True), ("Serwis_zewnetrzny", True), ("Stawki_VAT", True),
    ("Towary", True), ("Towary_magazyn", True), ("Towary_transakcje", True),
    ("Towary_typy", True), ("Transakcje", True), ("Transakcje_typy", True),
    ("Waluty", True), ("Kody_poczt", False), ("Serwis_typy", True),
    ("Serwis_ramy", True), ("Serwis_kolory", True), ("Towary_rodzaje", True),
    ("Plany", True), ("Karty", True), ("Karty_wykonane_prace", True),
    ("Karty_wymienione_czesci", True), ("Srodki_transportu", True),
    ("Koszty", True), ("Dojazdy", True), ("Serwisanci_koszty", True),
    ("Cykle", True), ("Transakcje_ext", True), ("Naprawy_ext", True),
    ("Sprzet_ext", True), ("Naprawy_roczna", True),
]

# The rows of the seeded tables: the codec letters of the table's fields in
# column order, then the records.
SEED = {
    # Id, nazwa, opis, NIP, ulica, kod_pocztowy, miasto, bank_nazwa, konto,
    # telefon, fax, email, www_page, nr_gadu_gadu, nr_skype, Id_Firmy_typy,
    # Id_Panstwa, czas_modyfikacji, flags
    "Firmy": ("z" + "s" * 14 + "zzti", [
        [1, "Nasz serwis", "Dane w\u0142asnej firmy: prosz\u0119 uzupe\u0142ni\u0107",
         "", "", "", "", "", "", "", "", "", "", "", "", 1, 1, 0, 0],
        # The retail customer, preselected on every new sale.
        [2, "Klient detaliczny", "Sprzeda\u017c detaliczna (paragon)",
         "", "", "", "", "", "", "", "", "", "", "", "", 1, 1, 0, 0],
    ]),
    "Firmy_typy": ("zss", [
        [1, "Klient", ""],
        [2, "Dostawca", ""],
    ]),
    "Formy_platnosci": ("zs", [
        [1, "got\u00f3wka"],
        [2, "przelew"],
    ]),
    "Jednostki_metryczne": ("zs", [
        [1, "szt."],
    ]),
    # Id, nazwa, ulica, kod, miasto, dostawy_suma, sprzedaze_suma, Id_Firmy,
    # czas_modyfikacji
    "Magazyny": ("zsssszzzt", [
        [1, "Magazyn g\u0142\u00f3wny", "", "", "", 0, 0, 1, 0],
    ]),
    # Id, nazwa_typu, nazwa_firmy, uwagi, text1 .. text9, flags; a new repair
    # starts at kind 1; the warranty kind is the one named "gwarancyjna".
    "Naprawy_typy": ("z" + "s" * 12 + "i", [
        [1, "us\u0142ugowa"] + [""] * 11 + [0],
        [2, "gwarancyjna"] + [""] * 11 + [0],
        [3, "przegl\u0105d"] + [""] * 11 + [0],
    ]),
    "Naprawy_stany": ("zss", [
        [1, "Nowa", ""],
        [2, "Przyj\u0119ta", ""],
        [3, "W naprawie", ""],
        [4, "Sprz\u0119t w serwisie zewn\u0119trznym", ""],
        [5, "Cz\u0119\u015bci w serwisie zewn\u0119trznym", ""],
        [6, "Zako\u0144czona", ""],
        [7, "Wydana", ""],
        [8, "Brak cz\u0119\u015bci", ""],
        [9, "Do wyja\u015bnienia", ""],
        [20, "Zaplanowana", ""],
    ]),
    "Panstwa": ("zsz", [
        [1, "Polska", 1],
    ]),
    # Id, nazwa, procent (the rate as text)
    "Stawki_VAT": ("zss", [
        [1, "23%", "23"],
        [2, "8%", "8"],
        [3, "5%", "5"],
        [4, "0%", "0"],
        [5, "zw.", "zw"],
    ]),
    # One model of serviced equipment (goods type 3), so that a repair can be
    # accepted on the first day; page 15 adds the workshop's own.  Id, nazwa,
    # PKWiU, kod, rfid, opis, the five prices and counts, sciezka_do_pliku,
    # Id_Stawki_VAT, Id_Towary_typy, Id_Jednostki_metryczne, the last counts
    # and dates, czas_modyfikacji, flags
    "Towary": ("zsssssgggggszzzggttti", [
        [1, "Samoch\u00f3d osobowy", "", "", "",
         "Przyk\u0142adowy model: dopisz w\u0142asne przyciskiem Nowa nazwa",
         0.0, 0.0, 0.0, 0.0, 0.0, "", 1, 3, 1, 0.0, 0.0, 0, 0, 0, 0],
    ]),
    "Towary_typy": ("zss", [
        [1, "Cz\u0119\u015bci", ""],
        [2, "Us\u0142ugi", ""],
        [3, "Sprz\u0119t do serwisu", ""],
    ]),
    "Transakcje_typy": ("zss", [
        [1, "Sprzeda\u017c", ""],
        [2, "Zakup", ""],
    ]),
    "Waluty": ("zsg", [
        [1, "PLN", 1.0],
    ]),
    # A few postcodes to begin with; a workshop adds its own region's.
    "Kody_poczt": ("ss", [
        ["00-001", "Warszawa"],
        ["30-001", "Krak\u00f3w"],
        ["50-001", "Wroc\u0142aw"],
        ["60-001", "Pozna\u0144"],
        ["80-001", "Gda\u0144sk"],
        ["90-001", "\u0141\u00f3d\u017a"],
    ]),
}


def field(kind, value):
    if kind == "s":
        text = value.encode("cp1250").lstrip(b" \t")
        return b"'" + text.replace(b"'", b"''") + b"'"
    if kind == "g":
        return b"%4.2f" % value
    if kind in "zit":
        return b"%d" % value
    raise ValueError(kind)


def table_file(name, header):
    out = VERSION_LINE if header else b""
    kinds, rows = SEED.get(name, ("", []))
    for row in rows:
        assert len(row) == len(kinds), name
        out += b"".join(b" " + field(k, v) for k, v in zip(kinds, row)) + b"\n"
    return out.replace(b"\n", b"\r\n")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data", "dat")
    os.makedirs(target, exist_ok=True)
    assert set(SEED) <= {name for name, _ in TABLES}
    for name, header in TABLES:
        with open(os.path.join(target, name + ".dat"), "wb") as f:
            f.write(table_file(name, header))


if __name__ == "__main__":
    main()
