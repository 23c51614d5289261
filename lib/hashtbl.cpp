#include "lib/hashtbl.hpp"

#include <algorithm>
#include <cmath>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>
#include <unordered_set>

#include "lib/vtab_lang.hpp"
#include "platform/textfile.hpp"

std::uint32_t hashtbl_last_error = 0;
char hashtbl_last_error_text[256] = {0};

namespace {

int coll(const char* a, const char* b) { return vtab_langcmp(a, b, vtab_lplti_cp1250); }

void set_error_path(const char* path) {
  std::snprintf(hashtbl_last_error_text, sizeof hashtbl_last_error_text, "%s", path ? path : "");
}

}  // namespace

namespace kal {

// Everything that reaches inside a table.
struct hashtbl_impl {
  using pair = hashtbl::pair;

  static const std::string& key_at(const hashtbl* t, std::uint32_t i) { return t->store_[t->order_[i]].key; }
  static const std::string& value_at(const hashtbl* t, std::uint32_t i) {
    return t->store_[t->order_[i]].value;
  }
  static pair& pair_at(hashtbl* t, std::uint32_t i) { return t->store_[t->order_[i]]; }

  static hashtbl* create(std::uint32_t capacity) { return new (std::nothrow) hashtbl(capacity); }
  static void destroy(hashtbl* t) { delete t; }

  static void clear(hashtbl* t) {
    t->store_.clear();
    t->order_.clear();
    t->size_ = 0;
    t->sorted_unique_ = true;
  }

  // The search as the table has always done it, also on a table that is not
  // in order (where it may miss keys that are present).
  static std::uint32_t find(int* found, const hashtbl* t, const char* key) {
    *found = 0;
    if (t->size_ == 0) return 0;
    std::uint32_t low = 0, high = t->size_ - 1;
    for (;;) {
      std::uint32_t probe = low + (high - low) / 2;
      int c = coll(key, key_at(t, probe).c_str());
      if (c < 0) {
        if (probe == 0) return 0;
        high = probe - 1;
        if (high < low) return low;
      } else if (c == 0) {
        *found = 1;
        return probe;
      } else {
        low = probe + 1;
        if (low == t->size_) return t->size_;
        if (high < low) return low;
      }
    }
  }

  // Index of the last pair whose key is byte-equal to key, or size.
  static std::uint32_t scan_last(const hashtbl* t, const char* key) {
    std::uint32_t hit = t->size_;
    for (std::uint32_t i = 0; i < t->size_; ++i)
      if (std::strcmp(key_at(t, i).c_str(), key) == 0) hit = i;
    return hit;
  }

  // Whether the pair at index i (with key key) sits strictly between its
  // neighbours.
  static bool fits_between(const hashtbl* t, std::uint32_t i, const char* key, std::uint32_t after) {
    if (i > 0 && coll(key_at(t, i - 1).c_str(), key) >= 0) return false;
    if (after < t->size_ && coll(key, key_at(t, after).c_str()) >= 0) return false;
    return true;
  }

  // Places a new pair at index; the caller has checked room and index.
  static std::uint32_t insert_at(hashtbl* t, std::uint32_t index, std::string key, std::string value) {
    try {
      if (t->order_.size() == t->order_.capacity())
        t->order_.reserve(std::max<std::size_t>(16, t->order_.capacity() * 2));
      t->store_.push_back(pair{std::move(key), std::move(value)});
    } catch (const std::bad_alloc&) {
      return HASHTBL_ERR_ALLOC;
    }
    auto pos = static_cast<std::uint32_t>(t->store_.size() - 1);
    t->order_.insert(t->order_.begin() + index, pos);
    ++t->size_;
    if (t->sorted_unique_) t->sorted_unique_ = fits_between(t, index, key_at(t, index).c_str(), index + 1);
    return HASHTBL_OK;
  }

  static std::uint32_t set_value(hashtbl* t, std::uint32_t index, const char* value) {
    std::string& v = pair_at(t, index).value;
    if (v == value) return HASHTBL_OK;
    try {
      v.assign(value);
    } catch (const std::bad_alloc&) {
      return HASHTBL_ERR_ALLOC;
    }
    return HASHTBL_OK;
  }

