#!/usr/bin/env bash
# Sets up what is missing, builds the optimised program and starts it.
# Until the windows are in place this shows the headless analysis of a simulated set:
# a board model produces the bytes a board sends, and kinetra-analyze turns them into the
# repetitions table the program would show.
set -euo pipefail
cd "$(dirname "$0")"

scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release

bin=build/release
stream=$(mktemp --suffix=.bin)
trap 'rm -f "$stream"' EXIT
"$bin/cli/kinetra-simulate-set" --link serial --board-type 1 --reps 6 --seed 7 -o "$stream"
# The table is the program's 8-bit CSV; shown here in the terminal's encoding.
"$bin/cli/kinetra-analyze" --link serial --board-type 1 --min-displacement 100 \
  --vel-max 1000 --upper 90 --lower 60 "$stream" | iconv -f WINDOWS-1252 -t UTF-8
