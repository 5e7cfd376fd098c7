#!/usr/bin/env bash
# vm-check.sh MODEMSIM SPEECH_WAV: a V.253 client that nobody here wrote (vm of mgetty-voice)
# against the simulator on a pty: its diagnostics, then a short recording of a scripted call,
# decoded with the pvf tools and compared with what the simulator streamed.
# vm reads only /etc/mgetty/voice.conf; its V.253 driver is forced in a private copy bound over
# that file inside a mount namespace of its own, so the host's file is never touched.
set -uo pipefail
sim=${1:?usage: vm-check.sh MODEMSIM SPEECH_WAV}
speech=${2:?usage: vm-check.sh MODEMSIM SPEECH_WAV}
for tool in vm rmdtopvf pvftowav sox unshare; do
  command -v "$tool" > /dev/null || { echo "vm-check: $tool is not installed (scripts/setup.sh)"; exit 77; }
done
if ! unshare --mount --propagation private true 2> /dev/null; then
  echo "vm-check: no mount namespace here, so vm's V.253 driver cannot be forced: skipped"
  exit 77
fi

work=$(mktemp -d /tmp/modemsim-vm.XXXXXX)
simpid=
finish() {
  [ -n "$simpid" ] && kill "$simpid" 2> /dev/null && wait "$simpid" 2> /dev/null
  rm -rf "$work"
}
trap finish EXIT
fail() {
  echo "vm-check: $*"
  echo "--- simulator log (tail) ---"
  tail -n 30 "$work/log" 2> /dev/null
  exit 1
}

sed 's/^#forceV253 FALSE/forceV253 TRUE/' /etc/mgetty/voice.conf > "$work/voice.conf"
grep -q '^forceV253 TRUE' "$work/voice.conf" || fail "could not force the V.253 driver in voice.conf"
cat > "$work/call.scn" <<SCN
port com3 profile=generic
answer com3
on com3 vrx:
  stream speech $speech
  stream silence forever
SCN

"$sim" --dir "$work" --control 0 --ready "$work/ready" --scenario "$work/call.scn" --log "$work/log" \
  --dump "$work" 2> "$work/stderr" &
simpid=$!
for i in $(seq 1 200); do
  [ -s "$work/ready" ] && break
  sleep 0.05
done
[ -s "$work/ready" ] || fail "the simulator did not get ready: $(cat "$work/stderr")"

# vm takes the device name relative to /dev.
device=$(realpath --relative-to=/dev -s "$work/com3")
timeout 120 unshare --mount --propagation private sh -c '
  mount --bind "$1/voice.conf" /etc/mgetty/voice.conf || exit 1
  vm diagnostics "$2" > "$1/diag.txt" 2>&1 || exit 2
  vm record -t -L 2 -l "$2" "$1/rec.rmd" > "$1/record.txt" 2>&1 || exit 3
' vm-check "$work" "$device"
status=$?
[ $status -eq 0 ] || fail "vm failed ($status): $(cat "$work/diag.txt" "$work/record.txt" 2> /dev/null | tail -n 20)"

grep -q 'AT+FCLASS=? --> 0,1,1.0,8' "$work/diag.txt" || fail "diagnostics did not see the classes: $(cat "$work/diag.txt")"
grep -q 'ATI4    --> VSIM 56K Voice' "$work/diag.txt" || fail "diagnostics did not see the model"

dump=$work/com3.1.raw
[ -s "$dump" ] || fail "the simulator streamed nothing"
n=$(stat -c %s "$dump")
[ "$n" -ge 8000 ] || fail "only $n bytes streamed"
# The recording's data is exactly what was streamed (8-bit linear, the compression vm chose).
tail -c +33 "$work/rec.rmd" | cmp -n "$n" - "$dump" || fail "the recording differs from the stream"
# And decoded by the pvf tools it is the same audio.
rmdtopvf "$work/rec.rmd" "$work/rec.pvf" || fail "rmdtopvf failed"
pvftowav "$work/rec.pvf" "$work/rec.wav" || fail "pvftowav failed"
sox "$work/rec.wav" -t raw -e unsigned -b 8 "$work/rec.u8" || fail "sox could not read the decoded recording"
cmp -n "$n" "$work/rec.u8" "$dump" || fail "the decoded recording differs from the stream"
# Speech, not silence.
rms=$(sox "$work/rec.wav" -n stat 2>&1 | sed -n 's/^RMS *amplitude: *//p')
awk -v r="$rms" 'BEGIN { exit !(r > 0.01) }' || fail "the recording is too quiet (RMS $rms)"
echo "vm-check: vm's diagnostics and a $n-byte recording match the simulator"
