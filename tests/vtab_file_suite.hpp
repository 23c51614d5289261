// The part of the table-file tests that runs over every table of
// db/all_tables.hpp, and the helpers the other table-file tests share.  The
// tables are shared out among tests/test_vtab_file.cpp and
// tests/vtab_file_part*.cpp, which compile in parallel:
//   VTAB_FILE_SUITE_PART(part)
#pragma once

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "db/all_tables.hpp"
#include "db/vtab_engine.hpp"
#include "db/vtab_file.hpp"
#include "lib/convert.hpp"
#include "tests/vtab_file_util.hpp"

namespace vtab_file_suite {

using vtab_test::file_bytes;
using vtab_test::put_bytes;
using vtab_test::TempDir;

// --- Values of every kind, with the corners of the file form ---------------------

inline std::string long_text() {
  std::string s;
  for (int i = 0; s.size() < 9000; ++i) s += "line " + std::to_string(i) + " it's 'quoted'\n";
  return s;
}

template <class V>
const std::vector<V>& pool();
template <>
inline const std::vector<uint32_t>& pool<uint32_t>() {
  static const std::vector<uint32_t> v{0u, 1u, 7u, 2147483648u, 4294967295u};
  return v;
}
template <>
inline const std::vector<int32_t>& pool<int32_t>() {
  static const std::vector<int32_t> v{INT32_MIN, -1, 0, 42, INT32_MAX};
  return v;
}
template <>
inline const std::vector<int64_t>& pool<int64_t>() {
  static const std::vector<int64_t> v{-86400, 0, 1700000000, 4102444800LL, 253402300799LL, -4102444800LL};
  return v;
}
template <>
inline const std::vector<double>& pool<double>() {
  static const std::vector<double> v{-1.5, 0.0, 0.1, 1e9 + 0.25, -0.01, 1e300, 2.345, 99999999999.99};
  return v;
}
template <>
inline const std::vector<char>& pool<char>() {
  static const std::vector<char> v{'N', ' ', '\t', '\n', '\0', '\\', '\'', '\xE5', 's', '\r', 'T'};
  return v;
}
template <>
inline const std::vector<ostr>& pool<ostr>() {
  static const std::vector<ostr> v{ostr(),
                                   ostr(""),
                                   ostr("it's"),
                                   ostr("two\nlines\n"),
                                   ostr("  \tleading blanks"),
                                   ostr("\xA5\xB9\xE6 \xB3\xF3\xBF"),
                                   ostr(long_text()),
                                   ostr("'"),
                                   ostr("''"),
                                   ostr("ends with a quote'"),
                                   ostr("back\\slash \\s \\"),
                                   ostr("CR\r\nLF\rCR"),
                                   ostr("trailing blank "),
                                   ostr(" 5 'x' 6")};
  return v;
}

// A value as a load gives it back.
template <class V>
V as_loaded(const V& v) {
  if constexpr (std::is_same_v<V, ostr>) {
    std::string_view s = v.view();
    std::size_t start = s.find_first_not_of(" \t");
    return ostr(start == std::string_view::npos ? std::string_view() : s.substr(start));
  } else if constexpr (std::is_same_v<V, double>) {
    return std::strtod(kal::format_fixed(v, 2, 4).c_str(), nullptr);
  } else {
    return v;
  }
}

template <class V>
std::string show(const V& v) {
  if constexpr (std::is_same_v<V, ostr>) return v.is_null() ? "NULL" : "'" + v.str() + "'";
  else if constexpr (std::is_same_v<V, char>) return std::to_string(static_cast<int>(static_cast<unsigned char>(v)));
  else return std::to_string(v);
}

// Record n of a table: field f holds value n + f of its kind's pool; only the
// first record has the key 0 (the annual repair table refuses it later).
template <class T>
T pooled_row(int n) {
  T r{};
  vtab_meta<T>::for_each_field([&](auto f) {
    using F = decltype(f);
    const auto& p = pool<typename F::type>();
    F::of(r) = p[static_cast<std::size_t>(n + F::pos) % p.size()];
    if constexpr (F::pos == 0 && std::is_same_v<typename F::type, uint32_t>)
      if (n > 0 && F::of(r) == 0) F::of(r) = static_cast<uint32_t>(100 + n);
  });
  return r;
}

// A record whose fields hold no blanks, quotes or line breaks, so that its line
// can be taken apart at the blanks.
template <class T>
T plain_row(int n) {
  T r{};
  vtab_meta<T>::for_each_field([&](auto f) {
    using F = decltype(f);
    using V = typename F::type;
    if constexpr (std::is_same_v<V, ostr>) F::of(r) = "t" + std::to_string(n) + "_" + F::name();
    else if constexpr (std::is_same_v<V, char>) F::of(r) = static_cast<char>('A' + n);
    else if constexpr (std::is_same_v<V, double>) F::of(r) = n + 0.25;
    else F::of(r) = static_cast<V>(n * 10 + F::pos);
  });
  return r;
}

template <class T>
void expect_row(const T& got, const T& want, int n) {
  vtab_meta<T>::for_each_field([&](auto f) {
    using F = decltype(f);
    auto expect = as_loaded(F::of(want));
    EXPECT_TRUE(F::of(got) == expect) << vtab_meta<T>::name << " record " << n << " field " << F::name() << ": got "
                                      << show(F::of(got)) << ", want " << show(expect);
  });
}

template <class T>
std::vector<const T*> rows(const typename vtab_meta<T>::tab* tab) {
  std::vector<const T*> out;
  for (auto* e = tab->first; e != nullptr; e = e->next) out.push_back(e->row);
  return out;
}

template <class T>
std::string saved_text(const typename vtab_meta<T>::tab* tab) {
  kal::TextOut out;
  EXPECT_EQ(vtab_api<T>::tab_save(out, tab), 0);
  return out.text();
}

template <class T>
std::string record_text(const T& row) {
  kal::TextOut out;
  vtab_api<T>::to_file(out, &row);
  return out.text();
}

inline std::string header() {
  kal::TextOut out;
  vtab_write_ver(out);
  return out.text();
}

// Loads a text into a new table.
template <class T>
struct Loaded {
  using Tab = typename vtab_meta<T>::tab;
  Tab* tab = vtab_api<T>::tab_new();
  int rc = 0;
  std::string out;  // what the load printed
  explicit Loaded(const std::string& text) {
    kal::TextIn in(text);
    ::testing::internal::CaptureStdout();
    rc = vtab_api<T>::tab_load(in, tab);
    out = ::testing::internal::GetCapturedStdout();
  }
  ~Loaded() { vtab_api<T>::tab_delete(&tab); }
  Loaded(const Loaded&) = delete;
  Loaded& operator=(const Loaded&) = delete;
};

// The tables whose place in the list is part modulo parts, as gtest types.
template <int parts, int part, std::size_t I, class Acc, class... T>
struct share_of;
template <int parts, int part, std::size_t I, class... A>
struct share_of<parts, part, I, std::tuple<A...>> {
  using type = ::testing::Types<A...>;
};
template <int parts, int part, std::size_t I, class... A, class H, class... T>
struct share_of<parts, part, I, std::tuple<A...>, H, T...> {
  using next = std::conditional_t<I % parts == part, std::tuple<A..., H>, std::tuple<A...>>;
  using type = typename share_of<parts, part, I + 1, next, T...>::type;
};
template <int parts, int part, class L>
struct share;
template <int parts, int part, class... T>
struct share<parts, part, vtab_tables<T...>> : share_of<parts, part, 0, std::tuple<>, T...> {};

inline constexpr int kParts = 4;

// Tests named after their table.
struct TableName {
  template <class T>
  static std::string GetName(int) {
    return vtab_meta<T>::name;
  }
};

// --- Every table ----------------------------------------------------------------------

template <class T>
class EveryTable : public ::testing::Test {};
TYPED_TEST_SUITE_P(EveryTable);

// Records with every corner of every field kind, saved through the atomic
// rewrite, loaded back and saved again: the same values and the same bytes.
TYPED_TEST_P(EveryTable, SaveLoadSaveKeepsEveryByte) {
  using T = TypeParam;
  using A = vtab_api<T>;
  using M = vtab_meta<T>;
  TempDir dir;
  const std::string path = dir / (std::string(M::name) + ".dat");
  constexpr int kRows = 16;

  auto* tab = A::tab_new();
  for (int n = 0; n < kRows; ++n) {
    T row = pooled_row<T>(n);
    ASSERT_EQ(A::tab_insert(tab, &row), 0);
  }
  kal::TextOut out(path);
  ASSERT_EQ(A::tab_save(out, tab), 0);
  int32_t damaged = 0;
  ASSERT_EQ(vtab_file_commit(out, &damaged), 0);
  A::tab_delete(&tab);

  const std::string disk = file_bytes(path);
  EXPECT_EQ(disk, kal::text_to_disk(out.text())) << "CR LF on disk";
  if (M::options.header_line) EXPECT_EQ(disk.compare(0, 13, "KALMITOR 1.0 "), 0) << "the version line first";
  else EXPECT_EQ(disk[0], ' ') << "no version line: the first record's blank first";
  EXPECT_EQ(disk.substr(disk.size() - 2), "\r\n");

  kal::TextIn in;
  ASSERT_EQ(vtab_file_open(path, in), 0);
  auto* back = A::tab_new();
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(A::tab_load(in, back), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "") << "a file the system wrote loads without a word";
  EXPECT_EQ(back->damaged, 0);
  ASSERT_EQ(back->size, kRows);
  auto got = rows<T>(back);
  for (int n = 0; n < kRows; ++n) expect_row(*got[static_cast<std::size_t>(n)], pooled_row<T>(n), n);

  kal::TextOut again(path);
  ASSERT_EQ(A::tab_save(again, back), 0);
  ASSERT_EQ(vtab_file_commit(again, &back->damaged), 0);
  EXPECT_EQ(file_bytes(path), disk);
  A::tab_delete(&back);
}

TYPED_TEST_P(EveryTable, EmptyTableAndEmptyFile) {
  using T = TypeParam;
  using A = vtab_api<T>;
  auto* tab = A::tab_new();
  const std::string empty = saved_text<T>(tab);
  EXPECT_EQ(empty, vtab_meta<T>::options.header_line ? header() : "");
  A::tab_delete(&tab);
  std::vector<std::string> texts{empty, "", "\n\n"};
  if (vtab_meta<T>::options.header_line) texts.push_back("KALMITOR 1.0 x");  // without its line end
  for (const std::string& text : texts) {
    Loaded<T> l(text);
    EXPECT_EQ(l.rc, 0);
    EXPECT_EQ(l.tab->size, 0);
    EXPECT_EQ(l.tab->damaged, 0);
    EXPECT_EQ(l.out, "");
  }
}

// One broken record among good ones: it goes, with a message naming its
// line, and every other record keeps its own fields.
TYPED_TEST_P(EveryTable, BrokenRecordIsDroppedAlone) {
  using T = TypeParam;
  using M = vtab_meta<T>;
  const std::string head = M::options.header_line ? header() : "";
  const long first_line = M::options.header_line ? 2 : 1;
  std::vector<std::string> lines;
  for (int n = 0; n < 4; ++n) lines.push_back(record_text(plain_row<T>(n)));

  struct Case {
    const char* what;
    std::string broken;
  };
  const std::string& line = lines[2];
  const std::size_t last_blank = line.rfind(' ');
  const std::size_t second_blank = line.find(' ', 1);
  const std::vector<Case> cases{
      {"letters for the key", " 1x" + line.substr(second_blank)},
      {"last field missing", line.substr(0, last_blank)},
      {"a field too many", line + " 9"},
      {"two fields run together", line.substr(0, last_blank) + line.substr(last_blank + 1)},
  };
  for (const Case& c : cases) {
    std::string text = head + lines[0] + "\n" + lines[1] + "\n" + c.broken + "\n" + lines[3] + "\n";
    Loaded<T> l(text);
    SCOPED_TRACE(c.what);
    EXPECT_EQ(l.rc, 0);
    EXPECT_EQ(l.tab->damaged, 1);
    const std::string where = std::string(M::name) + "_tab_load(): line " + std::to_string(first_line + 2) + ": ";
    EXPECT_EQ(l.out.compare(0, where.size(), where), 0) << l.out;
    EXPECT_NE(l.out.find("record dropped\n"), std::string::npos) << l.out;
    ASSERT_EQ(l.tab->size, 3);
    auto got = rows<T>(l.tab);
    expect_row(*got[0], plain_row<T>(0), 0);
    expect_row(*got[1], plain_row<T>(1), 1);
    expect_row(*got[2], plain_row<T>(3), 3);
  }
}

// A load as it reads a file field by field, record by record (the long road
// alone): what it keeps, what it counts as damage, what it says.
template <class T>
void load_field_by_field(const std::string& text, typename vtab_meta<T>::tab* tab) {
  using File = vtab_file<T>;
  kal::TextIn in(text);
  if (vtab_meta<T>::options.header_line && vtab_read_ver(in) != 0) return;
  for (;;) {
    T* row = new T();
    typename File::result r = File::read_fields(row, in);
    if (r.st != File::rec_ok) {
      delete row;
      if (r.st == File::rec_none) return;
      File::report(in, r);
      ++tab->damaged;
      if (r.eof) return;
      continue;
    }
    ASSERT_EQ(vtab_api<T>::tab_append(tab, row), 0);
    ASSERT_EQ(vtab_api<T>::tab_upd_idxs(tab), 0);
    if (r.unended) {
      File::report(in, r);
      ++tab->damaged;
    }
    if (r.eof) return;
  }
}

// Files a save wrote, then damaged at random: bytes dropped, put in, changed,
// the file cut short.  The load, which reads records in the form a save
// writes on a short road of their own, keeps the same records with the same
// values, counts the same damage and says the same as reading every record
// field by field.
TYPED_TEST_P(EveryTable, LoadReadsAsFieldByField) {
  using T = TypeParam;
  using A = vtab_api<T>;
  using M = vtab_meta<T>;
  auto* tab = A::tab_new();
  for (int n = 0; n < 8; ++n) {
    T row = pooled_row<T>(n);
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (std::is_same_v<typename F::type, ostr>)
        if (F::of(row).size() > 100) F::of(row) = "a text of two words";
    });
    ASSERT_EQ(A::tab_insert(tab, &row), 0);
  }
  const std::string saved = saved_text<T>(tab);
  A::tab_delete(&tab);

  static const char kBytes[] = " \n\t\r'-+.,0123456789xT\\";
  std::mt19937 rng(11);
  for (int round = 0; round < 150; ++round) {
    std::string text = saved;
    for (int edits = 1 + static_cast<int>(rng() % 3); edits > 0 && !text.empty(); --edits) {
      std::size_t at = rng() % text.size();
      char byte = kBytes[rng() % (sizeof kBytes - 1)];
      switch (rng() % 5) {
        case 0: text.erase(at, 1); break;
        case 1: text.insert(at, 1, byte); break;
        case 2: text[at] = byte; break;
        case 3: text.insert(at, text.substr(at, rng() % 40)); break;
        default: text.resize(at); break;
      }
    }
    SCOPED_TRACE("round " + std::to_string(round));
    auto* loaded = A::tab_new();
    auto* reference = A::tab_new();
    kal::TextIn in(text);
    ::testing::internal::CaptureStdout();
    int rc = vtab_file<T>::load(in, loaded, [](const T&) { return true; });
    const std::string said = ::testing::internal::GetCapturedStdout();
    ::testing::internal::CaptureStdout();
    load_field_by_field<T>(text, reference);
    const std::string reference_said = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(said, reference_said);
    EXPECT_EQ(loaded->damaged, reference->damaged);
    auto got = rows<T>(loaded);
    auto want = rows<T>(reference);
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t n = 0; n < got.size(); ++n) {
      M::for_each_field([&](auto f) {
        using F = decltype(f);
        const auto& a = F::of(*got[n]);
        const auto& b = F::of(*want[n]);
        if constexpr (std::is_same_v<typename F::type, double>) {
          EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << "record " << n << " field " << F::name();
        } else {
          EXPECT_TRUE(a == b) << "record " << n << " field " << F::name() << ": " << show(a) << " against " << show(b);
        }
      });
    }
    A::tab_delete(&loaded);
    A::tab_delete(&reference);
    if (::testing::Test::HasFailure()) break;
  }
}

