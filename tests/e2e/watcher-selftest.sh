#!/usr/bin/env bash
# watcher-selftest.sh WATCHER.exe BOXDEMO.exe SIMULATOR: the dialog watcher and the runner
# pieces on the watcher's own test program, before the real program exists. Run 1 goes through
# the runner as a whole-program test does; the others call the watcher directly.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/e2e.sh"
watcher=${1:?usage: watcher-selftest.sh WATCHER.exe BOXDEMO.exe SIMULATOR}
demo=${2:?no test program}
e2e_init watcher-selftest "$watcher" "${3:-}"
wlog=$E2E_DIR/watcher.log

expect_line() {  # FILE REGEX WHAT
  grep -Eq -- "$2" "$1" || e2e_fail "$3: no line /$2/ in $1"
}

# --- Run 1: a rule for each box but one; that one gets its default button, loudly. The port
# shows the simulator and the program in the same run; the quit file closes the main window.
e2e_sim_start com11:raw
e2e_rules <<'EOF'
# the watcher's rules for the demo
text="Hello from the demo" press=OK
title="Pick a modem" select~=VSIM press=OK times=1
title="Pick a modem" press=Cancel after=500
class=TInputForm edit="Calls 2026" press=ok
title=Stubborn press=OK again=1000
class=TDemoMain ignore
EOF
results=$E2E_APP/results.txt
e2e_start --default-after 1500 --close-on-quit 20000 -- "$demo" results.txt com 11
e2e_wait_line "$results" '^com ' 90 || e2e_fail "the demo did not get through its boxes"
e2e_wait_line "$wlog" '"ev":"ignored".*"title":"Box demo"' 20 || e2e_fail "the main window was not seen"
e2e_screenshot "$E2E_DIR/demo.png"
[ -s "$E2E_DIR/demo.png" ] || e2e_fail "the screenshot is empty"
for i in $(seq 1 100); do
  e2e_sim "raw com11 count"
  [ "$E2E_REPLY" -ge 14 ] && break
  sleep 0.1
done
e2e_sim "raw com11 received"
[ "$E2E_REPLY" = "$(printf 'boxdemo done\r\n' | od -An -tx1 | tr -d ' \n')" ] ||
  e2e_fail "the simulator got '$E2E_REPLY' on com11"
e2e_stop 40
[ "$E2E_PROGRAM_STATUS" = 0 ] || e2e_fail "the demo ended with status $E2E_PROGRAM_STATUS"

expected='started
message 1
list click
pick 1 1 COM3: VSIM 56K Voice
pick 2 1 COM3: VSIM 56K Voice
question 6
input 1 Calls 2026
stubborn 2
com ok
main closed
ended'
[ "$(tr -d '\r' < "$results")" = "$expected" ] ||
  e2e_fail "the demo's boxes were closed otherwise: $(cat "$results")"

expect_line "$wlog" '"ev":"seen".*"class":"#32770","title":"Box demo".*"texts":\["Hello from the demo"\].*"buttons":\[\{"text":"OK","id":1,"default":true' \
  "the message box in the log"
expect_line "$wlog" '"ev":"seen".*"class":"TPickForm","title":"Pick a modem".*"texts":\["Modems"\].*"items":\["COM1: Standard Modem","COM3: VSIM 56K Voice","COM4: Other Modem"\],"selected":0' \
  "the list form in the log"
expect_line "$wlog" '"ev":"acted".*"title":"Pick a modem".*"selected":"COM3: VSIM 56K Voice","entry":1,"pressed":"&OK"' \
  "the selection and OK"
expect_line "$wlog" '"ev":"acted".*"title":"Pick a modem".*"pressed":"Cancel"' "the second showing's Cancel"
# The list form is hidden between its two showings.
awk '/"ev":"acted".*"title":"Pick a modem"/ { a++ } /"ev":"gone".*"class":"TPickForm".*"hidden":true/ && a == 1 { h++ }
  END { exit !(h >= 1) }' "$wlog" || e2e_fail "the list form's hide between its showings is not in the log"
expect_line "$wlog" '"ev":"acted".*"class":"TInputForm".*"edit":"Calls 2026","pressed":"OK"' "the input box"
expect_line "$wlog" '"ev":"default".*"why":"no-rule".*"title":"Confirmation".*"texts":\[[^]]*"Keep the unknown question\?"' \
  "the unknown box in the log"
grep -q 'NO RULE for a box' "$E2E_DIR/watcher.err" || e2e_fail "the unknown box was not reported on stderr"
expect_line "$wlog" '"ev":"again".*"title":"Stubborn"' "the box that stayed up"
expect_line "$wlog" '"ev":"closing","windows":1' "the close of the main window"
expect_line "$wlog" '"ev":"end","why":"quit-file","exit_code":0' "the watcher's end"
[ "$(grep -c '"ev":"acted"' "$wlog")" = 6 ] || e2e_fail "the watcher acted other than 6 times"
[ "$(grep -c '"ev":"default"' "$wlog")" = 1 ] || e2e_fail "the watcher pressed more than one default"
grep -q '"ev":"terminated"' "$wlog" && e2e_fail "the demo had to be terminated"

