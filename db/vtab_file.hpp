// The table file: how the records of a generated table are written to and
// read from its text file, generated from the table's declaration like the
// other members (<T>_to_file, <T>_tab_save, <T>_print, <T>_tab_print,
// <T>_ref_print, <T>_from_file, <T>_tab_load).
//
// A file is the version line (not for tables declared with .header_line =
// false), then one record a line: every field in column order, each preceded
// by one blank, in the form of its codec (lib/vtab_codec.hpp).  A text may hold
// line breaks, so a record may span lines; fields are otherwise never split
// over lines.
//
// The reader is strict about the form of each field, so that a record a save
// could not have written is never taken apart into wrong fields: a record
// with a field of the wrong form, a field missing or one too many is dropped
// with a console message, reading goes on at the line after the one the
// record begins on, and the table counts it in `damaged`.  A record cut off by
// the end of the file is dropped and counted the same way.  A last record
// without its line end is kept, but counted too: nothing tells a last number
// cut short from a whole one, and a save always ends a record with its line
// end.  A damaged table's file is kept aside before it is first overwritten
// (vtab_file_commit).
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <type_traits>

#include "db/vtab_table.hpp"
#include "lib/console.hpp"
#include "lib/vtab_codec.hpp"
#include "platform/textfile.hpp"

// Reads a table file whole (CR LF turned into LF) into in; 0, or -1 when it
// cannot be read (errno tells why).
int vtab_file_open(const std::string& path, kal::TextIn& in);

// Writes a table file built in out (or streamed from it) to out.path()
// through the atomic rewrite: 0, or -1 with a console message (and the reason
// in *err) when the file could not be written; the old file is then whole.  When *damaged is not 0 the file
// as it is on disk, the one the table was loaded from, is first copied beside
// it as "<file>.damaged-YYYYMMDD-HHMMSS" and the console told; *damaged is
// then cleared.  When that copy cannot be made, nothing is overwritten (-1).
int vtab_file_commit(kal::TextOut& out, int32_t* damaged, std::string* err = nullptr);

