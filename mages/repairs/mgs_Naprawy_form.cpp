#include "mages/repairs/mgs_Naprawy_form.hpp"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "db/mgs.hpp"
#include "db/vtab_key_map.hpp"
#include "lib/codepage.hpp"
#include "lib/convert.hpp"
#include "mages/equipment/mgs_Naprawy_roczna.hpp"
#include "mages/equipment/mgs_Serwis0.hpp"
#include "mages/equipment/mgs_Serwis_zewnetrzny.hpp"
#include "mages/firms/mgs_Firmy.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "mages/firms/mgs_Formy_platnosci0.hpp"
#include "mages/firms/mgs_Naprawy_przyjmujacy0.hpp"
#include "mages/firms/mgs_Naprawy_typy0.hpp"
#include "mages/firms/mgs_Naprawy_wykonawcy0.hpp"
#include "mages/goods/mgs_Towary_transakcje.hpp"
#include "mages/goods/mgs_Transakcje0.hpp"
#include "mages/mages.hpp"
#include "mages/repairs/mgs_Naprawy_list.hpp"
#include "mages/repairs/mgs_Naprawy_reklamacje.hpp"
#include "mages/repairs/mgs_Naprawy_serwis.hpp"
#include "server/html_form.hpp"
#include "server/oo_texts.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"