# --- Run 2: a second start in the same folder, under a watcher that starts the program itself
# and ends with it; a rule of the run (tried before the file's) whose button never comes is
# reported stuck, and the box gets its default button instead.
e2e_run 60 --stuck-after 1000 --rule 'text~=Hello press=Later' -- "$(e2e_winpath "$E2E_DIR/results2.txt")" quick
log2=$E2E_DIR/watcher-run1.log
[ "$E2E_RUN_STATUS" = 0 ] || e2e_fail "run 2: the demo ended with $E2E_RUN_STATUS"
expect_line "$log2" '"ev":"launched"' "run 2: the start"
expect_line "$log2" '"ev":"stuck".*"rule":"text~=Hello press=Later","missing":"button"' "run 2: the stuck rule"
expect_line "$log2" '"ev":"default".*"why":"stuck".*"pressed":"OK"' "run 2: the default after the stuck rule"
expect_line "$log2" '"ev":"end","why":"program-ended","exit_code":0' "run 2: the end with the program"
[ "$(tr -d '\r' < "$E2E_DIR/results2.txt")" = "$(printf 'started\nmessage 1\ndone')" ] || e2e_fail "run 2: $(cat "$E2E_DIR/results2.txt")"

# --- Run 2b: with Wine's crash dialog switched on (the test prefix has it off), a crash brings
# the dialog (of the debugger's process): the watcher logs it and closes it, so the program ends
# instead of waiting for a person.
crash_dialog() {
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d "$1" /f > /dev/null 2>&1 ||
    e2e_fail "cannot set ShowCrashDialog to $1"
}
crash_dialog 1
e2e_run 60 -- "$(e2e_winpath "$E2E_DIR/results2b.txt")" crash
crash_dialog 0
log2b=$E2E_DIR/watcher-run2.log
[ "$E2E_RUN_STATUS" != 0 ] || e2e_fail "run 2b: the crash gave status 0"
expect_line "$log2b" '"ev":"crash".*"The program boxdemo.exe has encountered' "run 2b: the crash dialog"
expect_line "$log2b" '"ev":"end","why":"program-ended"' "run 2b: the end with the program"
grep -q 'THE PROGRAM CRASHED' "$E2E_DIR/run2.err" || e2e_fail "run 2b: the crash was not reported on stderr"

# --- Run 2c: as the test prefix is set, a crash ends the program at once with no dialog, and
# the crash is reported in its output.
e2e_run 60 -- "$(e2e_winpath "$E2E_DIR/results2c.txt")" crash
log2c=$E2E_DIR/watcher-run3.log
[ "$E2E_RUN_STATUS" != 0 ] || e2e_fail "run 2c: the crash gave status 0"
grep -q '"ev":"crash"' "$log2c" && e2e_fail "run 2c: a crash dialog came with ShowCrashDialog off"
expect_line "$log2c" '"ev":"end","why":"program-ended"' "run 2c: the end with the program"
e2e_wait_line "$E2E_DIR/run3.err" 'Unhandled (page fault|exception)' 20 || e2e_fail "run 2c: the crash report is not on stderr"

# --- Run 3: a rule with a typo stops the watcher at once, naming the word.
timeout -k 5 60 wine "$watcher" --log "$(e2e_winpath "$E2E_DIR/watcher3.log")" --rule 'title=X pres=OK' \
  > /dev/null 2> "$E2E_DIR/watcher3.err"
status=$?
[ $status = 2 ] || e2e_fail "run 3: a bad rule gave status $status"
grep -q "pres=OK" "$E2E_DIR/watcher3.err" || e2e_fail "run 3: the bad word was not named"

# --- Run 4: a named event ends a watcher that watches no program in particular.
log4=$E2E_DIR/watcher4.log
event=vl-watcher-selftest-$$
wine "$watcher" --log "$(e2e_winpath "$log4")" --event "$event" --timeout 120 > /dev/null 2> "$E2E_DIR/watcher4.err" &
E2E_WATCHER_PID=$!
e2e_wait_line "$log4" '"ev":"start"' 30 || e2e_fail "run 4: the watcher did not start"
timeout -k 5 60 wine "$watcher" --signal "$event" || e2e_fail "run 4: the event could not be set"
for i in $(seq 1 100); do
  kill -0 "$E2E_WATCHER_PID" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$E2E_WATCHER_PID" 2>/dev/null && e2e_fail "run 4: the watcher did not end on the event"
wait "$E2E_WATCHER_PID"
status=$?
E2E_WATCHER_PID=
[ $status = 0 ] || e2e_fail "run 4: the watcher ended with $status"
expect_line "$log4" '"ev":"end","why":"event"' "run 4: the end on the event"

# --- Run 5: a second start through the runner in the same run, waited for until it ends.
e2e_start -- "$demo" results5.txt quick
e2e_wait_exit 60 || e2e_fail "run 5: the demo did not end"
[ "$E2E_PROGRAM_STATUS" = 0 ] || e2e_fail "run 5: the demo ended with $E2E_PROGRAM_STATUS"
[ -f "$E2E_DIR/watcher.1.log" ] || e2e_fail "run 5: the first start's log was not kept"
expect_line "$wlog" '"ev":"acted".*"title":"Box demo".*"pressed":"OK"' "run 5: the message box"
expect_line "$wlog" '"ev":"end","why":"program-ended","exit_code":0' "run 5: the watcher's end"
[ "$(grep -c '"ev":"start"' "$wlog")" = 1 ] || e2e_fail "run 5: the log holds more than this start"
e2e_stop 10

# Nothing of the runs is left running (Wine shows a program's path in its Windows form).
windir=$(e2e_winpath "$E2E_DIR") left=
for f in /proc/[0-9]*/cmdline; do
  c=$( { tr '\0' ' ' < "$f"; } 2>/dev/null)
  case "$c" in *"$E2E_DIR"* | *"$windir"*) left="$left${f%/cmdline}: $c; " ;; esac
done
[ -z "$left" ] || e2e_fail "left running: $left"

e2e_log "watcher self-test passed"
