#include "app/interactif.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/arret.h"
#include "support/ecran_memoire.h"
#include "support/menu_attendu.h"
#include "support/programme.h"
#include "tui/mn_format.h"
#include "tui/saisie.h"

namespace vign {
namespace {

using namespace test;  // the expected menu and its entries

const std::string kMenu = lignes_du_menu(1, 9, 0);

// Screen row (from 1) of the menu mark in column 3, 0 when there is none or
// more than one.
int marque(const EcranMemoire& t) {
  int trouvee = 0;
  for (int r = kAide; r <= kQuitter; ++r) {
    const std::string s = t.rangee(r - 1);
    if (s.size() > 2 && s[2] == '>') {
      if (trouvee != 0) return 0;
      trouvee = r;
    }
  }
  return trouvee;
}

Fichier ouvert() {
  return Fichier(std::tmpfile());
}

// The menu with stand-in screens that log their calls and return what the
// test sets, so that the order of the steps and the flags show without the
// screens themselves.
class Menu : public testing::Test {
 protected:
  struct Factices : Etapes {
    explicit Factices(Menu& menu) : m(menu) { catalogue = (m.dir / "formats.txt").string(); }
    void aide(Terminal&) const override { m.appels.push_back("aide"); }
    Issue format(Etat&, Terminal&, const std::vector<int>&) const override {
      m.appels.push_back("format");
      // One answer per visit; the last one holds for the later visits.
      const std::size_t visite = std::min(m.visites_format++, m.choix_format.size() - 1);
      return m.choix_format[visite];
    }
    Issue format_crea(Etat&, Terminal& term) const override {
      m.appels.push_back("crea");
      m.rangee8_crea = static_cast<EcranMemoire&>(term).rangee(7);
      return kFaite;
    }
    Issue planches(Etat&, Terminal&) const override {
      m.appels.push_back("planches");
      return m.planche_prise;
    }
    Resultat<> fichiers(Etat& s, Terminal&) const override {
      m.appels.push_back("fichiers " + s.formatfile.value_or("-"));
      s.ALECRAN = m.ecran_choisi ? 1 : 0;
      if (m.entree_ouverte) s.pinput = ouvert();
      return {};
    }
    Issue ecran(Etat&, Terminal&) const override {
      m.appels.push_back("vign_ecran");
      return m.presentation_faite;
    }
    Issue champ(Etat&, Terminal&) const override {
      m.appels.push_back("vign_champ");
      return m.presentation_faite;
    }
    Resultat<int> imprimer(Etat&, Terminal&) const override {
      m.appels.push_back("execution");
      return 0;
    }
    Menu& m;
  };
  Factices etapes() { return Factices(*this); }

  void catalogue() { dir.ecrire("formats.txt", ""); }

  // Runs the menu on the keys typed; true when it ended by Quitter or F11,
  // false when the keys ran out first (the menu then stands where the last
  // key left it).
  bool lancer() {
    try {
      EXPECT_EQ(traitement_interactif(st, t, etapes()), 0);
      return true;
    } catch (const Arret&) {
      return false;
    }
  }

