#!/usr/bin/env bash
# Builds the libFuzzer target for the whole program with clang++:
#   tests/fuzz/build_fuzzer.sh OUTDIR
# OUTDIR is a CMake build folder configured with CHESS_FUZZ=ON; the result is
# OUTDIR/tests/fuzz/fuzz_program. Optimised (-O1) with debug information and
# with the invariant checks (assert) left on. CXX may name another clang++;
# JOBS (default 1) compiles that many sources at a time.
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

cmake -S "$repo" -B "$out_dir" -DCMAKE_CXX_COMPILER="$cxx" -DCHESS_FUZZ=ON -DCHESS_BUILD_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" >/dev/null
cmake --build "$out_dir" --target fuzz_program -j "${JOBS:-1}"
echo "build_fuzzer: built $out_dir/tests/fuzz/fuzz_program"
