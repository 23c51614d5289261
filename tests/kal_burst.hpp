// Bursts of real page operations against the real kalmitor program, killed
// with SIGKILL at a random moment, and the checks of what the table files hold
// after the restart.
//
//   kal::burst::Seed seed = kal::burst::make_seed(dir, kal::burst::Scale::small());
//   kal::burst::Runner run(seed, program);         // program "": this build's
//   Round first = run.calibrate(Kind::sale, rng);  // a burst without a kill
//   Round r = run.round(Kind::sale, first.burst_ms, rng);
//   // r.findings: the violations found after the restart
//
// The operations are the ones a user makes on the pages:
//   sale        a new sale from the menu, 1-3 lines added, confirmed;
//   purchase    the same on the purchase pages;
//   acceptance  a repair taken in for a new owner with new equipment;
//   parts       a part added to a stored repair on its parts page (the first
//               part of a repair makes its sale document and links it).
// Each round starts on a fresh copy of the seed, runs operations of one kind
// back to back and kills the program at a moment drawn uniformly from the
// time a few operations take (round), or from the time a storing request
// takes after the first one went out (round_in_store); then starts it again
// on the same directory (which completes or drops what the kill
// interrupted), and checks:
//   - every table file loads whole;
//   - every document's stored total is the sum of its lines, every document
//     has lines, every line has its document;
//   - every part's stock is the seed's plus the purchases less the sales of
//     the lines stored since, and the sum of its warehouse rows;
//   - every repair has its Naprawy_ext row, its Naprawy_roczna record and the
//     equipment that row names, which has its Sprzet_ext record;
//   - a repair's cost is its parts document's total, and every parts document
//     belongs to a repair;
//   - an operation whose reply arrived is stored whole ("acknowledged" is a
//     reply read to its last byte); one whose reply never came is stored
//     whole or not at all.
// Texts are Windows-1250 like the program's; pages travel as ISO-8859-2.
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "db/all_tables.hpp"
#include "db/vtab_file.hpp"
#include "tests/kal_e2e.hpp"
#include "tests/kal_pages.hpp"
#include "tests/kal_table_files.hpp"

namespace kal::burst {

namespace fs = std::filesystem;
using kal::pages::Params;
using kal::tables::blank;
using kal::tables::table_file;

enum class Kind { sale, purchase, acceptance, parts };
inline constexpr Kind kKinds[] = {Kind::sale, Kind::purchase, Kind::acceptance, Kind::parts};

inline const char* name(Kind k) {
  switch (k) {
    case Kind::sale: return "sale";
    case Kind::purchase: return "purchase";
    case Kind::acceptance: return "acceptance";
    case Kind::parts: return "parts";
  }
  return "?";
}

// The kinds of violation, in the order of the report.
inline const std::vector<std::string>& violation_kinds() {
  static const std::vector<std::string> kinds = {
      "table file torn",         "document total != lines", "document without lines", "line without document",
      "stock != seed+lines",     "stock != warehouse rows", "repair without Naprawy_ext",
      "repair without Naprawy_roczna", "repair without equipment", "equipment without Sprzet_ext",
      "koszt_naprawy != document total", "parts document without repair", "acknowledged, not stored whole",
      "unacknowledged, stored half"};
  return kinds;
}

// --- the seed --------------------------------------------------------------------------------

// The size of the seed's tables.
struct Scale {
  int firms, parts, documents, repairs;
  // A few hundred records a table: what a test can afford in a sanitized build.
  static Scale small() { return {200, 60, 200, 150}; }
  // A workshop after some years: 5,000 clients, 3,000 parts, 10,000 sales and
  // purchases of three lines, 10,000 repairs (a third with parts).
  static Scale workshop() { return {5000, 3000, 10000, 10000}; }
  Scale times(double f) const {
    auto at_least = [f](int n, int least) { return std::max(least, static_cast<int>(n * f)); };
    return {at_least(firms, 10), at_least(parts, 10), at_least(documents, 10), at_least(repairs, 20)};
  }
};

inline constexpr std::uint32_t kModel = 1;  // the equipment model every repair takes in
inline constexpr std::uint32_t kRetail = 2;  // the retail customer
inline const char kPartsNumber[] = "0/0000";  // the number of a repair's parts document

struct Seed {
  std::string dir;  // the install directory to copy
  std::map<std::uint32_t, std::int64_t> stock;  // part -> its stock in hundredths
  std::uint32_t last_line = 0;  // the highest line Id of the seed
  std::vector<std::uint32_t> parts, firms;
  std::vector<std::uint32_t> bare_repairs, repairs_with_parts;  // repairs without / with a parts document
};

inline std::int64_t hundredths(double v) { return std::llround(v * 100.0); }

inline std::string money_text(std::int64_t cents) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld,%02lld", static_cast<long long>(cents / 100),
                static_cast<long long>(cents % 100));
  return text;
}

