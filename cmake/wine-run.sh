#!/usr/bin/env bash
# Runs a Windows program under Wine with the exit code passed through.
# CMake uses it as CMAKE_CROSSCOMPILING_EMULATOR: "wine-run.sh prog.exe args...".
#
# WINEPREFIX comes from the environment; without one, the build's own prefix
# build/windows/wineprefix is used, made from the template when missing.
# GUI programs need DISPLAY: run ctest inside scripts/wine-env.sh, which starts
# an Xvfb and exports both.
set -eu
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

# Now and then Wine gives up on a process before it has loaded it: it ends with a failure status
# within a few milliseconds, having printed nothing. Even the smallest program takes Wine about
# 10 ms to run here, so a failure that quick is Wine's own and the program is started once more.
# A program that fails by itself fails again the same way, so nothing is hidden.
quick_us=${TARVEL_WINE_QUICK_US:-5000}
# The decimal point of EPOCHREALTIME follows the locale: keep the digits only.
microseconds() { echo $((10#${EPOCHREALTIME//[!0-9]/})); }

start=$(microseconds)
status=0
wine "$@" || status=$?
elapsed=$(($(microseconds) - start))
if [ "$status" -ne 0 ] && [ "$elapsed" -lt "$quick_us" ]; then
  echo "wine-run: Wine ended with status $status after ${elapsed} us without running $1;" \
    "starting it once more" >&2
  exec wine "$@"
fi
exit "$status"
