// The page-id table and its look-ups.
#include <cstdio>
#include <cstring>

#include "mages/mages.hpp"

#define MGS_X_PAGE_ROW(name, id) {#name, id},
const MGS_PAGE_cross MGS_PAGE_cross_tbl[] = {MGS_PAGES(MGS_X_PAGE_ROW)};
#undef MGS_X_PAGE_ROW

const int MGS_PAGE_cross_count = static_cast<int>(sizeof MGS_PAGE_cross_tbl / sizeof MGS_PAGE_cross_tbl[0]);

namespace {

constexpr char kPrefix[] = "MGS_PAGE_";
constexpr std::size_t kPrefixLen = sizeof kPrefix - 1;

#define MGS_X_PAGE_COUNT(name, id) +1
static_assert(0 MGS_PAGES(MGS_X_PAGE_COUNT) == 110);
#undef MGS_X_PAGE_COUNT

}  // namespace

const char* mages_nav_name(int id) {
  for (int i = 0; i < MGS_PAGE_cross_count; ++i)
    if (MGS_PAGE_cross_tbl[i].id == id) return MGS_PAGE_cross_tbl[i].name;
  return "";
}

int mages_nav_id0(const char* text) {
  if (!text) return -1;
#define MGS_X_PAGE_CMP(name, id) \
  if (std::strcmp(text, "MGS_PAGE_" #name) == 0) return id;
  MGS_PAGES(MGS_X_PAGE_CMP)
#undef MGS_X_PAGE_CMP
  return -1;
}

int mages_nav_id(const char* text) {
  int id = -1;
  int row = -1;
  if (text && std::strncmp(text, kPrefix, kPrefixLen) == 0) {
    const char* name = text + kPrefixLen;
    for (int i = 0; i < MGS_PAGE_cross_count; ++i) {
      if (std::strcmp(MGS_PAGE_cross_tbl[i].name, name) == 0) {
        id = MGS_PAGE_cross_tbl[i].id;
        row = i;
        break;
      }
    }
  }
  const int id0 = mages_nav_id0(text);
  if (id != id0) std::printf("id=%d id0=%d i=%d name='%s'\n", id, id0, row, text ? text : "");
  return id;
}
