#include "engine/execution.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "core/arret.h"
#include "core/colonnes.h"
#include "core/nombres.h"
#include "engine/avertissements.h"
#include "engine/cadrage.h"
#include "engine/codes.h"
#include "engine/composition.h"
#include "engine/csv.h"
#include "engine/enregistrement.h"
#include "engine/entete.h"
#include "engine/impression.h"
#include "engine/options_execution.h"
#include "formats/inifile.h"

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
  if (st.inputfile != kEcran && st.inputfile != kEntreeStandard) lus.push_back(&st.inputfile);
  if (st.formatfile && st.disposition) lus.push_back(&*st.formatfile);
  if (sortie && st.inifile) lus.push_back(&*st.inifile);
  if (!sortie) lus.push_back(&st.outputfile);
  for (const std::string* lu : lus) {
    if (meme_fichier(nom, *lu)) return *lu;
  }
  return std::nullopt;
}

// The refusal of an output that would overwrite `lu`, a file the run reads.
Erreur identique(const std::string& lu) {
  return Erreur{"Fichier de sortie identique au fichier d'entree " + cite(lu)};
}

// Refuses a run that cannot be made, before the print file is created, so that
// a refused run leaves no file behind and truncates none.
Resultat<> verifie_run(const Etat& st, const Format& p) {
  if (auto verifie = verifie_format(p); !verifie) return verifie;
  if (st.inputfile != kEcran) {
    if (!st.pinput) return Erreur{"Pas de fichier... " + cite(st.inputfile)};
    if (sortie_sur_entree(st)) return identique(st.inputfile);
    // Standard input is read once, as it comes.
    if (st.inputfile != kEntreeStandard && std::fseek(st.pinput.get(), 0, SEEK_SET) != 0) {
      return Erreur{"Err. fichier entree " + cite(st.inputfile)};
    }
  }
  // The print file and the -e file are compared with what the run reads.
  // (-e may name the settings file read: it rewrites the same settings.)
  if (const auto lu = ecrase_une_entree(st, st.outputfile, true)) return identique(*lu);
  if (st.writefile) {
    if (const auto lu = ecrase_une_entree(st, *st.writefile, false)) return identique(*lu);
  }
  return {};
}

void pages_de_cadrage(const Format& p, Impression& impression) {
  for (int page = 0; page < p.maxpagcad; ++page) {
    impression.envoie(p.avtpage);
    for (int r = 0; r < p.maxetipag; ++r) cadrage(p, impression.fichier());
    impression.envoie(p.aprpage);
    impression.fin_de_page();
  }
}

using Numeros = NumerosParLigne;

// The records of the input file, plain or CSV (fixed-width records are
// always plain), with the line each one starts on.
class Enregistrements {
 public:
  Enregistrements(const Etat& st, bool csv, Jeux& jeux) : jeux_(jeux) {
    if (csv && !st.disposition) csv_.emplace(st.delimiteur ? std::string_view(*st.delimiteur) : "");
  }
  // Reads the next record; returns what lire_enregistrement returns.
  bool lit(Etat& st) {
    ++numero_;
    if (csv_) return reste_csv_ = lire_csv(st, *csv_);
    return lire_enregistrement(st, plain_, jeux_);
  }
  // Whether input remains after the last read (see Lecture::reste).
  bool reste() const { return csv_ ? reste_csv_ : plain_.reste(); }
  // The refusal of a record read that is longer than a reader keeps: the
  // fields past its first MiB would be lost. The test comes once a record,
  // the message only with the refusal.
  std::optional<Erreur> refus(const Etat& st) const {
    if (st.disposition || !(csv_ ? csv_->tronque() : plain_.tronque())) return std::nullopt;
    return trop_long(st);
  }