  EcranMemoire t;
  Etat st;
  test::Dossier dir;
  std::vector<std::string> appels;
  std::string rangee8_crea;  // row 8 as the new format form found it
  std::vector<Issue> choix_format = {3};
  std::size_t visites_format = 0;
  bool entree_ouverte = true;
  bool ecran_choisi = false;
  Issue presentation_faite = kFaite;
  Issue planche_prise = kFaite;
};

TEST_F(Menu, IsDrawnInTheTopLeftCornerOfAClearScreen) {
  t.effacer();
  pos(t, 12, 10);
  affiche(t, "reste d'un autre ecran");
  MENU1(t);
  EXPECT_EQ(t.texte(), kMenu + std::string(15, '\n'));
}

TEST_F(Menu, TheMarkStartsOnFormatsAndMovesWithoutWrappingAround) {
  const struct {
    std::vector<int> touches;
    int marque;
  } cases[] = {
      {{}, kFormats},
      {{kHaut}, kAide},
      {{kHaut, kHaut}, kAide},
      {{kBas, kBas, kBas, kBas}, kQuitter},
      {{kBas, kBas, kBas, kBas, kBas}, kQuitter},
      {{kBas, kBas, kBas, kBas, kBas, kHaut}, kExecution},
      {{kBreak, 'a', '7', ' ', kF1, 9, 27}, kFormats},
  };
  for (const auto& c : cases) {
    EcranMemoire ecran;
    for (int k : c.touches) ecran.taper({k});
    Etat etat;
    EXPECT_THROW(traitement_interactif(etat, ecran, etapes()), Arret);
    EXPECT_EQ(marque(ecran), c.marque) << ecran.texte();
    EXPECT_TRUE(appels.empty());
  }
}

TEST_F(Menu, CharactersRingTheBellAndSelectNothing) {
  t.taper("a7 ");
  t.taper({kBreak, kEffacer});
  EXPECT_FALSE(lancer());
  EXPECT_EQ(t.sonneries(), 4);
  EXPECT_TRUE(appels.empty());
}

TEST_F(Menu, AfterEveryStepTheMarkStandsOnTheEntryBelow) {
  catalogue();
  const struct {
    std::vector<int> touches;
    std::vector<std::string> appels;
    int marque;
  } cases[] = {
      {{kHaut, kEntree}, {"aide"}, kFormats},
      {{kEntree}, {"format"}, kFichiers},
      {{kEntree, kEntree}, {"format", "fichiers -"}, kPresentation},
      {{kEntree, kEntree, kEntree}, {"format", "fichiers -", "vign_champ"}, kExecution},
      {{kEntree, kEntree, kEntree, kEntree},
       {"format", "fichiers -", "vign_champ", "execution"},
       kQuitter},
  };
  for (const auto& c : cases) {
    EcranMemoire ecran;
    for (int k : c.touches) ecran.taper({k});
    Etat etat;
    appels.clear();
    EXPECT_THROW(traitement_interactif(etat, ecran, etapes()), Arret);
    EXPECT_EQ(appels, c.appels);
    EXPECT_EQ(marque(ecran), c.marque) << ecran.texte();
  }
}

TEST_F(Menu, F11AndQuitterEndWithStatusZeroAndTheTerminalGivenBack) {
  for (const std::vector<int>& touches : std::vector<std::vector<int>>{
           {kF11}, {kHaut, kF11}, {kBas, kBas, kBas, kF11}, {kBas, kBas, kBas, kBas, kEntree}}) {
    EcranMemoire ecran;
    for (int k : touches) ecran.taper({k});
    Etat etat;
    EXPECT_EQ(traitement_interactif(etat, ecran, etapes()), 0);
    EXPECT_EQ(ecran.texte(), std::string(24, '\n'));  // cleared once more
    EXPECT_TRUE(ecran.rendu());
  }
  EXPECT_TRUE(appels.empty());
}

TEST_F(Menu, ShutdownClosesTheInputInFileMode) {
  st.pinput = ouvert();
  t.taper({kF11});
  EXPECT_TRUE(lancer());
  EXPECT_FALSE(st.pinput);
}

TEST_F(Menu, ShutdownLeavesTheInputOfAnEarlierFileStepInScreenMode) {
  st.ALECRAN = 1;
  st.pinput = ouvert();
  t.taper({kF11});
  EXPECT_TRUE(lancer());
  EXPECT_TRUE(st.pinput);
}

TEST_F(Menu, AKeyboardGoneForGoodGivesTheTerminalBack) {
  EXPECT_FALSE(lancer());
  EXPECT_TRUE(t.rendu());
}

TEST_F(Menu, AnEndFromInsideAStepGivesTheTerminalBack) {
  struct Echec : Factices {
    using Factices::Factices;
    Resultat<> fichiers(Etat&, Terminal&) const override {
      return Erreur{"Augmenter MAX_RECLEN et recompiler"};
    }
  } e(*this);
  t.taper({kBas, kEntree});
  try {
    traitement_interactif(st, t, e);
    ADD_FAILURE() << "the run went on";
  } catch (const Arret& a) {
    EXPECT_EQ(a.statut(), 1);
    EXPECT_STREQ(a.what(), "Augmenter MAX_RECLEN et recompiler");
  }
  EXPECT_TRUE(t.rendu());
}

// --- Formats ---

TEST_F(Menu, AFormatChosenInTheCatalogueBecomesTheFormat) {
  catalogue();
  choix_format = {3};
  t.taper({kEntree, kF11});
  EXPECT_TRUE(lancer());
  EXPECT_EQ(appels, std::vector<std::string>{"format"});
  EXPECT_EQ(st.FORMAT, 3);
  EXPECT_EQ(st.FORMATS, 1);
}

TEST_F(Menu, TheCreationEntryOpensTheNewFormatForm) {
  catalogue();
  choix_format = {0};
  t.taper({kEntree, kF11});
  EXPECT_TRUE(lancer());
  EXPECT_EQ(appels, (std::vector<std::string>{"format", "crea"}));
  EXPECT_EQ(st.FORMAT, 0);
  EXPECT_EQ(st.FORMATS, 1);
}

// The sheet chosen lands in slot 0 as a new format does, but through the
// chooser only: the form of a format typed by hand is not opened as well.
TEST_F(Menu, ASheetOfTheTradeBecomesTheFormatOrNothingWhenLeft) {
  for (const Issue prise : {Issue(kFaite), Issue()}) {
    Etat vierge;
    st.FORMATS = vierge.FORMATS;
    st.FORMAT = 4;
    appels.clear();
    catalogue();
    choix_format = {kChoixPlanches};
    planche_prise = prise;
    t.taper({kEntree, kF11});
    EXPECT_TRUE(lancer());
    EXPECT_EQ(appels, (std::vector<std::string>{"format", "planches"}));
    EXPECT_EQ(st.FORMAT, prise ? 0 : 4);
    EXPECT_EQ(st.FORMATS, prise ? 1 : 0);
  }
}

TEST_F(Menu, F11InTheFormatMenuChoosesNothing) {
  catalogue();
  choix_format = {std::nullopt};
  t.taper({kEntree, kBas, kEntree});  // Formats, then Presentation refused
  EXPECT_FALSE(lancer());
  EXPECT_EQ(st.FORMATS, 0);
  EXPECT_EQ(st.FORMAT, 0);
  EXPECT_EQ(t.rangee(7), "|Format a definir ... |");
}

TEST_F(Menu, F11InTheFormatMenuKeepsTheFormatOfAnEarlierVisit) {
  catalogue();
  choix_format = {5, std::nullopt};
  t.taper({kEntree, kHaut, kEntree, kF11});
  EXPECT_TRUE(lancer());
  EXPECT_EQ(appels, (std::vector<std::string>{"format", "format"}));
  EXPECT_EQ(st.FORMAT, 5);
  EXPECT_EQ(st.FORMATS, 1);
}

// The pause takes one whole key from the key reader, and no byte from under
// it: the form gets the keys that follow.
TEST_F(Menu, AMissingCatalogueIsToldThenOneKeyIsReadThenTheForm) {
  struct Saisie : Factices {
    using Factices::Factices;
    Issue format_crea(Etat& s, Terminal& term) const override {
      Factices::format_crea(s, term);
      acceptc(term, saisi, 30);
      return kFaite;
    }
    mutable std::string saisi = "-";
  } e(*this);
  t.taper_octets("y");
  t.taper({kEntree, 'x', kEntree, kF11});
  EXPECT_EQ(traitement_interactif(st, t, e), 0);
  EXPECT_EQ(e.saisi, "");
  EXPECT_EQ(rangee8_crea, "|Pas de formats dans " + (dir / "formats.txt").string() + " ...");
  EXPECT_EQ(t.lire_octet(), 'y');
  EXPECT_EQ(st.FORMAT, 0);
  EXPECT_EQ(st.FORMATS, 1);
}

// --- Files ---

TEST_F(Menu, TheFilesStepIsDoneWhenTheInputOpensOrInScreenMode) {
  const struct {
    bool ouverte, ecran;
    int fichier;
  } cases[] = {{true, false, 1}, {false, false, 0}, {false, true, 1}};
  for (const auto& c : cases) {
    entree_ouverte = c.ouverte;
    ecran_choisi = c.ecran;
    Etat etat;
    etat.formatfile = "fixe.def";
    EcranMemoire ecran;
    ecran.taper({kBas, kEntree, kF11});
    appels.clear();
    EXPECT_EQ(traitement_interactif(etat, ecran, etapes()), 0);
    EXPECT_EQ(appels, std::vector<std::string>{"fichiers fixe.def"});
    EXPECT_EQ(etat.FICHIER, c.fichier) << c.ouverte << c.ecran;
  }
}

// --- Presentation ---

TEST_F(Menu, PresentationBeforeAFormatIsRefusedAndTheMenuNotRedrawn) {
  t.taper({kBas, kBas, kEntree});
  EXPECT_FALSE(lancer());
  EXPECT_TRUE(appels.empty());
  EXPECT_EQ(t.texte(), R"(+---------------------+
|  Aide               |
|  Formats            |
|  fIchiers           |
|  Presentation       |
| >Execution          |
|  Quitter            |
|Format a definir ... |
+---------------------+
)" + std::string(15, '\n'));
}

TEST_F(Menu, PresentationFollowsTheModeAndSetsTheFlag) {
  const struct {
    int alecran, resultat;
    const char* ecran;
  } cases[] = {{0, 1, "vign_champ"}, {1, 1, "vign_ecran"}, {0, 0, "vign_champ"}};
  for (const auto& c : cases) {
    Etat etat;
    etat.FORMATS = 1;
    etat.ALECRAN = c.alecran;
    etat.PRESENTATION = 1 - c.resultat;
    presentation_faite = c.resultat == 1 ? Issue(kFaite) : std::nullopt;
    EcranMemoire ecran;
    ecran.taper({kBas, kBas, kEntree, kF11});
    appels.clear();
    EXPECT_EQ(traitement_interactif(etat, ecran, etapes()), 0);
    EXPECT_EQ(appels, std::vector<std::string>{c.ecran});
    EXPECT_EQ(etat.PRESENTATION, c.resultat);
  }
}

// --- Execution ---

TEST_F(Menu, ExecutionRunsOnlyWithEveryStepDoneAndNamesTheMissingOnes) {
  const std::string haut = R"(+---------------------+
|  Aide               |
|  Formats            |
|  fIchiers           |
|  Presentation       |
|  Execution          |
| >Quitter            |
)";
  const struct {
    int fichier, formats, presentation;
    std::string bas;  // rows 8 to 10
  } cases[] = {
      {0, 0, 0, "| Menu fichier omis\nMenu formats omis\nMenu presen. omis\n"},
      {1, 1, 0, "| Menu presen. omis\n+---------------------+\n\n"},
      {0, 1, 1, "| Menu fichier omis\n+---------------------+\n\n"},
      {1, 0, 1, "| Menu formats omis\n+---------------------+\n\n"},
      {0, 1, 0, "| Menu fichier omis\nMenu presen. omis\n\n"},
      {1, 1, 1, "|                     |\n+---------------------+\n\n"},
  };
  for (const auto& c : cases) {
    Etat etat;
    etat.FICHIER = c.fichier;
    etat.FORMATS = c.formats;
    etat.PRESENTATION = c.presentation;
    EcranMemoire ecran;
    ecran.taper({kBas, kBas, kBas, kEntree});
    appels.clear();
    EXPECT_THROW(traitement_interactif(etat, ecran, etapes()), Arret);
    EXPECT_EQ(ecran.texte(), haut + c.bas + std::string(14, '\n'));
    const bool complet = c.fichier + c.formats + c.presentation == 3;
    EXPECT_EQ(appels, complet ? std::vector<std::string>{"execution"} : std::vector<std::string>{});
    // Execution leaves the flags as they were, so it can run again at once.
    EXPECT_EQ(etat.FICHIER + etat.FORMATS + etat.PRESENTATION,
              c.fichier + c.formats + c.presentation);
  }
}

}  // namespace
}  // namespace vign
