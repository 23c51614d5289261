// Keeps the form state of a session while a page reads another record for
// display: the session's variables and the request's table are taken down
// when the keeper is made and put back as they were when it goes, so that
// whatever the reading wrote into form variables ("NaprawyNew_", "SerwisNew_",
// "Transakcje_" ...) is given back.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "lib/hashtbl.hpp"

class mgs_form_keep {
 public:
  mgs_form_keep();
  ~mgs_form_keep();
  mgs_form_keep(const mgs_form_keep&) = delete;
  mgs_form_keep& operator=(const mgs_form_keep&) = delete;

 private:
  using pairs = std::vector<std::pair<std::string, std::string>>;
  static void take(hashtbl* table, pairs& out);
  static void give_back(hashtbl* table, const pairs& in);
  pairs sess_, request_;
};