  // Tells `avertissements` of the record split last (a fixed-width record
  // has all the fields of its layout, and is not looked at).
  void signale(const Etat& st, Avertissements& avertissements) const {
    if (st.disposition) return;
    if (csv_) {
      const std::size_t n = csv_->nombre_champs();
      for (std::size_t k = 1; k <= n && k < kLignes; ++k) avertissements.octets(csv_->champ(k));
      avertissements.enregistrement(n, ligne());
    } else {
      // An ASCII record is UTF-8: its look for control characters said so.
      if (!ascii_) avertissements.octets(plain_.brut());
      avertissements.enregistrement(champs_, ligne());
    }
  }
  // Moves the record read into the field rows (a fixed-width read has put
  // it there already).
  void decoupe(Etat& st, Propres& propres) {
    if (st.disposition) {
      propres = 0;  // fixed-width reads fill the rows behind our back
    } else if (csv_) {
      decoupe_csv(st, *csv_, propres);
      // A CSV record is converted field by field, once split.
      if (jeux_.donnees()) {
        for (std::size_t k = 1; k <= std::min<std::size_t>(csv_->nombre_champs(), kLignes - 1);
             ++k) {
          st.champ[k].assign(jeux_.depuis_donnees(st.champ[k].view(), tampon_));
        }
        propres = 0;
      }
    } else {
      champs_ = decoupe_enregistrement(st, plain_.enregistrement(), propres, ascii_);
    }
  }
  // Whether the record read has a field k: a plain record keeps in the rows
  // it leaves out the fields of an earlier one.
  bool a_le_champ(const Etat& st, int k) const {
    if (st.disposition) return k < st.disposition->nbrechamp;
    if (csv_) return csv_->nombre_champs() >= static_cast<std::size_t>(k);
    const std::string_view e = plain_.enregistrement();
    if (!st.delimiteur || st.delimiteur->empty()) return k == 1;
    return std::count(e.begin(), e.end(), st.delimiteur->front()) >= k - 1;
  }
  // A plain record is one line; a fixed-width one counts as one.
  std::size_t ligne() const { return csv_ ? csv_->ligne() : numero_; }

 private:
  // The refusal itself.
  Erreur trop_long(const Etat& st) const {
    return Erreur{"Enregistrement trop long ligne " + std::to_string(ligne()) + " du fichier " +
                  cite(st.inputfile) + " (1 Mio au plus)"};
  }

  Jeux& jeux_;
  std::string tampon_;
  Lecture plain_;
  std::optional<LectureCsv> csv_;
  std::size_t numero_ = 0;
  std::size_t champs_ = 0;  // fields of the plain record split last
  bool ascii_ = false;      // the plain record split last is all ASCII
  bool reste_csv_ = true;   // the CSV input has more records
};

// Where the labels come from: the records of the input file, or (screen mode)
// the typed lines, `totvign` times.
struct Source {
  bool inp_file;
  Enregistrements& enregistrements;
  int totvign;
};

// A code of the settings, its field found.
struct CodeDuPlan {
  std::string cle;  // "code1"
  Code code;
  int champ = 0;
};

// What the labels are made of once the settings are read: the field numbers
// of every line, for a label and for a blank position, and the copies.
struct Plan {
  std::vector<CodeDuPlan> codes;
  Numeros numeros;
  Numeros vides;   // as many parts, each standing for no field
  int blancs = 0;  // positions left blank before the first label
  int copies = 1;
  int colonne = 0;  // the quantity column, or 0
};

// Labels placed across, then down, then page by page.
class Pose {
 public:
  Pose(Etat& st, Rangee& rangee, const Format& p, Impression& impression, const Plan& plan,
       Jeux& jeux, Avertissements* avertissements, const Enregistrements* enregistrements,
       CompteurCodes& compteur)
      : st_(st),
        r_(rangee),
        p_(p),
        impression_(impression),
        plan_(plan),
        jeux_(jeux),
        avertissements_(avertissements),
        enregistrements_(enregistrements),
        compteur_(compteur),
        envoi_(impression.fichier()),
        blancs_(plan.blancs) {}

  // The line of the input of the record whose labels come next.
  void enregistrement(std::size_t ligne) { ligne_ = ligne; }

