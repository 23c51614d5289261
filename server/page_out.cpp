#include "server/page_out.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "lib/convert.hpp"
#include "lib/strbuf.hpp"
#include "mages/mages.hpp"
#include "platform/textfile.hpp"
#include "server/html_form.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/ustawienia.hpp"

namespace {

bool odd(long n) { return (n & 1) != 0; }

bool empty(const char* text) { return !text || !text[0]; }

// One data cell of a list row, with its line feed.
void cell(const char* text, const char* td) {
  tableItemFieldDisplay(text, td);
  app("\n");
}

void row_cells(const char* td, std::initializer_list<const char*> cells) {
  for (const char* c : cells)
    if (c) cell(c, td);
}

// The row number cell and the link cell of a list row; extra goes after the
// number (the checkbox of tableItemDisplay3).
void row_head(long n, const char* url, const char* link_text, const std::string& extra) {
  const char* td = tableItemTD(n);
  app("<TR>\n");
  app("  ");
  app(td);
  app(from_l(n));
  app(". ");
  app(extra.c_str());
  app("</TD>\n");
  app("  ");
  app(td);
  app(kal::make_page_href(url, link_text ? link_text : "").c_str());
  app("</TD>\n");
}

// The first row of the last page that holds any row: count - count mod size,
// one page further back when that is count itself; never below 0.
long last_page_start(long count, long size) {
  long start = count - count % size;
  if (start >= count) start = count - size;
  return start < 0 ? 0 : start;
}

bool is_button(const char* button, const char* plain, const char* escaped) {
  return button && (std::strcmp(button, plain) == 0 || std::strcmp(button, escaped) == 0);
}

void put_long(const char* name, long value) {
  if (name) sess_put(name, from_l(value));
}

std::string nav_var(const char* prefix, int pos) { return prefix + std::to_string(pos); }

std::string action_var(int page) { return "n_" + std::to_string(page); }

struct StrbufDeleter {
  void operator()(strbuf* b) const { strbuf_delete(&b); }
};

}  // namespace

// --- messages ----------------------------------------------------------------------

int errorDisplay(const char* text) {
  app("<CENTER><BIG><FONT COLOR=\"RED\">\n");
  app(text);
  app("</FONT></BIG></CENTER>\n");
  return 0;
}

int infoDisplay(const char* text) {
  app("<CENTER><BIG><FONT COLOR=\"GREEN\">\n");
  app(text ? text : "");
  app("</FONT></BIG></CENTER>\n");
  return 0;
}

const char* vv(const char* text) { return text; }

// --- cell openings -------------------------------------------------------------------

int approw(long n) {
  app(odd(n) ? "<TD CLASS=field2>\n" : "<TD CLASS=fieldname>\n");
  return 0;
}

int approwr(long n) {
  app(odd(n) ? "<TD CLASS=field2 ALIGN=RIGHT>\n" : "<TD CLASS=fieldname ALIGN=RIGHT>\n");
  return 0;
}

int approw_red(long n) {
  app(odd(n) ? "<TD CLASS=field2red>\n" : "<TD CLASS=fieldnamered>\n");
  return 0;
}

int approw_color(long /*n*/, const char* colour) {
  app("<TD BGCOLOR=");
  app(colour);
  app(">\n");
  return 0;
}

int apptd_color(long n, int red, int use_colour, const char* colour) {
  if (red == 1) return approw_red(n);
  if (use_colour == 1 && colour && *colour && std::strcmp(colour, "domyślny") != 0) return approw_color(n, colour);
  return approw(n);
}

const char* tableItemTD(long n) { return odd(n) ? "<TD CLASS=field2>" : "<TD CLASS=fieldname>"; }

// --- list rows -----------------------------------------------------------------------

int tableItemFieldDisplay(const char* text, const char* td) {
  app("  ");
  app(td);
  app(empty(text) ? "&nbsp;" : text);
  app("</TD>");
  return 0;
}

