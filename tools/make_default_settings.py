#!/usr/bin/env python3
"""Writes the settings files of a new installation into data/.

  data/ustawienia.txt        every setting with its default value
  data/ustawienia_desc.txt   the keys the settings page offers, each with the
                             label the page shows beside its field
  data/ustawienia0.txt       the defaults again, merged at start-up into the
                             settings of an existing installation, so that an
                             older settings file gains the keys it lacks

The files are key/value files as the program writes them: one pair a line, the
key, one blank and the value, a backslash written as two and a line feed as a
backslash and "n"; keys in the program's collation order (Polish alphabet
first); texts in Windows-1250; CR LF line ends.  Loading one and saving it
again gives the same bytes.

Captions are stored as plain text, not HTML: the pages escape what they need.
The key "send_time" is 0 (no scheduled send) in the defaults but is left out
of ustawienia0.txt: a merged value must lie in the range the program checks
(5 minutes and more), and 0 does not.

    tools/make_default_settings.py [directory]    (default: data/ next to tools/)
"""
import os
import sys

# (key, default value, description or None).  A description puts the key into
# ustawienia_desc.txt, the list of keys that the settings page edits.
SETTINGS = [
    # --- Program, language, log-in ---------------------------------------
    ("lang", "0", None),
    ("start_page_id", "30", "Strona otwierana po zalogowaniu (numer strony, domyślnie 30 - nowe zlecenie)"),
    ("Logowanie", "1", "Logowanie użytkowników"),
    ("Logowanie_timeout", "1800", "Czas bezczynności do wylogowania [s] (600 - 31622400)"),
    ("worker_as_admin", "0", "Naprawy widoczne dla pracownika"),
    ("Wejscie_text", "Rozpocznij pracę", None),
    ("Logowanie_naglowek_text", "Logowanie do programu", None),
    ("Uzytkownik_text", "Użytkownik", None),
    ("Haslo_text", "Hasło", None),
    ("Zaloguj_button", "Zaloguj", None),
    ("Brak_uzytkownikow_text",
     "Program nie ma jeszcze kont użytkowników. Wejdź jako administrator, "
     "uzupełnij dane firmy i dodaj konta pracowników.", None),
    ("Program_podtytul_text", "serwis i naprawy", None),

    # --- Menus ----------------------------------------------------------
    ("menu_Faktury", "Faktury", None),
    ("menu_Nowe_Zlecenie", "Nowe zlecenie", None),
    ("menu_Naprawy", "Naprawy", None),
    ("menu_Plany", "Plany", None),
    ("menu_Naprawy_usuniete", "Usunięte zlecenia", None),
    ("menu_Sprzet", "Sprzęt", None),
    ("menu_Kontrahenci", "Kontrahenci", None),
    ("menu_Lista_kontrahentow", "Lista kontrahentów", None),
    ("menu_Magazyn", "Magazyn", None),
    ("menu_Towary", "Towary i usługi", None),
    ("menu_Sprzedaz", "Sprzedaż", None),
    ("menu_Nowa_sprzedaz", "Nowa sprzedaż", None),
    ("menu_Dostawy", "Dostawy", None),
    ("menu_Nowa_dostawa", "Nowa dostawa", None),
    ("menu_Raport", "Raport sprzedaży", None),
    ("menu_Rozliczenie", "Rozliczenie części", None),
    ("menu_Administracja", "Administracja", None),
    ("menu_Ustawienia", "Ustawienia", None),
    ("menu_Uzytkownicy", "Użytkownicy", None),
    ("menu_Slowniki", "Słowniki", None),
    ("menu_Formy_platnosci", "Formy płatności", None),
    ("menu_Jednostki", "Jednostki miary", None),
    ("menu_Rodzaje_napraw", "Rodzaje napraw", None),
    ("menu_Przyjmujacy", "Przyjmujący naprawy", None),
    ("menu_Wykonawcy", "Wykonawcy napraw", None),
    ("menu_Stawki_VAT", "Stawki VAT", None),
    ("menu_Typy_towarow", "Typy towarów", None),
    ("menu_Rodzaje_towarow", "Rodzaje towarów", None),
    ("menu_Kolory", "Kolory", None),
    ("menu_Srodki_transportu", "Środki transportu", None),
    ("menu_Koszty_serwisantow", "Koszty serwisantów", None),
    ("menu_Pomoc", "Pomoc", None),
    ("menu_FAQ", "Najczęstsze pytania", None),
    ("menu_Info", "O programie", None),

    # --- Page sizes -----------------------------------------------------
    ("Firm_na_stronie", "20", "Liczba kontrahentów na stronie listy (10 - 1000)"),
    ("Napraw_na_stronie", "20", "Liczba zleceń na stronie listy (10 - 1000)"),
    ("Sprzetu_na_stronie", "20", "Liczba pozycji sprzętu na stronie listy (10 - 1000)"),
    ("Towarow_na_stronie", "20", "Liczba towarów na stronie listy (10 - 1000)"),
    ("Transakcji_na_stronie", "20", "Liczba dokumentów na stronie listy (10 - 1000)"),

    # --- Goods types, VAT -------------------------------------------------
    ("Typ_towaru_czesci", "1", "Typ towaru: części"),
    ("Typ_towaru_uslugi", "2", "Typ towaru: usługi"),
    ("Typ_towaru_do_serwisu", "3", "Typ towaru: sprzęt przyjmowany do serwisu"),
    ("Podstawowy_VAT", "1", "Podstawowa stawka VAT nowych towarów"),

    # --- Equipment fields -------------------------------------------------
    ("sprzet_text", "Sprzęt", "Nazwa pola: sprzęt"),
    ("nr_rej_text", "Nr rejestracyjny", "Nazwa pola: numer rejestracyjny"),
    ("nr_ramy_text", "Nr ramy", "Nazwa pola: numer ramy"),
    ("przebieg_text", "Przebieg", "Nazwa pola: przebieg"),
    ("nr_silnika_text", "Nr silnika", "Nazwa pola: numer silnika"),
    ("model_text", "Model", "Nazwa pola: model"),
    ("kolor_text", "Kolor", "Nazwa pola: kolor"),
    ("numer_text", "Numer", "Nazwa pola: numer"),
    ("wyposazenie_text", "Wyposażenie", "Nazwa pola: wyposażenie"),
    ("typ_text", "Typ", None),
    ("Nazwa_sprzetu_text", "Nazwa sprzętu", "Nazwa pola: nazwa sprzętu"),
    ("Serwis_typ_off", "0", "Ukryj pole typu sprzętu"),
    ("Serwis_pole1_wymagane", "0", "Wymagane pole sprzętu 1"),
    ("Serwis_pole2_wymagane", "0", "Wymagane pole sprzętu 2"),
    ("Serwis_pole3_wymagane", "0", "Wymagane pole sprzętu 3"),
    ("Serwis_pole4_wymagane", "0", "Wymagane pole sprzętu 4"),
    ("Serwis_pole5_wymagane", "0", "Wymagane pole sprzętu 5"),
    ("Serwis_pole6_wymagane", "0", "Wymagane pole sprzętu 6"),
    ("Serwis_pole7_wymagane", "0", "Wymagane pole sprzętu 7"),
    ("Serwis_pole8_wymagane", "0", "Wymagane pole sprzętu 8"),
    ("Wlasciciel_miasto_wymagane", "0", "Wymagana miejscowość właściciela"),
    ("Wlasciciel_telefon_wymagane", "1", "Wymagany telefon właściciela"),
    # Custom equipment and annual-inspection fields: none until a workshop
    # defines them here (an empty first label switches the block off).
    ("ext_s00_text", "", None),
    ("ext_rows_count", "0", None),
    ("ext_roczna_s00_text", "", None),
    ("ext_roczna_rows_count", "0", None),

    # --- Repairs ----------------------------------------------------------
    ("numer_naprawy_z_rokiem", "1", "Numer naprawy z rokiem"),
    ("szacunkowa_data_offset", "7", "Szacunkowy termin naprawy i płatności [dni] (1 - 366)"),
    ("sprzedazy_data_offset", "0", "Przesunięcie daty sprzedaży [dni]"),
    ("Zaplanuj_za_dni", "365", "Następna planowana naprawa za [dni] (1 - 1830)"),
    ("offset_red_t", "31", "Zlecenie otwarte dłużej niż [dni] oznaczane na czerwono"),
    ("Kolor_napraw_wykonanych", "#d8f0dc", "Kolor zleceń naprawionych na liście (\"domyślny\" - bez koloru)"),
    ("Kolor_napraw_wydanych", "#e4e7eb", "Kolor zleceń wydanych na liście (\"domyślny\" - bez koloru)"),
    ("Protokol_liczba_czesci", "10", "Liczba wierszy części w protokole"),
    ("Wydruk_dowodu_przyjecia_wymagany", "0", "Wymagany wydruk dowodu przyjęcia przed naprawą"),
    ("usługowa", "usługowa", None),
    ("przegląd", "przegląd", None),
    ("gwarancyjna", "gwarancyjna", None),
    ("w_ramach_gwarancji", "w ramach gwarancji", "Tekst pozycji bezpłatnej w dossier"),

    # --- Acceptance receipt, dossier and other printouts ------------------
    ("Dowod_przyjecia_kopia", "0", "Układ dowodu przyjęcia"),
    ("Dowod_przyjecia_1nr_rej", "1", "Dowód przyjęcia: drukuj nr rejestracyjny"),
    ("Dowod_przyjecia_2nr_ramy", "1", "Dowód przyjęcia: drukuj nr ramy"),
    ("Dowod_przyjecia_3przebieg", "1", "Dowód przyjęcia: drukuj przebieg"),
    ("Dowod_przyjecia_4nr_silnika", "1", "Dowód przyjęcia: drukuj nr silnika"),
    ("Dowod_przyjecia_5model", "1", "Dowód przyjęcia: drukuj model"),
    ("Dowod_przyjecia_6kolor", "1", "Dowód przyjęcia: drukuj kolor"),
    ("Dowod_przyjecia_7numer", "1", "Dowód przyjęcia: drukuj numer"),
    ("Dowod_przyjecia_8wyposazenie", "1", "Dowód przyjęcia: drukuj wyposażenie"),
    ("Dowod_przyjecia_9typ", "1", "Dowód przyjęcia: drukuj typ"),
    ("Dowod_przyjecia_szacunkowa_data", "1", "Dowód przyjęcia: drukuj szacunkowy termin naprawy"),
    ("Dowod_przyjecia_szacunkowa_text", "Szacunkowy termin wykonania naprawy:",
     "Dowód przyjęcia: tekst przy szacunkowym terminie"),
    ("Dowod_przyjecia_opis", "Opis usterki podany przez klienta:",
     "Dowód przyjęcia: tekst nad opisem usterki"),
    ("Dowod_przyjecia_zgoda",
     "Wyrażam zgodę na przetwarzanie moich danych osobowych w celu wykonania zlecenia.\n"
     "Sprzęt nieodebrany w ciągu 90 dni od powiadomienia o zakończeniu naprawy przechodzi na koszt przechowania.",
     "Dowód przyjęcia: oświadczenie klienta"),
    ("Dodatkowy_dowod_bez_danych_osobowych", "0", "Dodatkowy dowód przyjęcia bez danych osobowych"),
    ("DOWOD_PRZYJECIA_SPRZETU_DO_NAPRAWY__nr_text", "DOWÓD PRZYJĘCIA SPRZĘTU DO NAPRAWY nr",
     "Tytuł dowodu przyjęcia"),
    ("D_O_S_S_I_E_R___N_A_P_R_A_W_Y__nr_text", "D O S S I E R   N A P R A W Y   nr",
     "Tytuł dossier naprawy"),
    ("dossier_oswiadczenie_text",
     "Potwierdzam odbiór sprzętu w dniu DATA_ODEBR. Sprzęt sprawdzono w mojej obecności, "
     "działa prawidłowo i nie wnoszę zastrzeżeń.",
     "Dossier: oświadczenie odbierającego (DATA_ODEBR - data odbioru)"),
    ("Dossier_sporzadzil_text", "Sporządził", None),
    ("Dossier_odebral_text", "Odebrał", None),
    ("Opis_i_przyczyna_uszkodzenia_text", "Opis i przyczyna uszkodzenia", "Nazwa pola: opis i przyczyna uszkodzenia"),
    ("Karta_uslug_uwagi_text",
     "Reklamacje dotyczące wykonanych usług prosimy zgłaszać w ciągu 14 dni od daty wykonania.",
     "Karta usług: uwagi na dole wydruku"),
    ("karty_uslug_off", "0", "Wyłącz karty usług"),
    ("drukuj_tylko_niepuste", "0", "Drukuj tylko wypełnione pola sprzętu"),
    ("Wydruk_samego_kodu", "0", "Odnośnik do wydruku samego kodu kreskowego"),
    ("barcode_type", "1", "Rodzaj kodu kreskowego"),
    ("Prints_rfid", "1", "Kod kreskowy na wydrukach"),
    ("Prints_rfid_start", "20", "Kod EAN-13: dwie pierwsze cyfry"),
    ("Prints_rfid_company", "1", "Kod EAN-13: numer firmy (pięć cyfr)"),
    ("Logo_nazwa_pliku", "LOGO.JPG", "Plik logo w katalogu img"),
    ("Logo_szerokosc", "140", "Szerokość logo [piksele] (70 - 800)"),
    ("Logo_wysokosc", "70", "Wysokość logo [piksele] (35 - 300)"),
    ("Logo_pozycja_x", "50", "Odległość logo od prawej krawędzi strony (-300 - 300)"),
    ("Logo_pozycja_y", "55", "Odległość logo od górnej krawędzi strony (-300 - 300)"),

    # --- Invoices and documents -------------------------------------------
    ("rachunki_zamiast_faktur", "0", "Rachunki zamiast faktur VAT"),
    ("Faktura_oryginal_kopia", "1", "Wydruk faktury"),
    ("Faktura_oznaczenie", "FV/", "Oznaczenie numeru faktury (numer/oznaczenie rok)"),
    ("Faktura_nowy_wydruk", "0", None),
    ("wydruk_kodu_na_fakturze", "0", "Kod towaru na fakturze"),
    ("Nazwa_firmy_dla_faktur", "", "Nazwa firmy wystawiającej faktury (puste - własne dane)"),
    ("Nazwa_firmy_do_kontaktu", "", "Nazwa firmy do kontaktu"),
    ("main_email", "", "Adres e-mail serwisu"),
    ("main_www", "", "Strona WWW serwisu"),

    # --- Backup, scheduled jobs, outside stock program ----------------------
    ("backup_path", "", "Katalog kopii zapasowych"),
    # Edited in the settings page's backup block, checked as a clock time there.
    ("backup_time", "18:15", None),
    ("send_time", "0", "Co ile minut uruchamiać wysyłkę p.bat (5 - 2678400; 0 - wcale)"),
    ("Wykonaj_sychronizacje_towarow", "0", None),
    ("dbf_fname", "", None),
    ("dbf_fname1", "", None),
    ("dbf_fname2", "", None),
    ("dbf_fname3", "", None),
    ("dbf_fname4", "", None),
    ("dbf_fname5", "", None),

    # --- Switches that hide parts of pages (1 - hidden) ---------------------
    ("ukryj_faktury", "0", "Ukryj faktury"),
    ("ukryj_magazyn", "0", "Ukryj magazyn"),
    ("ukryj_forma_platnosci", "0", "Ukryj formę płatności"),
    ("ukryj_termin_platnosci", "0", "Ukryj termin płatności"),
    ("ukryj_data_sprzedazy", "0", "Ukryj datę sprzedaży sprzętu"),
    ("ukryj_data_odpowiedzi", "0", "Ukryj datę odpowiedzi"),
    ("ukryj_rzeczywista_data_naprawienia", "0", "Ukryj rzeczywistą datę naprawienia"),
    ("ukryj_szacunkowy_koszt", "0", "Ukryj szacunkowy koszt"),
    ("ukryj_zaplanuj_dzien", "0", "Ukryj planowanie na dzień"),
    ("ukryj_wydane", "0", "Ukryj przycisk zleceń wydanych"),
    ("ukryj_braki", "0", "Ukryj przycisk braków części"),
    ("ukryj_planowane", "0", "Ukryj przycisk zleceń planowanych"),
    ("ukryj_plany_spoznione", "0", "Ukryj przycisk planów spóźnionych"),
    ("ukryj_Planowane_w_okresie", "0", "Ukryj przycisk planowanych w okresie"),
    ("ukryj_opcje_przeglad", "0", "Ukryj opcje przeglądu"),
    ("ukryj_protokol", "0", "Ukryj protokół"),
    ("ukryj_protokol_przegladu", "0", "Ukryj protokół przeglądu"),
    ("ukryj_protokol_serwisowy", "0", "Ukryj protokół serwisowy"),
    ("ukryj_protokol_przyjecia", "0", "Ukryj protokół przyjęcia"),
    ("ukryj_karte_uslug", "0", "Ukryj kartę usług"),
    ("ukryj_dodaj_usun_uslugi_czesci", "0", "Ukryj dodawanie części i usług"),
    ("ukryj_brak_czesci", "0", "Ukryj przycisk braku części"),
    ("ukryj_do_wyjasnienia", "0", "Ukryj przycisk do wyjaśnienia"),
    ("ukryj_zakoncz_i_wydaj_towar", "0", "Ukryj przycisk zakończenia i wydania"),
    ("ukryj_wydaj_towar", "0", "Ukryj przycisk wydania sprzętu"),
    ("ukryj_dla_serwisu", "0", "Ukryj dowód przyjęcia dla serwisu"),
    ("ukryj_data_odbioru", "0", "Ukryj datę odbioru"),
    ("ukryj_odbierajacy", "0", "Ukryj osobę odbierającą"),
    ("ukryj_filtr_wykonawca", "0", "Ukryj filtr wykonawcy"),
    ("ukryj_dbf_export", "0", "Ukryj eksport oznaczonych towarów do DBF"),
    ("ukryj_ulica_na_liscie_napraw", "0", "Ukryj ulicę na liście zleceń"),
    ("ukryj_kod_pocztowy_na_liscie_napraw", "0", "Ukryj kod pocztowy na liście zleceń"),
    ("ukryj_miasto_na_liscie_napraw", "0", "Ukryj miejscowość na liście zleceń"),
    ("ukryj_dossier", "0", None),
    ("ukryj_dowod_przyjecia", "0", None),
    ("ukryj_karta_uruchomienia", "0", None),
    ("ukryj_przeglad_roczny", "0", None),
    ("ukryj_zeruj_stany", "0", None),

    # --- Buttons ----------------------------------------------------------
    ("Anuluj_button", "Anuluj", None),
    ("Brak_czesci_button", "Brak części", None),
    ("Braki_button", "Braki części", None),
    ("Czesci_zglaszane_do_reklamacji_button", "Części do reklamacji", None),
    ("Czysc_button", "Wyczyść", None),
    ("Czysc_oznaczenia_button", "Wyczyść oznaczenia", None),
    ("Do_naprawy_button", "Do naprawy", None),
    ("Do_wyjasnienia_button", "Do wyjaśnienia", None),
    ("Dodaj_button", "Dodaj", None),
    ("Dodaj_towar_usluge_button", "Dodaj towar/usługę", None),
    ("email_button", "Wyślij e-mail", None),
    ("Kopiuj_z_Dossier_button", "Kopiuj z dossier", None),
    ("Lista_button", "Lista", None),
    ("Na_brutto_button", "Na brutto", None),
    ("Na_netto_button", "Na netto", None),
    ("Na_stanie_button", "Na stanie", None),
    ("Naprawione_button", "Naprawione", None),
    ("Nie_filtruj_oznaczonych_button", "Wszystkie towary", None),
    ("Nowa_nazwa_button", "Nowa nazwa", None),
    ("Nowy_sprzet_button", "Nowy sprzęt", None),
    ("Nowy_Towar_Usluga_button", "Nowy towar/usługa", None),
    ("Odznacz_pilne_button", "Nie pilne", None),
    ("Oznacz_pilne_button", "Pilne", None),
    ("Oznaczone_do_DBF_button", "Oznaczone do DBF", None),
    ("Planowane_button", "Planowane", None),
    ("Planowane_w_okresie_button", "Planowane w okresie", None),
    ("Plany_spoznione_button", "Plany spóźnione", None),
    ("Poczta_button", "Poczta", None),
    ("Powrot_button", "Powrót", None),
    ("Powrot_do_Naprawy_button", "Powrót do naprawy", None),
    ("Powrot_z_zewnetrznego_button", "Powrót z serwisu zewnętrznego", None),
    ("Proste_szukanie_button", "Proste szukanie", None),
    ("Przejdz_button", "Przejdź", None),
    ("Przelicz_button", "Przelicz", None),
    ("Przyjmij_towar_button", "Przyjmij", None),
    ("Przywroc_button", "Przywróć", None),
    ("Rozpocznij_Naprawe_button", "Rozpocznij naprawę", None),
    ("Rozpocznij_ponownie_button", "Rozpocznij ponownie", None),
    ("Szukaj_button", "Szukaj", None),
    ("Tylko_oznaczone_button", "Tylko oznaczone", None),
    ("Usun_button", "Usuń", None),
    # The line delete buttons read "Usuń 1.", "Usuń 2." ...: the page takes
    # the number that follows this caption.
    ("Usun_sp_button", "Usuń ", None),
    ("W_serwisie_zewnetrznym_button", "W serwisie zewnętrznym", None),
    ("Wszystkie_button", "Wszystkie", None),
    ("Wybierz_czesc_button", "Wybierz część", None),
    ("Wybierz_dostawce_button", "Wybierz dostawcę", None),
    ("Wybierz_klienta_button", "Wybierz klienta", None),
    ("Wybierz_przyjmujecego_button", "Wybierz przyjmującego", None),
    ("Wybierz_towar_button", "Wybierz towar", None),
    ("Wybierz_usluge_button", "Wybierz usługę", None),
    ("Wybierz_uzytkownika_button", "Wybierz użytkownika", None),
    ("Wybierz_wykonawce_button", "Wybierz wykonawcę", None),
    ("Wydaj_Towar_button", "Wydaj sprzęt", None),
    ("Wydane_button", "Wydane", None),
    ("Wymiana_czesci_button", "Części i usługi", None),
    ("Wysylka_calego_sprzetu_button", "Wysyłka całego sprzętu", None),
    ("Wysylka_samych_czesci_button", "Wysyłka samych części", None),
    ("Zaawansowane_button", "Zaawansowane", None),
    ("Zakoncz_Naprawe_button", "Zakończ naprawę", None),
    ("Zakoncz_Naprawe_i_wydaj_Towar_button", "Zakończ i wydaj", None),
    ("Zaplanuj_na_dzien_button", "Zaplanuj na dzień", None),
    ("Zatwierdz_button", "Zatwierdź", None),
    ("Zatwierdz_oznaczenia_button", "Zatwierdź oznaczenia", None),
    ("Zeruj_stany_button", "Zeruj stany", None),
    ("Zmien_button", "Zmień", None),
    ("Zmien_klienta_button", "Zmień klienta", None),

    # --- Captions ---------------------------------------------------------
    ("Cechy_uszkodzenia_text", "Cechy uszkodzenia", None),
    ("Cena_brutto__sprzedazy_text", "Cena brutto sprzedaży", None),
    ("Cena_netto__kupna_text", "Cena netto zakupu", None),
    ("Cena_netto__sprzedazy_text", "Cena netto sprzedaży", None),
    ("Cena_text", "Cena", None),
    ("Czesci_text", "Części", None),
    ("czas_modyfikacji_text", "Czas modyfikacji", None),
    ("Data2_text", "Zakończono", None),
    ("Data_odpowiedzi_text", "Data odpowiedzi", None),
    ("Data_przyjecia_text", "Data przyjęcia", None),
    ("Data_sprzedazy_text", "Data sprzedaży", None),
    ("Data_text", "Data", None),
    ("Data_wystawienia_text", "Data wystawienia", None),
    ("Data_zakonczenia_text", "Data zakończenia", None),
    ("email_text", "E-mail", None),
    ("fax_text", "Fax", None),
    ("gr_text", "gr", None),
    ("Id_Firmy_text", "Serwisant", None),
    ("Id_Koszty_text", "Rodzaj kosztu", None),
    ("Id_Towary_text", "Towar/usługa", None),
    ("Karta_uruchomienia_text", "Karta uruchomienia", None),
    ("Kliknij_tu_aby_wybrac_date_z_kalendarza_text", "Kliknij, aby wybrać datę z kalendarza", None),
    ("kod_text", "Kod", None),
    ("Kod_pocztowy_text", "Kod pocztowy", None),
    ("Koszt_brutto_text", "Koszt brutto", None),
    ("Koszty_text", "Koszty", None),
    ("Lista_kart_uslug_text", "Lista kart usług", None),
    ("Lista_serwisowanego_sprzetu_text", "Lista serwisowanego sprzętu", None),
    ("Lista_zlecen_text", "Lista zleceń", None),
    ("Lp_text", "Lp.", None),
    ("Miejscowosc_text", "Miejscowość", None),
    ("Naprawa_text", "Naprawa", None),
    ("Naprawiajacy_text", "Naprawiający", None),
    ("Nazwa", "Nazwa", None),
    ("Nazwa_text", "Nazwa", None),
    ("Nazwa_towaru_uslugi_text", "Nazwa towaru/usługi", None),
    ("NIP_text", "NIP", None),
    ("Nowy_sprzet_do_serwisu_text", "Nowy sprzęt do serwisu", None),
    ("Nr_Naprawy_text", "Nr zlecenia", None),
    ("Numer_text", "Numer", None),
    ("Odbierajacy_text", "Odbierający", None),
    ("Opis_naprawy_text", "Opis naprawy", None),
    ("Opis_oraz_okreslenie_przyczyny_usterki_text", "Opis oraz określenie przyczyny usterki", None),
    ("Opis_text", "Opis", None),
    ("Ostatnia_modyfikacja_text", "Ostatnia modyfikacja", None),
    ("PKWiU_text", "PKWiU", None),
    ("Planowana_data_przyjecia_text", "Planowana data przyjęcia", None),
    ("Planowana_data_rozpoczecia_text", "Planowana data rozpoczęcia", None),
    ("Planowana_data_zakonczenia_text", "Planowana data zakończenia", None),
    ("Planowany_koszt_text", "Planowany koszt", None),
    ("Protokol_przegladu_text", "Protokół przeglądu", None),
    ("Protokol_przyjecia_text", "Protokół przyjęcia", None),
    ("Protokol_serwisowy_text", "Protokół serwisowy", None),
    ("Przeglad_roczny_text", "Przegląd roczny", None),
    ("Przychod_text", "Przychód", None),
    ("Przyjal_text", "Przyjął", None),
    ("rfid_text", "RFID", None),
    ("Roboczogodziny", "Roboczogodziny", None),
    ("Rodzaj_naprawy_text", "Rodzaj naprawy", None),
    ("rodzaj_tow_text", "Rodzaj towaru", None),
    ("Rzeczywista_data_naprawienia_text", "Rzeczywista data naprawienia", None),
    ("Serwisowany_sprzet_text", "Serwisowany sprzęt", None),
    ("Stan_text", "Stan", None),
    ("Suma_text", "Suma", None),
    ("Szacunk__text", "Termin szac.", None),
    ("Szacunkowa_data_naprawienia_text", "Szacunkowa data naprawienia", None),
    ("szacunkowa_wycena_text", "Szacunkowa wycena", None),
    ("szt_text", "szt.", None),
    ("Sztuk_text", "Ilość", None),
    ("Telefon_text", "Telefon", None),
    ("Typ_firmy_text", "Typ kontrahenta", None),
    ("Typ_towaru_text", "Typ towaru", None),
    ("Ulica_text", "Ulica", None),
    ("Uwagi_niedrukowane_text", "Uwagi (niedrukowane)", None),
    ("Uwagi_text", "Uwagi", None),
    ("VAT_text", "VAT", None),
    ("Wlasciciel_pdf_text", "Klient", None),
    ("Wlasciciel_text", "Właściciel", None),
    ("Wykonane_prace_text", "Wykonane prace", None),
    ("Wykonawca", "Wykonawca", None),
    ("Wymienione_czesci_i_wykonane_uslugi_text", "Wymienione części i wykonane usługi", None),
    ("z_text", "z", None),
    ("ze_znalezionych_text", "ze znalezionych", None),
    ("zl_text", "zł", None),
    ("Zysk_text", "Zysk", None),
    # Titles of the repair list's views ("Lista zleceń - do naprawy" ...).
    ("do_naprawy_text", "do naprawy", None),
    ("naprawione_text", "naprawione", None),
    ("na_stanie_text", "na stanie", None),
    ("wydane_text", "wydane", None),
    ("braki_text", "braki części", None),
    ("planowane_text", "planowane", None),
    ("plany_spoznione_text", "plany spóźnione", None),
    ("w_serwisie_zewnetrznym_text", "w serwisie zewnętrznym", None),
    ("Planowane_w_okresie_text", "planowane w okresie", None),
    ("wszystkie_text", "wszystkie", None),
]

