#!/usr/bin/env bash
# voice-in-command-state.sh WATCHER.exe PROGRAM.exe SIMULATOR: the armed program, idle in auto
# mode, gets voice data in command state for 10 s (8000 bytes a second, no line end in it). It
# does not end, takes none of it for a ring, its memory stays bounded, and the call that follows
# is recorded and filed, the modem armed again.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/e2e.sh"
. "$here/armed.sh"
e2e_begin voice-in-command-state "$@"

# The resident memory of the program's Wine process, in kB.
program_rss() {
  grep -a -q 'Vorlane' "/proc/$E2E_PROGRAM_PID/cmdline" 2>/dev/null || e2e_fail "pid $E2E_PROGRAM_PID is not the program"
  sed -n 's/^VmRSS:[[:space:]]*\([0-9]*\) kB/\1/p' "/proc/$E2E_PROGRAM_PID/status"
}

armed_start < /dev/null
slog=$E2E_DIR/sim.log
sleep 3  # the start-up settles before the first look at the memory
before=$(program_rss)
for i in $(seq 1 10); do
  e2e_sim "garbage com3 voice 8000"
  sleep 1
done
sleep 3
kill -0 "$E2E_PROGRAM_PID" 2>/dev/null || e2e_fail "the program ended on the voice data"
after=$(program_rss)
e2e_log "resident memory: $before kB before, $after kB after 80000 bytes of voice data"
[ -n "$before" ] && [ -n "$after" ] || e2e_fail "no resident memory in /proc/$E2E_PROGRAM_PID/status"
[ $((after - before)) -lt 20480 ] || e2e_fail "the memory grew by $((after - before)) kB"
grep -q '"ev":"rx".*"line":"at+fclass=8"' "$slog" && e2e_fail "the voice data started a recording"

e2e_sim "stream com3 speech synth 4s"
e2e_sim "stream com3 busy forever"
e2e_sim "ring com3 cadence=fast count=3 cid=between cid.nmbr=5550107"
armed_wait_wavs 1 60
wav=$ARMED_WAVS
armed_wait_init 2
e2e_stop_ok
grep -q '"ev":"crash"' "$E2E_DIR/watcher.log" && e2e_fail "the program crashed"

rings=$(tr -d '\r' < "$E2E_APP/Events.log" | grep -cx ring)
[ "$rings" = 3 ] || e2e_fail "$rings rings in Events.log, not the call's 3"
[ "$(grep -c '"ev":"rx".*"line":"at+vrx"' "$slog")" = 1 ] || e2e_fail "not one voice receive"
seconds=$(sox --i -D "$E2E_APP/wav/$wav") || e2e_fail "sox cannot read $wav"
python3 -c "import sys; sys.exit(0 if float(sys.argv[1]) >= 4 else 1)" "$seconds" || e2e_fail "$wav lasts $seconds s"
armed_check_row "$wav"
grep -aq 5550107 "$E2E_APP/Recordings.d" || e2e_fail "the caller number is not in Recordings.d"
e2e_log "ok: $wav, $seconds s"
exit 0
