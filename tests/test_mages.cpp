// The page dispatcher and the template resolver, driven in this process as
// the server loop drives them: request tables, sess_start, mages_run,
// sess_end, in a temporary install directory with templates of our own.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "lib/qq.hpp"
#include "mages/mages.hpp"
#include "mages/mgs_pages.hpp"
#include "mages/qq_main.hpp"
#include "pagemgr/users_auth.hpp"
#include "platform/textfile.hpp"
#include "server/html_form.hpp"
#include "server/oo_texts.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "tests/sess_env.hpp"

namespace {

using namespace sess_env;

// --- the page-id table ------------------------------------------------------------------

TEST(PageTable, EveryRowIsFoundByNameAndIdAndBothLookUpsAgree) {
  ASSERT_EQ(MGS_PAGE_cross_count, 110);
  std::set<int> ids;
  for (int i = 0; i < MGS_PAGE_cross_count; ++i) {
    const MGS_PAGE_cross& row = MGS_PAGE_cross_tbl[i];
    EXPECT_TRUE(ids.insert(row.id).second) << "id " << row.id << " twice";
    const std::string symbol = std::string("MGS_PAGE_") + row.name;
    EXPECT_EQ(mages_nav_id(symbol.c_str()), row.id) << symbol;
    EXPECT_EQ(mages_nav_id0(symbol.c_str()), row.id) << symbol;
    EXPECT_STREQ(mages_nav_name(row.id), row.name);
  }
  // The table keeps its order: first and last rows.
  EXPECT_STREQ(MGS_PAGE_cross_tbl[0].name, "DostawaN");
  EXPECT_STREQ(MGS_PAGE_cross_tbl[109].name, "FAQ");
  EXPECT_EQ(MGS_PAGE_Firmy9, 309);
  EXPECT_EQ(MGS_PAGE_NaprawyU, 101);
}

TEST(PageTable, NamesMustMatchWholeAndExactly) {
  struct Case {
    const char* text;
    int id;
  } cases[] = {
      {"MGS_PAGE_FAQ", 21},      {"FAQ", -1},           {"MGS_PAGE_faq", -1}, {"MGS_PAGE_", -1},
      {"MGS_PAGE_FAQ ", -1},     {"MGS_PAGE_FAQx", -1}, {"mgs_page_FAQ", -1}, {"", -1},
      {"MGS_PAGE_UsersN", 235},  {"MGS_PAGE_Firmy1", 301},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(mages_nav_id(c.text), c.id) << c.text;
    EXPECT_EQ(mages_nav_id0(c.text), c.id) << c.text;
  }
  EXPECT_EQ(mages_nav_id(nullptr), -1);
  EXPECT_STREQ(mages_nav_name(0), "");
  EXPECT_STREQ(mages_nav_name(999), "");
}

TEST(PageScripts, SuffixesGiveTypeAndTableName) {
  struct Case {
    const char* path;
    int type;
    int rc;
    const char* table;
  } cases[] = {
      {"/Firmy_new.php", 'n', 0, "/Firmy"},
      {"/Firmy_edit.php", 'e', 0, "/Firmy"},
      {"Towary_list.php", 'l', 0, "Towary"},
      {"_new.php", 'n', 0, ""},
      {"a.php", '-', -1, nullptr},
      {"abcd.php", '-', '-', nullptr},  // long enough for "_new.php" only
      {"abcde.php", '*', -3, nullptr},
      {"/index.htm", '*', -3, nullptr},
      {"ab", '*', -1, nullptr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parse_request_type(c.path), c.type) << c.path;
    std::string table = "untouched";
    EXPECT_EQ(parse_table_name(&table, c.path), c.rc) << c.path;
    if (c.table) {
      EXPECT_EQ(table, c.table) << c.path;
    }
  }
}

// --- requests in a temporary install directory -------------------------------------------

const char kBody[] = "<BODY>\n[body user=QQ$logged_user_name code=QQ$sess_code;]\n";

std::string code_in(const std::string& page) {
  const std::size_t at = page.find("code=");
  if (at == std::string::npos) return "";
  return page.substr(at + 5, page.find(';', at) - at - 5);
}

class Mages : public ::testing::Test {
 protected:
  void SetUp() override {
    oo_texts_set_lang(0);
    for (const auto& [name, text] : std::map<std::string, std::string>{
             {"body.htm", kBody},
             {"login0.htm", "[login0]\n"},
             {"login.htm", "[login]\n"},
             {"menu.htm", "[menu admin]\n"},
             {"menu2.htm", "[menu2 admin]\n"},
             {"menu_worker.htm", "[menu worker]\n"},
             {"pomoc.htm", "[pomoc]\n"},
             {"faq.htm", "[faq QQMGS_PAGE_FAQ;]\n"},
         })
      kal::write_text_file(name, text);
  }
  void TearDown() override {
    for (int id : {MGS_PAGE_Naprawy, MGS_PAGE_TowarN, MGS_PAGE_FirmaN, MGS_PAGE_Ustawienia, MGS_PAGE_Magazyn})
      mgs_page_register(id, nullptr);
    for (const char* name : {"Faktura_VAT", "Faktura", "Karta_uslug", "Dowod_Przyjecia_do_Naprawy"})
      mgs_doc_register(name, nullptr);
    mgs_cykle_ok_register(nullptr);
    bin_file_flag = 0;
  }

