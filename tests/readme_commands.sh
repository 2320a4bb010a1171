#!/usr/bin/env bash
# Runs one of the README's command scripts (examples/commands-*.sh) from the repository's
# root, as a reader would, and checks that what it printed holds every line marked `#=> `
# in the script.
#   readme_commands.sh SCRIPT REPOSITORY_ROOT
set -euo pipefail
script=$1
cd "$2"
status=0
output=$(bash "$script" 2>&1 | tr -d '\r') || status=$?
echo "$output"
[ "$status" -eq 0 ] || { echo "FAIL: $script ended with $status"; exit 1; }
failed=0
while IFS= read -r line; do
  grep -qxF -- "$line" <<<"$output" || { echo "FAIL: nothing printed '$line'"; failed=1; }
done < <(sed -n 's/^#=> //p' "$script")
exit "$failed"
