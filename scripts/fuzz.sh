#!/usr/bin/env bash
# Runs every fuzz target (or those named) for the given number of seconds each, with libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer. The run's inputs collect in
# build/fuzz/corpus/<target>; at the end those that add coverage are merged into the saved
# corpus fuzz/corpus/<target>, which the test suite replays. A crashing input is written to
# build/fuzz/artifacts/<target>/ and belongs in the saved corpus once it is fixed.
#   bash scripts/fuzz.sh 600                  # ten minutes each
#   bash scripts/fuzz.sh 60 parse_real        # one target
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(parse_real parse_integer format_roundtrip columns_evaluate datafile)

bash scripts/install-deps.sh
CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DACTINFIT_FUZZ=ON -DACTINFIT_BUILD_APP=OFF -DACTINFIT_BUILD_BENCH=OFF
cmake --build build/fuzz -j"$(nproc)" --target $(printf '%s_fuzzer ' "${targets[@]}")

export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
for target in "${targets[@]}"; do
  artifacts="build/fuzz/artifacts/$target/"
  work="build/fuzz/corpus/$target"
  mkdir -p "$artifacts" "$work" "fuzz/corpus/$target"
  echo "== $target for ${seconds}s"
  "build/fuzz/fuzz/${target}_fuzzer" "$work" "fuzz/corpus/$target" -max_total_time="$seconds" \
    -timeout=10 -rss_limit_mb=4096 -max_len=4096 -artifact_prefix="$artifacts" \
    -print_final_stats=1 >"build/fuzz/$target.log" 2>&1 ||
    echo "FINDING in $target: see build/fuzz/$target.log and $artifacts"
  grep -E '^#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::new_units_added|SUMMARY' \
    "build/fuzz/$target.log" || true
  # Keep the smallest set of inputs that covers what the saved corpus and this run reached.
  minimal="build/fuzz/minimal/$target"
  rm -rf "$minimal" && mkdir -p "$minimal"
  "build/fuzz/fuzz/${target}_fuzzer" -merge=1 "$minimal" "fuzz/corpus/$target" "$work" \
    >"build/fuzz/$target.merge.log" 2>&1
  rm -rf "fuzz/corpus/$target" && cp -r "$minimal" "fuzz/corpus/$target"
  echo "saved corpus: $(ls "fuzz/corpus/$target" | wc -l) inputs"
done
