// Every declared table, for code and tests written once for all of them.  A
// new table is added here as soon as it is declared.  The tables stand in
// the order of their slots in the database root.
#pragma once

#include "db/Firmy.hpp"
#include "db/Firmy_typy.hpp"
#include "db/Formy_platnosci.hpp"
#include "db/Jednostki_metryczne.hpp"
#include "db/Magazyny.hpp"
#include "db/Naprawy.hpp"
#include "db/Naprawy_przyjmujacy.hpp"
#include "db/Naprawy_wykonawcy.hpp"
#include "db/Naprawy_typy.hpp"
#include "db/Naprawy_stany.hpp"
#include "db/Panstwa.hpp"
#include "db/Serwis.hpp"
#include "db/Serwis_zewnetrzny.hpp"
#include "db/Stawki_VAT.hpp"
#include "db/Towary.hpp"
#include "db/Towary_magazyn.hpp"
#include "db/Towary_transakcje.hpp"
#include "db/Towary_typy.hpp"
#include "db/Transakcje.hpp"
#include "db/Transakcje_typy.hpp"
#include "db/Waluty.hpp"
#include "db/Kody_poczt.hpp"
#include "db/Serwis_typy.hpp"
#include "db/Serwis_ramy.hpp"
#include "db/Serwis_kolory.hpp"
#include "db/Towary_rodzaje.hpp"
#include "db/Plany.hpp"
#include "db/Karty.hpp"
#include "db/Karty_wykonane_prace.hpp"
#include "db/Karty_wymienione_czesci.hpp"
#include "db/Srodki_transportu.hpp"
#include "db/Koszty.hpp"
#include "db/Dojazdy.hpp"
#include "db/Serwisanci_koszty.hpp"
#include "db/Cykle.hpp"
#include "db/Transakcje_ext.hpp"
#include "db/Naprawy_ext.hpp"
#include "db/Sprzet_ext.hpp"
#include "db/Naprawy_roczna.hpp"

using vtab_all_tables = vtab_tables<
    Firmy,
    Firmy_typy,
    Formy_platnosci,
    Jednostki_metryczne,
    Magazyny,
    Naprawy,
    Naprawy_przyjmujacy,
    Naprawy_wykonawcy,
    Naprawy_typy,
    Naprawy_stany,
    Panstwa,
    Serwis,
    Serwis_zewnetrzny,
    Stawki_VAT,
    Towary,
    Towary_magazyn,
    Towary_transakcje,
    Towary_typy,
    Transakcje,
    Transakcje_typy,
    Waluty,
    Kody_poczt,
    Serwis_typy,
    Serwis_ramy,
    Serwis_kolory,
    Towary_rodzaje,
    Plany,
    Karty,
    Karty_wykonane_prace,
    Karty_wymienione_czesci,
    Srodki_transportu,
    Koszty,
    Dojazdy,
    Serwisanci_koszty,
    Cykle,
    Transakcje_ext,
    Naprawy_ext,
    Sprzet_ext,
    Naprawy_roczna>;
