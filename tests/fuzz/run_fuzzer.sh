#!/usr/bin/env bash
# Builds the whole-program fuzz target and runs it on one core:
#   tests/fuzz/run_fuzzer.sh [SECONDS | -runs=N]      (default: 60 seconds)
#
# Two runs follow each other:
#   short inputs  -max_len=4096, on a copy of tests/fuzz/seeds and
#                 tests/fuzz/regressions (85% of the time, or N runs);
#   long inputs   -max_len=1100000, on seeds made here with 1 MB words in
#                 both modes (the rest of the time, or N/500 runs, at least 20).
# Both use -timeout=10 -rss_limit_mb=2048 and the word list program.dict.
# Nothing is written into the repository: the corpora, logs and findings live
# in FUZZ_WORK_DIR (default: a new directory under /tmp, kept afterwards). Run
# again with the same FUZZ_WORK_DIR to go on from the corpus already grown.
#
# Prints the executions, the coverage (cov and ft of libFuzzer's last status
# line) and every finding; exits 1 on a crash, leak, timeout, out-of-memory or
# sanitizer report. Each finding is minimised (-minimize_crash=1, at most
# MINIMIZE_SECONDS, default 60; 0 skips it).
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
fuzzer=$build/fuzz_program

if [[ ${FUZZ_SKIP_BUILD:-0} != 1 ]]; then
  "$here/build_fuzzer.sh" "$build" || { echo "run_fuzzer: build failed" >&2; exit 1; }
fi
[[ -x $fuzzer ]] || { echo "run_fuzzer: no fuzzer at $fuzzer" >&2; exit 1; }

mkdir -p "$work/corpus" "$work/long_corpus" "$work/artifacts" "$work/logs"
# The seeds are copied, never fuzzed in place: new units go to $work only.
for dir in seeds regressions; do
  if [[ -d $here/$dir ]]; then
    find "$here/$dir" -maxdepth 1 -type f ! -name '.*' ! -name 'README*' -exec cp -n {} "$work/corpus/" \;
  fi
done

# Long inputs, made here rather than kept in the repository.
make_long_seeds() {
  local dir=$1 mb=1048576
  long_word() { head -c "$mb" /dev/zero | tr '\0' "$1"; }
  [[ -f $dir/console_1mb_name ]] || { long_word n; printf '\nW\ne2\ne4\n'; } >"$dir/console_1mb_name"
  [[ -f $dir/console_1mb_side_answer ]] || { printf 'Ann\n'; long_word z; printf '\nW\ne2\ne4\n'; } >"$dir/console_1mb_side_answer"
  [[ -f $dir/console_1mb_rank ]] || { printf 'Ann\nW\ne'; long_word 9; printf '\ne4\ne2\ne4\n'; } >"$dir/console_1mb_rank"
  [[ -f $dir/console_1mb_hex_rank ]] || { printf 'Ann\nW\ne0x'; long_word f; printf '\ne4\ne2\ne4\n'; } >"$dir/console_1mb_hex_rank"
  [[ -f $dir/xboard_1mb_word ]] || { printf 'xboard\nnew\ne2e4'; long_word x; printf '\ne2e4\ng1f3\n'; } >"$dir/xboard_1mb_word"
  [[ -f $dir/xboard_1mb_time_word ]] || { printf 'xboard\nnew\ntime'; long_word 1; printf '\nwhite\nquit\n'; } >"$dir/xboard_1mb_time_word"
  [[ -f $dir/xboard_1mb_name_prefix ]] || { printf 'xboard'; long_word d; printf '\nB\n'; } >"$dir/xboard_1mb_name_prefix"
}
make_long_seeds "$work/long_corpus"

if [[ -n $runs ]]; then
  short_limit=(-runs="$runs")
  long_runs=$((runs / 500))
  ((long_runs < 20)) && long_runs=20
  long_limit=(-runs="$long_runs")
else
  short_seconds=$((seconds * 85 / 100))
  ((short_seconds < 1)) && short_seconds=1
  long_seconds=$((seconds - short_seconds))
  ((long_seconds < 5)) && long_seconds=5
  short_limit=(-max_total_time="$short_seconds")
  long_limit=(-max_total_time="$long_seconds")
fi

common=(-timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -dict="$here/program.dict"
  -artifact_prefix="$work/artifacts/")
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
    grep -E 'ERROR|SUMMARY|==fuzz_program==|runtime error|Test unit written|deadly signal|timeout|leak' "$log" | tail -20
    echo "----"
  fi
}

fuzz short "${common[@]}" -max_len=4096 "${short_limit[@]}" "${extra[@]}" "$work/corpus"
fuzz long "${common[@]}" -max_len=1100000 "${long_limit[@]}" "${extra[@]}" "$work/long_corpus"

findings=()
while IFS= read -r -d '' file; do findings+=("$file"); done < <(
  find "$work/artifacts" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
    -o -name 'oom-*' -o -name 'slow-unit-*' \) -newer "$started" -print0 2>/dev/null)

echo "run_fuzzer: total executions: $total_runs"
echo "run_fuzzer: corpus kept in $work/corpus ($(find "$work/corpus" -type f | wc -l) files)," \
  "long-input corpus in $work/long_corpus"
for file in "${findings[@]}"; do
  if [[ $(basename "$file") == slow-unit-* ]]; then
    echo "run_fuzzer: slow input (reported, not a failure): $file"
    continue
  fi
  failed=1
  echo "run_fuzzer: FINDING $file ($(wc -c <"$file") bytes)"
  echo "run_fuzzer:   replay: $fuzzer $file"
  if [[ ${MINIMIZE_SECONDS:-60} -gt 0 ]]; then
    "$fuzzer" -minimize_crash=1 -max_total_time="${MINIMIZE_SECONDS:-60}" -timeout=10 -rss_limit_mb=2048 \
      -exact_artifact_path="$file.min" "$file" >"$work/logs/minimize-$(basename "$file").log" 2>&1
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
