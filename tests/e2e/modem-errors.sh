#!/usr/bin/env bash
# modem-errors.sh WATCHER.exe PROGRAM.exe SIMULATOR CASE: a modem that fails one command.
#   vsm   ERROR to the compression at the recording start: the user is told, the modem re-armed
#   vls   ERROR to the line selection at the recording start: told, port closed, reopened, re-armed
#   atz   no reply to the reset of the init: a time-out, then the init goes on
#   vrx   ERROR to the receive command: no stream comes, the call ends after a while, nothing
#         is filed, the empty working file goes and the modem is re-armed
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/e2e.sh"
. "$here/armed.sh"
case=${4:?no case}
message= fault=
case "$case" in
  vsm) fault='at+vsm=1,8000,0,0' message='Error setting voice compession..' ;;
  vls) fault='at+vls=1' message='Error setting line..' ;;
  vrx) fault='at+vrx' ;;
  atz) fault='atz' ;;
  *) echo "unknown case $case" >&2; exit 2 ;;
esac
e2e_begin modem-errors "$@"
armed_setup

e2e_sim_start com3:generic
armed_rules <<'RULES'
text~="Error setting" press=OK
RULES
slog=$E2E_DIR/sim.log
events=$E2E_APP/Events.log

# The simulator's time of the first command line of COM3 matching REGEX after line number FROM.
rx_time() {
  grep -F '"port":"com3"' "$slog" | grep -F '"ev":"rx"' | grep -Ei -- "\"line\":\"$1\"" | head -1 |
    sed -n 's/.*"t":\([0-9.]*\).*/\1/p'
}

if [ "$case" = atz ]; then
  e2e_sim "reply com3 atz none"
  e2e_start -- "$E2E_PROGRAM"
  e2e_wait_line "$slog" '"ev":"rx".*"line":"at\+vcid=1"' 60 || e2e_fail "the init did not go on after the reset"
  e2e_stop_ok
  t0=$(rx_time atz) t1=$(rx_time ate0)
  [ -n "$t0" ] && [ -n "$t1" ] || e2e_fail "no atz or atE0 in the simulator's log"
  # The reply is waited for 4 s; the next command comes after that, not much later.
  awk -v a="$t0" -v b="$t1" 'BEGIN { d = b - a; exit !(d >= 3.5 && d <= 8) }' ||
    e2e_fail "atE0 came $(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }') s after atz"
  [ "$(sim_rx com3 'ats0=0')" -ge 1 ] || e2e_fail "the init stopped after the time-out"
  e2e_log "ok: atz unanswered, the init went on"
  exit 0
fi

e2e_start -- "$E2E_PROGRAM"
e2e_wait_line "$slog" '"ev":"rx".*"line":"at\+vcid=1"' 60 || e2e_fail "the modem was not armed"
sleep 1
cp "$E2E_APP/Recordings.d" "$E2E_DIR/Recordings.before" 2>/dev/null
e2e_sim "reply com3 $fault ERROR"
e2e_sim "stream com3 speech synth 5s"
e2e_sim "stream com3 busy forever"
e2e_sim "ring com3 cadence=fast count=3 cid=between cid.nmbr=5550199"
e2e_wait_line "$slog" "\"ev\":\"rx\".*\"line\":\"${fault//+/\\+}\"" 60 || e2e_fail "the recording start did not reach $fault"
if [ -n "$message" ]; then
  e2e_wait_line "$E2E_DIR/watcher.log" "$message" 30 || e2e_fail "no box '$message'"
fi
# Re-armed: the init after the failed call (one at the start; vls closes and reopens the port).
armed_wait_init 2
e2e_sim "reply com3 $fault clear"
e2e_stop_ok

grep -q -- '-- Recording started' "$events" || e2e_fail "no recording was started: $(cat "$events")"
[ "$(armed_recordings)" = 0 ] || e2e_fail "a recording was filed: $(ls "$E2E_APP/wav/")"
[ -f "$E2E_APP/wav/Recorded.wav" ] && e2e_fail "the empty working file is left"
if [ -f "$E2E_DIR/Recordings.before" ]; then
  cmp -s "$E2E_DIR/Recordings.before" "$E2E_APP/Recordings.d" || e2e_fail "Recordings.d changed"
fi
grep -aq 5550199 "$E2E_APP/Recordings.d" && e2e_fail "the failed call has a row"
case "$case" in
  vsm) [ "$(sim_rx com3 'at\+vrx')" = 0 ] || e2e_fail "at+vrx was sent after the compression failed" ;;
  vls)
    [ "$(sim_rx com3 'at\+vrx')" = 0 ] || e2e_fail "at+vrx was sent after the line selection failed"
    # After the refused line: the port closed and reopened, then the init twice and nothing else.
    after=$(sed -n '/"ev":"rx".*"line":"at+vls=1"/,$p' "$slog" | grep -F '"port":"com3"' |
      sed -n 's/.*"ev":"\(open\|close\)".*/\1/p; s/.*"ev":"rx".*"line":"\([^"]*\)".*/\1/p' | tr 'A-Z' 'a-z' | tr '\n' ' ')
    init='atz ate0 ats0=0 at+vcid=1'
    case "$after" in
      "at+vls=1 close open $init $init "|"at+vls=1 close open $init $init close ") ;;
      *) e2e_fail "after the ERROR to at+vls=1 COM3 saw: $after" ;;
    esac ;;
  vrx)
    # No stream: the call ends on the receive watch, about 5 s after at+vrx.
    t0=$(rx_time 'at\+vrx')
    t1=$(grep -F '"port":"com3"' "$slog" | grep -F '"ev":"rx"' | grep -Fi '"line":"atz"' | tail -1 |
      sed -n 's/.*"t":\([0-9.]*\).*/\1/p')
    awk -v a="$t0" -v b="$t1" 'BEGIN { d = b - a; exit !(d >= 4 && d <= 15) }' ||
      e2e_fail "re-armed $(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }') s after at+vrx" ;;
esac
e2e_log "ok: ERROR to $fault handled"
exit 0
