# Sets up Wine for one run of Windows programs; source it from bash:
#
#   source scripts/wine-env.sh
#
# Afterwards DISPLAY points at an Xvfb of its own and WINEPREFIX at a ready prefix, both exported,
# so ctest, wine-run.sh and wine itself all share one desktop and one wineserver. An EXIT trap
# (tarvel_wine_env_cleanup) lets the wineserver finish and stops the Xvfb again. One idle Windows
# process (cmd /c pause) keeps the wineserver up meanwhile: inside the run, read the registry
# with `wine reg query`, never wait for the wineserver (`wineserver -w` would wait for the end).
#
# Settings, from the environment:
#   WINEPREFIX           prefix to use (default build/windows/wineprefix; made when missing)
#   TARVEL_FRESH_PREFIX  1: start from a fresh copy of the template prefix
#   TARVEL_USE_DISPLAY   1: use the current DISPLAY instead of starting an Xvfb
#   TARVEL_SCREEN        Xvfb screen (default 1280x1024x24)
#   TARVEL_WINEDEBUG     Wine's debug channels (default -all), exported as WINEDEBUG

tarvel_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
tarvel_xvfb_pid=
tarvel_keeper_pid=
tarvel_keeper_fifo=

tarvel_wine_env_cleanup() {
  if [ -n "$tarvel_keeper_pid" ]; then
    kill "$tarvel_keeper_pid" 2>/dev/null || true
    tarvel_keeper_pid=
  fi
  if [ -n "$tarvel_keeper_fifo" ]; then
    rm -f "$tarvel_keeper_fifo"
    tarvel_keeper_fifo=
  fi
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    # Let Wine write its registry files; end whatever a run left behind.
    timeout 20 wineserver -w 2>/dev/null || wineserver -k 2>/dev/null || true
  fi
  if [ -n "$tarvel_xvfb_pid" ]; then
    kill "$tarvel_xvfb_pid" 2>/dev/null || true
    local tries=0
    while kill -0 "$tarvel_xvfb_pid" 2>/dev/null && [ "$tries" -lt 50 ]; do
      sleep 0.1
      tries=$((tries + 1))
    done
    tarvel_xvfb_pid=
  fi
}

tarvel_start_xvfb() {
  local number_file pid_file
  number_file=$(mktemp)
  pid_file=$(mktemp)
  # -displayfd: Xvfb takes the first free display number and writes it once it accepts clients.
  # Started from a subshell so that it is no job of this shell: a plain `wait` does not wait
  # for it.
  (
    Xvfb -displayfd 3 -screen 0 "${TARVEL_SCREEN:-1280x1024x24}" -nolisten tcp \
      3>"$number_file" >/dev/null 2>&1 </dev/null &
    echo $! >"$pid_file"
  )
  tarvel_xvfb_pid=$(cat "$pid_file")
  rm -f "$pid_file"
  local tries=0
  while [ ! -s "$number_file" ]; do
    if ! kill -0 "$tarvel_xvfb_pid" 2>/dev/null || [ "$tries" -ge 100 ]; then
      echo "wine-env: Xvfb did not start" >&2
      rm -f "$number_file"
      tarvel_wine_env_cleanup
      return 1
    fi
    sleep 0.1
    tries=$((tries + 1))
  done
  DISPLAY=:$(head -n 1 "$number_file")
  export DISPLAY
  rm -f "$number_file"
}

tarvel_wine_env_setup() {
  export WINEPREFIX="${WINEPREFIX:-$tarvel_root/build/windows/wineprefix}"
  export WINEDEBUG="${TARVEL_WINEDEBUG:--all}"
  if [ "${TARVEL_USE_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
    export DISPLAY
  else
    tarvel_start_xvfb || return 1
  fi
  trap tarvel_wine_env_cleanup EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  # A wineserver started without this display would refuse windows later.
  if [ -d "$WINEPREFIX" ]; then
    wineserver -k 2>/dev/null || true
  fi
  local fresh=
  if [ "${TARVEL_FRESH_PREFIX:-0}" = 1 ]; then
    fresh=--fresh
  fi
  "$tarvel_root/scripts/wine-prefix.sh" $fresh "$WINEPREFIX" || return 1
  # With no window manager (our Xvfb) Wine draws the window frames itself; on a desktop the
  # window manager does.
  local x11_key='HKCU\Software\Wine\X11 Driver'
  if grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    if [ -z "$tarvel_xvfb_pid" ]; then
      wine reg delete "$x11_key" /v Managed /f >/dev/null 2>&1 || true
    fi
  elif [ -n "$tarvel_xvfb_pid" ]; then
    wine reg add "$x11_key" /v Managed /d N /f >/dev/null 2>&1 || true
  fi
  tarvel_start_keeper || return 1
  echo "wine-env: DISPLAY=$DISPLAY WINEPREFIX=$WINEPREFIX" >&2
}

# One idle Windows process for the whole run keeps the wineserver and Wine's own services up.
# Without it every test program starts them again, and they hold the test's output pipe open
# until they end, which costs each test about 2 s. While it runs, `wineserver -w` waits for it.
tarvel_start_keeper() {
  local pid_file
  pid_file=$(mktemp)
  tarvel_keeper_fifo=$(mktemp -u)
  mkfifo "$tarvel_keeper_fifo"
  (
    # Holding the fifo open for writing too, `pause` waits on its input forever.
    exec 3<>"$tarvel_keeper_fifo"
    wine cmd /c pause <&3 >/dev/null 2>&1 &
    echo $! >"$pid_file"
  )
  tarvel_keeper_pid=$(cat "$pid_file")
  rm -f "$pid_file"
  # Wait until the services are up, so the first test does not pay for them.
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}

tarvel_wine_env_setup
