#include "mages/mgs_form_keep.hpp"

#include "server/serv.hpp"
#include "server/sess.hpp"

mgs_form_keep::mgs_form_keep() {
  take(actual_sess, sess_);
  take(page_params, request_);
}

mgs_form_keep::~mgs_form_keep() {
  give_back(actual_sess, sess_);
  give_back(page_params, request_);
}

void mgs_form_keep::take(hashtbl* table, pairs& out) {
  if (!table) return;
  out.reserve(table->size);
  for (std::uint32_t i = 0; i < table->size; ++i) out.emplace_back(table->keys[i], table->values[i]);
}

void mgs_form_keep::give_back(hashtbl* table, const pairs& in) {
  if (!table) return;
  // Nothing to do when the reading changed nothing.
  bool same = table->size == in.size();
  for (std::uint32_t i = 0; same && i < table->size; ++i)
    same = in[i].first == table->keys[i] && in[i].second == table->values[i];
  if (same) return;
  hashtbl_clear(table);
  // The pairs were taken in the table's own order.
  for (const auto& [k, v] : in) hashtbl_append(table, k.c_str(), v.c_str());
}
