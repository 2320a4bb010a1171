#!/usr/bin/env bash
# Runs the native test programs (preset native) under valgrind's memcheck. Passes only
# when every program passes and no process, the hive helper (kelvane-hive, hivex's writes
# included) and the tests' own forked children included, had an error.
#
# Leak policy: a definitely lost block is an error. Blocks still reachable at exit
# (googletest's and the C++ runtime's singletons, the heap of the core the tests link
# statically) and possibly lost ones are shown in the logs but are no error.
#
# Left out: the large program. It enciphers a 4 GiB file, a minute natively, well over half
# an hour under valgrind; it is I/O and cipher rounds through the same code the other
# programs check here, and it runs in the normal and the ASan suites.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/check-env.sh
started=$SECONDS

check_build native

bin=build/native/bin
# Absolute: a test changes its current folder before the helper starts, and valgrind in the
# helper opens its log by this path.
logs=$PWD/build/native/memcheck
check_fresh_reports "$logs"
# Open to every user: some tests fork a child that drops to nobody, and valgrind in that
# child must still create its log here, or it breaks the child's own descriptors.
chmod 1777 "$logs"

programs=(cipher crypt registry exports)
# Programs valgrind does not follow into (by path pattern).
skipped='*/sh,*/bash,*/dash,*/chattr,*/mount,*/umount,*/cp,*/kelvane,*/python3*'

failed=()
for program in "${programs[@]}"; do
  begun=$SECONDS
  # One log per process (%p): a deletion runs in the helper program kelvane-hive, which
  # valgrind follows into and checks as well; its exit status reaches no one, its log does.
  # Other programs the tests start (the shell of std::system, the command-line host the
  # crash tests kill) are not followed: they are no part of the library's memory.
  if ! valgrind --trace-children=yes --trace-children-skip="$skipped" \
      --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
      --num-callers=30 --log-file="$logs/$program.%p.log" "$bin/${program}_tests" --gtest_brief=1; then
    failed+=("$program")
  fi
  echo "memcheck: $program $((SECONDS - begun)) s"
done

# Every process's log ends with its error count; leaks that count are among the errors.
errors=0
processes=0
exec_count=0
for log in "$logs"/*.log; do
  processes=$((processes + 1))
  count=$(sed -n 's/.*ERROR SUMMARY: \([0-9][0-9]*\) errors.*/\1/p' "$log" | tail -1)
  if [ -z "$count" ]; then
    # No summary: the process left valgrind through exec into a program not followed
    # (std::system in the file tests), or was killed. Anything it logged before that counts.
    count=$(sed '1,/Parent PID/d' "$log" | grep -cv '^==[0-9]*== *$' || true)
    exec_count=$((exec_count + 1))
  fi
  if [ "$count" -gt 0 ]; then
    check_show_report "$log"
  fi
  errors=$((errors + count))
done
echo "memcheck: failed programs: ${failed[*]:-none}; $errors error(s) in $processes process(es)" \
  "($exec_count left through exec); $((SECONDS - started)) s"
[ "${#failed[@]}" -eq 0 ] && [ "$errors" -eq 0 ]
