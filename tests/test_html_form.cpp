// Forms, links and fields: the exact HTML of every emitter, escaping of data,
// and a form that goes through a browser's parser and back into the session
// unchanged.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "lib/hashtbl.hpp"
#include "lib/txt_utils.hpp"
#include "server/html_form.hpp"
#include "server/httputil.hpp"
#include "server/oo_texts.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "tests/sess_env.hpp"

namespace {

using namespace sess_env;

const char kCode[] = "0123456789abcdef0123456789abcdef";

// A label -> value table in its stored (collation) order.
struct Options {
  explicit Options(const Params& pairs) : t(hashtbl_new(100)) {
    for (const auto& [k, v] : pairs) hashtbl_put(t, k.c_str(), v.c_str());
  }
  ~Options() { hashtbl_delete(&t); }
  Options(const Options&) = delete;
  Options& operator=(const Options&) = delete;
  hashtbl* t;
};

class HtmlForm : public ::testing::Test {
 protected:
  void SetUp() override { oo_texts_set_lang(0); }

  // Runs the page in a request of the session kCode (session Id 1) and gives
  // what it appended to the reply.
  std::string page(const std::function<void()>& body, const Params& get = {{"sess_code", kCode}},
                   const Params& post = {}) {
    std::string out;
    request(get, post, [&] { out = appended(body); });
    return out;
  }

