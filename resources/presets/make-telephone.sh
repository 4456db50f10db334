#!/usr/bin/env bash
# Rebuilds telephone.fxp: the band of a telephone line, 300 Hz to 3.4 kHz,
# with the lows and highs pulled down and the middle lifted, narrow bands
# (Q at its top) and the output gain lowered to keep the level.
# Usage: make-telephone.sh SORREL_HOST SORREL_PLUGIN
set -euo pipefail
host=$1 plugin=$2
args=(--name Telephone --set Q=1 --set "Out gain=0.28")
for band in $(seq 0 30); do
  if   [ "$band" -le 14 ]; then v=0      # up to 250 Hz
  elif [ "$band" -le 15 ]; then v=0.35   # 300 Hz
  elif [ "$band" -le 18 ]; then v=0.7    # 360 to 580 Hz
  elif [ "$band" -le 23 ]; then v=0.9    # 780 Hz to 2.5 kHz
  elif [ "$band" -le 24 ]; then v=0.55   # 3.3 kHz
  else v=0                               # 4.4 kHz and up
  fi
  args+=(--set "$((band + 2))=$v")
done
"$host" preset save "$plugin" "$(dirname "$0")/telephone.fxp" "${args[@]}"
