// The four pages of the built-in help as the screen must show them, for the
// unit and end-to-end tests of the help. Each is the whole 24-row screen:
// the title row of page 1 stays on top of pages 2 to 4.
#pragma once

#include <array>
#include <string_view>

namespace vign::test {

inline constexpr std::array<std::string_view, 4> kPagesAide = {
    // Page 1
    R"page(!+++++ Vign. V1.1.0   Aide interactive                     ++++++++"
* Le programme d'etiquettes peut imprimer a partir d'un fichier ou *
* a partir de l'ecran :                                            *
*                                                                  *
* -1- A PARTIR D'UN FICHIER (enreg. variables ) :                  *
*     Le fichier d'entree est forme d'enregistrements contenant    *
*     un meme nombre de 'champs' delimites par exemple de ';'.     *
*     Exemple :                                                    *
*     Enreg n : Champ 1          ; Champ 2    ;Champ 3 ; Champ 4 ; *
*     Enreg 1 : Gaston Berthiers ; Rue du Chene,5 ; 7500 ; TOURNAI;*
*           2 : Hector Vallon ; Rue de l'Epee,1 ; 7000 ; MONS ;    *
*                                                                  *
*     Si l'on veut sortir une etiquette de la forme suivante :     *
*                                                                  *
*       Gaston Berthiers                                           *
*       Rue du Chene,5                                             *
*       7500 TOURNAI                                               *
*                                                                  *
*     Il suffit de specifier dans la PRESENTATION :                *
*                                                                  *
*       1 (pour indiquer le numero du champ a placer a cet endroit)*
*       2                                                          *
*       3+4 (pour concatener les champs 3 et 4 sur la meme ligne)  *
#++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++$)page",
    // Page 2
    R"page(!+++++ Vign. V1.1.0   Aide interactive                     ++++++++"
* Le programme d'etiquettes peut imprimer a partir d'un fichier ou *
* a partir de l'ecran :                                            *
*                                                                  *
* -2- A PARTIR D'UN FICHIER (enreg. fixes ) :                      *
*                                                                  *
*     Le format de l'enregistrement doit etre defini dans un       *
*     fichier qui sera mentionne comme argument.                   *
*     ( Ex: VIGN -f format.def -d xxx)                             *
*     Exemple :                                                    *
*       Enreg n : Champ 1          Champ 2         Champ 3 Champ 4 *
*                 10 positions     17 positions    8 pos.  20 pos. *
*       Enreg 1 : Gaston Berthiers Rue du Chene,5  7500    TOURNAI *
*             2 : Hector Vallon    Rue de l'Epee,1 7000    MONS    *
*                                                                  *
*     Dans notre exemple, le fichier FORMAT.DEF aura la forme      *
*     suivante :                                                   *
*       10;17;8;20;                                                *
*                                                                  *
*     NB : Il faut delimiter les differents champs par un ';'      *
*          et terminer par un ';'suivi de <ENTER>.                 *
*     Si un deplacement s'avere necessaire pour se positionner au  *
*     premier enregistrement, le mentionner par l'argument -d.     *
#++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++$)page",
    // Page 3
    R"page(!+++++ Vign. V1.1.0   Aide interactive                     ++++++++"
*   -3- A PARTIR DE L'ECRAN :                                      *
*                                                                  *
*      Pour creer une etiquette a l'ecran, Il ne faut pas          *
*      specifier de nom pour le fichier d'entree.                  *
*      Le texte qui doit apparaitre sur l'etiquette est encode     *
*      dans le menu PRESENTATION.                                  *
*                                                                  *
*      Des formats d'etiquettes peuvent etre ajoutes dans le       *
*      fichier FORMATS.TXT sous la forme suivante :                *
*                                                                  *
*      Libelle de 30 caracteres maximum            ;               *
*      nombre d'etiquettes en largeur              ;               *
*      nombre de caracteres par etiquette          ;               *
*      nombre de ligne par etiquette               ;               *
*      marge de gauche                             ;               *
*      nombre de caracteres entre chaque etiquette ;               *
*      nombre de ligne entre chaque etiquette      ;               *
*      nombre de rangees d'etiquettes par page     ;               *
*      nombre de page de cadrage a effectuer       ;               *
*      chaine a envoyer avant la page  (ex:\012)   ;               *
*      chaine a envoyer apres la page  (ex:\027E)  ;               *
*                                                                  *
#++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++$)page",
    // Page 4
    R"page(!+++++ Vign. V1.1.0   Aide interactive                     ++++++++"
*                                                                  *
* ARGUMENTS possibles :                                            *
*                                                                  *
* -f <fichier format>                                              *
* -d <deplacement avant de traiter le tout premier enregistrement> *
* -l <fichier a lire pour traitement en arriere plan>              *
* -e <fichier a creer pour traitement en arriere plan>             *
*                                                                  *
*                                                                  *
*                                                                  *
*                                                                  *
*                                                                  *
*                                                                  *
*                                                                  *
*                                                                  *
*                                                                  *
*                                                                  *
*                                                                  *
*                                                                  *
*                                                                  *
*                                                                  *
*                                                                  *
#++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++$)page",
};

}  // namespace vign::test
