#!/usr/bin/env bash
# Synthesises the default reminder chime (the build writes it to
# defaultdata/ring/ring01.mp3): three soft bell tones (C6, E6, G6) that ring
# out over each other, then fade.
#   tools/make-ring.sh OUT.mp3
set -euo pipefail
out=${1:?usage: make-ring.sh OUT.mp3}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
note() { # name, frequency, delay seconds
    sox -n -r 44100 -c 2 "$tmp/$1.wav" synth 2.2 sine "$2" sine "$(awk -v f="$2" 'BEGIN { printf "%.4f", f * 2.01 }')" \
        remix - channels 2 fade q 0.005 2.2 2.0 vol 0.35 pad "$3" 0
}
note c 1046.5 0
note e 1318.5 0.28
note g 1568.0 0.56
sox -m "$tmp/c.wav" "$tmp/e.wav" "$tmp/g.wav" "$tmp/chime.wav" gain -n -3 reverb 30
mkdir -p "$(dirname "$out")"
lame --quiet -b 96 "$tmp/chime.wav" "$out"
