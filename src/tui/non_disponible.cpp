#include "tui/non_disponible.h"

#include <string>

#include "tui/saisie.h"

namespace vign {

void non_disponible(Terminal& t, const char* ecran) {
  pos(t, 8, 3);
  affiche(t, std::string(ecran) + " : pas encore disponible");
  t.rafraichir();
}

}  // namespace vign
