#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer, AddressSanitizer, UBSan) and runs every fuzz
# target for SECONDS (default 60) over a scratch copy of its seeds in tests/fuzz/corpus,
# so the repository is never changed. Fails when any target reports a finding; the
# input that caused it is kept under build/fuzz/findings/.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
# Longest a single input may take, and the memory a target may hold, before it counts as a finding.
per_input_timeout=10
rss_limit_mb=2048

source scripts/fuzz-env.sh
fuzz_build fuzz

bin=build/fuzz/bin
targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then
  mapfile -t targets < <(fuzz_target_names "$bin")
fi
fuzz_use_memory_tmpdir

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
findings=build/fuzz/findings
mkdir -p "$findings"

failed=()
for target in "${targets[@]}"; do
  corpus="$scratch/$target"
  mkdir -p "$corpus"
  cp tests/fuzz/corpus/"$target"/* "$corpus"/
  echo "fuzz: $target for ${seconds}s"
  if ! "$bin/fuzz_$target" -max_total_time="$seconds" -timeout="$per_input_timeout" \
      -rss_limit_mb="$rss_limit_mb" -print_final_stats=1 -artifact_prefix="$findings/$target-" \
      "$corpus" >"$scratch/$target.log" 2>&1; then
    failed+=("$target")
    tail -n 60 "$scratch/$target.log"
  fi
  grep -E '^#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::average_exec_per_sec' "$scratch/$target.log" || true
done

if [ "${#failed[@]}" -ne 0 ]; then
  echo "fuzz: findings in ${failed[*]} (inputs in $findings)" >&2
  exit 1
fi
echo "fuzz: no findings in ${targets[*]}"
