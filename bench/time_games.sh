#!/usr/bin/env bash
# Times the games measure as a whole process: the program reads the whole
# protocol-mode session of bench/games.txt at once. Prints the best of the runs.
#
# usage: bench/time_games.sh PROGRAM [runs] [games file]
set -euo pipefail
program=$1
runs=${2:-5}
games=${3:-$(dirname "${BASH_SOURCE[0]}")/games.txt}
best=
for _ in $(seq "$runs"); do
  start=$(date +%s%N)
  "$program" < "$games" > /dev/null
  elapsed=$(( ($(date +%s%N) - start) / 1000 ))
  if [ -z "$best" ] || [ "$elapsed" -lt "$best" ]; then best=$elapsed; fi
done
moves=$("$program" < "$games" | grep -c '^move ')
echo "$games: best of $runs runs $((best / 1000)) ms, $moves engine moves, $((best / moves)) us per move"
