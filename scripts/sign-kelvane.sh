#!/usr/bin/env bash
# Signs the DLLs and NSIS plugins of an unpacked kelvane package (Authenticode, with
# osslsigncode: Debian's package of that name) with the author's certificate, in place.
#   sign-kelvane.sh --pkcs12 FILE.pfx [--readpass FILE] [--timestamp URL] [FOLDER]
#   sign-kelvane.sh --cert CERT.pem --key KEY.pem [--readpass FILE] [--timestamp URL] [FOLDER]
# FOLDER: the package's folder (default: the folder of this script, which the zip puts at
# its top). --readpass: a file holding the key's password (never on the command line).
# --timestamp: a time-stamping service of the certificate's issuer, so that the signature
# stays valid after the certificate expires. Check a file afterwards with
#   osslsigncode verify -in bin/x86/kelvane.dll
# Signs bin/x86|x64/kelvane.dll and kelvane_msi.dll, and Plugins/<target>/kelvane_nsis.dll;
# exits 1 at the first file that could not be signed (those before it stay signed).
set -euo pipefail

usage() { sed -n '2,6p' "$0" >&2; exit 2; }
command -v osslsigncode >/dev/null || { echo "sign-kelvane: osslsigncode not found (apt-get install osslsigncode)" >&2; exit 2; }

signer=() extra=() folder=$(cd "$(dirname "$0")" && pwd)
while [ $# -gt 0 ]; do
  case $1 in
    --pkcs12) signer+=(-pkcs12 "$2"); shift 2 ;;
    --cert) signer+=(-certs "$2"); shift 2 ;;
    --key) signer+=(-key "$2"); shift 2 ;;
    --readpass) extra+=(-readpass "$2"); shift 2 ;;
    --timestamp) extra+=(-ts "$2"); shift 2 ;;
    -*) usage ;;
    *) folder=$1; shift ;;
  esac
done
[ "${#signer[@]}" -gt 0 ] || usage

# The files an installer carries; each is signed into a copy that then replaces it.
files=("$folder"/bin/x86/kelvane.dll "$folder"/bin/x64/kelvane.dll "$folder"/bin/*/kelvane_msi.dll
       "$folder"/Plugins/*/kelvane_nsis.dll)
for file in "${files[@]}"; do
  [ -f "$file" ] || { echo "sign-kelvane: $file not found" >&2; exit 1; }
  osslsigncode sign "${signer[@]}" "${extra[@]}" -h sha256 -n kelvane -in "$file" -out "$file.signed" >/dev/null ||
    { rm -f "$file.signed"; echo "sign-kelvane: could not sign $file" >&2; exit 1; }
  mv "$file.signed" "$file"
  echo "signed $file"
done
