# Sourced by scripts/setup.sh, which fetches it, and by the Inno Setup test, which runs it:
# where the Inno Setup compiler lives. The npm package innosetup carries its files in
# package/bin/; it is unpacked once into a cache folder that outlives build trees and clones.
INNOSETUP_PACKAGE=innosetup@6.4.1
INNOSETUP_DIR="${KELVANE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/kelvane}/innosetup-6.4.1"
INNOSETUP_ISCC="$INNOSETUP_DIR/package/bin/ISCC.exe"
