#include "tui/aide.h"

#include "tui/non_disponible.h"

namespace vign {

void ecran_aide(Terminal& t) { non_disponible(t, "Aide"); }

}  // namespace vign