  InstallDir dir;
  Settings settings{{{"Logowanie_timeout", "3600"},
                     {"Kliknij_tu_aby_wybrac_date_z_kalendarza_text", "Kalendarz"}}};
  PageManager pm;
};

struct Golden {
  const char* what;
  std::function<std::string()> emit;
  std::string html;
};

TEST_F(HtmlForm, EveryEmitterWritesItsExactHtml) {
  Options abc({{"Alfa", "1"}, {"Beta", "2"}, {"Gamma", "02"}});
  Options ticks({{"A", "1"}, {"B", "2"}, {"C", "3"}});
  Options two({{"A", "1"}, {"B", "2"}});
  const char* captions[7];
  actions_init(captions);
  actions_set(captions, 0, "Zatwierdz");
  actions_set(captions, 2, "Usun");
  const char* none[7];
  actions_init(none);
  actions_set(none, 1, "Usun");
  const std::string sess = std::string("s=1&sess_code=") + kCode;
  const std::string hidden = std::string("<INPUT TYPE=\"HIDDEN\" NAME=\"s\" VALUE=\"1\">\n") +
                             "<INPUT TYPE=\"HIDDEN\" NAME=\"sess_code\" VALUE=\"" + kCode + "\">\n";
  const std::string calendar =
      "<a href=\"javascript:show_calendar('document.forms[0].d', document.forms[0].d.value);\">"
      "<img src=\"cal.gif\" width=\"16\" height=\"16\" border=\"0\" alt=\"Kalendarz\"></a>";

  const std::vector<Golden> cases = {
      {"html_val", [] { return std::string(html_val("a\"b\"c")); }, "a&quot;b&quot;c"},
      {"html_val NULL", [] { return std::string(html_val(nullptr)); }, ""},
      {"page_href without query", [] { return std::string(page_href("firma.htm", "Firma")); },
       "<A HREF=\"firma.htm?" + sess + "\">Firma</A>"},
      {"page_href with query", [] { return std::string(page_href("Uzytkownicy.htm?n_233=l", "Lista")); },
       "<A HREF=\"Uzytkownicy.htm?n_233=l&" + sess + "\">Lista</A>"},
      {"form_open", [] { return std::string(form_open("p.htm", "")); },
       "<FORM METHOD=\"POST\" ACTION=\"p.htm\">\n" + hidden},
      {"form_open target", [] { return std::string(form_open("p.htm", "_blank")); },
       "<FORM METHOD=\"POST\" ACTION=\"p.htm\" target=\"_blank\">\n" + hidden},
      {"form_open_back override", [] { return std::string(form_open_back("p.htm", "q.htm", "")); },
       "<FORM METHOD=\"POST\" ACTION=\"q.htm\">\n" + hidden},
      {"form_open_back no override", [] { return std::string(form_open_back("p.htm", "", "")); },
       "<FORM METHOD=\"POST\" ACTION=\"p.htm\">\n" + hidden},
      {"html_form_open", [] { return appended([] { html_form_open("serwis_typy.htm"); }); },
       "<FORM METHOD=\"POST\" ACTION=\"serwis_typy.htm\">\n" + hidden},
      {"html_form_close", [] { return appended([] { html_form_close(); }); }, "</FORM>\n"},
      {"form_close", [] { return std::string(form_close()); }, "</FORM>"},
      {"form_input_hidden", [] { return std::string(form_input_hidden("a", "x\"y")); },
       "<INPUT TYPE=\"HIDDEN\" NAME=\"a\" VALUE=\"x&quot;y\">"},
      {"form_input_hidden NULL name", [] { return std::string(form_input_hidden(nullptr, "x")); }, ""},
      {"form_input_hidden NULL value", [] { return std::string(form_input_hidden("a", nullptr)); }, ""},
      {"form_input_text2 bare", [] { return std::string(form_input_text2("n", "v", 0, 0, "")); },
       "<INPUT TYPE=\"text\" NAME=\"n\" VALUE=\"v\" >"},
      {"form_input_text2 sizes", [] { return std::string(form_input_text2("n", "v", 10, 10, nullptr)); },
       "<INPUT TYPE=\"text\" NAME=\"n\" VALUE=\"v\"  MAXLENGTH=\"10\" size=\"10\">"},
      {"form_input_text2 class", [] { return std::string(form_input_text2("n", nullptr, 0, 5, "c")); },
       "<INPUT TYPE=\"text\" NAME=\"n\" VALUE=\"\"  size=\"5\" CLASS=\"c\">"},
      {"form_input_s",
       [] {
         return appended([] {
           sess_put("Firmy_nazwa", "Kowalski");
           form_input_s("Firmy_nazwa", 100, 40);
         });
       },
       "<INPUT TYPE=\"text\" NAME=\"Firmy_nazwa\" VALUE=\"Kowalski\"  MAXLENGTH=\"100\" size=\"40\">"},
      {"app_tr_input", [] { return appended([] { app_tr_input("Nazwa:", "n", "v", 40, 40); }); },
       "<TR><TD CLASS=fieldname>Nazwa:</TD><TD><INPUT TYPE=\"text\" NAME=\"n\" VALUE=\"v\"  MAXLENGTH=\"40\" "
       "size=\"40\"></TD></TR>\n"},
      {"form_textareav", [] { return appended([] { form_textareav("u", "a\"b", 12, 80, ""); }); },
       "<textarea NAME=\"u\" ROWS=\"12\" COLS=\"80\">a&quot;b</textarea>"},
      {"form_textareav class only", [] { return appended([] { form_textareav("u", nullptr, 0, 0, "c"); }); },
       "<textarea NAME=\"u\" CLASS=\"c\"></textarea>"},
      {"form_textarea",
       [] {
         return appended([] {
           sess_put("uwagi", "x");
           form_textarea("uwagi", 4, 0, nullptr);
         });
       },
       "<textarea NAME=\"uwagi\" ROWS=\"4\">x</textarea>"},
      {"form_input_date2", [] { return appended([] { form_input_date2("d", "01.02.2024"); }); },
       "<INPUT TYPE=\"text\" NAME=\"d\" VALUE=\"01.02.2024\"  MAXLENGTH=\"10\" size=\"10\">" + calendar},
      {"form_input_date",
       [] {
         return appended([] {
           sess_put("d", "05.03.2024 10:20:30");
           form_input_date("d");
         });
       },
       "<INPUT TYPE=\"text\" NAME=\"d\" VALUE=\"05.03.2024\"  MAXLENGTH=\"10\" size=\"10\">" + calendar},
      {"formutil_select: equal numbers both selected",
       [&] { return appended([&] { formutil_select("sel", abc.t, 2); }); },
       "<SELECT NAME=\"sel\"><OPTION VALUE=\"1\">Alfa\n<OPTION VALUE=\"2\" SELECTED>Beta\n"
       "<OPTION VALUE=\"02\" SELECTED>Gamma\n</SELECT>"},
      {"formutil_selectn: exact text", [&] { return appended([&] { formutil_selectn("sel", abc.t, "02"); }); },
       "<SELECT NAME=\"sel\"><OPTION VALUE=\"1\">Alfa\n<OPTION VALUE=\"2\">Beta\n"
       "<OPTION VALUE=\"02\" SELECTED>Gamma\n</SELECT>"},
      {"formutil_select NULL options", [] { return appended([] { formutil_select("sel", nullptr, 0); }); },
       "<SELECT NAME=\"sel\"></SELECT>"},
      {"formutil_input_checkbox checked", [] { return std::string(formutil_input_checkbox("c", "5", 1)); },
       "<INPUT TYPE=\"CHECKBOX\" NAME=\"c\" VALUE=\"5\" checked=\"checked\">"},
      {"formutil_input_checkbox unchecked", [] { return std::string(formutil_input_checkbox("c", "5", 0)); },
       "<INPUT TYPE=\"CHECKBOX\" NAME=\"c\" VALUE=\"5\" >"},
      {"formutil_checkbox",
       [&] {
         return appended([&] {
           sess_put("T.2", "2");
           formutil_checkbox("T", two.t);
         });
       },
       "<table border=0>\n<tr>\n"
       "<TD CLASS=fieldname>\n<INPUT TYPE=\"CHECKBOX\" NAME=\"T.1\" VALUE=\"1\" >A</td>\n</tr><tr>\n"
       "<TD CLASS=field2>\n<INPUT TYPE=\"CHECKBOX\" NAME=\"T.2\" VALUE=\"2\" checked=\"checked\">B</td>\n"
       "</tr><tr>\n</tr>\n</table>\n"},
      {"formutil_checkbox0 three",
       [&] {
         return appended([&] {
           sess_put("V.3", "3");
           formutil_checkbox0("V", ticks.t);
         });
       },
       "<table>\n<tr>\n"
       "<td>\n<INPUT TYPE=\"checkbox\" NAME=\"V.1\" VALUE=\"1\">A\n</td>\n"
       "<td>\n<INPUT TYPE=\"checkbox\" NAME=\"V.2\" VALUE=\"2\">B\n</td>\n</tr><tr>\n"
       "<td>\n<INPUT TYPE=\"checkbox\" NAME=\"V.3\" VALUE=\"3\" checked=\"checked\">C\n</td>\n"
       "</tr>\n</table>\n"},
      {"formutil_checkbox0 two: no empty row", [&] { return appended([&] { formutil_checkbox0("U", two.t); }); },
       "<table>\n<tr>\n"
       "<td>\n<INPUT TYPE=\"checkbox\" NAME=\"U.1\" VALUE=\"1\">A\n</td>\n"
       "<td>\n<INPUT TYPE=\"checkbox\" NAME=\"U.2\" VALUE=\"2\">B\n</td>\n"
       "</tr>\n</table>\n"},
      {"year_select_options", [] { return appended([] { year_select_options(2020, 2019, 2021, 1); }); },
       "<option value=\"0\">----\n<option value='2019'>2019\n<option value='2020' selected>2020\n"
       "<option value='2021'>2021\n"},
      {"year_select_options empty selected", [] { return appended([] { year_select_options(0, 2019, 2018, 3); }); },
       "<option value=\"0\" selected>----\n"},
      {"year_select_options without empty", [] { return appended([] { year_select_options(0, 2019, 2019, 2); }); },
       "<option value='2019'>2019\n"},
      {"form_input_submit", [] { return std::string(form_input_submit("n_5", "OK", "")); },
       "<INPUT TYPE=\"submit\" NAME=\"n_5\" VALUE=\"OK\" >"},
      {"form_input_submit extra", [] { return std::string(form_input_submit("n_5", "OK", "class=b")); },
       "<INPUT TYPE=\"submit\" NAME=\"n_5\" VALUE=\"OK\"  class=b>"},
      {"form_input_submit empty name", [] { return std::string(form_input_submit("", "OK", "")); }, ""},
      {"form_input_submit NULL value", [] { return std::string(form_input_submit("n_5", nullptr, nullptr)); },
       "<INPUT TYPE=\"submit\" NAME=\"n_5\" VALUE=\"\" >"},
      {"app_button", [] { return appended([] { app_button(9, "Nowy"); }); },
       "<INPUT TYPE=\"submit\" NAME=\"n_9\" VALUE=\"Nowy\" >"},
      {"app_action_button", [] { return appended([] { app_action_button(9, "Nowy"); }); },
       "&nbsp;&nbsp;&nbsp;<INPUT TYPE=\"submit\" NAME=\"n_9\" VALUE=\"Nowy\" >"},
      {"app_action_button empty caption", [] { return appended([] { app_action_button(9, ""); }); }, ""},
      {"app_actions", [&] { return appended([&] { app_actions("n_67", captions); }); },
       "<tr><td colspan=\"2\" align=\"center\"><INPUT TYPE=\"submit\" NAME=\"n_67\" VALUE=\"Zatwierdz\" >"
       "&nbsp;&nbsp;&nbsp;<INPUT TYPE=\"submit\" NAME=\"n_67\" VALUE=\"Usun\" ></td></tr>\n"},
      {"app_actions empty first caption", [&] { return appended([&] { app_actions("n_67", none); }); }, ""},
      {"app_actions NULL", [] { return appended([] { app_actions("n_67", nullptr); }); }, ""},
  };
  request({{"sess_code", kCode}}, {}, [&] {
    ASSERT_EQ(sess_id, 1u);
    for (const auto& c : cases) EXPECT_EQ(c.emit(), c.html) << c.what;
  });
}

TEST_F(HtmlForm, ReturnedTextsAreWholeAndSurviveOtherEmitters) {
  request({{"sess_code", kCode}}, {}, [] {
    const std::string long_value(100000, 'x');
    EXPECT_EQ(std::string(form_input_hidden("v", long_value.c_str())),
              "<INPUT TYPE=\"HIDDEN\" NAME=\"v\" VALUE=\"" + long_value + "\">");
    // A result is replaced only by its own emitter, even when another one
    // builds the same kind of text inside.
    const char* hidden = form_input_hidden("a", "1");
    const char* link = page_href("x.htm", "y");
    form_open("p.htm", "");
    appended([] {
      html_form_open("p.htm");
      app_button(1, "b");
      tableItemDisplay2(1, "x.htm", "z");
    });
    EXPECT_STREQ(hidden, "<INPUT TYPE=\"HIDDEN\" NAME=\"a\" VALUE=\"1\">");
    EXPECT_STREQ(link, (std::string("<A HREF=\"x.htm?s=1&sess_code=") + kCode + "\">y</A>").c_str());
    // An argument may be the emitter's own previous result.
    const char* once = html_val("\"");
    EXPECT_STREQ(html_val(once), "&amp;quot;");
  });
}

// Data in values and labels comes out as entities; the markup around it stays.
TEST_F(HtmlForm, DataIsEscapedWhereverItIsWritten) {
  const char* bad = "a\"b'c<d>e&f";
  const std::string attr = "a&quot;b&#39;c&lt;d&gt;e&amp;f";
  const std::string text = "a\"b'c&lt;d&gt;e&amp;f";
  Options opts(Params{{bad, bad}});
  const std::vector<Golden> cases = {
      {"html_val", [&] { return std::string(html_val(bad)); }, attr},
      {"kal::html_text", [&] { return kal::html_text(bad); }, text},
      {"app_attr", [&] { return appended([&] { app_attr(bad); }); }, attr},
      {"app_text", [&] { return appended([&] { app_text(bad); }); }, text},
      {"hidden value", [&] { return std::string(form_input_hidden("h", bad)); },
       "<INPUT TYPE=\"HIDDEN\" NAME=\"h\" VALUE=\"" + attr + "\">"},
      {"text value", [&] { return std::string(form_input_text2("t", bad, 0, 0, "")); },
       "<INPUT TYPE=\"text\" NAME=\"t\" VALUE=\"" + attr + "\" >"},
      {"textarea cannot be closed by its text",
       [] { return appended([] { form_textareav("u", "</textarea><b>", 0, 0, ""); }); },
       "<textarea NAME=\"u\">&lt;/textarea&gt;&lt;b&gt;</textarea>"},
      {"textarea keeps a leading line feed", [] { return appended([] { form_textareav("u", "\nx", 0, 0, ""); }); },
       "<textarea NAME=\"u\">\n\nx</textarea>"},
      {"option value and label", [&] { return appended([&] { formutil_selectn("s", opts.t, bad); }); },
       "<SELECT NAME=\"s\"><OPTION VALUE=\"" + attr + "\" SELECTED>" + text + "\n</SELECT>"},
      {"checkbox value", [&] { return std::string(formutil_input_checkbox("c", bad, 0)); },
       "<INPUT TYPE=\"CHECKBOX\" NAME=\"c\" VALUE=\"" + attr + "\" >"},
      {"checkbox group value and label",
       [&] {
         const std::string out = appended([&] { formutil_checkbox0("p", opts.t); });
         return out.substr(out.find("<INPUT"), out.find("\n</td>") - out.find("<INPUT"));
       },
       // (a value that reads as no number counts as ticked, like an unset box)
       "<INPUT TYPE=\"checkbox\" NAME=\"p." + attr + "\" VALUE=\"" + attr + "\" checked=\"checked\">" + text},
      {"submit caption", [&] { return std::string(form_input_submit("n_1", bad, "")); },
       "<INPUT TYPE=\"submit\" NAME=\"n_1\" VALUE=\"" + attr + "\" >"},
      {"link address keeps its ampersands",
       [] { return std::string(page_href("a.htm?x=\"><b>&y=1", "t")); },
       std::string("<A HREF=\"a.htm?x=&quot;&gt;&lt;b&gt;&y=1&s=1&sess_code=") + kCode + "\">t</A>"},
  };
  request({{"sess_code", kCode}}, {}, [&] {
    for (const auto& c : cases) EXPECT_EQ(c.emit(), c.html) << c.what;
  });
}

TEST_F(HtmlForm, CalendarAltTextFromSettingsIsEscaped) {
  hashtbl_put(ustawienia_ht, "Kliknij_tu_aby_wybrac_date_z_kalendarza_text", "Kliknij \"tu\"");
  EXPECT_NE(page([] { form_calendar_href("d"); }).find("alt=\"Kliknij &quot;tu&quot;\">"), std::string::npos);
}

// The session code comes from the request: a made-up one cannot break out of
// the forms and links it is written into.
TEST_F(HtmlForm, ForeignSessionCodeIsEscapedInFormsAndLinks) {
  const std::string out =
      page([] { html_form_open("p.htm"); app(page_href("a.htm", "t")); }, {{"sess_code", "\"><script>"}});
  EXPECT_EQ(out.find("<script>"), std::string::npos) << out;
  EXPECT_NE(out.find("NAME=\"sess_code\" VALUE=\"&quot;&gt;&lt;script&gt;\">"), std::string::npos) << out;
  EXPECT_NE(out.find("sess_code=&quot;&gt;&lt;script&gt;\">t</A>"), std::string::npos) << out;
}

TEST_F(HtmlForm, HrefVariableRedirectsTheFormsOfTheSessionWithinTheSite) {
  auto action_of = [](const std::string& form) {
    const auto at = form.find("ACTION=\"") + 8;
    return form.substr(at, form.find('"', at) - at);
  };
  // Given once, it holds for later requests of the session until changed.
  EXPECT_EQ(action_of(page([] { html_form_open("p.htm"); }, {{"sess_code", kCode}, {"href", "q.htm?n_5=l"}})),
            "q.htm?n_5=l");
  EXPECT_EQ(action_of(page([] { html_form_open("p.htm"); })), "q.htm?n_5=l");
  EXPECT_EQ(action_of(page([] { html_form_open("p.htm"); }, {{"sess_code", kCode}, {"href", ""}})), "p.htm");

  // An address on another site would send the form, with the session code,
  // elsewhere: it is not followed.
  for (const char* foreign : {"http://evil.example/x", "//evil.example/x", "javascript:alert(1)",
                              " //evil.example", "/\\evil.example", "HTTPS:x"}) {
    EXPECT_EQ(action_of(page([] { html_form_open("p.htm"); }, {{"sess_code", kCode}, {"href", foreign}})), "p.htm")
        << foreign;
  }
  for (const char* local : {"q.htm", "/q.htm", "q.htm?a=http://x", "dir/q.htm#top"})
    EXPECT_TRUE(kal::href_is_local(local)) << local;
}

// A value full of markup characters and Polish letters is written into a form,
// read by a real HTML parser as a browser reads it, posted, parsed by the
// server and read back through the session: it arrives exactly as it was.
TEST_F(HtmlForm, FormPostsItsValuesBackUnchanged) {
  const std::string value = "Kowalski \"<Syn>\" & 'Co' &amp; \xB9\xE6\xA3";  // ą ć Ł
  const std::string remarks = "\nlinia 1\n</textarea><b>x</b>\n  koniec";
  const std::string caption = "Zapisz \"teraz\" & <wyjdz>";
  Options kinds({{"inny <typ>", "zwykly"}, {value, value}});

  std::string html;
  request({{"sess_code", kCode}}, {}, [&] {
    sess_put("Firmy_nazwa", value.c_str());
    sess_put("Firmy_uwagi", remarks.c_str());
    html = appended([&] {
      html_form_open("firma.htm");
      form_input_s("Firmy_nazwa", 100, 40);
      form_textarea("Firmy_uwagi", 4, 40, "");
      formutil_selectn("Firmy_rodzaj", kinds.t, value.c_str());
      app(form_input_hidden("Firmy_ukryte", value.c_str()));
      app_button(19, caption.c_str());
      html_form_close();
    });
    // The browser's next request starts with a clean slate.
    sess_put("Firmy_nazwa", "");
    sess_put("Firmy_uwagi", "");
    sess_put("Firmy_rodzaj", "");
    sess_put("Firmy_ukryte", "");
  });
  EXPECT_EQ(html.find("<b>"), std::string::npos) << html;

  const std::string path = dir.path() + "/page.htm";
  write_bytes(path, html);
  const std::string cmd = "python3 '" KAL_SOURCE_DIR "/tests/html_form_post.py' '" + path + "'";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string body;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) body.append(buf, n);
  ASSERT_EQ(pclose(p), 0) << body;

  hashtbl* posted = hashtbl_new(100);
  parse_params(posted, body.c_str());
  Params post;
  for (uint32_t i = 0; i < posted->size; ++i) post.emplace_back(posted->keys[i], posted->values[i]);
  hashtbl_delete(&posted);
  ASSERT_EQ(post.size(), 7u) << body;

  std::string name, notes, kind, hidden;
  unsigned long session = 0;
  int pressed = 0;
  request({}, post, [&] {
    session = sess_id;
    name = var_s("Firmy_nazwa");
    notes = var_s("Firmy_uwagi");
    kind = var_s("Firmy_rodzaj");
    hidden = var_s("Firmy_ukryte");
    pressed = sess_nav_action(19, caption.c_str());
  });
  EXPECT_EQ(session, 1u) << "the form carries the session code";
  EXPECT_EQ(name, value);
  EXPECT_EQ(notes, remarks);
  EXPECT_EQ(kind, value);
  EXPECT_EQ(hidden, value);
  EXPECT_EQ(pressed, 1) << "the pressed button is known by its caption";
}

}  // namespace
