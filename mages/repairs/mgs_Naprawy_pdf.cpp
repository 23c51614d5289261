// The printouts of a repair by kind.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "lib/convert.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "mages/mages.hpp"
#include "mages/repairs/mgs_Naprawy.hpp"
#include "mages/repairs/mgs_Naprawy0.hpp"
#include "mages/repairs/mgs_Naprawy_fields.hpp"
#include "mages/repairs/mgs_Naprawy_pdf.hpp"
#include "mages/repairs/mgs_Naprawy_pdf_texts.hpp"
#include "pdf/pdfReport.hpp"
#include "pdf/pdfpage.hpp"
#include "platform/textfile.hpp"
#include "server/serv.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"

const char* const Naprawy_pdf_kind[8] = {
    "Dowod_Przyjecia_do_Naprawy", "Dowod_Przyjecia_dla_serwisu", "Protokol_przyjecia", "Protokol_Naprawy",
    "Gwarancja_Na_Naprawe",       "Zgloszenie_Reklamacji",       "Dossier_Naprawy",    "Kod_kreskowy"};

int force_is_other = 0;

namespace {

enum class Kind { receipt, protocol_intake, protocol, warranty, complaint, dossier, barcode, unknown };

// A kind by its name or by the UI text that the repair page's actions use.
Kind kind_of(std::string_view k) {
  if (k == "Protokol_przyjecia") return Kind::protocol_intake;
  if (k == "Dowod_Przyjecia_do_Naprawy" || k == tr(222)) return Kind::receipt;
  if (k == "Zgloszenie_Reklamacji" || k == tr(54)) return Kind::complaint;
  if (k == "Protokol_Naprawy" || k == tr(55)) return Kind::protocol;
  if (k == "Gwarancja_Na_Naprawe" || k == tr(41)) return Kind::warranty;
  if (k == "Kod_kreskowy") return Kind::barcode;
  if (k == "Dossier_Naprawy" || k == tr(223)) return Kind::dossier;
  return Kind::unknown;
}

// The service copy lasts for one document only.
struct ServiceCopy {
  explicit ServiceCopy(bool on) { force_is_other = on ? 1 : 0; }
  ~ServiceCopy() { force_is_other = 0; }
};

// A one-page text PDF: with to_file 0 as the reply, otherwise only written.
int text_pdf(int to_file, const std::string& text) {
  if (to_file) return pdf_file(nullptr, nullptr, std::vector<std::string>{text});
  app(pdf_header());
  return pdf_file(send_buf, &send_buf_len, std::vector<std::string>{text});
}

int drawn(int to_file, uint32_t Id, const Naprawy_fields& fields, int layout, int pages) {
  if (to_file) return pdf_file2(Id, nullptr, nullptr, &fields, layout, pages);
  app(pdf_header());
  return pdf_file2(Id, send_buf, &send_buf_len, &fields, layout, pages);
}

int setting_int(const char* key) {
  const std::string v = ustawienia_get(key);
  return (!v.empty() && v != key) ? to_i(v.c_str()) : 0;
}

// The receipt marks its repair as printed once the file was written.
void mark_printed(uint32_t Id) {
  Naprawy_tab* t = glue_root<Naprawy>::tab();
  const Naprawy* r = t ? Naprawy_tab_get_Id(t, Id, VTAB_CMP_EQUAL) : nullptr;
  if (!r || (r->flags & NAPRAWY_FLAG_WYDRUK_PRZYJECIA)) return;
  const int flags = r->flags | NAPRAWY_FLAG_WYDRUK_PRZYJECIA;
  Naprawy_ref* ref = Naprawy_tab_gets_Id(t, Id, VTAB_CMP_EQUAL);
  if (!ref) return;
  Naprawy_tab_update_flags(t, ref, flags);
  Naprawy_ref_delete(&ref);
  if (glue_root<Naprawy>::save() != 0)
    std::printf("mgs_Naprawy_pdf(Id=%ld): Naprawy.dat could not be written !\n", static_cast<long>(Id));
}

}  // namespace

int hasNaprawaRightsToDisplay(uint32_t Id) { return mgs_Naprawy_allow_current(Id) ? 1 : 0; }

int setProtokolPrzyjeciaData() {
  const char* own = Firmy_nazwa(1);
  setReportItemText(1, own ? own : "");
  setReportItemText(24, "");
  return 0;
}