namespace {

constexpr int kPageNew = 30;
constexpr int kPageEdit = 31;

bool on(const char* setting) { return std::strcmp(ustawienia_get(setting), "1") == 0; }
const char* U(const char* key) { return ustawienia_get(key); }

// The state of the bundle.
uint32_t state_of(const Naprawy_fields& b) { return b._Naprawy.Id_Naprawy_stany; }

bool editing() { return sess_nav_action(kPageEdit, "e") != 0; }

const Naprawy* stored(uint32_t Id) {
  return _mgs && _mgs->_Naprawy_tab ? Naprawy_tab_get_Id(_mgs->_Naprawy_tab, Id, VTAB_CMP_EQUAL) : nullptr;
}

const Naprawy_ext* ext_of(uint32_t Id) {
  return _mgs && _mgs->_Naprawy_ext_tab ? Naprawy_ext_tab_get_Id_Naprawy(_mgs->_Naprawy_ext_tab, Id, VTAB_CMP_EQUAL)
                                        : nullptr;
}

void button(const char* key) { app_button(kPageEdit, U(key)); }
void blanks2() { app("  "); }

void row_open_center() {
  app("<TR>\n");
  app("<TD COLSPAN=5 ALIGN=CENTER>\n");
}
void row_close() {
  app("</TD>\n");
  app("</TR>\n");
}

// back, "Usun_button", "Zatwierdz_button".
void app_edit_buttons() {
  app_powrot(kPageEdit);
  blanks2();
  button("Usun_button");
  blanks2();
  button("Zatwierdz_button");
  blanks2();
}

bool warranty(const Naprawy_fields& b) {
  return std::strcmp(b._Naprawy_typy.nazwa_typu.c_str(), U("gwarancyjna")) == 0;
}

void fieldname(const char* caption) {
  app("<TD CLASS=fieldname>");
  app(caption);
  app("</TD>\n");
}

void date_cell(const char* name) {
  app("<TD CLASS=fieldvalue>");
  form_input_date(name);
  app("</TD>\n");
}

// A text area over four columns, with its caption.
void textarea_row(const char* caption, const char* name) {
  app("<TR>\n");
  fieldname(caption);
  app("<TD CLASS=fieldvalue COLSPAN=4>");
  form_textarea(name, 3, 70, "");
  app("</TD>\n");
  app("</TR>\n");
}

// Percent-encoding for a mailto address, subject or body: the text in the
// page's code page, every byte but letters, digits and - . _ ~ @ encoded.
std::string mail_encode(const std::string& text) {
  std::string iso = text;
  repl_win2iso(iso);
  std::string out;
  static const char hex[] = "0123456789ABCDEF";
  for (unsigned char c : iso) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~' || c == '@') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::string sess_code_attr() { return kal::html_attr(get_sess_code()); }

}  // namespace

// --- field rows -------------------------------------------------------------------------

int mgs_Naprawy_przyjecie(const Naprawy_fields& b, int flags, int owner_flags) {
  html_form_open("naprawa.htm");
  app("<TABLE BORDER=0 cellSpacing=0 cellPadding=0>\n");
  mgs_Naprawy_title(b);
  app(form_input_hidden("backhref", ("n_" + std::to_string(kPageNew)).c_str()));
  app("\n");
  mgs_Naprawy_row1(b);
  aktualne_dane_naprawianego(b, flags, nullptr, owner_flags, 0);
  opis_i_przyczyna(b, 0);
  app("</TABLE>\n");
  app_powrot(kPageNew);
  app(" &nbsp;\n");
  app_button(kPageNew, U("Przyjmij_towar_button"));
  if (!on("ukryj_zaplanuj_dzien")) {
    app(" &nbsp;\n");
    app_button(kPageNew, U("Zaplanuj_na_dzien_button"));
    app("\n");
  }
  app("</BR>\n");
  return 0;
}

int mgs_Naprawy_form_close() {
  app("</TABLE>\n");
  html_form_close();
  return 0;
}

int mgs_Naprawy_przyjety(const Naprawy_fields& b) {
  const Naprawy& r = b._Naprawy;
  const uint32_t S = state_of(b);
  app("\n");
  html_form_open("naprawa.htm");
  app("<TABLE BORDER=0 cellSpacing=0 cellPadding=0>\n");
  mgs_Naprawy_title(b);
  app(form_input_hidden("backhref", ("n_" + std::to_string(kPageEdit)).c_str()));
  app(form_input_hidden("Naprawy_Id", from_z(r.Id)));
  app("\n");
  if (sess_nav_action(kPageEdit, U("Powrot_do_Naprawy_button"))) sess_nav_set(kPageEdit, "");

  mgs_Rodzaj_naprawy(b);
  mgs_Naprawy_row1(b);

  // The repairer.
  const Naprawy* saved = stored(r.Id);
  if (editing() && saved) sess_put("NaprawyNew_Naprawy_Id_Naprawy_wykonawcy", from_z(saved->Id_Naprawy_wykonawcy));
  const bool admin = user_is_admin() != 0;
  app("<TR>\n");
  app("<TD CLASS=fieldname>");
  if (S <= 1) {
    app("&nbsp;");
  } else {
    if (S == 2) {
      app(U("Naprawiajacy_text"));
      app(":");
    } else {
      app(S == 6 || S == 7 ? tr(45) : tr(44));
    }
    if (admin) {
      char url[48];
      std::snprintf(url, sizeof url, "Naprawy_wykonawcy.htm?n_%d=l", 60);
      app(" (");
      app(page_href(url, tr(154)));
      app(")");
    }
  }
  app("</TD>\n");
  app("<TD CLASS=fieldvalue>");
  const uint32_t repairer = var_z("NaprawyNew_Naprawy_Id_Naprawy_wykonawcy");
  if (S <= 1) {
    app("&nbsp;");
  } else if (admin) {
    Naprawy_wykonawcy_select_name(repairer, "NaprawyNew_Naprawy_Id_Naprawy_wykonawcy", 0);
  } else {
    app_text(Firmy_nazwa(Naprawy_wykonawcy_Id_Firmy(repairer)));
    app(form_input_hidden("NaprawyNew_Naprawy_Id_Naprawy_wykonawcy", from_z(repairer)));
  }
  app("</TD>\n");
  if (S >= 3 && !on("ukryj_rzeczywista_data_naprawienia")) {
    fieldname(U("Rzeczywista_data_naprawienia_text"));
    date_cell("NaprawyNew_Naprawy_data_zakonczenia_rzeczywista");
  }
  app("</TR>\n");

  // The hand-over date.
  if (S > 5 && !on("ukryj_data_odbioru")) {
    sess_put("NaprawyNew_Naprawy_data_odbioru",
             editing() && saved ? from_t(saved->data_odbioru) : from_t(std::time(nullptr)));
    app("<TR>\n");
    fieldname(tr(36));
    date_cell("NaprawyNew_Naprawy_data_odbioru");
    app("</TR>\n");
  }

  // The repair's copies of the equipment data, while it is in work.
  if (S <= 5) {
    sess_put("SerwisNew_Serwis_nr_rej", r.nr_rej.c_str());
    sess_put("SerwisNew_Serwis_nr_ramy", r.nr_ramy.c_str());
    sess_put("SerwisNew_Serwis_przebieg", r.przebieg.c_str());
    sess_put("SerwisNew_Serwis_model", r.model.c_str());
    sess_put("SerwisNew_Serwis_kolor", r.kolor.c_str());
    std::printf("%s:%d fields._Naprawy.kolor=%s\n", "mages\\mgs_Naprawy.c", __LINE__, r.kolor.c_str());
    sess_put("SerwisNew_Serwis_numer", r.rodzaj.c_str());
    std::printf("%s:%d fields._Naprawy.rodzaj=%s -> Serwis_numer\n", "mages\\mgs_Naprawy.c", __LINE__,
                r.rodzaj.c_str());
    sess_put("SerwisNew_Serwis_wyposazenie", r.wyposazenie.c_str());
  }

  aktualne_dane_naprawianego(b, 0, nullptr, 0, 0);
  opis_i_przyczyna(b, 0);

  if (S >= 3) {
    if (editing() && saved) sess_put("NaprawyNew_Naprawy_opis_naprawy", saved->opis_naprawy.c_str());
    textarea_row(U("Opis_naprawy_text"), "NaprawyNew_Naprawy_opis_naprawy");
  }
  return 0;
}

int mgs_Rodzaj_naprawy(const Naprawy_fields& b) {
  struct kind {
    std::string label, id;
  };
  std::vector<kind> kinds;
  if (hashtbl* h = Naprawy_typy_ht()) {
    for (std::uint32_t i = 0; i < h->size; ++i) kinds.push_back({h->keys[i], h->values[i]});
    hashtbl_delete(&h);
  }
  if (on("ukryj_opcje_przeglad") && kinds.size() >= 2) kinds.erase(kinds.begin() + 1);

  app("<TR>\n");
  app("<TD CLASS=fieldname>");
  app(U("Rodzaj_naprawy_text"));
  app(": ");
  app("</TD>\n");
  app("<TD CLASS=fieldvalue COLSPAN=4>");
  app("<TABLE BORDER=0>\n");
  app("<TR>\n");
  app("<TD CLASS=fieldvalue>\n");
  const std::size_t first = (kinds.size() + 1) / 2;
  const std::string chosen = from_z(b._Naprawy.Id_Naprawy_typy);
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    if (i == first) app("</TD>\n<TD CLASS=fieldvalue>\n");
    app("<INPUT TYPE=\"RADIO\" NAME=\"NaprawyNew_Naprawy_Id_Naprawy_typy\" VALUE=\"");
    app_attr(kinds[i].id.c_str());
    app("\"");
    if (kinds[i].id == chosen) app(" CHECKED");
    app(">");
    app_text(kinds[i].label.c_str());
    if (i + 1 != first && i + 1 != kinds.size()) app("<BR>\n");
  }
  app("</TD>\n");
  if (first >= kinds.size()) app("<TD CLASS=fieldvalue>&nbsp;</TD>\n");
  app("</TR>\n");
  app("</TABLE>\n");
  app("</TD>\n");
  app("</TR>\n");
  return 0;
}

