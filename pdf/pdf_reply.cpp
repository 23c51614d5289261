#include "pdf/pdf_reply.hpp"

#include <cstdio>

#include "server/page_out.hpp"
#include "server/serv.hpp"

void pdf_reply_error(const std::string& text) {
  send_buf_len = 0;
  send_buf[0] = 0;
  bin_file_flag = 0;
  app("<HTML><BODY>\n");
  errorDisplay(text.c_str());
  app("</BODY></HTML>\n");
}

int pdf_reply_append(std::string_view bytes) {
  if (send_buf_append_bytes(bytes.data(), bytes.size()) == 0) return 0;
  std::fprintf(stderr, "pdf_file(): ERROR the PDF of %zu bytes does not fit into the reply !\n", bytes.size());
  pdf_reply_error("Wydruk jest za duży, by go wysłać: ma " + std::to_string(bytes.size()) +
                  " bajtów, a odpowiedź serwera mieści niecałe " + std::to_string(max_send_buf_len / 1000000) +
                  " MB. Nie wysłano go.");
  return PDF_REPLY_TOO_BIG;
}
