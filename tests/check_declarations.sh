#!/usr/bin/env bash
# Fails when a host's declaration file for the library (the Python ctypes table, the
# PowerShell DllImport class) does not declare exactly the exports of the .def file, or
# declares one without the C calling convention, or passes strings to a wide twin (a name
# ending in W) as anything but UTF-16 or to a narrow export as UTF-16.
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

# Python: the twins' strings are WSTR (c_wchar_p), no narrow export's are.
wrong_python=$( { grep -P '^    "\w+W": \(\w+, \[[^]]' "$python" | grep -v WSTR;
                  grep -P '^    "\w*[^W]": ' "$python" | grep WSTR; } || true)
# PowerShell: the twins that take strings are CharSet.Unicode, no narrow export is.
wrong_powershell=$(while IFS= read -r line; do
  if [[ $line == *'[DllImport('* ]]; then attributes=$line; continue; fi
  [[ $line =~ extern\ [^\ ]+\ ([A-Za-z]+)\((.*)\) ]] && [[ ${BASH_REMATCH[2]} == *string* ]] || continue
  unicode=no twin=no
  [[ $attributes == *CharSet.Unicode* ]] && unicode=yes
  [[ ${BASH_REMATCH[1]} == *W ]] && twin=yes
  [ "$unicode" = "$twin" ] || echo "$line"
done <"$powershell")
for wrong in "$wrong_python" "$wrong_powershell"; do
  if [ -n "$wrong" ]; then
    echo "strings of the wrong width:"; echo "$wrong"
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ]