  // One request to address; the reply's bytes.
  std::string serve(const std::string& address, const Params& get, const Params& post = {}) {
    http_params = hashtbl_new(5000);
    get_params = hashtbl_new(5000);
    post_params = hashtbl_new(5000);
    page_params = hashtbl_new(5000);
    page_params00 = hashtbl_new(5000);
    hashtbl_put(http_params, "address", address.c_str());
    for (const auto& [k, v] : get) hashtbl_put(get_params, k.c_str(), v.c_str());
    for (const auto& [k, v] : post) hashtbl_put(post_params, k.c_str(), v.c_str());
    hashtbl_puts(page_params, get_params);
    hashtbl_puts(page_params, post_params);
    sess_start();
    hashtbl_puts(page_params00, page_params);
    send_buf_len = 0;
    bin_file_flag = 0;
    mages_run(send_buf, http_params, page_params);
    file_reply = bin_file_flag != 0;
    // A page as the program's text; a file's bytes as they are.
    const std::string_view bytes(send_buf, static_cast<std::size_t>(send_buf_len));
    std::string out = file_reply ? std::string(bytes) : kaltest::page_text(bytes);
    bin_file_flag = 0;
    sess_end();
    hashtbl_delete(&http_params);
    hashtbl_delete(&get_params);
    hashtbl_delete(&post_params);
    hashtbl_delete(&page_params);
    hashtbl_delete(&page_params00);
    return out;
  }

  // Logs in (with no users: as admin) and returns the session code.
  std::string log_in(const char* name = "", const char* password = "") {
    const std::string page =
        serve("/login.htm", {}, {{"user_name", name}, {"user_pass", password}, {"action", "Wejdz"}});
    const std::string code = code_in(page);
    EXPECT_EQ(code.size(), 32u) << page;
    return code;
  }

