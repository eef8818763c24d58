#!/usr/bin/env bash
# cmake/wine-run.sh against a stand-in for wine: a start that Wine gives up on at once is tried
# once more, every other outcome passes through unchanged and is not repeated.
set -u
wine_run=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"

# Here "at once" is anything under 150 ms: the stand-in is a script and takes a few milliseconds
# itself.
# The stand-in reads its script from $work/plan: one "<seconds to take> <status>" line per run.
cat >"$work/bin/wine" <<'STANDIN'
#!/usr/bin/env bash
runs=$(($(cat "$PLAN_DIR/runs" 2>/dev/null || echo 0) + 1))
echo "$runs" >"$PLAN_DIR/runs"
read -r delay status < <(sed -n "${runs}p" "$PLAN_DIR/plan")
[ "$delay" = 0 ] || sleep "$delay"
echo "run $runs: $*"
exit "$status"
STANDIN
chmod +x "$work/bin/wine"

failures=0
# name | plan (runs separated by ;) | expected status | expected runs
while IFS='|' read -r name plan want_status want_runs; do
  rm -f "$work/runs"
  tr ';' '\n' <<<"$plan" >"$work/plan"
  out=$(TARVEL_WINE_QUICK_US=150000 PLAN_DIR=$work PATH="$work/bin:$PATH" WINEPREFIX=$work/prefix "$wine_run" prog.exe --flag 2>&1)
  status=$?
  runs=$(cat "$work/runs")
  if [ "$status" != "$want_status" ] || [ "$runs" != "$want_runs" ]; then
    echo "FAIL $name: status $status runs $runs, expected status $want_status runs $want_runs"
    echo "$out"
    failures=$((failures + 1))
  elif ! grep -q "run $runs: prog.exe --flag" <<<"$out"; then
    echo "FAIL $name: the arguments did not reach wine: $out"
    failures=$((failures + 1))
  elif [ "$runs" = 2 ] && ! grep -q "starting it once more" <<<"$out"; then
    echo "FAIL $name: started again without saying so: $out"
    failures=$((failures + 1))
  fi
done <<'TABLE'
success runs once|0 0|0|1
slow failure passes through|0.4 3|3|1
quick failure then success|0 1;0 0|0|2
quick failure twice|0 5;0 5|5|2
quick failure then slow failure|0 1;0.4 4|4|2
TABLE

[ "$failures" -eq 0 ] && echo "all cases passed"
exit "$failures"
