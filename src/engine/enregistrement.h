// Record input: the fixed-layout file, the reading of one record of the input
// file into the field table, and the two cleaners applied to a field each time
// it is placed on a label.
//
// A record is either one line of the input split at the delimiter (delimited
// mode) or a run of fixed-width fields whose widths come from the fixed-layout
// file named with -f (fixed-width mode), after an initial skip of -d bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "core/etat.h"
#include "core/jeu.h"
#include "core/resultat.h"

namespace vign {

// The message that stops the program on a fixed-layout width a field row
// cannot hold.
inline constexpr const char* kTropLarge = "Augmenter MAX_RECLEN et recompiler";

// Parses the first line of a fixed-layout file: entries cut at every ";"
// (several in a row make one cut, empty entries do not count), each read as a
// number. Only the first 49 entries are kept and nbrechamp stops at 50, so a
// record has at most 49 fields. Fails with kTropLarge at the first kept
// entry over 253, the most a field row holds with the space after it.
Resultat<Disposition> analyse_ligne_format(std::string_view ligne);

// The layout of the fixed-layout file `pathname`, its first line parsed as
// analyse_ligne_format does: fixed-width mode. None when there is no name or
// it names nothing readable (the caller asks or reads the delimiter). Fails
// with kTropLarge on a width over the bound.
Resultat<std::optional<Disposition>> analyse_format_fixe(const std::optional<std::string>& pathname);

// The input of a reader of records (plain lines or CSV), read ahead in large
// blocks: a record is a view into the block, and nothing is allocated per
// record. The block grows only for a record longer than itself, and keeps
// at most kGarde bytes of one.
class BlocLu {
 public:
  static constexpr std::size_t kBloc = 64 * 1024;   // bytes read at a time past kGarde
  static constexpr std::size_t kDepart = 8 * kBloc;  // the block to begin with
  static constexpr std::size_t kGarde = 16 * kBloc;  // the most of a record kept

  // The bytes not taken yet; writable, for a reader that decodes in place.
  char* donnees() { return bloc_.data() + debut_; }
  std::string_view reste() const { return {bloc_.data() + debut_, fin_ - debut_}; }
  // Takes the first n bytes not taken.
  void prend(std::size_t n) { debut_ += n; }
  // Whether the input has nothing more to give.
  bool epuise() const { return epuise_; }
  // The line end: LF (CR LF as well), or CR alone for an input whose first
  // block holds carriage returns and no line feed (see fin_de_ligne).
  char fin_ligne() const { return fin_ligne_; }

  // Moves the bytes not taken to the start of the block and reads more of f
  // after them, the block doubling when they fill it. What is read is a
  // whole number of f's buffers when the room allows: the C library then
  // reads them straight into the block rather than copy them through its
  // buffer. False, reading
  // nothing, when they fill kGarde bytes: the record there is too long to
  // keep whole, and the block is grown (its views stay valid) for
  // apres_la_garde to read past the rest.
  bool lit(std::FILE* f);
  // Once lit() said false: the next bytes of f, read after the kGarde bytes
  // kept, and now the bytes not taken; none at the end of the input.
  std::string_view apres_la_garde(std::FILE* f);

 private:
  std::vector<char> bloc_;  // input read ahead
  std::size_t debut_ = 0;   // bloc_[debut_, fin_) is not taken yet
  std::size_t fin_ = 0;
  bool epuise_ = false;
  char fin_ligne_ = '\n';
  bool fin_choisie_ = false;  // the line end is chosen, from the first bytes read
};

// What the record read carries from one record to the next within a run of
// the engine. A fresh one starts a run: its first read makes the initial skip.
// Delimited input is read in large blocks, and a record is a view into the
// block: nothing is allocated per record. The block grows only for a line
// longer than itself.
class Lecture {
 public:
  Lecture() = default;
  Lecture(const Lecture&) = delete;
  Lecture& operator=(const Lecture&) = delete;

  // The current delimited record: its line without the line end, at most its
  // first MiB (the rest of a longer line is read past), in UTF-8 when the
  // records have a set of their own. A UTF-8 byte-order mark at the start of
  // the input is skipped.
  std::string_view enregistrement() const { return enregistrement_; }
  // The same before its conversion: the bytes of the file.
  std::string_view brut() const { return brut_; }
  // Whether the current record is only the first MiB of its line.
  bool tronque() const { return tronque_; }
  // Whether input remains: false once the data have ended.
  bool reste() const { return reste_; }

 private:
  friend bool lire(Etat& st, Lecture& lecture, Jeux* jeux);
  // The next line of f without its line end; false at the end of the input.
  bool ligne_suivante(std::FILE* f, std::string_view& ligne);
  // Reads past the rest of a line too long to keep.
  void passe_la_ligne(std::FILE* f);

