#!/usr/bin/env bash
# Every include runs downward: the export table, the NSIS plugin and the MSI actions on top, then crypt, registry and system, then
# cipher, frame and platform. A file may include its own layer's folders and any below.
# Usage: check_layers.sh SOURCE-DIR (the repository's src/).
set -euo pipefail
cd "$1"

# The layer of each source folder; a larger number sits higher.
declare -A layer=([exports]=3 [nsis_plugin]=3 [msi_action]=3 [crypt]=2 [registry]=2 [system]=2 [cipher]=1 [frame]=1 [platform]=1)

faults=0
for folder in "${!layer[@]}"; do
  while IFS=: read -r file _ included; do
    target=$(sed -E 's/.*#include "([a-z_]+)\/.*/\1/' <<<"$included")
    [[ -n ${layer[$target]:-} ]] || continue
    if (( layer[$target] > layer[$folder] )); then
      echo "upward include: $file includes $target/"
      faults=$((faults + 1))
    fi
  done < <(grep -rnE '^#include "[a-z_]+/' "$folder" || true)
done
# Sideways between the two subsystems is upward for neither, but they stay apart too.
if grep -rlE '^#include "registry/' crypt || grep -rlE '^#include "crypt/' registry; then
  echo "crypt and registry include each other"
  faults=$((faults + 1))
fi
exit $((faults > 0))