  // Places one label, after the blank positions still owed (they go only
  // before a label: a run that prints none leaves the sheet untouched).
  // False once a write has failed.
  bool pose(Propres& propres) {
    for (; blancs_ > 0; --blancs_) {
      Propres aucun = 0;
      if (!place(plan_.vides, aucun, false)) return false;
    }
    return place(plan_.numeros, propres, true);
  }

  // After the last label: the row begun, then the end of its page; all of
  // it is written.
  void termine() {
    if (nbvign_ > 0 && !ecrit()) return;
    if (rangs_ > 0) fin_de_page();
    envoi_.vide();
  }

 private:
  bool place(const Numeros& numeros, Propres& propres, bool etiquette) {
    ++nbvign_;
    const std::uint32_t coupees =
        compose_etiquette(st_, r_, p_, numeros, nbvign_, propres, jeux_, debuts_);
    if (coupees != 0 && avertissements_ != nullptr) {
      for (int L = 1; L < kLignes; ++L) {
        if ((coupees >> L & 1u) != 0) avertissements_->coupe(ligne_, L);
      }
    }
    if (etiquette) {
      ++etiquettes_;
      if (!plan_.codes.empty()) place_codes();
    }
    if (nbvign_ < p_.etilar) return true;
    if (!ecrit()) return false;
    // A page ends when a row fills it; with no positive number of rows per
    // page it ends only with the data.
    if (rangs_ == p_.maxetipag) fin_de_page();
    return true;
  }
  // The value of each code of the label just composed: drawn with the row
  // in a drawing, printed as text in its box otherwise.
  void place_codes() {
    for (const CodeDuPlan& c : plan_.codes) {
      const bool present =
          enregistrements_ == nullptr || enregistrements_->a_le_champ(st_, c.champ);
      const std::string_view valeur =
          present ? st_.champ[static_cast<std::size_t>(c.champ)].view() : std::string_view();
      if (impression_.dessinee()) {
        const int colonne = static_cast<int>(debut_etiquette(p_, nbvign_));
        rangee_.push_back({&c, colonne + c.code.colonne, std::string(valeur),
                           enregistrements_ != nullptr ? static_cast<long>(ligne_) : etiquettes_});
        continue;
      }
      // The first label of a line begins with the margin; the text goes in
      // the printer's set, as the label's own.
      const int marge = nbvign_ == 1 ? p_.marge : 0;
      const std::string_view texte =
          jeux_.imprimante() ? jeux_.pour_imprimante(valeur, c.code.largeur) : valeur;
      for (int h = 0; h < c.code.hauteur; ++h) {
        const int L = c.code.ligne + 1 + h;
        recouvre(st_, r_, L, debuts_[static_cast<std::size_t>(L)], marge + c.code.colonne,
                 c.code.largeur, h == 0 ? texte : std::string_view(), jeux_.en_octets());
      }
    }
  }
  bool ecrit() {
    for (const CodeDeRangee& c : rangee_) {
      const Code& code = c.code->code;
      if (!impression_.code(code.type, c.valeur, c.colonne, code.ligne, code.largeur,
                            code.hauteur)) {
        compteur_.echec(c.code->cle, c.enregistrement, c.valeur);
      }
    }
    rangee_.clear();
    ecrit_rangee(r_, p_, envoi_);
    nbvign_ = 0;
    ++rangs_;
    return suite();
  }
  void fin_de_page() {
    rangs_ = 0;
    if (p_.aprpage) envoi_.ajoute(*p_.aprpage);
    suite();
    impression_.fin_de_page();
    if (p_.avtpage) envoi_.ajoute(*p_.avtpage);
    suite();
  }
  // A drawing takes the bytes at once, its codes and pages coming in
  // between, and is asked each time how it goes; a text print file gets
  // them a few KiB at a time, and is looked at after a write. False once a
  // write has failed.
  bool suite() {
    if (impression_.dessinee()) {
      envoi_.vide();
    } else if (envoi_.ecritures() == vues_) {
      return true;
    }
    vues_ = envoi_.ecritures();
    return impression_.verifie().ok();
  }

