#include <gtest/gtest.h>

#include <cctype>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "lib/convert.hpp"
#include "lib/vtab_codec.hpp"
#include "platform/textfile.hpp"
#include "server/oo_texts.hpp"
#include "tests/comma_locale.hpp"

namespace fs = std::filesystem;

namespace {

struct TempDir {
  fs::path path;
  TempDir() {
    char tmpl[] = "/tmp/kal_codec_XXXXXX";
    path = mkdtemp(tmpl);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  std::string file(const char* name) const { return (path / name).string(); }
};

// A record with a field of every kind.
struct Rec {
  uint32_t z = 0;
  int32_t i = 0;
  long l = 0;
  int64_t t = 0;
  char c = 0;
  ostr s;
  double g = 0;
  float f = 0;
  std::shared_ptr<vtab_bin> x = std::make_shared<vtab_bin>();
};

vtab_bin blob(std::initializer_list<unsigned char> bytes) {
  vtab_bin b;
  if (bytes.size()) {
    b.data.reset(new unsigned char[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), b.data.get());
    b.length = static_cast<uint32_t>(bytes.size());
  }
  return b;
}

void write_rec(kal::TextOut& out, const Rec& r) {
  out.put(' '), vtab_to_file_z(out, r.z);
  out.put(' '), vtab_to_file_i(out, r.i);
  out.put(' '), vtab_to_file_l(out, r.l);
  out.put(' '), vtab_to_file_t(out, r.t);
  out.put(' '), vtab_to_file_c(out, r.c);
  out.put(' '), vtab_to_file_s(out, r.s);
  out.put(' '), vtab_to_file_g(out, r.g);
  out.put(' '), vtab_to_file_f(out, r.f);
  out.put(' '), vtab_to_file_x(out, r.x.get());
  out.put('\n');
}

// Reads a record the way the table loader does: a field other than the
// last that meets the end of the file makes the record incomplete.
bool read_rec(kal::TextIn& in, Rec& r, int& eof) {
  eof = 0;
  if (vtab_from_file_z(&r.z, in, &eof), eof) return false;
  if (vtab_from_file_i(&r.i, in, &eof), eof) return false;
  if (vtab_from_file_l(&r.l, in, &eof), eof) return false;
  if (vtab_from_file_t(&r.t, in, &eof), eof) return false;
  if (vtab_from_file_c(&r.c, in, &eof), eof) return false;
  if (vtab_from_file_s(&r.s, in, &eof), eof) return false;
  if (vtab_from_file_g(&r.g, in, &eof), eof) return false;
  if (vtab_from_file_f(&r.f, in, &eof), eof) return false;
  vtab_from_file_x(r.x.get(), in, &eof);
  return true;
}

std::vector<Rec> sample_records() {
  std::vector<Rec> recs(4);
  recs[0].z = 12;
  recs[0].i = -17;
  recs[0].l = LONG_MIN;
  recs[0].t = 1710498000;
  recs[0].c = 'N';
  recs[0].s = "  O'Brien";
  recs[0].g = 1234.5;
  recs[0].f = 0.5f;
  *recs[0].x = blob({0x01, 0xAB, 0xFF});

  recs[1].z = 4294967295u;
  recs[1].i = INT_MIN;
  recs[1].l = LONG_MAX;
  recs[1].t = 4102444800LL;  // 2100-01-01, past 32 bits
  recs[1].c = ' ';
  recs[1].s = "two\nlines, a CR LF\r\nand a lone CR\r, end";
  recs[1].g = -3;
  recs[1].f = -0.25f;

  recs[2].t = -2000000000000LL;
  recs[2].c = '\n';
  recs[2].s = std::string(10000, 'x') + "'" + std::string(5000, '\xB9');
  recs[2].g = 1e200;

  recs[3].c = '\\';
  recs[3].s = "\t'quoted' \\ back slash ";
  recs[3].g = 0.005;
  return recs;
}

}  // namespace

TEST(FieldCodec, WrittenForms) {
  struct Case {
    std::string (*write)();
    const char* text;
    int result;
  } cases[] = {
      {[] { kal::TextOut o; vtab_to_file_s(o, ostr("  O'Brien")); return o.text(); }, "'O''Brien'", 9},
      {[] { kal::TextOut o; vtab_to_file_s(o, ostr()); return o.text(); }, "''", 2},
      {[] { kal::TextOut o; vtab_to_file_s(o, ostr("")); return o.text(); }, "''", 2},
      {[] { kal::TextOut o; vtab_to_file_s(o, ostr(" \t ")); return o.text(); }, "''", 2},
      {[] { kal::TextOut o; vtab_to_file_s(o, ostr("a\nb")); return o.text(); }, "'a\nb'", 5},
      {[] { kal::TextOut o; vtab_to_file_g(o, 1234.5); return o.text(); }, "1234.50", 7},
      {[] { kal::TextOut o; vtab_to_file_g(o, 0.5); return o.text(); }, "0.50", 4},
      {[] { kal::TextOut o; vtab_to_file_g(o, -3); return o.text(); }, "-3.00", 5},
      {[] { kal::TextOut o; vtab_to_file_f(o, 2.5f); return o.text(); }, "2.50", 4},
      {[] { kal::TextOut o; vtab_to_file_z(o, 4294967295u); return o.text(); }, "4294967295", 10},
      {[] { kal::TextOut o; vtab_to_file_i(o, -17); return o.text(); }, "-17", 3},
      {[] { kal::TextOut o; vtab_to_file_t(o, 2147483647); return o.text(); }, "2147483647", 10},
      {[] { kal::TextOut o; vtab_to_file_t(o, 2147483648LL); return o.text(); }, "2147483648", 10},
      {[] { kal::TextOut o; vtab_to_file_t(o, -1); return o.text(); }, "-1", 2},
      {[] { kal::TextOut o; vtab_to_file_c(o, 'N'); return o.text(); }, "N", 1},
      {[] { kal::TextOut o; vtab_to_file_c(o, '\\'); return o.text(); }, "\\", 1},
      {[] { kal::TextOut o; vtab_to_file_c(o, ' '); return o.text(); }, "\\s", 2},
      {[] { kal::TextOut o; vtab_to_file_c(o, '\t'); return o.text(); }, "\\t", 2},
      {[] { kal::TextOut o; vtab_to_file_c(o, '\r'); return o.text(); }, "\\r", 2},
      {[] { kal::TextOut o; vtab_to_file_c(o, '\n'); return o.text(); }, "\\n", 2},
      {[] { kal::TextOut o; vtab_to_file_c(o, '\0'); return o.text(); }, "\\0", 2},
      {[] { kal::TextOut o; auto b = blob({0x01, 0xAB, 0xFF}); vtab_to_file_x(o, &b); return o.text(); },
       "000000301ABFF", 13},
      {[] { kal::TextOut o; auto b = blob({}); vtab_to_file_x(o, &b); return o.text(); }, "0000000", 7},
      {[] { kal::TextOut o; vtab_to_file_x(o, nullptr); return o.text(); }, "", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(c.write(), c.text);

  // Results: bytes of the field (doubled quotes not counted).
  kal::TextOut o;
  EXPECT_EQ(vtab_to_file_s(o, ostr("  O'Brien")), 9);
  EXPECT_EQ(vtab_to_file_g(o, 1234.5), 7);
  EXPECT_EQ(vtab_to_file_c(o, ' '), 2);
  auto b = blob({1, 2, 3});
  EXPECT_EQ(vtab_to_file_x(o, &b), 13);
  std::string text;
  EXPECT_EQ(vtab_bin_to_str(&b, text), 13);
  EXPECT_EQ(text, "0000003010203");
}

namespace {

// "%4.2f" as the general conversion writes it: what vtab_put_g must give for
// every value, whichever road it takes.
std::string fixed2(double v) {
  char buf[400];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
  std::string s(buf, r.ptr);
  if (s.size() < 4) s.insert(0, 4 - s.size(), ' ');
  return s;
}

std::string put_g(double v) {
  char buf[vtab_put_max_g];
  return std::string(buf, vtab_put_g(buf, v));
}

}  // namespace

// Numbers are written without the general conversion where they are whole
// hundredths: the text must be the conversion's, to the byte, for the values
// at the edges of that road and for a sweep of hundredths, of values near
// them and of arbitrary doubles.
TEST(FieldCodec, NumbersWrittenAsTheGeneralConversionWritesThem) {
  const double corners[] = {0.0, -0.0, 0.001, -0.001, 0.004, -0.004, 0.005, -0.005, 0.0049999, 0.015, 0.025,
                            0.285, 1.005, 2.675, -2.675, 0.07, 0.1, 0.29, 12.34, -12.34, 1234.5, 0.5, -3, 100,
                            99999999999.99, 9999999999999.99, -9999999999999.99, 1e13 - 0.01, 1e13, 1e13 + 0.01,
                            1e13 - 1.0 / 1024, 1.0 / 1024, 4503599627370495.5, 1e15, 1e16, 1e17, 1e22, 1e300,
                            -1e300, DBL_MAX, -DBL_MAX, DBL_MIN, -DBL_MIN, DBL_TRUE_MIN, DBL_EPSILON,
                            std::nextafter(0.01, 1.0), std::nextafter(0.01, 0.0), std::nextafter(-0.01, -1.0),
                            NAN, -NAN, INFINITY, -INFINITY};
  for (double v : corners) EXPECT_EQ(put_g(v), fixed2(v)) << "value " << v;

  std::mt19937_64 rng(77);
  std::uniform_int_distribution<int64_t> cents(-1000000000000000, 1000000000000000);
  std::uniform_int_distribution<int> digits(0, 15), ulps(-3, 3);
  std::uniform_int_distribution<uint64_t> bits;
  for (int i = 0; i < 200000; ++i) {
    // Hundredths of every size, and doubles a few steps away from them.
    int64_t k = cents(rng);
    for (int d = digits(rng); d > 0; --d) k /= 10;
    double v = static_cast<double>(k) / 100.0;
    ASSERT_EQ(put_g(v), fixed2(v)) << "value " << k << "/100";
    double w = v;
    for (int u = ulps(rng); u != 0; u += u > 0 ? -1 : 1) w = std::nextafter(w, u > 0 ? INFINITY : -INFINITY);
    ASSERT_EQ(put_g(w), fixed2(w)) << "value near " << k << "/100";
    // Any double at all.
    double x;
    uint64_t b = bits(rng);
    std::memcpy(&x, &b, sizeof x);
    ASSERT_EQ(put_g(x), fixed2(x)) << "bits " << b;
  }
}

// The writers into a buffer give the bytes of the writers into a TextOut,
// in both forms of the file.
TEST(FieldCodec, BufferWritersWriteWhatTheFileWritersWrite) {
  std::vector<std::string> texts = {"", " ", "\t \t", "  O'Brien", "'", "''", "x'", "'x", "a\nb", "\n", "\r\n",
                                    "two\nlines, a CR LF\r\nand a lone CR\r, end", "\xA5\xB9\x8C\x9F\xE6 \xB3"};
  // A quote or a line break at every place around the eight-byte steps.
  for (char special : {'\'', '\n', '\r', ' ', '\t'})
    for (std::size_t length = 1; length <= 25; ++length)
      for (std::size_t at = 0; at < length; ++at) {
        std::string t(length, 'a');
        t[at] = special;
        texts.push_back(t);
      }
  texts.push_back(std::string(70000, '\''));
  for (bool disk : {false, true}) {
    for (const std::string& t : texts) {
      kal::TextOut o({}, disk ? kal::TextOut::disk_form : kal::TextOut::text_form);
      vtab_to_file_s(o, ostr(t));
      std::string buf(vtab_put_max_s(t.size()), '\0');
      buf.resize(static_cast<std::size_t>(vtab_put_s(buf.data(), t, disk) - buf.data()));
      EXPECT_EQ(buf, o.text()) << (disk ? "disk form, text '" : "text form, text '") << t << "'";
      if (t.size() > 15) continue;
      // A short text from its block of 16 bytes, whatever its 16th byte.
      for (char last : {'\0', '\'', '\n', 'x'}) {
        char block[16] = {};
        std::memcpy(block, t.data(), t.size());
        block[15] = last;
        std::string out(vtab_put_max_s16, '\0');
        out.resize(static_cast<std::size_t>(vtab_put_s16(out.data(), block, t.size(), disk) - out.data()));
        EXPECT_EQ(out, o.text()) << "in a block: '" << t << "', 16th byte " << static_cast<int>(last);
      }
      const ostr kept(t);
      ASSERT_NE(kept.in_place_block(), nullptr);
      std::string out(vtab_put_max_s16, '\0');
      out.resize(static_cast<std::size_t>(vtab_put_s16(out.data(), kept.in_place_block(), t.size(), disk) - out.data()));
      EXPECT_EQ(out, o.text()) << "from its ostr: '" << t << "'";
    }
  }
  for (int c = 0; c < 256; ++c) {
    kal::TextOut o;
    vtab_to_file_c(o, static_cast<char>(c));
    char buf[vtab_put_max_c];
    EXPECT_EQ(std::string(buf, vtab_put_c(buf, static_cast<char>(c))), o.text()) << "byte " << c;
  }
  for (int64_t v : {INT64_MIN, int64_t{-1}, int64_t{0}, int64_t{4102444800}, INT64_MAX}) {
    char buf[vtab_put_max_integer];
    EXPECT_EQ(std::string(buf, vtab_put_integer(buf, v)), std::to_string(v));
  }
}

TEST(FieldCodec, EveryKindRoundTripsThroughAFile) {
  TempDir d;
  std::string path = d.file("All.dat");
  auto recs = sample_records();
  kal::TextOut out(path);
  ASSERT_EQ(vtab_write_ver(out), 0);
  for (const auto& r : recs) write_rec(out, r);
  ASSERT_EQ(out.commit(), 0);

  kal::TextIn in;
  ASSERT_EQ(in.open(path), 0);
  ASSERT_EQ(vtab_read_ver(in), 0);
  for (std::size_t n = 0; n < recs.size(); ++n) {
    SCOPED_TRACE(n);
    const Rec& w = recs[n];
    Rec r;
    int eof = 0;
    ASSERT_TRUE(read_rec(in, r, eof));
    EXPECT_EQ(eof, 0);
    EXPECT_EQ(r.z, w.z);
    EXPECT_EQ(r.i, w.i);
    EXPECT_EQ(r.l, w.l);
    EXPECT_EQ(r.t, w.t);
    EXPECT_EQ(r.c, w.c);
    std::string want(w.s.view());
    want.erase(0, want.find_first_not_of(" \t"));
    EXPECT_EQ(r.s.str(), want);
    EXPECT_FALSE(r.s.is_null());
    EXPECT_DOUBLE_EQ(r.g, std::stod(kal::format_fixed(w.g, 2, 0)));
    EXPECT_FLOAT_EQ(r.f, w.f);
    ASSERT_EQ(r.x->length, w.x->length);
    for (uint32_t k = 0; k < w.x->length; ++k) EXPECT_EQ(r.x->data[k], w.x->data[k]);
  }
  // A well-formed file ends with an attempt that finds no record.
  Rec extra;
  int eof = 0;
  EXPECT_FALSE(read_rec(in, extra, eof));
  EXPECT_EQ(eof, 1);
}

TEST(FieldCodec, Readers) {
  auto in = [](const char* text) { return kal::TextIn(text); };
  struct IntCase {
    const char* text;
    int64_t t;
    uint32_t z;
    int32_t i;
    int result, eof;
    int next;  // the byte left for the next reader
  } ints[] = {
      {"-17 x", -17, static_cast<uint32_t>(-17), -17, 0, 0, 'x'},
      {" \t\r\n+5\nx", 5, 5, 5, 0, 0, 'x'},
      {"- 5", 0, 0, 0, 0, 0, '5'},
      {"12abc", 12, 12, 12, 0, 0, 'b'},
      {"42", 42, 42, 42, 0, 1, EOF},
      {"-", 0, 0, 0, 0, 1, EOF},
      {"  \n", -99, 99, -99, 1, 1, EOF},  // value untouched
      {"4294967297 x", 4294967297LL, 1, 1, 0, 0, 'x'},
      {"-2147483649 x", -2147483649LL, 2147483647u, 2147483647, 0, 0, 'x'},
  };
  for (const auto& c : ints) {
    SCOPED_TRACE(c.text);
    int64_t t = -99;
    uint32_t z = 99;
    int32_t i = -99;
    int eof = 0;
    auto f = in(c.text);
    EXPECT_EQ(vtab_from_file_t(&t, f, &eof), c.result);
    EXPECT_EQ(t, c.t);
    EXPECT_EQ(eof, c.eof);
    EXPECT_EQ(f.getc(), c.next);
    f = in(c.text), eof = 0;
    EXPECT_EQ(vtab_from_file_z(&z, f, &eof), c.result);
    EXPECT_EQ(z, c.z);
    f = in(c.text), eof = 0;
    EXPECT_EQ(vtab_from_file_i(&i, f, &eof), c.result);
    EXPECT_EQ(i, c.i);
  }

  struct NumCase {
    const char* text;
    double v;
    int eof;
    int next;
  } nums[] = {
      {"12,5 x", 12.5, 0, 'x'}, {"12.5\tx", 12.5, 0, 'x'}, {"-3.00", -3, 1, EOF}, {"", 0, 1, EOF}, {" inf x", INFINITY, 0, 'x'},
  };
  for (const auto& c : nums) {
    SCOPED_TRACE(c.text);
    double v = -1;
    int eof = 0;
    auto f = in(c.text);
    EXPECT_EQ(vtab_from_file_g(&v, f, &eof), 0);
    EXPECT_EQ(v, c.v);
    EXPECT_EQ(eof, c.eof);
    EXPECT_EQ(f.getc(), c.next);
  }
  // A number longer than any fixed buffer is read whole: the fields after it
  // stay in place.
  {
    std::string big = kal::format_fixed(-DBL_MAX, 2, 4) + " 7";
    auto f = in(big.c_str());
    double v = 0;
    int32_t i = 0;
    int eof = 0;
    vtab_from_file_g(&v, f, &eof);
    vtab_from_file_i(&i, f, &eof);
    EXPECT_EQ(v, -DBL_MAX);
    EXPECT_EQ(i, 7);
  }

  struct StrCase {
    const char* text;
    const char* v;
    int result, eof;
    int next;
  } strs[] = {
      {"'O''Brien' x", "O'Brien", 0, 0, 'x'},
      {"  ''\nx", "", 0, 0, 'x'},
      {"'''' x", "'", 0, 0, 'x'},
      {"'a\nb'\n", "a\nb", 0, 0, EOF},
      {"'last'", "last", 0, 1, EOF},
      {"'cut sh", "cut sh", 0, 1, EOF},
      {"'cut''", "cut'", 0, 1, EOF},
      {"x'abc'", "old", 2, 0, '\''},  // no opening quote: the byte is lost
      {" \n ", "old", 1, 1, EOF},
  };
  for (const auto& c : strs) {
    SCOPED_TRACE(c.text);
    ostr v("old");
    int eof = 0;
    auto f = in(c.text);
    EXPECT_EQ(vtab_from_file_s(&v, f, &eof), c.result);
    EXPECT_EQ(v.str(), c.v);
    EXPECT_EQ(eof, c.eof);
    EXPECT_EQ(f.getc(), c.next);
  }

  struct CharCase {
    const char* text;
    char v;
    int eof;
    int next;
  } chars[] = {
      {" N 'x'", 'N', 0, ' '},   {"\\s 1", ' ', 0, ' '},  {"\\0\n", '\0', 0, '\n'},
      {"\\ 1", '\\', 0, ' '},    {"\\\n", '\\', 0, '\n'}, {"\\", '\\', 0, EOF},
      {"\\x", '\\', 0, 'x'},     {"", '\xFF', 1, EOF},    {"\xFF ", '\xFF', 0, ' '},
  };
  for (const auto& c : chars) {
    SCOPED_TRACE(c.text);
    char v = 0;
    int eof = 0;
    auto f = in(c.text);
    EXPECT_EQ(vtab_from_file_c(&v, f, &eof), 0);
    EXPECT_EQ(v, c.v);
    EXPECT_EQ(eof, c.eof);
    EXPECT_EQ(f.getc(), c.next);
  }
}

// Flags that used to be written as bare white space or NUL no longer shift
// the fields after them, while files written before read as they did.
TEST(FieldCodec, CharacterFlagsDoNotShiftTheRecord) {
  for (int v = 0; v < 256; ++v) {
    char c = static_cast<char>(v);
    kal::TextOut out;
    out.put(' '), vtab_to_file_c(out, c);
    out.put(' '), vtab_to_file_z(out, 77);
    out.put('\n');
    kal::TextIn in(out.text());
    char back = 0;
    uint32_t z = 0;
    int eof = 0;
    vtab_from_file_c(&back, in, &eof);
    vtab_from_file_z(&z, in, &eof);
    EXPECT_EQ(back, c) << v;
    EXPECT_EQ(z, 77u) << v;
  }
  // A line as an older program wrote it: flag N, a backslash flag, text.
  kal::TextIn old(" 3 N \\ 'a\\b'\n");
  uint32_t id = 0;
  char f1 = 0, f2 = 0;
  ostr s;
  int eof = 0;
  vtab_from_file_z(&id, old, &eof);
  vtab_from_file_c(&f1, old, &eof);
  vtab_from_file_c(&f2, old, &eof);
  vtab_from_file_s(&s, old, &eof);
  EXPECT_EQ(id, 3u);
  EXPECT_EQ(f1, 'N');
  EXPECT_EQ(f2, '\\');
  EXPECT_EQ(s.str(), "a\\b");
}

// A file whose last record was cut short anywhere: the records before it
// come back whole, and the cut record only when all fields but the last
// were there.
TEST(FieldCodec, LastRecordCutShort) {
  auto recs = sample_records();
  recs.resize(2);
  recs[1].s = "two\nlines";
  kal::TextOut out;
  vtab_write_ver(out);
  write_rec(out, recs[0]);
  std::size_t first_end = out.text().size();
  write_rec(out, recs[1]);
  const std::string full = out.text();

  for (std::size_t cut = first_end; cut < full.size(); ++cut) {
    SCOPED_TRACE(cut);
    kal::TextIn in(full.substr(0, cut));
    ASSERT_EQ(vtab_read_ver(in), 0);
    std::vector<Rec> got;
    for (;;) {
      Rec r;
      int eof = 0;
      bool complete = read_rec(in, r, eof);
      if (complete) got.push_back(r);
      if (eof) break;
    }
    ASSERT_GE(got.size(), 1u);
    EXPECT_EQ(got[0].z, recs[0].z);
    EXPECT_EQ(got[0].s.str(), "O'Brien");
    EXPECT_EQ(got[0].x->length, 3u);
    ASSERT_LE(got.size(), 2u);
    if (got.size() == 2) {
      EXPECT_EQ(got[1].z, recs[1].z);
      EXPECT_EQ(got[1].t, recs[1].t);
      EXPECT_EQ(got[1].c, recs[1].c);
      EXPECT_EQ(got[1].s.str(), "two\nlines");
      EXPECT_EQ(got[1].f, recs[1].f);
    }
  }
}

TEST(FieldCodec, VersionLineAndLines) {
  kal::TextOut out;
  vtab_write_ver(out);
  const std::string& v = out.text();
  EXPECT_EQ(v.rfind("KALMITOR 1.0 ", 0), 0u);
  EXPECT_EQ(v.back(), '\n');
  EXPECT_EQ(v.find(' ', 13), std::string::npos);

  kal::TextIn only_line("KALMITOR 1.0 x");
  EXPECT_EQ(vtab_read_ver(only_line), 1);
  kal::TextIn empty("");
  EXPECT_EQ(vtab_read_ver(empty), 1);
  kal::TextIn header(v);
  EXPECT_EQ(vtab_read_ver(header), 0);
  uint32_t z = 5;
  int eof = 0;
  EXPECT_EQ(vtab_from_file_z(&z, header, &eof), 1);
  EXPECT_EQ(eof, 1);
  EXPECT_EQ(z, 5u);

  kal::TextIn lines("one\ntwo\rthree\n\nlast");
  std::string line;
  const char* want[] = {"one", "two", "three", "", "last"};
  for (int n = 0; n < 5; ++n) {
    EXPECT_EQ(vtab_fileline(lines, line, &eof), static_cast<int>(std::strlen(want[n])));
    EXPECT_EQ(line, want[n]);
    EXPECT_EQ(eof, n == 4 ? 1 : 0);
  }
}

TEST(FieldCodec, Blobs) {
  EXPECT_EQ(vtab_hex2byte('a', 'F'), 0xAF);
  EXPECT_EQ(vtab_hex2byte('0', '9'), 0x09);
  EXPECT_EQ(vtab_hex2byte('g', '1'), 0x01);
  char hex[2];
  vtab_byte2hex(0x0F, hex);
  EXPECT_EQ(std::string(hex, 2), "0F");

  struct Case {
    const char* text;
    int result, eof;
    uint32_t length;
    const char* bytes;
  } cases[] = {
      {" 000000301abFF", 0, 0, 3, "\x01\xAB\xFF"},
      {"0000000 x", 0, 0, 0, "kept"},
      {"00000", 2, 1, 4, "kept"},
      // The file ends before the field: the blob is left as it was.
      {"", 1, 1, 4, "kept"},
      {" \t\r\n", 1, 1, 4, "kept"},
      {"000000301", 4, 1, 3, "\x01\x00\x00"},
      {"000000301A", 5, 1, 3, "\x01\x00\x00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    vtab_bin b = blob({'k', 'e', 'p', 't'});
    kal::TextIn in(c.text);
    int eof = 0;
    EXPECT_EQ(vtab_from_file_x(&b, in, &eof), c.result);
    EXPECT_EQ(eof, c.eof);
    EXPECT_EQ(b.length, c.length);
    std::size_t n = c.length ? c.length : 4;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(b.data.get()), n), std::string(c.bytes, n));
  }

  vtab_bin src = blob({9, 8, 7});
  vtab_bin* copy = vtab_bin_new(&src);
  ASSERT_NE(copy, nullptr);
  ASSERT_EQ(copy->length, 3u);
  EXPECT_NE(copy->data.get(), src.data.get());
  EXPECT_EQ(copy->data[2], 7);
  EXPECT_EQ(vtab_bin_delete(&copy), 0);
  EXPECT_EQ(copy, nullptr);
  vtab_bin* empty = vtab_bin_new(nullptr);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->length, 0u);
  EXPECT_EQ(empty->data, nullptr);
  vtab_bin_delete(&empty);
}

TEST(FieldCodec, NumbersIgnoreTheProcessLocale) {
  CommaLocale loc;
  if (!loc.active()) GTEST_SKIP() << "no locale with a decimal comma could be made";
  kal::TextOut out;
  vtab_to_file_g(out, 1234.5);
  EXPECT_EQ(out.text(), "1234.50");
  kal::TextIn in("12.25 ");
  double v = 0;
  int eof = 0;
  vtab_from_file_g(&v, in, &eof);
  EXPECT_EQ(v, 12.25);
}

// Python's csv module, told that fields are separated by one blank and texts
// quoted with single quotes, reads a written file into the same fields.
TEST(FieldCodec, IndependentCsvReaderAgrees) {
  TempDir d;
  std::string path = d.file("Csv.dat");
  struct Line {
    uint32_t id;
    const char* text;
    double money;
    char flag;
    int64_t time;
    std::vector<std::string> fields;  // as the csv reader should see them
  } lines[] = {
      {12, "  O'Brien", 1234.5, 'N', 1710498000, {"", "12", "O'Brien", "1234.50", "N", "1710498000"}},
      {4294967295u, "two\nlines 'q' ", -3, 'T', 4102444800LL,
       {"", "4294967295", "two\nlines 'q' ", "-3.00", "T", "4102444800"}},
      {0, "\xA3\xF3\x64\xBC, \\ ok", 0.005, '1', -1, {"", "0", "\xA3\xF3\x64\xBC, \\ ok", "0.01", "1", "-1"}},
      {1, nullptr, 0, 'x', 0, {"", "1", "", "0.00", "x", "0"}},
  };
  kal::TextOut out(path);
  vtab_write_ver(out);
  for (const auto& l : lines) {
    out.put(' '), vtab_to_file_z(out, l.id);
    out.put(' '), vtab_to_file_s(out, ostr(l.text));
    out.put(' '), vtab_to_file_g(out, l.money);
    out.put(' '), vtab_to_file_c(out, l.flag);
    out.put(' '), vtab_to_file_t(out, l.time);
    out.put('\n');
  }
  ASSERT_EQ(out.commit(), 0);

  std::string cmd = "python3 '" KAL_SOURCE_DIR "/tests/vtab_codec_csv.py' '" + path + "'";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string got;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) got.append(buf, n);
  ASSERT_EQ(pclose(p), 0) << got;

