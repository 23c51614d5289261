// Sorted key/value tables and the two text files they live in.
//
// A hashtbl is an array of string pairs kept in the Polish collation order of
// the keys (vtab_langcmp with vtab_lplti_cp1250) and searched by binary
// search; there is no hashing despite the name.  It holds request parameters,
// session variables, settings, page texts and small sorted display lists.
//
// The table owns copies of every key and value.  Its fields are read-only
// views: keys[i] and values[i] give the i-th pair's strings as const char*
// (NULL at index size and beyond), max_size is the capacity and size the number
// of pairs.  Change the table only through the hashtbl_ functions.  A pointer
// taken from keys[i], values[i] or hashtbl_get_ptr() stays valid until that
// pair's string is replaced or the table is cleared, resized or deleted.
//
// Every operation reports through hashtbl_last_error.  A search that finds
// nothing yields the table's own max_size, which read as a code means
// HASHTBL_NOT_FOUND.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// Result codes.  1 (no name) reports a NULL table, key or value argument.
inline constexpr std::uint32_t HASHTBL_OK = 0;
inline constexpr std::uint32_t HASHTBL_ERR_FULL = 6;
inline constexpr std::uint32_t HASHTBL_ERR_ALLOC = 8;
inline constexpr std::uint32_t HASHTBL_SUBSITUTED = 10;  // named, never produced
inline constexpr std::uint32_t HASHTBL_ERR_FILE_READ = 12;
inline constexpr std::uint32_t HASHTBL_ERR_FILE_WRITE = 14;

// Code of the last operation.
extern std::uint32_t hashtbl_last_error;
// Path of the last file that could not be opened (cut to 255 bytes).
extern char hashtbl_last_error_text[256];

struct hashtbl;
namespace kal {
struct hashtbl_impl;
}

// keys or values of a table, indexed like an array of C strings.
class hashtbl_column {
 public:
  // The string at index i; NULL at size and beyond (the slot past the last
  // pair is always empty).
  const char* operator[](std::size_t i) const noexcept;
  std::uint32_t size() const noexcept;

 private:
  friend struct hashtbl;
  hashtbl_column(const hashtbl* table, bool values) : table_(table), values_(values) {}
  const hashtbl* table_;
  bool values_;
};

struct hashtbl {
  hashtbl_column keys;
  hashtbl_column values;
  const std::uint32_t& max_size;
  const std::uint32_t& size;

  hashtbl(const hashtbl&) = delete;
  hashtbl& operator=(const hashtbl&) = delete;

 private:
  friend struct kal::hashtbl_impl;
  friend class hashtbl_column;
  struct pair {
    std::string key;
    std::string value;
  };
  explicit hashtbl(std::uint32_t capacity)
      : keys(this, false), values(this, true), max_size(max_size_), size(size_), max_size_(capacity) {}
  ~hashtbl() = default;

  std::uint32_t max_size_ = 0;
  std::uint32_t size_ = 0;  // always order_.size()
  // The pairs themselves, never moved once made (a deque keeps its elements
  // in place), and the table order as positions in that store.
  std::deque<pair> store_;
  std::vector<std::uint32_t> order_;
  // True while the pairs are known to be in order with no two equal keys; a
  // put then finds an existing key by the binary search alone.
  bool sorted_unique_ = true;
};

inline const char* hashtbl_column::operator[](std::size_t i) const noexcept {
  if (i >= table_->order_.size()) return nullptr;
  const auto& p = table_->store_[table_->order_[i]];
  return values_ ? p.value.c_str() : p.key.c_str();
}

inline std::uint32_t hashtbl_column::size() const noexcept { return table_->size_; }

// A new empty table of the given capacity; NULL (code HASHTBL_ERR_ALLOC) when
// memory runs out.
hashtbl* hashtbl_new(std::uint32_t max_size);
// Removes every pair.
void hashtbl_clear(hashtbl* table);
// Frees the table and sets *table to NULL.
void hashtbl_delete(hashtbl** table);
// Changes the capacity; HASHTBL_ERR_FULL when capacity is not above size.
std::uint32_t hashtbl_resize(hashtbl* table, std::uint32_t capacity);