  static std::uint32_t put(hashtbl* t, const char* key, const char* value) {
    if (t->size_ >= t->max_size_) {
      hashtbl_last_error = HASHTBL_ERR_FULL;
      return t->max_size_;
    }
    int found = 0;
    std::uint32_t index;
    if (t->sorted_unique_) {
      // In order with unique keys: the binary search finds the one pair with
      // this key (equal under the collation means byte-equal).
      index = find(&found, t, key);
    } else {
      index = scan_last(t, key);
      found = index < t->size_;
      if (!found) {
        index = find(&found, t, key);
        found = 0;
      }
    }
    if (found) {
      hashtbl_last_error = set_value(t, index, value);
      return index;
    }
    std::string k, v;
    try {
      k = key;
      v = value;
    } catch (const std::bad_alloc&) {
      hashtbl_last_error = HASHTBL_ERR_ALLOC;
      return index;
    }
    hashtbl_last_error = insert_at(t, index, std::move(k), std::move(v));
    return index;
  }

  // Appends; returns the code (success leaves hashtbl_last_error alone).
  static std::uint32_t append(hashtbl* t, std::string key, std::string value) {
    if (t->size_ >= t->max_size_) return HASHTBL_ERR_FULL;
    return insert_at(t, t->size_, std::move(key), std::move(value));
  }

  static std::uint32_t sort(hashtbl* t) {
    // In order with unique keys already: the sort would move nothing (the
    // collation is a total order).
    if (t->sorted_unique_) return HASHTBL_OK;
    try {
      std::vector<std::uint32_t> order(t->order_);
      std::stable_sort(order.begin(), order.end(), [t](std::uint32_t a, std::uint32_t b) {
        return coll(t->store_[a].key.c_str(), t->store_[b].key.c_str()) < 0;
      });
      t->order_.swap(order);
    } catch (const std::bad_alloc&) {
      return HASHTBL_ERR_ALLOC;
    }
    bool unique = true;
    for (std::uint32_t i = 1; i < t->size_ && unique; ++i)
      if (std::strcmp(key_at(t, i - 1).c_str(), key_at(t, i).c_str()) == 0) unique = false;
    t->sorted_unique_ = unique;
    return HASHTBL_OK;
  }

  static void reverse(hashtbl* t) {
    std::reverse(t->order_.begin(), t->order_.end());
    t->sorted_unique_ = t->size_ < 2;
  }

  static std::uint32_t resize(hashtbl* t, std::uint32_t capacity) {
    t->max_size_ = capacity;
    return HASHTBL_OK;
  }

  static std::uint32_t substitute(hashtbl* t, std::uint32_t index, const char* key, const char* value) {
    pair& p = pair_at(t, index);
    try {
      std::string k(key), v(value);
      p.key.swap(k);
      p.value.swap(v);
    } catch (const std::bad_alloc&) {
      return HASHTBL_ERR_ALLOC;
    }
    if (t->sorted_unique_) t->sorted_unique_ = fits_between(t, index, p.key.c_str(), index + 1);
    return HASHTBL_OK;
  }

  static std::uint32_t size(const hashtbl* t) { return t->size_; }
  static std::uint32_t max_size(const hashtbl* t) { return t->max_size_; }

  // Keys of a table, for the loader's check against keys already present.
  // The views stay valid while pairs are only added (the store never moves
  // its elements).
  static void collect_keys(const hashtbl* t, std::unordered_set<std::string_view>& out) {
    for (const pair& p : t->store_) out.insert(p.key);
  }
  static std::string_view last_stored_key(const hashtbl* t) { return t->store_.back().key; }
  // The table is in order with unique keys and key sorts after its last one.
  static bool beyond_last(const hashtbl* t, std::string_view key) {
    return t->sorted_unique_ && (t->size_ == 0 || coll(key_at(t, t->size_ - 1).c_str(), key.data()) < 0);
  }
};

}  // namespace kal

using kal::hashtbl_impl;

hashtbl* hashtbl_new(std::uint32_t max_size) {
  hashtbl* t = hashtbl_impl::create(max_size);
  hashtbl_last_error = t ? HASHTBL_OK : HASHTBL_ERR_ALLOC;
  return t;
}

