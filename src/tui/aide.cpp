#include "tui/aide.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "tui/saisie.h"

namespace vign {

namespace {

constexpr std::size_t kLargeurTexte = 66;  // between the two "*" of a side row
constexpr std::size_t kRangeesTexte = 22;  // screen rows 2 to 23

using Lignes = std::array<std::string_view, kRangeesTexte>;

struct Page {
  Lignes texte;
  int attente;  // characters the wait for the next page accepts
};

// The title row stays on screen under pages 2 to 4, which start at row 2. It
// shows the program's version, in a row as wide as the frame.
std::string titre() {
  std::string t = "!+++++ Vign. V" VIGN_VERSION " ";
  t.resize(std::max<std::size_t>(t.size(), 22), ' ');
  t += "Aide interactive";
  t.resize(kLargeurTexte - 7, ' ');
  t += "++++++++\"\n";
  return t;
}
constexpr std::string_view kPied =
    "#++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++$";

constexpr std::array<Page, 4> kPages = {{
    {{
         " Le programme d'etiquettes peut imprimer a partir d'un fichier ou",
         " a partir de l'ecran :",
         "",
         " -1- A PARTIR D'UN FICHIER (enreg. variables ) :",
         "     Le fichier d'entree est forme d'enregistrements contenant",
         "     un meme nombre de 'champs' delimites par exemple de ';'.",
         "     Exemple :",
         "     Enreg n : Champ 1          ; Champ 2    ;Champ 3 ; Champ 4 ;",
         "     Enreg 1 : Gaston Berthiers ; Rue du Chene,5 ; 7500 ; TOURNAI;",
         "           2 : Hector Vallon ; Rue de l'Epee,1 ; 7000 ; MONS ;",
         "",
         "     Si l'on veut sortir une etiquette de la forme suivante :",
         "",
         "       Gaston Berthiers",
         "       Rue du Chene,5",
         "       7500 TOURNAI",
         "",
         "     Il suffit de specifier dans la PRESENTATION :",
         "",
         "       1 (pour indiquer le numero du champ a placer a cet endroit)",
         "       2",
         "       3+4 (pour concatener les champs 3 et 4 sur la meme ligne)",
     },
     1},
    {{
         " Le programme d'etiquettes peut imprimer a partir d'un fichier ou",
         " a partir de l'ecran :",
         "",
         " -2- A PARTIR D'UN FICHIER (enreg. fixes ) :",
         "",
         "     Le format de l'enregistrement doit etre defini dans un",
         "     fichier qui sera mentionne comme argument.",
         "     ( Ex: VIGN -f format.def -d xxx)",
         "     Exemple :",
         "       Enreg n : Champ 1          Champ 2         Champ 3 Champ 4",
         "                 10 positions     17 positions    8 pos.  20 pos.",
         "       Enreg 1 : Gaston Berthiers Rue du Chene,5  7500    TOURNAI",
         "             2 : Hector Vallon    Rue de l'Epee,1 7000    MONS",
         "",
         "     Dans notre exemple, le fichier FORMAT.DEF aura la forme",
         "     suivante :",
         "       10;17;8;20;",
         "",
         "     NB : Il faut delimiter les differents champs par un ';'",
         "          et terminer par un ';'suivi de <ENTER>.",
         "     Si un deplacement s'avere necessaire pour se positionner au",
         "     premier enregistrement, le mentionner par l'argument -d.",
     },
     1},
    {{
         "   -3- A PARTIR DE L'ECRAN :",
         "",
         "      Pour creer une etiquette a l'ecran, Il ne faut pas",
         "      specifier de nom pour le fichier d'entree.",
         "      Le texte qui doit apparaitre sur l'etiquette est encode",
         "      dans le menu PRESENTATION.",
         "",
         "      Des formats d'etiquettes peuvent etre ajoutes dans le",
         "      fichier FORMATS.TXT sous la forme suivante :",
         "",
         "      Libelle de 30 caracteres maximum            ;",
         "      nombre d'etiquettes en largeur              ;",
         "      nombre de caracteres par etiquette          ;",
         "      nombre de ligne par etiquette               ;",
         "      marge de gauche                             ;",
         "      nombre de caracteres entre chaque etiquette ;",
         "      nombre de ligne entre chaque etiquette      ;",
         "      nombre de rangees d'etiquettes par page     ;",
         "      nombre de page de cadrage a effectuer       ;",
         "      chaine a envoyer avant la page  (ex:\\012)   ;",
         "      chaine a envoyer apres la page  (ex:\\027E)  ;",
         "",
     },
     2},
    {{
         "",
         " ARGUMENTS possibles :",
         "",
         " -f <fichier format>",
         " -d <deplacement avant de traiter le tout premier enregistrement>",
         " -l <fichier a lire pour traitement en arriere plan>",
         " -e <fichier a creer pour traitement en arriere plan>",
         "",
         "",
         "",
         "",
         "",
         "",
         "",
         "",
         "",
         "",
         "",
         "",
         "",
         "",
         "",
     },
     1},
}};

// The right-hand "*" of every row must fall in the same column.
consteval bool tient_dans_le_cadre() {
  for (const Page& p : kPages) {
    for (std::string_view s : p.texte) {
      if (s.size() > kLargeurTexte) return false;
    }
  }
  return true;
}
static_assert(tient_dans_le_cadre());
static_assert(kPied.size() == kLargeurTexte + 2);

std::string rangee(std::string_view texte) {
  std::string r = "*";
  r += texte;
  r.append(kLargeurTexte - texte.size(), ' ');
  r += "*\n";
  return r;
}

}  // namespace

void ecran_aide(Terminal& t) {
  std::string reponse;  // never looked at: any key turns the page
  bool premiere = true;
  for (const Page& page : kPages) {
    if (premiere) {
      pos(t, 1, 1);
      affiche(t, titre());
    } else {
      pos(t, 2, 1);
    }
    premiere = false;
    for (std::string_view texte : page.texte) affiche(t, rangee(texte));
    affiche(t, kPied);
    t.rafraichir();
    acceptc(t, reponse, page.attente);
  }
}

}  // namespace vign
