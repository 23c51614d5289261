#include "mages/repairs/mgs_Naprawy_czesci.hpp"

#include <string>
#include <string_view>

#include "lib/convert.hpp"
#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Towary.hpp"
#include "mages/goods/mgs_Towary_transakcje_edit.hpp"
#include "mages/repairs/mgs_Naprawy_edit.hpp"
#include "mages/goods/mgs_Transakcje0.hpp"
#include "mages/repairs/mgs_Naprawy.hpp"
#include "mages/repairs/mgs_Naprawy0.hpp"
#include "server/html_form.hpp"
#include "server/page_out.hpp"
#include "server/sess.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"


namespace {

constexpr int kPageParts = 25;
constexpr int kPageRepair = 31;

bool is(std::string_view action, const char* caption_key) { return action == ustawienia_get(caption_key); }

}  // namespace

namespace kal {

int naprawy_koszt_update(uint32_t repair_Id, uint32_t document_Id, double total) {
  const Naprawy* repair = kal::glue<Naprawy>::find(repair_Id);
  if (!repair) return -1;
  const bool link = repair->Id_Transakcje == 0 && document_Id != 0 && kal::glue<Transakcje>::find(document_Id);
  const double cost = kal::money_round(total);
  if (link) kal::glue<Naprawy>::set_field<&Naprawy::Id_Transakcje>(repair_Id, document_Id);
  kal::glue<Naprawy>::set_field<&Naprawy::koszt_naprawy>(repair_Id, cost);
  // The form follows only when it holds this repair.
  if (var_z("NaprawyNew_Naprawy_Id") == repair_Id) {
    if (link) sess_put("NaprawyNew_Naprawy_Id_Transakcje", from_z(document_Id));
    sess_put("NaprawyNew_Naprawy_koszt_naprawy", from_gzl(cost));
  }
  if (glue_root<Naprawy>::save() != 0) {
    errorDisplay("Nie można zapisać pliku dat/Naprawy.dat !");
    return 1;
  }
  return 0;
}

}  // namespace kal

uint32_t Naprawy_get_Transakcje_Id(uint32_t repair_Id) {
  const Naprawy* repair = repair_Id ? kal::glue<Naprawy>::find(repair_Id) : nullptr;
  return repair ? repair->Id_Transakcje : 0;
}

int mgs_Naprawy_czesci(std::string& button, const char* action_arg) {
  button = "n_" + std::to_string(kPageParts);
  const std::string action = action_arg ? action_arg : "";
  const uint32_t id = var_z("Naprawy_Id");
  if (!mgs_Naprawy_allow_current(id)) {
    mgs_Naprawy_refuse();
    return 0;
  }
  if (!kal::glue<Naprawy>::find(id)) {
    errorDisplay(("Brak naprawy Id=" + kal::html_text(var_s("Naprawy_Id")) + " w bazie !").c_str());
    return 0;
  }
  if (is(action, "Wymiana_czesci_button") ) Naprawy_save_html(id);
  // The form's variables of another repair stay as they are.
  const std::string form_document = var_s("NaprawyNew_Naprawy_Id_Transakcje");
  const Naprawy repair = *kal::glue<Naprawy>::find(id);

  app("<CENTER>\n");
  app("<TABLE WIDTH=100%><TR><TD CLASS=pagetitle>");
  app(tr(59));
  app(" ");
  app(kal::html_text(repair.numer.view()).c_str());
  app(". - ");
  app(tr(57));
  app("</TD></TR></TABLE>\n");

  const char* services = get_post_or_get_s("Naprawy_uslugi");
  if (services && std::string_view(services) == "1") {
    // The services page's boxes: those it did not send are unticked, and the
    // ticked ones are this repair's.
    sess_params_clear("Naprawy_uslugi_Id_Towary");
    sess_put("Naprawy_uslugi_Id_Naprawy", from_z(id));
  }

  const std::string prefix = ustawienia_get("Usun_sp_button");
  uint32_t document = repair.Id_Transakcje;
  const bool add = is(action, "Dodaj_towar_usluge_button") && var_z("Towary_transakcje_Id_Towary") != 0;
  const bool remove = !prefix.empty() && action.compare(0, prefix.size(), prefix) == 0;
  if (add || remove || is(action, "Przelicz_button")) {
    double total = 0.0;
    mgs_Towary_transakcje_action(kPageParts, prefix.c_str(), action.c_str(), document, repair.Id_Firmy__klient,
                                 repair.Id_Naprawy_wykonawcy, &total);
    if (document == 0) document = var_z("Towary_transakcje_Id_Transakcje");
    if (var_z("NaprawyNew_Naprawy_Id") != id) sess_put("NaprawyNew_Naprawy_Id_Transakcje", form_document.c_str());
    if (document != 0 && kal::glue<Transakcje>::find(document)) kal::naprawy_koszt_update(id, document, total);
    document = Naprawy_get_Transakcje_Id(id);
  }

  Towary_transakcje_list_edit(kPageParts, "e", document);
  app(form_input_submit(("n_" + std::to_string(kPageRepair)).c_str(), ustawienia_get("Powrot_do_Naprawy_button"), ""));
  app("&nbsp;&nbsp;&nbsp;");
  app(form_input_submit(button.c_str(), ustawienia_get("Przelicz_button"), ""));
  html_form_close();
  app("</CENTER>\n");
  return 0;
}
