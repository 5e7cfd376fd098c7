#!/usr/bin/env bash
# port-loss.sh WATCHER.exe PROGRAM.exe SIMULATOR [POINT]: the modem's port goes away, at POINT:
#   idle        while the modem waits for calls
#   ringing     during the rings of a call (that call is not answered into a recording)
#   recording   during a call's voice receive (what was recorded is filed)
#   simkill     the simulator killed while the modem waits for calls
# and comes back about 10 s later. The program says so once, tries the port again on its own
# with no box, and records the next call.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/e2e.sh"
. "$here/armed.sh"
e2e_begin port-loss "$@"
point=${E2E_VARIANT:-idle}
case "$point" in idle|ringing|recording|simkill) ;; *) e2e_fail "unknown point $point" ;; esac

armed_start < /dev/null
slog=$E2E_DIR/sim.log
events=$E2E_DIR/events.txt  # Events.log without its CRs
working=$E2E_APP/wav/Recorded.wav
filed=0

case "$point" in
  idle) sleep 1; e2e_sim "port remove com3" ;;
  ringing)
    e2e_sim "ring com3 cadence=fast count=8 cid=between cid.nmbr=5550301"
    armed_wait_events '"port":"com3".*"ev":"ring"' 2 30 || e2e_fail "no rings"
    e2e_sim "port remove com3" ;;
  recording)
    e2e_sim "stream com3 speech synth forever"
    e2e_sim "ring com3 cadence=fast count=3 cid=between cid.nmbr=5550301"
    armed_wait_vrx 1
    for i in $(seq 1 600); do
      [ "$(stat -c %s "$working" 2>/dev/null || echo 0)" -ge 16000 ] && break
      sleep 0.1
    done
    e2e_sim "port remove com3"
    # Filed at once, before the port is back.
    armed_wait_wavs 1 30
    filed=1 ;;
  simkill)
    # Killed by a signal it ends on (it takes its links along: a link left pointing at a freed
    # pty could lead the program to a pty of another test).
    e2e_sim_stop
    mv "$slog" "$E2E_DIR/sim.killed.log" ;;
esac

sleep 10
[ "$(armed_recordings)" = "$filed" ] || e2e_fail "wav holds: $(armed_list_wavs)"
if [ "$point" = simkill ]; then
  e2e_sim_start com3:generic
  inits=1
else
  e2e_sim "port add com3 generic"
  inits=2
fi
# Armed again by a try of its own: the next call is recorded.
armed_wait_init $inits 30
e2e_sim "stream com3 speech synth 3s"
e2e_sim "stream com3 busy forever"
e2e_sim "ring com3 cadence=fast count=3 cid=between cid.nmbr=5550302"
armed_wait_wavs $((filed + 1)) 60
armed_wait_init $((inits + 1)) 30
e2e_stop_ok
tr -d '\r' < "$E2E_APP/Events.log" > "$events" || e2e_fail "no Events.log"

grep -aq 5550302 "$E2E_APP/Recordings.d" || e2e_fail "the call after the return is not in Recordings.d"
[ "$(grep -c -- '-- Recording started' "$events")" = $((filed + 1)) ] ||
  e2e_fail "recordings started: $(grep -c -- '-- Recording started' "$events")"
# Said once when it went, with the system's reason, and once when it was back; the tries between
# write nothing.
[ "$(grep -c '^Com port 3 lost: .' "$events")" = 1 ] || e2e_fail "the loss: $(grep -n 'lost' "$events")"
grep -q 'Scom exception' "$events" && e2e_fail "a reason without text: $(grep -n 'Scom exception' "$events")"
[ "$(grep -c '^Modem on COM3 answers again: armed$' "$events")" = 1 ] || e2e_fail "the return: $(tail -n 20 "$events")"
[ "$(grep -c 'opened\.\.\.$' "$events")" -le 3 ] || e2e_fail "a line for every try: $(grep -c 'opened' "$events") opens"
# Armed in its own words only once the modem answered.
awk '/^Com port 3 lost: / { lost = 1 } lost && /^Enabling autoRecord mode$/ && !back { bad = 1 }
     /answers again: armed$/ { back = 1 } END { exit bad || !back }' "$events" ||
  e2e_fail "armed before the modem was back: $(tail -n 30 "$events")"
if [ "$filed" = 1 ]; then
  first=$(armed_list_wavs | head -1)
  sox --i -D "$E2E_APP/wav/$first" > /dev/null || e2e_fail "sox cannot read $first"
  grep -aq 5550301 "$E2E_APP/Recordings.d" || e2e_fail "the call cut by the loss is not in Recordings.d"
fi
e2e_log "ok: port lost $point, re-armed, $(armed_recordings) recording(s)"
exit 0
