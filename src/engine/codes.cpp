#include "engine/codes.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/colonnes.h"
#include "core/etat.h"
#include "formats/inifile.h"

namespace vign {

namespace {

constexpr std::array<std::string_view, 4> kNomsCase = {"colonne", "ligne", "largeur", "hauteur"};

bool blanc(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

// The words of a value, as views into it, so that what lies between two of
// them can be taken back untouched.
std::vector<std::string_view> mots(std::string_view v) {
  std::vector<std::string_view> m;
  std::size_t i = 0;
  while (i < v.size()) {
    while (i < v.size() && blanc(v[i])) ++i;
    const std::size_t debut = i;
    while (i < v.size() && !blanc(v[i])) ++i;
    if (i > debut) m.push_back(v.substr(debut, i - debut));
  }
  return m;
}

// Digits only: a sign, a decimal point or a trailing letter in a size is a
// slip the user should hear about rather than a number read in part.
std::optional<int> naturel(std::string_view mot) {
  int n = 0;
  const auto [p, ec] = std::from_chars(mot.data(), mot.data() + mot.size(), n);
  if (mot.empty() || mot[0] == '-' || mot[0] == '+' || ec != std::errc() ||
      p != mot.data() + mot.size())
    return std::nullopt;
  return n;
}

std::string guillemets(std::string_view s) {
  return "\"" + std::string(s) + "\"";
}

}  // namespace

bool code_carre(TypeCode t) {
  return t == TypeCode::qr || t == TypeCode::datamatrix || t == TypeCode::aztec;
}

std::string cle_code(int i) {
  return nom_cle(premiere_cle(Lieu::code), i);
}

Resultat<Code> lit_code(std::string_view cle, std::string_view valeur) {
  const auto refus = [&](const std::string& raison) {
    return valeur_invalide("[codes] " + std::string(cle) + "=" + std::string(valeur) + " (" +
                           raison + ")");
  };
  const auto m = mots(valeur);
  if (m.size() < 6) return refus("attendu : TYPE CHAMP COLONNE LIGNE LARGEUR HAUTEUR");

  Code code;
  const auto type = std::find(kNomsTypes.begin(), kNomsTypes.end(), m[0]);
  if (type == kNomsTypes.end()) {
    std::string connus;
    for (std::string_view n : kNomsTypes) connus += (connus.empty() ? "" : ", ") + std::string(n);
    return refus("type inconnu " + guillemets(m[0]) + ", connus : " + connus);
  }
  code.type = static_cast<TypeCode>(type - kNomsTypes.begin());

  std::array<int*, 4> cases = {&code.colonne, &code.ligne, &code.largeur, &code.hauteur};
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const std::string_view mot = m[m.size() - 4 + i];
    const auto n = naturel(mot);
    if (!n)
      return refus(std::string(kNomsCase[i]) + " " + guillemets(mot) + " n'est pas un nombre");
    if (i >= 2 && *n < 1) return refus(std::string(kNomsCase[i]) + " nulle");
    *cases[i] = *n;
  }

  // The field is all that lies between the type and the four numbers.
  const char* debut = m[1].data();
  const char* fin = m[m.size() - 5].data() + m[m.size() - 5].size();
  const std::string_view champ(debut, static_cast<std::size_t>(fin - debut));
  // A field that starts as a number is one, as in a presentation row.
  if ((champ[0] >= '0' && champ[0] <= '9') || champ[0] == '-' || champ[0] == '+') {
    const auto n = naturel(champ);
    if (!n) return refus("champ " + guillemets(champ) + " n'est pas un nombre");
    if (*n < 1 || *n >= kLignes)
      return refus("champ " + std::to_string(*n) + " hors de 1 a " + std::to_string(kLignes - 1));
    code.champ = *n;
  } else {
    code.entete = std::string(champ);
  }
  return code;
}

Resultat<> verifie_code(std::string_view cle, const Code& code, int colonnes, int lignes) {
  // In 64 bits: neither the sizes read nor the label's can overflow there.
  using L = long long;
  if (L{code.colonne} + code.largeur > colonnes || L{code.ligne} + code.hauteur > lignes ||
      code.colonne < 0 || code.ligne < 0 || code.largeur < 1 || code.hauteur < 1) {
    return valeur_invalide("[codes] " + std::string(cle) + " (la case de " +
                           std::to_string(code.largeur) + " x " + std::to_string(code.hauteur) +
                           " en colonne " + std::to_string(code.colonne) + ", ligne " +
                           std::to_string(code.ligne) + " sort de l'etiquette de " +
                           std::to_string(colonnes) + " x " + std::to_string(lignes) + ")");
  }
  return {};
}

Boite boite_du_code(const Code& code, double x_etiquette, double y_etiquette, double colonne,
                    double ligne) {
  return {x_etiquette + code.colonne * colonne, y_etiquette + code.ligne * ligne,
          code.largeur * colonne, code.hauteur * ligne};
}

Resultat<Placement> place_symbole(const Symbole& s, const Boite& boite, double module_min) {
  if (!(s.largeur > 0) || !(s.hauteur > 0)) return Erreur{"symbole vide"};
  double ex = boite.largeur / s.largeur;
  double ey = boite.hauteur / s.hauteur;
  if (s.carre) ex = ey = std::min(ex, ey);
  // Bars are read across: only their width has to stay printable.
  if (!(std::min(ex, s.carre ? ey : ex) >= module_min)) return Erreur{"trop long pour sa case"};
  return Placement{boite.x + (boite.largeur - s.largeur * ex) / 2,
                   boite.y + (boite.hauteur - s.hauteur * ey) / 2, ex, ey};
}

void CompteurCodes::echec(std::string_view cle, long enregistrement, std::string_view valeur) {
  if (nombre_++ > 0) return;
  cle_ = cle;
  enregistrement_ = enregistrement;
  // The warning is one short line whatever the record held: a long value is
  // cut, and what a terminal could take for a control (C0, DEL, C1, a byte
  // that is no UTF-8) shows as '?', one column as it was.
  constexpr long long kColonnesMax = 40;
  const std::size_t garde = coupe(valeur, kColonnesMax);
  const bool coupee = garde < valeur.size();
  valeur = valeur.substr(0, garde);
  std::string vu;
  while (!valeur.empty()) {
    char32_t cp = 0;
    const std::size_t n = lit_utf8(valeur, cp);
    if (n == 0 || cp < 0x20 || (cp >= 0x7f && cp < 0xa0)) {
      vu += '?';
      valeur.remove_prefix(std::max<std::size_t>(n, 1));
    } else {
      vu += valeur.substr(0, n);
      valeur.remove_prefix(n);
    }
  }
  valeur_ = coupee ? vu + "..." : vu;
}

std::optional<std::string> CompteurCodes::avertissement() const {
  if (nombre_ == 0) return std::nullopt;
  return std::to_string(nombre_) +
         (nombre_ == 1 ? " code non imprimable (" : " codes non imprimables (") + cle_ +
         ", premier : enregistrement " + std::to_string(enregistrement_) + " " +
         guillemets(valeur_) + ")";
}

}  // namespace vign
