#include "mages/equipment/mgs_Serwis0.hpp"

#include <cstdio>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "db/mgs.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Towary0.hpp"

MGS_GLUE_DEFINE(Serwis)

using G = kal::glue<Serwis>;

// --- new equipment ------------------------------------------------------------------

namespace {

template <class V, class Tab, class Max>
void take_max(Tab* tab, Max max, std::uint32_t& best) {
  V v{};
  if (tab && max(tab, &v) == 0 && v > 0 && static_cast<std::uint64_t>(v) > best) best = static_cast<std::uint32_t>(v);
}

}  // namespace

uint32_t Serwis_max_Id_referred() {
  std::uint32_t best = 0;
  if (!_mgs) return best;
  take_max<std::uint32_t>(_mgs->_Serwis_tab, Serwis_tab_max_Id, best);
  take_max<std::uint32_t>(_mgs->_Sprzet_ext_tab, Sprzet_ext_tab_max_Id_Serwis, best);
  take_max<std::uint32_t>(_mgs->_Cykle_tab, Cykle_tab_max_Id_Serwis, best);
  take_max<std::uint32_t>(_mgs->_Plany_tab, Plany_tab_max_Id_Serwis, best);
  take_max<std::uint32_t>(_mgs->_Naprawy_roczna_tab, Naprawy_roczna_tab_max_Id_Serwis, best);
  take_max<std::int32_t>(_mgs->_Naprawy_ext_tab, Naprawy_ext_tab_max_i2, best);
  return best;
}

bool glue_desc<Serwis>::next_key(Serwis_tab*, std::uint32_t, std::uint32_t* out) {
  const std::uint32_t top = Serwis_max_Id_referred();
  if (top == 4294967295u) return false;
  *out = top + 1;
  return true;
}

bool glue_desc<Serwis>::label(const Serwis& r, std::string& out) {
  out = Towary_nazwa(r.Id_Towary__przyjety);
  out += ' ';
  out += r.nr_rej.str();
  out += ' ';
  out += r.nr_ramy.str();
  out += ' ';
  out += Firmy_nazwa(r.Id_Firmy__klient);
  return true;
}

int mgs_Serwis_upd_Id_Firmy__klient(uint32_t Id, uint32_t value) {
  bool found = false;
  const int rc = G::set_field<&Serwis::Id_Firmy__klient>(Id, value, &found);
  if (!found) std::printf("mgs_Serwis_update_Id_Firmy__klient(Id=%ld): Brak w bazie !\n", static_cast<long>(Id));
  return rc;
}

// --- look-ups ---------------------------------------------------------------------------

namespace {

// The equipment of a repair: the Id its extension row names, else the one
// by_numbers finds by the repair's numbers (0 for none).
template <class ByNumbers>
Serwis* equipment_of(uint32_t repair_id, ByNumbers&& by_numbers) {
  if (!_mgs) return nullptr;
  std::uint32_t id = 0;
  if (const Naprawy_ext* ext = Naprawy_ext_tab_get_Id_Naprawy(_mgs->_Naprawy_ext_tab, repair_id, VTAB_CMP_EQUAL))
    if (ext->i2 > 0) id = static_cast<std::uint32_t>(ext->i2);
  const Naprawy* repair = Naprawy_tab_get_Id(_mgs->_Naprawy_tab, repair_id, VTAB_CMP_EQUAL);
  if (!repair) return nullptr;
  if (id == 0) id = by_numbers(*repair);
  if (id == 0) return nullptr;
  return Serwis_tab_get_Id(_mgs->_Serwis_tab, id, VTAB_CMP_EQUAL);
}

// The first equipment whose registration number equals the repair's and
// whose frame number equals it exactly; 0 for none.
std::uint32_t by_number_query(const Naprawy& repair) {
  std::uint32_t id = 0;
  Serwis_ref* hits = Serwis_tab_gets_nr_rej(_mgs->_Serwis_tab, repair.nr_rej.c_str(), VTAB_CMP_EQUAL);
  for (tab_ref_elem* e = hits ? hits->first : nullptr; e && id == 0; e = e->next) {
    const Serwis* s = vtab_row<Serwis>(e);
    if (s && std::strcmp(s->nr_ramy.c_str(), repair.nr_ramy.c_str()) == 0) id = s->Id;
  }
  if (hits) Serwis_ref_delete(&hits);
  return id;
}

}  // namespace

Serwis* Serwis_get_by_Naprawy_Id(uint32_t repair_id) { return equipment_of(repair_id, by_number_query); }

// The equipment of each registration number the rows show, in list order (the
// order of the number query).
struct Serwis_by_repairs::numbers {
  std::vector<std::string> wanted;
  bool gathered = false;
  std::unordered_map<std::string_view, std::vector<const Serwis*>> of;
};

Serwis_by_repairs::Serwis_by_repairs(std::vector<std::string> wanted) : by_nr_rej_(std::make_unique<numbers>()) {
  by_nr_rej_->wanted = std::move(wanted);
}
Serwis_by_repairs::~Serwis_by_repairs() = default;

