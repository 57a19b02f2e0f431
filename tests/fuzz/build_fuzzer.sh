#!/usr/bin/env bash
# Builds the libFuzzer target for the whole program with plain clang++:
#   tests/fuzz/build_fuzzer.sh OUTDIR
# The program's sources are the ones of the chesscore library as listed in
# the top-level CMakeLists.txt (everything but frontend/main.cpp), read at
# every build. The result is OUTDIR/fuzz_program.
# CXX may name another clang++; JOBS (default 1) compiles that many sources
# at a time.
#
# Comparison tracing (-fsanitize-coverage=trace-cmp, part of
# -fsanitize=fuzzer) is left out of the sources whose paths start with one of
# the words in NO_CMP_TRACE (default "engine/"). The search compares board
# contents millions of times per input, never the input bytes themselves, and
# those callbacks took about three quarters of the run time; edge coverage
# and the address and undefined-behaviour checks stay on everywhere.
# NO_CMP_TRACE="" instruments every source fully.
set -euo pipefail

if [[ $# -ne 1 ]]; then
  echo "usage: $0 OUTDIR" >&2
  exit 2
fi
out_dir=$1
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cxx=${CXX:-}
if [[ -z $cxx ]]; then
  for candidate in clang++ clang++-14; do
    if command -v "$candidate" >/dev/null; then cxx=$candidate; break; fi
  done
fi
if [[ -z $cxx ]]; then
  echo "build_fuzzer: no clang++ found (apt-get install clang libclang-rt-14-dev)" >&2
  exit 1
fi
jobs=${JOBS:-1}
no_cmp_trace=${NO_CMP_TRACE-engine/}

# The body of add_library(chesscore STATIC ...): every .cpp word up to the
# closing parenthesis.
mapfile -t sources < <(awk '
  /add_library\(chesscore/ { inside = 1 }
  inside {
    line = $0
    sub(/#.*/, "", line)
    n = split(line, words, /[ \t()]+/)
    for (i = 1; i <= n; ++i) if (words[i] ~ /\.cpp$/) print words[i]
    if (line ~ /\)/) exit
  }' "$repo/CMakeLists.txt")
if [[ ${#sources[@]} -eq 0 ]]; then
  echo "build_fuzzer: no sources found in the chesscore target of $repo/CMakeLists.txt" >&2
  exit 1
fi
for source in "${sources[@]}"; do
  if [[ $source == frontend/main.cpp ]]; then
    echo "build_fuzzer: frontend/main.cpp is in chesscore; it must not be linked into the fuzzer" >&2
    exit 1
  fi
  if [[ ! -f $repo/$source ]]; then
    echo "build_fuzzer: $source is listed in CMakeLists.txt but missing" >&2
    exit 1
  fi
done

mkdir -p "$out_dir/obj"
out_dir=$(cd "$out_dir" && pwd)
flags=(-std=c++20 -g -O1 -fno-omit-frame-pointer
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
  -I "$repo")
# The library itself is built with -fsanitize=fuzzer-no-link: coverage and
# comparison tracing without a second main.
lib_flags=("${flags[@]/-fsanitize=fuzzer,address,undefined/-fsanitize=fuzzer-no-link,address,undefined}")

echo "build_fuzzer: $cxx, ${#sources[@]} sources: ${sources[*]}"
echo "build_fuzzer: no comparison tracing in: ${no_cmp_trace:-(none)}"
objects=()
pids=()
for source in "${sources[@]}"; do
  object="$out_dir/obj/${source//\//_}.o"
  objects+=("$object")
  extra=()
  for prefix in $no_cmp_trace; do
    if [[ $source == "$prefix"* ]]; then extra=(-fno-sanitize-coverage=trace-cmp); fi
  done
  "$cxx" "${lib_flags[@]}" "${extra[@]}" -c "$repo/$source" -o "$object" &
  pids+=($!)
  if [[ ${#pids[@]} -ge $jobs ]]; then
    wait "${pids[0]}"
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do wait "$pid"; done

"$cxx" "${flags[@]}" "$repo/tests/fuzz/fuzz_program.cpp" "${objects[@]}" -o "$out_dir/fuzz_program"
echo "build_fuzzer: built $out_dir/fuzz_program"
