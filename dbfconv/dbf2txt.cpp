// dbf2txt: the records of a dBASE table as text lines, for the goods import
// from the stock program.
//
//   dbf2txt FILE.dbf > wfmag_towary.csv
//
// The output is one header line of the field names, then one line per record
// that is not marked deleted, the fields in the table's order separated by
// ";", each line ended by CR LF.  The bytes of a field are written as they
// are in the file (blank padding, code page and all), with two exceptions
// that keep every line readable as cells: a field holding ";" or a double
// quote is enclosed in double quotes with each double quote doubled, and a
// CR or LF inside a field is written as a blank.
//
// The table: a 32-byte header (record count, header length and record length
// little-endian at offsets 4, 8 and 10), 32-byte field descriptors (name in
// 11 bytes ended by NUL, type, length at offset 16; a character field's
// length takes offset 17 as its high byte) up to a CR, then the records from
// the header length on, each a flag byte (blank: a record, "*": deleted) and
// the fields one after another.  The records end at the end of the file or
// at a record that begins with the end mark 1A.
//
// Exit codes: 0 done; 1 usage; 2 the file cannot be read; 3 not a dBASE
// table; 4 the file ends inside a record (the records before it are
// written); 5 the output cannot be written.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Field {
  std::string name;
  std::size_t length = 0;
};

unsigned le16(const unsigned char* p) { return p[0] | (p[1] << 8u); }

bool read_all(const char* path, std::string& out) {
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

// The field as one cell of the line.
void put_cell(std::string& line, std::string_view bytes) {
  const bool quote = bytes.find_first_of(";\"") != std::string_view::npos;
  if (quote) line += '"';
  for (char c : bytes) {
    if (c == '\r' || c == '\n') c = ' ';
    if (c == '"') line += '"';
    line += c;
  }
  if (quote) line += '"';
}

int fail(int code, const char* path, const char* what) {
  std::fprintf(stderr, "dbf2txt: %s: %s\n", path, what);
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: dbf2txt FILE.dbf\n");
    return 1;
  }
  const char* path = argv[1];
  std::string file;
  if (!read_all(path, file)) return fail(2, path, std::strerror(errno));

  const auto* bytes = reinterpret_cast<const unsigned char*>(file.data());
  if (file.size() < 32) return fail(3, path, "not a dBASE table (too short)");
  const std::size_t header_len = le16(bytes + 8);
  const std::size_t record_len = le16(bytes + 10);
  if (header_len < 33 || header_len > file.size() || record_len < 1)
    return fail(3, path, "not a dBASE table (bad header)");

  std::vector<Field> fields;
  std::size_t used = 1;  // the flag byte
  for (std::size_t at = 32; at < header_len && bytes[at] != 0x0D && bytes[at] != 0x0A; at += 32) {
    if (at + 32 > header_len) return fail(3, path, "not a dBASE table (field descriptors cut short)");
    const unsigned char* d = bytes + at;
    Field f;
    f.name.assign(reinterpret_cast<const char*>(d), strnlen(reinterpret_cast<const char*>(d), 11));
    f.length = d[16];
    if (d[11] == 'C') f.length |= static_cast<std::size_t>(d[17]) << 8;
    used += f.length;
    fields.push_back(f);
  }
  if (fields.empty()) return fail(3, path, "not a dBASE table (no fields)");
  if (used > record_len) return fail(3, path, "not a dBASE table (fields longer than the record)");

  std::string out;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i) out += ';';
    out += fields[i].name;
  }
  out += "\r\n";

  int rc = 0;
  for (std::size_t at = header_len; at < file.size() && bytes[at] != 0x1A; at += record_len) {
    if (file.size() - at < record_len) {
      rc = fail(4, path, "the file ends inside a record");
      break;
    }
    if (bytes[at] != ' ') continue;  // deleted
    std::size_t pos = at + 1;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (i) out += ';';
      put_cell(out, std::string_view(file.data() + pos, fields[i].length));
      pos += fields[i].length;
    }
    out += "\r\n";
  }

  if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0)
    return fail(5, path, "the output cannot be written");
  return rc;
}
