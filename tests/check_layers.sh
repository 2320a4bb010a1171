#!/usr/bin/env bash
# Every include runs downward: the exports, the NSIS plugin and the MSI actions on top, then
# crypt, registry and system, then cipher and frame, and platform lowest. A file may include
# its own layer's folders and any below. Every include of our own names its folder, so that
# this check sees it; only the exported header, kelvane.h, stands alone.
# Usage: check_layers.sh SOURCE-DIR (the repository's src/).
set -euo pipefail
cd "$1"

# The layer of each source folder; a larger number sits higher.
declare -A layer=([exports]=4 [nsis_plugin]=4 [msi_action]=4 [crypt]=3 [registry]=3 [system]=3 [cipher]=2
                  [frame]=2 [platform]=1)

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
# An include without a folder hides its layer (and may reach outside src/).
while IFS= read -r bare; do
  echo "include without a folder: $bare"
  faults=$((faults + 1))
done < <(grep -rnE '^#include "[^/"]+"' . | grep -v '#include "kelvane.h"' || true)
exit $((faults > 0))
