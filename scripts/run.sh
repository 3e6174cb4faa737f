#!/usr/bin/env bash
# Builds actinfit in Release and starts it on its default data set.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
# The program alone: the tests and benchmarks are the test command's business.
cmake --build build/release -j"$(nproc)" --target actinfit

program=build/release/src/app/actinfit
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: run it under Xvfb with 'xvfb-run -a $program' (or set DISPLAY)."
  exit 1
fi
exec "$program"