# Keys that the settings page shows with a text area rather than a row; they
# are described like the others.
LONG_TEXT_KEYS = {
    "Opis_i_przyczyna_uszkodzenia_text", "Dowod_przyjecia_szacunkowa_text",
    "Dowod_przyjecia_opis", "Dowod_przyjecia_zgoda", "Karta_uslug_uwagi_text",
    "dossier_oswiadczenie_text",
}

# Left out of ustawienia0.txt: their default is outside the range that the
# program checks when it merges a value.
NOT_MERGED = {"send_time"}


# --- The program's collation: the Polish alphabet first ---------------------
def _weights():
    order = [0]
    letters = "aAąĄbBcCćĆdDeEęĘfFgGhHiIjJkKlLłŁmMnNńŃoOóÓpPqQrRsSśŚtTuUvVwWxXyYzZżŻźŹ"
    order += [c.encode("cp1250")[0] for c in letters]
    order += [ord(c) for c in "0123456789"]
    order += [ord(c) for c in "_., -+\"'*?/\\:;"]
    order += list(range(0x01, 0x20))
    order += [ord(c) for c in "!#$%&()<=>@[]^`{|}~"]
    polish = set(order[1:71])
    order += [0x7F] + [b for b in range(0x80, 0x100) if b not in polish]
    assert sorted(order) == list(range(256)), "the weights must be a permutation"
    w = [0] * 256
    for weight, byte in enumerate(order):
        w[byte] = weight
    return w


