#!/usr/bin/env bash
# Builds libkelvane.so, the host and every native test program with AddressSanitizer and
# UndefinedBehaviorSanitizer (preset native-asan) and runs the whole native suite, the large
# file included. Passes only when every test passes and no sanitizer report was written.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/check-env.sh
started=$SECONDS

check_build native-asan

# ASan writes its reports here (see tests/CMakeLists.txt), also those of the hive helper
# and the tests' forked children.
reports=build/native-asan/sanitizer-reports
check_fresh_reports "$reports"

status=0
ctest --preset native-asan || status=$?

count=0
for report in "$reports"/report.*; do
  [ -e "$report" ] || continue
  count=$((count + 1))
  check_show_report "$report"
done
echo "sanitize: ctest status $status, $count sanitizer report(s), $((SECONDS - started)) s"
[ "$status" -eq 0 ] && [ "$count" -eq 0 ]