// Binary search: the index of a pair with an equal key (*found = 1), or the
// index at which the key would be inserted (*found = 0).
std::uint32_t hashtbl_find_key(int* found, hashtbl* table, const char* key);
// The value stored under the key, or NULL.
const char* hashtbl_get_ptr(hashtbl* table, const char* key);
// Sets key to value, keeping the order; returns the pair's index.
std::uint32_t hashtbl_put(hashtbl* table, const char* key, const char* value);

// Raw edits at an index (index <= size for insert, < size otherwise); they
// return a code.
std::uint32_t hashtbl_insert(hashtbl* table, std::uint32_t index, const char* key, const char* value);
std::uint32_t hashtbl_subsitute_value(hashtbl* table, std::uint32_t index, const char* value);
std::uint32_t hashtbl_subsitute(hashtbl* table, std::uint32_t index, const char* key, const char* value);

// Adds a pair at the end without regard to order; returns its index.
std::uint32_t hashtbl_append(hashtbl* table, const char* key, const char* value);
// Appends every pair of source to destination, then sorts destination.
void hashtbl_append_ht(hashtbl* destination, hashtbl* source);
// Sorts by key in collation order.
std::uint32_t hashtbl_sort(hashtbl* table);
// Reverses the order of the pairs.
std::uint32_t hashtbl_reverse(hashtbl* table);

// Append a sort key ("%09ld") and a record id ("%ld") for lists in an order of
// the page's choosing: by id, by time, or by price (price * 100 + 1000000,
// truncated).  Return the new index.
std::uint32_t hashtbl_append_Id(hashtbl* table, long id);
std::uint32_t hashtbl_append_data(hashtbl* table, long time, long id);
std::uint32_t hashtbl_append_cena(hashtbl* table, double price, long id);

// Key/value file (hashtbl_file): one pair a line, key, one blank, the value with backslash
// written as "\\" and LF as "\n".  CR LF on disk.
void hashtbl_save(hashtbl* table, const char* path);
void hashtbl_load(hashtbl* table, const char* path);
// The same load; *bytes gets the file's bytes exactly as read (empty when it
// could not be read), so that a caller can tell whether a later save would
// change the file.
void hashtbl_load(hashtbl* table, const char* path, std::string* bytes);
// The bytes hashtbl_save writes for a table (CR LF line ends).
std::string hashtbl_file_bytes(const hashtbl* table);
// Page-text file (hashtbl_sp_file): ~key~value~ pairs, "~~" for a tilde inside (read only).
void hashtbl_load_sp(hashtbl* table, const char* path);

// Name of a code; "HASHTBL_NOT_FOUND" when it equals the table's max_size.
const char* hashtbl_err_to_string(hashtbl* table, std::uint32_t code);
// Prints the code, its name and hashtbl_last_error_text, then empties that text.
void hashtbl_show_err(hashtbl* table, std::uint32_t code);

// Checked access by index, with a console message naming the caller's source
// position when the index is out of range.
const char* hashtbl_get_key(const char* file, long line, hashtbl* table, std::uint32_t index);
const char* hashtbl_get_value(const char* file, long line, hashtbl* table, std::uint32_t index);
void hashtbl_print(hashtbl* table);

// The first run of decimal (hexadecimal) digits of a text; 0 when there is none.
unsigned long hashtbl_atolu(const char* text);
unsigned long hashtbl_hextolu(const char* text);

// Linear searches: index of the first pair whose key (value) is equal, else
// max_size (0 for a NULL table).
std::uint32_t hashtblliner_find_key(hashtbl* table, const char* key);
std::uint32_t hashtbl_find_value(hashtbl* table, const char* value);