namespace kal {

// The unread part of a table file.
struct vtab_cursor {
  const char* p;
  const char* end;
};

// Results of the field readers.
enum vtab_field_rc : int {
  vtab_field_ok = 0,
  vtab_field_none = 1,  // the file ends before the field
  vtab_field_cut = 2,   // the file ends inside the field
  vtab_field_bad = 3,   // not a field of its kind, or not followed by a blank or a line end
};

// Each reader first skips blanks, tabs and CR before the field (and line
// ends too before the first field of a record: first); a line end where a
// later field should begin is a missing field (bad).  Values are those of the
// codec's readers; a bad field leaves the value unspecified.  The text reader
// throws std::bad_alloc when memory runs out.
int vtab_read_field(vtab_cursor& c, bool first, uint32_t* v);
int vtab_read_field(vtab_cursor& c, bool first, int32_t* v);
int vtab_read_field(vtab_cursor& c, bool first, int64_t* v);
int vtab_read_field(vtab_cursor& c, bool first, double* v);
int vtab_read_field(vtab_cursor& c, bool first, char* v);
int vtab_read_field(vtab_cursor& c, bool first, ostr* v);
// After the last field: blanks, tabs and CR, then a line end, which is taken
// (0), or the end of the file (1); -1 when something else follows.
int vtab_read_record_end(vtab_cursor& c);
// Skips to the start of the next line (or the end of the file).
void vtab_skip_line(vtab_cursor& c);
// Skips blanks, tabs, CR and line ends.
void vtab_skip_space(vtab_cursor& c);
// The 1-based line of the text at offset.
long vtab_line_of(const std::string& text, std::size_t offset);

// The short road of a load: the fields of a record in the form a save writes
// them, each after one blank (" 123", " -4", " 12.50", " 'text'", " T") and
// followed by a separator.  Each reader gives the place after the field, or
// NULL for a field in any other form, which the long road (vtab_read_field)
// reads; a field both can read comes out of either the same, and the file at
// the same place.
namespace vtab_fast {

inline bool is_sep(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; }
inline bool is_digit(char ch) { return static_cast<unsigned char>(ch - '0') < 10; }

// " [-]digits" followed by a separator; the value modulo 2^64.
inline const char* integer(const char* p, const char* end, uint64_t* v) {
  if (end - p < 3 || p[0] != ' ') return nullptr;
  ++p;
  bool neg = *p == '-';
  p += neg;
  const char* digits = p;
  uint64_t x = 0;
  for (; p < end && is_digit(*p); ++p) x = x * 10 + static_cast<uint64_t>(*p - '0');
  if (p == digits || p == end || !is_sep(*p)) return nullptr;
  *v = neg ? 0 - x : x;
  return p;
}

// " [-]d.dd", one to thirteen digits before the point: the hundredths
// divided by 100, the nearest double, as the long road gives it.
inline const char* number(const char* p, const char* end, double* v) {
  if (end - p < 6 || p[0] != ' ') return nullptr;
  ++p;
  bool neg = *p == '-';
  p += neg;
  const char* digits = p;
  uint64_t x = 0;
  for (; p < end && is_digit(*p); ++p) x = x * 10 + static_cast<uint64_t>(*p - '0');
  if (p == digits || p - digits > 13 || end - p < 4 || p[0] != '.' || !is_digit(p[1]) || !is_digit(p[2]) ||
      !is_sep(p[3]))
    return nullptr;
  double d = static_cast<double>(x * 100 + static_cast<uint64_t>((p[1] - '0') * 10 + (p[2] - '0'))) / 100.0;
  *v = neg ? -d : d;
  return p + 3;
}

// " X": one byte that is neither a separator nor a backslash.
inline const char* character(const char* p, const char* end, char* v) {
  if (end - p < 3 || p[0] != ' ' || is_sep(p[1]) || p[1] == '\\' || !is_sep(p[2])) return nullptr;
  *v = p[1];
  return p + 2;
}

// *v = the n bytes at p (throws std::bad_alloc).
void set_text(ostr* v, const char* p, std::size_t n);

// " '...'": a text without a quote inside.
inline const char* text(const char* p, const char* end, ostr* v) {
  if (end - p < 4 || p[0] != ' ' || p[1] != '\'') return nullptr;
  const char* from = p + 2;
  const char* q = *from == '\''  // the common empty text
                      ? from
                      : static_cast<const char*>(std::memchr(from, '\'', static_cast<std::size_t>(end - from)));
  if (q == nullptr || end - q < 2 || !is_sep(q[1])) return nullptr;
  set_text(v, from, static_cast<std::size_t>(q - from));
  return q + 1;
}

}  // namespace vtab_fast

// Writes the records of a table into a TextOut: the fields are formatted
// into a buffer of its own, handed on whole when the next record might not
// fit.
class vtab_record_writer {
 public:
  static constexpr std::size_t kSize = 1 << 16;

  explicit vtab_record_writer(TextOut& out) : out_(out), disk_(out.disk()) {}
  vtab_record_writer(const vtab_record_writer&) = delete;
  vtab_record_writer& operator=(const vtab_record_writer&) = delete;
  ~vtab_record_writer() { flush(); }

  // The most bytes put() writes for a field.
  static constexpr std::size_t most(uint32_t) { return 1 + vtab_put_max_integer; }
  static constexpr std::size_t most(int32_t) { return 1 + vtab_put_max_integer; }
  static constexpr std::size_t most(int64_t) { return 1 + vtab_put_max_integer; }
  static constexpr std::size_t most(char) { return 1 + vtab_put_max_c; }
  static constexpr std::size_t most(double) { return 1 + vtab_put_max_g; }
  static std::size_t most(const ostr& v) {
    return 1 + (v.in_place_block() ? vtab_put_max_s16 : vtab_put_max_s(v.size()));
  }
  static constexpr std::size_t most_line_end = 2;

  // A record of n bytes at most (n at most kSize): room(n) gives the place to
  // write it at; put() writes each field after one blank, line_end() the
  // record's end, each giving the place after it; done() takes the place
  // after the record.
  char* room(std::size_t n) {
    if (n > static_cast<std::size_t>(buf_ + kSize - at_)) flush();
    return at_;
  }
  template <class Int>
  static char* put(char* p, Int v) {
    *p = ' ';
    return vtab_put_integer(p + 1, v);
  }
  static char* put(char* p, char v) {
    *p = ' ';
    return vtab_put_c(p + 1, v);
  }
  static char* put(char* p, double v) {
    *p = ' ';
    return vtab_put_g(p + 1, v);
  }
  char* put(char* p, const ostr& v) const {
    *p = ' ';
    if (const char* block = v.in_place_block()) return vtab_put_s16(p + 1, block, v.size(), disk_);
    return vtab_put_s(p + 1, v.view(), disk_);
  }
  char* line_end(char* p) const {
    if (disk_) *p++ = '\r';
    *p++ = '\n';
    return p;
  }
  void done(char* p) { at_ = p; }

