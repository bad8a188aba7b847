#!/usr/bin/env bash
# Label printing speed, measured against the tools a user could reach for.
#
#   bench/bench.sh [N]        N labels (default 1000000)
#
# Generates N address records (five fields, seeded: the same file every time),
# prints them three across, four lines per label, with margin and gaps, in a
# batch run, and prints labels per second, output MB/s and peak resident
# memory; then the same labels from addresses with French accents (UTF-8),
# and their time as a ratio to the first. Then it times GNU pr laying out the
# same labels three across (its input, one line per label line, is prepared
# beforehand and not timed) and cat writing an output of the same size, the floor any program that writes
# that much pays, and shows each as a ratio to vign. Last, 10,000 labels into
# a PDF, then with a QR code each for 10,000, 20,000 and 40,000 labels, and
# 40,000 on a sheet with no page length: time and peak memory.
# Builds build-bench/ (optimised, no tests) from the source tree first.
set -euo pipefail

n=${1:-1000000}
racine=$(cd "$(dirname "$0")/.." && pwd)
construction=$racine/build-bench
cmake -S "$racine" -B "$construction" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIGN_TESTS=OFF >/dev/null
cmake --build "$construction" --target vign -j2 >/dev/null
vign=$construction/vign

travail=$(mktemp -d /tmp/vign-bench-XXXXXX)
trap 'rm -rf "$travail"' EXIT
cd "$travail"

# Records "name;street;postcode;city;country" from a Park-Miller generator:
# integer arithmetic that every awk computes exactly, so the file does not
# depend on the awk at hand. With accents=1 the same draws pick names,
# streets and cities spelt as in French (UTF-8).
adresses() {
  LC_ALL=C awk -v n="$n" -v accents="$1" 'BEGIN {
    graine = 20240102
    if (accents) {
      split("Marie Jérôme Pierre Michèle Anne Hélène Nathalie Françoise Aurélien Sylvie Noël Cécile " \
            "Christophe Françoise Léa Monique Stéphane Valérie Thérèse Gaëlle", prenoms)
      split("Martin Bérard Dubois Thomas Lefèvre Richard Petit Durand Leroy Moreau Müller Laurent " \
            "Lefébure Michel García Desprès Bertrand Rouxel Vincent Fournier Morel Girard André Mercier", noms)
      split("rue|avenue|boulevard|chemin|place|impasse|allée|quai", voies, "|")
      split("des Lilas|Victor Hugo|de la Gare|du Moulin|Jean Jaurès|des Écoles|de la Mairie|" \
            "Pasteur|du Château|de la République|des Tilleuls|Saint-Exupéry|du Marché|de Verdun", lieux, "|")
      split("PARIS|LYON|MARSEILLE|TOULOUSE|NANTES|STRASBOURG|MONTPELLIER|BORDEAUX|LILLE|RENNES|" \
            "REIMS|TOULON|GRENOBLE|DIJON|ANGERS|NÎMES|CLERMONT-FERRAND|LE MANS|AIX-EN-PROVENCE|BREST", villes, "|")
    } else {
      split("Marie Jean Pierre Michel Anne Philippe Nathalie Isabelle Alain Sylvie Nicolas Catherine " \
            "Christophe Francoise Laurent Monique Stephane Valerie Olivier Sandrine", prenoms)
      split("Martin Bernard Dubois Thomas Robert Richard Petit Durand Leroy Moreau Simon Laurent " \
            "Lefebvre Michel Garcia David Bertrand Roux Vincent Fournier Morel Girard Andre Mercier", noms)
      split("rue|avenue|boulevard|chemin|place|impasse|allee|quai", voies, "|")
      split("des Lilas|Victor Hugo|de la Gare|du Moulin|Jean Jaures|des Ecoles|de la Mairie|" \
            "Pasteur|du Chateau|de la Republique|des Tilleuls|Saint-Martin|du Marche|de Verdun", lieux, "|")
      split("PARIS|LYON|MARSEILLE|TOULOUSE|NANTES|STRASBOURG|MONTPELLIER|BORDEAUX|LILLE|RENNES|" \
            "REIMS|TOULON|GRENOBLE|DIJON|ANGERS|NIMES|CLERMONT-FERRAND|LE MANS|AIX-EN-PROVENCE|BREST", villes, "|")
    }
    for (i = 0; i < n; i++) {
      printf "%s %s;%d %s %s;%05d;%s;FRANCE\n",
        prenoms[tirage(20)], noms[tirage(24)], tirage(250), voies[tirage(8)], lieux[tirage(14)],
        1000 + tirage(94000), villes[tirage(20)]
    }
  }
  function tirage(k) { graine = (graine * 16807) % 2147483647; return 1 + graine % k }'
}
adresses 0 >adresses.txt
adresses 1 >accents.txt

cat >bench.ini <<'EOF'
[format]
libelle=Banc d'essai 3x4
nbre_en_largeur=3
nbre_caracteres=30
nbre_lignes=4
marge=2
espace_horizontal=3
espace_vertical=2
nbre_rangee_par_page=8
nbre_page_cadrage=1
init_debut_page=\027E
init_fin_page=\012

[fichiers]
donnees=adresses.txt
delimiteur=;
etiquettes=etiquettes.prn

[presentation]
ligne01=1
ligne02=2
ligne03=3+4
ligne04=5
EOF

