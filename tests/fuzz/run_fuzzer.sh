#!/usr/bin/env bash
# Builds the whole-program fuzz target and runs it on one core:
#   tests/fuzz/run_fuzzer.sh [SECONDS | -runs=N]      (default: 60 seconds)
#
# Three runs follow each other, all with the word list program.dict:
#   short inputs  up to 4096 bytes, games cut after 8 moves, on a copy of
#                 tests/fuzz/seeds, tests/fuzz/regressions and the inputs of
#                 tests/sessions (70% of the time, or N runs);
#   long inputs   up to about 1 MB, on seeds made here with 1 MB words in
#                 both modes (10% of the time, or N/500 runs, at least 20);
#   deep games    games cut after 200 moves (FUZZ_MOVE_LIMIT), so that
#                 castling on both wings, promotion, stalemate and late mates
#                 are reached (20% of the time, or N/50 runs, at least 20).
# Nothing is written into the repository: the corpora, logs and findings live
# in FUZZ_WORK_DIR (default: a new directory under /tmp, kept afterwards). Run
# again with the same FUZZ_WORK_DIR to go on from the corpus already grown.
#
# Prints the executions, the coverage and every finding, named after its run
# (short-crash-..., deep-timeout-...) with the command that replays it; exits
# 1 on a crash, leak, timeout, out-of-memory or sanitizer report. Each finding
# is minimised (at most MINIMIZE_SECONDS, default 60; 0 skips it).
#
# Other settings: FUZZ_BUILD_DIR (default FUZZ_WORK_DIR/build), FUZZ_SKIP_BUILD=1
# to use the fuzzer already in FUZZ_BUILD_DIR, FUZZ_EXTRA_FLAGS for more
# libFuzzer flags.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)

seconds=60
runs=""
case "${1:-}" in
  "") ;;
  -runs=*) runs=${1#-runs=} ;;
  *) seconds=$1 ;;
