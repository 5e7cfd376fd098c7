#!/usr/bin/env bash
# kill-during-receive.sh WATCHER.exe PROGRAM.exe SIMULATOR [POINT]: one call filed as usual, then
# the program (its Wine process) is killed during the next call's voice receive, at POINT:
#   connect   right after CONNECT, before any audio came (the stream starts 30 s late)
#   middle    with some seconds of audio in the working file (the default)
#   long      late in a long call (the stream sent 8 times faster: a minute of audio)
#   hangup    just as the far end hangs up, before the program has heard the busy tone
#   stop      as the program stops on the busy tone: its port closed, the filing under way or
#             (as the kill mostly comes) done, the re-arming begun
# The next start files what the killed run had recorded and not filed ("-- Recording recovered")
# and deletes a working file without audio; the first call keeps its row and file, and no call
# that had audio is lost. The calls are answered with caller ID into the folder "Clients" (the
# tree's first): the recovered row keeps its number and that folder. The killed run's
# Events.log holds its lines up to the kill.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/e2e.sh"
. "$here/armed.sh"
e2e_begin kill-during-receive "$@"
point=${E2E_VARIANT:-middle}
case "$point" in connect|middle|long|hangup|stop) ;; *) e2e_fail "unknown point $point" ;; esac

# "Clients" first in the tree, so it is the folder selected at the start; the program makes the
# folder records for the tree's nodes.
clients=CLIENTS001
printf '%s\r\n' '[Tree]' 'Node0=Clients' 'Node1=General' '[Folders]' "Node0=$clients" 'Node1=GENERAL001' \
  '[Expanded]' 'Node0=0' 'Node1=0' > "$E2E_APP/Tree.ini" || e2e_fail "cannot write Tree.ini"
armed_start < /dev/null
slog=$E2E_DIR/sim.log

# The first call: speech, then the far end hangs up; filed and re-armed.
e2e_sim "stream com3 speech synth 2s"
e2e_sim "stream com3 busy forever"
e2e_sim "ring com3 cadence=fast count=3 cid=between cid.nmbr=5550201"
armed_wait_wavs 1 60
first=$ARMED_WAVS
armed_wait_init 2

working=$E2E_APP/wav/Recorded.wav
working_bytes() { stat -c %s "$working" 2>/dev/null || echo 0; }
# Waits until the working file holds N bytes.
wait_working() {
  local n=$1 i
  for i in $(seq 1 600); do
    [ "$(working_bytes)" -ge "$n" ] && return 0
    sleep 0.1
  done
  e2e_fail "the working file did not reach $n bytes: $(ls -l "$E2E_APP/wav/" 2>&1)"
}

# The second call, up to the point of the kill.
case "$point" in
  connect) e2e_sim "set com3 connect_gap=30000"; e2e_sim "stream com3 speech synth forever" ;;
  long) e2e_sim "set com3 speed=8"; e2e_sim "stream com3 speech synth forever" ;;
  stop) e2e_sim "stream com3 speech synth 2s"; e2e_sim "stream com3 busy forever" ;;
  *) e2e_sim "stream com3 speech synth forever" ;;
esac
e2e_sim "ring com3 cadence=fast count=3 cid=between cid.nmbr=5550202"
armed_wait_vrx 2
case "$point" in
  connect)
    armed_wait_events '"ev":"tx".*CONNECT' 2 30 || e2e_fail "no CONNECT"
    sleep 1
    [ "$(working_bytes)" -le 44 ] || e2e_fail "audio came before the stream: $(working_bytes) bytes" ;;
  middle) wait_working 16000 ;;
  long) wait_working 480000 ;;
  hangup) wait_working 16000; e2e_sim "hangup-far com3" ;;
  stop)
    for i in $(seq 1 600); do
      awk '/"ev":"vrx_start"/ { n++ } n == 2 && /"port":"com3".*"ev":"close"/ { found = 1 } END { exit !found }' "$slog" && break
      sleep 0.1
    done
    [ "$i" -lt 600 ] || e2e_fail "the program did not stop on the busy tone" ;;