int tableItemDisplay2(long n, const char* url, const char* link_text, const char* cell1, const char* cell2,
                      const char* cell3, const char* cell4, const char* cell5, const char* cell6, const char* cell7,
                      const char* cell8, const char* cell9) {
  row_head(n, url, link_text, "");
  row_cells(tableItemTD(n), {cell1, cell2, cell3, cell4, cell5, cell6, cell7, cell8, cell9});
  app("</TR>\n");
  return 0;
}

int tableItemDisplay(const char* /*ignored*/, long n, const char* url, const char* link_text, const char* cell1,
                     const char* cell2, const char* cell3, const char* cell4, const char* cell5) {
  return tableItemDisplay2(n, url, link_text, cell1, cell2, cell3, cell4, cell5);
}

int tableItemDisplay3(const char* checkbox_name, int checked, long n, const char* url, const char* link_text,
                      const char* cell1, const char* cell2, const char* cell3, const char* cell4, const char* cell5,
                      const char* cell6, const char* cell7, const char* cell8, const char* cell9) {
  std::string box = "<input type=checkbox name=\"";
  box += checkbox_name ? checkbox_name : "";
  box += checked == 1 ? "\" checked>" : "\" >";
  row_head(n, url, link_text, box);
  row_cells(tableItemTD(n), {cell1, cell2, cell3, cell4, cell5, cell6, cell7, cell8, cell9});
  app("</TR>\n");
  return 0;
}

int tableItemDynamic(const char* /*ignored*/, long n, const char* button_name, const char* /*name_0*/,
                     const char* /*id_0*/, const char* text_0, const char* /*name_1*/, const char* text_1,
                     const char* /*name_2*/, const char* text_2, const char* /*name_3*/, const char* text_3,
                     const char* /*name_4*/, const char* text_4, const char* /*name_5*/, const char* text_5,
                     const char* /*name_6*/, const char* text_6, const char* /*name_7*/, const char* text_7,
                     const char* /*name_8*/, const char* text_8) {
  const char* td = tableItemTD(n);
  const std::string caption =
      std::string(ustawienia_get("Usun_sp_button")) + std::to_string(static_cast<unsigned long>(n)) + ".";
  app("<TR>\n");
  app(td);
  app(kal::make_input_submit(button_name, caption.c_str(), "").c_str());
  app("</TD>\n");
  cell(empty(text_0) ? "----------------------------------" : text_0, td);
  row_cells(td, {text_1, text_2, text_3, text_4, text_5, text_6, text_7, text_8});
  app("</TR>\n");
  return 0;
}

// --- paging ----------------------------------------------------------------------------

int manage_rewind(const char* button, const char* from_var, const char* to_var, const char* end_var, int count,
                  int* page_size, int* offset, int* end, const char* size_key, const char* offset_var,
                  long fallback_size) {
  // A missing or broken size setting takes the page's fallback; a page holds
  // at least one row, so that nothing below divides by zero.
  const char* raw = size_key ? ustawienia_get(size_key) : nullptr;
  long size = (raw && std::strcmp(raw, size_key) != 0 && is_number(raw)) ? ustawienia_get_l(size_key) : 0;
  if (size < 1 || to_l(raw) < 1) size = fallback_size;
  if (size < 1) size = 1;
  if (size > INT_MAX) size = INT_MAX;
  const long rows = count < 0 ? 0 : count;

  // The remembered offset comes from the session (or the request): past the
  // end it moves to the last page, below 0 to the first.
  long off = var_l(offset_var);
  if (off >= rows) off = last_page_start(rows, size);
  if (off < 0) off = 0;

  if (is_button(button, "|<", "|&lt;")) {
    off = 0;
  } else if (is_button(button, "<<", "&lt;&lt;")) {
    off -= size;
    if (off < 0) off = 0;
  } else if (is_button(button, ">>", "&gt;&gt;")) {
    off += size;
    if (off >= rows) off -= size;
  } else if (is_button(button, ">|", "&gt;|")) {
    off = last_page_start(rows, size);
  }

  long stop = off + size;
  if (stop > rows) stop = rows;

  put_long(offset_var, off);
  put_long(from_var, off + 1);
  put_long(to_var, stop);
  put_long(end_var, rows);
  if (page_size) *page_size = static_cast<int>(size);
  if (offset) *offset = static_cast<int>(off);
  if (end) *end = static_cast<int>(stop);
  return 0;
}

