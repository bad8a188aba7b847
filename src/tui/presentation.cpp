#include "tui/presentation.h"

#include "tui/non_disponible.h"

namespace vign {

int vign_ecran(Etat& /*st*/, Terminal& t) {
  non_disponible(t, "Presentation");
  return 0;
}

int vign_champ(Etat& /*st*/, Terminal& t) {
  non_disponible(t, "Presentation");
  return 0;
}

}  // namespace vign
