#include "engine/options_execution.h"

#include <algorithm>
#include <cctype>

#include "core/mots.h"
#include "formats/inifile.h"

namespace vign {

namespace {

// Digits only, and no more than the bound: a typing slip must not print
// millions of labels.
std::optional<long long> chiffres(std::string_view v, long long plafond) {
  v = sans_blancs(v);
  if (v.empty() || v.size() > 9) return std::nullopt;
  long long n = 0;
  for (const char c : v) {
    if (c < '0' || c > '9') return std::nullopt;
    n = 10 * n + (c - '0');
  }
  if (n > plafond) return std::nullopt;
  return n;
}

using Option = std::optional<std::string> Options::*;

// "Valeur invalide : [execution] debut=0 (1 a 12)": the key and what it may be.
Erreur invalide(const Options& o, Option cle, std::string_view permis) {
  return valeur_invalide(nom_option(cle) + "=" + *(o.*cle) + " (" + std::string(permis) + ")");
}

Resultat<bool> oui_non(const Options& o, Option cle) {
  if (!(o.*cle)) return false;
  const std::string_view mot = sans_blancs(*(o.*cle));
  if (memes_lettres(mot, "oui")) return true;
  if (memes_lettres(mot, "non")) return false;
  return invalide(o, cle, "oui ou non");
}

}  // namespace

std::optional<int> quantite(std::string_view texte) {
  const auto n = chiffres(texte, kCopiesMax);
  if (!n) return std::nullopt;
  return static_cast<int>(*n);
}

Resultat<OptionsExecution> lire_options_execution(const Options& o, const Format& p) {
  OptionsExecution r;
  if (o.debut) {
    // A page with no positive number of rows ends only with the data: the
    // start may then be on any row a page could hold.
    const long long rangees = p.maxetipag >= 1 ? p.maxetipag : kNombreMax;
    const long long positions = static_cast<long long>(std::max(p.etilar, 1)) * rangees;
    const auto n = chiffres(*o.debut, positions);
    if (!n || *n < 1) {
      return invalide(o, &Options::debut, "1 a " + std::to_string(positions));
    }
    r.debut = static_cast<int>(*n);
  }
  if (o.copies) {
    const std::string_view v = sans_blancs(*o.copies);
    if (v.starts_with('#')) {
      r.colonne = std::string(sans_blancs(v.substr(1)));
      // A number names a field row; anything else may name a header's column.
      const auto k = chiffres(r.colonne, kLignes - 1);
      const bool numero =
          !r.colonne.empty() && std::isdigit(static_cast<unsigned char>(r.colonne[0]));
      if (r.colonne.empty() || (numero && (!k || *k < 1))) {
        return invalide(o, &Options::copies, "0 a 99999, ou #1 a #29");
      }
    } else {
      const auto n = quantite(v);
      if (!n) return invalide(o, &Options::copies, "0 a 99999, ou #1 a #29");
      r.copies = *n;
    }
  }
  const auto guillemets = oui_non(o, &Options::guillemets);
  if (!guillemets) return guillemets.erreur();
  r.guillemets = *guillemets;
  const auto entete = oui_non(o, &Options::entete);
  if (!entete) return entete.erreur();
  r.entete = *entete;
  return r;
}

}  // namespace vign
