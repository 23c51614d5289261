#include "mages/repairs/mgs_Naprawy_pdf_texts.hpp"

#include <cstdio>
#include <string>

#include "lib/convert.hpp"
#include "lib/qq.hpp"
#include "lib/slownie.hpp"
#include "lib/txt_utils.hpp"
#include "mages/equipment/mgs_Serwis0.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "mages/firms/mgs_Naprawy_wykonawcy0.hpp"
#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "mages/goods/mgs_Transakcje_pdf.hpp"
#include "mages/mgs_form_keep.hpp"
#include "mages/qq_main.hpp"
#include "mages/repairs/mgs_Naprawy0.hpp"
#include "mages/repairs/mgs_Naprawy_fields.hpp"
#include "mages/repairs/mgs_Naprawy_pdf.hpp"
#include "server/sess.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"

namespace {

constexpr std::size_t kTextSize = 8192;

std::string blanks(int n) { return std::string(static_cast<std::size_t>(n), ' '); }
std::string plain(const char* key) { return ustawienia_get_remove_html(key); }

std::string wrapped(std::string t, int first, int next) {
  if (!t.empty()) str_divide(t.data(), first, next);
  return t;
}

std::string fmt(const char* format, const char* value) {
  char buf[512];
  std::snprintf(buf, sizeof buf, format, value);
  return buf;
}

void cut_to_size(std::string& text) {
  if (text.size() > kTextSize - 1) text.resize(kTextSize - 1);
}

std::string own_firm_name() {
  const char* n = Firmy_nazwa(1);
  return n ? n : "";
}

// Expands a template of the install directory into the page text.
void run_template(const char* name, std::string& text) {
  qq_pdf_text.clear();
  qq_run(name, [](char c) { pdf_qqc(c); }, [](const char* n, std::size_t len) { qq_pdf(n, len); });
  text += qq_pdf_text;
  qq_pdf_text.clear();
}

// The firm as form variables under the prefix, when it exists.
void firm_vars(uint32_t Id, const char* prefix) {
  if (const Firmy* f = Id ? kal::glue<Firmy>::find(Id) : nullptr) mgs_Firmy_to_ht(f, prefix, "");
}

}  // namespace

int mgs_pdf_Zgloszenie_Naprawy(std::string& text, const Naprawy_fields& fields) {
  const Naprawy& r = fields._Naprawy;
  std::string parts = plain("Lp_text") + " " + tr(179) + blanks(28) + tr(239) + " " + tr(180) + "\n";
  if (Serwis_zewnetrzny_tab* t = _mgs ? _mgs->_Serwis_zewnetrzny_tab : nullptr) {
    Serwis_zewnetrzny_ref* ref = Serwis_zewnetrzny_tab_gets_Id_Naprawy(t, r.Id, VTAB_CMP_EQUAL);
    unsigned long n = 0;
    for (tab_ref_elem* e = ref ? ref->first : nullptr; e; e = e->next) {
      const Serwis_zewnetrzny* item = vtab_row<Serwis_zewnetrzny>(e);
      if (!item) continue;
      char head[64];
      std::snprintf(head, sizeof head, "%lu. ", ++n);
      const char* name = Towary_nazwa(item->Id_Towary__serwis_zewnetrzny);
      parts += head + fmt(" %-38s", name ? name : "") + fmt(" %6s ", from_gzl0(item->liczba_sztuk));
      parts += wrapped(item->cechy_uszkodzenia.str(), 34, 81) + "\n";
    }
    if (ref) Serwis_zewnetrzny_ref_delete(&ref);
  }
  cut_to_size(parts);

  std::string page;
  page += "    " + std::string(tr(181)) + " " + r.numer.str() + "\n";
  page += blanks(57) + tr(182) + "\n";
  page += fields._Towary__przyjety.nazwa.str() + "\n";
  page += std::string(tr(183)) + ": " + from_td(fields._Transakcje.data_transkacji) + "\n";
  page += blanks(7) + plain("nr_ramy_text") + ": " + r.nr_ramy.str() + "\n\n";
  page += std::string(tr(184)) + ":\n\n" + parts + "\n";
  page += " " + std::string(tr(185)) + blanks(5) + "\n";
  page += wrapped(r.opis_uszkodzenia.str(), 81, 81) + "\n\n\n\n";
  page += std::string(tr(186)) + " " + fields._Firmy__naprawiajacy.nazwa.str() + blanks(8) + tr(187) + ":\n\n\n\n\n\n";
  page += "  " + std::string(tr(188)) + blanks(15) + plain("Data_odpowiedzi_text") + blanks(8) + tr(189) + "\n";
  page += "  " + std::string(from_td(r.data_odpowiedzi)) + blanks(16);
  page += std::string(from_td(r.data_wplywu)) + "\n\n\n";
  page += fields._Naprawy_typy.uwagi.str() + "\n";
  cut_to_size(page);
  text += page;
  return 0;
}