const Serwis* Serwis_by_repairs::get(uint32_t repair_id) {
  return equipment_of(repair_id, [this](const Naprawy& repair) -> std::uint32_t {
    numbers& n = *by_nr_rej_;
    if (!n.gathered) {
      n.gathered = true;
      for (const std::string& w : n.wanted) n.of[w];
      for (const Serwis_listelem* e = _mgs->_Serwis_tab ? _mgs->_Serwis_tab->first : nullptr; e; e = e->next)
        if (const auto at = n.of.find(e->row->nr_rej.c_str()); at != n.of.end()) at->second.push_back(e->row);
    }
    const auto hits = n.of.find(repair.nr_rej.c_str());
    if (hits == n.of.end()) return by_number_query(repair);
    for (const Serwis* s : hits->second)
      if (std::strcmp(s->nr_ramy.c_str(), repair.nr_ramy.c_str()) == 0) return s->Id;
    return 0;
  });
}

namespace {

// Every repair of the numbers and goods, in the order of the query.
template <class Fn>
void each_by_fields(uint32_t goods_id, const char* nr_rej, const char* nr_ramy, Fn&& fn) {
  if (!_mgs) return;
  const std::string_view ramy = nr_ramy ? nr_ramy : "";
  Naprawy_ref* hits = Naprawy_tab_gets_nr_rej(_mgs->_Naprawy_tab, nr_rej ? nr_rej : "", VTAB_CMP_EQUAL);
  for (tab_ref_elem* e = hits ? hits->first : nullptr; e; e = e->next) {
    Naprawy* r = vtab_row<Naprawy>(e);
    if (r && r->Id_Towary__przyjety == goods_id && r->nr_ramy.view() == ramy) fn(r);
  }
  if (hits) Naprawy_ref_delete(&hits);
}

}  // namespace

Naprawy* mgs_Naprawy_find_by_fields(uint32_t goods_id, const char* nr_rej, const char* nr_ramy) {
  Naprawy* found = nullptr;
  each_by_fields(goods_id, nr_rej, nr_ramy, [&](Naprawy* r) {
    if (!found) found = r;
  });
  return found;
}

Naprawy* mgs_Naprawy_find_last_by_fields(uint32_t goods_id, const char* nr_rej, const char* nr_ramy) {
  Naprawy* found = nullptr;
  each_by_fields(goods_id, nr_rej, nr_ramy, [&](Naprawy* r) { found = r; });
  return found;
}

struct Naprawy_by_numbers::numbers {
  std::vector<std::string> wanted;
  bool gathered = false;
  std::unordered_map<std::string_view, std::vector<const Naprawy*>> of;  // in list order
};

Naprawy_by_numbers::Naprawy_by_numbers(std::vector<std::string> wanted) : by_nr_rej_(std::make_unique<numbers>()) {
  by_nr_rej_->wanted = std::move(wanted);
}
Naprawy_by_numbers::~Naprawy_by_numbers() = default;

const Naprawy* Naprawy_by_numbers::find_last(uint32_t goods_id, const char* nr_rej, const char* nr_ramy) {
  if (!_mgs) return nullptr;
  numbers& n = *by_nr_rej_;
  const std::string_view rej = nr_rej ? nr_rej : "";
  if (!n.gathered) {
    n.gathered = true;
    for (const std::string& w : n.wanted) n.of[w];
    for (const Naprawy_listelem* e = _mgs->_Naprawy_tab ? _mgs->_Naprawy_tab->first : nullptr; e; e = e->next)
      if (const auto at = n.of.find(e->row->nr_rej.c_str()); at != n.of.end()) at->second.push_back(e->row);
  }
  const auto hits = n.of.find(rej);
  if (hits == n.of.end()) return mgs_Naprawy_find_last_by_fields(goods_id, nr_rej, nr_ramy);
  const std::string_view ramy = nr_ramy ? nr_ramy : "";
  for (auto r = hits->second.rbegin(); r != hits->second.rend(); ++r)
    if ((*r)->Id_Towary__przyjety == goods_id && (*r)->nr_ramy.view() == ramy) return *r;
  return nullptr;
}

int Serwis_fix0(Serwis* record) {
  if (!record || record->Id_Firmy__klient != 0) return 0;
  const Naprawy* repair =
      mgs_Naprawy_find_by_fields(record->Id_Towary__przyjety, record->nr_rej.c_str(), record->nr_ramy.c_str());
  if (!repair || repair->Id_Firmy__klient == 0) return 0;
  const std::uint32_t owner = repair->Id_Firmy__klient;
  // The stored record only when it has no owner either.
  if (const Serwis* stored = G::find(record->Id); stored && stored->Id_Firmy__klient == 0)
    G::set_field<&Serwis::Id_Firmy__klient>(record->Id, owner);
  record->Id_Firmy__klient = owner;
  return 1;
}
