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
constexpr int kColonneMessage = 3;
constexpr std::size_t kLargeurMessage = 66;
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
  pos(t, kRangeeMessage, kColonneMessage);
  affiche(t, std::string(kLargeurMessage + 3, ' '));
  pos(t, kRangeeMessage, kColonneMessage);
  affiche(t, texte.substr(0, coupe(texte, static_cast<long long>(kLargeurMessage))));
  t.rafraichir();
}

void attendre(Terminal& t) {
  std::string rien;
  acceptc(t, rien, 2);
}

// False on F11. Each value is edited where it stands; one erased whole
// goes back to its default. A ',' or a ';' would end the value inside the
// catalogue's field; decimals take a point here.
bool saisir_valeurs(Terminal& t, TextesPdf& valeurs) {
  std::size_t champ = 0;
  while (champ < kChamps.size()) {
    const Zone z = zone(champ);
    auto& valeur = valeurs[indice(kChamps[champ].cle)];
    const std::string entiere = valeur.value_or("");
    // What the field shows of the value; left as it is, the value stays whole.
    const std::string montre = entiere.substr(0, coupe(entiere, z.longueur));
    std::string texte = montre;
    pos(t, z.ligne, z.colonne + static_cast<int>(colonnes_ecran(t, texte)));
    const int touche = acceptc(t, texte, z.longueur, {.refuses = ",;=", .reprise = true});
    if (touche == kF11) return false;
    if (texte != montre) {
      if (texte.empty()) {
        valeur.reset();
      } else {
        valeur = texte;
      }
    }
    if (touche == kHaut && champ > 0) {
      --champ;
    } else {
      ++champ;
    }
  }
  return true;
}

bool oui(Terminal& t) {
  dire(t, "Geometrie a enregistrer dans le fichier des formats (O/N) : ");
  pos(t, kRangeeMessage, kColonneReponse);
  std::string reponse;
  acceptc(t, reponse, 2);
  return !reponse.empty() && (reponse[0] == 'O' || reponse[0] == 'o');
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
    const std::string* refus = &lu.erreur().message;
    const auto i = refus->find("[pdf]");
    dire(t, "Valeur invalide : " + refus->substr(i == std::string::npos ? 0 : i));
    attendre(t);
    return;
  }
  f.planche = ecrit_geometrie(valeurs);
  if (const auto possible = catalogue_modifiable(kCatalogue); !possible) {
    dire(t, possible.erreur().message);
    attendre(t);
    return;
  }
  if (!oui(t)) return;
  VerrouCatalogue verrou(kCatalogue);
  if (const auto fait = verrou.remplacer(slot, f.libelle.view(), ligne_catalogue(st, slot));
      !fait) {
    dire(t, fait.erreur().message);
    attendre(t);
  }
}

}  // namespace vign
