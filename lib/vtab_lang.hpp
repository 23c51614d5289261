// Polish collation over Windows-1250, case folding and the wildcard patterns
// of the table queries.
#pragma once

#include <cstddef>

// Comparison kinds shared by every table query.
enum : int {
  VTAB_CMP_ERROR = 0,
  VTAB_CMP_LE = 1,
  VTAB_CMP_GE = 2,
  VTAB_CMP_EQUAL = 3,
  VTAB_CMP_LESS = 4,
  VTAB_CMP_GREAT = 5,
  VTAB_CMP_LIKE = 6,
  VTAB_CMP_LIKEIC = 7,
  VTAB_CMP_LIKEX = 8,
  VTAB_CMP_LIKEICX = 9,
  VTAB_CMP_NEQUAL = 10,
  VTAB_CMP_NEQIC = 11,
};

// Collation weights indexed by byte value; a permutation of 0..255 that puts
// the Polish alphabet first.
extern const unsigned char vtab_lplti_cp1250[256];

// Compares two NUL-terminated strings through a weight table: -1, 0 or 1.
int vtab_langcmp(const char* a, const char* b, const unsigned char* weights);

// Folds one Windows-1250 byte to lower case.
int vtab_to_lowlang_cp1250(int c);
// Folds a string in place; returns it.
char* vtab_to_lowlangs_cp1250(char* text);

using vtab_fold_fn = int (*)(int);

// Wildcard matching: a star is special only as the first or last byte of the
// pattern.  1 when the value matches, else 0.
int vtab_chkpatrn(const char* value, const char* pattern, long pattern_length);
int vtab_chkpatrnic(const char* value, const char* pattern, long pattern_length, vtab_fold_fn fold);
// Prefix forms: a pattern without a trailing star gets one.
int vtab_chkpatrnx(const char* value, const char* pattern, long pattern_length);
int vtab_chkpatrnicx(const char* value, const char* pattern, long pattern_length, vtab_fold_fn fold);

// Offset of the first occurrence of needle (which ends at its NUL or at a
// star) in text at or after start; -1 when there is none.
long vtab_ptrfind(const char* text, const char* needle, long start);

// Names of the comparison kinds, for diagnostics.
const char* vtab_cmp_from(int kind);
// The same, except that the prefix kinds 8 and 9 read as VTAB_CMP_ERROR.
const char* vtab_cmp_type_to_str(int kind);
