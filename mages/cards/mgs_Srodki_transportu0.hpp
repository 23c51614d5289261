// Glue of the means of transport: vehicles for trips to customers, each with
// a gross rate per kilometre.  A means of transport shows as its name; its
// select has a first row of 24 dashes and no line end after its head; a look-up
// of an Id that none has gives the name "zlecenidawca" and the rate 0.
#pragma once

#include "db/Srodki_transportu.hpp"
#include "mages/glue.hpp"

#define Srodki_transportu_GLUE(X, T) \
  X(record, T) X(create, T) X(update, T) X(lookup, T, nazwa) X(ht, T) X(select_name, T) X(radio, T)
MGS_GLUE_DECLARE(Srodki_transportu)

template <>
struct glue_desc<Srodki_transportu> : glue_desc_base<Srodki_transportu> {
  static const char* missing_text() { return "zlecenidawca"; }
  static constexpr glue_select_style select{.head_close = "'>", .none_text = "------------------------"};
};

// The rate per kilometre of the means of transport; 0 when none has the Id.
double Srodki_transportu_stawka(uint32_t Id);