void hashtbl_clear(hashtbl* table) {
  if (!table) {
    hashtbl_last_error = 1;
    return;
  }
  hashtbl_impl::clear(table);
  hashtbl_last_error = HASHTBL_OK;
}

void hashtbl_delete(hashtbl** table) {
  if (!table || !*table) return;
  hashtbl_clear(*table);
  hashtbl_impl::destroy(*table);
  *table = nullptr;
}

std::uint32_t hashtbl_resize(hashtbl* table, std::uint32_t capacity) {
  if (!table) return hashtbl_last_error = 1;
  if (capacity <= table->size) return hashtbl_last_error = HASHTBL_ERR_FULL;
  return hashtbl_last_error = hashtbl_impl::resize(table, capacity);
}

std::uint32_t hashtbl_find_key(int* found, hashtbl* table, const char* key) {
  int dummy = 0;
  if (!found) found = &dummy;
  *found = 0;
  if (!table || !key) return 0;
  return hashtbl_impl::find(found, table, key);
}

const char* hashtbl_get_ptr(hashtbl* table, const char* key) {
  if (!table || !key) {
    hashtbl_last_error = 1;
    return nullptr;
  }
  int found = 0;
  std::uint32_t i = hashtbl_impl::find(&found, table, key);
  if (!found) {
    hashtbl_last_error = table->max_size;
    return nullptr;
  }
  hashtbl_last_error = HASHTBL_OK;
  return table->values[i];
}

std::uint32_t hashtbl_put(hashtbl* table, const char* key, const char* value) {
  if (!table) {
    hashtbl_last_error = 1;
    return 0;
  }
  if (!key || !value) {
    hashtbl_last_error = 1;
    return table->max_size;
  }
  // key or value may point into this very table; put copies them before the
  // table changes.
  return hashtbl_impl::put(table, key, value);
}

std::uint32_t hashtbl_insert(hashtbl* table, std::uint32_t index, const char* key, const char* value) {
  if (!table || !key || !value || index > table->size) return hashtbl_last_error = 1;
  if (table->size >= table->max_size) return hashtbl_last_error = HASHTBL_ERR_FULL;
  std::string k, v;
  try {
    k = key;
    v = value;
  } catch (const std::bad_alloc&) {
    return hashtbl_last_error = HASHTBL_ERR_ALLOC;
  }
  return hashtbl_last_error = hashtbl_impl::insert_at(table, index, std::move(k), std::move(v));
}

std::uint32_t hashtbl_subsitute_value(hashtbl* table, std::uint32_t index, const char* value) {
  if (!table || !value || index >= table->size) return hashtbl_last_error = 1;
  return hashtbl_last_error = hashtbl_impl::set_value(table, index, value);
}

std::uint32_t hashtbl_subsitute(hashtbl* table, std::uint32_t index, const char* key, const char* value) {
  if (!table || !key || !value || index >= table->size) return hashtbl_last_error = 1;
  return hashtbl_last_error = hashtbl_impl::substitute(table, index, key, value);
}

std::uint32_t hashtbl_append(hashtbl* table, const char* key, const char* value) {
  if (!table) {
    hashtbl_last_error = 1;
    return 0;
  }
  if (!key || !value) {
    hashtbl_last_error = 1;
    return table->max_size;
  }
  std::uint32_t code;
  try {
    code = hashtbl_impl::append(table, key, value);
  } catch (const std::bad_alloc&) {
    code = HASHTBL_ERR_ALLOC;
  }
  if (code != HASHTBL_OK) {
    hashtbl_last_error = code;
    return table->max_size;
  }
  return table->size - 1;
}

void hashtbl_append_ht(hashtbl* destination, hashtbl* source) {
  if (!destination || !source) return;
  const std::uint32_t n = source->size;
  for (std::uint32_t i = 0; i < n; ++i) {
    try {
      hashtbl_impl::append(destination, source->keys[i], source->values[i]);
    } catch (const std::bad_alloc&) {
    }
  }
  hashtbl_impl::sort(destination);
  hashtbl_last_error = HASHTBL_OK;
}

std::uint32_t hashtbl_sort(hashtbl* table) {
  if (!table) return hashtbl_last_error = 1;
  return hashtbl_last_error = hashtbl_impl::sort(table);
}

