#include "app/batch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "core/arret.h"
#include "core/controle.h"
#include "core/nombres.h"
#include "core/ouverture.h"
#include "engine/composition.h"
#include "engine/enregistrement.h"
#include "engine/execution.h"
#include "formats/inifile.h"

namespace vign {

namespace {

constexpr int kNombreEtiquettesMax = 99999;

// The keys a batch run cannot do without. The first one missing is kept, and
// the run stops at the next check with a line naming it.
class Cles {
 public:
  explicit Cles(const Reglages& r) : r_(r) {}

  std::string requise(std::string_view section, std::string_view cle) {
    if (manque_) return {};
    auto valeur = r_.valeur(section, cle);
    if (!valeur) {
      manque_ = Erreur{"Cle absente du fichier BATCH " + cite(r_.nom()) + " : [" +
                       std::string(section) + "] " + std::string(cle)};
      return {};
    }
    return *valeur;
  }
  const std::optional<Erreur>& manque() const { return manque_; }

 private:
  const Reglages& r_;
  std::optional<Erreur> manque_;
};

void lire_format(Etat& st, Cles& cles) {
  st.formats[0].libelle.assign(cles.requise("format", "libelle"));
  const auto nombres = nombres_du_format(st, 0);
  for (std::size_t i = 0; i < nombres.size(); ++i) {
    *nombres[i] = entier(cles.requise("format", kClesNombres[i]));
  }
  st.formats[0].avtpagimp = cles.requise("format", "init_debut_page");
  st.formats[0].aprpagimp = cles.requise("format", "init_fin_page");
  st.formats[0].avtpage = char_to_spec(st.formats[0].avtpagimp);
  st.formats[0].aprpage = char_to_spec(st.formats[0].aprpagimp);
  st.FORMAT = 0;
}

// The input file of the run behind a large buffer, closed before the buffer
// goes, whatever way the run ends.
class Entree {
 public:
  explicit Entree(Etat& st) : st_(st) {}
  Entree(const Entree&) = delete;
  Entree& operator=(const Entree&) = delete;
  ~Entree() { st_.pinput.reset(); }

  // "-" is standard input (records from a pipe, read once). What cannot be
  // read to an end is refused before the print file is touched.
  Resultat<> ouvre(const std::string& nom) {
    auto ouvert = ouvre_en_lecture(nom, "Pas de fichier input");
    if (!ouvert) return ouvert.erreur();
    st_.pinput = std::move(*ouvert);
    tampon_ = std::make_unique<char[]>(kTampon);
    std::setvbuf(st_.pinput.get(), tampon_.get(), _IOFBF, kTampon);
    return {};
  }