inline bool write_bytes(const fs::path& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

// A copy of the shipped data/ in dir with consistent tables of the scale's
// size: every stock matches its warehouse rows, every total its lines, every
// repair has its side rows and equipment.
inline Seed make_seed(const std::string& dir, const Scale& sc, unsigned random_seed = 2026) {
  std::mt19937 rng(random_seed);
  Seed seed;
  seed.dir = dir;
  std::error_code ec;
  fs::remove_all(dir, ec);
  fs::copy(KAL_SOURCE_DIR "/data", dir, fs::copy_options::recursive, ec);
  const fs::path dat = fs::path(dir) / "dat";
  const std::int64_t when = 1735700000;  // January 2025

  std::vector<Firmy> firms;
  for (int i = 1; i <= sc.firms + 2; ++i) {
    Firmy f = blank<Firmy>();
    f.Id = static_cast<std::uint32_t>(i);
    f.nazwa = i == 1 ? "Nasz serwis" : i == 2 ? "Klient detaliczny" : "Firma " + std::to_string(i) + " Kowalski";
    f.miasto = "Łódź";
    f.telefon = "42 " + std::to_string(100000 + i);
    f.Id_Firmy_typy = 1;
    f.Id_Panstwa = 1;
    firms.push_back(f);
    if (i > 2) seed.firms.push_back(f.Id);
  }

  std::vector<Towary> goods;
  std::vector<Towary_magazyn> stores;
  {
    Towary m = blank<Towary>();
    m.Id = kModel;
    m.nazwa = "Samochód osobowy";
    m.Id_Stawki_VAT = 1;
    m.Id_Towary_typy = 3;
    m.Id_Jednostki_metryczne = 1;
    goods.push_back(m);
  }
  for (int i = 0; i < sc.parts; ++i) {
    Towary t = blank<Towary>();
    t.Id = static_cast<std::uint32_t>(i + 2);
    t.nazwa = "Część " + std::to_string(t.Id);
    t.kod = "P" + std::to_string(t.Id);
    t.cena_sprzedazy = 10.0 + (i % 90);
    t.ostatnia_cena_kupna = 5.0 + (i % 40);
    t.liczba_sztuk = 1000.0 + (i % 50);
    t.Id_Stawki_VAT = 1;
    t.Id_Towary_typy = 1;
    t.Id_Jednostki_metryczne = 1;
    goods.push_back(t);
    seed.parts.push_back(t.Id);
    seed.stock[t.Id] = hundredths(t.liczba_sztuk);
    Towary_magazyn w = blank<Towary_magazyn>();
    w.Id = static_cast<std::uint32_t>(i + 1);
    w.liczba_sztuk = t.liczba_sztuk;
    w.Id_Towary = t.Id;
    w.Id_Magazyny = 1;
    stores.push_back(w);
  }

  std::vector<Transakcje> docs;
  std::vector<Towary_transakcje> lines;
  std::uniform_int_distribution<std::size_t> part(0, seed.parts.size() - 1), firm(0, seed.firms.size() - 1);
  auto add_document = [&](const std::string& numer, std::uint32_t type, std::uint32_t firm_Id, int n_lines) {
    Transakcje d = blank<Transakcje>();
    d.Id = static_cast<std::uint32_t>(docs.size() + 1);
    d.numer = numer;
    d.data_transkacji = d.termin_platnosci = d.data_wystawienia = when;
    d.Id_Firmy = firm_Id;
    d.Id_Transakcje_typy = type;
    d.Id_Formy_platnosci = 1;
    d.wydrukowano = 'N';
    d.odebrano = 'N';
    std::int64_t total = 0;
    for (int l = 0; l < n_lines; ++l) {
      Towary_transakcje t = blank<Towary_transakcje>();
      t.Id = static_cast<std::uint32_t>(lines.size() + 1);
      t.Id_Towary = seed.parts[part(rng)];
      t.Id_Transakcje = d.Id;
      const std::int64_t price = 100 + static_cast<std::int64_t>(rng() % 20000);
      t.cena = price / 100.0;
      t.liczba_sztuk = 1 + rng() % 4;
      t.Id_Magazyny = 1;
      total += price * static_cast<std::int64_t>(t.liczba_sztuk);
      lines.push_back(t);
    }
    d.laczna_wartosc = total / 100.0;
    docs.push_back(d);
    return d;
  };
  for (int i = 0; i < sc.documents; ++i) {
    const bool purchase = i % 2 == 1;
    add_document(std::to_string(i / 2 + 1) + (purchase ? "/D/2025" : "/FV/2025"), purchase ? 2 : 1,
                 seed.firms[firm(rng)], 3);
  }

  std::vector<Naprawy> repairs;
  std::vector<Serwis> equipment;
  std::vector<Naprawy_ext> side;
  std::vector<Naprawy_roczna> annual;
  std::vector<Sprzet_ext> custom;
  for (int i = 1; i <= sc.repairs; ++i) {
    const std::uint32_t client = seed.firms[firm(rng)];
    char reg[16];
    std::snprintf(reg, sizeof reg, "SD%05d", i);
    Naprawy r = blank<Naprawy>();
    r.Id = static_cast<std::uint32_t>(i);
    r.numer = std::to_string(i) + "/2025";
    r.data_wplywu = when + i * 600;
    r.Id_Firmy__klient = client;
    r.Id_Naprawy_typy = 1;
    r.Id_Firmy__naprawiajacy = 1;
    r.Id_Towary__przyjety = kModel;
    r.Id_Naprawy_stany = 3;
    r.opis_uszkodzenia = "Stuki w zawieszeniu, klient prosi o telefon.";
    r.nr_rej = reg;
    r.model = "Astra";
    if (i % 3 == 0) {
      const Transakcje d = add_document(kPartsNumber, 1, client, 2);
      r.Id_Transakcje = d.Id;
      r.koszt_naprawy = d.laczna_wartosc;
      seed.repairs_with_parts.push_back(r.Id);
    } else {
      seed.bare_repairs.push_back(r.Id);
    }
    repairs.push_back(r);
    Serwis s = blank<Serwis>();
    s.Id = r.Id;
    s.Id_Firmy__klient = client;
    s.Id_Towary__przyjety = kModel;
    s.nr_rej = reg;
    s.nr_ramy = std::string("R") + reg;
    s.model = "Astra";
    s.Id_Naprawy__ostatnia = r.Id;
    equipment.push_back(s);
    Naprawy_ext e = blank<Naprawy_ext>();
    e.Id_Naprawy = r.Id;
    e.i2 = static_cast<std::int32_t>(s.Id);
    side.push_back(e);
    Naprawy_roczna a = blank<Naprawy_roczna>();
    a.Id = r.Id;
    a.Id_Serwis = s.Id;
    annual.push_back(a);
    Sprzet_ext x = blank<Sprzet_ext>();
    x.Id_Serwis = s.Id;
    custom.push_back(x);
  }
  seed.last_line = static_cast<std::uint32_t>(lines.size());

  const std::pair<const char*, std::string> files[] = {
      {"Firmy", table_file(firms)},         {"Towary", table_file(goods)},
      {"Towary_magazyn", table_file(stores)}, {"Transakcje", table_file(docs)},
      {"Towary_transakcje", table_file(lines)}, {"Naprawy", table_file(repairs)},
      {"Serwis", table_file(equipment)},    {"Naprawy_ext", table_file(side)},
      {"Naprawy_roczna", table_file(annual)}, {"Sprzet_ext", table_file(custom)}};
  for (const auto& [table, bytes] : files) {
    if (!write_bytes(dat / (std::string(table) + ".dat"), bytes)) seed.dir.clear();
  }
  return seed;
}

// --- the operations --------------------------------------------------------------------------

struct Line {
  std::uint32_t goods;
  std::int64_t count;  // whole pieces
  std::int64_t price;  // gross, in hundredths
  bool operator<(const Line& o) const {
    return std::tie(goods, count, price) < std::tie(o.goods, o.count, o.price);
  }
  bool operator==(const Line& o) const { return goods == o.goods && count == o.count && price == o.price; }
};

struct Op {
  Kind kind = Kind::sale;
  std::string tag;  // sale, purchase: the remarks; acceptance: the owner's name
  std::string reg;  // acceptance: the registration number
  std::uint32_t repair = 0;  // parts
  std::vector<Line> lines;
  // not_sent: the request that stores it never went out; sent: it went out
  // and no whole reply came; stored: a whole reply that says nothing failed;
  // refused: a whole reply that says something failed.
  enum State { not_sent, sent, stored, refused } state = not_sent;
  double commit_ms = 0;  // how long the storing request took
  std::string reply;  // the storing request's reply (refused ones)
};

struct Reply {
  bool whole = false;  // a status line and as many body bytes as Content-Length says
  std::string body;  // Windows-1250
};

class Driver {
 public:
  Driver(e2e::Server& srv, const Seed& seed, std::mt19937& rng, int round)
      : srv_(srv), seed_(seed), rng_(rng), round_(round) {}

  // A session as the administrator everybody is while no user exists.
  bool login() {
    const Reply r = raw_post("/login.htm", "sess_code=&action=" + pages::url_encode(setting("Wejscie_text")));
    std::smatch m;
    if (!r.whole || !std::regex_search(r.body, m, std::regex("sess_code=([0-9a-f]{32})"))) return false;
    code_ = m[1];
    return true;
  }

  // Runs one operation of the kind; false when a reply did not come whole
  // (the program died).
  bool run(Kind kind, Op& op) {
    op = Op{};
    op.kind = kind;
    ++seq_;
    switch (kind) {
      case Kind::sale:
      case Kind::purchase: return document(kind == Kind::purchase, op);
      case Kind::acceptance: return acceptance(op);
      case Kind::parts: return part(op);
    }
    return false;
  }

  // Called as each storing request is about to go out.
  std::function<void()> on_store;

  std::string setting(const std::string& key) {
    auto it = settings_.find(key);
    if (it != settings_.end()) return it->second;
    const std::string file = pages::read_file(srv_.file("ustawienia.txt"));
    const std::size_t at = file.find("\n" + key + " ");
    std::string value = key;
    if (at != std::string::npos) {
      const std::size_t start = at + key.size() + 2;
      value = file.substr(start, file.find('\r', start) - start);
    }
    settings_[key] = value;
    return value;
  }

 private:
  static bool failed(const std::string& page) {
    return page.find("COLOR=\"RED\"") != std::string::npos || page.find("class=\"error\"") != std::string::npos;
  }

  Reply raw_post(const std::string& path, const std::string& body) {
    const std::string req = "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: "
                            "application/x-www-form-urlencoded\r\nContent-Length: " +
                            std::to_string(body.size()) + "\r\n\r\n" + body;
    return parse(srv_.request(req, 60000));
  }
  static Reply parse(const std::string& raw) {
    const e2e::HttpReply h = e2e::parse_reply(raw);
    Reply r;
    const std::string* length = h.header("Content-Length");
    r.whole = h.status == 200 && length && std::to_string(h.body.size()) == *length;
    r.body = pages::page_text(h.body);
    return r;
  }
  Reply post(const std::string& path, const Params& fields) {
    std::string body = "sess_code=" + code_;
    for (const auto& [k, v] : fields) body += "&" + pages::url_encode(k) + "=" + pages::url_encode(v);
    return raw_post(path, body);
  }
  Reply get(const std::string& target) {
    return parse(srv_.request("GET " + target + "&sess_code=" + code_ + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 60000));
  }
  // The storing request of op, timed, with op's state following it.
  Reply store(Op& op, const std::string& path, const Params& fields) {
    op.state = Op::sent;
    if (on_store) on_store();
    const auto t = std::chrono::steady_clock::now();
    Reply r = post(path, fields);
    op.commit_ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
    if (r.whole) {
      op.state = failed(r.body) ? Op::refused : Op::stored;
      if (op.state == Op::refused) op.reply = r.body;
    }
    return r;
  }

  std::string tag() const {
    char text[32];
    std::snprintf(text, sizeof text, "%04d%04d", round_ % 10000, seq_ % 10000);
    return text;
  }
  Line random_line() {
    std::uniform_int_distribution<std::size_t> part(0, seed_.parts.size() - 1);
    Line l;
    l.goods = seed_.parts[part(rng_)];
    l.count = 1 + static_cast<std::int64_t>(rng_() % 3);
    l.price = 100 + static_cast<std::int64_t>(rng_() % 50000);
    return l;
  }

  bool document(bool purchase, Op& op) {
    const std::string path = purchase ? "/dostawa.htm" : "/sprzedaz.htm";
    const std::string button = purchase ? "n_1" : "n_3";
    // From the menu: a fresh form with a new number.
    const Reply menu = get(purchase ? "/dostawa.htm?n_1=Nowa%20Dostawa" : "/sprzedaz.htm?n_3=Nowa%20Sprzeda%BF");
    std::smatch m;
    if (!menu.whole) return false;
    const std::string numer =
        std::regex_search(menu.body, m, std::regex("NAME=\"Transakcje_numer\" VALUE=\"([^\"]*)\"")) ? m[1].str() : "";
    const int n = 1 + static_cast<int>(rng_() % 3);
    for (int i = 0; i < n; ++i) {
      const Line l = random_line();
      const Reply r = post(path, {{button, setting("Dodaj_button")},
                                  {"Towary_transakcje_Id_Towary", std::to_string(l.goods)},
                                  {"Towary_transakcje_liczba_sztuk", std::to_string(l.count)},
                                  {"Towary_transakcje_cena", money_text(l.price)}});
      if (!r.whole) return false;
      op.lines.push_back(l);
    }
    op.tag = std::string(purchase ? "dostawa " : "sprzedaz ") + tag();
    std::uniform_int_distribution<std::size_t> firm(0, seed_.firms.size() - 1);
    const std::uint32_t firm_Id = purchase || rng_() % 2 ? seed_.firms[firm(rng_)] : kRetail;
    return store(op, path, {{button, setting("Zatwierdz_button")},
                            {"Transakcje_numer", numer},
                            {"Transakcje_Id_Firmy", std::to_string(firm_Id)},
                            {"Transakcje_uwagi", op.tag}})
        .whole;
  }

  bool acceptance(Op& op) {
    if (!post("/p.htm", {{"n_30", "Nowa Naprawa"}}).whole) return false;
    op.tag = "Klient " + tag();
    op.reg = "KR" + tag();
    return store(op, "/p.htm", {{"Wlasciciel.Firmy_nazwa", op.tag},
                                {"Wlasciciel.Firmy_miasto", "Radom"},
                                {"Wlasciciel.Firmy_telefon", "600 " + tag()},
                                {"SerwisNew_Serwis_nr_rej", op.reg},
                                {"SerwisNew_Serwis_nr_ramy", "VF" + tag()},
                                {"NaprawyNew_Naprawy_Id_Towary__przyjety", std::to_string(kModel)},
                                {"NaprawyNew_Naprawy_opis_uszkodzenia", "nie odpala, " + tag()},
                                {"n_30", setting("Przyjmij_towar_button")}})
        .whole;
  }

  bool part(Op& op) {
    // Every other part goes to a repair without parts yet, which makes its
    // document; each such repair once a round.
    if (rng_() % 2 == 0 && used_bare_ < seed_.bare_repairs.size()) {
      if (used_bare_ == 0) {
        bare_ = seed_.bare_repairs;
        std::shuffle(bare_.begin(), bare_.end(), rng_);
      }
      op.repair = bare_[used_bare_++];
    } else {
      std::uniform_int_distribution<std::size_t> pick(0, seed_.repairs_with_parts.size() - 1);
      op.repair = seed_.repairs_with_parts[pick(rng_)];
    }
    const std::string repair = std::to_string(op.repair);
    const Reply page = post("/czesci_uslugi.htm", {{"Naprawy_Id", repair}, {"n_25", "e"}});
    if (!page.whole) return false;
    std::smatch m;
    const std::string state =
        std::regex_search(page.body, m, std::regex("NAME=\"Towary_transakcje_stan\" VALUE=\"([^\"]*)\"")) ? m[1].str()
                                                                                                         : "";
    const Line l = random_line();
    op.lines.push_back(l);
    return store(op, "/czesci_uslugi.htm", {{"Naprawy_Id", repair},
                                            {"n_25", setting("Dodaj_towar_usluge_button")},
                                            {"Towary_transakcje_stan", state},
                                            {"Towary_transakcje_Id_Towary", std::to_string(l.goods)},
                                            {"Towary_transakcje_liczba_sztuk", std::to_string(l.count)},
                                            {"Towary_transakcje_brutto", money_text(l.price)}})
        .whole;
  }

  e2e::Server& srv_;
  const Seed& seed_;
  std::mt19937& rng_;
  int round_;
  int seq_ = 0;
  std::string code_;
  std::map<std::string, std::string> settings_;
  std::vector<std::uint32_t> bare_;
  std::size_t used_bare_ = 0;
};

// --- the checks -------------------------------------------------------------------------------

// The records of a table file read by the table's own loader; *damaged the
// records it could not read.
template <class T>
std::vector<T> load_rows(const std::string& path, int* damaged) {
  std::vector<T> rows;
  kal::TextIn in;
  if (vtab_file_open(path, in) != 0) {
    ++*damaged;
    return rows;
  }
  auto* tab = vtab_api<T>::tab_new();
  if (vtab_api<T>::tab_load(in, tab) != 0) ++*damaged;
  *damaged += tab->damaged;
  for (auto* e = tab->first; e; e = e->next) rows.push_back(*e->row);
  vtab_api<T>::tab_delete(&tab);
  return rows;
}

struct Findings {
  std::map<std::string, int> count;  // violation kind -> how many
  std::vector<std::string> notes;  // the first few, said in words
  void add(const std::string& kind, const std::string& what) {
    ++count[kind];
    if (notes.size() < 12) notes.push_back(kind + ": " + what);
  }
  bool empty() const { return count.empty(); }
};

// Checks the table files of the install directory against each other, the
// seed and the operations run on them.
inline Findings check(const std::string& install, const Seed& seed, const std::vector<Op>& ops) {
  Findings f;
  const std::string dat = install + "/dat/";
  auto load = [&](const char* table, auto* type) {
    using T = std::remove_pointer_t<decltype(type)>;
    int damaged = 0;
    std::vector<T> rows = load_rows<T>(dat + table + ".dat", &damaged);
    if (damaged) f.add("table file torn", std::string(table) + ".dat: " + std::to_string(damaged) + " record(s)");
    return rows;
  };
  const auto docs = load("Transakcje", static_cast<Transakcje*>(nullptr));
  const auto lines = load("Towary_transakcje", static_cast<Towary_transakcje*>(nullptr));
  const auto goods = load("Towary", static_cast<Towary*>(nullptr));
  const auto stores = load("Towary_magazyn", static_cast<Towary_magazyn*>(nullptr));
  const auto repairs = load("Naprawy", static_cast<Naprawy*>(nullptr));
  const auto equipment = load("Serwis", static_cast<Serwis*>(nullptr));
  const auto side = load("Naprawy_ext", static_cast<Naprawy_ext*>(nullptr));
  const auto annual = load("Naprawy_roczna", static_cast<Naprawy_roczna*>(nullptr));
  const auto custom = load("Sprzet_ext", static_cast<Sprzet_ext*>(nullptr));
  const auto firms = load("Firmy", static_cast<Firmy*>(nullptr));

  // Documents and their lines.
  std::map<std::uint32_t, const Transakcje*> doc_by_Id;
  for (const auto& d : docs) doc_by_Id[d.Id] = &d;
  std::map<std::uint32_t, std::int64_t> sum;  // document -> its lines' total
  std::map<std::uint32_t, std::vector<Line>> doc_lines;
  std::map<std::uint32_t, std::int64_t> moved;  // part -> stock moved by lines stored after the seed
  for (const auto& l : lines) {
    const std::int64_t price = hundredths(l.cena), count = hundredths(l.liczba_sztuk);
    auto d = doc_by_Id.find(l.Id_Transakcje);
    if (d == doc_by_Id.end()) {
      f.add("line without document", "line " + std::to_string(l.Id) + " of document " + std::to_string(l.Id_Transakcje));
      continue;
    }
    sum[l.Id_Transakcje] += price * count / 100;
    doc_lines[l.Id_Transakcje].push_back({l.Id_Towary, count / 100, price});
    if (l.Id > seed.last_line) moved[l.Id_Towary] += d->second->Id_Transakcje_typy == 2 ? count : -count;
  }
  for (const auto& d : docs) {
    if (!doc_lines.count(d.Id)) {
      f.add("document without lines", "document " + std::to_string(d.Id) + " '" + d.numer.str() + "'");
      continue;
    }
    if (hundredths(d.laczna_wartosc) != sum[d.Id])
      f.add("document total != lines", "document " + std::to_string(d.Id) + " stores " +
                                            money_text(hundredths(d.laczna_wartosc)) + ", its lines sum to " +
                                            money_text(sum[d.Id]));
  }

  // Stock.
  std::map<std::uint32_t, std::int64_t> in_stores;
  for (const auto& w : stores) in_stores[w.Id_Towary] += hundredths(w.liczba_sztuk);
  for (const auto& g : goods) {
    auto s = seed.stock.find(g.Id);
    if (s == seed.stock.end()) continue;
    const std::int64_t have = hundredths(g.liczba_sztuk), want = s->second + moved[g.Id];
    if (have != want)
      f.add("stock != seed+lines", "part " + std::to_string(g.Id) + " holds " + money_text(have) + ", its lines say " +
                                       money_text(want));
    if (have != in_stores[g.Id])
      f.add("stock != warehouse rows", "part " + std::to_string(g.Id) + " holds " + money_text(have) +
                                           ", its warehouse rows " + money_text(in_stores[g.Id]));
  }

  // Repairs.
  std::map<std::uint32_t, const Naprawy_ext*> side_of;
  for (const auto& e : side) side_of[e.Id_Naprawy] = &e;
  std::set<std::uint32_t> annual_of, custom_of, equipment_Ids;
  for (const auto& a : annual) annual_of.insert(a.Id);
  for (const auto& x : custom) custom_of.insert(x.Id_Serwis);
  for (const auto& s : equipment) equipment_Ids.insert(s.Id);
  std::set<std::uint32_t> owned_docs;
  for (const auto& r : repairs) {
    const std::string repair = "repair " + std::to_string(r.Id);
    auto e = side_of.find(r.Id);
    if (e == side_of.end()) {
      f.add("repair without Naprawy_ext", repair);
    } else {
      const std::uint32_t item = static_cast<std::uint32_t>(e->second->i2);
      if (!equipment_Ids.count(item))
        f.add("repair without equipment", repair + " names equipment " + std::to_string(item));
      else if (!custom_of.count(item))
        f.add("equipment without Sprzet_ext", "equipment " + std::to_string(item) + " of " + repair);
    }
    if (!annual_of.count(r.Id)) f.add("repair without Naprawy_roczna", repair);
    if (r.Id_Transakcje != 0) {
      owned_docs.insert(r.Id_Transakcje);
      auto d = doc_by_Id.find(r.Id_Transakcje);
      const std::int64_t cost = hundredths(r.koszt_naprawy);
      if (d == doc_by_Id.end())
        f.add("koszt_naprawy != document total", repair + " names missing document " + std::to_string(r.Id_Transakcje));
      else if (cost != hundredths(d->second->laczna_wartosc))
        f.add("koszt_naprawy != document total", repair + " costs " + money_text(cost) + ", its document totals " +
                                                     money_text(hundredths(d->second->laczna_wartosc)));
    }
  }
  for (const auto& d : docs)
    if (d.numer.str() == kPartsNumber && !owned_docs.count(d.Id))
      f.add("parts document without repair", "document " + std::to_string(d.Id));

  // The operations: whole when acknowledged, whole or absent when not.
  auto verdict = [&](const Op& op, int present, int of, const std::string& what) {
    if (op.state == Op::stored && present != of)
      f.add("acknowledged, not stored whole", std::string(name(op.kind)) + " " + what);
    else if (op.state != Op::stored && present != 0 && present != of)
      f.add("unacknowledged, stored half", std::string(name(op.kind)) + " " + what);
  };
  for (const Op& op : ops) {
    if (op.state == Op::not_sent) continue;
    if (op.kind == Kind::sale || op.kind == Kind::purchase) {
      const Transakcje* doc = nullptr;
      for (const auto& d : docs)
        if (d.uwagi.str() == op.tag) doc = &d;
      std::vector<Line> want = op.lines, have = doc ? doc_lines[doc->Id] : std::vector<Line>{};
      std::sort(want.begin(), want.end());
      std::sort(have.begin(), have.end());
      verdict(op, doc ? (have == want ? 2 : 1) : 0, 2, "'" + op.tag + "'");
    } else if (op.kind == Kind::acceptance) {
      int present = 0;
      std::uint32_t repair = 0, item = 0;
      for (const auto& c : firms) present += c.nazwa.str() == op.tag;
      for (const auto& s : equipment)
        if (s.nr_rej.str() == op.reg) item = s.Id;
      for (const auto& r : repairs)
        if (r.nr_rej.str() == op.reg) repair = r.Id;
      present += (item != 0) + (repair != 0);
      present += repair && side_of.count(repair) && static_cast<std::uint32_t>(side_of[repair]->i2) == item;
      present += repair && annual_of.count(repair);
      present += item && custom_of.count(item);
      verdict(op, present, 6, "'" + op.tag + "' (" + std::to_string(present) + " of 6 records)");
    } else {
      std::uint32_t doc = 0;
      for (const auto& r : repairs)
        if (r.Id == op.repair) doc = r.Id_Transakcje;
      const auto& have = doc_lines[doc];
      const bool found = doc != 0 && std::find(have.begin(), have.end(), op.lines[0]) != have.end();
      // Half of a part shows in the relations above; here only whether it is there.
      if (op.state == Op::stored && !found)
        f.add("acknowledged, not stored whole", "part of repair " + std::to_string(op.repair));
    }
  }
  return f;
}

// --- the rounds -------------------------------------------------------------------------------

struct Round {
  bool ok = false;  // the program started, took the session and came back
  std::string error;  // when not ok
  std::vector<Op> ops;
  Findings findings;
  double burst_ms = 0;  // from the first request of the burst to its end
  std::string log;  // the console output of the restart
  // What the restart found of the saves the kill interrupted: a commit
  // completed from its record, temporary files removed.
  bool completed() const { return log.find("replaced, as the interrupted commit had it") != std::string::npos; }
  bool dropped() const {
    return log.find("remove_rewrite_leftovers() removed") != std::string::npos ||
           log.find("of a commit never made") != std::string::npos;
  }
};

class Runner {
 public:
  Runner(const Seed& seed, std::string program = "") : seed_(seed), program_(std::move(program)) {}

  // A burst of ops operations without a kill, then the same restart and
  // checks as a round: the time the burst took is a window for the kills,
  // the times of its storing requests another.
  Round calibrate(Kind kind, std::mt19937& rng, int ops = 3) { return run(kind, Kill::none, 0, rng, ops); }

  // A burst killed at a moment drawn from [0, window_ms) after its start.
  Round round(Kind kind, double window_ms, std::mt19937& rng) { return run(kind, Kill::burst, window_ms, rng, 1000); }

  // A burst killed at a moment drawn from [0, window_ms) after its first
  // storing request went out: a kill in the middle of the writes.
  Round round_in_store(Kind kind, double window_ms, std::mt19937& rng) {
    return run(kind, Kill::store, window_ms, rng, 1000);
  }

 private:
  enum class Kill { none, burst, store };

  Round run(Kind kind, Kill how, double window_ms, std::mt19937& rng, int max_ops) {
    Round r;
    e2e::Server::Options o;
    o.program = program_;
    o.data_dir = seed_.dir;
    o.start_timeout_ms = 60000;
    e2e::Server srv(o);
    if (!srv.start()) {
      r.error = "the program did not start: " + srv.log();
      return r;
    }
    Driver d(srv, seed_, rng, ++rounds_);
    if (!d.login()) {
      r.error = "no session: " + srv.log();
      return r;
    }
    for (const char* key : {"Dodaj_button", "Zatwierdz_button", "Przyjmij_towar_button", "Dodaj_towar_usluge_button"})
      d.setting(key);

    // The killer waits for its moment: the burst's start, or the first
    // storing request; then for the delay drawn.
    using clock = std::chrono::steady_clock;
    const auto delay = std::chrono::microseconds(
        static_cast<long long>(std::uniform_real_distribution<double>(0.0, window_ms)(rng) * 1000));
    std::mutex m;
    std::condition_variable cv;
    bool armed = false, over = false;
    clock::time_point from;
    auto arm = [&] {
      std::lock_guard<std::mutex> lock(m);
      if (!armed) armed = true, from = clock::now();
      cv.notify_one();
    };
    const pid_t pid = srv.pid();
    std::thread killer;
    if (how != Kill::none)
      killer = std::thread([&, pid] {
        std::unique_lock<std::mutex> lock(m);
        cv.wait(lock, [&] { return armed || over; });
        if (!armed) return;
        const clock::time_point at = from + delay;
        lock.unlock();
        std::this_thread::sleep_until(at);
        ::kill(pid, SIGKILL);
      });
    if (how == Kill::store) d.on_store = arm;
    const auto start = clock::now();
    if (how == Kill::burst) arm();
    for (int i = 0; i < max_ops; ++i) {
      r.ops.emplace_back();
      if (!d.run(kind, r.ops.back())) break;
    }
    r.burst_ms = std::chrono::duration<double, std::milli>(clock::now() - start).count();
    {
      std::lock_guard<std::mutex> lock(m);
      over = true;
      cv.notify_one();
    }
    if (killer.joinable()) killer.join();
    if (armed) srv.wait_exit(10000);
    srv.kill();  // killed already, or, without a kill, now (the program is idle)

    const std::size_t before = srv.log().size();
    if (!srv.restart()) {
      r.error = "the program did not start again: " + srv.log().substr(before);
      return r;
    }
    // It listens before it loads; a reply comes after the load.
    srv.get("/");
    r.log = srv.log().substr(before);
    r.findings = check(srv.install_dir(), seed_, r.ops);
    srv.kill();
    r.ok = true;
    return r;
  }

  const Seed& seed_;
  std::string program_;
  int rounds_ = 0;
};

}  // namespace kal::burst
