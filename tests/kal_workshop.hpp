// A busy workshop's tables for tests of the real program: the own firm, a
// client, a receiving employee and a repairer, goods, a finished repair with
// every field filled, its equipment, its sale document with lines, a service
// card with trips.  Names hold "&" and "<", which pages must show as they are.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/kal_pages.hpp"
#include "tests/kal_table_files.hpp"

namespace kal::workshop {

using kal::tables::blank;
using kal::tables::table_file;
using Files = std::vector<std::pair<std::string, std::string>>;

inline constexpr std::int64_t kAccepted = 1767600000;  // 5 January 2026
inline constexpr std::int64_t kDay = 86400;

inline Firmy firm(std::uint32_t id, const char* name, const char* street, const char* city) {
  Firmy f = blank<Firmy>();
  f.Id = id;
  f.nazwa = name;
  f.ulica = street;
  f.kod_pocztowy = "90-001";
  f.miasto = city;
  f.NIP = "725-000-00-01";
  f.telefon = "42 111 22 33";
  f.Id_Firmy_typy = 1;
  f.Id_Panstwa = 1;
  return f;
}

inline std::string firms() {
  Firmy own = firm(1, "Warsztat Samochodowy Ząbek i Synowie Sp. z o.o.", "ul. Długa 123/45", "Łódź");
  own.bank_nazwa = "Bank Spółdzielczy w Łodzi";
  own.konto = "11 2222 3333 4444 5555 6666 7777";
  own.fax = "42 111 22 34";
  own.email = "biuro@warsztat-zabek.pl";
  return table_file(std::vector<Firmy>{
      own, firm(3, "Jan Serwisant", "Polna 2", "Kraków"),
      firm(5, "P.H.U. Kowalski & Wspólnicy <Hurt>", "Krótka 5 m. 12", "Warszawa"),
      firm(7, "Nowak Anna", "Polna 3", "Kraków")});
}

inline Towary good(std::uint32_t id, const char* name, const char* code, std::uint32_t type) {
  Towary t = blank<Towary>();
  t.Id = id;
  t.nazwa = name;
  t.kod = code;
  t.cena_sprzedazy = 100;
  t.marza = 100;
  t.Id_Stawki_VAT = 1;
  t.Id_Towary_typy = type;
  t.Id_Jednostki_metryczne = 1;
  return t;
}

inline std::string goods() {
  return table_file(std::vector<Towary>{good(1, "Skuter Vento Sirion 50 4T", "SK-1", 3),
                                        good(2, "Filtr oleju & powietrza <komplet>", "F-100", 1),
                                        good(3, "Wymiana oleju silnikowego", "U-1", 2),
                                        good(4, "Uszczelka głowicy cylindra", "1234567890123", 1)});
}

// The scooter's fields, which a repair and its equipment share.
template <class T>
void vehicle(T& r) {
  r.model = "Sirion 50";
  r.kolor = "czerwony metalik";
  r.typ = "skuter miejski, dwuosobowy, z kufrem centralnym";
  r.nr_rej = "WX 12345";
  r.nr_ramy = "LZSJCMLC5E5000123";
  r.nr_silnika = "QMB139-00012345";
  r.przebieg = "12345 km";
  r.wyposazenie = "kask & kufer <2 kluczyki>";
}

inline std::string repairs() {
  Naprawy r = blank<Naprawy>();
  r.Id = 1;
  r.numer = "1234/2026";
  r.data_wplywu = kAccepted;
  r.Id_Firmy__klient = 5;
  r.Id_Naprawy_typy = 1;
  r.Id_Firmy__naprawiajacy = 1;
  r.Id_Towary__przyjety = 1;
  r.Id_Naprawy_stany = 6;
  r.opis_uszkodzenia =
      "Silnik nie odpala po nocy, słychać stuki przy wyższych obrotach, z tłumika wydobywa się niebieski dym.\n"
      "Klient prosi o sprawdzenie hamulców i wymianę oleju; lusterko lewe pęknięte.";
  r.szacunkowa_wycena = 1234.5;
  r.data_naprawienia_szacunkowa = kAccepted + 7 * kDay;
  r.data_odpowiedzi = kAccepted + 2 * kDay;
  r.data_zakonczenia_rzeczywista = kAccepted + 6 * kDay;
  r.data_odbioru = kAccepted + 8 * kDay;
  r.opis_naprawy = "Wymieniono olej i filtr, wyregulowano zawory, sprawdzono hamulce.";
  r.Id_Transakcje = 1;
  r.koszt_naprawy = 250;
  r.Id_Naprawy_wykonawcy = 1;
  r.Id_Naprawy_przyjmujacy = 1;
  vehicle(r);
  r.rodzaj = "SV-2024-000123";
  return table_file(std::vector<Naprawy>{r});
}

inline std::string equipment() {
  Serwis s = blank<Serwis>();
  s.Id = 1;
  s.Id_Firmy__klient = 5;
  s.Id_Towary__przyjety = 1;
  s.numer = "SV-2024-000123";
  vehicle(s);
  s.data_sprzedazy = kAccepted - 400 * kDay;
  return table_file(std::vector<Serwis>{s});
}

inline std::string documents() {
  Transakcje t = blank<Transakcje>();
  t.Id = 1;
  t.numer = "1/FV/2026";
  t.data_transkacji = kAccepted + 6 * kDay;
  t.termin_platnosci = kAccepted + 20 * kDay;
  t.data_wystawienia = kAccepted + 6 * kDay;
  t.laczna_wartosc = 0;
  t.uwagi = "Płatne przelewem, dziękujemy za zakupy.";
  t.Id_Firmy = 5;
  t.Id_Transakcje_typy = 1;
  t.Id_Formy_platnosci = 1;
  t.wydrukowano = 'N';
  t.odebrano = 'N';
  return table_file(std::vector<Transakcje>{t});
}

inline std::string document_lines() {
  std::vector<Towary_transakcje> lines;
  const struct {
    std::uint32_t goods;
    double price, count;
  } rows[] = {{2, 45.67, 2}, {3, 120.00, 1}, {4, 1234.56, 1.5}, {2, 0.0, 1}};
  std::uint32_t id = 1;
  for (const auto& r : rows) {
    Towary_transakcje l = blank<Towary_transakcje>();
    l.Id = id++;
    l.Id_Towary = r.goods;
    l.Id_Transakcje = 1;
    l.cena = r.price;
    l.liczba_sztuk = r.count;
    l.Id_Magazyny = 1;
    lines.push_back(l);
  }
  return table_file(lines);
}

inline std::string cards() {
  Karty k = blank<Karty>();
  k.Id = 1;
  k.numer = "K/12/2026";
  k.Id_Naprawy = 1;
  k.Id_Prowadzacy = 3;
  k.Id_Transakcje = 1;
  k.data = kAccepted + 5 * kDay;
  k.uwagi = "Klient prosi o telefon przed przyjazdem serwisanta; dojazd od strony podwórza.";
  k.Id_Naprawy_stany = 2;
  k.data2 = kAccepted + 5 * kDay;
  k.koszt_brutto = 10.05;
  return table_file(std::vector<Karty>{k});
}

inline std::string trips() {
  std::vector<Dojazdy> rows;
  for (std::uint32_t i = 1; i <= 3; ++i) {
    Dojazdy d = blank<Dojazdy>();
    d.Id = i;
    d.Id_Karty = 1;
    d.godz_rozpoczecia = 480;
    d.godz_zakonczenia = 630;
    d.Id_Firmy_dokad = 5;
    d.liczba_roboczogodzin = 2.5;
    d.Id_Srodki_transportu = 1;
    d.stawka_za_km_brutto = 1.5;
    d.dojazd_w_km = 10.9 * i;
    d.koszt_brutto = 40;
    d.opis = "Dojazd do klienta";
    rows.push_back(d);
  }
  return table_file(rows);
}

inline Files shop() {
  Files f = {
      {"dat/Firmy.dat", firms()},
      {"dat/Towary.dat", goods()},
      {"dat/Stawki_VAT.dat", std::string(kal::pages::kHead) + " 1 '23%' '23'\r\n"},
      {"dat/Naprawy.dat", repairs()},
      {"dat/Serwis.dat", equipment()},
      {"dat/Transakcje.dat", documents()},
      {"dat/Towary_transakcje.dat", document_lines()},
      {"dat/Naprawy_przyjmujacy.dat", std::string(kal::pages::kHead) + " 1 7\r\n"},
      {"dat/Naprawy_wykonawcy.dat", std::string(kal::pages::kHead) + " 1 3\r\n"},
      {"dat/Srodki_transportu.dat", std::string(kal::pages::kHead) + " 1 'Bus serwisowy' 'WA 1' 1.50 '' '' 1700000000\r\n"},
      {"dat/Karty.dat", cards()},
      {"dat/Dojazdy.dat", trips()},
  };
  return f;
}

}  // namespace kal::workshop
