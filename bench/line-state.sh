#!/usr/bin/env bash
# line-state.sh [BUILD-FOLDER]: the hang-up rule over generated signals. Builds the benchmark
# natively, makes 15 minutes of speech (espeak-ng, several voices and pitches) and of single-note
# melodies (sox), and prints, for these and for the generated hang-up tones, when each would end
# a recording under the rule before and under the rule now. Not part of the test command.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=${1:-$(dirname "$here")/build/bench}
signals=$build/signals
mkdir -p "$signals"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release > "$build/configure.log" 2>&1 || { cat "$build/configure.log"; exit 1; }
cmake --build "$build" > "$build/build.log" 2>&1 || { cat "$build/build.log"; exit 1; }

seconds=900
# The trace converter's output: unsigned 8-bit mono at 8000 Hz; loud parts 6 dB below full scale.
to_trace() {  # to_trace IN.wav OUT.u8
  local length
  length=$(soxi -D "$1")
  sox "$1" -t raw -r 8000 -c 1 -b 8 -e unsigned-integer "$2.tmp" gain -n -6 \
    repeat "$(awk -v s="$seconds" -v l="$length" 'BEGIN { print int(s / l) + 1 }')" trim 0 "$seconds"
  mv "$2.tmp" "$2"
}

text="Good morning, this is the front desk calling back about your order. We received the parcel
on Tuesday, but two of the boxes were damaged in transit, so we would like to send replacements.
Could you tell me whether the delivery address is still the same, and whether somebody will be at
home on Friday afternoon? If not, we can leave it with a neighbour or at the post office nearby.
Thank you for your patience; I know this has taken longer than it should have. Please call us
back at any time between nine and five, and ask for the shipping department."
args=()
for voice in en-us+m3:40 en+m1:20 en+f3:70 en-gb+f4:90 en+f5:99 en-us+f2:80 de+f2:60 en+klatt:99; do
  name=${voice%%:*} pitch=${voice##*:}
  out=$signals/speech-$name-$pitch.u8
  if [ ! -s "$out" ]; then
    espeak-ng -v "$name" -p "$pitch" -s 165 -w "$signals/speech.wav" "$text"
    to_trace "$signals/speech.wav" "$out"
  fi
  args+=("speech $name pitch $pitch=$out")
done

# A minute of notes on a scale, a random walk of whole notes 0.2 to 0.8 s long, then repeated.
melody() {  # melody WAVE SEED OUT.wav
  local notes
  notes=$(awk -v wave="$1" -v seed="$2" 'BEGIN {
    srand(seed); split("262 294 330 349 392 440 494 523 587 659 698 784", scale, " ");
    n = 6; t = 0;
    while (t < 60) {
      d = 0.2 + 0.2 * int(rand() * 4); step = int(rand() * 5) - 2; n += step;
      if (n < 1) n = 2; if (n > 12) n = 11;
      printf "synth %.1f %s %s fade 0.01 %.1f 0.03 : ", d, wave, scale[n], d; t += d }
  }')
  # shellcheck disable=SC2086
  sox -n -r 8000 -c 1 "$3" ${notes% : }
}
for tune in sine:1 triangle:2 square:3 sine:4; do
  wave=${tune%%:*} seed=${tune##*:}
  out=$signals/melody-$wave-$seed.u8
  if [ ! -s "$out" ]; then
    melody "$wave" "$seed" "$signals/melody.wav"
    to_trace "$signals/melody.wav" "$out"
  fi
  args+=("melody $wave $seed=$out")
done
rm -f "$signals/speech.wav" "$signals/melody.wav"

"$build/line_state_bench" "${args[@]}"