WEIGHTS = _weights()


def sort_key(key_bytes):
    return [WEIGHTS[b] for b in key_bytes]


def escape(value):
    return value.replace("\\", "\\\\").replace("\n", "\\n")


def encode(text):
    return text.encode("cp1250")


def render(pairs):
    """The bytes of a key/value file holding pairs (key, value) of str."""
    rows = sorted(((encode(k), encode(escape(v))) for k, v in pairs), key=lambda kv: sort_key(kv[0]))
    return b"".join(k + b" " + v + b"\r\n" for k, v in rows)


def check():
    seen = set()
    for key, value, desc in SETTINGS:
        assert key not in seen, "duplicate key " + key
        seen.add(key)
        assert key and not any(c in key for c in " \t\r\n\\"), "bad key " + repr(key)
        assert desc is None or "\n" not in desc, key
        encode(key), encode(value), encode(desc or "")
    for key in LONG_TEXT_KEYS:
        assert key in seen, key


def files():
    check()
    values = [(k, v) for k, v, _ in SETTINGS]
    return {
        "ustawienia.txt": render(values),
        "ustawienia_desc.txt": render([(k, d) for k, _, d in SETTINGS if d is not None]),
        "ustawienia0.txt": render([(k, v) for k, v in values if k not in NOT_MERGED]),
    }


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    out = argv[1] if len(argv) > 1 else os.path.join(here, os.pardir, "data")
    os.makedirs(out, exist_ok=True)
    for name, data in files().items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv)
