#!/usr/bin/env bash
# Makes the files of a third party that the WAV reader must load: sox writes a "fact" chunk
# between "fmt " and "data".
set -euo pipefail
folder=$1
rm -rf "$folder"
mkdir -p "$folder"
for enc in ima-adpcm:sox_ima mu-law:sox_mulaw gsm-full-rate:sox_gsm; do
  sox -n -r 8000 -c 1 -e "${enc%%:*}" "$folder/${enc##*:}.wav" synth 1 sine 400
done
