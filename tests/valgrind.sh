#!/usr/bin/env bash
# Runs every test program under valgrind's memcheck, following the program
# runs that the session tests start. Fails on any invalid
# access, use of uninitialised memory or leak.
# Usage: tests/valgrind.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: tests/valgrind.sh BUILD_DIR}
status=0
for test in chess_tests golden_tests protocol_tests fuzz/fuzz_regression_tests; do
  binary="$build/tests/$test"
  [ -x "$binary" ] || continue
  echo "valgrind: $test"
  if ! valgrind --quiet --error-exitcode=99 --leak-check=full --show-leak-kinds=definite,indirect,possible \
      --errors-for-leak-kinds=definite,indirect,possible --trace-children=yes "$binary" --gtest_brief=1; then
    echo "valgrind: $test FAILED"
    status=1
  fi
done
exit $status