int mgs_Naprawy_row1(const Naprawy_fields& b) {
  const Naprawy& r = b._Naprawy;
  const uint32_t S = state_of(b);
  app("<TR>\n");
  app("<TD CLASS=fieldname>");
  if (S == 20) {
    const std::int64_t now = std::time(nullptr);
    const char* colour = r.data_wplywu < now ? "red" : r.data_wplywu < now + 604800 ? "orange" : "green";
    app("<FONT color=");
    app(colour);
    app(">");
    app(U("Planowana_data_przyjecia_text"));
    app("</FONT>");
  } else {
    app(U("Data_przyjecia_text"));
  }
  app(": ");
  app("</TD>\n");
  date_cell("NaprawyNew_Naprawy_data_wplywu");
  if (S >= 2 && !on("ukryj_data_odpowiedzi")) {
    if (editing())
      if (const Naprawy* saved = stored(r.Id)) sess_put("NaprawyNew_Naprawy_data_odpowiedzi", from_t(saved->data_odpowiedzi));
    fieldname(U("Data_odpowiedzi_text"));
    date_cell("NaprawyNew_Naprawy_data_odpowiedzi");
  }
  app("</TR>\n");

  const bool admin = user_is_admin() != 0;
  app("<TR>\n");
  app("<TD CLASS=fieldname>");
  app(r.Id == 0 ? tr(143) : U("Przyjal_text"));
  if (admin) {
    char url[80];
    std::snprintf(url, sizeof url, "Naprawy_przyjmujacy.htm?n_%d=l&backhref=n_%d", 78, kPageNew);
    app("(");
    app(page_href(url, tr(154)));
    app(")");
  }
  app("</TD>\n");
  app("<TD CLASS=fieldvalue>");
  const uint32_t employee = var_z("NaprawyNew_Naprawy_Id_Naprawy_przyjmujacy");
  if (admin) {
    Naprawy_przyjmujacy_select_name(employee, "NaprawyNew_Naprawy_Id_Naprawy_przyjmujacy", 0);
  } else {
    app_text(Firmy_nazwa(Naprawy_przyjmujacy_Id_Firmy(employee)));
    app(form_input_hidden("NaprawyNew_Naprawy_Id_Naprawy_przyjmujacy", from_z(employee)));
  }
  app("</TD>\n");
  fieldname(U("Szacunkowa_data_naprawienia_text"));
  date_cell("NaprawyNew_Naprawy_data_naprawienia_szacunkowa");
  app("</TR>\n");
  return 0;
}

