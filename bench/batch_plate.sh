#!/usr/bin/env bash
# Wall time of actinfit-batch on a plate of 96 traces of the default data's size (1201 points):
# a series of 10 runs of 100 draws + 100 iterations per trace, with -j 1 and -j 2.
# Usage: bash bench/batch_plate.sh build/release/src/batch/actinfit-batch [SCRATCH_DIR]
set -euo pipefail
program=$1
scratch=${2:-$(mktemp -d)}
data="$(dirname "$0")/../src/app/resources/data"

# The default readings, each well scaled a little differently so that no two fits are alike.
plate=$scratch/plate96.tsv
paste <(tr -d '\t' <"$data/default_time.txt") <(tr -d '\t' <"$data/default_data.txt") |
  awk -F'\t' 'NR == 1 { printf "time"; for (w = 1; w <= 96; ++w) printf "\tW%d", w; print "" }
              { printf "%s", $1; for (w = 1; w <= 96; ++w) printf "\t%.5g", $2 * (0.9 + w / 480); print "" }' \
  >"$plate"

series=(--method series --runs 10 --draws 100 --iterations 100)
# Wall and processor time of each run; on a busy machine the processor time shows what the
# program itself needed.
declare -A seconds
TIMEFORMAT='%R %U %S'
for jobs in 1 2; do
  read -r wall user sys < <({ time "$program" "${series[@]}" -j "$jobs" "$plate" \
    >"$scratch/out$jobs.tsv" 2>"$scratch/err$jobs.txt"; } 2>&1)
  seconds[$jobs]=$wall
  awk -v j="$jobs" -v w="$wall" -v u="$user" -v s="$sys" \
    'BEGIN { printf "-j %d: %.1f s wall, %.1f s processor\n", j, w, u + s }'
done
cmp -s "$scratch/out1.tsv" "$scratch/out2.tsv" && echo "outputs identical" || echo "OUTPUTS DIFFER"
awk -v a="${seconds[1]}" -v b="${seconds[2]}" 'BEGIN { printf "speed-up: %.2f\n", a / b }'