  bool premier_ = true;  // the initial skip is still to be made
  bool reste_ = true;    // input remains
  BlocLu bloc_;
  bool tronque_ = false;
  std::string_view enregistrement_;
  std::string_view brut_;
  std::string converti_;  // the record brought to UTF-8
};

// Reads the next record from st.pinput: in delimited mode (no st.disposition)
// the next line, kept in `lecture`; in fixed-width mode the fields
// 1 .. nbrechamp - 1 straight into st.champ, each followed by one space, after
// the initial skip into champ[0] on the first read. lecture.reste() becomes
// false once the data have ended. Returns true when a record,
// complete or not, was obtained: the first record of a run is printed even
// when it is cut short, a later incomplete one is not.
bool lire_enregistrement(Etat& st, Lecture& lecture);

// The same, records in the set of `jeux` coming to UTF-8: a delimited line
// whole before it is split (the delimiter is then looked for in UTF-8), a
// fixed-width field after its bytes are read (the layout counts the file's
// bytes), cut at 253 bytes before its space, between characters.
bool lire_enregistrement(Etat& st, Lecture& lecture, Jeux& jeux);

// The field rows known to need no cleaning, one bit per row (bit k for
// champ[k]): rts and rctrl would leave them as they are. Fields are cleaned
// each time they are placed, labels come by the million, and nearly every
// field is clean already: the bit spares two scans of it. A bit may be clear
// for a clean row, never set for one that is not.
using Propres = std::uint32_t;

// Moves the fields of a delimited record into champ: field k is the text
// between delimiter k-1 and delimiter k, the last one runs to the end. Fields
// are cut at 254 bytes, between two characters (see coupe_octets); fields
// past the 29th are ignored; rows above the
// number of fields keep what an earlier record left there. With no delimiter
// character the whole record is field 1. The bits of the rows written are set
// in `propres` for the clean ones and cleared for the others. Returns the
// number of fields of the record, those past the 29th left uncounted.
// The look for control characters also sets `ascii` to whether every byte
// of the record is below 128.
std::size_t decoupe_enregistrement(Etat& st, std::string_view enregistrement, Propres& propres,
                                   bool& ascii);

inline std::size_t decoupe_enregistrement(Etat& st, std::string_view enregistrement,
                                          Propres& propres) {
  bool ascii = false;
  return decoupe_enregistrement(st, enregistrement, propres, ascii);
}

inline void decoupe_enregistrement(Etat& st, std::string_view enregistrement) {
  Propres propres = 0;
  decoupe_enregistrement(st, enregistrement, propres);
}

// The end of line a reader takes for an input whose first block is `debut`:
// CR when it holds carriage returns and no line feed, LF otherwise.
char fin_de_ligne(std::string_view debut);

// Removes trailing spaces, but never the first character: a field of spaces
// keeps one.
void rts(Ligne& s);

// Turns carriage returns into spaces and drops every other control character
// (bytes 0 to 31 and 127); bytes from 128 up are kept.
void rctrl(Ligne& s);

// Whether rts would shorten s.
inline bool fin_blanche(const Ligne& s) {
  return s.size() > 1 && s[s.size() - 1] == ' ';
}

// rts then rctrl on field row k, as each placing of a field does, unless its
// bit in `propres` says they would change nothing; the bit is set when the
// row comes out clean (a carriage return at the end leaves a space that the
// next rts removes).
inline void nettoie(Ligne& c, int k, Propres& propres) {
  const Propres bit = Propres{1} << k;
  if ((propres & bit) != 0) return;
  rts(c);
  rctrl(c);
  if (!fin_blanche(c)) propres |= bit;
}

// Whether v holds a control character (bytes 0 to 31 and 127): the test the
// split of a record makes, 16 bytes at a time, for the CSV reader's too.
bool contient_controle(std::string_view v);

// Whether every byte of v is below 128. Records and fields are looked at by
// the million, and nearly all are ASCII: 16 bytes at a time, or two words
// that overlap.
inline bool tout_ascii(std::string_view v) {
  const char* p = v.data();
  const std::size_t n = v.size();
#ifdef __SSE2__
  if (n >= 16) {
    const auto seize = [](const char* q) {
      return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    };
    __m128i ou = seize(p + n - 16);
    for (std::size_t i = 0; i + 16 < n; i += 16) ou = _mm_or_si128(ou, seize(p + i));
    return _mm_movemask_epi8(ou) == 0;
  }
#endif
  if (n >= 8) {
    std::uint64_t ou = 0;
    std::uint64_t mot;
    std::memcpy(&ou, p + n - 8, 8);
    for (std::size_t i = 0; i + 8 < n; i += 8) {
      std::memcpy(&mot, p + i, 8);
      ou |= mot;
    }
    return (ou & 0x8080808080808080ull) == 0;
  }
  if (n >= 4) {
    std::uint32_t a;
    std::uint32_t b;
    std::memcpy(&a, p, 4);
    std::memcpy(&b, p + n - 4, 4);
    return ((a | b) & 0x80808080u) == 0;
  }
  unsigned ou = 0;
  for (std::size_t i = 0; i < n; ++i) ou |= static_cast<unsigned char>(p[i]);
  return ou < 0x80;
}

}  // namespace vign
