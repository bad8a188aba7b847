#include "engine/csv.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace vign {

namespace {

constexpr std::size_t kIncomplet = static_cast<std::size_t>(-1);

char* cherche(char* debut, const char* fin, char c) {
  if (fin <= debut) return nullptr;
  return static_cast<char*>(std::memchr(debut, c, static_cast<std::size_t>(fin - debut)));
}

std::size_t longueur(const char* debut, const char* fin) {
  return static_cast<std::size_t>(fin - debut);
}

// The text of a quoted field, rewritten over itself: a doubled quote gives
// one quote, a line break one space; then the text after the closing quote.
// Only shortens, so the field never runs into the next one.
std::string_view decode(char* debut, const char* fin, const char* suite, const char* suite_fin) {
  char* o = debut;
  for (const char* i = debut; i < fin;) {
    char c = *i++;
    if (c == '"' && i < fin && *i == '"') {
      ++i;
    } else if (c == '\r' && i < fin && *i == '\n') {
      ++i;
      c = ' ';
    } else if (c == '\n') {
      c = ' ';
    }
    *o++ = c;
  }
  const std::size_t n = longueur(suite, suite_fin);
  if (n > 0) std::memmove(o, suite, n);
  return {debut, longueur(debut, o) + n};
}

}  // namespace

LectureCsv::LectureCsv(std::string_view delimiteur)
    // With no delimiter, the line feed stands for one: it never splits a
    // record, since outside quotes it ends it.
    : delimiteur_(delimiteur.empty() ? '\n' : delimiteur.front()) {}

LectureCsv::Etape LectureCsv::avance(Etape e, char c) const {
  switch (e) {
    case Etape::guillemets:
      return c == '"' ? Etape::apres_guillemet : Etape::guillemets;
    case Etape::debut_champ:
      if (c == '"' && delimiteur_ != '"') return Etape::guillemets;
      break;
    case Etape::apres_guillemet:
      if (c == '"') return Etape::guillemets;
      break;
    case Etape::libre:
    case Etape::fin:
      break;
  }
  if (c == bloc_.fin_ligne()) return Etape::fin;
  return c == delimiteur_ ? Etape::debut_champ : Etape::libre;
}

std::size_t LectureCsv::analyse(char* p, std::size_t n, bool complet) {
  char* const bout = p + n;
  // The next line feed: where the record ends unless it lies inside quotes.
  // No line feed at all and more to come: the record is not whole.
  const auto ligne_suivante = [&](char* de, char*& lf) {
    lf = cherche(de, bout, bloc_.fin_ligne());
    if (lf == nullptr) lf = bout;
    return lf != bout || complet;
  };
  char* lf = nullptr;
  if (!ligne_suivante(p, lf)) return kIncomplet;
  char* pos = p;
  const char* fin_texte = p;  // where the text of the last field ends
  std::size_t k = 0;
  std::size_t interieurs = 0;  // line feeds inside quotes
  for (;;) {
    ++k;
    Brut b{pos, pos, nullptr, nullptr, false};
    char* fin_champ;
    if (pos < lf && *pos == '"' && delimiteur_ != '"') {
      char* q = pos + 1;
      char* ferme;
      for (;;) {
        ferme = cherche(q, bout, '"');
        if (ferme == nullptr) {
          if (!complet) return kIncomplet;
          ferme = bout;  // the input ends inside the quotes
          break;
        }
        // Whether this quote closes the field depends on the next byte.
        if (ferme + 1 == bout) {
          if (!complet) return kIncomplet;
          break;
        }
        if (ferme[1] != '"') break;
        b.a_decoder = true;
        q = ferme + 2;
      }
      b.debut = pos + 1;
      b.fin = ferme;
      if (ferme > lf) {
        b.a_decoder = true;
        interieurs += static_cast<std::size_t>(std::count(lf, ferme, bloc_.fin_ligne()));
        if (!ligne_suivante(ferme, lf)) return kIncomplet;
      }
      char* apres = std::min(ferme + 1, bout);
      // Nearly always the delimiter or the line end follows the quote.
      fin_champ = apres == lf || *apres == delimiteur_ ? apres : cherche(apres, lf, delimiteur_);
      if (fin_champ == nullptr) fin_champ = lf;
      const char* suite_fin = fin_champ;
      if (fin_champ == lf && suite_fin > apres && suite_fin[-1] == '\r') --suite_fin;
      if (suite_fin > apres) {
        b.a_decoder = true;
        b.suite = apres;
        b.suite_fin = suite_fin;
      }
    } else {
      fin_champ = cherche(pos, lf, delimiteur_);
      if (fin_champ == nullptr) fin_champ = lf;
      b.fin = fin_champ;
      if (fin_champ == lf && b.fin > b.debut && b.fin[-1] == '\r') --b.fin;
    }
    if (k < kLignes) bruts_[k] = b;
    if (fin_champ == lf) {
      fin_texte = b.suite_fin != nullptr ? b.suite_fin : b.fin;
      break;
    }
    pos = fin_champ + 1;
  }
  nombre_ = k;
  sauts_ = interieurs + (lf == bout ? 0 : 1);
  vide_ = k == 1 && bruts_[1].debut == p && bruts_[1].fin == p;
  // One look at the whole record does for all its fields, before the
  // decoding moves them: a field holds only bytes of the record, or quotes
  // and spaces.
  sans_controle_ = !contient_controle(std::string_view(p, longueur(p, fin_texte)));
  for (std::size_t i = 1; i <= k && i < kLignes; ++i) {
    const Brut& b = bruts_[i];
    champs_[i] = b.a_decoder ? decode(b.debut, b.fin, b.suite, b.suite_fin)
                             : std::string_view(b.debut, longueur(b.debut, b.fin));
  }
  return lf == bout ? n : longueur(p, lf) + 1;
}