int mgs_Naprawy_pdf(int to_file, const char* kind_text, uint32_t Id) {
  std::string_view kind_name = kind_text ? kind_text : "";
  const bool service = kind_name == "Dowod_Przyjecia_dla_serwisu";
  if (service) kind_name = "Dowod_Przyjecia_do_Naprawy";
  ServiceCopy copy(service);

  Naprawy_fields fields;
  get_Naprawy_fields_view(Id, &fields);
  if (!hasNaprawaRightsToDisplay(Id)) {
    pdf_access_denied(to_file, 1);
    return 0;
  }
  char head[256];
  std::snprintf(head, sizeof head, "Błędna strona pdf=%.*s Id_Naprawy=%ld !\n", static_cast<int>(kind_name.size()),
                kind_name.data(), static_cast<long>(Id));
  std::string error = head;
  bool missing = false;
  if (fields._Naprawy.Id_Firmy__naprawiajacy == 0 || !kal::glue<Firmy>::find(fields._Naprawy.Id_Firmy__naprawiajacy)) {
    error += "Błąd: Brak wpisu o naprawiającym!<br>\n";
    missing = true;
  }
  if (fields._Naprawy.Id_Firmy__klient == 0 || !kal::glue<Firmy>::find(fields._Naprawy.Id_Firmy__klient)) {
    error += "Błąd: Brak wpisu o właścicielu !<br>\n";
    missing = true;
  }
  if (fields._Naprawy.Id_Towary__przyjety == 0 || !kal::glue<Towary>::find(fields._Naprawy.Id_Towary__przyjety)) {
    error += "Błąd: Brak wpisu o sprzęcie do naprawienia !<br>\n";
    missing = true;
  }
  if (missing) {
    text_pdf(to_file, error);
    return 0;
  }

  const std::string copies = ustawienia_get("Dowod_przyjecia_kopia");
  switch (kind_of(kind_name)) {
    case Kind::protocol_intake:
      return drawn(to_file, Id, fields, TOPDF2_PROTOKOL_PRZYJECIA, 1);
    case Kind::receipt: {
      int rc = 0;
      if (copies == "2") rc = drawn(to_file, Id, fields, TOPDF2_DOWOD_PRZYJECIA, 2);
      else if (copies == "1") rc = drawn(to_file, Id, fields, TOPDF2_DOWOD_PRZYJECIA_DOUBLE, 1);
      else if (copies == "3") rc = drawn(to_file, Id, fields, TOPDF2_DOWOD_PRZYJECIA_ONE, 1);
      else rc = drawn(to_file, Id, fields, TOPDF2_DOWOD_PRZYJECIA, 1);
      if (rc == 0) mark_printed(Id);
      return rc;
    }
    case Kind::complaint: {
      std::string text;
      mgs_pdf_Zgloszenie_Naprawy(text, fields);
      text_pdf(to_file, text);
      return 0;
    }
    case Kind::protocol: {
      std::string text;
      mgs_pdf_Naprawy_protokol(text);
      text_pdf(to_file, text);
      return 0;
    }
    case Kind::warranty: {
      std::string text;
      mgs_pdf_Gwarancja_Na_Naprawe(text, fields);
      text_pdf(to_file, text);
      return 0;
    }
    case Kind::barcode: {
      if (!to_file) {
        send_buf_len = 0;
        send_buf[0] = 0;
      }
      const int rc = drawn(to_file, Id, fields, TOPDF2_KOD_KRESKOWY, 1);
      std::printf("Kod_kreskowy send_buf_len=%d\n", send_buf_len);
      if (!to_file) send_buf[send_buf_len] = 0;
      return rc;
    }
    case Kind::dossier:
      return drawn(to_file, Id, fields, TOPDF2_DOSSIER, copies == "2" ? 2 : 1);
    case Kind::unknown:
      break;
  }
  text_pdf(to_file, error);
  return 0;
}

int mgs_Naprawy_pdf_doc(const char* name, uint32_t Id, const char* file) {
  if (!file) return mgs_Naprawy_pdf(0, name, Id);
  const int rc = mgs_Naprawy_pdf(1, name, Id);
  if (std::string_view(file) == "wydruk.pdf") return rc;
  std::string bytes;
  if (kal::read_file("wydruk.pdf", bytes) != 0) return -2;
  return kal::atomic_rewrite(file, bytes) == 0 ? rc : -1;
}

