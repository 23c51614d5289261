#!/usr/bin/env python3
"""Writes the pages' templates, style sheet, scripts and sample files into data/.

Sources (UTF-8, LF) lie in tools/web/; the files in data/ are what the
program reads and serves, with the bytes it expects:

  body.htm login.htm login0.htm pomoc.htm faq.htm Firmy_row0.htm Towary_row0.htm
  Raporty_filtr.htm Raporty_row0.htm RMC_filtr.htm RMC_row0.htm
  Naprawy_row0.htm Naprawy_filtr2.htm Naprawy_usuniete_head.htm Naprawy_list.txt
  Sprzet_filtr.htm Sprzet_row0.htm Sprzet.htm Sprzet_action.htm
  Sprzet_actionN.htm Sprzet_firmy.htm Sprzet_cykl.htm KartaGwarancyjna.txt
  Zgloszenie.htm Zgloszenie_row.htm Zgloszenie_end.htm Specyfikacja.htm
  Specyfikacja_row.htm Specyfikacja_end.htm KartaUruchomienia.htm
  ProtokolPrzegladu.htm ProtokolSerwisowy.htm PrzegladRoczny.htm Karty_filtr.htm
  zlecenie_wlasciciel.htm Naprawy_firmy.htm
        page templates (Naprawy_list.txt: the text of the printed repair list,
        KartaGwarancyjna.txt the warranty card's) with QQ placeholders, from tools/web/*.htm: Windows-1250
        (the program converts template text for the browser), CR LF
  menu.htm menu2.htm menu_worker.htm menu_worker2.htm
        the menus, built below from MENUS: for administrators and for everyone
        else, each in full and without the invoice and stock sections (the
        "2" menus, shown when both "ukryj_faktury" and "ukryj_magazyn" are 1)
  styl.css                       from tools/web/styl.css, ASCII, CR LF
  help.js help_en.js help_de.js  the date picker of tools/web/calendar.js with
        Polish, English and German texts; ASCII (other letters as \\u escapes),
        since the server sends script files as they are
  kontrah_przyklad.csv towary_przyklad.csv
        examples of the firm and goods import files, invented data, in the
        column order of the imports; Windows-1250, CR LF

Placeholders are checked as the template reader sees them: a name runs over
letters, digits and "_,.[]()$", so "QQU(key)," would ask for "U(key),".
Every "U(key)" must name a key of the default settings.

    tools/make_web_assets.py [directory]    (default: data/ next to tools/)
"""
import json
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
WEB = os.path.join(HERE, "web")
sys.path.insert(0, HERE)
import make_default_settings  # noqa: E402

TEMPLATES = ["body.htm", "login.htm", "login0.htm", "pomoc.htm", "faq.htm", "Firmy_row0.htm", "Towary_row0.htm",
             "Raporty_filtr.htm", "Raporty_row0.htm", "RMC_filtr.htm", "RMC_row0.htm", "Naprawy_row0.htm",
             "Naprawy_filtr2.htm", "Naprawy_usuniete_head.htm", "Naprawy_list.txt",
             "Sprzet_filtr.htm", "Sprzet_row0.htm", "Sprzet.htm", "Sprzet_action.htm", "Sprzet_actionN.htm",
             "Sprzet_firmy.htm", "Sprzet_cykl.htm", "KartaGwarancyjna.txt", "Zgloszenie.htm", "Zgloszenie_row.htm",
             "Zgloszenie_end.htm", "Specyfikacja.htm", "Specyfikacja_row.htm", "Specyfikacja_end.htm",
             "KartaUruchomienia.htm", "ProtokolPrzegladu.htm", "ProtokolSerwisowy.htm", "PrzegladRoczny.htm",
             "Karty_filtr.htm", "zlecenie_wlasciciel.htm", "Naprawy_firmy.htm"]
# Selection fields that templates may name (registered in mages/mgs_pages.cpp).
SELECTS = {"TowaryTypy()", "NaprawyWykonawcy()", "year_select_options(RMCyear)", "NaprawyTypy()", "NaprawyStany()",
           "Towary_select_name(Serwis,1)", "Towary_select_name(Serwis,2)", "KartyStany()",
           "Serwis_ramy_select()", "Serwis_typy_select()", "Serwis_kolory_select()"}
CSS_LIMIT = 10000  # the program reads at most this many characters of styl.css

# --- Menus -------------------------------------------------------------------
# A link: (path, page name, action, caption key[, extra class]).  The page is
# chosen by the parameter "n_" + page id; the action is its value.
#
# A new repair, a new sale and a new purchase are started with the captions
# that their pages recognise as the start from the menu ("Nowa Naprawa",
# "Nowa Sprzedaż", "Nowa Dostawa"), written as the browser sends them (ż is BF
# in the page's code page).

