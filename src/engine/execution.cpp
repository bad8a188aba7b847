#include "engine/execution.h"

#include <cstdio>

#include "tui/saisie.h"

namespace vign {

// Not built yet: the engine says so and prints nothing.
int execution(Etat& /*st*/, Terminal* ecran) {
  constexpr const char* kMessage = "Impression pas encore disponible dans cette version";
  if (ecran == nullptr) {
    std::fprintf(stderr, "%s\n", kMessage);
  } else {
    pos(*ecran, 8, 3);
    affiche(*ecran, kMessage);
    ecran->rafraichir();
  }
  return 1;
}

}  // namespace vign
