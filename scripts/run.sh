#!/usr/bin/env bash
# Builds Tarvel for Windows and starts it under Wine.
#
# With a DISPLAY, Tarvel opens there and the script waits until it is closed. Without one it runs
# on a virtual display for TARVEL_RUN_SECONDS (default 20) and is then closed. Either way a
# screenshot is taken after a few seconds: build/screenshot.png.
#
# Tarvel keeps its settings in its own Wine prefix, build/wine-app (or $WINEPREFIX).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target tarvel

exe=build/windows/app/tarvel.exe
if [ ! -f "$exe" ]; then
  exe=$(find build/windows -name tarvel.exe -not -path '*/wineprefix/*' -print -quit)
fi
if [ -z "$exe" ] || [ ! -f "$exe" ]; then
  echo "run: tarvel.exe was not built" >&2
  exit 1
fi

export WINEPREFIX="${WINEPREFIX:-$root/build/wine-app}"
virtual=1
if [ -n "${DISPLAY:-}" ]; then
  virtual=0
  export TARVEL_USE_DISPLAY=1
fi
source scripts/wine-env.sh
export WINEDEBUG="${TARVEL_WINEDEBUG:--all}"

echo "run: starting $exe on $DISPLAY"
wine "$exe" "$@" &
tarvel_pid=$!

sleep "${TARVEL_SCREENSHOT_DELAY:-5}"
if import -window root build/screenshot.png; then
  echo "run: screenshot in build/screenshot.png"
fi

if [ "$virtual" = 0 ]; then
  wait "$tarvel_pid" || true
  exit 0
fi

# On the virtual display nobody can close it: give it its time, then ask it to close.
sleep "${TARVEL_RUN_SECONDS:-20}" &
sleep_pid=$!
wait -n "$tarvel_pid" "$sleep_pid" || true
kill "$sleep_pid" 2>/dev/null || true
if kill -0 "$tarvel_pid" 2>/dev/null; then
  wine taskkill /im tarvel.exe >/dev/null 2>&1 || true
  for _ in $(seq 50); do
    kill -0 "$tarvel_pid" 2>/dev/null || break
    sleep 0.1
  done
fi
if kill -0 "$tarvel_pid" 2>/dev/null; then
  echo "run: tarvel.exe did not close; ending it" >&2
  wineserver -k || true
fi
wait "$tarvel_pid" 2>/dev/null || true
