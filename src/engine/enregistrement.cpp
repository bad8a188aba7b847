#include "engine/enregistrement.h"

#include <stdio.h>  // getline

#include <algorithm>
#include <cstdlib>

#include "core/arret.h"
#include "core/nombres.h"

namespace vign {

namespace {

constexpr int kEntreesGardees = kLargeurs - 1;  // widths lc[1..49]
constexpr int kLargeurMax = 253;                // a field row holds the width and one space

// Width of field k as a byte count: a negative width reads nothing.
std::size_t largeur(const Etat& st, int k) {
  return static_cast<std::size_t>(std::max(0, st.lc[static_cast<std::size_t>(k)]));
}

// Reads and throws away `n` bytes, keeping the first of them in `garde`;
// returns the number of bytes the input gave.
std::size_t saute(std::FILE* f, std::size_t n, Ligne& garde) {
  char tampon[4096];
  std::size_t total = 0;
  garde.clear();
  while (total < n) {
    const std::size_t voulu = std::min(n - total, sizeof tampon);
    const std::size_t lu = std::fread(tampon, 1, voulu, f);
    garde.append(std::string_view(tampon, lu));
    total += lu;
    if (lu < voulu) break;
  }
  return total;
}

bool lire_fixe(Etat& st, bool premier) {
  std::FILE* f = st.pinput.get();
  if (premier) {
    const std::size_t saut = static_cast<std::size_t>(std::max(0, st.deplacement));
    st.etat = static_cast<int>(saute(f, saut, st.champ[0]));
  }
  st.lc[0] = st.etat;
  bool complet = true;
  std::size_t obtenus = 0;
  const int fin = std::min(st.nbrechamp, kLargeurs);
  for (int k = 1; k < fin; ++k) {
    // Only a field that came short before the last one ends the data; a
    // short last field still makes a record, and the next read finds the end.
    if (k > 1 && static_cast<std::size_t>(st.etat) != largeur(st, k - 1)) {
      complet = false;
      break;
    }
    char tampon[kLargeurMax + 1];
    const std::size_t n = std::fread(tampon, 1, std::min(largeur(st, k), sizeof tampon), f);
    st.etat = static_cast<int>(n);
    obtenus += n;
    if (k < kLignes) {
      // The part of a short field that was not read stays empty rather than
      // showing bytes of the previous record.
      Ligne& c = st.champ[static_cast<std::size_t>(k)];
      c.assign(std::string_view(tampon, n));
      c.append(1, ' ');
    }
  }
  // A record that obtained no byte at all ends the data too, so that a layout
  // of a single field (or of none, or of zero widths) cannot read forever.
  st.res = complet && obtenus > 0;
  return obtenus > 0;
}

bool lire_delimite(Etat& st, char*& tampon, std::size_t& capacite, std::size_t& longueur) {
  const ssize_t n = ::getline(&tampon, &capacite, st.pinput.get());
  if (n < 0) {
    st.res = false;
    return false;
  }
  // The line end is LF or CR LF; a last line without one keeps all its text.
  std::size_t l = static_cast<std::size_t>(n);
  if (l > 0 && tampon[l - 1] == '\n') --l;
  if (l > 0 && tampon[l - 1] == '\r') --l;
  longueur = l;
  st.mes.assign(std::string_view(tampon, l));
  st.res = true;
  return true;
}

}  // namespace

Disposition analyse_ligne_format(std::string_view ligne) {
  Disposition d;
  int entrees = 0;
  std::size_t i = 0;
  while (entrees < kLargeurs) {
    i = ligne.find_first_not_of(';', i);
    if (i == std::string_view::npos) break;
    const std::size_t fin = std::min(ligne.find(';', i), ligne.size());
    ++entrees;
    if (entrees <= kEntreesGardees) {
      const int largeur_champ = entier(ligne.substr(i, fin - i));
      if (largeur_champ > kLargeurMax) throw Arret(1, kTropLarge);
      d.lc[static_cast<std::size_t>(entrees)] = largeur_champ;
    }
    i = fin;
  }
  d.nbrechamp = entrees;
  return d;
}

bool analyse_format_fixe(Etat& st, const std::optional<std::string>& pathname) {
  if (!pathname) return false;
  st.pdef.reset(std::fopen(pathname->c_str(), "r"));
  if (!st.pdef) return false;
  char ligne[255];
  const bool lue = std::fgets(ligne, sizeof ligne, st.pdef.get()) != nullptr;
  // A name that opens but cannot be read (a directory) is no layout file.
  const bool illisible = !lue && std::ferror(st.pdef.get()) != 0;
  st.pdef.reset();
  if (illisible) return false;
  const Disposition d = analyse_ligne_format(lue ? std::string_view(ligne) : std::string_view());
  if (st.pinput) std::rewind(st.pinput.get());
  st.FIXED = 1;
  st.lc = d.lc;
  st.nbrechamp = d.nbrechamp;
  return true;
}

Lecture::~Lecture() {
  std::free(tampon_);
}

bool lire_enregistrement(Etat& st, Lecture& lecture) {
  if (!st.pinput) {
    st.res = false;
    return false;
  }
  const bool premier = lecture.premier_;
  lecture.premier_ = false;
  if (st.FIXED == 1) return lire_fixe(st, premier);
  return lire_delimite(st, lecture.tampon_, lecture.capacite_, lecture.longueur_);
}

void decoupe_enregistrement(Etat& st, std::string_view enregistrement) {
  const std::string_view delim = st.delimiteur ? std::string_view(*st.delimiteur) : "";
  if (delim.empty()) {
    st.champ[1].assign(enregistrement);
    return;
  }
  const char d = delim.front();
  std::string_view reste = enregistrement;
  for (std::size_t k = 1; k < kLignes; ++k) {
    const std::size_t bout = std::min(reste.find(d), reste.size());
    st.champ[k].assign(reste.substr(0, bout));
    if (bout == reste.size()) break;
    reste.remove_prefix(bout + 1);
  }
}

void rts(Ligne& s) {
  std::size_t n = s.size();
  while (n > 1 && s[n - 1] == ' ') --n;
  s.truncate(n);
}

void rctrl(Ligne& s) {
  std::size_t j = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == '\r') {
      s.set(j++, ' ');
    } else if (c >= 32 && c != 127) {
      s.set(j++, static_cast<char>(c));
    }
  }
  s.truncate(j);
}

}  // namespace vign
