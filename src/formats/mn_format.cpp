#include "formats/mn_format.h"

#include "tui/non_disponible.h"

namespace vign {

int mn_format(Etat& st, Terminal& t) {
  (void)st;
  non_disponible(t, "Formats");
  return -1;
}

}  // namespace vign
