#pragma once

#include <optional>
#include <string>

#include "core/etat.h"
#include "tui/terminal.h"

namespace vign {

int wn_format_crea(Etat& st, Terminal& t);

}  // namespace vign
