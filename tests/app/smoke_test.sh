#!/usr/bin/env bash
# Starts the real program on a virtual X display, waits for its window, takes a screenshot and
# checks that it shows something, then presses the exit button. The program must end with 0.
# Usage: smoke_test.sh PROGRAM OUTPUT_DIR
set -euo pipefail

program=$1
out=$2
title="Fitting of Pyrene-Actin experimental results"

if [ "${SMOKE_INNER:-}" != 1 ]; then
  mkdir -p "$out"
  SMOKE_INNER=1 exec xvfb-run -a -s "-screen 0 1024x700x24" bash "$0" "$program" "$out"
fi

unset QT_QPA_PLATFORM
"$program" >"$out/program.log" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

wid=$(timeout 30 xdotool search --sync --onlyvisible --name "$title" | head -n 1)
[ -n "$wid" ] || { echo "no window titled '$title'"; exit 1; }
sleep 1  # let the first paint finish

import -window "$wid" "$out/window.png"
colours=$(identify -format '%k' "$out/window.png")
deviation=$(convert "$out/window.png" -colorspace Gray -format '%[fx:standard_deviation]' info:)
echo "screenshot: $out/window.png, $colours colours, grey deviation $deviation"
if [ "$colours" -lt 16 ] || awk -v d="$deviation" 'BEGIN { exit !(d < 0.05) }'; then
  echo "the window looks blank"
  exit 1
fi

# The exit button is the last one on the tool bar, at the right end of its row; the tool bar
# lies below the menu bar, 20 pixels high.
menu_bar=20
xdotool mousemove --window "$wid" 799 $((menu_bar + 16)) click 1

for _ in $(seq 1 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "the program did not end after the exit button"
  exit 1
fi
trap - EXIT
set +e
wait "$pid"
code=$?
set -e
echo "exit code $code"
[ "$code" -eq 0 ]
