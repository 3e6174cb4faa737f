#!/usr/bin/env bash
# Runs every fuzz target (or those named) for the given number of seconds each, with libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer. New interesting inputs go into
# fuzz/corpus/<target>; a crashing input is written to build/fuzz/artifacts/<target>/ and
# should be copied into the corpus as a regression input once fixed.
#   bash scripts/fuzz.sh 600                  # ten minutes each
#   bash scripts/fuzz.sh 60 parse_real        # one target
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(parse_real parse_integer format_roundtrip columns_evaluate)

bash scripts/install-deps.sh
CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DACTINFIT_FUZZ=ON -DACTINFIT_BUILD_APP=OFF -DACTINFIT_BUILD_BENCH=OFF
cmake --build build/fuzz -j"$(nproc)" --target $(printf '%s_fuzzer ' "${targets[@]}")

export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
for target in "${targets[@]}"; do
  artifacts="build/fuzz/artifacts/$target/"
  mkdir -p "$artifacts" "fuzz/corpus/$target"
  echo "== $target for ${seconds}s"
  "build/fuzz/fuzz/${target}_fuzzer" "fuzz/corpus/$target" -max_total_time="$seconds" \
    -timeout=10 -rss_limit_mb=4096 -max_len=4096 -artifact_prefix="$artifacts" \
    -print_final_stats=1 2>&1 | tee "build/fuzz/$target.log" | grep -E '^#[0-9]+ +(DONE|INITED)|cov:|stat::|ERROR|SUMMARY' | tail -8
done
