#!/usr/bin/env bash
# mainwindow-calls.sh WATCHER.exe PROGRAM.exe SIMULATOR: three calls recorded in one run, then a
# screenshot of the main window with them in its call list, checked to be a picture and not a
# blank screen: $VL_OUT/e2e/mainwindow-calls/mainwindow.png, copied to
# $VL_SUITE/screenshot-calls.png. The window is placed where the whole of it is on the screen.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/e2e.sh"
. "$here/armed.sh"
e2e_begin mainwindow-calls "$@"

armed_start MainLeft=40 MainTop=40 MainWid=720 MainHeight=520 < /dev/null
n=0
for number in 5550401 5550402 5550403; do
  n=$((n + 1))
  e2e_sim "stream com3 speech synth $((n + 1))s"
  e2e_sim "stream com3 busy forever"
  e2e_sim "ring com3 cadence=fast count=3 cid=between cid.nmbr=$number"
  armed_wait_wavs $n 60
  armed_wait_init $((n + 1))
done
e2e_wait_line "$E2E_DIR/watcher.log" '"ev":"seen".*"class":"TfmQdx"' 30 || e2e_fail "no main window"
sleep 2
shot=$E2E_DIR/mainwindow.png
e2e_screenshot "$shot"
e2e_stop_ok

[ "$(armed_rows | grep -c .)" = 3 ] || e2e_fail "Recordings.d: $(armed_rows)"
# A blank screen is one colour; the window with its tree, list and bars has many.
colours=$(timeout -k 5 30 identify -format '%k' "$shot") || e2e_fail "identify cannot read $shot"
[ "$colours" -ge 16 ] || e2e_fail "the screenshot has $colours colours: blank"
mkdir -p "$VL_OUT/e2e/mainwindow-calls" && cp "$shot" "$VL_OUT/e2e/mainwindow-calls/mainwindow.png" &&
  cp "$shot" "$VL_SUITE/screenshot-calls.png" || e2e_fail "cannot copy the screenshot"
e2e_log "ok: $VL_SUITE/screenshot-calls.png, $colours colours"
exit 0
