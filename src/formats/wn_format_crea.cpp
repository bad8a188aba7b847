#include "formats/wn_format_crea.h"

#include "tui/non_disponible.h"

namespace vign {

int wn_format_crea(Etat& st, Terminal& t) {
  (void)st;
  non_disponible(t, "Nouveau format");
  return -1;
}

}  // namespace vign
