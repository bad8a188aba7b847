// The sheet a format prints on when its print file is a PDF or a PNG: the
// [pdf] values of its catalogue's twelfth field, a sheet of the trade looked
// up and derived, or a geometry written out.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/etat.h"
#include "core/resultat.h"
#include "formats/catalogue.h"
#include "formats/planches.h"

namespace vign {

// What the chooser and the run say when there is no sheet to be had.
inline constexpr const char* kSansPlanches =
    "Aucune planche trouvee : installez le paquet glabels-data, ou ecrivez ./planches.xml";
inline constexpr const char* kSansXml =
    "Planches non lues : vign construit sans libxml2 (paquet libxml2-dev)";

// The sheet database as the chooser and the run read it, from `sources`; an
// error when it cannot be read, holds no sheet, or this build reads no XML.
Resultat<BasePlanches> base_planches(
    const std::vector<std::filesystem::path>& sources = sources_planches());

struct GeometrieFormat {
  TextesPdf textes{};  // the [pdf] values, by the index of kClesPdf
  std::string nom;     // the sheet as the count line names it
};

// None for a format without a sheet. A reference is derived at the default
// pitch, the one its format's numbers were derived at; a reference that names
// no sheet, or a sheet the derivation refuses, is an error of one line.
Resultat<std::optional<GeometrieFormat>> geometrie_du_format(
    const Format& f, const std::vector<std::filesystem::path>& sources = sources_planches());

// Fills the [pdf] values the user did not set with those of the sheet.
void completer_pdf(std::array<std::optional<std::string>, kValeursPdf>& pdf,
                   const TextesPdf& planche);

}  // namespace vign
