// Records as spreadsheets write them ([fichiers] guillemets=oui): the input
// is read as CSV, fields may be quoted, and a quoted field may hold the
// delimiter, line breaks and doubled double quotes. The delimiter is any one
// byte (';', ',', a tab ...).
//
// The rules, where spreadsheets and their readers leave a choice:
// - A record ends at LF or CR LF outside quotes; a CR just before the end of
//   a record (or of the input) is its line end, any other CR stays in the field.
//   An input whose first block holds carriage returns and no line feed has
//   its records ended by CR alone (old Mac exports).
// - Empty lines are no records: spreadsheets end files with one, and an empty
//   line in the middle would print an empty label.
// - A UTF-8 byte-order mark (EF BB BF) at the very start of the input is skipped.
// - A field is quoted only when its first byte is '"'; a quote anywhere else
//   in an unquoted field is kept as it is.
// - Text after the closing quote, up to the delimiter, is appended as it is
//   ("ab"c gives abc).
// - A line break inside quotes (LF or CR LF) becomes one space: a label line
//   shows a multi-line cell as one line, its words still apart.
// - An input that ends inside quotes ends the field and the record there,
//   with all its text.
// - A record keeps at most its first MiB; the rest of a longer one is read
//   past (still minding the quotes to find where it ends), so no input (a
//   binary file, a device) can take all the memory.
// - With '"' as the delimiter no field is quoted: a record splits as a plain
//   one does.
// - A read error ends the records; ferror() stays set for the caller to report.
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>
#include <string_view>

#include "core/etat.h"
#include "engine/enregistrement.h"

namespace vign {

// Reads CSV records one at a time from a stream, in large blocks. A record is
// decoded in place in the block and its fields are views into it: nothing is
// allocated per record; the block grows only for a record longer than itself.
// A fresh reader starts a run: it expects the start of the input (the engine
// rewinds it), where the byte-order mark may be.
class LectureCsv {
 public:
  // The first byte of `delimiteur` separates fields; with none, a record is
  // one field.
  explicit LectureCsv(std::string_view delimiteur);
  LectureCsv(const LectureCsv&) = delete;
  LectureCsv& operator=(const LectureCsv&) = delete;

  // Reads the next record of f; false once the input has no more (or a read
  // failed). The fields stay valid until the next call.
  bool suivant(std::FILE* f);

  // The number of fields of the current record, those past the 29th too.
  std::size_t nombre_champs() const { return nombre_; }

  // Whether the current record is known to hold no control character in
  // any field (false may be said of one that holds none).
  bool sans_controle() const { return sans_controle_; }

  // Whether the current record is only the first MiB of its record.
  bool tronque() const { return tronque_; }

  // The line of the input where the current record starts, from 1: empty
  // lines and the line breaks inside quotes count, as a text editor shows them.
  std::size_t ligne() const { return ligne_; }

  // Field k of the current record, decoded, for k from 1 to the number of
  // fields and below kLignes; empty otherwise.
  std::string_view champ(std::size_t k) const {
    return k >= 1 && k < kLignes && k <= nombre_ ? champs_[k] : std::string_view();
  }

 private:
  // Where each step of a record stands, byte after byte: used to read past
  // the end of a record too long to keep.
  enum class Etape { debut_champ, libre, guillemets, apres_guillemet, fin };

  // A field as found in the block, before decoding: the text (between the
  // quotes for a quoted field) and what follows a closing quote.
  struct Brut {
    char* debut;
    char* fin;
    const char* suite;
    const char* suite_fin;
    bool a_decoder;  // doubled quotes, line breaks or text after the quote
  };

  Etape avance(Etape e, char c) const;
  // Finds the record at p[0, n): returns the bytes it takes with its line
  // end, or size_t(-1) when the block holds only its start (`complet`:
  // nothing comes after n). The fields are decoded only once the record is whole.
  std::size_t analyse(char* p, std::size_t n, bool complet);
  // Keeps the first MiB of the record at the start of the block as the
  // current record and reads past the rest of it.
  void coupe(std::FILE* f);

  char delimiteur_;
  bool tronque_ = false;
  bool premier_ = true;  // the byte-order mark is still to be looked for
  BlocLu bloc_;
  bool vide_ = false;  // the record found is an empty line
  bool sans_controle_ = false;
  std::size_t nombre_ = 0;
  std::size_t sauts_ = 0;     // line feeds the record found takes, its own included
  std::size_t ligne_ = 0;     // where the current record starts
  std::size_t suivante_ = 1;  // where the next one does
  // Field rows the last decoupe_csv may have left non-empty.
  std::size_t rangs_remplis_ = kLignes - 1;
  friend void decoupe_csv(Etat& st, LectureCsv& lecture, Propres& propres);
  std::array<Brut, kLignes> bruts_{};
  std::array<std::string_view, kLignes> champs_{};
};

// Reads the next record from st.pinput into `lecture`. Returns whether a
// record was read: false once the data have ended.
bool lire_csv(Etat& st, LectureCsv& lecture);

// Moves the fields of the current CSV record into champ, cut at 254 bytes;
// fields past the 29th are ignored. Rows above the number of fields are
// emptied, unlike a plain record's: a spreadsheet may leave out the empty
// cells at the end of a row, and a label must not show the previous
// record's there. The bits of the rows written are set in `propres` for the
// clean ones and cleared for the others; those of the rows emptied are set.
//
// The reader serves the field table of one Etat: within a run no other
// writer must lengthen a row it emptied.
void decoupe_csv(Etat& st, LectureCsv& lecture, Propres& propres);

}  // namespace vign
