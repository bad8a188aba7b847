// The sheets of the trade: the label template database in XML, as Debian's
// glabels-data installs it, and the user's own sheets in the same format.
//
// A sheet (Gabarit) is read once, all in millimetres, and resolved: its paper
// size looked up, its equivalence to another sheet followed, the printable
// rectangle of a round, elliptic or CD label worked out. What the program does
// with it (a format and a PDF geometry) is the engine's business.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/resultat.h"

namespace vign {

// A rectangle on a label, from the label's own top-left corner, in mm.
struct Rectangle {
  double x = 0, y = 0, largeur = 0, hauteur = 0;
};

struct Gabarit {
  std::string marque;       // the maker, "Avery"
  std::string piece;        // the maker's part number, "L7160"
  std::string description;  // the maker's words, possibly empty
  std::string papier;       // paper name ("A4", "US-Letter"), or "Other"
  double page_largeur = 0;  // paper, in mm
  double page_hauteur = 0;
  std::string forme;                  // "rectangle", "rond", "ellipse" or "cd"
  double largeur = 0;                 // the label's outer width and height, in mm
  double hauteur = 0;                 // (a round label: its diameter)
  double rayon = 0;                   // corner radius of a rectangle, in mm
  Rectangle utile;                    // the rectangle text may take (inscribed in a round one)
  std::optional<double> marge_texte;  // the template's own Markup-margin, in mm
  int nx = 0, ny = 0;                 // labels across and down
  double x0 = 0, y0 = 0;              // top-left corner of the first label, from the paper's
  double dx = 0, dy = 0;              // horizontal and vertical pitch, in mm
  int etiquettes = 0;                 // labels on one sheet, all layouts together
  // Why the sheet cannot be used as one format (several label shapes or
  // several layouts), or nothing. Such a sheet is listed all the same.
  std::optional<std::string> refus;
  std::string fichier;  // the file it was read from

  std::string reference() const { return marque + " " + piece; }
};

// A template as one file gives it, before the database is put together: its
// paper may be named only and its geometry may come from another template.
struct GabaritLu {
  Gabarit g;
  std::string equiv;  // the part this one is the same as (same maker), or ""
  bool papier_a_chercher = false;
};

struct PapierLu {
  std::string nom;
  double largeur = 0, hauteur = 0;  // mm
};

// What one XML file holds: templates, paper sizes, and the entries left out
// (one line each, naming the file and the template).
struct FichierPlanches {
  std::vector<GabaritLu> gabarits;
  std::vector<PapierLu> papiers;
  std::vector<std::string> ecartes;
};

// True when this build reads XML (libxml2 was found when it was configured).
bool lecture_xml_construite();

// Reads one XML file's text; `nom` names it in the messages. A file that is not
// XML, or is larger than 16 MiB, is refused in one line; a file of another
// kind (vendors, categories) gives nothing. A template with a missing or
// senseless number (unknown unit, negative, zero where a size is needed, more
// than 999 labels a side) is left out with its reason in `ecartes`.
Resultat<FichierPlanches> analyse_planches_xml(std::string_view texte, std::string_view nom);

// A length as the templates write it: a number and a unit, pt (the default),
// mm, cm, in or pc; in mm. None for anything else, or a length that is not
// finite.
std::optional<double> longueur_mm(std::string_view texte);

// The database: every sheet found, the first one of a reference winning (the
// user's own files come before the system's).
struct BasePlanches {
  std::vector<Gabarit> gabarits;
  std::vector<std::string> ecartes;  // entries left out, one line each
  int fichiers = 0;                  // template files read
};

// Puts files together, in their order of precedence: paper names and
// equivalences are resolved across all of them. A reference to a missing
// template, or a loop of equivalences, leaves the template out.
BasePlanches assemble_planches(std::vector<FichierPlanches> fichiers);

// Where the sheets are looked for, in order: ./planches.xml, then every .xml
// of $XDG_CONFIG_HOME/libglabels/templates (~/.config by default), then the
// system's database.
std::vector<std::filesystem::path> sources_planches();

// The system's database, where glabels-data installs it.
inline constexpr std::string_view kDossierSysteme = "/usr/share/libglabels-3.0/templates";

// Reads the sources: a path that is a directory gives its .xml files (in name
// order), a file that does not exist is skipped. A file that cannot be read
// or parsed is an error naming it. No template at all is not an error: the
// base is empty.
Resultat<BasePlanches> charge_planches(const std::vector<std::filesystem::path>& sources);

// One line of the list: reference, label size, count, paper, and the refusal
// when there is one.
std::string ligne_planche(const Gabarit& g);

// True when every word of the filter (blank-separated) is found in the line,
// case-blind. An empty filter keeps every line.
bool retenue(std::string_view ligne, std::string_view filtre);

// The sheets whose list line the filter keeps, in the order of the base.
std::vector<const Gabarit*> filtre_planches(const BasePlanches& base, std::string_view filtre);

// A sheet looked up by its reference: brand and part ("Avery L7160"), any
// case, or the part alone when only one brand has it. Unknown, `gabarit` is
// null and `proches` holds up to three of the closest references.
struct Recherche {
  const Gabarit* gabarit = nullptr;
  std::vector<std::string> proches;
};
Recherche cherche_planche(const BasePlanches& base, std::string_view reference);

// The line for a reference that names no sheet:
//   Planche inconnue : "L7106" (Avery L7160, Avery L7106A ?)
std::string message_planche_inconnue(std::string_view reference, const Recherche& r);

}  // namespace vign
