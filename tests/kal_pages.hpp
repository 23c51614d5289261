// Pages of the real kalmitor program from a test: a server on a copy of
// data/ with the test's own files over it, a session logged in, forms posted
// with their fields, and the table files read back as the oracle.
//
//   kal::pages::Site site({{"dat/Firmy.dat", firms}});
//   ASSERT_TRUE(site.start()) << site.log();
//   std::string page = site.post({{"n_61", site.setting("Dodaj_button")}});
//   EXPECT_EQ(site.dat("Naprawy_wykonawcy"), ...);
//
// Texts in this file's literals and in what the helpers give back are
// Windows-1250 (the program's own code page); the pages travel as UTF-8.
#pragma once

#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "pagemgr/pagemgr.hpp"
#include "pagemgr/users_auth.hpp"
#include "platform/textfile.hpp"
#include "tests/kal_e2e.hpp"
#include "tests/kal_testutil.hpp"

namespace kal::pages {

using Params = std::vector<std::pair<std::string, std::string>>;

using kaltest::page_text;

// Every byte a browser would escape in a form body, escaped.
inline std::string percent_encode(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.') {
      out += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    }
  }
  return out;
}

// A Windows-1250 text as a browser sends it: UTF-8, percent-encoded.
inline std::string url_encode(const std::string& text) {
  return percent_encode(kaltest::recode("CP1250", "UTF-8", text).value_or(text));
}

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The fields of every record of a table file, by the record's Id (the first
// field); texts without their quotes.  One record a line.
inline std::map<unsigned, std::vector<std::string>> records(const std::string& file) {
  std::map<unsigned, std::vector<std::string>> out;
  const std::regex field("'((?:[^']|'')*)'|(\\S+)");
  std::size_t start = file.find('\n') + 1;
  while (start > 0 && start < file.size()) {
    std::size_t end = file.find('\n', start);
    if (end == std::string::npos) end = file.size();
    const std::string line = file.substr(start, end - start);
    std::vector<std::string> fields;
    for (auto it = std::sregex_iterator(line.begin(), line.end(), field); it != std::sregex_iterator(); ++it)
      fields.push_back((*it)[1].matched ? (*it)[1].str() : (*it)[2].str());
    if (!fields.empty()) out[static_cast<unsigned>(std::stoul(fields[0]))] = fields;
    start = end + 1;
  }
  return out;
}

// The version line of every table file.
inline const char kHead[] = "KALMITOR 1.0 http://kalmitor.example/\r\n";

// A text of a page with its character references resolved.
inline std::string html_unescape(const std::string& text) {
  static const std::pair<const char*, char> named[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'},
                                                       {"apos", '\''}, {"nbsp", '\xA0'}};
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t semi = text[i] == '&' ? text.find(';', i) : std::string::npos;
    if (semi == std::string::npos || semi - i > 8) {
      out += text[i];
      continue;
    }
    const std::string ref = text.substr(i + 1, semi - i - 1);
    bool done = false;
    if (ref.size() > 1 && ref[0] == '#') {
      out += static_cast<char>(std::stoi(ref.substr(1)));
      done = true;
    }
    for (const auto& [n, c] : named)
      if (!done && ref == n) out += c, done = true;
    if (!done) out += text[i];
    else i = semi;
  }
  return out;
}

// The fields of the page's first form as a browser posts it when none of
// its buttons is pressed: text and hidden inputs, ticked boxes and radio
// buttons, the chosen option of each list (else its first) and the text
// areas, in the page's order.
inline Params form_fields(const std::string& page) {
  Params out;
  const std::regex tag("<(/?)(form|input|select|option|textarea)\\b([^>]*)>", std::regex::icase);
  const std::regex attr("([A-Za-z_]+)(?:\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+)))?");
  auto attrs = [&](const std::string& text) {
    std::map<std::string, std::string> a;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), attr); it != std::sregex_iterator(); ++it) {
      std::string name = (*it)[1];
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      a[name] = html_unescape((*it)[2].matched ? (*it)[2] : (*it)[3].matched ? (*it)[3] : (*it)[4]);
    }
    return a;
  };
  bool in_form = false;
  std::string select;  // the list being read
  std::string first, chosen;
  bool any = false, picked = false;
  for (auto it = std::sregex_iterator(page.begin(), page.end(), tag); it != std::sregex_iterator(); ++it) {
    const bool closing = (*it)[1].length() > 0;
    std::string kind = (*it)[2];
    for (char& c : kind) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (kind == "form") {
      if (closing && in_form) break;
      in_form = !closing;
      continue;
    }
    if (!in_form) continue;
    auto a = attrs((*it)[3]);
    if (kind == "input" && !closing) {
      std::string type = a.count("type") ? a["type"] : "text";
      for (char& c : type) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (a["name"].empty()) continue;
      if (type == "text" || type == "hidden" || ((type == "radio" || type == "checkbox") && a.count("checked")))
        out.emplace_back(a["name"], a["value"]);
    } else if (kind == "select") {
      if (!closing) {
        select = a["name"], any = picked = false;
      } else if (!select.empty() && any) {
        out.emplace_back(select, picked ? chosen : first);
        select.clear();
      }
    } else if (kind == "option" && !closing && !select.empty()) {
      if (!any) first = a["value"], any = true;
      if (a.count("selected") && !picked) chosen = a["value"], picked = true;
    } else if (kind == "textarea" && !closing) {
      const std::size_t from = static_cast<std::size_t>(it->position() + it->length());
      const std::size_t to = page.find("</", from);
      std::string text = page.substr(from, to - from);
      if (!text.empty() && text[0] == '\n') text.erase(0, 1);
      out.emplace_back(a["name"], html_unescape(text));
    }
  }
  return out;
}

