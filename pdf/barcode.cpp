#include "pdf/barcode.hpp"

#include <cstdio>
#include <cstring>

namespace {

char strcode[24];
char result[4][3];

const char* pair(int k, const char* text) {
  char* r = result[k - 1];
  if (text == nullptr) {
    std::strcpy(r, "00");
    return r;
  }
  std::size_t len = std::strlen(text);
  for (int j = 0; j < 2; ++j) {
    std::size_t i = static_cast<std::size_t>(2 * k - 2 + j);
    r[j] = i < len ? text[i] : '0';
  }
  r[2] = '\0';
  return r;
}

}  // namespace

int barcode_i25_strchecksum(const char* text) {
  if (text == nullptr) return 0;
  int sum = 0;
  for (int i = 0; text[i] != '\0'; ++i) {
    int d = (static_cast<unsigned char>(text[i]) - 48) % 10;
    sum += (i % 2 == 0) ? 3 * d : d;
  }
  int r = sum % 10;
  return r == 0 ? 0 : 10 - r;
}

const char* barcode_i25_9999999c(int32_t value) {
  std::snprintf(strcode, sizeof strcode, "%07ld", static_cast<long>(value));
  int check = barcode_i25_strchecksum(strcode);
  std::size_t len = std::strlen(strcode);
  strcode[len] = static_cast<char>('0' + check);
  strcode[len + 1] = '\0';
  return strcode;
}

const char* barcode_i25_1(const char* text) { return pair(1, text); }
const char* barcode_i25_2(const char* text) { return pair(2, text); }
const char* barcode_i25_3(const char* text) { return pair(3, text); }
const char* barcode_i25_4(const char* text) { return pair(4, text); }
