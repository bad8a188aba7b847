#include "tui/execution_ecran.h"

#include <algorithm>
#include <cstdio>

#include "core/arret.h"
#include "core/colonnes.h"
#include "core/nombres.h"
#include "engine/execution.h"
#include "engine/geometrie_format.h"
#include "engine/reglages_pdf.h"
#include "tui/message.h"
#include "tui/saisie.h"

namespace vign {

namespace {

constexpr int kColonne = 3;

class SuiviEcran : public Suivi {
 public:
  explicit SuiviEcran(Terminal& t) : t_(t) {}

  // Asked until the answer is at least 1.
  int nombre() override {
    int n = 0;
    std::string tape;
    while (n < 1) {
      message(t_, "Nombres :      ", kColonne);  // the prompt, and blanks over an earlier answer
      pos(t_, kRangeeMessages, kColonne + 10);
      t_.rafraichir();
      acceptc(t_, tape, 5);
      n = entier(tape);
    }
    return n;
  }

  void attente() override { message(t_, "Please wait ...\n", kColonne); }

  // Under the count, one row each and cut to the row, so that no warning
  // hides another; past the screen's last row the last one is overwritten.
  void remarque(std::string_view texte) override {
    message(t_, std::string(texte.substr(0, coupe(texte, kColonnes - kColonne))) + "\n", kColonne,
            std::min(kRangeeMessages + 1 + remarques_, kDerniereRangee));
    ++remarques_;
  }

  void fin(int imprimees) override {
    char compte[32];
    std::snprintf(compte, sizeof compte, "%6d etiquettes", imprimees);
    message(t_, std::string(compte) + (planche.empty() ? "" : " (planche " + planche + ")") + ".\n",
            kColonne);
  }

  std::string planche;  // the sheet the print file was drawn for, if any

 private:
  // The row before the last: a line feed on the last row would scroll.
  static constexpr int kDerniereRangee = kRangees - 1;
  Terminal& t_;
  int remarques_ = 0;
};

}  // namespace

Resultat<int> execution_ecran(Etat& st, Terminal& t) {
  SuiviEcran suivi(t);
  // A text print file knows nothing of sheets: the format's is for drawings.
  if (sortie_pdf_demandee(st.outputfile)) {
    const auto g = geometrie_du_format(st.formats[static_cast<std::size_t>(st.FORMAT)]);
    if (!g) return Erreur{g.erreur().message};
    if (*g) {
      completer_pdf(st.options.pdf, (*g)->textes);
      suivi.planche = (*g)->nom;
    }
  }
  return execution(st, suivi);
}

}  // namespace vign