  Etat& st_;
  Rangee& r_;  // the lines of the row under way
  const Format& p_;
  Impression& impression_;
  const Plan& plan_;
  Jeux& jeux_;
  Avertissements* avertissements_;          // none for typed lines
  const Enregistrements* enregistrements_;  // none for typed lines
  CompteurCodes& compteur_;
  // The codes of the row under way, drawn when it is written.
  struct CodeDeRangee {
    const CodeDuPlan* code;
    int colonne;  // of the box, on the print line
    std::string valeur;
    long enregistrement;
  };
  std::vector<CodeDeRangee> rangee_;
  Envoi envoi_;           // the print file's bytes not written yet; written when the Pose goes
  std::size_t vues_ = 0;  // the writes of envoi_ looked at
  std::array<std::size_t, kLignes> debuts_{};  // where the label composed last begins, by line
  long etiquettes_ = 0;  // labels placed, blank positions left out: typed lines' number
  std::size_t ligne_ = 0;
  int blancs_;
  int nbvign_ = 0;  // labels composed in the current row
  int rangs_ = 0;   // rows written on the current page
};

// The copies of the record in the field rows: its quantity cell when the
// plan names one.
Resultat<int> copies(const Etat& st, const Plan& plan, const Source& source) {
  if (plan.colonne == 0 || !source.inp_file) return source.inp_file ? plan.copies : 1;
  const std::string_view cellule = source.enregistrements.a_le_champ(st, plan.colonne)
                                       ? st.champ[static_cast<std::size_t>(plan.colonne)].view()
                                       : std::string_view();
  if (const auto n = quantite(cellule)) return *n;
  return Erreur{"Quantite invalide ligne " + std::to_string(source.enregistrements.ligne()) +
                " du fichier " + cite(st.inputfile) + " : " + cite(cellule)};
}

// Composes the labels row by row and page by page, from the record already
// read (when there is one), and returns how many were composed.
Resultat<int> imprime_etiquettes(Etat& st, Rangee& rangee, const Format& p, Impression& impression,
                                 Source& source, const Plan& plan, Jeux& jeux, bool etiquettes,
                                 Avertissements& avertissements, CompteurCodes& compteur) {
  for (auto& ligne : rangee.impr) ligne.clear();
  impression.envoie(p.avtpage);
  rangee.lgattr.fill(0);
  Pose pose(st, rangee, p, impression, plan, jeux, source.inp_file ? &avertissements : nullptr,
            source.inp_file ? &source.enregistrements : nullptr, compteur);
  int imprimees = 0;    // labels of the run
  Propres propres = 0;  // field rows known clean
  while (etiquettes) {
    if (source.inp_file) {
      if (auto e = source.enregistrements.refus(st)) return *e;
      source.enregistrements.decoupe(st, propres);
      source.enregistrements.signale(st, avertissements);
      pose.enregistrement(source.enregistrements.ligne());
    }
    const auto n = copies(st, plan, source);
    if (!n) return n.erreur();
    // The count goes back to the callers as an int, and into the settings
    // written with -e: a run that would pass it stops rather than wrap.
    if (*n > INT_MAX - imprimees) {
      return Erreur{"Plus de " + std::to_string(INT_MAX) + " etiquettes ligne " +
                    std::to_string(source.enregistrements.ligne()) + " du fichier " +
                    cite(st.inputfile)};
    }
    for (int i = 0; i < *n; ++i) {
      ++imprimees;
      if (!pose.pose(propres)) return imprimees;
    }
    if (source.inp_file) {
      source.enregistrements.lit(st);
      etiquettes = source.enregistrements.reste();
    } else {
      etiquettes = --source.totvign != 0;
    }
  }
  pose.termine();
  return imprimees;
}

