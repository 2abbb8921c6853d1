#include <signal.h>

#include "support/sig.h"

int sig_ignore(int signal) {
  struct sigaction action = {};
  action.sa_handler = SIG_IGN;
  return sigaction(signal, &action, nullptr);
}
