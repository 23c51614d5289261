#include "mages/mgs_pdf_text.hpp"

#include "pdf/pdfpage.hpp"
#include "platform/textfile.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"

void mgs_pdf_error_page(const char* text) {
  app("<HTML><BODY>\n");
  errorDisplay(text);
  app("</BODY></HTML>\n");
}

int mgs_pdf_text_out(const std::vector<std::string>& pages, const char* file) {
  if (file) {
    std::vector<const char*> texts;
    for (const std::string& p : pages) texts.push_back(p.c_str());
    std::string bytes;
    if (pdf_file_bytes(texts.data(), static_cast<int>(texts.size()), bytes) != 0) return -1;
    return kal::atomic_rewrite(file, bytes) == 0 ? 0 : -1;
  }
  const int len = send_buf_len;
  app(pdf_header());
  if (const int rc = pdf_file(send_buf, &send_buf_len, pages); rc != 0) {
    if (rc == PDF_REPLY_TOO_BIG) return -1;  // the reply says why
    send_buf_len = len;
    send_buf[len] = 0;
    bin_file_flag = 0;
    mgs_pdf_error_page("Nie można utworzyć pliku wydruk.pdf !");
    return -1;
  }
  return 0;
}
