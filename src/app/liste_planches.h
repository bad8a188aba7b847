// vign --planches [FILTRE]: the sheets of the trade, one a line.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string_view>
#include <vector>

namespace vign {

// Lists on `sortie` the sheets of `sources` whose line the filter keeps.
// Returns the exit status: 0 when something is listed; 1 with one line on
// `erreurs` when nothing is (no match, no database, a file that cannot be
// read).
int liste_planches(std::string_view filtre, const std::vector<std::filesystem::path>& sources,
                   std::FILE* sortie, std::FILE* erreurs);

}  // namespace vign