NAPRAWY = ("menu_Naprawy", None, [
    ("zlecenie.htm", "NaprawaN", "Nowa%20Naprawa", "menu_Nowe_Zlecenie", "new"),
    ("naprawy.htm", "Naprawy", "l", "Lista_zlecen_text"),
    ("plany.htm", "PlanyL", "l", "menu_Plany"),
    ("karty.htm", "KartyL", "l", "Lista_kart_uslug_text", "hide-QQU(karty_uslug_off)"),
])
NAPRAWY_ADMIN = (NAPRAWY[0], None, NAPRAWY[2] + [
    ("naprawy_usuniete.htm", "NaprawyU", "l", "menu_Naprawy_usuniete"),
])
SPRZET = ("menu_Sprzet", None, [
    ("sprzet.htm", "SerwisL", "l", "Lista_serwisowanego_sprzetu_text"),
])
KONTRAHENCI = ("menu_Kontrahenci", None, [
    ("firmy.htm", "Firmy", "l", "menu_Lista_kontrahentow"),
])
MAGAZYN = ("menu_Magazyn", "ukryj_magazyn", [
    ("towary.htm", "Towary", "l", "menu_Towary"),
])
FAKTURY = ("menu_Faktury", "ukryj_faktury", [
    ("sprzedaz.htm", "SprzedazN", "Nowa%20Sprzeda%BF", "menu_Nowa_sprzedaz"),
    ("sprzedaz.htm", "SprzedazL", "l", "menu_Sprzedaz"),
    ("dostawy.htm", "DostawaN", "Nowa%20Dostawa", "menu_Nowa_dostawa"),
    ("dostawy.htm", "DostawaL", "l", "menu_Dostawy"),
    ("raporty.htm", "Raporty", "l", "menu_Raport"),
    ("rozliczenie.htm", "Rozlicz_mies_czesci", "l", "menu_Rozliczenie"),
])
# Value lists of the equipment fields and goods kinds: every role.
SLOWNIKI_SPRZETU = [
    ("p.htm", "Serwis_typyL", "l", "nr_silnika_text"),
    ("p.htm", "Serwis_ramyL", "l", "nr_ramy_text"),
    ("p.htm", "Serwis_koloryL", "l", "menu_Kolory"),
    ("p.htm", "Towary_rodzajeL", "l", "menu_Rodzaje_towarow"),
]
SLOWNIKI = ("menu_Slowniki", None, SLOWNIKI_SPRZETU)
SLOWNIKI_ADMIN = ("menu_Slowniki", None, [
    ("Formy_platnosci.htm", "Formy_platnosciL", "l", "menu_Formy_platnosci"),
    ("Jednostki_metryczne.htm", "Jednostki_metryczneL", "l", "menu_Jednostki"),
    ("Naprawy_typy.htm", "Naprawy_typyL", "l", "menu_Rodzaje_napraw"),
    ("Naprawy_przyjmujacy.htm", "Naprawy_przyjmujacyL", "l", "menu_Przyjmujacy"),
    ("Naprawy_wykonawcy.htm", "Naprawy_wykonawcyL", "l", "menu_Wykonawcy"),
    ("Stawki_VAT.htm", "Stawki_VATL", "l", "menu_Stawki_VAT"),
    ("Towary_typy.htm", "Towary_typyL", "l", "menu_Typy_towarow"),
] + SLOWNIKI_SPRZETU + [
    ("Srodki_transportu.htm", "Srodki_transportuL", "l", "menu_Srodki_transportu"),
    ("Serwisanci_koszty.htm", "Serwisanci_kosztyL", "l", "menu_Koszty_serwisantow"),
])
ADMINISTRACJA = ("menu_Administracja", None, [
    ("ustawienia.htm", "Ustawienia", "l", "menu_Ustawienia"),
    ("Uzytkownicy.htm", "UsersL", "l", "menu_Uzytkownicy"),
])
POMOC = ("menu_Pomoc", None, [
    ("pomoc.htm", "Pomoc", "l", "menu_Pomoc"),
    ("faq.htm", "FAQ", "l", "menu_FAQ"),
    ("kalmitor.htm", "Info", "l", "menu_Info"),
])

MENUS = {
    "menu.htm": [NAPRAWY_ADMIN, SPRZET, KONTRAHENCI, MAGAZYN, FAKTURY, ADMINISTRACJA, SLOWNIKI_ADMIN, POMOC],
    "menu2.htm": [NAPRAWY_ADMIN, SPRZET, KONTRAHENCI, ADMINISTRACJA, SLOWNIKI_ADMIN, POMOC],
    "menu_worker.htm": [NAPRAWY, SPRZET, KONTRAHENCI, MAGAZYN, SLOWNIKI, POMOC],
    "menu_worker2.htm": [NAPRAWY, SPRZET, KONTRAHENCI, SLOWNIKI, POMOC],
}


