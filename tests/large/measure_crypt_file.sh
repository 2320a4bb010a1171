#!/usr/bin/env bash
# Measures cryptFile on one large file through the command-line host: wall time,
# throughput and peak memory (maximum resident set of the host process, which under
# Wine includes Wine's own share). Not a test: nothing is asserted.
#   tests/large/measure_crypt_file.sh native|win32 SIZE_MIB [random|sparse]
# random: a file of random bytes (written first); sparse: a hole with no data blocks.
set -euo pipefail
cd "$(dirname "$0")/../.."
target=${1:?native or win32}
mib=${2:?size in MiB}
fill=${3:-random}
folder=$(mktemp -d "${TMPDIR:-/tmp}/kelvane-measure-XXXXXX")
trap 'rm -rf "$folder"' EXIT
file=$folder/measured.bin
bytes=$((mib * 1024 * 1024 + 37))  # an odd tail, so the last block is zero-filled

if [ "$fill" = sparse ]; then
  truncate -s "$bytes" "$file"
else
  head -c "$bytes" /dev/urandom >"$file"
fi
sync

if [ "$target" = win32 ]; then
  source scripts/wine-env.sh
  wine_start
  run=(wine build/win32/bin/kelvane.exe cryptFile "$(winepath -w "$file")")
else
  run=(build/native/bin/kelvane cryptFile "$file")
fi

start=$(date +%s.%N)
/usr/bin/time -v -o "$folder/time.txt" "${run[@]}" >"$folder/result.txt"
end=$(date +%s.%N)
[ "$target" = win32 ] && wine_stop

result=$(tr -d '\r' <"$folder/result.txt")
peak_kib=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$folder/time.txt")
seconds=$(echo "$end - $start" | bc -l)
printf '%s %s MiB (%s): result %s, %.1f s, %.1f MiB/s, peak resident %.1f MiB, container %s bytes\n' \
  "$target" "$mib" "$fill" "$result" "$seconds" "$(echo "$mib / $seconds" | bc -l)" \
  "$(echo "$peak_kib / 1024" | bc -l)" "$(stat -c %s "$file")"