// --- files -------------------------------------------------------------------------------

int repstr(const char* in_path, const char* out_path, const char* old_text, const char* new_text) {
  std::unique_ptr<strbuf, StrbufDeleter> s(in_path ? strbuf_binfile_to_buf(in_path) : nullptr);
  if (!s) {
    std::printf("s = strbuf_binfile_to_buf('%s') == NULL !\n", in_path ? in_path : "");
    return -8;
  }
  std::string out;
  try {
    const std::string_view in(s->data, s->size);
    const std::string_view old = old_text ? old_text : "";
    const std::size_t at = old.empty() ? std::string_view::npos : in.find(old);
    if (at == std::string_view::npos) {
      out.assign(in);
    } else {
      out.reserve(in.size() - old.size() + (new_text ? std::strlen(new_text) : 0));
      out.append(in.substr(0, at));
      out.append(new_text ? new_text : "");
      out.append(in.substr(at + old.size()));
    }
  } catch (const std::bad_alloc&) {
    std::printf("t = strbuf_new() = 0 !\n");
    return -4;
  }
  s.reset();
  if (!out_path || kal::atomic_rewrite(out_path, out) != 0) {
    std::printf("repstr(): ERROR Can't open output file '%s' to read binary !\n", out_path ? out_path : "");
    return -9;
  }
  return 0;
}

int filedir_filesize(std::uint64_t* size, const char* path) {
  if (!size) return -1;
  *size = 0;
  if (!path) return -2;
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -3;
  struct stat st {};
  const int r = ::fstat(fd, &st);
  ::close(fd);
  if (r != 0) return -4;
  if (S_ISDIR(st.st_mode)) return -3;
  *size = static_cast<std::uint64_t>(st.st_size);
  return 0;
}

void pdftbl_cell() {}

// --- navigation history ----------------------------------------------------------------

int nav_hist_max() { return 10; }

int nav_hist_next() {
  const long pos = static_cast<long>(var_i("nav_hist_pos")) + 1;
  return pos >= nav_hist_max() || pos < 0 ? 0 : static_cast<int>(pos);
}

int nav_hist_prev() {
  const long pos = static_cast<long>(var_i("nav_hist_pos")) - 1;
  return pos < 0 || pos >= nav_hist_max() ? nav_hist_max() - 1 : static_cast<int>(pos);
}

int nav_hist_nav() { return var_i(nav_var("nav_hist_nav", var_i("nav_hist_pos")).c_str()); }

std::uint32_t nav_hist_id() { return var_z(nav_var("nav_hist_id", var_i("nav_hist_pos")).c_str()); }

const char* nav_hist_action() { return var_s(action_var(nav_hist_nav()).c_str()); }

int nav_hist_clear_action() {
  sess_put(action_var(nav_hist_nav()).c_str(), "");
  return 0;
}

int nav_hist_add(int page_id, std::uint32_t id) {
  if (nav_hist_nav() == page_id) return 0;
  const int pos = nav_hist_next();
  sess_put("nav_hist_pos", from_i(pos));
  sess_put(nav_var("nav_hist_nav", pos).c_str(), from_i(page_id));
  sess_put(nav_var("nav_hist_id", pos).c_str(), from_z(id));
  return 0;
}

int nav_hist_sub() {
  sess_put("nav_hist_pos", from_i(nav_hist_prev()));
  return 0;
}

int nav_hist_display() {
  const int max = nav_hist_max();
  const int pos = var_i("nav_hist_pos");
  for (int i = 0; i < max; ++i) {
    const int p = ((pos + i) % max + max) % max;
    const int nav = var_i(nav_var("nav_hist_nav", p).c_str());
    const std::uint32_t id = var_z(nav_var("nav_hist_id", p).c_str());
    std::printf("%d. nav_hist_pos=%d nav=%s=%d id=%d\n", i, p, mages_nav_name(nav), nav, static_cast<int>(id));
  }
  return 0;
}
