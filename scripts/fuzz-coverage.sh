#!/usr/bin/env bash
# Line coverage of the library's sources by fuzz corpora: builds the fuzz-coverage preset,
# replays each target's corpus once (no fuzzing) and prints llvm-cov's report for src/.
# Usage: scripts/fuzz-coverage.sh [CORPUS_ROOT]   (default tests/fuzz/corpus; one
# folder per target inside, named as the targets are)
set -euo pipefail
cd "$(dirname "$0")/.."
corpus_root=$(realpath "${1:-tests/fuzz/corpus}")

cmake --preset fuzz-coverage >/dev/null
cmake --build --preset fuzz-coverage

bin=build/fuzz-coverage/bin
profiles=$(mktemp -d)
trap 'rm -rf "$profiles"' EXIT
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

objects=()
for program in "$bin"/fuzz_*; do
  target=${program##*/fuzz_}
  [ -d "$corpus_root/$target" ] || continue
  LLVM_PROFILE_FILE="$profiles/$target.profraw" "$program" -runs=0 "$corpus_root/$target" >/dev/null 2>&1
  objects+=(-object "$program")
done
llvm-profdata merge -sparse "$profiles"/*.profraw -o "$profiles/all.profdata"
llvm-cov report "${objects[@]:1}" -instr-profile="$profiles/all.profdata" "$(pwd)/src"
