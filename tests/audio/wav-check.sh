#!/usr/bin/env bash
# Checks with sox what the WAV tests wrote: formats and lengths as soxi reports them, no
# warnings, and the same samples as our own decoding (IMA ADPCM within 1 LSB).
set -uo pipefail
folder=$1
status=0
fail() { echo "FAIL: $*"; status=1; }

expect() {  # file rate channels encoding samples
  local f=$folder/$1 got
  got="$(soxi -r "$f") $(soxi -c "$f") $(soxi -e "$f") $(soxi -s "$f")"
  [ "$got" = "$2 $3 $4 $5" ] || fail "$1: soxi says '$got', expected '$2 $3 $4 $5'"
  if sox -V2 "$f" -n 2>&1 | grep -qi warn; then fail "$1: sox warns: $(sox -V2 "$f" -n 2>&1)"; fi
}

expect ours_pcm.wav 8000 1 "Unsigned Integer PCM" 23735
expect ours_ima.wav 8000 1 "IMA ADPCM" 23735
expect ours_ima_recorded.wav 8000 1 "IMA ADPCM" 23735
cmp -s "$folder/ours_ima.wav" "$folder/ours_ima_recorded.wav" || fail "a recording block by block differs from one write"
expect ours_mulaw.wav 8000 1 "u-law" 23735
expect ours_gsm.wav 8000 1 "GSM" 8000
expect ours_ima_by_wine.wav 8000 1 "Unsigned Integer PCM" 23735
expect sox_ima_by_wine.wav 8000 1 "Unsigned Integer PCM" 8080

# The PCM file holds exactly the bytes written.
sox "$folder/ours_pcm.wav" -t raw "$folder/ours_pcm.sox.raw"
cmp -s "$folder/ours_pcm.raw" "$folder/ours_pcm.sox.raw" || fail "ours_pcm.wav: data differs from what was written"

# Largest difference, in 8-bit steps, between sox's decoding of an IMA file and Wine's.
ima_diff() {  # ima-file wine-decoded-file
  local a=$folder/$1.u8 b=$folder/$2.u8
  sox -D "$folder/$1" -t raw -e unsigned -b 8 "$a"  # no dither: plain rounding
  sox -D "$folder/$2" -t raw -e unsigned -b 8 "$b"
  [ "$(stat -c %s "$a")" = "$(stat -c %s "$b")" ] || { echo 999; return; }
  # cmp -l lists the differing bytes in octal.
  { cmp -l "$a" "$b" || true; } | awk '
    function oct(s,  n, i) { n = 0; for (i = 1; i <= length(s); i++) n = n * 8 + substr(s, i, 1); return n }
    BEGIN { m = 0 }
    { x = oct($2) - oct($3); if (x < 0) x = -x; if (x > m) m = x }
    END { print m }'
}
for pair in "ours_ima.wav ours_ima_by_wine.wav" "sox_ima.wav sox_ima_by_wine.wav"; do
  d=$(ima_diff $pair)
  [ "$d" -le 1 ] || fail "$pair: sox and Wine differ by $d steps"
done
[ $status = 0 ] && echo "sox agrees with every file"
exit $status