// The field numbers of every line of the presentation, by name too when the
// input has a header row, whose record is read here; the quantity column.
Resultat<Plan> plan_de(Etat& st, const Format& p, const OptionsExecution& o,
                       Enregistrements& enregistrements) {
  Plan plan;
  plan.blancs = o.debut - 1;
  plan.copies = o.copies;
  std::optional<Entete> entete;
  if (o.entete && st.inputfile != kEcran) {
    // Rows the header does not fill hold no name, and no later record finds
    // a name in a field it leaves out.
    for (auto& c : st.champ) c.clear();
    if (enregistrements.lit(st)) {
      if (auto e = enregistrements.refus(st)) return *e;
      Propres propres = 0;
      enregistrements.decoupe(st, propres);
    }
    entete = Entete::des_champs(st);
    for (auto& c : st.champ) c.clear();
  }
  for (int L = 1; L <= lignes_par_rangee(p); ++L) {
    const auto l = static_cast<std::size_t>(L);
    if (entete) {
      auto numeros = numeros_nommes(st.place[l].view(), *entete, "[presentation] " + cle_ligne(L));
      if (!numeros) return numeros.erreur();
      plan.numeros[l] = std::move(*numeros);
    } else {
      plan.numeros[l] = numeros_de_champs(st.place[l].view());
    }
    plan.vides[l].assign(plan.numeros[l].size(), -1);
  }
  if (!o.colonne.empty()) {
    const bool numero = o.colonne[0] >= '0' && o.colonne[0] <= '9';
    if (!numero && !entete) {
      return valeur_invalide("[execution] copies=#" + o.colonne +
                             " (un nom de champ demande [fichiers] entete=oui)");
    }
    const auto k = entete ? numero_de_partie(o.colonne, *entete, "[execution] copies")
                          : Resultat<int>(entier(o.colonne));
    if (!k) return k.erreur();
    plan.colonne = *k;
  }
  for (std::size_t i = 0; i < st.options.codes.size(); ++i) {
    if (!st.options.codes[i]) continue;
    const std::string cle = cle_code(static_cast<int>(i) + 1);
    auto code = lit_code(cle, *st.options.codes[i]);
    if (!code) return code.erreur();
    if (auto dedans = verifie_code(cle, *code, p.maxcareti, lignes_par_rangee(p)); !dedans)
      return dedans.erreur();
    int champ = code->champ;
    if (!code->entete.empty()) {
      if (!entete) {
        return valeur_invalide("[codes] " + cle + "=" + *st.options.codes[i] +
                               " (un nom de champ demande [fichiers] entete=oui)");
      }
      const auto k = numero_de_partie(code->entete, *entete, "[codes] " + cle);
      if (!k) return k.erreur();
      champ = *k;
    }
    plan.codes.push_back({cle, *code, champ});
  }
  return plan;
}

// The highest field a label line names, of those a record can have.
int champ_max(const Plan& plan) {
  int m = 0;
  for (const auto& numeros : plan.numeros) {
    for (const int k : numeros) {
      if (k < kLignes) m = std::max(m, k);
    }
  }
  return m;
}

// A delimiter that begins with a character of several bytes would split the
// records at its first byte, inside characters such as "£" and "°".
Resultat<> verifie_delimiteur(const Etat& st) {
  if (st.disposition || !st.delimiteur || st.delimiteur->empty()) return {};
  if (longueur_utf8(*st.delimiteur) < 2) return {};
  return Erreur{"Delimiteur invalide : " + cite(*st.delimiteur) + " (un caractere ASCII)"};
}

// The settings of the run with jeu_donnees=auto replaced by the set the
// records are in: none when they are UTF-8, else the one uchardet sees in
// their first MiB. The input is read from the start and rewound.
Resultat<Options> jeu_automatique(Etat& st, std::vector<std::string>& remarques) {
  Options o = st.options;
  if (o.jeu_donnees != "auto") return o;
  o.jeu_donnees.reset();
  if (st.inputfile == kEcran) return o;
  if (st.inputfile == kEntreeStandard) {
    return Erreur{"jeu_donnees=auto demande un fichier de donnees, pas l'entree standard"};
  }
  std::string debut(std::size_t{1} << 20, '\0');
  debut.resize(std::fread(debut.data(), 1, debut.size(), st.pinput.get()));
  std::rewind(st.pinput.get());
  // A full sample may end inside a character.
  const std::size_t bout = debut.size() == std::size_t{1} << 20 ? 3 : 0;
  if (octets_hors_utf8(std::string_view(debut).substr(0, debut.size() - bout)) == 0) {
    remarques.push_back("jeu_donnees=auto : " + cite(st.inputfile) + " est en UTF-8");
    return o;
  }
  const auto jeu = devine_jeu(debut);
  if (!jeu) {
    return Erreur{"jeu_donnees=auto : jeu de caracteres de " + cite(st.inputfile) + " introuvable"};
  }
  remarques.push_back("jeu_donnees=auto : " + *jeu + " pour " + cite(st.inputfile));
  o.jeu_donnees = *jeu;
  return o;
}

}  // namespace

