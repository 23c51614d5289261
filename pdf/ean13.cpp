#include "pdf/ean13.hpp"

#include <cstdio>
#include <cstring>
#include <string>

const int ean13_D[10][6] = {
    {1, 1, 1, 1, 1, 1}, {1, 1, 0, 1, 0, 0}, {1, 1, 0, 0, 1, 0}, {1, 1, 0, 0, 0, 1},
    {1, 0, 1, 1, 0, 0}, {1, 0, 0, 1, 1, 0}, {1, 0, 0, 0, 1, 1}, {1, 0, 1, 0, 1, 0},
    {1, 0, 1, 0, 0, 1}, {1, 0, 0, 1, 0, 1},
};

const char* const ean13_A[10] = {"0001101", "0011001", "0010011", "0111101", "0100011",
                                 "0110001", "0101111", "0111011", "0110111", "0001011"};
const char* const ean13_B[10] = {"0100111", "0110011", "0011011", "0100001", "0011101",
                                 "0111001", "0000101", "0010001", "0001001", "0010111"};
const char* const ean13_C[10] = {"1110010", "1100110", "1101100", "1000010", "1011100",
                                 "1001110", "1010000", "1000100", "1001000", "1110100"};

namespace {

constexpr int kDigits = 13;

bool all_digits(const char* text, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

// Writes the formatted text into out when it fits 13 characters.
int put13(const char* fn, char* out, const char* text) {
  if (std::strlen(text) > kDigits) {
    std::printf("%s(): '%s' is longer than %d digits, no barcode\n", fn, text, kDigits);
    out[0] = '\0';
    return -1;
  }
  std::strcpy(out, text);
  return 0;
}

}  // namespace

int ean13_control(const char* text) {
  if (text == nullptr) return -1;
  int sum = 0;
  int weight = 3;
  for (std::size_t i = std::strlen(text); i-- > 0;) {
    sum += weight * (static_cast<unsigned char>(text[i]) - 48);
    weight = weight == 3 ? 1 : 3;
  }
  int check = (10 - sum % 10) % 10;
  std::printf("ean13_control(%s)=%d\n", text, check);
  return check;
}

int ean13_id2str(char* out, int a, int b, int c) {
  if (out == nullptr) return -1;
  if (a < 0 || a > 99 || b < 0 || b > 99999 || c < 0 || c > 99999) {
    std::printf("ean13_id2str(%d,%d,%d): the numbers do not fit 2, 5 and 5 digits, no barcode\n",
                a, b, c);
    out[0] = '\0';
    return -1;
  }
  char text[kDigits + 1];
  std::snprintf(text, sizeof text, "%02d%05d%05d", a, b, c);
  int check = ean13_control(text);
  text[12] = static_cast<char>('0' + check);
  text[13] = '\0';
  std::strcpy(out, text);
  std::printf("ean13_id2str(%d,%d,%d)->%s\n", a, b, c, out);
  return 0;
}

int ean13_from_str(char* out, const char* text) {
  if (out == nullptr) return -1;
  if (text == nullptr || std::strlen(text) != kDigits || !all_digits(text, kDigits)) {
    std::printf("ean13_from_str(): '%s' is not a text of 13 digits, no barcode\n",
                text ? text : "");
    out[0] = '\0';
    return -1;
  }
  std::string pattern;
  pattern.reserve(95);
  const int* parity = ean13_D[text[0] - '0'];
  pattern += "101";
  for (int i = 1; i <= 6; ++i) {
    int d = text[i] - '0';
    pattern += parity[i - 1] ? ean13_A[d] : ean13_B[d];
  }
  pattern += "01010";
  for (int i = 7; i <= 12; ++i) pattern += ean13_C[text[i] - '0'];
  pattern += "101";
  std::memcpy(out, pattern.c_str(), pattern.size() + 1);
  std::printf("%s -> %s\n", text, out);
  return 0;
}

int ean13_from_ids(char* out, int a, int b, int c) {
  if (out == nullptr) return -1;
  char text[kDigits + 1];
  if (ean13_id2str(text, a, b, c) != 0) {
    out[0] = '\0';
    return -1;
  }
  return ean13_from_str(out, text);
}

int ean13_id2str1(char* out, int /*a*/, int /*b*/, int c) {
  if (out == nullptr) return -1;
  char text[32];
  std::snprintf(text, sizeof text, "%013d", c);
  return put13("ean13_id2str1", out, text);
}

int ean13_id2str2(char* out, int /*a*/, int b, int c) {
  if (out == nullptr) return -1;
  char text[32];
  std::snprintf(text, sizeof text, "%09d%04d", b, c);
  return put13("ean13_id2str2", out, text);
}

int ean13_test() {
  char buf[96];
  ean13_id2str(buf, 59, 9990, 1505);
  ean13_from_str(buf, "7501031311309");
  return 0;
}