  InstallDir dir;
  Settings settings{{{"Logowanie_timeout", "3600"}, {"Wejscie_text", "Wejdz"}}};
  PageManager pm;
  bool file_reply = false;
};

TEST_F(Mages, LogInPageBodyAndMenuWhileNoUserExists) {
  const std::string page = serve("/", {});
  EXPECT_EQ(page.rfind("<HTML>\n<HEAD>\n<META HTTP-EQUIV=\"Content-type\" CONTENT=\"text/html; charset=UTF-8\">\n", 0),
            0u)
      << page;
  EXPECT_NE(page.find("<SCRIPT src=\"help.js\" type=text/JavaScript></SCRIPT>\n</HEAD>\n"), std::string::npos);
  // Body template, the menu (everybody is administrator), then the log-in.
  const std::size_t body = page.find("[body user= code=;]"), menu = page.find("[menu admin]"),
                    login0 = page.find("[login0]"), login = page.find("[login]");
  ASSERT_NE(body, std::string::npos) << page;
  EXPECT_LT(body, menu);
  EXPECT_LT(menu, login0);
  EXPECT_LT(login0, login);
  EXPECT_EQ(page.substr(page.size() - 15), "</BODY></HTML>\n");
  // Administrator or not, a page needs the log-in first.
  const std::string asked = serve("/", {{"n_21", "x"}, {"user_logged", "1"}});
  EXPECT_NE(asked.find("[login]"), std::string::npos);
  EXPECT_EQ(asked.find("[faq"), std::string::npos) << asked;

  // The entry button logs in as admin and opens the start page.
  hashtbl_put(ustawienia_ht, "start_page_id", "21");
  std::string entered = serve("/login.htm", {}, {{"action", "Wejdz"}});
  EXPECT_NE(entered.find("[body user=admin code="), std::string::npos) << entered;
  EXPECT_NE(entered.find("[faq 21;]"), std::string::npos) << entered;
  EXPECT_EQ(page_id, 21u);
  // Any other action opens the user list.
  serve("/login.htm", {}, {{"action", "Inna"}});
  EXPECT_EQ(page_id, static_cast<unsigned long>(MGS_PAGE_UsersL));
}

TEST_F(Mages, PageThatChainsItselfRunsFiveTimes) {
  static int calls;
  calls = 0;
  mgs_page_register(MGS_PAGE_Naprawy, [](const char* n, const char* a) {
    ++calls;
    app("[page ");
    app(n);
    app("=");
    app(a);
    app("]");
    back_id = MGS_PAGE_Naprawy;
    return 1;
  });
  const std::string code = log_in();
  testing::internal::CaptureStdout();
  const std::string page = serve("/", {{"sess_code", code}, {"n_6", "x"}});
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(calls, 5);
  EXPECT_NE(page.find("[page n_6=x][page n_6=x]"), std::string::npos) << page;
  EXPECT_NE(out.find("ERROR deep_id=5 >= max_deep_nr=5 !\n"), std::string::npos) << out;
  EXPECT_EQ(page.substr(page.size() - 15), "</BODY></HTML>\n");
}

TEST_F(Mages, RoleTiersDecideWhichPagesRun) {
  add_user(1, "szef", "a", 1);
  add_user(2, "jan", "b", 2);
  add_user(3, "obcy", "c", 3);
  add_user(4, "bez_roli", "d", 9);
  // One page of each tier, and one that has no tier.
  mgs_page_register(MGS_PAGE_TowarN, [](const char*, const char*) { app("[tier1]"); return 1; });
  mgs_page_register(MGS_PAGE_FirmaN, [](const char*, const char*) { app("[tier2]"); return 1; });
  mgs_page_register(MGS_PAGE_Ustawienia, [](const char*, const char*) { app("[tier3]"); return 1; });
  mgs_page_register(MGS_PAGE_Magazyn, [](const char*, const char*) { app("[no tier]"); return 1; });

  struct Case {
    const char* user;
    const char* password;
    bool tier1, tier2, tier3;
  } cases[] = {
      {"szef", "a", true, true, true},
      {"jan", "b", true, true, false},
      {"obcy", "c", true, false, false},
      {"bez_roli", "d", false, false, false},
      {"", "", false, false, false},  // not logged in
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.user);
    std::string code;
    if (*c.user) {
      code = log_in(c.user, c.password);
      // Whoever is logged in, the request's own word counts for nothing.
    }
    struct Page {
      const char* param;
      const char* marker;
      bool runs;
    } pages[] = {{"n_7", "[tier1]", c.tier1},
                 {"n_9", "[tier2]", c.tier2},
                 {"n_12", "[tier3]", c.tier3},
                 {"n_11", "[no tier]", false}};
    for (const Page& p : pages) {
      const std::string page = serve("/", {{"sess_code", code}, {p.param, "x"}, {"user_logged", "1"}});
      EXPECT_EQ(page.find(p.marker) != std::string::npos, p.runs) << p.param << "\n" << page;
      EXPECT_EQ(page.find("[login]") != std::string::npos, !*c.user) << p.param;
    }
  }
  // A logged user whose record is gone gets no page.
  const std::string code = log_in("szef", "a");
  Users_ref* ref = Users_tab_gets_Id(_pagemgr->_Users_tab, 1, VTAB_CMP_EQUAL);
  Users_tab_removes(_pagemgr->_Users_tab, ref);
  Users_ref_delete(&ref);
  EXPECT_EQ(serve("/", {{"sess_code", code}, {"n_7", "x"}}).find("[tier1]"), std::string::npos);
}