  auto hex = [](const std::string& s) {
    std::string h;
    char two[2];
    for (unsigned char c : s) {
      vtab_byte2hex(c, two);
      h += static_cast<char>(std::tolower(two[0]));
      h += static_cast<char>(std::tolower(two[1]));
    }
    return h;
  };
  std::string want;
  for (const auto& l : lines) {
    for (std::size_t k = 0; k < l.fields.size(); ++k) want += (k ? "," : "") + hex(l.fields[k]);
    want += "\n";
  }
  EXPECT_EQ(got, want);

  // And our own readers see the same.
  kal::TextIn in;
  ASSERT_EQ(in.open(path), 0);
  vtab_read_ver(in);
  for (const auto& l : lines) {
    uint32_t id;
    ostr s;
    double g;
    char c;
    int64_t t;
    int eof = 0;
    vtab_from_file_z(&id, in, &eof);
    vtab_from_file_s(&s, in, &eof);
    vtab_from_file_g(&g, in, &eof);
    vtab_from_file_c(&c, in, &eof);
    vtab_from_file_t(&t, in, &eof);
    EXPECT_EQ(std::to_string(id), l.fields[1]);
    EXPECT_EQ(s.str(), l.fields[2]);
    EXPECT_EQ(kal::format_fixed(g, 2, 4), l.fields[3]);
    EXPECT_EQ(std::string(1, c), l.fields[4]);
    EXPECT_EQ(std::to_string(t), l.fields[5]);
  }
}
