#!/usr/bin/env bash
# rejected-call.sh WATCHER.exe PROGRAM.exe SIMULATOR: calls are rejected at the third ring
# (RejectCall=1, RejectRings=3). A call that rings exactly three times, then one that rings four
# times, are let go: the modem is never put in voice mode and nothing is filed; the caller-ID
# pop-up, shown at the caller ID, goes at the third ring (not after its own 10 s); once the ring
# span has passed the program waits for calls again. A call answered after two rings is recorded
# and ends at the dial tone.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/e2e.sh"
. "$here/armed.sh"
e2e_begin rejected-call "$@"
armed_setup AutoRecord=1 DiscTime=10 RejectCall=1 RejectRings=3

e2e_sim_start com3:generic
armed_rules < /dev/null
e2e_start -- "$E2E_PROGRAM"
slog=$E2E_DIR/sim.log
e2e_wait_line "$slog" '"ev":"rx".*"line":"at\+vcid=1"' 60 || e2e_fail "the modem was not armed"
sleep 1
cp "$E2E_APP/Recordings.d" "$E2E_DIR/Recordings.before" 2>/dev/null

wlog=$E2E_DIR/watcher.log
popup() { grep -F '"class":"TfmCallerID"' "$wlog" | grep -E '"ev":"(seen|changed|gone)"'; }
popup_t() { printf '%s\n' "$1" | sed -n 's/.*"t":\([0-9.]*\).*/\1/p'; }

# The end of the N-th ringing of a call that is let go; then the ring span (RingTimeOut 2.6 s
# after the last ring) has to pass before the next call.
rejected_call_ends() {
  armed_wait_events '"ev":"ring_end"' "$1" 60 || e2e_fail "the rings of call $1 did not end"
  sleep 8
  [ "$(sim_rx com3 'at\+fclass=8')" = 0 ] || e2e_fail "the rejected call was put in voice mode"
  [ "$(sim_rx com3 'at\+vrx')" = 0 ] || e2e_fail "the rejected call was recorded"
  [ "$(armed_recordings)" = 0 ] || e2e_fail "the rejected call left a file: $(ls "$E2E_APP/wav/")"
  if [ -f "$E2E_DIR/Recordings.before" ]; then
    cmp -s "$E2E_DIR/Recordings.before" "$E2E_APP/Recordings.d" || e2e_fail "Recordings.d changed for the rejected call"
  fi
}

# Exactly three rings. The pop-up is up from the caller ID and still up a second after the
# second ring (the third is 2 s after it); it goes at the third, well within its own 10 s.
e2e_sim "ring com3 cadence=fast count=3 cid=between cid.nmbr=5550166"
e2e_wait_line "$wlog" '"ev":"seen".*"class":"TfmCallerID"' 30 || e2e_fail "no caller-ID pop-up"
popup | head -1 | grep -q 5550166 || e2e_fail "the pop-up does not show the caller: $(popup)"
e2e_wait_line "$slog" '"ev":"ring","n":2' 30 || e2e_fail "no second ring"
sleep 1
popup | tail -1 | grep -q '"ev":"gone"' && e2e_fail "the pop-up went before the third ring: $(popup)"
e2e_wait_line "$wlog" '"ev":"gone".*"class":"TfmCallerID".*"hidden":true' 30 || e2e_fail "the pop-up stayed: $(popup)"
shown=$(popup_t "$(popup | grep -F '"ev":"seen"' | head -1)") hidden=$(popup_t "$(popup | grep -F '"ev":"gone"' | head -1)")
awk -v a="$shown" -v b="$hidden" 'BEGIN { exit !(b - a < 9) }' ||
  e2e_fail "the pop-up was up from $shown s to $hidden s: not hidden at the third ring"
rejected_call_ends 1

# Four rings.
e2e_sim "ring com3 cadence=fast count=4 cid=between cid.nmbr=5550177"
rejected_call_ends 2

# Two rings: answered by the phone beside the modem, speech, then the dial tone.
e2e_sim "stream com3 speech synth 4s"
e2e_sim "stream com3 dial forever"
e2e_sim "ring com3 cadence=fast count=2 cid=between cid.nmbr=5550188"
e2e_wait_line "$slog" '"ev":"rx".*"line":"at\+vrx"' 60 || e2e_fail "the two-ring call was not recorded"
armed_wait_wavs 1 60
armed_wait_init 2 30
e2e_stop_ok

events=$E2E_APP/Events.log
[ "$(grep -c 'Call recording rejected\.\.\.' "$events")" = 2 ] || e2e_fail "Events.log: $(cat "$events")"
[ "$(grep -c 'Calling party hung up' "$events")" = 2 ] || e2e_fail "not two 'Calling party hung up': $(cat "$events")"
[ "$(grep -c -- '-- Recording started' "$events")" = 1 ] || e2e_fail "not one recording started: $(cat "$events")"
# Each rejection came with the third ring of its call (logged before that ring's line), the
# hang-up after the call's last ring.
tr -d '\r' < "$events" | awk '
  /^ring$/ { rings++ } /Call recording rejected/ { r[++nr] = rings } /Calling party hung up/ { h[++nh] = rings }
  /-- Recording started/ { s = rings }
  END { exit !(r[1] == 2 && h[1] == 3 && r[2] == 5 && h[2] == 7 && s == 9) }' ||
  e2e_fail "Events.log out of order: $(cat "$events")"
[ "$(armed_recordings)" = 1 ] || e2e_fail "wav: $(ls "$E2E_APP/wav/")"
file=$E2E_APP/wav/$ARMED_WAVS
seconds=$(sox --i -D "$file" | cut -d. -f1) || e2e_fail "sox cannot read $ARMED_WAVS"
[ "$seconds" -ge 4 ] && [ "$seconds" -le 10 ] || e2e_fail "$ARMED_WAVS lasts $seconds s"
grep -aq 5550188 "$E2E_APP/Recordings.d" || e2e_fail "the second caller is not in Recordings.d"
grep -aEq "5550166|5550177" "$E2E_APP/Recordings.d" && e2e_fail "a rejected caller is in Recordings.d"
e2e_log "ok: rejected at the third ring; $ARMED_WAVS, $seconds s"
exit 0
