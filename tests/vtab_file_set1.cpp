// A share of the tables for the round trip of tests/vtab_file_suite.hpp.
#include "tests/vtab_file_suite.hpp"

VTAB_FILE_SUITE_PART(1)
