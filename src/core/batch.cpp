#include "core/batch.h"

#include <cstdio>
#include <fstream>
#include <memory>

#include "core/arret.h"
#include "core/inifile.h"
#include "core/nombres.h"
#include "engine/composition.h"
#include "engine/controle.h"
#include "engine/enregistrement.h"
#include "engine/execution.h"

namespace vign {

namespace {

void lire_format(Etat& st) {
  auto nombre = [&st](std::string_view cle) { return entier(valeur_requise(st, "format", cle)); };
  st.libelle[0].assign(valeur_requise(st, "format", "libelle"));
  const auto nombres = nombres_du_format(st, 0);
  for (std::size_t i = 0; i < nombres.size(); ++i) *nombres[i] = nombre(kClesNombres[i]);
  st.avtpagimp[0] = valeur_requise(st, "format", "init_debut_page");
  st.aprpagimp[0] = valeur_requise(st, "format", "init_fin_page");
  st.avtpage[0] = char_to_spec(st.avtpagimp[0]);
  st.aprpage[0] = char_to_spec(st.aprpagimp[0]);
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

  bool ouvre(const std::string& nom) {
    st_.pinput.reset(std::fopen(nom.c_str(), "r"));
    if (!st_.pinput) return false;
    tampon_ = std::make_unique<char[]>(kTampon);
    std::setvbuf(st_.pinput.get(), tampon_.get(), _IOFBF, kTampon);
    return true;
  }

 private:
  static constexpr std::size_t kTampon = 256 * 1024;
  Etat& st_;
  std::unique_ptr<char[]> tampon_;
};

}  // namespace

std::string valeur_requise(Etat& st, std::string_view section, std::string_view cle) {
  auto valeur = read_inifile(st, *st.inifile, section, cle);
  if (!valeur) {
    throw Arret(1, "Cle absente du fichier BATCH " + cite(*st.inifile) + " : [" +
                       std::string(section) + "] " + std::string(cle));
  }
  return *valeur;
}

namespace {

int batch(Etat& st) {
  lire_format(st);
  // A format that cannot be printed is refused before the rest of the file
  // is asked for: its label lines may not even have rows to go to.
  if (const auto refus = format_refuse(planche(st, 0))) throw Arret(1, *refus);
  st.inputfile = valeur_requise(st, "fichiers", "donnees");
  if (st.inputfile.empty()) st.inputfile = kEcran;
  st.outputfile = valeur_requise(st, "fichiers", "etiquettes");
  Entree entree(st);
  if (st.inputfile != kEcran) {
    st.ALECRAN = 0;
    if (!entree.ouvre(st.inputfile))
      throw Arret(1, avec_raison("Pas de fichier input", st.inputfile));
    st.FIXED = 0;
    if (!analyse_format_fixe(st, st.formatfile)) {
      st.delimiteur = valeur_requise(st, "fichiers", "delimiteur");
    }
    for (int i = 1; i <= st.maxligeti[0]; ++i) {
      st.place[static_cast<std::size_t>(i)].assign(
          valeur_requise(st, "presentation", cle_ligne(i)));
    }
  } else {
    st.ALECRAN = 1;
    for (int i = 1; i <= st.maxligeti[0]; ++i) {
      const auto r = static_cast<std::size_t>(i);
      st.champ[r].assign(valeur_requise(st, "presentation", cle_ligne(i)));
      st.place[r].assign(std::to_string(i));
    }
  }
  return execution(st, nullptr);
}

// A settings file saved with CR LF line ends keeps a carriage return at the
// end of every value: a file name then names no file. The values are read as
// they stand; a failed run only points at the likely cause.
bool fins_crlf(const std::string& nom) {
  std::ifstream f(nom, std::ios::binary);
  std::string ligne;
  while (std::getline(f, ligne)) {
    if (ligne.ends_with('\r')) return true;
  }
  return false;
}

std::string indice_crlf(const std::string& nom) {
  return "(fichier " + nom + " aux fins de ligne CR LF ?)";
}

}  // namespace

int traitement_batch(Etat& st) {
  int statut = 1;
  try {
    statut = batch(st);
  } catch (const Arret& a) {
    if (a.statut() == 0 || !fins_crlf(*st.inifile)) throw;
    throw Arret(a.statut(), std::string(a.what()) + "\n" + indice_crlf(*st.inifile));
  }
  if (statut != 0 && fins_crlf(*st.inifile)) {
    std::fprintf(stderr, "%s\n", indice_crlf(*st.inifile).c_str());
  }
  return statut;
}

}  // namespace vign
