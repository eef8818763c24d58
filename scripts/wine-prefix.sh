#!/usr/bin/env bash
# Makes a Wine prefix ready for Tarvel's tests: wine-prefix.sh [--fresh] PREFIX
#
# The first call builds a template prefix (build/wine-template, about 6 s); every prefix is
# then a plain copy of it (cp -a, about 1.5 s). Never hard links: Wine rewrites *.reg in place.
# --fresh replaces PREFIX by a new copy, but only if this script made PREFIX.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
template=${TARVEL_WINE_TEMPLATE:-$root/build/wine-template}
marker=.tarvel-prefix
# Raise when the recipe below changes: older templates are then made again.
template_version=2
wine_fonts=/usr/share/wine/fonts

fresh=0
if [ "${1:-}" = "--fresh" ]; then
  fresh=1
  shift
fi
if [ $# -ne 1 ]; then
  echo "usage: $0 [--fresh] PREFIX" >&2
  exit 2
fi
prefix=$1
case $prefix in /*) ;; *) prefix=$PWD/$prefix ;; esac

make_template() {
  mkdir -p "$(dirname "$template")"
  exec 8>"$template.lock"
  flock 8
  if [ "$(cat "$template/$marker" 2>/dev/null)" = "$template_version" ]; then
    exec 8>&-
    return
  fi
  echo "wine-prefix: making the template prefix $template" >&2
  local tmp="$template.new.$$"
  rm -rf "$tmp" "$template"
  (
    export WINEPREFIX=$tmp WINEDEBUG=-all
    # No Mono or Gecko installer dialogs, no menu entries on the host.
    WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" wine wineboot -u
    wineserver -w
    # - No debugger on a crash: Wine's winedbg prints a backtrace but then sometimes ends the
    #   crashed program with exit code 0, and a crashing test would pass. Without one the
    #   program ends with its exception code (page fault: 5) every time.
    # - Wine draws window frames itself: the test display has no window manager, and managed
    #   windows would lack frames and wait 2 s for one each time they are hidden or destroyed.
    cat >"$tmp/drive_c/tarvel-prefix.reg" <<'REG'
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\AeDebug]
"Debugger"="none"
"Auto"="1"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
REG
    wine regedit /S 'C:\tarvel-prefix.reg'
    wineserver -w
    rm "$tmp/drive_c/tarvel-prefix.reg"
  )
  # Wine does not find its own fonts here; without them captions and text metrics differ.
  local fonts="$tmp/drive_c/windows/Fonts"
  mkdir -p "$fonts"
  cp "$wine_fonts"/tahoma*.ttf "$wine_fonts"/marlett.ttf "$wine_fonts"/symbol.ttf \
     "$wine_fonts"/wingding.ttf "$fonts"/
  echo "$template_version" >"$tmp/$marker"
  mv "$tmp" "$template"
  exec 8>&-
}

mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ "$fresh" = 1 ] && [ -e "$prefix" ]; then
  if [ ! -f "$prefix/$marker" ]; then
    echo "wine-prefix: $prefix was not made by this script; not replacing it" >&2
    exit 1
  fi
  rm -rf "$prefix"
fi
if [ ! -e "$prefix" ]; then
  make_template
  rm -rf "$prefix.new"
  cp -a "$template" "$prefix.new"
  mv "$prefix.new" "$prefix"
fi
