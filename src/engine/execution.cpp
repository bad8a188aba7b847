#include "engine/execution.h"

#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "core/arret.h"
#include "engine/cadrage.h"
#include "engine/composition.h"
#include "engine/enregistrement.h"
#include "engine/impression.h"

namespace vign {

namespace {

// True when the print file named is the open input file itself, however the
// name is spelled: creating it would destroy the records before they are read.
bool sortie_sur_entree(const Etat& st) {
  struct stat sortie {};
  struct stat entree {};
  if (!st.pinput || ::stat(st.outputfile.c_str(), &sortie) != 0) return false;
  if (::fstat(::fileno(st.pinput.get()), &entree) != 0) return false;
  return sortie.st_dev == entree.st_dev && sortie.st_ino == entree.st_ino;
}

// Which file of the run a print file or a settings file to write would
// overwrite: the records, the settings read, the layout or the print file.
// Creating it would destroy what the run reads, or what it writes.
std::optional<std::string> ecrase_une_entree(const Etat& st, const std::string& nom, bool sortie) {
  std::vector<const std::string*> lus;
  if (st.inputfile != kEcran) lus.push_back(&st.inputfile);
  if (st.formatfile && st.FIXED == 1) lus.push_back(&*st.formatfile);
  if (sortie && st.inifile) lus.push_back(&*st.inifile);
  if (!sortie) lus.push_back(&st.outputfile);
  for (const std::string* lu : lus) {
    if (meme_fichier(nom, *lu)) return *lu;
  }
  return std::nullopt;
}

// Refuses a run that cannot be made, before the print file is created, so that
// a refused run leaves no file behind and truncates none.
std::optional<std::string> refus(Etat& st, const Planche& p) {
  if (auto r = format_refuse(p)) return r;
  if (st.inputfile != kEcran) {
    if (!st.pinput) return "Pas de fichier... " + cite(st.inputfile);
    if (sortie_sur_entree(st)) {
      return "Fichier de sortie identique au fichier d'entree " + cite(st.inputfile);
    }
    if (std::fseek(st.pinput.get(), 0, SEEK_SET) != 0) {
      return "Err. fichier entree " + cite(st.inputfile);
    }
  }
  // The print file and the -e file are compared with what the run reads.
  // (-e may name the settings file read: it rewrites the same settings.)
  if (const auto lu = ecrase_une_entree(st, st.outputfile, true)) {
    return "Fichier de sortie identique au fichier d'entree " + cite(*lu);
  }
  if (st.writefile) {
    if (const auto lu = ecrase_une_entree(st, *st.writefile, false)) {
      return "Fichier de sortie identique au fichier d'entree " + cite(*lu);
    }
  }
  return std::nullopt;
}

void pages_de_cadrage(Etat& st, const Planche& p, Impression& impression) {
  const auto f = static_cast<std::size_t>(st.FORMAT);
  for (int page = 0; page < p.maxpagcad; ++page) {
    impression.envoie(st.formats[f].avtpage);
    for (int r = 0; r < p.maxetipag; ++r) cadrage(st, p, impression.fichier());
    impression.envoie(st.formats[f].aprpage);
    impression.fin_de_page();
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
  impression.envoie(st.formats[f].avtpage);
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
      impression.envoie(st.formats[f].aprpage);
      impression.fin_de_page();
      impression.envoie(st.formats[f].avtpage);
    }
    etiquettes = st.res;
  }
  return imprimees;
}

}  // namespace

Resultat<int> execution(Etat& st, Suivi& suivi) {
  if (st.FORMAT < 0 || st.FORMAT >= kSlots) return Erreur{"Format a definir ..."};
  const Planche p = planche(st, st.FORMAT);
  Lecture lecture;
  Source source{st.inputfile != kEcran, lecture, 0};
  if (const auto r = refus(st, p)) return Erreur{*r};

  Impression impression(st);
  if (auto ouverte = impression.ouvre(p); !ouverte) return ouverte.erreur();
  st.res = true;
  // A file that holds no record at all gives no label, only the empty pages.
  bool etiquettes = true;
  if (source.inp_file) {
    etiquettes = lire_enregistrement(st, lecture);
  } else {
    source.totvign = suivi.nombre();
  }
  suivi.attente();

  pages_de_cadrage(st, p, impression);
  const int imprimees = imprime_etiquettes(st, p, impression, source, etiquettes);
  // A read that failed (a disk error, a directory named as input) is no end
  // of the data: the labels after it are missing, and the run says so.
  if (source.inp_file && std::ferror(st.pinput.get()) != 0) {
    return Erreur{avec_raison("Erreur lecture fichier entree", st.inputfile)};
  }
  // The page end once more, which also ejects the last sheet; a form feed
  // when the format has no page end.
  const Controle& fin = st.formats[static_cast<std::size_t>(st.FORMAT)].aprpage;
  if (fin) {
    impression.envoie(fin);
  } else {
    std::putc('\f', impression.fichier());
  }
  impression.fin_de_page();
  if (auto fermee = impression.ferme(); !fermee) return fermee.erreur();
  suivi.fin(imprimees);
  return imprimees;
}

}  // namespace vign
