#include "core/interactif.h"

#include <cstdio>

namespace vign {

// Not built yet: the interactive program says so and fails.
int traitement_interactif(Etat& /*st*/, Terminal& /*t*/) {
  std::fprintf(stderr, "Mode interactif pas encore disponible dans cette version\n");
  return 1;
}

}  // namespace vign
