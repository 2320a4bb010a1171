#!/usr/bin/env bash
# Runs the native test programs (preset native) under valgrind's memcheck. Passes only
# when every program passes and no process, forked children included, had an error.
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
started=$SECONDS

cmake --preset native
cmake --build --preset native

bin=build/native/bin
logs=build/native/memcheck
rm -rf "$logs"
mkdir -p "$logs"
# Open to every user: some tests fork a child that drops to nobody, and valgrind in that
# child must still create its log here, or it breaks the child's own descriptors.
chmod 1777 "$logs"

programs=(cipher crypt registry exports)
failed=()
for program in "${programs[@]}"; do
  begun=$SECONDS
  # One log per process (%p): the registry's deletion runs in a forked child, which valgrind
  # follows and checks as well; the child's exit status reaches no one, its log does.
  if ! valgrind --trace-children=no --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
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
    # No summary: the process left valgrind through exec (std::system in the file tests,
    # not traced with --trace-children=no). Anything it logged before that counts.
    count=$(sed '1,/Parent PID/d' "$log" | grep -cv '^==[0-9]*== *$' || true)
    exec_count=$((exec_count + 1))
  fi
  if [ "$count" -gt 0 ]; then
    echo "==== $log"
    cat "$log"
  fi
  errors=$((errors + count))
done
echo "memcheck: failed programs: ${failed[*]:-none}; $errors error(s) in $processes process(es)" \
  "($exec_count left through exec); $((SECONDS - started)) s"
[ "${#failed[@]}" -eq 0 ] && [ "$errors" -eq 0 ]