 private:
  static constexpr std::size_t kTampon = 256 * 1024;
  Etat& st_;
  std::unique_ptr<char[]> tampon_;
};

// The fixed layout and the initial skip a run written with -e used; -f and
// -d on the command line win over them.
void lire_disposition(Etat& st, const Reglages& r) {
  if (!st.formatfile) {
    if (auto v = r.valeur("fichiers", "disposition"); v && !v->empty()) st.formatfile = v;
  }
  if (st.deplacement == 0) {
    if (auto v = r.valeur("fichiers", "deplacement")) st.deplacement = std::max(0, entier(*v));
  }
}

// The optional keys; an option of the command line wins over its key.
void lire_options(Etat& st, const Reglages& r) {
  auto lire = [&r](std::optional<std::string>& option, std::string_view section,
                   std::string_view cle) {
    if (!option) option = r.valeur(section, cle);
  };
  Options& o = st.options;
  lire(o.jeu_donnees, "fichiers", "jeu_donnees");
  lire(o.jeu_imprimante, "fichiers", "jeu_imprimante");
  lire(o.guillemets, "fichiers", "guillemets");
  lire(o.entete, "fichiers", "entete");
  lire(o.debut, "execution", "debut");
  lire(o.copies, "execution", "copies");
  for (std::size_t i = 0; i < kClesPdf.size(); ++i) lire(o.pdf[i], "pdf", kClesPdf[i]);
  for (std::size_t i = 0; i < kCodes; ++i)
    lire(o.codes[i], "codes", "code" + std::to_string(i + 1));
}

Resultat<> batch(Etat& st, const Reglages& reglages) {
  Cles cles(reglages);
  lire_format(st, cles);
  if (cles.manque()) return *cles.manque();
  // A format that cannot be printed is refused before the rest of the file
  // is asked for: its label lines may not even have rows to go to.
  if (const auto refus = format_refuse(planche(st, 0))) return Erreur{*refus};
  st.inputfile = cles.requise("fichiers", "donnees");
  if (st.inputfile.empty()) st.inputfile = kEcran;
  st.outputfile = cles.requise("fichiers", "etiquettes");
  if (cles.manque()) return *cles.manque();
  Entree entree(st);
  int nombre = 1;
  if (st.inputfile != kEcran) {
    st.ALECRAN = 0;
    if (auto ouverte = entree.ouvre(st.inputfile); !ouverte) return ouverte;
    st.FIXED = 0;
    lire_disposition(st, reglages);
    const auto fixe = analyse_format_fixe(st, st.formatfile);
    if (!fixe) return fixe.erreur();
    if (!*fixe) st.delimiteur = cles.requise("fichiers", "delimiteur");
    for (int i = 1; i <= st.formats[0].maxligeti; ++i) {
      st.place[static_cast<std::size_t>(i)].assign(cles.requise("presentation", cle_ligne(i)));
    }
  } else {
    st.ALECRAN = 1;
    for (int i = 1; i <= st.formats[0].maxligeti; ++i) {
      const auto r = static_cast<std::size_t>(i);
      st.champ[r].assign(cles.requise("presentation", cle_ligne(i)));
      st.place[r].assign(std::to_string(i));
    }
    nombre = entier(cles.requise("execution", "nombre"));
    if (!cles.manque() && nombre < 1) {
      return Erreur{"Nombre d'etiquettes inferieur a 1 dans le fichier BATCH " +
                    cite(reglages.nom())};
    }
    // As many as the count prompt of the screen takes (five digits).
    if (nombre > kNombreEtiquettesMax) {
      return Erreur{"Nombre d'etiquettes superieur a 99999 dans le fichier BATCH " +
                    cite(reglages.nom())};
    }
  }
  if (cles.manque()) return *cles.manque();
  lire_options(st, reglages);
  // A batch run says nothing of a run that went through, but for what the
  // user must know (characters replaced for the printer's set).
  struct SuiviBatch : SuiviMuet {
    using SuiviMuet::SuiviMuet;
    void remarque(std::string_view texte) override {
      std::fprintf(stderr, "%.*s\n", static_cast<int>(texte.size()), texte.data());
    }
  } suivi(nombre);
  const auto imprimees = execution(st, suivi);
  if (!imprimees) return imprimees.erreur();
  if (st.writefile) return write_inifile(st, *imprimees);
  return {};
}

}  // namespace

int traitement_batch(Etat& st) {
  const auto reglages = Reglages::lire(*st.inifile);
  if (!reglages) {
    std::fprintf(stderr, "%s\n", reglages.erreur().message.c_str());
    return reglages.erreur().statut;
  }
  const auto fait = batch(st, *reglages);
  if (fait) return 0;
  std::fprintf(stderr, "%s\n", fait.erreur().message.c_str());
  // A settings file saved with CR LF line ends keeps a carriage return at
  // the end of every value: a file name then names no file. The values are
  // read as they stand; a failed run only points at the likely cause.
  if (reglages->fins_crlf()) {
    std::fprintf(stderr, "(fichier %s aux fins de ligne CR LF ?)\n", reglages->nom().c_str());
  }
  return fait.erreur().statut;
}

}  // namespace vign