std::uint32_t hashtbl_reverse(hashtbl* table) {
  if (!table) return hashtbl_last_error = 1;
  if (table->size < 2) return hashtbl_last_error;
  hashtbl_impl::reverse(table);
  return hashtbl_last_error = HASHTBL_OK;
}

namespace {

std::uint32_t append_sort_key(hashtbl* table, long sort_key, long id) {
  char key[32];
  char value[32];
  std::snprintf(key, sizeof key, "%09ld", sort_key);
  std::snprintf(value, sizeof value, "%ld", id);
  return hashtbl_append(table, key, value);
}

}  // namespace

std::uint32_t hashtbl_append_Id(hashtbl* table, long id) { return append_sort_key(table, id, id); }

std::uint32_t hashtbl_append_data(hashtbl* table, long time, long id) { return append_sort_key(table, time, id); }

std::uint32_t hashtbl_append_cena(hashtbl* table, double price, long id) {
  double v = price * 100.0 + 1000000.0;
  long k;
  // A price too large for a long (or not a number) keeps its place at the end
  // of the range instead of an undefined conversion.
  if (std::isnan(v))
    k = 0;
  else if (v >= 9.2e18)
    k = LONG_MAX;
  else if (v <= -9.2e18)
    k = LONG_MIN;
  else
    k = static_cast<long>(v);
  return append_sort_key(table, k, id);
}

// ---------------------------------------------------------------------------
// Key/value file

std::string hashtbl_file_bytes(const hashtbl* table) {
  // Written straight in disk form: every LF as CR LF.
  std::string bytes;
  if (!table) return bytes;
  std::size_t size = 0;
  for (std::uint32_t i = 0; i < table->size; ++i)
    size += hashtbl_impl::key_at(table, i).size() + hashtbl_impl::value_at(table, i).size() + 3;
  bytes.reserve(size + size / 16);
  for (std::uint32_t i = 0; i < table->size; ++i) {
    const char* key = table->keys[i];
    const char* value = table->values[i];
    if (!key || !value || !*key) continue;
    if (std::strchr(key, '\n') == nullptr) {
      bytes += key;
    } else {
      for (const char* p = key; *p; ++p) {
        if (*p == '\n') bytes += '\r';
        bytes += *p;
      }
    }
    bytes += ' ';
    for (const char* run = value;;) {
      const char* p = run;
      while (*p && *p != '\\' && *p != '\n') ++p;
      bytes.append(run, static_cast<std::size_t>(p - run));
      if (!*p) break;
      bytes += *p == '\\' ? "\\\\" : "\\n";
      run = p + 1;
    }
    bytes += "\r\n";
  }
  return bytes;
}

void hashtbl_save(hashtbl* table, const char* path) {
  if (!table || !path) {
    hashtbl_last_error = 1;
    return;
  }
  if (kal::atomic_rewrite(path, hashtbl_file_bytes(table)) != 0) {
    hashtbl_last_error = HASHTBL_ERR_FILE_WRITE;
    set_error_path(path);
  }
}

namespace {

// Adds one pair read from a file: the text up to a NUL byte, as a C string
// would hold it.
std::uint32_t append_read(hashtbl* table, const std::string& key, const std::string& value) {
  try {
    return hashtbl_impl::append(table, std::string(key.c_str()), std::string(value.c_str()));
  } catch (const std::bad_alloc&) {
    return HASHTBL_ERR_ALLOC;
  }
}

}  // namespace

void hashtbl_load(hashtbl* table, const char* path) { hashtbl_load(table, path, nullptr); }