esac
grep -qai "$(basename "$E2E_EXE")" "/proc/$E2E_PROGRAM_PID/cmdline" 2>/dev/null || e2e_fail "pid $E2E_PROGRAM_PID is not the program"
kill -KILL "$E2E_PROGRAM_PID"
e2e_wait_exit 30 || e2e_fail "the killed program did not end"
killed_bytes=$(working_bytes)
[ -f "$working" ] && left=1 || left=
e2e_log "killed at $point; Recorded.wav: $([ -n "$left" ] && echo "$killed_bytes bytes" || echo none)"
e2e_sim "wait-closed com3 20000"
e2e_sim "set com3 connect_gap=0 speed=1"
# Each line went to Events.log as it came: the killed run's are there.
[ "$(grep -c -- '^-- Recording started' "$E2E_APP/Events.log")" = 2 ] ||
  e2e_fail "Events.log of the killed run: $(tail -n 8 "$E2E_APP/Events.log" 2>&1)"
grep -q 5550202 "$E2E_APP/Events.log" || e2e_fail "the second caller is not in the killed run's Events.log"

# The next start files the leftover before it arms the modem.
e2e_start -- "$E2E_PROGRAM"
armed_wait_init 3
# Closed only once its window is up (a close before that finds no window to close).
e2e_wait_line "$E2E_DIR/watcher.log" '"ev":"seen".*"class":"TfmQdx"' 60 || e2e_fail "no main window after the restart"
e2e_stop_ok
# Events.log is written as the run ends.
audio=
[ -n "$left" ] && [ "$killed_bytes" -gt 44 ] && audio=1
if [ -n "$audio" ]; then
  grep -q -- '-- Recording recovered' "$E2E_APP/Events.log" ||
    e2e_fail "nothing recovered: $(tail -n 8 "$E2E_APP/Events.log")"
else
  grep -q -- '-- Recording recovered' "$E2E_APP/Events.log" && e2e_fail "a recording without audio was recovered"
  [ -z "$left" ] || grep -q -- '-- Empty working file deleted' "$E2E_APP/Events.log" ||
    e2e_fail "the empty working file was not deleted: $(tail -n 8 "$E2E_APP/Events.log")"
fi
[ -f "$working" ] && e2e_fail "the working file is left"
[ -f "$E2E_APP/wav/Recorded.txt" ] && e2e_fail "the working file's note is left"

grep -qx -- "$first" <<< "$(armed_list_wavs)" || e2e_fail "the first call's file is gone: $(armed_list_wavs)"
grep -aq 5550201 "$E2E_APP/Recordings.d" || e2e_fail "the first call's row is gone"
rows=$(armed_rows | grep -c .)
if [ "$point" = connect ]; then
  [ "$(armed_recordings)" = 1 ] || e2e_fail "wav holds: $(armed_list_wavs)"
  [ "$rows" = 1 ] || e2e_fail "Recordings.d holds $rows rows: $(armed_rows)"
  e2e_log "ok: $first kept, the empty working file deleted"
  exit 0
fi
armed_wait_wavs 2 1
second=$(printf '%s\n' "$ARMED_WAVS" | grep -vx "$first")
[ "$(printf '%s\n' "$second" | grep -c .)" = 1 ] || e2e_fail "wav holds: $ARMED_WAVS"
[ "$rows" = 2 ] || e2e_fail "Recordings.d holds $rows rows: $(armed_rows)"
# Both calls in the folder they were answered in, each with its caller.
printf '%s\n' "$(armed_rows)" | awk -F'\t' -v f="$clients" '$5 == "5550201" && $6 == f { a++ } $5 == "5550202" && $6 == f { b++ }
  END { exit !(a == 1 && b == 1) }' || e2e_fail "the rows' callers and folders: $(armed_rows)"
for w in $first $second; do
  armed_check_row "$w"
  sox --i -D "$E2E_APP/wav/$w" > /dev/null || e2e_fail "sox cannot read $w"
done
bytes=$(stat -c %s "$E2E_APP/wav/$second")
data=$(python3 -c '
import sys, wave
w = wave.open(sys.argv[1]); print(w.getnframes() * w.getsampwidth() * w.getnchannels())' "$E2E_APP/wav/$second") ||
  e2e_fail "$second is not a readable WAV"
[ "$data" -le "$bytes" ] || e2e_fail "$second: data $data bytes of $bytes"
# A repaired header covers the audio the killed run wrote.
if [ -n "$audio" ]; then
  [ "$data" -ge $((killed_bytes - 200)) ] || e2e_fail "$second: data $data bytes of $bytes, the kill left $killed_bytes"
fi
e2e_log "ok: $first kept, $second ${audio:+recovered }with $data bytes of audio"
exit 0
