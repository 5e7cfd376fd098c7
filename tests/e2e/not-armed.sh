#!/usr/bin/env bash
# not-armed.sh WATCHER.exe PROGRAM.exe SIMULATOR CASE: a modem that does not answer its
# initialisation at the start:
#   dead   nothing answers on the port; later a working modem takes its place
#   xoff   software flow control, and the modem sends one XOFF after it answered the reset:
#          nothing more the program sends gets out until the modem's XON
# The program is not armed and says so ("modem on COM3 does not answer", no "Enabling autoRecord
# mode", no box), releases the port, tries it again every 5 s, and is armed once the modem
# answers.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/e2e.sh"
. "$here/armed.sh"
e2e_begin not-armed "$@"
case=${E2E_VARIANT:?no case}
slog=$E2E_DIR/sim.log
events=$E2E_DIR/events.txt  # Events.log without its CRs

armed_setup
case "$case" in
  dead) e2e_sim_start com3:dead ;;
  xoff)
    sed -i 's/^FlowControl=2/FlowControl=1/' "$E2E_APP/qdx.ini"
    printf '%s\n' 'port COM3 profile=generic' 'on COM3 cmd atz:' '  send \x13' > "$E2E_DIR/xoff.scn"
    e2e_sim_start --scenario "$E2E_DIR/xoff.scn" ;;
  *) e2e_fail "unknown case $case" ;;
esac
armed_rules < /dev/null
e2e_start -- "$E2E_PROGRAM"

# The first try ends with the port let go, the next one comes by itself.
armed_wait_events '"port":"com3".*"ev":"close"' 1 60 || e2e_fail "the port of the silent modem was kept"
[ "$case" = xoff ] && [ "$(sim_rx com3 'ate0')" != 0 ] && e2e_fail "a command came through the XOFF"
armed_wait_events '"port":"com3".*"ev":"open"' 2 30 || e2e_fail "no second try"
[ "$(sim_rx com3 'at\+vls=.*')" = 0 ] || e2e_fail "the line was taken"
inits=$(sim_rx com3 'at\+vcid=1')
case "$case" in
  dead)
    e2e_sim "port remove com3"
    e2e_sim "port add com3 generic" ;;
  xoff) e2e_sim "send com3 \\x11" ;;
esac
# Armed: every command of an initialisation answered, and the port kept.
armed_wait_events '"port":"com3".*"ev":"rx".*"line":"at\+vcid=1"' $((inits + 1)) 60 ||
  e2e_fail "no initialisation after the modem answered"
sleep 2
closes=$(grep -F '"port":"com3"' "$slog" | grep -c '"ev":"close"')
sleep 8
[ "$(grep -F '"port":"com3"' "$slog" | grep -c '"ev":"close"')" = "$closes" ] || e2e_fail "the port was let go again"
if [ "$case" = dead ]; then
  # And it records: a call after the return.
  e2e_sim "stream com3 speech synth 3s"
  e2e_sim "stream com3 busy forever"
  e2e_sim "ring com3 cadence=fast count=3 cid=between cid.nmbr=5550401"
  armed_wait_wavs 1 60
fi
e2e_stop_ok
tr -d '\r' < "$E2E_APP/Events.log" > "$events" || e2e_fail "no Events.log"

grep -q '^modem on COM3 does not answer$' "$events" || e2e_fail "not said: $(head -n 30 "$events")"
[ "$(grep -c '^modem on COM3 does not answer$' "$events")" = 1 ] || e2e_fail "said at every try"
awk '/does not answer$/ { silent = 1 } /^Enabling autoRecord mode$/ { if (!back) bad = 1 }
     /^Modem on COM3 answers again: armed$/ { back = 1 } END { exit bad || !back || !silent }' "$events" ||
  e2e_fail "armed before the modem answered: $(cat "$events")"
e2e_log "ok: $case: not armed, said once, armed when the modem answered"
exit 0
