#!/usr/bin/env bash
# Builds actinfit in Release and starts it on its default data set.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build/release -j"$(nproc)"

program=build/release/src/app/actinfit
if [ ! -x "$program" ]; then
  echo "Built the numeric core and its tests; the window is not part of this build yet."
  exit 0
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: run it under Xvfb with 'xvfb-run -a $program' (or set DISPLAY)."
  exit 1
fi
exec "$program"
