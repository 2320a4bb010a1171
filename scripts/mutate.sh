#!/usr/bin/env bash
# The mutation check: plants each fault of scripts/mutations.txt, one at a time, in a
# scratch copy of the sources (build/mutate/tree, never the working tree), rebuilds the one
# test program that should catch it (the native preset, in the copy's own build folder,
# kept between runs, so a fault costs one file's compile and the relinks), runs that
# program with the fault's filter, and prints `caught FAULT by TEST` or `survived FAULT`.
# Fails when a fault survives, when a fault's text is not found exactly once in its file
# (the list has fallen out of step with the code), or when a mutant does not build.
#
#   scripts/mutate.sh            every fault
#   scripts/mutate.sh --quick    the guarantees only (journal, locks, syncs, ownership)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
list=$root/scripts/mutations.txt
tree=$root/build/mutate/tree
build=$tree/build/native
# Longest run of one test program on one mutant, in seconds: a fault that makes a call
# hang is caught by the time-out.
test_timeout=300

quick=no
[[ ${1:-} == --quick ]] && quick=yes

# The copy: every file git knows (and its changes not yet committed), copied only where
# the contents differ, so that an unchanged file keeps its time and its object file; a
# file gone from the working tree goes from the copy too (the build's globs would find it).
sync_tree() {
  mkdir -p "$tree"
  git ls-files -z --cached --others --exclude-standard | python3 -B -c '
import os, shutil, sys
source, target = sys.argv[1], sys.argv[2]
names = {name for name in sys.stdin.buffer.read().decode().split("\0")
         if name and os.path.isfile(os.path.join(source, name))}
for folder, subfolders, files in os.walk(target):
    if folder == target:
        subfolders[:] = [sub for sub in subfolders if sub != "build"]
    for file in files:
        if os.path.relpath(os.path.join(folder, file), target) not in names:
            os.remove(os.path.join(folder, file))
for name in sorted(names):
    to = os.path.join(target, name)
    with open(os.path.join(source, name), "rb") as a:
        wanted = a.read()
    try:
        with open(to, "rb") as b:
            if b.read() == wanted:
                continue
    except OSError:
        os.makedirs(os.path.dirname(to), exist_ok=True)
    shutil.copy2(os.path.join(source, name), to)
    os.utime(to)  # newer than any object file built from an earlier copy or mutant
' "$root" "$tree"
}

# Replaces the one occurrence of FIND in FILE by REPLACE; fails unless there is exactly one.
plant() {
  python3 -B -c '
import os, sys
path, find, replace = sys.argv[1:4]
text = open(path, encoding="utf-8").read()
count = text.count(find)
if count != 1:
    sys.exit(f"{path}: the fault text occurs {count} times, not once: {find}")
open(path, "w", encoding="utf-8").write(text.replace(find, replace))
os.utime(path)
' "$1" "$2" "$3"
}

# The faults, one line each, the fields (fault, file, find, replace, program, filter, quick)
# parted by the unit separator, which no field holds (a tab would swallow an empty field).
read_faults() {
  python3 -B -c '
import sys
record = {}
def flush():
    if record:
        program, _, filter = record["test"].partition(" ")
        print("\x1f".join([record["fault"], record["file"], record["find"], record.get("replace", ""),
                         program, filter, record.get("quick", "no")]))
        record.clear()
for line in open(sys.argv[1], encoding="utf-8"):
    line = line.rstrip("\n")
    if line.startswith("#"):
        continue
    if not line.strip():
        flush()
        continue
    key, _, value = line.partition(":")
    record[key] = value[1:] if value.startswith(" ") else value
flush()
' "$list"
}

faults=()
while IFS= read -r record; do
  IFS=$'\x1f' read -r _ _ _ _ _ _ is_quick <<<"$record"
  [[ $quick == yes && $is_quick != yes ]] && continue
  faults+=("$record")
done < <(read_faults)

sync_tree
[[ -f $build/build.ninja ]] || (cd "$tree" && cmake --preset native > /dev/null)

# Builds PROGRAM in the copy; the exit status says whether it built.
build_program() {
  cmake --build "$build" --target "$1" > "$root/build/mutate/build.log" 2>&1
}

# Runs PROGRAM with FILTER; prints the first failing test's name, or nothing when all pass.
run_program() {
  local program=$1 filter=$2 status=0
  (cd "$build" && timeout "$test_timeout" "bin/$program" --gtest_filter="$filter" --gtest_brief=1) \
    > "$root/build/mutate/test.log" 2>&1 || status=$?
  if ((status == 124)); then
    echo "$program $filter (timed out)"
  elif ((status != 0)); then
    local failed
    failed=$(sed -n 's/^\[  FAILED  \] \([^ ,]*\).*/\1/p' "$root/build/mutate/test.log" | head -n 1)
    echo "$program ${failed:-$filter (exit $status)}"
  fi
}

# Every program and filter first passes on the unchanged copy: a test failing already
# would count every fault as caught.
declare -A checked=()
for record in "${faults[@]}"; do
  IFS=$'\x1f' read -r _ _ _ _ program filter _ <<<"$record"
  [[ -n ${checked["$program $filter"]:-} ]] && continue
  checked["$program $filter"]=1
  build_program "$program" || { cat "$root/build/mutate/build.log"; echo "the unchanged copy does not build"; exit 1; }
  matching=$(cd "$build" && "bin/$program" --gtest_filter="$filter" --gtest_list_tests | grep -c '^  ' || true)
  if [[ $matching == 0 ]]; then
    echo "no test matches $program $filter"
    exit 1
  fi
  failing=$(run_program "$program" "$filter")
  if [[ -n $failing ]]; then
    cat "$root/build/mutate/test.log"
    echo "fails without a fault: $failing"
    exit 1
  fi
done

survivors=0
for record in "${faults[@]}"; do
  IFS=$'\x1f' read -r fault file find replace program filter _ <<<"$record"
  original=$(mktemp)
  cp "$tree/$file" "$original"
  plant "$tree/$file" "$find" "$replace"
  built=yes
  build_program "$program" || built=no
  caught=""
  [[ $built == yes ]] && caught=$(run_program "$program" "$filter")
  cp "$original" "$tree/$file"
  touch "$tree/$file"
  rm -f "$original"
  if [[ $built == no ]]; then
    cat "$root/build/mutate/build.log"
    echo "the fault does not build: $fault"
    exit 1
  elif [[ -n $caught ]]; then
    echo "caught $fault by $caught"
  else
    echo "survived $fault"
    survivors=$((survivors + 1))
  fi
done
echo "${#faults[@]} faults, $survivors survived"
((survivors == 0))
