// Alignment pages: before the labels, pages of the same geometry on which
// every label is a solid block of asterisks, so that the sheet can be lined up
// in the printer.
#pragma once

#include <cstdio>

#include "core/etat.h"
#include "engine/composition.h"

namespace vign {

// Writes one row of asterisk blocks to `sortie`, then the empty lines between
// rows. Each line holds the margin, then for every label its width in
// asterisks and the gap after it, in the same print columns as a label line.
void cadrage(const Format& p, std::FILE* sortie);

}  // namespace vign