esac
if [[ -n $runs && ! $runs =~ ^[0-9]+$ ]] || [[ ! $seconds =~ ^[0-9]+$ ]] || [[ $# -gt 1 ]]; then
  echo "usage: $0 [SECONDS | -runs=N]" >&2
  exit 2
fi

work=${FUZZ_WORK_DIR:-$(mktemp -d /tmp/chess_fuzz.XXXXXX)}
mkdir -p "$work"
work=$(cd "$work" && pwd)
case "$work/" in
  "$repo"/*)
    echo "run_fuzzer: FUZZ_WORK_DIR must lie outside the repository ($repo)" >&2
    exit 2
    ;;
esac
build=${FUZZ_BUILD_DIR:-$work/build}
fuzzer=$build/tests/fuzz/fuzz_program

if [[ ${FUZZ_SKIP_BUILD:-0} != 1 ]]; then
  "$here/build_fuzzer.sh" "$build" || { echo "run_fuzzer: build failed" >&2; exit 1; }
fi
[[ -x $fuzzer ]] || { echo "run_fuzzer: no fuzzer at $fuzzer" >&2; exit 1; }

mkdir -p "$work/corpus" "$work/long_corpus" "$work/deep_corpus" "$work/artifacts" "$work/logs"
# The seeds are copied, never fuzzed in place: new units go to $work only.
for corpus in corpus deep_corpus; do
  find "$here/seeds" "$here/regressions" -maxdepth 1 -type f ! -name '.*' ! -name 'README*' \
    -exec cp -n {} "$work/$corpus/" \;
done
# The session scripts' inputs too (tests/sessions/NAME.in, copied as
# session_NAME so that no seed of the same name is hidden).
for input in "$repo"/tests/sessions/*.in; do
  [[ -f $input ]] || continue
  name=session_$(basename "$input" .in)
  for corpus in corpus deep_corpus; do cp -n "$input" "$work/$corpus/$name"; done
done

# Long inputs, made here rather than kept in the repository: each is a text
# before, a word of 1 MB of one letter, and a text after.
long_seed() {
  local file="$work/long_corpus/$1"
  [[ -f $file ]] && return
  { printf '%b' "$2"; head -c 1048576 /dev/zero | tr '\0' "$3"; printf '%b' "$4"; } >"$file"
}
long_seed console_1mb_name '' n '\nW\ne2\ne4\n'
long_seed console_1mb_side_answer 'Ann\n' z '\nW\ne2\ne4\n'
long_seed console_1mb_rank 'Ann\nW\ne' 9 '\ne4\ne2\ne4\n'
long_seed console_1mb_hex_rank 'Ann\nW\ne0x' f '\ne4\ne2\ne4\n'
long_seed xboard_1mb_word 'xboard\nnew\ne2e4' x '\ne2e4\ng1f3\n'
long_seed xboard_1mb_time_word 'xboard\nnew\ntime' 1 '\nwhite\nquit\n'
long_seed xboard_1mb_name_prefix 'xboard' d '\nB\n'

# at_least N MIN: N, or MIN when N is smaller.
at_least() { echo $(($1 < $2 ? $2 : $1)); }
if [[ -n $runs ]]; then
  short_limit=(-runs="$runs")
  long_limit=(-runs="$(at_least $((runs / 500)) 20)")
  deep_limit=(-runs="$(at_least $((runs / 50)) 20)")
else
  short_seconds=$(at_least $((seconds * 70 / 100)) 1)
  long_seconds=$(at_least $((seconds / 10)) 5)
  deep_seconds=$(at_least $((seconds - short_seconds - long_seconds)) 5)
  short_limit=(-max_total_time="$short_seconds")
  long_limit=(-max_total_time="$long_seconds")
  deep_limit=(-max_total_time="$deep_seconds")
fi

common=(-timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -dict="$here/program.dict")
read -r -a extra <<<"${FUZZ_EXTRA_FLAGS:-}"

failed=0
total_runs=0
stamp=$(date +%Y%m%d-%H%M%S)
started="$work/logs/$stamp.started"
touch "$started"

# Runs libFuzzer once and reports what its log says.
fuzz() {
  local label=$1
  shift
  local log="$work/logs/$stamp-$label.log"
  echo "run_fuzzer: $label: $fuzzer $*" >&2
  "$fuzzer" "$@" >"$log" 2>&1
  local status=$?
  local executed cov ft corpus
  executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  corpus=$(grep -o 'corp: [0-9]*/[0-9]*[a-zA-Z]*' "$log" | tail -1 | cut -d' ' -f2)
  total_runs=$((total_runs + ${executed:-0}))
  printf '%-6s executions: %s  cov: %s  ft: %s  corpus: %s  exit: %d  log: %s\n' \
    "$label" "${executed:-?}" "${cov:-?}" "${ft:-?}" "${corpus:-?}" "$status" "$log"
  if [[ $status -ne 0 ]]; then
    failed=1
    echo "---- $label: last lines of the log ----"
    grep -E 'ERROR|SUMMARY|==fuzz_program==|runtime error|Test unit written|deadly signal|timeout|leak' "$log" |
      tail -20
    echo "----"
  fi
}

fuzz short "${common[@]}" -artifact_prefix="$work/artifacts/short-" -max_len=4096 "${short_limit[@]}" \
  "${extra[@]}" "$work/corpus"
fuzz long "${common[@]}" -artifact_prefix="$work/artifacts/long-" -max_len=1100000 "${long_limit[@]}" \
  "${extra[@]}" "$work/long_corpus"
FUZZ_MOVE_LIMIT=200 fuzz deep "${common[@]}" -artifact_prefix="$work/artifacts/deep-" -max_len=4096 "${deep_limit[@]}" \
  "${extra[@]}" "$work/deep_corpus"

findings=()
while IFS= read -r -d '' file; do findings+=("$file"); done < <(
  find "$work/artifacts" -maxdepth 1 -type f \( -name '*-crash-*' -o -name '*-leak-*' -o -name '*-timeout-*' \
    -o -name '*-oom-*' -o -name '*-slow-unit-*' \) ! -name '*.min' -newer "$started" -print0 2>/dev/null)

echo "run_fuzzer: total executions: $total_runs"
echo "run_fuzzer: corpora kept in $work: corpus ($(find "$work/corpus" -type f | wc -l) files)," \
  "long_corpus ($(find "$work/long_corpus" -type f | wc -l)), deep_corpus ($(find "$work/deep_corpus" -type f | wc -l))"
for file in "${findings[@]}"; do
  name=$(basename "$file")
  limit=8
  [[ $name == deep-* ]] && limit=200
  if [[ $name == *-slow-unit-* ]]; then
    echo "run_fuzzer: slow input (reported, not a failure): $file"
    continue
  fi
  failed=1
  echo "run_fuzzer: FINDING $file ($(wc -c <"$file") bytes)"
  echo "run_fuzzer:   replay: FUZZ_MOVE_LIMIT=$limit $fuzzer $file"
  if [[ ${MINIMIZE_SECONDS:-60} -gt 0 ]]; then
    FUZZ_MOVE_LIMIT=$limit "$fuzzer" -minimize_crash=1 -max_total_time="${MINIMIZE_SECONDS:-60}" -timeout=10 \
      -rss_limit_mb=2048 -exact_artifact_path="$file.min" "$file" >"$work/logs/minimize-$name.log" 2>&1
    if [[ -f $file.min ]]; then
      echo "run_fuzzer:   minimised: $file.min ($(wc -c <"$file.min") bytes)"
    fi
  fi
done
if [[ $failed -ne 0 ]]; then
  echo "run_fuzzer: FAILED"
  exit 1
fi
echo "run_fuzzer: no findings"