TEST_F(Mages, LogInMessagesEscapeTheNameAndKeepNoPassword) {
  add_user(5, "jan", "tajne", 2);
  std::string page = serve("/login.htm", {}, {{"user_name", "<b>ja"}, {"user_pass", "x"}});
  EXPECT_NE(page.find("Użytkownik &lt;b&gt;ja nie istnieje !"), std::string::npos) << page;
  EXPECT_NE(page.find("[login]"), std::string::npos);
  page = serve("/login.htm", {}, {{"user_name", "jan"}, {"user_pass", "zle"}});
  EXPECT_NE(page.find("Złe hasło użytkownika jan !"), std::string::npos) << page;
  EXPECT_NE(page.find("[body user= code=;]"), std::string::npos);

  const std::string code = log_in("jan", "tajne");
  EXPECT_NE(serve("/", {{"sess_code", code}}).find("[body user=jan code=" + code), std::string::npos);
  const std::string file = read_bytes(kal::sess_file_name(sess_id));
  EXPECT_NE(file.find("user_logged 5"), std::string::npos) << file;
  EXPECT_EQ(file.find("tajne"), std::string::npos) << "the password stays out of the session file";

  // Log-out: the session's code stays, the user goes.
  page = serve("/wyloguj.htm", {{"sess_code", code}, {"n_21", "x"}});
  EXPECT_NE(page.find("[login]"), std::string::npos);
  EXPECT_EQ(page.find("[faq"), std::string::npos);
  EXPECT_NE(serve("/", {{"sess_code", code}, {"n_21", "x"}}).find("[login]"), std::string::npos);
}

TEST_F(Mages, LogInRefusedWhileTheUsersFileIsDamaged) {
  write_bytes("dat/Users.dat", "version 1\r\n 1 'jan' 'x' broken\r\n");
  pm.reload();
  ASSERT_EQ(users_login_refused(), 1);
  for (const Params& post : {Params{{"action", "Wejdz"}}, Params{{"user_name", "jan"}, {"user_pass", "x"}}}) {
    const std::string page = serve("/login.htm", {}, post);
    const std::string shown = kal::html_text(users_login_refused_text());
    EXPECT_NE(page.find("<FONT COLOR=\"RED\">\n" + shown), std::string::npos) << page;
    EXPECT_NE(page.find("[body user= code=;]"), std::string::npos) << page;
  }
}

TEST_F(Mages, DocumentsByNameNeedTheRightRole) {
  static std::vector<std::string> made;
  made.clear();
  const mgs_doc_fn doc = [](const char* name, std::uint32_t id, const char* file) {
    made.push_back(std::string(name) + ":" + std::to_string(id) + (file ? std::string(":") + file : ""));
    send_buf_append_bytes("%PDF-1.4", 8);
    return 0;
  };
  for (const char* name : {"Faktura_VAT", "Faktura", "Karta_uslug"}) mgs_doc_register(name, doc);

  // While no user exists everybody may; the longer name wins, the id follows
  // one separator.
  EXPECT_EQ(serve("/Faktura_VAT_12.pdf", {}), "%PDF-1.4");
  EXPECT_EQ(serve("/Faktura_3.pdf", {}), "%PDF-1.4");
  EXPECT_EQ(serve("/Karta_uslug_7.pdf", {}), "%PDF-1.4");
  EXPECT_EQ(made, (std::vector<std::string>{"Faktura_VAT:12", "Faktura:3", "Karta_uslug:7"}));
  // Without ".pdf" the service card is a page.
  EXPECT_NE(serve("/Karta_uslug_7", {}).find("<HTML>"), std::string::npos);
  // A document of a record that is missing: its error page, never an empty
  // document; a name without a document: an empty reply.
  EXPECT_NE(serve("/Karta_Gwarancyjna_5.pdf", {}).find("Brak w bazie Id_Serwis=5"), std::string::npos);
  EXPECT_EQ(serve("/wydruk.pdf", {}), "");
  EXPECT_EQ(made.size(), 3u);

  add_user(1, "szef", "a", 1);
  add_user(2, "jan", "b", 2);
  made.clear();
  struct Case {
    const char* user;
    const char* password;
    const char* path;
    bool made;
  } cases[] = {
      {"", "", "/Karta_uslug_7.pdf", false},  {"", "", "/Faktura_VAT_1.pdf", false},
      // Invoices are open to every role: the document's own rule decides.
      {"jan", "b", "/Karta_uslug_7.pdf", true}, {"jan", "b", "/Faktura_VAT_1.pdf", true},
      {"szef", "a", "/Faktura_VAT_1.pdf", true},
  };
  for (const Case& c : cases) {
    const std::string code = *c.user ? log_in(c.user, c.password) : "";
    made.clear();
    const std::string reply = serve(c.path, {{"sess_code", code}, {"user_logged", "1"}});
    EXPECT_EQ(made.size(), c.made ? 1u : 0u) << c.user << " " << c.path;
    if (!c.made) {
      EXPECT_EQ(reply.rfind("HTTP/1.0 403 Forbidden\r\n", 0), 0u) << reply;
    }
  }
}

