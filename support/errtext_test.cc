#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "support/fatal.h"

namespace {

struct errtext_case {
  int number;
  const char* name;
  const char* text;
};

// Every row this platform has; a number shared with an earlier row takes the
// earlier row's text.
const errtext_case rows[] = {
#ifdef EINTR
    {EINTR, "EINTR", "interrupted system call"},
#endif
#ifdef ENOMEM
    {ENOMEM, "ENOMEM", "out of memory"},
#endif
#ifdef ENOENT
    {ENOENT, "ENOENT", "file does not exist"},
#endif
#ifdef ETXTBSY
    {ETXTBSY, "ETXTBSY", "text busy"},
#endif
#ifdef EIO
    {EIO, "EIO", "input/output error"},
#endif
#ifdef EEXIST
    {EEXIST, "EEXIST", "file already exists"},
#endif
#ifdef ETIMEDOUT
    {ETIMEDOUT, "ETIMEDOUT", "timed out"},
#endif
#ifdef EINPROGRESS
    {EINPROGRESS, "EINPROGRESS", "operation in progress"},
#endif
#ifdef EAGAIN
    {EAGAIN, "EAGAIN", "temporary failure"},
#endif
#ifdef EWOULDBLOCK
    {EWOULDBLOCK, "EWOULDBLOCK", "input/output would block"},
#endif
#ifdef EPIPE
    {EPIPE, "EPIPE", "broken pipe"},
#endif
#ifdef EPERM
    {EPERM, "EPERM", "permission denied"},
#endif
#ifdef EACCES
    {EACCES, "EACCES", "access denied"},
#endif
#ifdef ENXIO
    {ENXIO, "ENXIO", "device not configured"},
#endif
#ifdef EPROTO
    {EPROTO, "EPROTO", "protocol error"},
#endif
#ifdef EISDIR
    {EISDIR, "EISDIR", "is a directory"},
#endif
#ifdef ECONNREFUSED
    {ECONNREFUSED, "ECONNREFUSED", "connection refused"},
#endif
#ifdef ENOTDIR
    {ENOTDIR, "ENOTDIR", "not a directory"},
#endif
#ifdef EROFS
    {EROFS, "EROFS", "read-only file system"},
#endif
#ifdef ESRCH
    {ESRCH, "ESRCH", "no such process"},
#endif
#ifdef E2BIG
    {E2BIG, "E2BIG", "argument list too long"},
#endif
#ifdef ENOEXEC
    {ENOEXEC, "ENOEXEC", "exec format error"},
#endif
#ifdef EBADF
    {EBADF, "EBADF", "file descriptor not open"},
#endif
#ifdef ECHILD
    {ECHILD, "ECHILD", "no child processes"},
#endif
#ifdef EDEADLK
    {EDEADLK, "EDEADLK", "operation would cause deadlock"},
#endif
#ifdef EFAULT
    {EFAULT, "EFAULT", "bad address"},
#endif
#ifdef ENOTBLK
    {ENOTBLK, "ENOTBLK", "not a block device"},
#endif
#ifdef EBUSY
    {EBUSY, "EBUSY", "device busy"},
#endif
#ifdef EXDEV
    {EXDEV, "EXDEV", "cross-device link"},
#endif
#ifdef ENODEV
    {ENODEV, "ENODEV", "device does not support operation"},
#endif
#ifdef EINVAL
    {EINVAL, "EINVAL", "invalid argument"},
#endif
#ifdef ENFILE
    {ENFILE, "ENFILE", "system cannot open more files"},
#endif
#ifdef EMFILE
    {EMFILE, "EMFILE", "process cannot open more files"},
#endif
#ifdef ENOTTY
    {ENOTTY, "ENOTTY", "not a tty"},
#endif
#ifdef EFBIG
    {EFBIG, "EFBIG", "file too big"},
#endif
#ifdef ENOSPC
    {ENOSPC, "ENOSPC", "out of disk space"},
#endif
#ifdef ESPIPE
    {ESPIPE, "ESPIPE", "unseekable descriptor"},
#endif
#ifdef EMLINK
    {EMLINK, "EMLINK", "too many links"},
#endif
#ifdef EDOM
    {EDOM, "EDOM", "input out of range"},
#endif
#ifdef ERANGE
    {ERANGE, "ERANGE", "output out of range"},
#endif
#ifdef EALREADY
    {EALREADY, "EALREADY", "operation already in progress"},
#endif
#ifdef ENOTSOCK
    {ENOTSOCK, "ENOTSOCK", "not a socket"},
#endif
#ifdef EDESTADDRREQ
    {EDESTADDRREQ, "EDESTADDRREQ", "destination address required"},
#endif
#ifdef EMSGSIZE
    {EMSGSIZE, "EMSGSIZE", "message too long"},
#endif
#ifdef EPROTOTYPE
    {EPROTOTYPE, "EPROTOTYPE", "incorrect protocol type"},
#endif
#ifdef ENOPROTOOPT
    {ENOPROTOOPT, "ENOPROTOOPT", "protocol not available"},
#endif
#ifdef EPROTONOSUPPORT
    {EPROTONOSUPPORT, "EPROTONOSUPPORT", "protocol not supported"},
#endif
#ifdef ESOCKTNOSUPPORT
    {ESOCKTNOSUPPORT, "ESOCKTNOSUPPORT", "socket type not supported"},
#endif
#ifdef EOPNOTSUPP
    {EOPNOTSUPP, "EOPNOTSUPP", "operation not supported"},
#endif
#ifdef EPFNOSUPPORT
    {EPFNOSUPPORT, "EPFNOSUPPORT", "protocol family not supported"},
#endif
#ifdef EAFNOSUPPORT
    {EAFNOSUPPORT, "EAFNOSUPPORT", "address family not supported"},
#endif
#ifdef EADDRINUSE
    {EADDRINUSE, "EADDRINUSE", "address already used"},
#endif
#ifdef EADDRNOTAVAIL
    {EADDRNOTAVAIL, "EADDRNOTAVAIL", "address not available"},
#endif
#ifdef ENETDOWN
    {ENETDOWN, "ENETDOWN", "network down"},
#endif
#ifdef ENETUNREACH
    {ENETUNREACH, "ENETUNREACH", "network unreachable"},
#endif
#ifdef ENETRESET
    {ENETRESET, "ENETRESET", "network reset"},
#endif
#ifdef ECONNABORTED
    {ECONNABORTED, "ECONNABORTED", "connection aborted"},
#endif
#ifdef ECONNRESET
    {ECONNRESET, "ECONNRESET", "connection reset"},
#endif
#ifdef ENOBUFS
    {ENOBUFS, "ENOBUFS", "out of buffer space"},
#endif
#ifdef EISCONN
    {EISCONN, "EISCONN", "already connected"},
#endif
#ifdef ENOTCONN
    {ENOTCONN, "ENOTCONN", "not connected"},
#endif
#ifdef ESHUTDOWN
    {ESHUTDOWN, "ESHUTDOWN", "socket shut down"},
#endif
#ifdef ETOOMANYREFS
    {ETOOMANYREFS, "ETOOMANYREFS", "too many references"},
#endif
#ifdef ELOOP
    {ELOOP, "ELOOP", "symbolic link loop"},
#endif
#ifdef ENAMETOOLONG
    {ENAMETOOLONG, "ENAMETOOLONG", "file name too long"},
#endif
#ifdef EHOSTDOWN
    {EHOSTDOWN, "EHOSTDOWN", "host down"},
#endif
#ifdef EHOSTUNREACH
    {EHOSTUNREACH, "EHOSTUNREACH", "host unreachable"},
#endif
#ifdef ENOTEMPTY
    {ENOTEMPTY, "ENOTEMPTY", "directory not empty"},
#endif
#ifdef EPROCLIM
    {EPROCLIM, "EPROCLIM", "too many processes"},
#endif
#ifdef EUSERS
    {EUSERS, "EUSERS", "too many users"},
#endif
#ifdef EDQUOT
    {EDQUOT, "EDQUOT", "disk quota exceeded"},
#endif
#ifdef ESTALE
    {ESTALE, "ESTALE", "stale NFS file handle"},
#endif
#ifdef EREMOTE
    {EREMOTE, "EREMOTE", "too many levels of remote in path"},
#endif
#ifdef EBADRPC
    {EBADRPC, "EBADRPC", "RPC structure is bad"},
#endif
#ifdef ERPCMISMATCH
    {ERPCMISMATCH, "ERPCMISMATCH", "RPC version mismatch"},
#endif
#ifdef EPROGUNAVAIL
    {EPROGUNAVAIL, "EPROGUNAVAIL", "RPC program unavailable"},
#endif
#ifdef EPROGMISMATCH
    {EPROGMISMATCH, "EPROGMISMATCH", "program version mismatch"},
#endif
#ifdef EPROCUNAVAIL
    {EPROCUNAVAIL, "EPROCUNAVAIL", "bad procedure for program"},
#endif
#ifdef ENOLCK
    {ENOLCK, "ENOLCK", "no locks available"},
#endif
#ifdef ENOSYS
    {ENOSYS, "ENOSYS", "system call not available"},
#endif
#ifdef EFTYPE
    {EFTYPE, "EFTYPE", "bad file type"},
#endif
#ifdef EAUTH
    {EAUTH, "EAUTH", "authentication error"},
#endif
#ifdef ENEEDAUTH
    {ENEEDAUTH, "ENEEDAUTH", "not authenticated"},
#endif
#ifdef EIDRM
    {EIDRM, "EIDRM", "identifier removed"},
#endif
#ifdef ENOMSG
    {ENOMSG, "ENOMSG", "no message of desired type"},
#endif
#ifdef EBADMSG
    {EBADMSG, "EBADMSG", "bad message type"},
#endif
#ifdef EMULTIHOP
    {EMULTIHOP, "EMULTIHOP", "multihop attempted"},
#endif
#ifdef ENOLINK
    {ENOLINK, "ENOLINK", "link severed"},
#endif
};

}  // namespace