// A table file of firms (Id and name, nothing else filled in).
inline std::string firms_file(const std::vector<std::pair<unsigned, std::string>>& firms) {
  std::string f = kHead;
  for (const auto& [id, name] : firms)
    f += " " + std::to_string(id) + " '" + name + "' '' '' '' '' '' '' '' '' '' '' '' '' '' 1 0 1700000000 0\r\n";
  return f;
}

class Site {
 public:
  explicit Site(std::vector<std::pair<std::string, std::string>> files = {}) {
    e2e::Server::Options o;
    o.files = std::move(files);
    srv_ = std::make_unique<e2e::Server>(o);
  }
  ~Site() {
    if (srv_->running()) srv_->stop();
  }

  // Starts the program and logs in: as the administrator everybody is while
  // no user exists, or as the user named.  False when either fails.
  bool start(const std::string& user = "", const std::string& password = "") {
    if (!srv_->start()) return false;
    return user.empty() ? enter() : log_in(user, password);
  }
  // A new session of the user (the old one is left as it is).
  bool log_in(const std::string& user, const std::string& password) {
    const e2e::HttpReply r =
        srv_->post("/login.htm", "sess_code=&user_name=" + url_encode(user) + "&user_pass=" + url_encode(password));
    last_ = page_text(r.body);
    return take_code(r.body);
  }
  bool enter() {
    const e2e::HttpReply r = srv_->post("/login.htm", "sess_code=&action=" + url_encode(setting("Wejscie_text")));
    last_ = page_text(r.body);
    return take_code(r.body);
  }

  // The value of a setting in the install directory's "ustawienia.txt" (the
  // key itself when it has none).
  std::string setting(const std::string& key) const {
    const std::string file = read_file(srv_->file("ustawienia.txt"));
    const std::size_t at = file.find("\n" + key + " ");
    if (at == std::string::npos) return key;
    const std::size_t start = at + key.size() + 2;
    return file.substr(start, file.find('\r', start) - start);
  }

  // Posts the fields to path with the session's code; the reply's body.
  std::string post(const Params& fields, const std::string& path = "/p.htm") {
    std::string body = "sess_code=" + code_;
    for (const auto& [k, v] : fields) body += "&" + url_encode(k) + "=" + url_encode(v);
    const e2e::HttpReply r = srv_->post(path, body);
    last_status_ = r.status;
    last_ = page_text(r.body);
    return last_;
  }
  // The same as a GET of path + "?" + the fields.
  std::string get(const std::string& path, const Params& fields = {}) {
    std::string query = "sess_code=" + code_;
    for (const auto& [k, v] : fields) query += "&" + url_encode(k) + "=" + url_encode(v);
    const e2e::HttpReply r = srv_->get(path + "?" + query);
    last_status_ = r.status;
    last_ = page_text(r.body);
    return last_;
  }

  std::string dat(const std::string& table) const { return read_file(srv_->file("dat/" + table + ".dat")); }
  std::string file(const std::string& name) const { return read_file(srv_->file(name)); }
  const std::string& code() const { return code_; }
  const std::string& last() const { return last_; }
  int last_status() const { return last_status_; }
  e2e::Server& server() { return *srv_; }
  std::string log() const { return srv_->log(); }
  int stop() { return srv_->stop(); }

 private:
  bool take_code(const std::string& body) {
    std::smatch m;
    if (!std::regex_search(body, m, std::regex("sess_code=([0-9a-f]{32})"))) return false;
    code_ = m[1];
    return true;
  }

  std::unique_ptr<e2e::Server> srv_;
  std::string code_, last_;
  int last_status_ = 0;
};

// "Users.dat" made by the page manager itself: Id, login, password and
// role of each user.
struct UserRow {
  std::uint32_t id;
  const char* name;
  const char* password;
  std::uint32_t type;
};
inline std::string users_file(const std::vector<UserRow>& users) {
  _pagemgr = pagemgr_new();
  for (const UserRow& u : users) {
    Users row{};
    row.Id = u.id;
    row.user_name = u.name;
    row.created_time = 1700000000;
    row.Id_User_types = u.type;
    Users_tab_insert(_pagemgr->_Users_tab, &row);
    users_set_password(u.id, u.password);
  }
  kal::TextOut out;
  Users_tab_save(out, _pagemgr->_Users_tab);
  pagemgr_delete(&_pagemgr);
  return kal::text_to_disk(out.text());
}

}  // namespace kal::pages
