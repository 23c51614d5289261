#include "pdf/pdf_reply.hpp"

#include <cstdio>

#include "server/serv.hpp"

int pdf_reply_append(std::string_view bytes) {
  if (send_buf_append_bytes(bytes.data(), bytes.size()) != 0) {
    std::fprintf(stderr, "pdf_file(): ERROR the PDF of %zu bytes does not fit into the reply !\n", bytes.size());
    return -1;
  }
  return 0;
}
