#include "pdf/pdf_reply.hpp"

// The server loop owns the flag; this definition only stands in while the
// printouts are linked without it.
__attribute__((weak)) int bin_file_flag = 0;

int pdf_reply_append(std::string& reply, std::string_view bytes) {
  reply.append(bytes);
  return 0;
}
