#pragma once

#include <optional>
#include <string>

#include "core/etat.h"
#include "tui/terminal.h"

namespace vign {

int mn_format(Etat& st, Terminal& t);

}  // namespace vign
