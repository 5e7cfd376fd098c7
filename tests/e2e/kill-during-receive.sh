#!/usr/bin/env bash
# kill-during-receive.sh WATCHER.exe PROGRAM.exe SIMULATOR: one call filed as usual, then the
# program (its Wine process) is killed in the middle of the next call's voice receive. The next
# start files what the killed run had recorded ("-- Recording recovered"), and the first call
# keeps its row and file.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/e2e.sh"
. "$here/armed.sh"
e2e_begin kill-during-receive "$@"

armed_setup
e2e_sim_start com3:generic
armed_rules < /dev/null
e2e_start -- "$E2E_PROGRAM"
armed_wait_init 1

# The first call: speech, then the far end hangs up; filed and re-armed.
e2e_sim "stream com3 speech synth 2s"
e2e_sim "stream com3 busy forever"
e2e_sim "ring com3 cadence=fast count=3 cid=between cid.nmbr=5550201"
armed_wait_wavs 1 60
first=$ARMED_WAVS
armed_wait_init 2

# The second call: killed once the working file holds some seconds of audio.
e2e_sim "stream com3 speech synth forever"
e2e_sim "ring com3 cadence=fast count=3 cid=between cid.nmbr=5550202"
armed_wait_vrx 2
working=$E2E_APP/wav/Recorded.wav
for i in $(seq 1 300); do
  [ "$(stat -c %s "$working" 2>/dev/null || echo 0)" -ge 16000 ] && break
  sleep 0.1
done
[ "$(stat -c %s "$working" 2>/dev/null || echo 0)" -ge 16000 ] ||
  e2e_fail "the working file did not grow: $(ls -l "$E2E_APP/wav/" 2>&1)"
grep -qai "$(basename "$E2E_EXE")" "/proc/$E2E_PROGRAM_PID/cmdline" 2>/dev/null || e2e_fail "pid $E2E_PROGRAM_PID is not the program"
kill -KILL "$E2E_PROGRAM_PID"
e2e_wait_exit 30 || e2e_fail "the killed program did not end"
killed_bytes=$(stat -c %s "$working" 2>/dev/null) || e2e_fail "the kill left no working file"
e2e_log "killed with $killed_bytes bytes in Recorded.wav"
e2e_sim "wait-closed com3 20000"

# The next start files the leftover before it arms the modem.
e2e_start -- "$E2E_PROGRAM"
armed_wait_init 3
# Closed only once its window is up (a close before that finds no window to close).
e2e_wait_line "$E2E_DIR/watcher.log" '"ev":"seen".*"class":"TfmQdx"' 60 || e2e_fail "no main window after the restart"
e2e_stop_ok
# Events.log is written as the run ends.
grep -q -- '-- Recording recovered' "$E2E_APP/Events.log" ||
  e2e_fail "nothing recovered: $(tail -n 8 "$E2E_APP/Events.log")"

[ -f "$working" ] && e2e_fail "the working file is left"
armed_wait_wavs 2 1
printf '%s\n' "$ARMED_WAVS" | grep -qx "$first" || e2e_fail "the first call's file is gone: $ARMED_WAVS"
recovered=$(printf '%s\n' "$ARMED_WAVS" | grep -vx "$first")
[ "$(printf '%s\n' "$recovered" | grep -c .)" = 1 ] || e2e_fail "wav holds: $ARMED_WAVS"
for w in $first $recovered; do
  armed_check_row "$w"
  sox --i -D "$E2E_APP/wav/$w" > /dev/null || e2e_fail "sox cannot read $w"
done
grep -aq 5550201 "$E2E_APP/Recordings.d" || e2e_fail "the first call's row is gone"
# The repaired header covers the audio the killed run wrote.
bytes=$(stat -c %s "$E2E_APP/wav/$recovered")
data=$(python3 -c '
import sys, wave
w = wave.open(sys.argv[1]); print(w.getnframes() * w.getsampwidth() * w.getnchannels())' "$E2E_APP/wav/$recovered") ||
  e2e_fail "$recovered is not a readable WAV"
[ "$data" -ge $((killed_bytes - 200)) ] && [ "$data" -le "$bytes" ] ||
  e2e_fail "$recovered: data $data bytes of $bytes, the kill left $killed_bytes"
e2e_log "ok: $first kept, $recovered recovered with $data bytes of audio"
exit 0