  // A record too long for the buffer, a field at a time: a text longer than
  // the buffer goes to the TextOut straight.
  template <class V>
  void field(const V& v) {
    if constexpr (std::is_same_v<V, ostr>) {
      if (most(v) > kSize) {
        flush();
        out_.put(' ');
        vtab_to_file_s(out_, v);
        return;
      }
    }
    done(put(room(most(v)), v));
  }
  void end_record() { done(line_end(room(most_line_end))); }

  void flush() {
    out_.write_formed(std::string_view(buf_, static_cast<std::size_t>(at_ - buf_)));
    at_ = buf_;
  }

 private:
  TextOut& out_;
  const bool disk_;
  char buf_[kSize];
  char* at_ = buf_;
};

}  // namespace kal

template <class T>
struct vtab_engine;  // db/vtab_engine.hpp, which every table module includes

template <class T>
struct vtab_file {
  using M = vtab_meta<T>;
  using Tab = typename M::tab;
  using L = vtab_listelem<T>;
  using Ref = vtab_ref<T>;

  // --- writing -------------------------------------------------------------------

  static void write(kal::vtab_record_writer& w, const T* row) {
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      w.field(F::of(*row));
    });
  }

  // The record with its line end, in one piece when it fits the writer's
  // buffer, else field by field.
  static void write_line(kal::vtab_record_writer& w, const T* row) {
    std::size_t most = kal::vtab_record_writer::most_line_end;
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      most += kal::vtab_record_writer::most(F::of(*row));
    });
    if (most > kal::vtab_record_writer::kSize) {
      write(w, row);
      w.end_record();
      return;
    }
    char* p = w.room(most);
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      p = w.put(p, F::of(*row));
    });
    w.done(w.line_end(p));
  }

  static int to_file(kal::TextOut& file, const T* row) {
    kal::vtab_record_writer w(file);
    write(w, row);
    return 0;
  }

  static int tab_save(kal::TextOut& file, const Tab* tab) {
    if (M::options.header_line) vtab_write_ver(file);
    kal::vtab_record_writer w(file);
    for (const L* e = tab->first; e != nullptr; e = e->next) write_line(w, e->row);
    return 0;
  }

  static void print(const T* row) {
    kal::TextOut out;
    to_file(out, row);
    std::fwrite(out.text().data(), 1, out.text().size(), stdout);
  }

  static int tab_print(const Tab* tab) {
    unsigned long n = 0;
    for (const L* e = tab->first; e != nullptr; e = e->next) {
      std::printf("%04lu: ", n++);
      print(e->row);
      std::printf("\n");
    }
    return 0;
  }

  static int ref_print(const Ref* ref) {
    std::printf("%s_ref_print() size=%ld\n", M::name, static_cast<long>(ref->size));
    long n = 0;
    for (const tab_ref_elem* e = ref->first; e != nullptr; e = e->next) {
      std::printf("%04ld: ", n++);
      const T* row = vtab_row<T>(e);
      if (row == nullptr) {
        std::printf("%s_ref_print(): tab_ref_elem->listelem==NULL !\n", M::name);
      } else {
        print(row);
        std::printf("\n");
      }
    }
    return 0;
  }

  // --- reading -------------------------------------------------------------------

  enum status {
    rec_ok,     // a whole record
    rec_none,   // nothing but blanks and line ends up to the end of the file
    rec_cut,    // the file ends inside the record, at field `field`
    rec_bad,    // field `field` is broken (or, past the last field, something follows it)
    rec_nomem,  // a text could not be stored
  };
  struct result {
    status st;
    int field;   // 1-based, the key being 1
    bool eof;    // nothing follows in the file
    bool unended;       // a whole record, but the file ends without its line end
    std::size_t start;  // offset of the record in the text
  };

  // Where each field lies in a record, and its kind, for the short road: one
  // loop over the fields keeps the code of the readers small, however many
  // fields a table has.
  struct slot {
    char kind;
    std::size_t offset;
  };
  static const slot* layout() {
    static const std::array<slot, M::field_count> fields = [] {
      std::array<slot, M::field_count> a{};
      T probe{};
      M::for_each_field([&](auto f) {
        using F = decltype(f);
        a[F::pos] = {F::letter, static_cast<std::size_t>(reinterpret_cast<const char*>(&F::of(probe)) -
                                                         reinterpret_cast<const char*>(&probe))};
      });
      return a;
    }();
    return fields.data();
  }

  // A record from p on whose every field is in the form a save writes and
  // which ends with its line end: read into row, the place after it.  NULL
  // for any other record, which read_fields() then reads from p into the
  // same row (the fields the short road took it reads the same).  Throws
  // std::bad_alloc when a text cannot be stored.
  static const char* read_fast(T* row, const char* p, const char* end) {
    const slot* fields = layout();
    char* base = reinterpret_cast<char*>(row);
    for (int n = 0; n < M::field_count; ++n) {
      void* at = base + fields[n].offset;
      switch (fields[n].kind) {
        case 'z': {
          uint64_t x;
          p = kal::vtab_fast::integer(p, end, &x);
          if (p) *static_cast<uint32_t*>(at) = static_cast<uint32_t>(x);
          break;
        }
        case 'i': {
          uint64_t x;
          p = kal::vtab_fast::integer(p, end, &x);
          if (p) *static_cast<int32_t*>(at) = static_cast<int32_t>(static_cast<uint32_t>(x));
          break;
        }
        case 't': {
          uint64_t x;
          p = kal::vtab_fast::integer(p, end, &x);
          if (p) *static_cast<int64_t*>(at) = static_cast<int64_t>(x);
          break;
        }
        case 'g': p = kal::vtab_fast::number(p, end, static_cast<double*>(at)); break;
        case 'c': p = kal::vtab_fast::character(p, end, static_cast<char*>(at)); break;
        case 's': p = kal::vtab_fast::text(p, end, static_cast<ostr*>(at)); break;
        default: return nullptr;
      }
      if (p == nullptr) return nullptr;
    }
    return p < end && *p == '\n' ? p + 1 : nullptr;
  }

  // Reads one record into row from the file's current place.  A broken record
  // leaves the file at the start of the line after the one it begins on.  A
  // record in the form a save writes takes the short road; any other, or one
  // whose text could not be stored there, is read field by field.
  static result read(T* row, kal::TextIn& file) {
    const std::string& text = file.text();
    const char* begin = text.data();
    const char* fast = nullptr;
    try {
      fast = read_fast(row, begin + file.pos(), begin + text.size());
    } catch (const std::bad_alloc&) {
      // The long road tries the record again and, should memory still be
      // short, tells at which field.
    }
    if (fast == nullptr) return read_fields(row, file);
    result r{rec_ok, 0, fast == begin + text.size(), false, file.pos()};
    file.seek(static_cast<std::size_t>(fast - begin));
    return r;
  }

  // read() field by field: the long road.
  static result read_fields(T* row, kal::TextIn& file) {
    const std::string& text = file.text();
    const char* begin = text.data();
    kal::vtab_cursor c{begin + file.pos(), begin + text.size()};
    result r{rec_ok, 0, false, false, file.pos()};
    try {
      M::for_each_field([&](auto f) {
        using F = decltype(f);
        if (r.st != rec_ok) return;
        r.field = F::pos + 1;
        int rc = kal::vtab_read_field(c, F::pos == 0, &F::of(*row));
        if (rc == kal::vtab_field_ok) {
          // A number or a text reads on to the byte that ends it: when the
          // file ends there, the record was cut in this field, not before the
          // next one (a character field takes its one byte and no more).
          if (F::pos + 1 < M::field_count && F::letter != 'c' && c.p == c.end) r.st = rec_cut;
          return;
        }
        if (rc == kal::vtab_field_bad) r.st = rec_bad;
        else r.st = (rc == kal::vtab_field_none && F::pos == 0) ? rec_none : rec_cut;
      });
    } catch (const std::bad_alloc&) {
      r.st = rec_nomem;
    }
    if (r.st == rec_ok) {
      r.field = 0;
      int end = kal::vtab_read_record_end(c);
      if (end < 0) {
        r.st = rec_bad;
        r.field = M::field_count + 1;
      }
      r.unended = end > 0;
    }
    if ((r.st != rec_ok && r.st != rec_none) || r.unended) {
      // Where the record begins: its line is the one reported, and a broken
      // record is read past from the line after it.  A fault found further on
      // may lie in a text left open, which took in the records that follow.
      kal::vtab_cursor k{begin + r.start, c.end};
      kal::vtab_skip_space(k);
      r.start = static_cast<std::size_t>(k.p - begin);
      if (r.st != rec_cut && r.st != rec_ok) {
        kal::vtab_skip_line(k);
        c.p = k.p;
      }
    }
    file.seek(static_cast<std::size_t>(c.p - begin));
    r.eof = c.p == c.end;
    return r;
  }

  // 0 for a whole record (*eof set when nothing follows it); k, the 1-based
  // field, when the file ends before or inside field k (*eof set); -k when
  // field k is broken (k is one past the last field when something follows
  // the last one) or when memory ran out for its text, the file then being at
  // the start of the line after the one the record begins on.
  static int from_file(T* row, kal::TextIn& file, int* eof) {
    result r = read(row, file);
    if (r.eof && eof) *eof = 1;
    switch (r.st) {
      case rec_ok: return 0;
      case rec_none:
      case rec_cut: return r.field;
      default: return -r.field;
    }
  }

  static void report(const kal::TextIn& file, const result& r) {
    long line = kal::vtab_line_of(file.text(), r.start);
    if (r.st == rec_ok)
      kal::console_printf("%s_tab_load(): line %ld: the file ends without the line end of the last record, which may be cut "
                  "short; record kept\n",
                  M::name, line);
    else if (r.st == rec_cut)
      kal::console_printf("%s_tab_load(): line %ld: the file ends within the record, at field %d ('%s'), record dropped\n",
                  M::name, line, r.field, M::field_names[r.field - 1]);
    else if (r.field > M::field_count)
      kal::console_printf("%s_tab_load(): line %ld: more fields than %d in the record, record dropped\n", M::name, line,
                  static_cast<int>(M::field_count));
    else
      kal::console_printf("%s_tab_load(): line %ld: field %d ('%s') broken, record dropped\n", M::name, line, r.field,
                  M::field_names[r.field - 1]);
  }

  // Appends every record of the file to the table.  accept(row) may refuse a
  // whole record, which is then dropped and counted as damage.  0 at
  // the end of the file; -1 when out of memory for a record, -3 for its list
  // element, the index update's result (-2 for the key) when an index could
  // not take it; the records read before stay, and a load stopped early counts
  // as damage.
  template <class Accept>
  static int load(kal::TextIn& file, Tab* tab, Accept&& accept) {
    if (M::options.header_line && vtab_read_ver(file) != 0) return 0;
    typename vtab_engine<T>::loading indexes(tab);
    for (;;) {
      T* row = new (std::nothrow) T;  // every field is read before the record is kept
      if (row == nullptr) {
        ++tab->damaged;
        return -1;
      }
      result r = read(row, file);
      if (r.st != rec_ok) {
        delete row;
        if (r.st == rec_nomem) {
          ++tab->damaged;
          return -1;
        }
        if (r.st == rec_none) return 0;
        report(file, r);
        ++tab->damaged;
        if (r.eof) return 0;
        continue;
      }
      if (!accept(static_cast<const T&>(*row))) {
        delete row;
        ++tab->damaged;
      } else {
        if (vtab_api<T>::tab_append(tab, row) != 0) {
          delete row;
          ++tab->damaged;
          return -3;
        }
        int rc = indexes.upd_idxs();
        if (rc != 0) {
          ++tab->damaged;
          return rc;
        }
        if (r.unended) {
          // Nothing tells a last number cut short from a whole one.
          report(file, r);
          ++tab->damaged;
        }
      }
      if (r.eof) return 0;
    }
  }

  static int tab_load(kal::TextIn& file, Tab* tab) {
    return load(file, tab, [](const T&) { return true; });
  }
};

// Definitions of a table's file members, for VTAB_DEFINE.
#define VTAB_FILE_DEF(T)                                                                                        \
  int T##_to_file(kal::TextOut& file, const T* row) { return vtab_file<T>::to_file(file, row); }               \
  int T##_tab_save(kal::TextOut& file, const T##_tab* tab) { return vtab_file<T>::tab_save(file, tab); }        \
  void T##_print(const T* row) { vtab_file<T>::print(row); }                                                    \
  int T##_tab_print(const T##_tab* tab) { return vtab_file<T>::tab_print(tab); }                                \
  int T##_ref_print(const T##_ref* ref) { return vtab_file<T>::ref_print(ref); }                                \
  int T##_from_file(T* row, kal::TextIn& file, int* eof) { return vtab_file<T>::from_file(row, file, eof); }
#define VTAB_LOAD_DEF(T) \
  int T##_tab_load(kal::TextIn& file, T##_tab* tab) { return vtab_file<T>::tab_load(file, tab); }