TEST_F(Mages, AcceptanceReceiptIsPrintedOnLoadForALoggedInUser) {
  static std::vector<std::string> made;
  made.clear();
  mgs_doc_register("Dowod_Przyjecia_do_Naprawy", [](const char* name, std::uint32_t id, const char* file) {
    made.push_back(std::string(name) + ":" + std::to_string(id) + ":" + (file ? file : "reply"));
    return 0;
  });
  add_user(2, "jan", "b", 2);
  const Params ask = {{"print", "1"}, {"n_31", "Dowod_Przyjecia_do_Naprawy"}, {"Naprawy_Id", "44"}};
  Params anonymous = ask;
  serve("/", anonymous);
  EXPECT_TRUE(made.empty());
  const std::string code = log_in("jan", "b");
  Params logged = ask;
  logged.emplace_back("sess_code", code);
  serve("/", logged);
  EXPECT_EQ(made, std::vector<std::string>{"Dowod_Przyjecia_do_Naprawy:44:wydruk.pdf"});
}

TEST_F(Mages, CycleConfirmationOnlyForALoggedInUser) {
  static std::vector<std::string> confirmed;
  confirmed.clear();
  mgs_cykle_ok_register([](std::uint32_t id, const char* date) {
    confirmed.push_back(std::to_string(id) + "@" + date);
    return 0;
  });
  add_user(2, "jan", "b", 2);
  const Params ok = {{"n_22", "x"}, {"cykle_id_17", "OK"}, {"Cykle_data_aktualnej_naprawy", "01.02.2024"}};
  serve("/", ok);
  EXPECT_TRUE(confirmed.empty()) << "not logged in";

  const std::string code = log_in("jan", "b");
  Params with_code = ok;
  with_code.emplace_back("sess_code", code);
  serve("/", with_code);
  EXPECT_EQ(confirmed, std::vector<std::string>{"17@01.02.2024"});

  // Not with the change button, not for another value than OK.
  confirmed.clear();
  serve("/", {{"sess_code", code}, {"n_22", "Zmień"}, {"cykle_id_17", "OK"}});
  serve("/", {{"sess_code", code}, {"n_22", "x"}, {"cykle_id_17", "NO"}});
  EXPECT_TRUE(confirmed.empty());
}

