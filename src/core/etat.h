// The program-wide state: what the user chose and what the screens show, in
// one object.
//
// The steps of a run (format choice, file choice, presentation, execution, the
// batch run) talk to each other only through this object: each step fills
// some members and sets a completion flag, later steps read them. A run of the
// engine keeps its working memory (the lines it composes, where its readers
// stand, the print file) to itself. Tests make a fresh one.
//
// Capacities are those users meet: 19 format slots (0 is the working format,
// 1 to 18 the catalogue), names of at most 34 characters, tables of 30 rows of
// at most 254 bytes (row numbers 1 to 29 are usable), 50 attribute entries.
#pragma once

#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/texte.h"

namespace vign {

inline constexpr int kSlots = 19;               // format slots: 0 working, 1..18 catalogue
inline constexpr int kMaxCatalogue = 18;        // formats a catalogue can hold
inline constexpr int kLignes = 30;              // rows of place and champ (1..29 usable)
inline constexpr int kAttributs = 50;           // attribute numbers 0..49
inline constexpr int kLargeurs = 50;            // entries of a fixed-width layout
inline constexpr const char* kEcran = "ECRAN";  // input name that means screen mode

using Ligne = Texte<254>;   // a row of a table: at most 254 bytes
using Libelle = Texte<34>;  // a format name: at most 34 characters

// An open file that closes itself.
struct FermeFichier {
  void operator()(std::FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};
using Fichier = std::unique_ptr<std::FILE, FermeFichier>;

// A decoded control string: the bytes sent to the printer, or none at all.
using Controle = std::optional<std::string>;

// A sheet format: its geometry in characters and lines, and the printer
// strings around every page. The eight numbers come first, in the order the
// catalogue and the settings file keep them.
struct Format {
  int etilar = 0;           // labels side by side across the sheet
  int maxcareti = 0;        // width of one label, in characters
  int maxligeti = 0;        // lines per label
  int marge = 0;            // spaces before the first label of a line
  int maxintetihor = 0;     // spaces between two labels side by side
  int maxintetiver = 0;     // empty lines after every row of labels
  int maxetipag = 0;        // rows of labels per page
  int maxpagcad = 0;        // alignment pages printed before the labels
  Libelle libelle{};        // name of the format
  std::string avtpagimp{};  // page-start string, as typed
  std::string aprpagimp{};  // page-end string, as typed
  Controle avtpage{};       // page-start string decoded, or none
  Controle aprpage{};       // page-end string decoded, or none
  // The sheet a PDF or PNG print file is drawn on, the catalogue's twelfth
  // field: a sheet of the trade by its reference ("Avery L7160"), or the
  // [pdf] geometry itself ("cpi=10.28,lpi=4.12,haut=0.3,gauche=0,page=A4").
  // Empty for a format that has none: a text print file never uses it.
  std::string planche{};
};

// The widths of a fixed-width layout line: lc[k] is the width of field k, for
// k = 1 .. nbrechamp - 1 (the last entry, usually the line break after the
// last ";", is never a field). lc[0] is left at 0.
struct Disposition {
  std::array<int, kLargeurs> lc{};  // lc[k]: width of field k, in bytes of the file
  int nbrechamp = 0;                // entries of the layout line (fields are 1..nbrechamp-1)
};

// The most a number of a format may be: what the new-format form takes (three
// digits). Past it a format would write without bound.
inline constexpr int kNombreMax = 999;

// The values of section [pdf] of the settings file, by their index in
// Options::pdf (the order -e writes them): what each means is the PDF
// settings' business, the key naming each the settings file's.
enum ValeurPdf : std::size_t {
  kPdfPage,      // the page size
  kPdfCpi,       // print columns per inch
  kPdfLpi,       // print lines per inch
  kPdfHaut,      // from the sheet's top edge to line 0
  kPdfGauche,    // from the sheet's left edge to column 0
  kPdfPolice,    // the font
  kPdfTaille,    // the font size
  kPdfContours,  // label outlines drawn
  kValeursPdf    // the count of [pdf] values
};

// The codes a label may carry: keys code1 to code9 of section [codes].
inline constexpr std::size_t kCodes = 9;

// Settings beyond the format, each optional: absent, a run prints what it
// printed before they existed, and -e writes none of them. Each is kept as
// it was given (settings file or command line), to be written back as is.
// The keys that hold them are those of the settings file's table.
struct Options {
  std::optional<std::string> planche;      // [format]: the sheet of the trade the format comes from
  std::optional<std::string> jeu_donnees;  // [fichiers]: the records' character set
  std::optional<std::string> jeu_imprimante;  // [fichiers] or -c: the printer's character set
  std::optional<std::string> guillemets;      // [fichiers]: "oui" for CSV as spreadsheets write it
  std::optional<std::string> entete;  // [fichiers]: "oui" when the first record names the fields
  std::optional<std::string> debut;   // [execution] or -s: first label position of page 1
  std::optional<std::string> copies;  // [execution] or -n: copies of each label, or #K
  std::array<std::optional<std::string>, kValeursPdf> pdf{};  // [pdf], by ValeurPdf
  std::array<std::optional<std::string>, kCodes> codes{};     // [codes] code1..code9, by number - 1
};

struct Etat {
  // --- Format table: one entry per slot, slot 0 is the working format. ---
  std::array<Format, kSlots> formats{};
  int FORMAT = 0;     // selected slot (-1 never stays here: see the Formats step)
  int MAXFORMAT = 0;  // catalogue entries loaded into slots 1..MAXFORMAT

