#!/usr/bin/env bash
# Runs a test executable under Wine with ALSA's file plugin as the sound card: everything the
# program plays lands in <folder>/cap.wav (rewritten at every device open). The test finds the
# folder in VL_CAPTURE.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
folder=$1
shift
rm -rf "$folder"
mkdir -p "$folder/home"
cat > "$folder/home/.asoundrc" <<ASOUND
pcm.!default { type file; slave.pcm "null"; file "$folder/cap.wav"; format "wav" }
ASOUND
export HOME="$folder/home" VL_CAPTURE="$folder"
exec bash "$here/../../scripts/wine-run.sh" "$@"