TEST_F(Mages, StaticFilesStayInTheirDirectories) {
  std::filesystem::create_directories("img/sub");
  write_bytes("img/sub/a.png", std::string("PNG\0bytes", 9));
  write_bytes("secret.jpg", "SECRET");
  write_bytes("img/secret.csv", "SECRET");
  write_bytes("lista.csv", "a;b\r\n");

  std::string reply = serve("/sub/a.png", {});
  EXPECT_TRUE(file_reply);
  EXPECT_EQ(reply, "HTTP/1.0 200 OK\r\nServer: KALMITOR 1.0\r\nContent-Length: 9\r\nContent-Type: image/png\r\n\r\n" +
                       std::string("PNG\0bytes", 9));
  // A missing image: its header only.
  EXPECT_EQ(serve("/none.gif", {}), "HTTP/1.0 200 OK\r\nServer: KALMITOR 1.0\r\nContent-Type: image/gif\r\n\r\n");

  for (const char* path : {"/../secret.jpg", "/sub/../../secret.jpg", "/%2e%2e/secret.jpg", "/%2E%2E%2Fsecret.jpg",
                           "/..%5csecret.jpg", "//etc/secret.jpg", "/sub/%00.jpg", "/../img/secret.csv",
                           "/img/%2e%2e/img/secret.csv"}) {
    reply = serve(path, {});
    EXPECT_EQ(reply.rfind("HTTP/1.0 403 Forbidden\r\n", 0), 0u) << path << "\n" << reply;
    EXPECT_EQ(reply.find("SECRET"), std::string::npos) << path;
  }

  // CSV files need a logged-in administrator; they come as downloads.
  reply = serve("/lista.csv", {});
  EXPECT_EQ(reply.rfind("HTTP/1.0 403 Forbidden\r\n", 0), 0u) << reply;
  EXPECT_NE(reply.find("Content-Type: text/plain\r\n"), std::string::npos) << reply;
  EXPECT_EQ(reply.substr(reply.size() - 15), "Access denied !");
  const std::string code = log_in();
  EXPECT_EQ(serve("/lista.csv", {{"sess_code", code}}), std::string(csv_header("lista.csv")) + "a;b\r\n");
}

TEST_F(Mages, StyleSheetFromItsFileAndLanguageFromTheRequest) {
  kal::write_text_file("styl.css", "BODY { color: red; }\n");
  EXPECT_EQ(serve("/styl.css", {}), std::string(css_header()) + "BODY { color: red; }\n");
  // A file that goes away leaves the text loaded before.
  std::remove("styl.css");
  EXPECT_EQ(css_text_load(), -1);
  EXPECT_STREQ(css_text, "BODY { color: red; }\n");
  EXPECT_NE(std::string(css_text0).find("font: 8pt Arial;"), std::string::npos);

  // Language: en, de and ru are known, everything else is Polish.  Every
  // page is UTF-8.
  struct Case {
    const char* code;
    int lang;
    const char* script;
  } cases[] = {
      {"en", 1, "help_en.js"}, {"de", 2, "help_de.js"}, {"ru", 7, "help_en.js"}, {"cs", 0, "help.js"},
  };
  for (const Case& c : cases) {
    const std::string page = serve("/", {{"lang", c.code}});
    EXPECT_EQ(oo_texts_get_lang(), c.lang) << c.code;
    EXPECT_NE(page.find(std::string("<SCRIPT src=\"") + c.script + "\""), std::string::npos) << c.code;
    EXPECT_NE(page.find("charset=UTF-8\""), std::string::npos) << c.code;
    EXPECT_NE(read_bytes("ustawienia.txt").find("lang " + std::to_string(c.lang) + "\r\n"), std::string::npos)
        << c.code;
  }

  // Once users exist the language is changed by a logged-in user only.
  add_user(2, "jan", "b", 2);
  serve("/", {{"lang", "en"}});
  EXPECT_EQ(oo_texts_get_lang(), 0);
  const std::string code = log_in("jan", "b");
  serve("/", {{"sess_code", code}, {"lang", "en"}});
  EXPECT_EQ(oo_texts_get_lang(), 1);
  oo_texts_set_lang(0);
}

// --- the template resolver --------------------------------------------------------------

class Resolver : public Mages {
 protected:
  // What qq_main writes for one placeholder, inside a request.
  std::string html(const std::string& name, const Params& get = {}) {
    std::string out;
    sess_env::request(get, {}, [&] {
      send_buf_len = 0;
      qq_main(name.c_str(), name.size());
      out = kaltest::page_text(std::string_view(send_buf, static_cast<std::size_t>(send_buf_len)));
    });
    return out;
  }
  std::string pdf(const std::string& name, const Params& get = {}) {
    qq_pdf_text.clear();
    std::string out;
    sess_env::request(get, {}, [&] {
      qq_pdf(name.c_str(), name.size());
      out = qq_pdf_text;
    });
    return out;
  }
};

