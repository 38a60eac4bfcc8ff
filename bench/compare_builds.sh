#!/bin/sh
# Two builds' vesko-bench by turns in one session (A, B, A, B ...), for telling whether a
# change made the copy phase or the whole export slower. The machine's load moves both
# sides alike only when they alternate, so each side's pairs are pooled over its turns and
# the medians of the pooled pairs are compared. Before each turn the disks are synced and
# SETTLE seconds (30) go by: on ext4 the previous turn's deletions make new files slow for a
# while, which would weigh on whichever side comes next.
#
#   compare_builds.sh A-BENCH B-BENCH TURNS [vesko-bench options ...]
#   e.g. compare_builds.sh old/vesko-bench new/vesko-bench 4 --changed 1,10 --no-import \
#            --memory-files 0
#
# Prints, per share changed and per measure, each side's median time, its peer's, the median
# of the pairs' ratios, and B against A (the medians of the times, and of the ratios). Every
# turn's whole output is kept in the folder it names.
set -eu
[ $# -ge 3 ] || { sed -n '2,16s/^# \{0,1\}//p' "$0"; exit 2; }
a=$1 b=$2 turns=$3
shift 3
logs=$(mktemp -d "${TMPDIR:-/tmp}/vesko-compare-XXXXXX")
echo "logs: $logs"

turn=1
while [ "$turn" -le "$turns" ]; do
    for side in A B; do
        if [ "$side" = A ]; then bench=$a; else bench=$b; fi
        log="$logs/$turn-$side.txt"
        sync
        sleep "${SETTLE:-30}"
        echo "turn $turn, $side: $bench (load $(cut -d' ' -f1-3 /proc/loadavg))"
        "$bench" "$@" >"$log" 2>"$log.err" || { echo "$side failed, see $log.err"; exit 1; }
        awk -F' *[|] *' '/^[|] [0-9.]+% / { print "    " $2 " changed, same files: " $9 }' "$log"
    done
    turn=$((turn + 1))
done

# One line per pair: side, share, measure, ours, theirs, from lines such as
# "1% changed (200 files), copy phase ms, vesko/find|cpio: 134/273 109/209".
for f in "$logs"/*-[AB].txt; do
    side=${f##*-}
    side=${side%.txt}
    awk -v side="$side" '
        / copy phase ms, | whole export ms, / {
            measure = index($0, "copy phase ms") ? "copy phase" : "whole export"
            share = $1
            sub(/.*: /, "")
            for (i = 1; i <= NF; ++i) {
                split($i, t, "/")
                print side "\t" share "\t" measure "\t" t[1] "\t" t[2]
            }
        }' "$f"
done >"$logs/pairs.tsv"

median() { sort -g | awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

printf '\n| changed | measure | A | A peer | A ratio | B | B peer | B ratio | B/A time | B/A ratio | pairs |\n'
printf '|---|---|---|---|---|---|---|---|---|---|---|\n'
cut -f2,3 "$logs/pairs.tsv" | sort -u | sort -g | while IFS="$(printf '\t')" read -r share measure; do
    rows() { awk -F'\t' -v s="$1" -v p="$share" -v m="$measure" '$1 == s && $2 == p && $3 == m' "$logs/pairs.tsv"; }
    for side in A B; do
        eval "${side}t=\$(rows $side | cut -f4 | median)"
        eval "${side}p=\$(rows $side | cut -f5 | median)"
        eval "${side}r=\$(rows $side | awk -F'\t' '{ print \$4 / \$5 }' | median)"
        eval "${side}n=\$(rows $side | wc -l)"
    done
    awk -v share="$share" -v m="$measure" -v at="$At" -v ap="$Ap" -v ar="$Ar" -v bt="$Bt" \
        -v bp="$Bp" -v br="$Br" -v an="$An" -v bn="$Bn" 'BEGIN {
        printf "| %s | %s | %.0f ms | %.0f ms | %.3f | %.0f ms | %.0f ms | %.3f | %.3f | %.3f | %d + %d |\n",
            share, m, at, ap, ar, bt, bp, br, bt / at, br / ar, an, bn
    }'
done