int opis_i_przyczyna(const Naprawy_fields& b, int without_annual) {
  if (!without_annual) Naprawy_roczna_fields_display();
  if (editing())
    if (const Naprawy* saved = stored(b._Naprawy.Id))
      sess_put("NaprawyNew_Naprawy_opis_uszkodzenia", saved->opis_uszkodzenia.c_str());
  if (state_of(b) != 0) {
    textarea_row(U("Opis_i_przyczyna_uszkodzenia_text"), "NaprawyNew_Naprawy_opis_uszkodzenia");
    textarea_row(U("Uwagi_niedrukowane_text"), "NaprawyNew_Naprawy_nr_silnika");
  }
  return 0;
}

// --- title ------------------------------------------------------------------------------

std::time_t poczatek_miesiaca(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  tm.tm_mday = 1;
  tm.tm_hour = tm.tm_min = tm.tm_sec = 0;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

const char* w_miesiacy_text(int month) { return month >= 1 && month <= 11 ? tr(201 + month) : tr(213); }

int wyznacz_numer_w_miesiacu(uint32_t Id) {
  if (!_mgs || !_mgs->_Naprawy_tab) return 0;
  // The repairs in Id order are counted within each run of one month: the
  // repair's number is the length of its month's run up to it, counted
  // backwards from it.  Two times share a month start (poczatek_miesiaca)
  // exactly when they share the local year and month.
  auto month_of = [](int64_t when) {
    const std::time_t t = static_cast<std::time_t>(when);
    std::tm tm{};
    localtime_r(&t, &tm);
    return static_cast<long long>(tm.tm_year) * 12 + tm.tm_mon;
  };
  int n = 0;
  long long month = 0;
  vtab_back_from_key<Naprawy>(_mgs->_Naprawy_tab, Id, [&](const Naprawy& r) {
    const long long m = month_of(r.data_wplywu);
    if (n == 0) month = m;
    if (m != month) return false;
    ++n;
    return true;
  });
  return n;
}

int mgs_Naprawy_title(const Naprawy_fields& b) {
  const Naprawy& r = b._Naprawy;
  const uint32_t S = state_of(b);
  const long N = static_cast<long>(r.Id);
  app("<TR>\n");
  app("<TD CLASS=pagetitle COLSPAN=5 ALIGN=CENTER>");

  std::string html, plain;
  if (r.flags & 0x4) {
    html += "<FONT COLOR=RED><B>";
    html += U("Oznacz_pilne_button");
    html += " ! </B></FONT>";
  }
  html += U("Naprawa_text");
  html += " ";
  plain += U("Naprawa_text");
  plain += " ";
  if (S >= 2) {
    if (S >= 3) {
      const std::string kind = b._Naprawy_typy.nazwa_typu.str() + " " + b._Naprawy_typy.nazwa_firmy.str() + " ";
      html += kal::html_text(kind);
      plain += kind;
    }
    html += tr(46);
    html += " ";
    plain += tr(46);
    plain += " ";
    html += "<input type=text maxlength=25 size=12 name=NaprawyNew_Naprawy_numer value='";
    html += kal::html_attr(r.numer.str());
    html += "'>";
    plain += r.numer.str();
    std::tm tm{};
    const std::time_t received = static_cast<std::time_t>(r.data_wplywu);
    localtime_r(&received, &tm);
    char ordinal[96];
    std::snprintf(ordinal, sizeof ordinal, " (%d %s %d)", wyznacz_numer_w_miesiacu(r.Id),
                  w_miesiacy_text(tm.tm_mon + 1), tm.tm_year + 1900);
    html += ordinal;
    plain += ordinal;
  }
  html += " - ";
  html += kal::html_text(b._Naprawy_stany.nazwa.str());
  plain += " - ";
  plain += b._Naprawy_stany.nazwa.str();
  app(html.c_str());

  const std::string code = sess_code_attr();
  char link[512];
  auto pdf_link = [&](const char* kind, const char* target, const char* label) {
    std::snprintf(link, sizeof link, "<A HREF=\"%s_%ld.pdf?sess_code=%s\" TARGET=\"%s_%ld\">", kind, N, code.c_str(),
                  target, N);
    app(link);
    app(label);
    app("</A>");
  };
  auto page_link = [&](const char* file, int page, const char* target, const char* label) {
    std::snprintf(link, sizeof link,
                  "<A HREF=\"%s.htm?sess_code=%s&n_%d=h&nomenu=1&Naprawy_Id=%ld\" TARGET=\"%s_%ld.htm\">", file,
                  code.c_str(), page, N, target, N);
    app(link);
    app(label);
    app("</A>\n");
  };

  if (S >= 2 && S != 20) {
    app("<BR>");
    if (on("Wydruk_samego_kodu")) {
      app(" ");
      pdf_link("Kod_kreskowy", "Kod_kreskowy", "Kod");
      app("&nbsp;\n");
    }
    if (!on("ukryj_dowod_przyjecia")) {
      app(" ");
      pdf_link("Dowod_Przyjecia_do_Naprawy", "Naprawy_dowod", tr(38));
      app("\n");
    }
    if (!on("ukryj_dla_serwisu")) {
      app("&nbsp;\n");
      if (user_is_admin() && on("Dodatkowy_dowod_bez_danych_osobowych")) {
        app(" ");
        pdf_link("Dowod_Przyjecia_dla_serwisu", "Dowod_Przyjecia_dla_serwisu", "Dla serwisu");
        app("\n");
      }
    }
  }
  if (S >= 3 && S != 20) {
    if (!on("ukryj_dossier")) {
      app("&nbsp;\n");
      pdf_link("Dossier_Naprawy", "Dossier_Naprawy", tr(37));
      app("\n");
    }
    if (!on("ukryj_karta_uruchomienia")) {
      app("&nbsp;\n");
      page_link("KartaUruchomienia", 241, "KartaUruchomienia", U("Karta_uruchomienia_text"));
    }
    if (!on("ukryj_protokol_przegladu")) {
      app("&nbsp;\n");
      page_link("ProtokolPrzegladu", 242, "ProtokolPrzegladu", U("Protokol_przegladu_text"));
    }
    if (!on("ukryj_protokol_serwisowy")) {
      app("&nbsp;\n");
      page_link("ProtokolSerwisowy", 243, "ProtokolSerwisowy", U("Protokol_serwisowy_text"));
    }
    if (!on("ukryj_protokol_przyjecia")) {
      app("&nbsp;\n");
      pdf_link("Protokol_przyjecia", "Protokol_przyjecia", U("Protokol_przyjecia_text"));
      app("\n");
    }
    if (!on("ukryj_przeglad_roczny")) {
      app("&nbsp;\n");
      page_link("PrzegladRoczny", 244, "PrzegladRoczny", U("Przeglad_roczny_text"));
    }
    if (!on("ukryj_protokol")) {
      app("&nbsp;\n");
      char url[64];
      std::snprintf(url, sizeof url, "protokol.htm?n_%d=e&Naprawy_Id=%ld", 13, N);
      app(page_href(url, tr(55)));
    }
    if (r.Id_Transakcje != 0 && S > 2) {
      const Transakcje& d = b._Transakcje;
      const long D = static_cast<long>(r.Id_Transakcje);
      app("&nbsp;\n");
      if (d.flags & 0x1) {
        std::snprintf(link, sizeof link, "<A HREF=\"Faktura_%ld.pdf?sess_code=%s&a=wystaw\" TARGET=\"Faktura_%ld\">", D,
                      code.c_str(), D);
        app(link);
        app(tr(151));
        app("</A>");
        std::snprintf(link, sizeof link, "&nbsp;\n<A HREF=\"p?sess_code=%s&n_%d=e&Transakcje_Id=%lu&a=n\">",
                      code.c_str(), 84, static_cast<unsigned long>(D));
        app(link);
        app("edytuj");
        app("</A>");
      } else {
        std::snprintf(link, sizeof link, "<A HREF=\"Faktura_%ld.pdf?sess_code=%s\" TARGET=\"Faktura_%ld\">", D,
                      code.c_str(), D);
        app(link);
        app(tr(39));
        app("</A>");
      }
      app(" ");
      app(from_gzl(d.laczna_wartosc));
      app(" ");
      app(U("zl_text"));
    }
    if (!on("ukryj_karte_uslug")) {
      app("&nbsp;\n");
      if (b._Karty.Id != 0)
        std::snprintf(link, sizeof link, "<A HREF=\"Karta_uslug.htm?sess_code=%s&n_%d=e&id=%ld\">", code.c_str(), 212,
                      static_cast<long>(b._Karty.Id));
      else
        std::snprintf(link, sizeof link, "<A HREF=\"Karta_uslug.htm?sess_code=%s&n_%d=n&Karty_Id_Naprawy=%ld&id=0\">",
                      code.c_str(), 213, N);
      app(link);
      app(b._Karty.Id != 0 ? tr(153) : tr(152));
      app("</A>");
    }
    app("&nbsp;\n");
    pdf_link("Gwarancja_Na_Naprawe", "Gwarancja_Na_Naprawe", tr(41));
  }

  // A mail to the client: a plain link, no session in it.
  if ((S == 20 || S > 2) && b._Firmy__klient.email.view().size() > 0) {
    const Firmy& w = b._Firmy__naprawiajacy;
    const std::string subject = plain + " " + b._Towary__przyjety.nazwa.str() + " " + r.nr_rej.str() + " " +
                                r.nr_ramy.str();
    std::string cost;
    if (r.Id_Transakcje != 0) {
      cost = std::string(" ") + tr(225) + " " + from_gzl(b._Transakcje.laczna_wartosc) + U("zl_text");
    }
    const std::string body = w.nazwa.str() + " " + w.ulica.str() + ", " + w.kod_pocztowy.str() + " " + w.miasto.str() +
                             ", " + w.telefon.str() + ", " + subject + ", data: " + Naprawa_data_stanu(r.Id_Naprawy_stany, &r) + ", " + cost;
    app("\n&nbsp;\n");
    app("<A HREF=\"mailto:");
    app(mail_encode(b._Firmy__klient.email.str()).c_str());
    app("?subject=");
    app(mail_encode(subject).c_str());
    app("&amp;body=");
    app(mail_encode(body).c_str());
    app("\">");
    app(U("email_button"));
    app("</A>");
  }
  app("</TD>\n");
  app("</TR>\n");
  return 0;
}

// --- sections ---------------------------------------------------------------------------

int app_powrot(int page_id) { return app_button(page_id, U("Powrot_button")); }

int app_pilne_button(int flags) {
  button(flags & 0x4 ? "Odznacz_pilne_button" : "Oznacz_pilne_button");
  blanks2();
  return 0;
}

const char* mgs_Naprawy_ext_s1(uint32_t Id) {
  const Naprawy_ext* e = ext_of(Id);
  return e ? e->s1.c_str() : "";
}
int32_t mgs_Naprawy_serwis_zewnetrzny_Id(uint32_t Id) {
  const Naprawy_ext* e = ext_of(Id);
  return e ? e->i1 : 0;
}
int32_t mgs_Naprawy_ext_i2(uint32_t Id) {
  const Naprawy_ext* e = ext_of(Id);
  return e ? e->i2 : 0;
}

int mgs_Naprawy_odbierajacy(uint32_t Id) {
  if (on("ukryj_odbierajacy")) return 0;
  sess_put("Naprawy_ext_s1", mgs_Naprawy_ext_s1(Id));
  app(U("Odbierajacy_text"));
  app(": ");
  form_input_s("Naprawy_ext_s1", 128, 32);
  return 0;
}

int zewnetrzny_button(uint32_t Id, uint32_t state) {
  app(" ");
  button(state == 4 || state == 5 ? "Powrot_z_zewnetrznego_button" : "Wysylka_calego_sprzetu_button");
  app("\n");
  Firmy_select("Naprawy_ext_i1", static_cast<uint32_t>(mgs_Naprawy_serwis_zewnetrzny_Id(Id)), 1, 5);
  return 0;
}

int Forma_i_Termin_platnosci() {
  if (!on("ukryj_forma_platnosci"))
    Formy_platnosci_select_name(var_z("Transakcje_Id_Formy_platnosci"), "Transakcje_Id_Formy_platnosci", 0);
  if (!on("ukryj_termin_platnosci")) {
    app("&nbsp;&nbsp;");
    std::string term = var_s("Transakcje_termin_platnosci");
    if (term.empty()) {
      const double days = to_gzl(U("szacunkowa_data_offset"));
      term = from_td(std::time(nullptr) + static_cast<std::int64_t>(days * 86400));
    } else {
      term = from_td(var_t("Transakcje_termin_platnosci"));
    }
    form_input_date2("Transakcje_termin_platnosci", term.c_str());
  }
  return 0;
}

int mgs_Naprawy_czesci_i_uslugi(uint32_t Id, uint32_t sale_document, uint32_t state) {
  if (!on("ukryj_dodaj_usun_uslugi_czesci")) {
    app_button(25, U("Wymiana_czesci_button"));
    blanks2();
  }
  if (state == 6 || state == 7) {
    app("\n");
    if (state == 7) {
      mgs_Naprawy_odbierajacy(Id);
      app("\n");
    }
    button("Rozpocznij_ponownie_button");
    blanks2();
  }
  if (state != 6 && state != 7 && state != 8 && !on("ukryj_brak_czesci")) {
    button("Brak_czesci_button");
    blanks2();
  }
  if (state != 6 && state != 7 && state != 9 && !on("ukryj_do_wyjasnienia")) {
    button("Do_wyjasnienia_button");
    blanks2();
  }
  if (sale_document != 0) {
    mgs_Sprzedaz_existed(sale_document, nullptr, nullptr, nullptr, 0);
    if (state == 6 || state == 7) Forma_i_Termin_platnosci();
  }
  return 0;
}

int mgs_Naprawy_rozpczecie(const Naprawy_fields& b) {
  row_open_center();
  app_edit_buttons();
  button(state_of(b) == 20 ? "Przyjmij_towar_button" : "Rozpocznij_Naprawe_button");
  blanks2();
  app_pilne_button(b._Naprawy.flags);
  row_close();
  return 0;
}

int mgs_Naprawy_rozpoczeta(const Naprawy_fields& b) {
  const char* fresh = get_post_or_get_s("Naprawy_uslugi");
  if (fresh && std::strcmp(fresh, "1") == 0) sess_put("Naprawy_uslugi_Id_Towary", "");
  row_open_center();
  mgs_Naprawy_czesci_i_uslugi(b._Naprawy.Id, b._Naprawy.Id_Transakcje, state_of(b));
  row_close();
  return 0;
}

int mgs_Naprawy_zakonczenie(uint32_t Id, const Naprawy_fields& b) {
  const uint32_t S = state_of(b);
  app("<TR>\n");
  app("<TD CLASS=fieldname COLSPAN=5 ALIGN=CENTER>\n");
  double sum = 0;
  mgs_Naprawy_uslugi_Transakcje_append(&sum);
  app(" \n");
  if (warranty(b)) {
    if (S == 3 || S == 5) {
      if (Serwis_zewnetrzny_count(Id) > 0) {
        char link[160];
        std::snprintf(link, sizeof link,
                      "<A HREF=\"Zgloszenie_Reklamacji_%ld.pdf?sess_code=%s\" TARGET=\"Zgloszenie_Reklamacji_%ld\">",
                      static_cast<long>(Id), sess_code_attr().c_str(), static_cast<long>(Id));
        app(link);
        app(tr(54));
        app("</A>\n");
        app(" ");
        if (S != 5) button("Wysylka_samych_czesci_button");
      } else {
        app_button(27, U("Czesci_zglaszane_do_reklamacji_button"));
        zewnetrzny_button(Id, S);
      }
    }
  } else {
    zewnetrzny_button(Id, S);
  }
  app("\n");
  blanks2();
  row_close();
  if (!warranty(b) && S <= 5) {
    app("<TR>\n");
    app("<TD CLASS=fieldname COLSPAN=5>\n");
    Forma_i_Termin_platnosci();
    row_close();
  }
  row_open_center();
  app_edit_buttons();
  app("\n");
  button("Zakoncz_Naprawe_button");
  app("   ");
  if (!on("ukryj_zakoncz_i_wydaj_towar")) {
    app("<BR>\n");
    mgs_Naprawy_odbierajacy(Id);
    app("   ");
    button("Zakoncz_Naprawe_i_wydaj_Towar_button");
    app("   ");
  }
  app_pilne_button(b._Naprawy.flags);
  row_close();
  return 0;
}

int mgs_Naprawy_zakonczona(const Naprawy_fields& b) {
  const uint32_t Id = b._Naprawy.Id;
  if (warranty(b) && Serwis_zewnetrzny_count(Id) > 0) {
    app("<TR>\n");
    app("<TD COLSPAN=5>\n");
    mgs_Serwis_zewnetrzny_list(Id);
    row_close();
  }
  return 0;
}

int mgs_Naprawy_wydanie(const Naprawy_fields& b) {
  row_open_center();
  app_edit_buttons();
  app("\n");
  if (!on("ukryj_wydaj_towar")) {
    app("<BR>\n");
    mgs_Naprawy_odbierajacy(b._Naprawy.Id);
    blanks2();
    button("Wydaj_Towar_button");
    blanks2();
  }
  app_pilne_button(b._Naprawy.flags);
  row_close();
  return 0;
}

int mgs_Naprawy_wydano(const Naprawy_fields& b) {
  row_open_center();
  app_edit_buttons();
  app("\n");
  app_pilne_button(b._Naprawy.flags);
  row_close();
  return 0;
}
