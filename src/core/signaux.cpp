#include "core/signaux.h"

#include <signal.h>

namespace vign {

void sur_signaux_de_fin(Traitant traitant) {
  constexpr int kSignaux[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};
  struct sigaction sa {};
  sa.sa_handler = traitant;
  sigemptyset(&sa.sa_mask);
  for (int sig : kSignaux) sigaddset(&sa.sa_mask, sig);
  for (int sig : kSignaux) {
    struct sigaction avant {};
    ::sigaction(sig, nullptr, &avant);
    if (avant.sa_handler != SIG_IGN) ::sigaction(sig, &sa, nullptr);
  }
}

}  // namespace vign
