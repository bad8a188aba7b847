#include "tui/reglage_planche.h"

#include <array>
#include <string>
#include <string_view>
#include <variant>

#include "core/colonnes.h"
#include "engine/geometrie_format.h"
#include "engine/reglages_pdf.h"
#include "formats/catalogue.h"
#include "formats/inifile.h"
#include "tui/forme.h"
#include "tui/saisie.h"

namespace vign {

namespace {

constexpr std::array<const char*, 11> kDessin = {
    "!++++++++++++++++++++++++ Planche PDF du format ++++++++++++++++++++++++\"\n",
    "* Format ........ :                                                     *\n",
    "* Page .......... : ____________  (A4, A5, Letter ou LxH en mm)         *\n",
    "* cpi ........... : __________  (colonnes par pouce)                    *\n",
    "* lpi ........... : __________  (lignes par pouce)                      *\n",
    "* haut .......... : __________  (mm du haut de la feuille a la ligne 0) *\n",
    "* gauche ........ : __________  (mm du bord gauche a la colonne 0)      *\n",
    "* taille ........ : __________  (points)                                *\n",
    "* contours ...... : ___         (oui : contours dessines)               *\n",
    "*                                                                       *\n",
    "#+++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++$",
};
constexpr int kRangeeEcran = 6;
constexpr int kRangeeNom = 7;
constexpr int kColonneValeur = 21;
constexpr int kRangeeMessage = 15;
constexpr int kColonneReponse = 62;

// The fields, in the order of the screen: the key of [pdf] and its room.
struct Champ {
  std::string_view cle;
  int longueur;
};
constexpr std::array<Champ, 7> kChamps = {{{"page", 12},
                                           {"cpi", 10},
                                           {"lpi", 10},
                                           {"haut", 10},
                                           {"gauche", 10},
                                           {"taille", 10},
                                           {"contours", 3}}};

std::size_t indice(std::string_view cle) {
  for (std::size_t i = 0; i < kClesPdf.size(); ++i)
    if (kClesPdf[i] == cle) return i;
  return 0;
}

Zone zone(std::size_t champ) {
  return {kRangeeNom + 1 + static_cast<int>(champ), kColonneValeur, kChamps[champ].longueur};
}

void dire(Terminal& t, std::string_view texte) {
  dire_forme(t, kRangeeMessage, texte);
}

// False on F11. Each value is edited where it stands; one erased whole
// goes back to its default, one left as the field shows it stays whole. A
// ',' or a ';' would end the value inside the catalogue's field; decimals
// take a point here.
bool saisir_valeurs(Terminal& t, TextesPdf& valeurs) {
  std::array<ChampForme, kChamps.size()> champs{};
  for (std::size_t i = 0; i < champs.size(); ++i) champs[i] = {zone(i), ",;="};
  const auto valeur = [&valeurs](std::size_t i) -> auto& {
    return valeurs[indice(kChamps[i].cle)];
  };
  return saisir_forme(
      t, champs, true, [&valeur](std::size_t i) { return valeur(i).value_or(""); },
      [&valeur](std::size_t i, const std::string& montre, const std::string& texte) {
        if (texte == montre) return;
        if (texte.empty()) {
          valeur(i).reset();
        } else {
          valeur(i) = texte;
        }
      });
}

bool oui(Terminal& t) {
  return oui_forme(t, kRangeeMessage,
                   "Geometrie a enregistrer dans le fichier des formats (O/N) : ", kColonneReponse);
}

}  // namespace

void reglage_planche(Etat& st, Terminal& t, int slot) {
  Format& f = st.formats[static_cast<std::size_t>(slot)];
  std::string ecran;
  for (const char* ligne : kDessin) ecran += ligne;
  pos(t, kRangeeEcran, 1);
  affiche(t, ecran);
  pos(t, kRangeeNom, kColonneValeur);
  affiche(t, f.libelle.view().substr(0, coupe(f.libelle.view(), 50)));

  TextesPdf valeurs{};
  if (const auto g = geometrie_du_format(f); !g) {
    dire(t, g.erreur().message);
  } else if (*g) {
    valeurs = (*g)->textes;
  }
  valeurs[indice("police")].reset();  // the font is the settings file's business
  for (std::size_t champ = 0; champ < kChamps.size(); ++champ) {
    const auto& v = valeurs[indice(kChamps[champ].cle)];
    if (!v) continue;
    pos(t, zone(champ).ligne, kColonneValeur);
    affiche(t, std::string_view(*v).substr(0, coupe(*v, kChamps[champ].longueur)));
  }
  t.rafraichir();
  if (!saisir_valeurs(t, valeurs)) return;

  const auto lu = lit_reglages_pdf(valeurs);
  if (!lu) {
    dire(t, valeur_invalide(lu.erreur().valeur).message);
    attendre_forme(t);
    return;
  }
  f.planche = ecrit_geometrie(valeurs);
  if (const auto possible = catalogue_modifiable(kCatalogue); !possible) {
    dire(t, possible.erreur().message);
    attendre_forme(t);
    return;
  }
  if (!oui(t)) return;
  VerrouCatalogue verrou(kCatalogue);
  if (const auto fait = verrou.remplacer(slot, f.libelle.view(), ligne_catalogue(st, slot));
      !fait) {
    dire(t, fait.erreur().message);
    attendre_forme(t);
  }
}

}  // namespace vign
