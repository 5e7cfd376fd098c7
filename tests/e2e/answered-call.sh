#!/usr/bin/env bash
# answered-call.sh WATCHER.exe PROGRAM.exe SIMULATOR: the whole program with a modem set up
# in qdx.ini: a call with caller ID, answered by the telephone beside the modem, speech then a
# busy tone; the program records it, files it in General and re-arms the modem. A second start
# only restores the first.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/e2e.sh"
. "$here/armed.sh"
e2e_begin answered-call "$@"

armed_setup
e2e_sim_start com3:generic
armed_rules < /dev/null
e2e_start -- "$E2E_PROGRAM"
slog=$E2E_DIR/sim.log
e2e_wait_line "$slog" '"ev":"rx".*"line":"at\+vcid=1"' 60 || e2e_fail "the modem was not initialised"
e2e_sim "stream com3 speech synth 5s"
# A modem that does not report the tone (<DLE>b): the program hears it.
e2e_sim "stream com3 busy dle=off forever"
e2e_sim "ring com3 cadence=fast count=3 cid=between cid.nmbr=5550100 cid.name=BROOKS"
e2e_wait_line "$slog" '"ev":"rx".*"line":"at\+vrx"' 60 || e2e_fail "no recording started"
wav=
for i in $(seq 1 600); do
  wav=$(ls "$E2E_APP/wav/" 2>/dev/null | grep -E '^1_[0-9]{8}_[0-9]{6}\.wav$' | head -1)
  [ -n "$wav" ] && break
  sleep 0.1
done
[ -n "$wav" ] || e2e_fail "no recording was filed: $(ls "$E2E_APP/wav/" 2>&1)"
# The modem is armed again: a second init after the call.
atz() { grep -c '"ev":"rx".*"line":"atz"' "$slog"; }
for i in $(seq 1 200); do
  [ "$(atz)" -ge 2 ] && break
  sleep 0.1
done
[ "$(atz)" -ge 2 ] || e2e_fail "the modem was not re-armed"
sleep 1
e2e_screenshot "$E2E_DIR/main-window.png"

# A second start restores the first and ends.
e2e_run 60 --
[ "$E2E_RUN_STATUS" = 0 ] || e2e_fail "the second start ended with $E2E_RUN_STATUS"

e2e_stop_ok

file=$E2E_APP/wav/$wav
rate=$(sox --i -r "$file") || e2e_fail "sox cannot read $wav"
[ "$rate" = 8000 ] || e2e_fail "$wav: rate $rate"
encoding=$(sox --i -e "$file")
[ "$encoding" = "Unsigned Integer PCM" ] || e2e_fail "$wav: $encoding"
seconds=$(sox --i -D "$file" | cut -d. -f1)
[ "$seconds" -ge 7 ] && [ "$seconds" -le 11 ] || e2e_fail "$wav lasts $seconds s"
grep -aq 5550100 "$E2E_APP/Recordings.d" || e2e_fail "the caller number is not in Recordings.d"
grep -aq BROOKS "$E2E_APP/Recordings.d" && e2e_fail "the caller's name is in Recordings.d"
tr -d '\r' < "$E2E_APP/Tree.ini" | grep -qx 'Node0=General' || e2e_fail "Tree.ini: $(cat "$E2E_APP/Tree.ini")"
grep -q -- '-- Recording started' "$E2E_APP/Events.log" || e2e_fail "Events.log: $(cat "$E2E_APP/Events.log")"
grep -q -- '-- Recording stopped' "$E2E_APP/Events.log" || e2e_fail "no stop in Events.log"
[ -f "$E2E_APP/wav/Recorded.wav" ] && e2e_fail "the working file is left"
cp "$E2E_DIR/main-window.png" "$VL_SUITE/main-window.png" 2>/dev/null
e2e_log "ok: $wav, $seconds s; screenshot $VL_SUITE/main-window.png"
exit 0
