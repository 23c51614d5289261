// Shared by the session modules (server/sess*.cpp) only.
#pragma once

#include <string_view>

#include "lib/hashtbl.hpp"

namespace kal {

// actual_sess, created on first use (NULL when memory runs out).
hashtbl* sess_vars();
// A copy of text that stays valid until the next sess_start; equal texts
// share one copy.
const char* sess_keep_text(std::string_view text);
// Drops the copies of the previous request (sess_start).
void sess_forget_texts();

}  // namespace kal
