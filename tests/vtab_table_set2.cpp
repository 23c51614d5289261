// A share of the tables for the suite of tests/vtab_table_suite.hpp.
#include "tests/vtab_table_suite.hpp"

static const bool registered = vtab_suite::register_part<vtab_suite::kParts, 2>();
