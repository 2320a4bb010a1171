#!/usr/bin/env bash
# Line coverage of the library's sources by fuzz corpora: builds the fuzz-coverage preset,
# replays each target's corpus once (no fuzzing) and prints llvm-cov's report for src/.
# Usage: scripts/fuzz-coverage.sh [CORPUS_ROOT]   (default tests/fuzz/corpus; one
# folder per target inside, named as the targets are)
set -euo pipefail
cd "$(dirname "$0")/.."
corpus_root=$(realpath "${1:-tests/fuzz/corpus}")

source scripts/fuzz-env.sh
fuzz_build fuzz-coverage

bin=build/fuzz-coverage/bin
profiles=$(mktemp -d)
trap 'rm -rf "$profiles"' EXIT
fuzz_use_memory_tmpdir

objects=()
for target in $(fuzz_target_names "$bin"); do
  [ -d "$corpus_root/$target" ] || continue
  LLVM_PROFILE_FILE="$profiles/$target.profraw" "$bin/fuzz_$target" -runs=0 "$corpus_root/$target" >/dev/null 2>&1
  objects+=(-object "$bin/fuzz_$target")
done
llvm-profdata merge -sparse "$profiles"/*.profraw -o "$profiles/all.profdata"
llvm-cov report "${objects[@]:1}" -instr-profile="$profiles/all.profdata" "$(pwd)/src"
