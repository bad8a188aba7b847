// The engine run as the menu's Execution entry makes it (progress on the
// screen, a failure under the menu box), or as a batch run makes it (nothing
// shown, failures on standard error): 0 when the run went through, 1 when it
// failed.
#pragma once

#include <cstdio>

#include "engine/execution.h"
#include "support/ecran_memoire.h"
#include "tui/execution_ecran.h"

namespace vign::test {

inline int lance_execution(Etat& st, EcranMemoire* ecran) {
  SuiviMuet muet;
  const auto r = ecran != nullptr ? execution_ecran(st, *ecran) : execution(st, muet);
  if (r) return 0;
  if (ecran != nullptr) {
    montre_message(*ecran, st, r.erreur().message);
  } else {
    std::fprintf(stderr, "%s\n", r.erreur().message.c_str());
  }
  return 1;
}

}  // namespace vign::test