void LectureCsv::coupe(std::FILE* f) {
  tronque_ = true;
  constexpr std::size_t kGarde = BlocLu::kGarde;
  char* const p = bloc_.donnees();
  const char fin_ligne = bloc_.fin_ligne();
  Etape e = Etape::debut_champ;
  for (std::size_t i = 0; i < kGarde; ++i) e = avance(e, p[i]);
  // Counted before the decoding turns the line breaks inside quotes into spaces.
  const auto sauts = static_cast<std::size_t>(std::count(p, p + kGarde, fin_ligne));
  analyse(p, kGarde, true);
  sauts_ = sauts;
  for (;;) {
    const std::string_view suite = bloc_.apres_la_garde(f);
    if (suite.empty()) return;
    for (std::size_t i = 0; i < suite.size(); ++i) {
      e = avance(e, suite[i]);
      if (suite[i] == fin_ligne) ++sauts_;
      if (e == Etape::fin) {
        bloc_.prend(i + 1);
        return;
      }
    }
  }
}

bool LectureCsv::suivant(std::FILE* f) {
  tronque_ = false;
  for (;;) {
    if (premier_ && (bloc_.reste().size() >= 3 || bloc_.epuise())) {
      premier_ = false;
      if (bloc_.reste().starts_with("\xEF\xBB\xBF")) bloc_.prend(3);
    }
    if (!premier_ && (!bloc_.reste().empty() || bloc_.epuise())) {
      const std::size_t n = bloc_.reste().size();
      if (n == 0) return false;
      const std::size_t pris = analyse(bloc_.donnees(), n, bloc_.epuise());
      if (pris != kIncomplet) {
        bloc_.prend(pris);
        ligne_ = suivante_;
        suivante_ += sauts_;
        if (vide_) continue;
        return true;
      }
    }
    if (!bloc_.lit(f)) {
      coupe(f);
      ligne_ = suivante_;
      suivante_ += sauts_;
      return true;
    }
  }
}

bool lire_csv(Etat& st, LectureCsv& lecture) {
  return st.pinput && lecture.suivant(st.pinput.get());
}

void decoupe_csv(Etat& st, LectureCsv& lecture, Propres& propres) {
  const std::size_t n = std::min(lecture.nombre_champs(), std::size_t{kLignes - 1});
  for (std::size_t k = 1; k <= n; ++k) {
    // The test of the blank end reads the field where it was read, not the
    // row just written: that load would wait for the copy to land.
    const std::string_view v = lecture.champ(k).substr(0, Ligne::capacite);
    st.champ[k].assign(v);
    const Propres bit = Propres{1} << k;
    const bool blanche = v.size() > 1 && v.back() == ' ';
    if ((lecture.sans_controle() || !contient_controle(v)) && !blanche) {
      propres |= bit;
    } else {
      propres &= ~bit;
    }
  }
  // Rows above the last record's fields are empty already (cleaning never
  // lengthens a row); a fresh reader empties them all.
  for (std::size_t k = n + 1; k <= lecture.rangs_remplis_; ++k) st.champ[k].clear();
  lecture.rangs_remplis_ = n;
  propres |= ((Propres{1} << kLignes) - 1) & ~((Propres{2} << n) - 1);
}

}  // namespace vign
