#include "engine/execution.h"

#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "core/arret.h"
#include "core/batch.h"
#include "core/inifile.h"
#include "core/nombres.h"
#include "engine/cadrage.h"
#include "engine/composition.h"
#include "engine/enregistrement.h"
#include "tui/saisie.h"

namespace vign {

namespace {

constexpr int kRangeeMessages = 8;  // the empty row of the main menu box
constexpr int kColonneMessages = 3;
constexpr std::size_t kLargeurMessages = 80 - kColonneMessages + 1;

// What the run has to say. An interactive run shows it under the main menu
// box; a batch run has no screen: it keeps quiet, and its failures go to
// standard error. No screen call is ever made without a screen.
class Annonces {
 public:
  Annonces(const Etat& st, Terminal* ecran) : st_(st), ecran_(ecran) {}

  bool interactif() const { return ecran_ != nullptr; }

  // A message of the run, on the screen only.
  void montre(std::string_view texte, int rangee = kRangeeMessages) {
    if (ecran_ == nullptr) return;
    pos(*ecran_, rangee, kColonneMessages);
    affiche(*ecran_, texte);
    ecran_->rafraichir();
  }

  // A failure, in one line; returns the engine's failure result.
  int echec(const std::string& texte, int rangee = kRangeeMessages) {
    if (ecran_ == nullptr) {
      std::fprintf(stderr, "%s\n", texte.c_str());
    } else {
      montre(a_la_rangee(texte) + "\n", rangee);
    }
    return 1;
  }

  // A message as the screen row has room for it: without the file names it
  // quotes when it would run past the screen's edge.
  std::string a_la_rangee(std::string texte) const {
    for (const std::string* nom : {&st_.inputfile, &st_.outputfile}) {
      if (texte.size() <= kLargeurMessages) break;
      const std::string cite_nom = " " + cite(*nom);
      if (const auto i = texte.find(cite_nom); i != std::string::npos) {
        texte.erase(i, cite_nom.size());
      }
    }
    return texte;
  }

  // The number of labels of a screen-mode run, asked until it is at least 1.
  int demande_nombre() {
    int n = 0;
    std::string tape;
    while (n < 1) {
      pos(*ecran_, kRangeeMessages, kColonneMessages);
      affiche(*ecran_, "Nombres :      ");  // the prompt, and blanks over an earlier answer
      pos(*ecran_, kRangeeMessages, kColonneMessages + 10);
      ecran_->rafraichir();
      acceptc(*ecran_, tape, 5);
      n = entier(tape);
    }
    return n;
  }

 private:
  const Etat& st_;
  Terminal* ecran_;
};

// The print file of one run, behind a large buffer (labels come by the
// million); closed on every way out of the run.
class Impression {
 public:
  explicit Impression(Etat& st) : st_(st) {}
  Impression(const Impression&) = delete;
  Impression& operator=(const Impression&) = delete;
  ~Impression() { st_.poutput.reset(); }  // before the buffer goes

  bool ouvre() {
    st_.poutput.reset(std::fopen(st_.outputfile.c_str(), "w"));
    if (!st_.poutput) return false;
    tampon_ = std::make_unique<char[]>(kTampon);
    std::setvbuf(st_.poutput.get(), tampon_.get(), _IOFBF, kTampon);
    return true;
  }

  std::FILE* fichier() const { return st_.poutput.get(); }

  // True once a write has failed; errno is kept from that moment.
  bool en_erreur() {
    if (erreur_ == 0 && std::ferror(fichier()) != 0) erreur_ = errno != 0 ? errno : EIO;
    return erreur_ != 0;
  }

  // Closes the file; false when a write or the close failed, with errno set.
  bool ferme() {
    en_erreur();
    std::FILE* f = st_.poutput.release();
    if (std::fclose(f) != 0 && erreur_ == 0) erreur_ = errno;
    if (erreur_ != 0) errno = erreur_;
    return erreur_ == 0;
  }

  void envoie(const Controle& chaine) {
    if (chaine) std::fwrite(chaine->data(), 1, chaine->size(), fichier());
  }