TEST_F(Resolver, PlaceholdersOfPages) {
  hashtbl_put(ustawienia_ht, "Firma_nazwa", "Serwis & syn");
  hashtbl_put(ustawienia_ht, "Wlasciciel_miasto_wymagane", "1");
  hashtbl_put(ustawienia_ht, "Serwis_pole3_wymagane", "0");
  hashtbl_put(ustawienia_ht, "Serwis_pole8_wymagane", "1");
  struct Case {
    const char* name;
    Params get;
    const char* out;
  } cases[] = {
      {"MGS_PAGE_FAQ", {}, "21"},
      {"MGS_PAGE_Nic", {}, ""},
      {"U(Firma_nazwa)", {}, "Serwis & syn"},
      {"U(Brak_klucza)", {}, "Brak_klucza"},
      {"U(", {}, ""},
      {"$Wlasciciel_miasto_wymagane", {}, "*"},
      {"$Wlasciciel_telefon_wymagane", {}, ""},
      {"$Serwis_pole3_wymagane", {}, ""},
      {"$Serwis_pole8_wymagane", {}, "*"},
      {"$Serwis_pole9_wymagane", {{"Serwis_pole9_wymagane", "<x>"}}, "&lt;x&gt;"},
      // A variable is safe in element text and in a quoted attribute value.
      {"$nazwa", {{"nazwa", "a<b>\"c\" & 'd'"}}, "a&lt;b&gt;&quot;c&quot; &amp; &#39;d&#39;"},
      {"$nazwa", {{"nazwa", "x  y\nz"}}, "x &nbsp;y<BR>\nz"},
      {"$", {}, ""},
      // An empty frame-number list: the field is typed in.
      {"Serwis_ramy_select()",
       {{"SerwisNew_Serwis_nr_ramy", "R<1>"}},
       "<INPUT TYPE=\"text\" NAME=\"SerwisNew_Serwis_nr_ramy\" VALUE=\"R&lt;1&gt;\"  MAXLENGTH=\"200\" size=\"25\">"},
      {"nieznany", {}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(html(c.name, c.get), c.out) << c.name;

  const std::string years = html("year_select_options(RMCyear)", {{"RMCyear", "2024"}});
  for (const char* y : {"2022", "2023", "2024", "2025", "2026"}) EXPECT_NE(years.find(y), std::string::npos) << y;
  EXPECT_EQ(years.find("2021"), std::string::npos);
  EXPECT_EQ(years.find("2027"), std::string::npos);

  static int calls;
  calls = 0;
  mgs_select_register("Serwis_ramy_select()", [] {
    ++calls;
    app("<SELECT>");
    return 7;
  });
  EXPECT_EQ(html("Serwis_ramy_select()"), "<SELECT>");
  EXPECT_EQ(calls, 1);
  mgs_select_register("Serwis_ramy_select()", nullptr);
}

TEST_F(Resolver, PlaceholdersOfPdfTexts) {
  hashtbl_put(ustawienia_ht, "Firma_nazwa", "Serwis & syn");
  EXPECT_EQ(pdf("MGS_PAGE_UsersL"), "233");
  EXPECT_EQ(pdf("U(Firma_nazwa)"), "Serwis & syn");
  EXPECT_EQ(pdf("$nazwa", {{"nazwa", "a<b> & c"}}), "a<b> & c");
  EXPECT_EQ(pdf("$Wlasciciel_miasto_wymagane"), "");
  EXPECT_EQ(pdf("Serwis_ramy_select()"), "");

  // The text grows as far as a page needs.
  qq_pdf_text.clear();
  EXPECT_EQ(pdf_qqc('a'), 0);
  EXPECT_EQ(pdf_qqc('b'), 1);
  const std::string line(9000, 'x');
  pdf_qqs(line.c_str());
  pdf_qqs(nullptr);
  EXPECT_EQ(pdf_qqc('c'), 9002);
  EXPECT_EQ(qq_pdf_text, "ab" + line + "c");

  kal::write_text_file("strona.txt", std::string(10000, 'y') + "QQU(Firma_nazwa)|QQ$nazwa|");
  qq_pdf_text.clear();
  sess_env::request({{"nazwa", "N"}}, {}, [] { qq_run("strona.txt", pdf_qqc, qq_pdf); });
  EXPECT_EQ(qq_pdf_text, std::string(10000, 'y') + "Serwis & syn|N|");
}

}  // namespace