def menu(sections):
    lines = ['<nav class="menu">']
    for title, hide_key, links in sections:
        cls = "sec" + (" hide-QQU(%s)" % hide_key if hide_key else "")
        lines.append('<div class="%s">' % cls)
        lines.append("<h4>QQU(%s)</h4>" % title)
        for link in links:
            path, page, action, caption = link[:4]
            extra = ' class="%s"' % link[4] if len(link) > 4 else ""
            lines.append('<a%s href="%s?n_QQMGS_PAGE_%s=%s&amp;s=QQ$s&amp;sess_code=QQ$sess_code">QQU(%s)</a>'
                         % (extra, path, page, action, caption))
        lines.append("</div>")
    lines.append("</nav>")
    return "\n".join(lines) + "\n"


# --- Date picker texts ---------------------------------------------------------
CALENDAR_TEXTS = {
    "help.js": {
        "months": ["Styczeń", "Luty", "Marzec", "Kwiecień", "Maj", "Czerwiec", "Lipiec",
                   "Sierpień", "Wrzesień", "Październik", "Listopad", "Grudzień"],
        "days": ["Nd", "Pn", "Wt", "Śr", "Cz", "Pt", "So"],
        "firstDay": 1, "order": "dmy",
        "today": "Dzisiaj", "close": "Zamknij",
        "prevMonth": "Poprzedni miesiąc", "nextMonth": "Następny miesiąc",
        "prevYear": "Poprzedni rok", "nextYear": "Następny rok",
    },
    "help_en.js": {
        "months": ["January", "February", "March", "April", "May", "June", "July",
                   "August", "September", "October", "November", "December"],
        "days": ["Su", "Mo", "Tu", "We", "Th", "Fr", "Sa"],
        "firstDay": 0, "order": "mdy",
        "today": "Today", "close": "Close",
        "prevMonth": "Previous month", "nextMonth": "Next month",
        "prevYear": "Previous year", "nextYear": "Next year",
    },
    "help_de.js": {
        "months": ["Januar", "Februar", "März", "April", "Mai", "Juni", "Juli",
                   "August", "September", "Oktober", "November", "Dezember"],
        "days": ["So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"],
        "firstDay": 1, "order": "dmy",
        "today": "Heute", "close": "Schließen",
        "prevMonth": "Voriger Monat", "nextMonth": "Nächster Monat",
        "prevYear": "Voriges Jahr", "nextYear": "Nächstes Jahr",
    },
}

# --- Sample import files -------------------------------------------------------
FIRM_COLUMNS = ["nazwa", "opis", "NIP", "ulica", "kod_pocztowy", "miasto", "bank_nazwa", "konto",
                "telefon", "fax", "email", "www_page", "nr_gadu_gadu", "nr_skype"]
FIRMS = [
    ["Kowalski Jan", "Klient indywidualny", "", "ul. Lipowa 12", "00-950", "Warszawa", "", "",
     "601 000 101", "", "jan.kowalski@example.com", "", "", ""],
    ["Wiśniewska Anna", "Stała klientka; rabat 5%", "", "ul. Źródlana 3/7", "90-001", "Łódź", "", "",
     "602 000 202", "", "anna.wisniewska@example.com", "", "", "anna.wisniewska"],
    ["Moto-Części Nowak Sp. z o.o.", "Dostawca części zamiennych", "526-104-08-28", "ul. Przemysłowa 45",
     "61-001", "Poznań", "Bank Przykładowy S.A.", "11 2222 3333 4444 5555 6666 7777",
     "61 000 03 03", "61 000 03 04", "zamowienia@example.com", "www.example.com", "", ""],
    ['Hurtownia Rowerowa "Szprycha"', "Opony, dętki, łańcuchy", "677-000-12-30", "ul. Krakowska 210",
     "30-001", "Kraków", "", "", "12 000 04 04", "", "biuro@example.com", "", "1234567", ""],
    ["Zakład Transportowy Żuraw", "Klient firmowy, flota 12 pojazdów", "897-100-20-01",
     "ul. Portowa 8", "80-001", "Gdańsk", "Bank Przykładowy S.A.", "22 3333 4444 5555 6666 7777 8888",
     "58 000 05 05", "", "flota@example.com", "", "", ""],
]
GOODS_COLUMNS = ["nazwa", "PKWiU", "kod", "rfid", "opis", "cena_netto_kupna", "cena_netto_sprzedazy",
                 "liczba_sztuk", "sciezka_do_pliku", "Stawka_VAT", "Typ_towaru", "Jednostka_metryczna"]
