#!/usr/bin/env bash
# Fails when a host's declaration file for the library (the Python ctypes table, the
# PowerShell DllImport class) does not declare exactly the exports of the .def file, or
# declares one without the C calling convention.
#   check_declarations.sh DEF PYTHON_MODULE POWERSHELL_SCRIPT
set -euo pipefail
def=$1 python=$2 powershell=$3
expected=$(awk 'f && NF {print $1} /^EXPORTS/ {f=1}' "$def" | sort)
failures=0

compare() {  # $1: file, $2: the names it declares
  if [ "$2" != "$expected" ]; then
    echo "$1 declares other names than the exports:"
    diff <(echo "$expected") <(echo "$2") || true
    failures=$((failures + 1))
  else
    echo "ok    $1: $(tr '\n' ' ' <<<"$2")"
  fi
}

# ctypes.CDLL is cdecl; the table's keys are the names.
compare "$python" "$(grep -oP '^    "\K\w+(?=": \()' "$python" | sort)"
compare "$powershell" "$(grep -oP 'public static extern \S+ \K\w+(?=\()' "$powershell" | sort)"
not_cdecl=$(grep '\[DllImport(' "$powershell" | grep -v 'CallingConvention = Cdecl' || true)
if [ -n "$not_cdecl" ]; then
  echo "$powershell declares without cdecl:"; echo "$not_cdecl"
  failures=$((failures + 1))
fi
[ "$failures" -eq 0 ]
