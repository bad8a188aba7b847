#include "formats/mn_fichiers.h"

#include "tui/non_disponible.h"

namespace vign {

void mn_fichiers(Etat& st, Terminal& t, const std::optional<std::string>& pathname) {
  (void)st;
  (void)pathname;
  non_disponible(t, "Fichiers");
}

}  // namespace vign