// A save formats whole records into a buffer of its own, and may stream them
// into the file as it goes: in either form of the file, streamed or not, the
// bytes are those of the field writers, one field after another, also for
// records that do not fit the buffer and across its every refill.
TYPED_TEST_P(EveryTable, EveryWayOfSavingWritesTheFieldWritersBytes) {
  using T = TypeParam;
  using A = vtab_api<T>;
  using M = vtab_meta<T>;
  auto* tab = A::tab_new();
  kal::TextOut want;
  if (M::options.header_line) vtab_write_ver(want);
  const std::string huge = std::string(40000, '\'') + "\n" + std::string(30000, 'x');
  for (int n = 0; n < 120; ++n) {
    T row = pooled_row<T>(n);
    bool first_text = true;
    if (n % 50 == 7)
      M::for_each_field([&](auto f) {
        if constexpr (std::is_same_v<typename decltype(f)::type, ostr>) {
          if (first_text) decltype(f)::of(row) = huge;
          first_text = false;
        }
      });
    ASSERT_EQ(A::tab_insert(tab, &row), 0);
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      using V = typename F::type;
      const V& v = F::of(row);
      want.put(' ');
      if constexpr (std::is_same_v<V, uint32_t>) vtab_to_file_z(want, v);
      else if constexpr (std::is_same_v<V, int32_t>) vtab_to_file_i(want, v);
      else if constexpr (std::is_same_v<V, int64_t>) vtab_to_file_t(want, v);
      else if constexpr (std::is_same_v<V, double>) vtab_to_file_g(want, v);
      else if constexpr (std::is_same_v<V, char>) vtab_to_file_c(want, v);
      else vtab_to_file_s(want, v);
    });
    want.put('\n');
  }
  EXPECT_EQ(saved_text<T>(tab), want.text());
  TempDir dir;
  const std::string path = dir / (std::string(M::name) + ".dat");
  for (auto form : {kal::TextOut::text_form, kal::TextOut::disk_form}) {
    kal::TextOut built(path, form);
    ASSERT_EQ(A::tab_save(built, tab), 0);
    if (form == kal::TextOut::disk_form) {
      EXPECT_EQ(built.text(), kal::text_to_disk(want.text()));
    }
    for (bool streamed : {false, true}) {
      kal::TextOut out(path, form);
      if (streamed) out.stream();
      ASSERT_EQ(A::tab_save(out, tab), 0);
      EXPECT_EQ(vtab_file_commit(out, nullptr), 0);
      EXPECT_EQ(file_bytes(path), kal::text_to_disk(want.text()))
          << (streamed ? "streamed" : "built whole") << " in " << (form == kal::TextOut::disk_form ? "disk" : "text")
          << " form";
      EXPECT_EQ(vtab_test::files_starting(dir.path, std::string(M::name) + ".dat").size(), 1u) << "no temporary left";
    }
  }
  A::tab_delete(&tab);
}

REGISTER_TYPED_TEST_SUITE_P(EveryTable, SaveLoadSaveKeepsEveryByte, EmptyTableAndEmptyFile, BrokenRecordIsDroppedAlone,
                            LoadReadsAsFieldByField, EveryWayOfSavingWritesTheFieldWritersBytes);

}  // namespace vtab_file_suite

#define VTAB_FILE_SUITE_PART(part)                                           \
  namespace vtab_file_suite {                                                 \
  using Part##part##Tables = share<kParts, part, vtab_all_tables>::type;      \
  INSTANTIATE_TYPED_TEST_SUITE_P(Part##part, EveryTable, Part##part##Tables, TableName); \
  }
