// Page output: cell classes, list rows and messages as exact HTML, list
// paging, the one-text file replace, file sizes and the navigation history.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/textfile.hpp"
#include "server/oo_texts.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "tests/sess_env.hpp"

namespace {

using namespace sess_env;
using namespace std::string_literals;

const char kCode[] = "0123456789abcdef0123456789abcdef";

class PageOut : public ::testing::Test {
 protected:
  void SetUp() override { oo_texts_set_lang(0); }

  // Runs body in a request of the session kCode (session Id 1).
  void in_session(const std::function<void()>& body, const Params& get = {{"sess_code", kCode}}) {
    request(get, {}, body);
  }

  InstallDir dir;
  Settings settings{{{"Logowanie_timeout", "3600"},
                     {"Usun_sp_button", "Usun "},
                     {"Firm_na_stronie", "50"},
                     {"Napraw_na_stronie", "5000"},
                     {"Transakcji_na_stronie", "5"},
                     {"Lista_na_stronie", "10"},
                     {"Zero_na_stronie", "0"},
                     {"Ujemne_na_stronie", "-7"}}};
  PageManager pm;
};

struct Golden {
  const char* what;
  std::function<void()> emit;
  std::string html;
};

TEST_F(PageOut, CellClassesFollowTheRowParity) {
  struct Row {
    long n;
    const char* cls;
  };
  for (const Row& r : {Row{0, "fieldname"}, Row{1, "field2"}, Row{2, "fieldname"}, Row{3, "field2"},
                       Row{-1, "field2"}}) {
    const std::string c = r.cls;
    EXPECT_EQ(tableItemTD(r.n), "<TD CLASS=" + c + ">") << r.n;
    EXPECT_EQ(appended([&] { approw(r.n); }), "<TD CLASS=" + c + ">\n") << r.n;
    EXPECT_EQ(appended([&] { approwr(r.n); }), "<TD CLASS=" + c + " ALIGN=RIGHT>\n") << r.n;
    EXPECT_EQ(appended([&] { approw_red(r.n); }), "<TD CLASS=" + c + "red>\n") << r.n;
  }
  EXPECT_EQ(appended([] { approw_color(1, "#FF0000"); }), "<TD BGCOLOR=#FF0000>\n");
}

TEST_F(PageOut, MessagesAndRowsWriteTheirExactHtml) {
  const std::string sess = std::string("s=1&sess_code=") + kCode;
  const std::vector<Golden> cases = {
      {"errorDisplay", [] { errorDisplay("Brak!"); }, "<CENTER><BIG><FONT COLOR=\"RED\">\nBrak!</FONT></BIG></CENTER>\n"},
      {"infoDisplay", [] { infoDisplay("OK"); }, "<CENTER><BIG><FONT COLOR=\"GREEN\">\nOK</FONT></BIG></CENTER>\n"},
      {"infoDisplay NULL", [] { infoDisplay(nullptr); },
       "<CENTER><BIG><FONT COLOR=\"GREEN\">\n</FONT></BIG></CENTER>\n"},
      {"tableItemFieldDisplay", [] { tableItemFieldDisplay("x", "<TD>"); }, "  <TD>x</TD>"},
      {"tableItemFieldDisplay empty", [] { tableItemFieldDisplay("", "<TD>"); }, "  <TD>&nbsp;</TD>"},
      {"tableItemDisplay2: empty cell shown, NULL cells left out",
       [] { tableItemDisplay2(3, "p.htm?n_68=e&Id=3", "Gotowka", "", nullptr, "b"); },
       "<TR>\n"
       "  <TD CLASS=field2>3. </TD>\n"
       "  <TD CLASS=field2><A HREF=\"p.htm?n_68=e&Id=3&" + sess + "\">Gotowka</A></TD>\n"
       "  <TD CLASS=field2>&nbsp;</TD>\n"
       "  <TD CLASS=field2>b</TD>\n"
       "</TR>\n"},
      {"tableItemDisplay2: NULL link text", [] { tableItemDisplay2(2, "a.htm", nullptr); },
       "<TR>\n"
       "  <TD CLASS=fieldname>2. </TD>\n"
       "  <TD CLASS=fieldname><A HREF=\"a.htm?" + sess + "\"></A></TD>\n"
       "</TR>\n"},
      {"tableItemDisplay: five cells at most",
       [] { tableItemDisplay(send_buf, 4, "a.htm", "t", "1", "2", "3", "4", "5"); },
       "<TR>\n"
       "  <TD CLASS=fieldname>4. </TD>\n"
       "  <TD CLASS=fieldname><A HREF=\"a.htm?" + sess + "\">t</A></TD>\n"
       "  <TD CLASS=fieldname>1</TD>\n  <TD CLASS=fieldname>2</TD>\n  <TD CLASS=fieldname>3</TD>\n"
       "  <TD CLASS=fieldname>4</TD>\n  <TD CLASS=fieldname>5</TD>\n"
       "</TR>\n"},
      {"tableItemDisplay3 checked", [] { tableItemDisplay3("Towary_check_7", 1, 1, "t.htm", "Rower", "R-1"); },
       "<TR>\n"
       "  <TD CLASS=field2>1. <input type=checkbox name=\"Towary_check_7\" checked></TD>\n"
       "  <TD CLASS=field2><A HREF=\"t.htm?" + sess + "\">Rower</A></TD>\n"
       "  <TD CLASS=field2>R-1</TD>\n"
       "</TR>\n"},
      {"tableItemDisplay3 unchecked", [] { tableItemDisplay3("c", 0, 2, "t.htm", "R"); },
       "<TR>\n"
       "  <TD CLASS=fieldname>2. <input type=checkbox name=\"c\" ></TD>\n"
       "  <TD CLASS=fieldname><A HREF=\"t.htm?" + sess + "\">R</A></TD>\n"
       "</TR>\n"},
      {"tableItemDynamic",
       [] {
         tableItemDynamic(nullptr, 3, "n_1", "Towary_Id", "17", nullptr, "ilosc", "", "cena", nullptr, "vat",
                          "23");
       },
       "<TR>\n"
       "<TD CLASS=field2><INPUT TYPE=\"submit\" NAME=\"n_1\" VALUE=\"Usun 3.\" ></TD>\n"
       "  <TD CLASS=field2>" + std::string(34, '-') + "</TD>\n"
       "  <TD CLASS=field2>&nbsp;</TD>\n"
       "  <TD CLASS=field2>23</TD>\n"
       "</TR>\n"},
  };
  in_session([&] {
    for (const auto& c : cases) EXPECT_EQ(appended(c.emit), c.html) << c.what;
  });
}

// --- paging --------------------------------------------------------------------

struct Paging {
  const char* size_key;
  int count;
  const char* remembered;  // the offset variable before the call; NULL unset
  const char* button;
  int offset, from, to;    // results (end_var always holds the count)
  int page_size;
};

void PrintTo(const Paging& p, std::ostream* os) {
  *os << p.size_key << " " << p.count << " rows at " << (p.remembered ? p.remembered : "(none)") << " '"
      << (p.button ? p.button : "(NULL)") << "'";
}

class PageOutPaging : public PageOut, public ::testing::WithParamInterface<Paging> {};

TEST_P(PageOutPaging, ButtonsMoveTheRememberedOffset) {
  const Paging& p = GetParam();
  int size = -1, offset = -1, end = -1;
  std::string from, to, count, stored;
  in_session([&] {
    if (p.remembered) sess_put("Lista_offset", p.remembered);
    manage_rewind(p.button, "Lista_from", "Lista_to", "Lista_end", p.count, &size, &offset, &end, p.size_key,
                  "Lista_offset");
  });
  // What the next page of the session reads.
  in_session([&] {
    from = var_s("Lista_from");
    to = var_s("Lista_to");
    count = var_s("Lista_end");
    stored = var_s("Lista_offset");
  });
  EXPECT_EQ(size, p.page_size);
  EXPECT_EQ(offset, p.offset);
  EXPECT_EQ(end, p.to);
  EXPECT_EQ(stored, std::to_string(p.offset));
  EXPECT_EQ(from, std::to_string(p.from));
  EXPECT_EQ(to, std::to_string(p.to));
  EXPECT_EQ(count, std::to_string(p.count < 0 ? 0 : p.count));
}

INSTANTIATE_TEST_SUITE_P(
    Lists, PageOutPaging,
    ::testing::Values(
        // 25 rows, 10 a page.
        Paging{"Lista_na_stronie", 25, nullptr, "", 0, 1, 10, 10},
        Paging{"Lista_na_stronie", 25, "20", ">>", 20, 21, 25, 10},
        Paging{"Lista_na_stronie", 25, "0", ">|", 20, 21, 25, 10},
        Paging{"Lista_na_stronie", 25, "0", "<<", 0, 1, 10, 10},
        Paging{"Lista_na_stronie", 25, "40", "", 20, 21, 25, 10},
        Paging{"Lista_na_stronie", 25, "40", "<<", 10, 11, 20, 10},
        Paging{"Lista_na_stronie", 30, "0", ">|", 20, 21, 30, 10},
        // A list that shrank under a remembered offset at its very end shows
        // its last rows, not an empty page.
        Paging{"Lista_na_stronie", 30, "30", "", 20, 21, 30, 10},
        Paging{"Lista_na_stronie", 0, "5", ">|", 0, 1, 0, 10},
        // 120 records, 50 a page; both forms of every caption.
        Paging{"Firm_na_stronie", 120, nullptr, nullptr, 0, 1, 50, 50},
        Paging{"Firm_na_stronie", 120, "0", ">>", 50, 51, 100, 50},
        Paging{"Firm_na_stronie", 120, "50", "&gt;&gt;", 100, 101, 120, 50},
        Paging{"Firm_na_stronie", 120, "100", ">>", 100, 101, 120, 50},
        Paging{"Firm_na_stronie", 120, "0", "&gt;|", 100, 101, 120, 50},
        Paging{"Firm_na_stronie", 120, "100", "<<", 50, 51, 100, 50},
        Paging{"Firm_na_stronie", 120, "100", "&lt;&lt;", 50, 51, 100, 50},
        Paging{"Firm_na_stronie", 120, "100", "|<", 0, 1, 50, 50},
        Paging{"Firm_na_stronie", 120, "100", "|&lt;", 0, 1, 50, 50},
        Paging{"Firm_na_stronie", 120, "70", "Zatwierdz", 70, 71, 120, 50},
        Paging{"Firm_na_stronie", 120, "70", "<<<", 70, 71, 120, 50},
        // An offset from a crafted request stays within the list.
        Paging{"Firm_na_stronie", 120, "-5", "", 0, 1, 50, 50},
        Paging{"Firm_na_stronie", 120, "99999999999", "", 100, 101, 120, 50},
        // Sizes of 0, below 0 or missing make pages of one row.
        Paging{"Zero_na_stronie", 120, "0", ">|", 119, 120, 120, 1},
        Paging{"Zero_na_stronie", 120, "5", ">>", 6, 7, 7, 1},
        Paging{"Ujemne_na_stronie", 3, nullptr, ">|", 2, 3, 3, 1},
        Paging{"Nie_ma_na_stronie", 3, nullptr, ">|", 2, 3, 3, 1},
        Paging{"Zero_na_stronie", 0, nullptr, ">|", 0, 1, 0, 1},
        // A list's own size setting makes pages of one row when it is
        // missing, and is taken as stored beyond the settings page's range.
        Paging{"Sprzetu_na_stronie", 120, nullptr, ">|", 119, 120, 120, 1},
        Paging{"Napraw_na_stronie", 120, "60", ">|", 0, 1, 120, 5000},
        Paging{"Transakcji_na_stronie", 12, "0", ">>", 5, 6, 10, 5}));

// --- files -------------------------------------------------------------------------

TEST_F(PageOut, RepstrReplacesTheFirstOccurrenceOnly) {
  const std::string in = dir.path() + "/etykiety_towarow0.dbf";
  const std::string out = dir.path() + "/etykiety_towarow.dbf";
  const std::string bytes = "head\0NAZWA\r\nmid NAZWA end"s;
  write_bytes(in, bytes);

  struct Case {
    const char* what;
    const char* old_text;
    const char* new_text;
    std::string want;
  };
  const std::vector<Case> cases = {
      {"first of two", "NAZWA", "Rower górski", "head\0Rower górski\r\nmid NAZWA end"s},
      {"longer than the file", "NAZWA NAZWA NAZWA NAZWA NAZWA", "x", bytes},
      {"empty old never matches", "", "x", bytes},
      {"NULL old", nullptr, "x", bytes},
      {"NULL new removes", "head", nullptr, "\0NAZWA\r\nmid NAZWA end"s},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(repstr(in.c_str(), out.c_str(), c.old_text, c.new_text), 0) << c.what;
    EXPECT_EQ(read_bytes(out), c.want) << c.what;
  }
  EXPECT_EQ(read_bytes(in), bytes) << "the input is only read";

  // The file may be its own output.
  ASSERT_EQ(repstr(out.c_str(), out.c_str(), "mid", "MID"), 0);
  EXPECT_EQ(read_bytes(out), "\0NAZWA\r\nMID NAZWA end"s);
}

TEST_F(PageOut, RepstrFailuresLeaveTheOutputAsItWas) {
  const std::string out = dir.path() + "/out.dbf";
  write_bytes(out, "old");
  EXPECT_EQ(repstr((dir.path() + "/missing.dbf").c_str(), out.c_str(), "a", "b"), -8);
  EXPECT_EQ(repstr(nullptr, out.c_str(), "a", "b"), -8);
  EXPECT_EQ(read_bytes(out), "old");

  const std::string in = dir.path() + "/in.dbf";
  write_bytes(in, "abc");
  EXPECT_EQ(repstr(in.c_str(), (dir.path() + "/no_such_dir/out.dbf").c_str(), "a", "b"), -9);
  EXPECT_EQ(repstr(in.c_str(), nullptr, "a", "b"), -9);
  // A directory in the way of the output: the write fails, nothing is lost.
  fs::create_directory(dir.path() + "/busy.dbf");
  EXPECT_EQ(repstr(in.c_str(), (dir.path() + "/busy.dbf").c_str(), "a", "b"), -9);
  EXPECT_TRUE(fs::is_directory(dir.path() + "/busy.dbf"));
}

TEST_F(PageOut, FileSizes) {
  const std::string small = dir.path() + "/small.bin";
  write_bytes(small, "ab\0cd"s);
  std::uint64_t size = 99;
  EXPECT_EQ(filedir_filesize(&size, small.c_str()), 0);
  EXPECT_EQ(size, 5u);

  struct Case {
    const char* what;
    std::string path;
    int result;
  };
  const std::vector<Case> errors = {
      {"missing", dir.path() + "/missing.bin", -3},
      {"directory", dir.path(), -3},
  };
  for (const auto& c : errors) {
    size = 99;
    EXPECT_EQ(filedir_filesize(&size, c.path.c_str()), c.result) << c.what;
    EXPECT_EQ(size, 0u) << c.what;
  }
  size = 99;
  EXPECT_EQ(filedir_filesize(&size, nullptr), -2);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(filedir_filesize(nullptr, small.c_str()), -1);

  // A file beyond 4 GiB (sparse, so it takes no room) has its whole size.
  const std::string big = dir.path() + "/big.bin";
  const std::uint64_t five_gib = 5ull << 30;
  const int fd = ::open(big.c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  const bool made = ::ftruncate(fd, static_cast<off_t>(five_gib)) == 0;
  ::close(fd);
  if (!made) GTEST_SKIP() << "no room for a sparse file of 5 GiB here";
  EXPECT_EQ(filedir_filesize(&size, big.c_str()), 0);
  EXPECT_EQ(size, five_gib);
}

// --- navigation history ---------------------------------------------------------------

TEST_F(PageOut, NavigationHistoryIsARingOfTenInTheSession) {
  EXPECT_EQ(nav_hist_max(), 10);
  in_session([] {
    EXPECT_EQ(nav_hist_add(19, 7), 0);
    EXPECT_EQ(nav_hist_nav(), 19);
    EXPECT_EQ(nav_hist_id(), 7u);
    EXPECT_EQ(var_i("nav_hist_pos"), 1);
    // The page that is already current adds nothing.
    nav_hist_add(19, 8);
    EXPECT_EQ(var_i("nav_hist_pos"), 1);
    EXPECT_EQ(nav_hist_id(), 7u);
    sess_put("n_19", "e");
  });
  // Kept in the session for its next request.
  in_session([] {
    EXPECT_EQ(nav_hist_nav(), 19);
    EXPECT_STREQ(nav_hist_action(), "e");
    nav_hist_clear_action();
    EXPECT_STREQ(var_s("n_19"), "");

    // Ten adds of different pages come back to the same position.
    for (int page = 100; page < 110; ++page) nav_hist_add(page, static_cast<std::uint32_t>(page) * 2);
    EXPECT_EQ(var_i("nav_hist_pos"), 1);
    EXPECT_EQ(nav_hist_nav(), 109);
    EXPECT_EQ(nav_hist_id(), 218u);

    nav_hist_sub();
    EXPECT_EQ(var_i("nav_hist_pos"), 0);
    EXPECT_EQ(nav_hist_nav(), 108);
    nav_hist_sub();
    EXPECT_EQ(var_i("nav_hist_pos"), 9) << "back past the start wraps to the end";
    EXPECT_EQ(nav_hist_next(), 0);
    EXPECT_EQ(nav_hist_prev(), 8);

    testing::internal::CaptureStdout();
    nav_hist_display();
    const std::string shown = testing::internal::GetCapturedStdout();
    EXPECT_EQ(shown.substr(0, shown.find('\n', shown.find('\n') + 1) + 1),
              "0. nav_hist_pos=9 nav==107 id=214\n"
              "1. nav_hist_pos=0 nav==108 id=216\n");
  });
}

}  // namespace
