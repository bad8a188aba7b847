// The fixed-layout file (-f) and the record file are the user's, and either can
// be anything. The input is three texts joined by kSeparateur: the layout file,
// the initial skip (-d, as typed), and the records. The layout is parsed the
// way a run parses it, then every record is read in fixed-width mode; the
// records are also read in delimited mode, one label per line.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/arret.h"
#include "core/etat.h"
#include "core/nombres.h"
#include "engine/enregistrement.h"
#include "outils_fuzz.h"

namespace {

using vign::fuzz::exiger;

// The widths of the layout file, as the run takes them; false when the run
// stops on a width no field row can hold.
bool disposition(vign::Etat& st, std::string_view fichier) {
  const std::string chemin = vign::fuzz::chemin_prive("format.def");
  vign::fuzz::ecrire_fichier(chemin, fichier);
  const auto fixe = vign::analyse_format_fixe(chemin);
  if (!fixe) {
    exiger(fixe.erreur().statut == 1 && fixe.erreur().message == vign::kTropLarge,
           "echec inattendu dans la disposition");
    return false;
  }
  exiger(fixe->has_value(), "le fichier de disposition est refuse");
  const vign::Disposition& d = **fixe;
  exiger(d.nbrechamp >= 0 && d.nbrechamp <= vign::kLargeurs, "nbrechamp hors de lc");
  for (int k = 1; k < d.nbrechamp; ++k)
    exiger(d.lc[static_cast<std::size_t>(k)] <= 253, "largeur au-dela de la borne");
  st.disposition = d;
  return true;
}

void champs_bornes(const vign::Etat& st) {
  for (const auto& c : st.champ) exiger(c.size() <= vign::Ligne::capacite, "champ trop long");
}

void lecture_fixe(vign::Etat& st, const std::string& donnees) {
  vign::Lecture lecture;
  const long taille = static_cast<long>(donnees.size());
  lire_enregistrement(st, lecture);
  long enregistrements = 1;
  while (lecture.reste()) {
    // Every record that does not end the data takes at least one byte.
    exiger(enregistrements <= taille + 1, "la lecture ne finit pas");
    const long avant = std::ftell(st.pinput.get());
    lire_enregistrement(st, lecture);
    exiger(std::ftell(st.pinput.get()) > avant || !lecture.reste(), "un enregistrement sans octet");
    ++enregistrements;
    champs_bornes(st);
    const vign::Disposition& d = *st.disposition;
    const int champs = std::min(d.nbrechamp, vign::kLignes);
    for (int k = 1; k < champs && lecture.reste(); ++k) {
      const auto& c = st.champ[static_cast<std::size_t>(k)];
      const auto largeur =
          static_cast<std::size_t>(std::max(0, d.lc[static_cast<std::size_t>(k)]));
      exiger(!c.empty() && c[c.size() - 1] == ' ' && c.size() <= largeur + 1,
             "champ fixe hors de sa largeur");
    }
  }
  exiger(std::ftell(st.pinput.get()) <= taille, "lu au-dela des donnees");
}

void lecture_delimitee(vign::Etat& st, const std::string& donnees, std::string delimiteur) {
  st.disposition.reset();
  st.delimiteur = std::move(delimiteur);
  std::rewind(st.pinput.get());
  // One record per line, the last one with or without its line end: a line
  // feed, or a carriage return in a file whose first block has carriage
  // returns and no line feed (old Mac exports).
  const std::string_view bloc = std::string_view(donnees).substr(0, 64 * 1024);
  const char fin =
      bloc.find('\n') == std::string_view::npos && bloc.find('\r') != std::string_view::npos ? '\r'
                                                                                             : '\n';
  long attendus = static_cast<long>(std::count(donnees.begin(), donnees.end(), fin));
  if (!donnees.empty() && donnees.back() != fin) ++attendus;
  vign::Lecture lecture;
  long lus = 0;
  while (vign::lire_enregistrement(st, lecture)) {
    ++lus;
    exiger(lus <= attendus, "plus d'enregistrements que de lignes");
    exiger(lecture.enregistrement().find(fin) == std::string_view::npos, "fin de ligne gardee");
    vign::decoupe_enregistrement(st, lecture.enregistrement());
    champs_bornes(st);
    for (auto& c : st.champ) {
      vign::rts(c);
      vign::rctrl(c);
      for (char o : c.view()) exiger(static_cast<unsigned char>(o) >= 32 && o != 127, "controle");
    }
  }
  exiger(lus == attendus && !lecture.reste(), "nombre d'enregistrements");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view reste(reinterpret_cast<const char*>(data), size);
  const std::string_view fichier = vign::fuzz::couper(reste, vign::fuzz::kSeparateur);
  const std::string_view saut = vign::fuzz::couper(reste, vign::fuzz::kSeparateur);
  const std::string donnees(reste);

  vign::Etat st;
  const std::string chemin = vign::fuzz::chemin_prive("donnees");
  vign::fuzz::ecrire_fichier(chemin, donnees);
  st.pinput.reset(std::fopen(chemin.c_str(), "rb"));
  exiger(static_cast<bool>(st.pinput), "ouverture des donnees");
  // Skips beyond the data are no use; this one still runs past row 0.
  st.deplacement = std::min(vign::entier(saut), 4096);
  if (disposition(st, fichier)) lecture_fixe(st, donnees);
  lecture_delimitee(st, donnees, std::string(saut.substr(0, 1)));
  return 0;
}
