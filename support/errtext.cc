#include <errno.h>

#include "support/fatal.h"

// Named so the table below tests them first and in this order: where two
// share a value (EAGAIN and EWOULDBLOCK on most systems) the earlier wins.
constinit const int errnum_eintr = EINTR;
constinit const int errnum_enomem = ENOMEM;
constinit const int errnum_enoent = ENOENT;
constinit const int errnum_etxtbsy = ETXTBSY;
constinit const int errnum_eio = EIO;
constinit const int errnum_eexist = EEXIST;
constinit const int errnum_etimedout = ETIMEDOUT;
constinit const int errnum_einprogress = EINPROGRESS;
constinit const int errnum_eagain = EAGAIN;
constinit const int errnum_ewouldblock = EWOULDBLOCK;
constinit const int errnum_epipe = EPIPE;
constinit const int errnum_eperm = EPERM;
constinit const int errnum_eacces = EACCES;
constinit const int errnum_enxio = ENXIO;
constinit const int errnum_eproto = EPROTO;
constinit const int errnum_eisdir = EISDIR;
constinit const int errnum_econnrefused = ECONNREFUSED;
constinit const int errnum_enotdir = ENOTDIR;
constinit const int errnum_erofs = EROFS;

namespace {

struct errtext_row {
  int number;
  const char* text;
};

// Tested after the named numbers. A constant this platform lacks leaves its
// row out, and its number then gets "unknown error".
constexpr errtext_row platform_rows[] = {
#ifdef ESRCH
    {ESRCH, "no such process"},
#endif
#ifdef E2BIG
    {E2BIG, "argument list too long"},
#endif
#ifdef ENOEXEC
    {ENOEXEC, "exec format error"},
#endif
#ifdef EBADF
    {EBADF, "file descriptor not open"},
#endif
#ifdef ECHILD
    {ECHILD, "no child processes"},
#endif
#ifdef EDEADLK
    {EDEADLK, "operation would cause deadlock"},
#endif
#ifdef EFAULT
    {EFAULT, "bad address"},
#endif
#ifdef ENOTBLK
    {ENOTBLK, "not a block device"},
#endif
#ifdef EBUSY
    {EBUSY, "device busy"},
#endif
#ifdef EXDEV
    {EXDEV, "cross-device link"},
#endif
#ifdef ENODEV
    {ENODEV, "device does not support operation"},
#endif
#ifdef EINVAL
    {EINVAL, "invalid argument"},
#endif
#ifdef ENFILE
    {ENFILE, "system cannot open more files"},
#endif
#ifdef EMFILE
    {EMFILE, "process cannot open more files"},
#endif
#ifdef ENOTTY
    {ENOTTY, "not a tty"},
#endif
#ifdef EFBIG
    {EFBIG, "file too big"},
#endif
#ifdef ENOSPC
    {ENOSPC, "out of disk space"},
#endif
#ifdef ESPIPE
    {ESPIPE, "unseekable descriptor"},
#endif
#ifdef EMLINK
    {EMLINK, "too many links"},
#endif
#ifdef EDOM
    {EDOM, "input out of range"},
#endif
#ifdef ERANGE
    {ERANGE, "output out of range"},
#endif
#ifdef EALREADY
    {EALREADY, "operation already in progress"},
#endif
#ifdef ENOTSOCK
    {ENOTSOCK, "not a socket"},
#endif
#ifdef EDESTADDRREQ
    {EDESTADDRREQ, "destination address required"},
#endif
#ifdef EMSGSIZE
    {EMSGSIZE, "message too long"},
#endif
#ifdef EPROTOTYPE
    {EPROTOTYPE, "incorrect protocol type"},
#endif
#ifdef ENOPROTOOPT
    {ENOPROTOOPT, "protocol not available"},
#endif
#ifdef EPROTONOSUPPORT
    {EPROTONOSUPPORT, "protocol not supported"},
#endif
#ifdef ESOCKTNOSUPPORT
    {ESOCKTNOSUPPORT, "socket type not supported"},
#endif
#ifdef EOPNOTSUPP
    {EOPNOTSUPP, "operation not supported"},
#endif
#ifdef EPFNOSUPPORT
    {EPFNOSUPPORT, "protocol family not supported"},
#endif
#ifdef EAFNOSUPPORT
    {EAFNOSUPPORT, "address family not supported"},
#endif
#ifdef EADDRINUSE
    {EADDRINUSE, "address already used"},
#endif
#ifdef EADDRNOTAVAIL
    {EADDRNOTAVAIL, "address not available"},
#endif
#ifdef ENETDOWN
    {ENETDOWN, "network down"},
#endif
#ifdef ENETUNREACH
    {ENETUNREACH, "network unreachable"},
#endif
#ifdef ENETRESET
    {ENETRESET, "network reset"},
#endif
#ifdef ECONNABORTED
    {ECONNABORTED, "connection aborted"},
#endif
#ifdef ECONNRESET
    {ECONNRESET, "connection reset"},
#endif
#ifdef ENOBUFS
    {ENOBUFS, "out of buffer space"},
#endif
#ifdef EISCONN
    {EISCONN, "already connected"},
#endif
#ifdef ENOTCONN
    {ENOTCONN, "not connected"},
#endif
#ifdef ESHUTDOWN
    {ESHUTDOWN, "socket shut down"},
#endif
#ifdef ETOOMANYREFS
    {ETOOMANYREFS, "too many references"},
#endif
#ifdef ELOOP
    {ELOOP, "symbolic link loop"},
#endif
#ifdef ENAMETOOLONG
    {ENAMETOOLONG, "file name too long"},
#endif
#ifdef EHOSTDOWN
    {EHOSTDOWN, "host down"},
#endif
#ifdef EHOSTUNREACH
    {EHOSTUNREACH, "host unreachable"},
#endif
#ifdef ENOTEMPTY
    {ENOTEMPTY, "directory not empty"},
#endif
#ifdef EPROCLIM
    {EPROCLIM, "too many processes"},
#endif
#ifdef EUSERS
    {EUSERS, "too many users"},
#endif
#ifdef EDQUOT
    {EDQUOT, "disk quota exceeded"},
#endif
#ifdef ESTALE
    {ESTALE, "stale NFS file handle"},
#endif
#ifdef EREMOTE
    {EREMOTE, "too many levels of remote in path"},
#endif
#ifdef EBADRPC
    {EBADRPC, "RPC structure is bad"},
#endif
#ifdef ERPCMISMATCH
    {ERPCMISMATCH, "RPC version mismatch"},
#endif
#ifdef EPROGUNAVAIL
    {EPROGUNAVAIL, "RPC program unavailable"},
#endif
#ifdef EPROGMISMATCH
    {EPROGMISMATCH, "program version mismatch"},
#endif
#ifdef EPROCUNAVAIL
    {EPROCUNAVAIL, "bad procedure for program"},
#endif
#ifdef ENOLCK
    {ENOLCK, "no locks available"},
#endif
#ifdef ENOSYS
    {ENOSYS, "system call not available"},
#endif
#ifdef EFTYPE
    {EFTYPE, "bad file type"},
#endif
#ifdef EAUTH
    {EAUTH, "authentication error"},
#endif
#ifdef ENEEDAUTH
    {ENEEDAUTH, "not authenticated"},
#endif
#ifdef EIDRM
    {EIDRM, "identifier removed"},
#endif
#ifdef ENOMSG
    {ENOMSG, "no message of desired type"},
#endif
#ifdef EBADMSG
    {EBADMSG, "bad message type"},
#endif
#ifdef EMULTIHOP
    {EMULTIHOP, "multihop attempted"},
#endif
#ifdef ENOLINK
    {ENOLINK, "link severed"},
#endif
};

}  // namespace

const char* sys_errtext(int number) {
  if (number == 0) return "no error";
  if (number == errnum_eintr) return "interrupted system call";
  if (number == errnum_enomem) return "out of memory";
  if (number == errnum_enoent) return "file does not exist";
  if (number == errnum_etxtbsy) return "text busy";
  if (number == errnum_eio) return "input/output error";
  if (number == errnum_eexist) return "file already exists";
  if (number == errnum_etimedout) return "timed out";
  if (number == errnum_einprogress) return "operation in progress";
  if (number == errnum_eagain) return "temporary failure";
  if (number == errnum_ewouldblock) return "input/output would block";
  if (number == errnum_epipe) return "broken pipe";
  if (number == errnum_eperm) return "permission denied";
  if (number == errnum_eacces) return "access denied";
  if (number == errnum_enxio) return "device not configured";
  if (number == errnum_eproto) return "protocol error";
  if (number == errnum_eisdir) return "is a directory";
  if (number == errnum_econnrefused) return "connection refused";
  if (number == errnum_enotdir) return "not a directory";
  if (number == errnum_erofs) return "read-only file system";
  for (const errtext_row& row : platform_rows)
    if (number == row.number) return row.text;
  return "unknown error";
}
