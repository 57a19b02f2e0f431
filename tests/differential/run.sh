#!/usr/bin/env bash
# Differential tests against chess.js: games in the board-program mode, then
# perft counts of positions from those games and from random play.
#
# usage: tests/differential/run.sh BINARY_DIR [games] [max-plies]
#   BINARY_DIR  the build folder (holds chess and tests/perft_tool)
#   games       games to play (default 200)
#   max-plies   plies after which a game is left (default 150)
# DIFFERENTIAL_SEED sets the seed of the random opponent (default 1);
# DIFFERENTIAL_PERFT_POSITIONS how many positions perft compares from random
# play and from the games each (default 100 and 300).
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 BINARY_DIR [games] [max-plies]" >&2
  exit 2
fi
binary_dir=$(cd "$1" && pwd)
games=${2:-200}
max_plies=${3:-150}
seed=${DIFFERENTIAL_SEED:-1}
perft_random=${DIFFERENTIAL_PERFT_POSITIONS:-100}
perft_games=${DIFFERENTIAL_PERFT_POSITIONS:-300}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cd "$here"

if [ ! -d node_modules/chess.js ]; then
  npm ci --no-audit --no-fund --loglevel=error
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
node play_games.mjs --binary "$binary_dir/chess" --games "$games" --max-plies "$max_plies" \
  --seed "$seed" --fens-out "$work/positions.fen" || status=1
fens=()
if [ -s "$work/positions.fen" ]; then fens=(--fens "$work/positions.fen"); fi
for generator in rules search; do
  node perft_compare.mjs --tool "$binary_dir/tests/perft_tool" --generator "$generator" --seed "$seed" \
    --positions "$perft_random" --max-fens "$perft_games" ${fens[@]+"${fens[@]}"} || status=1
done
exit $status
