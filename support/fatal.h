// Error texts and the fatal exit: every failure of the programs is one line
// on standard error followed by _exit with a chosen status.
#pragma once

// One link of a chain of extra texts for a report; a null text is absent.
struct err_record {
  const err_record* next;
  const char* text1;
  const char* text2;
  const char* text3;
};

// Carries the text of errno as it was when the latest report began. All
// null until then.
extern err_record sys_error;

// The error numbers the library tests by name, first, in sys_errtext.
extern const int errnum_eintr, errnum_enomem, errnum_enoent, errnum_etxtbsy, errnum_eio,
    errnum_eexist, errnum_etimedout, errnum_einprogress, errnum_eagain, errnum_ewouldblock,
    errnum_epipe, errnum_eperm, errnum_eacces, errnum_enxio, errnum_eproto, errnum_eisdir,
    errnum_econnrefused, errnum_enotdir, errnum_erofs;

// The caller's input is refused; the report carries no error text.
inline constexpr int EXIT_REJECT = 100;
// A system call failed; the report ends with the text of errno.
inline constexpr int EXIT_IOFAIL = 111;

// The library's own text for an error number; never null.
const char* sys_errtext(int number);
// Refreshes sys_error from the current errno.
void sys_error_capture();

// Writes the present texts, then the chain's, then a newline, to iobuf_err
// and flushes it. errno is read before anything is written. Write failures
// are ignored.
void fatal_print(const char* t1, const char* t2, const char* t3, const char* t4,
                 const char* t5, const char* t6, const err_record* chain);
// fatal_print, then _exit(status): pending standard output is dropped.
[[noreturn]] void fatal_exit(int status, const char* t1, const char* t2, const char* t3,
                             const char* t4, const char* t5, const char* t6,
                             const err_record* chain);