TEST(SysErrtext, EveryRowGivesItsText) {
  for (std::size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    const errtext_case* first = &rows[i];
    for (std::size_t j = 0; j < i; ++j)
      if (rows[j].number == rows[i].number) {
        first = &rows[j];
        break;
      }
    EXPECT_STREQ(sys_errtext(rows[i].number), first->text) << rows[i].name;
  }
}

TEST(SysErrtext, SpecialNumbers) {
  EXPECT_STREQ(sys_errtext(0), "no error");
  EXPECT_STREQ(sys_errtext(EPERM), "permission denied");
  EXPECT_STREQ(sys_errtext(EACCES), "access denied");
  EXPECT_STREQ(sys_errtext(EPROTO), "protocol error");
  if (EAGAIN == EWOULDBLOCK) {
    EXPECT_STREQ(sys_errtext(EWOULDBLOCK), "temporary failure");
  }
  for (int n : {-1, -4, -1000, 100000, EOVERFLOW, ECANCELED, EILSEQ})
    EXPECT_STREQ(sys_errtext(n), "unknown error") << n;
}

TEST(SysErrtext, NamedNumbersHoldThePlatformValues) {
  EXPECT_EQ(errnum_eintr, EINTR);
  EXPECT_EQ(errnum_eagain, EAGAIN);
  EXPECT_EQ(errnum_ewouldblock, EWOULDBLOCK);
  EXPECT_EQ(errnum_erofs, EROFS);
}
