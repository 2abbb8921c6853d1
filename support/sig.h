// Signal dispositions.
#pragma once

// Sets the disposition of signal to "ignore": 0, or -1 with errno set.
// The programs ignore SIGPIPE and SIGXFSZ so that a write to a pipe with no
// reader, or past the file-size limit, fails with EPIPE or EFBIG and is
// reported like any other write error, instead of killing the process.
int sig_ignore(int signal);
