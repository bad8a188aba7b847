#include "core/batch.h"

#include <cstdio>

#include "core/inifile.h"

namespace vign {

// Not built yet: a batch run checks that its settings file opens, says that
// printing is not available, and fails.
int traitement_batch(Etat& st) {
  read_inifile(st, *st.inifile, "format", "libelle");
  std::fprintf(stderr, "Traitement batch pas encore disponible dans cette version\n");
  return 1;
}

}  // namespace vign