GOODS = [
    ["Klocki hamulcowe przednie", "", "KH-100", "", "Komplet do skutera 50 cm3", "32,00", "49,00",
     "10,00", "", "23%", "Części", "szt."],
    ["Olej silnikowy 10W-40 1 l", "", "OL-1040", "", "", "21,50", "34,90", "24,00", "", "23%",
     "Części", "szt."],
    ["Łańcuch napędowy 428H", "", "LN-428", "", "130 ogniw, ze spinką", "58,00", "89,00", "4,00", "",
     "23%", "Części", "szt."],
    ["Przegląd okresowy", "", "US-PRZ", "", "Przegląd według listy kontrolnej producenta", "0,00",
     "120,00", "0,00", "", "23%", "Usługi", "szt."],
    ["Roboczogodzina", "", "US-RBH", "", "Praca serwisanta", "0,00", "100,00", "0,00", "", "23%",
     "Usługi", "godz."],
    ["Skuter 50 cm3", "", "SK-50", "", "Sprzęt przyjmowany do serwisu", "0,00", "0,00", "0,00", "", "23%",
     "Sprzęt do serwisu", "szt."],
]


def csv_cell(value):
    """A cell as the program's exports write it."""
    value = value.replace("\n", " ")
    if any(c in value for c in ';,"'):
        return '"' + value.replace('"', '""') + '"'
    return value


def csv_file(columns, rows):
    lines = [";".join(columns) + ";"]
    for row in rows:
        assert len(row) == len(columns)
        lines.append(";".join(csv_cell(v) for v in row) + ";")
    return "\n".join(lines) + "\n"


# --- Checks and output ---------------------------------------------------------
NAME_CHARS = re.compile(r"[A-Za-z0-9_,.\[\]()$]*")


def placeholders(text):
    """(name, the character after it) of every placeholder of a template, as
    the template reader finds them."""
    found, i = [], 0
    while True:
        i = text.find("QQ", i)
        if i < 0:
            return found
        m = NAME_CHARS.match(text, i + 2)
        found.append((m.group(0), text[m.end():m.end() + 1]))
        i = m.end()


def check_template(name, text, keys):
    for ph, after in placeholders(text):
        # A "#" after a name would hide the rest of the line.
        assert after != "#", "%s: comment after %r" % (name, ph)
        if re.fullmatch(r"MGS_PAGE_[A-Za-z0-9_]+", ph) or ph in SELECTS:
            continue
        m = re.fullmatch(r"U\(([A-Za-z0-9_]+)\)", ph)
        if m:
            assert m.group(1) in keys, "%s: no setting %s" % (name, m.group(1))
            continue
        # Page variables; the firm-glue forms name theirs with a dot
        # ("Wlasciciel.Firmy_nazwa").
        assert re.fullmatch(r"\$[A-Za-z_]([A-Za-z0-9_.]*[A-Za-z0-9_])?", ph), "%s: placeholder %r" % (name, ph)
    text.encode("cp1250")


def crlf(text):
    assert "\r" not in text
    return text.replace("\n", "\r\n")


def read(name):
    with open(os.path.join(WEB, name), encoding="utf-8") as f:
        return f.read()


def ascii_js(text):
    """A script with every character outside ASCII written as a \\u escape."""
    return "".join(c if ord(c) < 128 else "\\u%04x" % ord(c) for c in text)


def files():
    keys = {k for k, _, _ in make_default_settings.SETTINGS}
    out = {}
    for name in TEMPLATES:
        text = read(name)
        check_template(name, text, keys)
        out[name] = crlf(text).encode("cp1250")
    for name, sections in MENUS.items():
        text = menu(sections)
        check_template(name, text, keys)
        out[name] = crlf(text).encode("cp1250")
    css = read("styl.css")
    assert len(css) + css.count("\n") < CSS_LIMIT, "styl.css is %d characters" % len(css)
    out["styl.css"] = crlf(css).encode("ascii")
    source = read("calendar.js")
    assert source.count("/*TEXTS*/") == 1
    for name, texts in CALENDAR_TEXTS.items():
        js = source.replace("/*TEXTS*/", json.dumps(texts, ensure_ascii=False))
        out[name] = crlf(ascii_js(js)).encode("ascii")
    out["kontrah_przyklad.csv"] = crlf(csv_file(FIRM_COLUMNS, FIRMS)).encode("cp1250")
    out["towary_przyklad.csv"] = crlf(csv_file(GOODS_COLUMNS, GOODS)).encode("cp1250")
    return out


def main(argv):
    target = argv[1] if len(argv) > 1 else os.path.join(HERE, os.pardir, "data")
    os.makedirs(target, exist_ok=True)
    for name, data in files().items():
        with open(os.path.join(target, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv)
