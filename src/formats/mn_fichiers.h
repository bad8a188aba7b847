#pragma once

#include <optional>
#include <string>

#include "core/etat.h"
#include "tui/terminal.h"

namespace vign {

void mn_fichiers(Etat& st, Terminal& t, const std::optional<std::string>& pathname);

}  // namespace vign