  // --- Presentation, field and line tables (row i is label line or field i). ---
  std::array<Ligne, kLignes> place{};  // field numbers of each label line ("1", "3+4")
  std::array<Ligne, kLignes> champ{};  // fields of the current record, or typed lines

  // --- Attributes: printer strings wrapped around a field or a label line. ---
  std::array<char, kAttributs> attr{};          // '1' when number k carries strings
  std::array<Controle, kAttributs> avtchamp{};  // activation string of k, decoded
  std::array<Controle, kAttributs> aprchamp{};  // deactivation string of k, decoded

  // --- Fixed-width layout. ---
  std::optional<Disposition> disposition;  // the layout chosen: fixed-width mode; none: delimited

  // --- Files, names and handles. ---
  std::string inputfile;                  // input file name; "ECRAN" means screen mode
  std::string outputfile;                 // print file, created afresh by every run
  std::optional<std::string> delimiteur;  // field delimiter (first character used)
  std::optional<std::string> formatfile;  // fixed-layout file given with -f
  std::optional<std::string> inifile;     // settings file given with -l: a batch run
  std::optional<std::string> writefile;   // settings file to write after a run (-e)
  Fichier pinput;                         // the input file, open from the file choice until the end
  int deplacement = 0;                    // bytes skipped before the first fixed-width record (-d)

  Options options;  // settings beyond the format (character sets, CSV, start, copies, PDF)

  // --- Completion and mode flags: 0 no, 1 yes. ---
  int FORMATS = 0;       // a format is chosen
  int FICHIER = 0;       // input and output files are named
  int PRESENTATION = 0;  // the label lines are defined
  int ALECRAN = 0;       // screen mode: labels typed on screen
};

// The eight numbers of a format, in the order the catalogue and the settings
// file keep them: labels across, label width, lines per label, margin, spaces
// between labels, lines between rows, rows per page, alignment pages.
inline std::array<int*, 8> nombres_du_format(Format& f) {
  return {&f.etilar,       &f.maxcareti,    &f.maxligeti, &f.marge,
          &f.maxintetihor, &f.maxintetiver, &f.maxetipag, &f.maxpagcad};
}

inline std::array<int, 8> nombres_du_format(const Format& f) {
  return {f.etilar,       f.maxcareti,    f.maxligeti, f.marge,
          f.maxintetihor, f.maxintetiver, f.maxetipag, f.maxpagcad};
}

inline std::array<int*, 8> nombres_du_format(Etat& st, int slot) {
  return nombres_du_format(st.formats[static_cast<std::size_t>(slot)]);
}

inline std::array<int, 8> nombres_du_format(const Etat& st, int slot) {
  return nombres_du_format(st.formats[static_cast<std::size_t>(slot)]);
}

}  // namespace vign
