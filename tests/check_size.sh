#!/usr/bin/env bash
# Fails when the library, stripped as it is installed, weighs more than its limit.
#   check_size.sh LIBRARY STRIP LIMIT_KIB
set -euo pipefail
library=$1 strip=$2 limit_kib=$3
stripped=$(mktemp)
trap 'rm -f "$stripped"' EXIT
"$strip" -o "$stripped" "$library"
size=$(stat -c %s "$stripped")
echo "$(basename "$library"): $size bytes stripped ($(stat -c %s "$library") as built), limit $((limit_kib * 1024))"
[ "$size" -le $((limit_kib * 1024)) ] || { echo "FAIL: over the limit of $limit_kib KiB"; exit 1; }
