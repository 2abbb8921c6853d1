#include "support/fatal.h"

#include <unistd.h>

#include <errno.h>

#include "support/iobuf.h"

constinit err_record sys_error = {nullptr, nullptr, nullptr, nullptr};

void sys_error_capture() {
  sys_error.next = nullptr;
  sys_error.text1 = sys_errtext(errno);
  sys_error.text2 = "";
  sys_error.text3 = "";
}

namespace {

void put_present(const char* text) {
  if (text != nullptr) iobuf_puts(&iobuf_err, text);
}

}  // namespace

// Results of the writes are not examined: a report that cannot be written
// must still reach the exit.
void fatal_print(const char* t1, const char* t2, const char* t3, const char* t4,
                 const char* t5, const char* t6, const err_record* chain) {
  sys_error_capture();
  const char* const texts[] = {t1, t2, t3, t4, t5, t6};
  for (const char* text : texts) put_present(text);
  for (const err_record* r = chain; r != nullptr; r = r->next) {
    put_present(r->text1);
    put_present(r->text2);
    put_present(r->text3);
  }
  iobuf_puts(&iobuf_err, "\n");
  iobuf_flush(&iobuf_err);
}

void fatal_exit(int status, const char* t1, const char* t2, const char* t3, const char* t4,
                const char* t5, const char* t6, const err_record* chain) {
  fatal_print(t1, t2, t3, t4, t5, t6, chain);
  _exit(status);
}
