#!/usr/bin/env bash
# The whole-program tools working together under Wine, without the program under test:
# tarveldrive drives keysink.exe and the test dinput8.dll, and dipoller.exe stands in for the
# program (same DirectInput calls, keys sent to a window class).
#
#   tools_selftest.sh BIN_DIR
#
# Needs DISPLAY and WINEPREFIX (scripts/wine-env.sh). Uses shared memories and a window class of
# its own, so it runs beside other tests; it takes the keyboard focus, so not beside other
# focus-taking tests.
set -euo pipefail

bin=$(cd "$1" && pwd)
: "${WINEPREFIX:?WINEPREFIX is not set}" "${DISPLAY:?DISPLAY is not set}"
export WINEDEBUG=${TARVEL_WINEDEBUG:--all}
export TARVEL_FAKE_DINPUT_NAME=TarvelToolsSelftest-$$
export TARVEL_KEYSINK_NAME=TarvelToolsSelftestSink-$$
class=TarvelSelftestSink$$
work=$(mktemp -d)

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
drive() { wine "$bin/tarveldrive.exe" "$@"; }
# expect "what" EXPECTED ACTUAL
expect() {
  if [ "$2" != "$3" ]; then
    fail "$1: expected [$2], got [$3]"
  fi
}

pids=()
cleanup() {
  drive quit-sink 3000 >/dev/null 2>&1 || true
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  # The shared memories are files in the prefix; remove this run's.
  for name in "$TARVEL_FAKE_DINPUT_NAME" "$TARVEL_KEYSINK_NAME"; do
    find "$WINEPREFIX/drive_c" -name "$name.tarvelshm" -delete 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

echo "== init and the key sink"
drive init
wine "$bin/keysink.exe" --class "$class" --focus >"$work/sink.log" 2>&1 &
pids+=($!)
drive wait-sink 20000 || { cat "$work/sink.log" >&2; exit 1; }
# A second sink on the same log refuses to start.
if wine "$bin/keysink.exe" --class "${class}x" >"$work/sink2.log" 2>&1; then
  fail "a second sink took over the log"
fi

echo "== posted and sent messages reach the log in order"
drive post-sink keydown 0x41 0x001E0001
drive wait-keys 2 5000 || fail "posted key down not logged"
drive send-sink keyup 0x41 0xC01E0001 >/dev/null
expect "log" "WM_KEYDOWN 0x41 0x001E0001
WM_CHAR 0x61 0x001E0001
WM_KEYUP 0x41 0xC01E0001" "$(drive keys)"
expect "routes" "queued queued sent" "$(drive keys --long | awk '{printf "%s%s", sep, $4; sep=" "}')"
expect "key-count" 3 "$(drive key-count)"
expect "keys --from" "WM_KEYUP 0x41 0xC01E0001" "$(drive keys --from 2)"

echo "== focus and system-wide key events"
drive focus-sink 5000 || fail "the sink could not take the foreground"
drive clear-keys
expect "cleared" 0 "$(drive key-count)"
drive keybd 0x42
drive wait-keys 3 5000 || fail "keybd_event did not reach the focused sink"
expect "keybd" "WM_KEYDOWN 0x42 queued
WM_CHAR 0x62 queued
WM_KEYUP 0x42 queued" "$(drive keys --long | awk '{print $1, $2, $4}')"

echo "== a hung sink holds up SendMessage"
drive clear-keys
drive hang-sink 400
took=$(drive send-sink keydown 0x43 | awk '{print $3}')
[ "$took" -ge 380 ] || fail "SendMessage to a hanging sink returned after $took ms"
expect "hangs" 1 "$(drive get sink hangs)"
drive send-sink keyup 0x43 >/dev/null
expect "one hang per request" 1 "$(drive get sink hangs)"
expect "keys around the hang" "WM_KEYDOWN 0x43 0x00000001
WM_KEYUP 0x43 0x00000001" "$(drive keys)"
echo "== a frozen sink stops pumping, then goes on"
drive freeze-sink 2000
# The freeze has begun once the sink took the request; no tick counts while it lasts.
drive wait sink freeze-pending '==' 0 5000 || fail "the sink did not start its freeze"
ticks=$(drive get sink ticks)
sleep 0.5
expect "ticks while frozen" "$ticks" "$(drive get sink ticks)"
drive wait sink ticks '>' "$ticks" 5000 || fail "the sink did not come back from its freeze"
expect "hangs after the freeze" 2 "$(drive get sink hangs)"

echo "== the test DLL in a program: enumeration, set-up, buttons to keys"
drive clear-keys
drive add-controller 0 auto auto "Selftest Pad" 12 2
drive add-controller 1 '{01234567-89AB-CDEF-0123-456789ABCDEF}' auto "Second Pad" 128 8 4
drive add-controller 2 auto auto "Unplugged Pad" 4 0
drive unplug 2
WINEDLLOVERRIDES=dinput8=n,b wine "$bin/dipoller.exe" --seconds 30 --send-to "$class" \
  --ask "Go on polling?" >"$work/poller.log" 2>&1 &
poller=$!
pids+=("$poller")
expect "dialog" 'Button 6 "Yes"
Button 7 "No"
Static 65535 "Go on polling?"' "$(drive dialog dipoller 20000 | grep -v '^Static [0-9]* ""$')"
drive click-button dipoller No || fail "cannot click No"
drive wait-calls 0 getstate 3 20000 || { cat "$work/poller.log" >&2; exit 1; }
drive wait-calls 1 getstate 3 5000 || fail "slot 1 is not read"
expect "enumerated" 2 "$(drive get global enum.listed)"
expect "slot 2 untouched" 0 "$(drive get 2 calls.createdevice)"
expect "format" 272 "$(drive get 0 format.size)"
expect "cooperative flags" 10 "$(drive get 0 coop.flags)"
expect "ranges of slot 0" "-1000 1000 1 0" "$(drive get 0 range.1.min) $(drive get 0 range.1.max) \
$(drive get 0 range.1.count) $(drive get 0 range.2.count)"
expect "ranges of slot 1" "8" "$(drive get 1 calls.setproperty)"
drive press 0 3
drive wait-seen 0 2000 || fail "the press was not read"
drive wait-keys 2 5000 || fail "no keys for the press"
expect "keys of button 3" "WM_KEYDOWN 0x44 sent
WM_KEYUP 0x44 sent" "$(drive keys --long | awk '{print $1, $2, $4}')"
drive release 0 3
drive press 1 127
drive wait-keys 4 5000 || fail "no keys for button 127 of slot 1"
drive release 1 127
drive wait-seen 1 2000 || fail "the release was not read"

grep -qx "answer no" "$work/poller.log" || fail "the click did not answer the question"
drive list-windows | grep -q " TarvelDiPoller \"dipoller\"$" || fail "list-windows misses dipoller"

echo "== unplugging, faults and their record"
failed=$(drive get 0 failures.poll)
drive unplug 0
drive wait 0 failures.poll '>' "$failed" 5000 || fail "an unplugged pad still polls"
drive wait 0 acquired == 0 5000 || fail "a pad pulled out stays acquired"
drive wait 0 result.acquire == DIERR_UNPLUGGED 5000 ||
  fail "acquire of an unplugged pad does not answer DIERR_UNPLUGGED"
drive replug 0
drive wait 0 acquired == 1 5000 || fail "the pad was not acquired again after replug"
acquires=$(drive get 0 calls.acquire)
# In this order: the poll failure makes the program acquire at once.
drive fault 0 inputlost 3
drive fault 0 poll 1
drive wait 0 calls.acquire '>=' $((acquires + 4)) 5000 || fail "acquire was not retried"
drive wait 0 fault.acquire == 0 5000 || fail "the input-lost answers were not used up"
drive wait 0 acquired == 1 5000 || fail "not acquired after the retries"
if drive fault 0 release 1 2>/dev/null; then fail "a fault on release was accepted"; fi
if drive press 0 12 2>/dev/null; then fail "button 12 of a 12-button pad was accepted"; fi

echo "== latency from a button change to the key message"
drive clear-keys
latency=$(drive latency 0 5 3 5000) || fail "latency measurement failed"
summary=$(echo "$latency" | tail -n 1)
echo "$summary"
case $summary in '{"samples":3,'*) ;; *) fail "latency summary: $summary" ;; esac

echo "== dump"
drive dump >"$work/dump.jsonl"
expect "dump lines" 5 "$(wc -l <"$work/dump.jsonl")"  # global, three slots, sink
if command -v python3 >/dev/null; then
  python3 -c '
import json, sys
lines = [json.loads(line) for line in open(sys.argv[1])]
pad = lines[1]
assert pad["kind"] == "controller" and pad["slot"] == 0 and pad["name"] == "Selftest Pad", pad
assert pad["dataFormat"]["size"] == 272 and pad["cooperative"]["windowClass"] == "TarvelDiPoller"
assert lines[2]["instance"] == "{01234567-89AB-CDEF-0123-456789ABCDEF}"
assert lines[-1]["kind"] == "sink" and lines[-1]["ready"] == 1
' "$work/dump.jsonl" || fail "dump is not the expected JSON"
fi

echo "== the end: the program releases everything"
drive close-window TarvelDiPoller 5000 || fail "dipoller's window did not close"
wait "$poller" || fail "dipoller failed"
expect "live devices" 0 "$(drive get global live.devices)"
expect "live interfaces" 0 "$(drive get global live.interfaces)"
drive quit-sink 5000 || fail "the sink did not quit"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all checks passed"
