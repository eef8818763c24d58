#!/bin/sh
# Runs a Windows program under Wine with the exit code passed through.
# CMake uses it as CMAKE_CROSSCOMPILING_EMULATOR: "wine-run.sh prog.exe args...".
#
# WINEPREFIX comes from the environment; without one, the build's own prefix
# build/windows/wineprefix is used, made from the template when missing.
# GUI programs need DISPLAY: run ctest inside scripts/wine-env.sh, which starts
# an Xvfb and exports both.
set -e
if [ -z "${WINEPREFIX:-}" ]; then
  root=$(cd "$(dirname "$0")/.." && pwd)
  WINEPREFIX=$root/build/windows/wineprefix
  if [ ! -d "$WINEPREFIX" ]; then
    "$root/scripts/wine-prefix.sh" "$WINEPREFIX" >&2
  fi
fi
export WINEPREFIX
# Quiet by default; TARVEL_WINEDEBUG=+relay (say) to look inside.
export WINEDEBUG="${TARVEL_WINEDEBUG:--all}"
exec wine "$@"