int mgs_pdf_Naprawy_protokol(std::string& text) {
  mgs_form_keep keep;
  sess_put("FIRMA_WLASNA", own_firm_name().c_str());
  run_template(tr(218), text);
  return 0;
}

int mgs_pdf_Gwarancja_Na_Naprawe(std::string& text, const Naprawy_fields& fields) {
  // Everything set here is for the template only: the form state of the
  // session comes back afterwards.
  mgs_form_keep keep;
  const Naprawy& r = fields._Naprawy;
  sess_put("FIRMA_WLASNA", own_firm_name().c_str());
  sess_put("NR_NAPRAWY", r.numer.c_str());
  sess_put("NAPRAWA_ZAKONCZENIE", from_td(r.data_zakonczenia_rzeczywista));
  firm_vars(1, "WLASNA_");
  firm_vars(r.Id_Firmy__klient, "KLIENT_");
  firm_vars(Naprawy_wykonawcy_Id_Firmy(r.Id_Naprawy_wykonawcy), "WYKONAWCA_");
  mgs_Naprawy_to_ht(&r, "PROTOKOL_", "");
  sess_put("Nazwa_sprzetu", fields._Towary__przyjety.nazwa.c_str());
  if (fields._Serwis.Id != 0) mgs_Serwis_to_ht(&fields._Serwis, "SerwisNew_", "");
  if (fields._Towary__przyjety.Id != 0) mgs_Towary_to_ht(&fields._Towary__przyjety, "SPRZET_", "");
  run_template(tr(217), text);
  return 0;
}

// --- the plain-text receipt and dossier of old --------------------------------------------

int mgs_pdf_Naprawa_head(std::string& text, const Naprawy_fields& fields, const char* title) {
  text += std::string(title ? title : "") + " " + fields._Naprawy.numer.str() + "\n";
  text += plain("Data_przyjecia_text") + ": " + from_td(fields._Naprawy.data_wplywu) + "\n\n";
  return 0;
}

int mgs_pdf_Naprawiajacy_info(std::string& text, const Naprawy_fields& fields) {
  const Firmy& f = fields._Firmy__naprawiajacy;
  text += f.nazwa.str() + "\n" + ulica_if_not_empty(f.ulica.c_str(), "\n");
  text += f.kod_pocztowy.str() + " " + f.miasto.str() + "\n";
  text += plain("NIP_text") + " " + f.NIP.str() + "\n";
  if (!f.telefon.empty()) text += std::string(tr(175)) + " " + f.telefon.str() + "\n";
  text += "\n";
  return 0;
}

int mgs_pdf_Wlasciciel_info(std::string& text, const Naprawy_fields& fields) {
  if (force_is_other == 1) return 0;
  const Firmy& c = fields._Firmy__klient;
  text += plain("Wlasciciel_pdf_text") + ": " + c.nazwa.str() + "\n" + ulica_if_not_empty(c.ulica.c_str(), "\n");
  text += c.kod_pocztowy.str() + " " + c.miasto.str() + "\n";
  if (!c.telefon.empty()) text += std::string(tr(175)) + " " + c.telefon.str() + "\n";
  text += "\n";
  return 0;
}

int mgs_pdf_Sprzet_info(std::string& text, const Naprawy_fields& fields) {
  const Naprawy& r = fields._Naprawy;
  text += plain("sprzet_text") + ": " + fields._Towary__przyjety.nazwa.str() + "\n";
  text += plain("nr_rej_text") + ": " + r.nr_rej.str() + "\n";
  text += plain("nr_ramy_text") + ": " + r.nr_ramy.str() + "\n";
  text += plain("model_text") + ": " + r.model.str() + "\n\n";
  return 0;
}

int mgs_pdf_Dowod_Przyjecia_do_Naprawy(std::string& text, const Naprawy_fields& fields) {
  mgs_pdf_Naprawiajacy_info(text, fields);
  mgs_pdf_Naprawa_head(text, fields, ustawienia_get("DOWOD_PRZYJECIA_SPRZETU_DO_NAPRAWY__nr_text"));
  mgs_pdf_Wlasciciel_info(text, fields);
  mgs_pdf_Sprzet_info(text, fields);
  text += plain("Dowod_przyjecia_opis") + "\n" + wrapped(fields._Naprawy.opis_uszkodzenia.str(), 81, 81) + "\n";
  return 0;
}

int mgs_pdf_Naprawy_Dossier(std::string& text, const Naprawy_fields& fields) {
  mgs_pdf_Naprawiajacy_info(text, fields);
  mgs_pdf_Naprawa_head(text, fields, ustawienia_get("D_O_S_S_I_E_R___N_A_P_R_A_W_Y__nr_text"));
  mgs_pdf_Wlasciciel_info(text, fields);
  mgs_pdf_Sprzet_info(text, fields);
  text += plain("Opis_naprawy_text") + "\n" + wrapped(fields._Naprawy.opis_naprawy.str(), 81, 81) + "\n\n";
  mgs_pdf_Transakcje_Dossier(text, fields._Naprawy.Id_Transakcje);
  return 0;
}