 private:
  static constexpr std::size_t kTampon = 256 * 1024;
  Etat& st_;
  std::unique_ptr<char[]> tampon_;
  int erreur_ = 0;
};

// True when the print file named is the open input file itself, however the
// name is spelled: creating it would destroy the records before they are read.
bool sortie_sur_entree(const Etat& st) {
  struct stat sortie {};
  struct stat entree {};
  if (!st.pinput || ::stat(st.outputfile.c_str(), &sortie) != 0) return false;
  if (::fstat(::fileno(st.pinput.get()), &entree) != 0) return false;
  return sortie.st_dev == entree.st_dev && sortie.st_ino == entree.st_ino;
}

// Refuses a run that cannot be made, before the print file is created, so that
// a refused run leaves no file behind and truncates none. In a batch run in
// screen mode, also takes the number of labels from the settings file.
std::optional<std::string> refus(Etat& st, const Planche& p, bool batch, int& totvign) {
  if (auto r = format_refuse(p)) return r;
  if (st.inputfile != kEcran) {
    if (!st.pinput) return "Pas de fichier... " + cite(st.inputfile);
    if (sortie_sur_entree(st)) {
      return "Fichier de sortie identique au fichier d'entree " + cite(st.inputfile);
    }
    if (std::fseek(st.pinput.get(), 0, SEEK_SET) != 0) {
      return "Err. fichier entree " + cite(st.inputfile);
    }
  } else if (batch) {
    totvign = entier(valeur_requise(st, "execution", "nombre"));
    if (totvign < 1) {
      return "Nombre d'etiquettes inferieur a 1 dans le fichier BATCH " + cite(*st.inifile);
    }
  }
  return std::nullopt;
}

void pages_de_cadrage(Etat& st, const Planche& p, Impression& impression) {
  const auto f = static_cast<std::size_t>(st.FORMAT);
  for (int page = 0; page < p.maxpagcad; ++page) {
    impression.envoie(st.avtpage[f]);
    for (int r = 0; r < p.maxetipag; ++r) cadrage(st, p, impression.fichier());
    impression.envoie(st.aprpage[f]);
  }
}

// Where the labels come from: the records of the input file, or (screen mode)
// the typed lines, `totvign` times.
struct Source {
  bool inp_file;
  Lecture& lecture;
  int totvign;
};

// Composes the labels row by row and page by page, from the record already
// read (when there is one), and returns how many were composed.
int imprime_etiquettes(Etat& st, const Planche& p, Impression& impression, Source& source,
                       bool etiquettes) {
  const auto f = static_cast<std::size_t>(st.FORMAT);
  // The presentation does not change while the labels are printed.
  std::array<std::vector<int>, kLignes> numeros;
  for (int L = 1; L <= lignes_par_rangee(p); ++L) {
    numeros[static_cast<std::size_t>(L)] =
        numeros_de_champs(st.place[static_cast<std::size_t>(L)].view());
  }
  for (auto& ligne : st.impr) ligne.clear();
  impression.envoie(st.avtpage[f]);
  st.lgattr.fill(0);
  int nbvign = 0;       // labels composed in the current row
  int rangs = 0;        // rows written on the current page
  int imprimees = 0;    // labels of the run
  Propres propres = 0;  // field rows known clean
  while (etiquettes) {
    ++imprimees;
    if (source.inp_file && st.FIXED != 1) {
      decoupe_enregistrement(st, source.lecture.enregistrement(), propres);
    } else {
      propres = 0;  // fixed-width reads fill the rows behind our back
    }
    ++nbvign;
    --source.totvign;
    for (int L = 1; L <= lignes_par_rangee(p); ++L) {
      compose_ligne(st, p, numeros[static_cast<std::size_t>(L)], L, nbvign, propres);
    }
    if (source.inp_file) {
      lire_enregistrement(st, source.lecture);
    } else {
      st.res = source.totvign != 0;
    }
    bool rangee_ecrite = false;
    if (nbvign == p.etilar || !st.res) {
      ecrit_rangee(st, p, impression.fichier());
      nbvign = 0;
      ++rangs;
      rangee_ecrite = true;
      if (impression.en_erreur()) break;
    }
    // A page ends when a row fills it; with no positive number of rows per
    // page it ends only with the data.
    if ((rangee_ecrite && rangs == p.maxetipag) || !st.res) {
      rangs = 0;
      impression.envoie(st.aprpage[f]);
      impression.envoie(st.avtpage[f]);
    }
    etiquettes = st.res;
  }
  return imprimees;
}

}  // namespace

int execution(Etat& st, Terminal* ecran) {
  Annonces annonces(st, ecran);
  if (st.FORMAT < 0 || st.FORMAT >= kSlots) return annonces.echec("Format a definir ...");
  const Planche p = planche(st, st.FORMAT);
  Lecture lecture;
  Source source{st.inputfile != kEcran, lecture, 0};
  if (const auto r = refus(st, p, !annonces.interactif(), source.totvign)) {
    return annonces.echec(*r);
  }

  Impression impression(st);
  if (!impression.ouvre()) return annonces.echec(avec_raison("Erreur sortie", st.outputfile));
  st.res = true;
  // A file that holds no record at all gives no label, only the empty pages.
  bool etiquettes = true;
  if (source.inp_file) {
    etiquettes = lire_enregistrement(st, lecture);
  } else if (annonces.interactif()) {
    source.totvign = annonces.demande_nombre();
  }
  annonces.montre("Please wait ...\n");

  pages_de_cadrage(st, p, impression);
  const int imprimees = imprime_etiquettes(st, p, impression, source, etiquettes);
  // A read that failed (a disk error, a directory named as input) is no end
  // of the data: the labels after it are missing, and the run says so.
  if (source.inp_file && std::ferror(st.pinput.get()) != 0) {
    return annonces.echec(avec_raison("Erreur lecture fichier entree", st.inputfile));
  }
  // The page end once more, which also ejects the last sheet; a form feed
  // when the format has no page end.
  const Controle& fin = st.aprpage[static_cast<std::size_t>(st.FORMAT)];
  if (fin) {
    impression.envoie(fin);
  } else {
    std::putc('\f', impression.fichier());
  }
  if (!impression.ferme()) return annonces.echec(avec_raison("Erreur sortie", st.outputfile));

  char compte[32];
  std::snprintf(compte, sizeof compte, "%6d etiquettes.\n", imprimees);
  annonces.montre(compte);
  if (st.writefile) {
    if (const auto erreur = write_inifile(st, imprimees)) {
      return annonces.echec(*erreur, kRangeeMessages + 1);
    }
  }
  return 0;
}

}  // namespace vign
