#include "engine/composition.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/colonnes.h"
#include "core/nombres.h"
#include "formats/inifile.h"

namespace vign {

namespace {

// The attribute strings of number k, when it carries some.
bool avec_attribut(const Etat& st, int k) {
  return k >= 0 && k < kAttributs && st.attr[static_cast<std::size_t>(k)] == '1';
}

// Appends an attribute string, when there is one; returns its bytes, which
// take no column.
long long ajoute_attribut(LigneImpr& ligne, const Controle& chaine) {
  if (!chaine) return 0;
  ligne.append(*chaine);
  return static_cast<long long>(chaine->size());
}

std::size_t octets_des_attributs(const Etat& st, int k) {
  if (!avec_attribut(st, k)) return 0;
  const auto taille = [](const Controle& c) { return c ? c->size() : 0; };
  const auto i = static_cast<std::size_t>(k);
  return taille(st.avtchamp[i]) + taille(st.aprchamp[i]);
}

// The byte length of the part of valeur that fits in `place` columns and in
// `budget` bytes; its width in largeur. Text that is all ASCII, and text on
// a printer whose columns are its bytes, is cut at a byte count.
std::size_t coupe_texte(std::string_view valeur, long long place, long long budget, bool en_octets,
                        long long& largeur) {
  std::size_t k = 0;
  if (en_octets || tout_ascii(valeur)) {
    k = std::min(valeur.size(), static_cast<std::size_t>(std::max(0LL, place)));
    largeur = static_cast<long long>(k);
  } else {
    k = coupe(valeur, place, &largeur);
  }
  if (static_cast<long long>(k) > budget) {
    k = coupe_octets(valeur.substr(0, k), static_cast<std::size_t>(std::max(0LL, budget)));
    largeur = en_octets ? static_cast<long long>(k) : colonnes(valeur.substr(0, k));
  }
  return k;
}

// What the composition of label n of a row measures by, the same on every
// line of the label.
struct Mesures {
  long long fin;     // the end column of the label
  long long espace;  // the gap after it
  long long marge;   // the margin, before the first label of a line
  long long budget;  // the most bytes the text of one line may take
  Jeux* jeux;        // the printer's set, or none
  bool convertir;    // text goes to the printer's set
  bool en_octets;    // a byte is a column
};

Mesures mesures(const Format& p, int n, Jeux* jeux) {
  const long long marge = p.marge;
  // The first label also gets the columns of a margin wider than one fill,
  // which verifie_presentation counts as bytes of the line.
  const long long budget =
      kOctetsParColonne * p.maxcareti + (n == 1 ? std::max(0LL, marge - kBlancs) : 0);
  return {fin_etiquette(p, n),
          p.maxintetihor,
          marge,
          budget,
          jeux,
          jeux != nullptr && jeux->imprimante(),
          jeux != nullptr && jeux->en_octets()};
}

// Appends the label measured by m to `ligne`, whose bytes that take no
// column are counted in lgattr (see compose_ligne).
bool compose(Etat& st, LigneImpr& ligne, int& lgattr, const std::vector<int>& numeros,
             const Mesures& m, Propres& propres) {
  // What the line is measured by is kept in locals: every byte the line
  // stores may, for the compiler, have changed what memory holds.
  // `hors` follows the bytes that take no column on the line; the end column
  // of the label plus `hors` is where the label's bytes end.
  long long hors = lgattr;
  const long long fin = m.fin;
  const long long marge = m.marge;
  const bool convertir = m.convertir;
  const bool en_octets = m.en_octets;
  long long budget = m.budget;
  const auto reste = [&] {
    return std::max(0LL, fin + hors - static_cast<long long>(ligne.size()));
  };
  bool coupee = false;

  for (const int k : numeros) {
    std::string_view valeur;
    if (k >= 1 && k < kLignes) {
      Ligne& c = st.champ[static_cast<std::size_t>(k)];
      nettoie(c, k, propres);
      valeur = c.view();
    }
    if (ligne.empty()) remplit(ligne, marge, kBlancs);
    const bool attribut = avec_attribut(st, k);
    if (attribut) hors += ajoute_attribut(ligne, st.avtchamp[static_cast<std::size_t>(k)]);
    const long long place = reste();
    if (convertir && !valeur.empty()) valeur = m.jeux->pour_imprimante(valeur, place);
    long long largeur = 0;
    const std::size_t pris = coupe_texte(valeur, place, budget, en_octets, largeur);
    ligne.append(valeur.substr(0, pris));
    coupee |= pris < valeur.size();
    budget -= static_cast<long long>(pris);
    hors += static_cast<long long>(pris) - largeur;
    if (attribut) hors += ajoute_attribut(ligne, st.aprchamp[static_cast<std::size_t>(k)]);
    // The space that separates the fields of "3+4"; none after a field that
    // filled the label.
    if (reste() != 0) ligne.push_back(' ');
  }
  remplit(ligne, fin + hors + m.espace - static_cast<long long>(ligne.size()), kBlancs);
  lgattr = static_cast<int>(hors);
  return coupee;
}

bool compose(Etat& st, Rangee& r, const Format& p, const std::vector<int>& numeros, int L, int n,
             Propres& propres, Jeux* jeux) {
  const auto i = static_cast<std::size_t>(L);
  return compose(st, r.impr[i], r.lgattr[i], numeros, mesures(p, n, jeux), propres);
}

}  // namespace

Resultat<> verifie_format(const Format& p) {
  const auto nombres = nombres_du_format(p);
  for (std::size_t i = 0; i < nombres.size(); ++i) {
    if (nombres[i] > kNombreMax) {
      return Erreur{"Format inutilisable : " + std::string(kClesNombres[i]) + "=" +
                    std::to_string(nombres[i]) + " (999 au plus)"};
    }
  }
  if (p.etilar < 1) return Erreur{"Format inutilisable : moins d'une etiquette en largeur"};
  // Labels of no width and no gap would pass the test of the line's length
  // below, by the billion.
  if (p.etilar > static_cast<int>(Ligne::capacite)) {
    return Erreur{"Format inutilisable : plus de 254 etiquettes en largeur"};
  }
  if (p.maxligeti > kLignes - 1)
    return Erreur{"Format inutilisable : plus de 29 lignes par etiquette"};
  // A label of no line prints only blanks, whatever the records hold.
  if (p.maxligeti < 1) {
    return Erreur{"Format inutilisable : " + std::string(kClesNombres[2]) + "=" +
                  std::to_string(p.maxligeti) + " (1 au moins)"};
  }
  if (p.maxcareti < 0 || p.marge < 0 || p.maxintetihor < 0) {
    return Erreur{"Format inutilisable : largeur, marge ou espace negatif"};
  }
  const long long ligne = colonnes_ligne(p);
  if (ligne > static_cast<long long>(Ligne::capacite)) {
    return Erreur{"Format inutilisable : ligne de plus de 254 caracteres (" +
                  std::to_string(ligne) +
                  " colonnes : marge + nbre_en_largeur x (nbre_caracteres + espace_horizontal))"};
  }
  return {};
}

Resultat<> verifie_presentation(const Etat& st, const Format& p) {
  const long long largeur = colonnes_ligne(p);
  for (int L = 1; L <= lignes_par_rangee(p); ++L) {
    long long attributs = 0;
    for (const int k : numeros_de_champs(st.place[static_cast<std::size_t>(L)].view())) {
      attributs += static_cast<long long>(octets_des_attributs(st, k));
    }
    // Every column a byte, plus what the text and the attribute strings of
    // each label may take beyond their columns.
    const long long octets = largeur + p.etilar * (kOctetsParColonne * p.maxcareti + attributs);
    if (octets > static_cast<long long>(LigneImpr::capacite)) {
      return Erreur{"Presentation inutilisable : ligne " + std::to_string(L) +
                    " trop longue avec ses attributs (" + std::to_string(octets) + " octets, " +
                    std::to_string(LigneImpr::capacite) + " au plus)"};
    }
  }
  return {};
}

std::vector<std::string_view> parties(std::string_view presentation) {
  std::vector<std::string_view> morceaux;
  while (!presentation.empty()) {
    const std::size_t debut = presentation.find_first_not_of('+');
    if (debut == std::string_view::npos) break;
    presentation.remove_prefix(debut);
    const std::size_t bout = std::min(presentation.find('+'), presentation.size());
    morceaux.push_back(presentation.substr(0, bout));
    presentation.remove_prefix(bout);
  }
  return morceaux;
}

std::vector<int> numeros_de_champs(std::string_view presentation) {
  std::vector<int> numeros;
  for (const std::string_view partie : parties(presentation)) numeros.push_back(entier(partie));
  return numeros;
}

bool compose_ligne(Etat& st, Rangee& r, const Format& p, const std::vector<int>& numeros, int L,
                   int n, Propres& propres) {
  return compose(st, r, p, numeros, L, n, propres, nullptr);
}

bool compose_ligne(Etat& st, Rangee& r, const Format& p, const std::vector<int>& numeros, int L,
                   int n, Propres& propres, Jeux& jeux) {
  return compose(st, r, p, numeros, L, n, propres, &jeux);
}

std::uint32_t compose_etiquette(Etat& st, Rangee& r, const Format& p,
                                const NumerosParLigne& numeros, int n, Propres& propres, Jeux& jeux,
                                std::array<std::size_t, kLignes>& debuts) {
  const Mesures m = mesures(p, n, &jeux);
  std::uint32_t coupees = 0;
  for (std::size_t L = 1; L <= static_cast<std::size_t>(lignes_par_rangee(p)); ++L) {
    debuts[L] = r.impr[L].size();
    if (compose(st, r.impr[L], r.lgattr[L], numeros[L], m, propres))
      coupees |= std::uint32_t{1} << L;
  }
  return coupees;
}

namespace {

// The length of the attribute string in use that `reste` begins with, or 0.
std::size_t attribut_en(const Etat& st, std::string_view reste) {
  for (std::size_t k = 0; k < st.attr.size(); ++k) {
    if (st.attr[k] != '1') continue;
    for (const Controle* s : {&st.avtchamp[k], &st.aprchamp[k]}) {
      if (*s && !(*s)->empty() && reste.starts_with(**s)) return (*s)->size();
    }
  }
  return 0;
}

}  // namespace

void recouvre(const Etat& st, Rangee& r, int L, std::size_t depart, int colonne, int largeur,
              std::string_view texte, bool en_octets) {
  const auto largeur_de = [&](std::string_view s) {
    return en_octets ? static_cast<long long>(s.size()) : colonnes(s);
  };
  LigneImpr& ligne = r.impr[static_cast<std::size_t>(L)];
  const std::string_view avant = ligne.view();
  if (depart > avant.size()) return;
  std::string sortie(avant.substr(0, depart));
  std::string cellules;  // the characters the text replaces
  // In 64 bits: a box is checked against the label before a run, but this
  // stays sound for any box.
  const long long fin = static_cast<long long>(colonne) + largeur;
  long long c = 0;
  std::size_t i = depart;
  while (i < avant.size()) {
    // An attribute string is printer bytes, not text, whatever its bytes
    // look like ("\033[1;4m"): it goes whole, as a control byte does.
    if (const std::size_t a = attribut_en(st, avant.substr(i)); a > 0) {
      if (c >= fin && !cellules.empty()) break;
      sortie.append(avant.substr(i, a));
      i += a;
      continue;
    }
    const auto u = static_cast<unsigned char>(avant[i]);
    if (u < 0x20 || u == 0x7f) {
      if (c >= fin && !cellules.empty()) break;
      const std::size_t n = u == 0x1b ? std::min<std::size_t>(2, avant.size() - i) : 1;
      sortie.append(avant.substr(i, n));
      i += n;
      continue;
    }
    const std::size_t n = en_octets ? 1 : std::max<std::size_t>(1, longueur_utf8(avant.substr(i)));
    const std::string_view car = avant.substr(i, n);
    if (c >= colonne && c < fin) {
      cellules.append(car);
    } else {
      if (!cellules.empty()) break;
      sortie.append(car);
    }
    c += largeur_de(car);
    i += n;
  }
  // The text takes the width of the characters it replaces, so that the
  // rest of the line keeps its columns.
  const long long place = largeur_de(cellules);
  long long pris = 0;
  std::size_t n = 0;
  if (en_octets) {
    n = static_cast<std::size_t>(std::min(place, static_cast<long long>(texte.size())));
    pris = static_cast<long long>(n);
  } else {
    n = coupe(texte, place, &pris);
  }
  sortie.append(texte.substr(0, n));
  sortie.append(static_cast<std::size_t>(place - pris), ' ');
  sortie.append(avant.substr(i));
  r.lgattr[static_cast<std::size_t>(L)] += static_cast<int>(static_cast<long long>(sortie.size()) -
                                                            static_cast<long long>(avant.size()));
  ligne.assign(sortie);
}

void ecrit_rangee(Rangee& r, const Format& p, Envoi& sortie) {
  r.lgattr.fill(0);
  for (int L = 1; L <= lignes_par_rangee(p); ++L) {
    LigneImpr& ligne = r.impr[static_cast<std::size_t>(L)];
    sortie.ajoute(ligne.view());
    sortie.ajoute("\n");
    ligne.clear();
  }
  for (int i = 0; i < p.maxintetiver; ++i) sortie.ajoute("\n");
}

}  // namespace vign