Resultat<int> execution(Etat& st, Suivi& suivi) {
  if (st.FORMAT < 0 || st.FORMAT >= kSlots) return Erreur{"Format a definir ..."};
  const Format& p = format_de(st, st.FORMAT);
  if (auto verifie = verifie_run(st, p); !verifie) return verifie.erreur();
  const auto options = lire_options_execution(st.options, p);
  if (!options) return options.erreur();
  if (auto verifie = verifie_presentation(st, p); !verifie) return verifie.erreur();
  if (auto verifie = verifie_delimiteur(st); !verifie) return verifie.erreur();
  std::vector<std::string> remarques;
  const auto reglees = jeu_automatique(st, remarques);
  if (!reglees) return reglees.erreur();
  auto jeux = prepare_jeux(*reglees);
  if (!jeux) return jeux.erreur();
  Enregistrements enregistrements(st, options->guillemets, *jeux);
  Source source{st.inputfile != kEcran, enregistrements, 0};
  const auto plan = plan_de(st, p, *options, enregistrements);
  if (!plan) return plan.erreur();
  const bool delimite = !st.disposition && st.delimiteur && !st.delimiteur->empty();
  Avertissements avertissements(st.inputfile, !jeux->donnees(),
                                delimite ? st.delimiteur->front() : '\0', champ_max(*plan));

  Impression impression(st);
  if (auto ouverte = impression.ouvre(p); !ouverte) return ouverte.erreur();
  const bool dessinee = impression.dessinee();
  // A file that holds no record at all gives no label, only the empty pages.
  bool etiquettes = true;
  if (source.inp_file) {
    etiquettes = enregistrements.lit(st);
  } else {
    source.totvign = suivi.nombre();
  }
  suivi.attente();

  // The lines of a row: a run's own, too large for the stack of every caller.
  pages_de_cadrage(p, impression);
  const auto rangee = std::make_unique<Rangee>();
  CompteurCodes compteur;
  const auto imprimees = imprime_etiquettes(st, *rangee, p, impression, source, *plan, *jeux,
                                            etiquettes, avertissements, compteur);
  if (!imprimees) return imprimees.erreur();
  // A read that failed (a disk error, a directory named as input) is no end
  // of the data: the labels after it are missing, and the run says so.
  if (source.inp_file && std::ferror(st.pinput.get()) != 0) {
    return Erreur{avec_raison("Erreur lecture fichier entree", st.inputfile)};
  }
  // The page end once more, which also ejects the last sheet; a form feed
  // when the format has no page end.
  if (p.aprpage) {
    impression.envoie(p.aprpage);
  } else {
    std::putc('\f', impression.fichier());
  }
  impression.fin_de_page();
  if (auto fermee = impression.ferme(); !fermee) return fermee.erreur();
  suivi.fin(*imprimees);
  if (const auto bilan = jeux->bilan()) suivi.remarque(*bilan);
  if (const auto& police = impression.remarque()) suivi.remarque(*police);
  for (const std::string& r : remarques) suivi.remarque(r);
  for (const std::string& r : avertissements.lignes()) suivi.remarque(r);
  if (!plan->codes.empty() && !dessinee)
    suivi.remarque("Sortie texte : les codes sont imprimes en clair dans leur case");
  if (const auto a = compteur.avertissement()) suivi.remarque(*a);
  return *imprimees;
}

}  // namespace vign
