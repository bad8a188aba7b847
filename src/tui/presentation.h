#pragma once

#include <optional>
#include <string>

#include "core/etat.h"
#include "tui/terminal.h"

namespace vign {

int vign_ecran(Etat& st, Terminal& t);
int vign_champ(Etat& st, Terminal& t);

}  // namespace vign