void hashtbl_load(hashtbl* table, const char* path, std::string* bytes) {
  if (bytes) bytes->clear();
  if (!table || !path) {
    hashtbl_last_error = 1;
    return;
  }
  std::string raw;
  if (kal::read_file(path, raw) != 0) {
    hashtbl_last_error = HASHTBL_ERR_FILE_READ;
    set_error_path(path);
    return;
  }
  // The reader below drops every CR (a CR in an escape, too), so the bytes
  // are read as they are, CR LF and all.
  const std::string& text = raw;

  // Keys already in the table, and those read so far: the first one wins.
  // While the keys come in collation order after every key of the table (a
  // file as a save writes it), none can be there already; the set is made at
  // the first key out of that order.
  std::unordered_set<std::string_view> present;
  bool have_present = false;

  enum { Key, Start, Value, Escape } state = Key;
  std::string key, value;
  bool stop = false;
  auto end_pair = [&]() {
    std::string_view k(key.c_str());
    if (!have_present && !hashtbl_impl::beyond_last(table, k)) {
      hashtbl_impl::collect_keys(table, present);
      have_present = true;
    }
    if (!have_present || !present.count(k)) {
      std::uint32_t code = append_read(table, key, value);
      if (code == HASHTBL_ERR_FULL || code == HASHTBL_ERR_ALLOC)
        stop = true;
      else if (have_present)
        present.insert(hashtbl_impl::last_stored_key(table));
    }
    key.clear();
    value.clear();
    state = Key;
  };

  for (std::size_t i = 0; i < text.size() && !stop; ++i) {
    if (state == Key && key.empty()) {
      // The usual line, "key value" without CR or backslash before its line
      // end, at once; anything else byte by byte below.
      const void* lf = std::memchr(text.data() + i, '\n', text.size() - i);
      if (lf) {
        const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(lf) - text.data());
        std::string_view line(text.data() + i, end - i);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::size_t blank = 0;
        while (blank < line.size() && line[blank] != ' ' && line[blank] != '\t' && line[blank] != '\r') ++blank;
        std::size_t rest = blank + 1;
        while (rest < line.size() && line[rest] != '\\' && line[rest] != '\r') ++rest;
        if (blank < line.size() && line[blank] != '\r' && rest >= line.size()) {
          key.assign(line.substr(0, blank));
          value.assign(line.substr(blank + 1));
          end_pair();
          i = end;
          continue;
        }
      }
    }
    const char c = text[i];
    switch (state) {
      case Key:
        if (c == '\n' || c == '\r') break;
        if (c == ' ' || c == '\t')
          state = Start;
        else
          key += c;
        break;
      case Start:
      case Value:
        if (c == '\n')
          end_pair();
        else if (c == '\r')
          ;
        else if (c == '\\')
          state = Escape;
        else {
          value += c;
          state = Value;
        }
        break;
      case Escape:
        if (c == '\\') {
          value += '\\';
        } else if (c == 'n') {
          value += '\n';
        } else if (c == '\n') {
          value += '\\';
          end_pair();
          break;
        } else if (c == '\r') {
          break;
        } else {
          value += c;
          std::printf("hashtbl_load('%s'): key='%s' Undef conrol seq. '%s' c=%d!\n", path, key.c_str(),
                      value.c_str(), static_cast<int>(static_cast<unsigned char>(c)));
        }
        state = Value;
        break;
    }
  }
  // A pair not ended by LF is dropped.
  hashtbl_last_error = HASHTBL_OK;
  hashtbl_impl::sort(table);
  if (bytes) *bytes = std::move(raw);
}

// ---------------------------------------------------------------------------
// Page-text file

void hashtbl_load_sp(hashtbl* table, const char* path) {
  if (!table || !path) {
    hashtbl_last_error = 1;
    return;
  }
  std::string text;
  if (kal::read_text_file(path, text) != 0) {
    hashtbl_last_error = HASHTBL_ERR_FILE_READ;
    set_error_path(path);
    return;
  }
  int state = 0;
  std::string key, value;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (state == 0) {
      if (c == '~') state = 1;
    } else if (state == 1) {
      if (c == '~')
        state = 2;
      else
        key += c;
    } else if (state == 2) {
      if (c == '~') {
        key += '~';
        state = 1;
      } else {
        value += c;
        state = 3;
      }
    } else if (state == 3) {
      if (c == '~')
        state = 4;
      else
        value += c;
    } else {  // state 4
      if (c == '~') {
        value += '~';
        state = 3;
      } else {
        std::uint32_t code = append_read(table, key, value);
        key.clear();
        value.clear();
        state = 0;
        if (code == HASHTBL_ERR_FULL || code == HASHTBL_ERR_ALLOC) break;
      }
    }
  }
  hashtbl_last_error = HASHTBL_OK;
  hashtbl_impl::sort(table);
}

// ---------------------------------------------------------------------------
// Diagnostics

