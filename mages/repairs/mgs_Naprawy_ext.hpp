// The side row of a repair (Naprawy_ext, keyed by the repair's Id): slot s1
// the name of the person who collects the goods, i1 the external service
// firm, i2 the repair's equipment.
#pragma once

#include <cstdint>

// Stores s1 and i1 into the side row of repair Id; a repair without one gets
// a new row of s1, i1, i2 (every other slot empty or 0).  Saves
// "Naprawy_ext.dat".  0; -9 for repair 0; the insert's result when it fails;
// 1 when the file could not be written.
int mgs_Naprawy_update_serwis_zewnetrzny_Id(uint32_t Id, const char* s1, int32_t i1, int32_t i2);
// The same, but an existing row takes only what is given: i1 and i2 when not
// 0, s1 when not empty.
int mgs_Naprawy_replace_serwis_zewnetrzny_Id(uint32_t Id, const char* s1, int32_t i1, int32_t i2);
