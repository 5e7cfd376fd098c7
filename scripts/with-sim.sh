#!/usr/bin/env bash
# with-sim.sh SIMBIN EXE ARGS...: runs a Windows test executable beside its own modem simulator.
# The simulator makes its port links in $VL_PORTS (where Wine's COMn point) as the test asks for
# them over the control line; VSIM_CONTROL tells the test where that is.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
sim=${1:?usage: with-sim.sh SIMBIN EXE ARGS...}
shift
[ -n "${VL_PORTS:-}" ] && [ -n "${VL_OUT:-}" ] || { echo "with-sim.sh: VL_PORTS or VL_OUT is not set (run through scripts/test.sh)" >&2; exit 1; }
[ -x "$sim" ] || { echo "with-sim.sh: no simulator at $sim" >&2; exit 1; }
mkdir -p "$VL_OUT/sims" "$VL_PORTS"
work=$(mktemp -d "$VL_OUT/sims/run.XXXXXX")
ready=$work/ready

"$sim" --dir "$VL_PORTS" --control 0 --ready "$ready" --log "$work/log" 2> "$work/stderr" &
simpid=$!
echo "$simpid" > "$work/pid"  # vl_env_stop ends any simulator whose run folder is left

remove_links() {
  # Only links that still point at this simulator's ptys (it removes them itself on a clean exit).
  [ -f "$ready" ] || return 0
  grep -o '"link": "[^"]*", "pts": "[^"]*"' "$ready" | sed 's/"link": "\([^"]*\)", "pts": "\([^"]*\)"/\1 \2/' |
    while read -r link pts; do
      [ "$(readlink "$link" 2>/dev/null)" = "$pts" ] && rm -f "$link"
    done
}

stop_sim() {
  [ -n "${simpid:-}" ] || return 0
  kill -TERM "$simpid" 2>/dev/null
  local i
  for i in $(seq 1 100); do
    kill -0 "$simpid" 2>/dev/null || break
    sleep 0.05
  done
  kill -KILL "$simpid" 2>/dev/null
  wait "$simpid" 2>/dev/null
  remove_links
  simpid=
}
trap 'stop_sim; exit 130' INT TERM

for i in $(seq 1 200); do
  [ -s "$ready" ] && break
  kill -0 "$simpid" 2>/dev/null || break
  sleep 0.05
done
control=$(sed -n 's/^{"control": *\([0-9]*\).*/\1/p' "$ready" 2>/dev/null)
if [ -z "$control" ] || [ "$control" = 0 ]; then
  echo "with-sim.sh: the simulator did not get ready:" >&2
  cat "$work/stderr" >&2
  stop_sim
  exit 1
fi

export VSIM_CONTROL=127.0.0.1:$control VSIM_DIR=$VL_PORTS
bash "$here/wine-run.sh" "$@"
status=$?
stop_sim
if [ $status -ne 0 ]; then
  echo "with-sim.sh: the test failed ($status); the simulator's log is in $work (last lines):" >&2
  tail -n 40 "$work/log" >&2
  cat "$work/stderr" >&2
else
  rm -rf "$work"
fi
exit $status