const char* hashtbl_err_to_string(hashtbl* table, std::uint32_t code) {
  if (!table) return "HASHTBL_NULL";
  if (code == table->max_size) return "HASHTBL_NOT_FOUND";
  switch (code) {
    case HASHTBL_OK: return "HASHTBL_OK";
    case HASHTBL_ERR_FULL: return "HASHTBL_ERR_FULL";
    case HASHTBL_ERR_ALLOC: return "HASHTBL_ERR_ALLOC";
    case HASHTBL_SUBSITUTED: return "HASHTBL_SUBSITUTED";
    case HASHTBL_ERR_FILE_READ: return "HASHTBL_ERR_FILE_READ";
    case HASHTBL_ERR_FILE_WRITE: return "HASHTBL_ERR_FILE_WRITE";
    default: return "HASHTBL_NO_DEFINED";
  }
}

void hashtbl_show_err(hashtbl* table, std::uint32_t code) {
  std::printf("err=%lu: %s %s\n", static_cast<unsigned long>(code), hashtbl_err_to_string(table, code),
              hashtbl_last_error_text);
  hashtbl_last_error_text[0] = 0;
}

const char* hashtbl_get_key(const char* file, long line, hashtbl* table, std::uint32_t index) {
  if (!file) file = "";
  if (!table) {
    std::printf("%s:%ld: hashtbl_get_key() tbl==NULL !\n", file, line);
    return nullptr;
  }
  if (index >= table->size) {
    std::printf("%s:%ld: hashtbl_get_key() id=%lu >= tbl->size=%lu !\n", file, line,
                static_cast<unsigned long>(index), static_cast<unsigned long>(table->size));
    return nullptr;
  }
  return table->keys[index];
}

const char* hashtbl_get_value(const char* file, long line, hashtbl* table, std::uint32_t index) {
  if (!file) file = "";
  if (!table) {
    std::printf("%s:%ld: hashtbl_get_value() tbl==NULL !\n", file, line);
    return nullptr;
  }
  if (index >= table->size) {
    std::printf("%s:%ld: hashtbl_get_value() id=%lu >= tbl->size=%lu !\n", file, line,
                static_cast<unsigned long>(index), static_cast<unsigned long>(table->size));
    return nullptr;
  }
  return table->values[index];
}

void hashtbl_print(hashtbl* table) {
  if (!table) return;
  std::printf("hashtbl_print() ht->size=%d\n", static_cast<int>(table->size));
  for (std::uint32_t i = 0; i < table->size; ++i) {
    const char* key = table->keys[i];
    std::size_t len = std::strlen(key);
    std::string pad(len < 15 ? 15 - len : 0, ' ');
    std::printf("%4lu:  key=\"%s\"%s value=\"%s\" size=%lu/%lu\n", static_cast<unsigned long>(i), key, pad.c_str(),
                table->values[i], static_cast<unsigned long>(table->size),
                static_cast<unsigned long>(table->max_size));
  }
}

unsigned long hashtbl_atolu(const char* text) {
  if (!text) return 0;
  while (*text && !(*text >= '0' && *text <= '9')) ++text;
  unsigned long n = 0;
  for (; *text >= '0' && *text <= '9'; ++text) n = n * 10 + static_cast<unsigned long>(*text - '0');
  return n;
}

namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

unsigned long hashtbl_hextolu(const char* text) {
  if (!text) return 0;
  while (*text && hex_digit(*text) < 0) ++text;
  unsigned long n = 0;
  for (int d; (d = hex_digit(*text)) >= 0; ++text) n = n * 16 + static_cast<unsigned long>(d);
  return n;
}

std::uint32_t hashtblliner_find_key(hashtbl* table, const char* key) {
  if (!table) return 0;
  if (!key) return table->max_size;
  for (std::uint32_t i = 0; i < table->size; ++i)
    if (coll(table->keys[i], key) == 0) return i;
  return table->max_size;
}

std::uint32_t hashtbl_find_value(hashtbl* table, const char* value) {
  if (!table) return 0;
  if (!value) return table->max_size;
  for (std::uint32_t i = 0; i < table->size; ++i)
    if (coll(table->values[i], value) == 0) return i;
  return table->max_size;
}