# The same labels for pr: four lines each, in file order.
awk -F';' '{ print $1; print $2; print $3 " " $4; print $5 }' adresses.txt >pr-entree.txt

# Runs a command under GNU time; sets reel (wall seconds), cpu (user + system
# seconds) and rss (peak resident memory, kB).
mesure() {
  /usr/bin/time -f '%e %U %S %M' -o temps.txt "$@"
  read -r reel u s rss <temps.txt
  cpu=$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }')
}

sync
mesure "$vign" -l bench.ini
v_reel=$reel v_cpu=$cpu v_rss=$rss
octets=$(stat -c %s etiquettes.prn)

# The same labels from the accented addresses, measured in columns.
sed -e 's/^donnees=adresses.txt/donnees=accents.txt/' -e 's/^etiquettes=etiquettes.prn/etiquettes=accents.prn/' \
  bench.ini >accents.ini
mesure "$vign" -l accents.ini
a_reel=$reel a_cpu=$cpu

mesure sh -c 'pr -3 -t -l 4 -w 96 -o 2 -i" "1 pr-entree.txt >pr.prn'
p_reel=$reel p_cpu=$cpu

# cat copies a file into a file inside the kernel (copy_file_range); from a
# pipe it writes every byte itself, as a program that composes its output does.
mesure sh -c 'cat etiquettes.prn >copie.prn'
c_reel=$reel
mesure sh -c 'cat etiquettes.prn | cat >copie.prn'
t_reel=$reel

awk -v n="$n" -v o="$octets" -v po="$(stat -c %s pr.prn)" \
    -v vr="$v_reel" -v vc="$v_cpu" -v rss="$v_rss" -v pr="$p_reel" -v pc="$p_cpu" \
    -v cr="$c_reel" -v tr="$t_reel" -v ar="$a_reel" -v ac="$a_cpu" 'BEGIN {
  printf "vign           : %d etiquettes, %.1f Mo en %.2f s (processeur %.2f s)\n", n, o / 1e6, vr, vc
  printf "                 %.0f etiquettes/s, %.0f Mo/s, memoire max %.1f Mo\n", n / vr, o / 1e6 / vr, rss / 1024
  printf "vign accents   : %.2f s (processeur %.2f s) : %.2f fois le temps sans accents\n", ar, ac, ar / vr
  printf "pr -3          : %.2f s (processeur %.2f s, %.1f Mo) : vign %.1f fois plus rapide (%.1f en processeur)\n", pr, pc, po / 1e6, pr / vr, pc / vc
  printf "cat fichier    : %.2f s : vign a %.1f fois ce temps\n", cr, vr / cr
  printf "cat d un tube  : %.2f s : vign a %.1f fois ce temps\n", tr, vr / tr
}'

# 10,000 labels drawn into a PDF, 3 x 8 on A4 (the settings of examples/a4.ini),
# when the build has the PDF output: time, pages and peak memory, which must
# not grow with the number of labels.
head -n 10000 accents.txt >pdf.txt
sed -e 's/^donnees=.*/donnees=pdf.txt/' -e 's/^etiquettes=.*/etiquettes=planche.pdf/' \
  "$racine/examples/a4.ini" >pdf.ini
if mesure "$vign" -l pdf.ini 2>/dev/null && [ -s planche.pdf ]; then
  pages=$(command -v pdfinfo >/dev/null && pdfinfo planche.pdf | awk '/^Pages:/ {print $2}' || echo "?")
  printf "PDF A4 3x8     : 10000 etiquettes, %s pages en %.2f s, memoire max %.1f Mo\n" \
    "$pages" "$reel" "$(awk -v k="$rss" 'BEGIN {print k / 1024}')"
  p_reel=$reel

  # The same labels, each with a QR code of its name over the right of the
  # label, then two and four times as many: the memory must stay bounded.
  printf '\n[codes]\ncode1=qr 1 18 0 9 6\n' >>pdf.ini
  mesure "$vign" -l pdf.ini 2>/dev/null
  q_reel=$reel q_cpu=$cpu q_rss=$rss
  printf "PDF codes QR   : 10000 etiquettes en %.2f s (processeur %.2f s) : %.2f fois le PDF sans code\n" \
    "$q_reel" "$q_cpu" "$(awk -v q="$q_reel" -v p="$p_reel" 'BEGIN {print q / p}')"
  printf "                 memoire max %.1f Mo\n" "$(awk -v k="$q_rss" 'BEGIN {print k / 1024}')"
  for fois in 2 4; do
    for _ in $(seq "$fois"); do head -n 10000 accents.txt; done >pdf.txt
    mesure "$vign" -l pdf.ini 2>/dev/null
    printf "                 %d etiquettes : %.2f s, memoire max %.1f Mo\n" \
      "$((fois * 10000))" "$reel" "$(awk -v k="$rss" 'BEGIN {print k / 1024}')"
  done
  # A sheet with no page length has one page that ends with the run: its
  # memory must not grow with it either.
  sed -i 's/^nbre_rangee_par_page=.*/nbre_rangee_par_page=0/' pdf.ini
  mesure "$vign" -l pdf.ini 2>/dev/null
  printf "                 sans longueur de page, 40000 etiquettes : %.2f s, memoire max %.1f Mo\n" \
    "$reel" "$(awk -v k="$rss" 'BEGIN {print k / 1024}')"
else
  echo "PDF A4 3x8     : sortie PDF absente de cette construction"
fi
